#include "wizard/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QStackedLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "core/LockTargets.h"
#include "files/FileSystem.h"
#include "files/Idna.h"
#include "run/PageCheck.h"
#include "run/ProtectionRun.h"
#include "run/Restore.h"
#include "wizard/AboutBox.h"
#include "wizard/Dialogs.h"
#include "wizard/PageScroller.h"
#include "wizard/ProjectFiles.h"
#include "wizard/ReplacedFiles.h"
#include "wizard/Rows.h"
#include "wizard/RunThread.h"
#include "wizard/RunView.h"
#include "wording/RunWording.h"

namespace quorlane::wizard {

namespace {

const QString& caption = productName;
const QColor highlight(113, 147, 228);

// The Next button's caption in each state, in the order of WizardState.
constexpr const char* stateCaptions[4] = {
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "&Next >>"),
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "&Protect"),
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "&Cancel"),
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "&Restart"),
};

QString captionOf(WizardState state)
{
    return frmMain::tr(stateCaptions[static_cast<int>(state)]);
}

// The caption the run's host gives Next when the run ends, translated where it is used.
struct TranslatedCaption
{
    WizardState state;
    operator QString() const { return captionOf(state); }
};
const TranslatedCaption restartCaption{WizardState::Finished};

constexpr const char* pageCaptions[6] = {
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "Welcome"),
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "Pick Files"),
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "Store Files"),
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "Encryption"),
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "Scripts"),
    QT_TRANSLATE_NOOP("quorlane::wizard::frmMain", "Go!"),
};

void setBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QString textOf(const core::PathString& path)
{
    return QString::fromStdU16String(core::TextFromPath(path));
}

bool blank(std::u16string_view text)
{
    return text.find_first_not_of(u' ') == std::u16string_view::npos;
}

} // namespace

frmMain::frmMain(Dialogs& dialogs, core::PathString programFolder, int currentYear, QWidget* parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(caption);
    setWindowIcon(images::windowIcon());

    m_welcome = new WelcomePage(dialogs);
    m_pickFiles = new PickFilesPage(dialogs, programFolder);
    m_storeFiles = new StoreFilesPage(dialogs);
    m_encryption = new EncryptionPage(dialogs);
    m_scripts = new ScriptsPage(dialogs);
    m_results = new ResultsPage(dialogs);
    m_storeFiles->setDefaults(
        core::DefaultSettings(currentYear, core::TextFromPath(programFolder), core::pathSeparator));
    m_storeFiles->setRememberedFolderSource([this] { return m_pickFiles->rememberedFolder(); });
    m_projectFiles = new ProjectFiles(*this, dialogs, programFolder, m_welcome->ui.framProject);
    m_pages = new QStackedWidget;
    for (QWidget* page : std::initializer_list<QWidget*>{m_welcome, m_pickFiles, m_storeFiles,
                                                         m_encryption, m_scripts, m_results}) {
        m_pages->addWidget(new PageScroller(page));
    }
    connect(m_pickFiles, &PickFilesPage::entriesChanged, this,
            [this](bool hasEntries) { CheckEnableDisableNextButton(hasEntries); });

    m_cmdExit = named<QPushButton>(this, "cmdExit", tr("E&xit"));
    m_cmdAbout = named<QPushButton>(this, "cmdAbout", tr("Abou&t"));
    m_cmdPrev = named<QPushButton>(this, "cmdPrev", tr("<< &Back"));
    m_cmdNext = named<QPushButton>(this, "cmdNext", captionOf(WizardState::Editing));
    for (QPushButton* button : {m_cmdExit, m_cmdAbout, m_cmdPrev, m_cmdNext}) {
        button->setMinimumWidth(81);
    }
    connect(m_cmdExit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_cmdAbout, &QPushButton::clicked, this, [this] { showAbout(); });
    connect(m_cmdPrev, &QPushButton::clicked, this, [this] { ShowPage(m_currentPage - 1); });
    connect(m_cmdNext, &QPushButton::clicked, this, [this] { cmdNextClicked(); });
    connect(m_results->ui.cmdUndo, &QPushButton::clicked, this, [this] { undoRun(); });

    auto* picLine = named<QFrame>(this, "picLine");
    picLine->setFrameShape(QFrame::VLine);
    picLine->setFrameShadow(QFrame::Sunken);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(gapX, 0, gapX, 2 * gapY);
    buttons->setSpacing(gapY);
    buttons->addWidget(m_cmdExit);
    buttons->addWidget(m_cmdAbout);
    buttons->addStretch();
    buttons->addWidget(m_cmdPrev);
    buttons->addWidget(m_cmdNext);
    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(m_pages, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makePageList());
    layout->addWidget(picLine);
    layout->addLayout(right, 1);

    // Tab goes down the page list, through the page shown, then along the buttons.
    QWidget* previous = m_lblMain;
    for (QWidget* next : std::initializer_list<QWidget*>{
             m_lnkFrame[0], m_lnkFrame[1], m_lnkFrame[2], m_lnkFrame[3], m_lnkFrame[4],
             m_lnkFrame[5], m_pages, m_cmdExit, m_cmdAbout, m_cmdPrev, m_cmdNext}) {
        setTabOrder(previous, next);
        previous = next;
    }

    // A click leaves the focus where it was, so that Enter goes on meaning Next after a button
    // was clicked; Tab still reaches every button, and Enter then presses it.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button != m_cmdNext) {
            button->setFocusPolicy(Qt::TabFocus);
        }
    }
    m_nextGuard.setSingleShot(true);
    connect(&m_nextGuard, &QTimer::timeout, this, [this] { endNextGuard(); });
    ResetWizard();
    m_projectFiles->openRemembered();
    m_cmdNext->setFocus();
}

frmMain::~frmMain()
{
    m_run.reset();
}

bool frmMain::runWaiting() const
{
    return m_run && m_run->waiting();
}

void frmMain::placeOnScreen()
{
    const QRect screen = this->screen()->availableGeometry();
    // Before the window is first shown its frame is not known; a title bar is a fair guess.
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty()) {
        frame = QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    }
    const QSize room = screen.size() - frame;
    resize(sizeHint().boundedTo(room).expandedTo(minimumSizeHint()));
    move(screen.center() - QPoint(width() / 2, (height() + frame.height()) / 2));
}

QWidget* frmMain::makePageList()
{
    auto* picLeft = named<QFrame>(this, "picLeft");
    setBackground(picLeft, Qt::white);
    picLeft->setFixedWidth(209);
    auto* layout = new QVBoxLayout(picLeft);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_lblMain = named<LinkLabel>(picLeft, "lblMain", caption);
    QFont title = m_lblMain->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    m_lblMain->setFont(title);
    m_lblMain->setAlignment(Qt::AlignCenter);
    m_lblMain->setFixedHeight(48);
    m_lblMain->setCursor(images::hand());
    connect(static_cast<LinkLabel*>(m_lblMain), &LinkLabel::clicked, this,
            [this] { m_dialogs.openOrSay(this, QUrl(productSite)); });
    layout->addWidget(m_lblMain);
    for (int i = 0; i < 6; ++i) {
        m_picPos[i] = namedAt<QFrame>(picLeft, "picPos", i);
        m_picPos[i]->setFixedHeight(64);
        auto* icons = new QWidget(m_picPos[i]);
        icons->setFixedSize(64, 64);
        auto* stack = new QStackedLayout(icons);
        stack->setStackingMode(QStackedLayout::StackAll);
        m_imgLink[i] = namedAt<QLabel>(icons, "imgLink", i);
        m_imgLink[i]->setPixmap(images::pageList(i, false));
        m_imgLinkB[i] = namedAt<QLabel>(icons, "imgLinkB", i);
        m_imgLinkB[i]->setPixmap(images::pageList(i, true));
        for (QLabel* icon : {m_imgLink[i], m_imgLinkB[i]}) {
            icon->setAlignment(Qt::AlignCenter);
            stack->addWidget(icon);
        }
        m_lnkFrame[i] = namedAt<LinkLabel>(m_picPos[i], "lnkFrame", i, tr(pageCaptions[i]));
        m_lnkFrame[i]->setCursor(images::hand());
        connect(m_lnkFrame[i], &LinkLabel::clicked, this, [this, i] { ShowPage(i); });
        auto* row = new QHBoxLayout(m_picPos[i]);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        row->addWidget(icons);
        row->addWidget(m_lnkFrame[i], 1);
        layout->addWidget(m_picPos[i]);
    }
    layout->addStretch();
    return picLeft;
}

void frmMain::ShowPage(int page)
{
    page = std::clamp(page, 0, lastPage);
    QWidget* const focused = focusWidget();
    for (int i = 0; i <= lastPage; ++i) {
        m_pages->widget(i)->setEnabled(i == page && (!running() || i == lastPage));
    }
    m_pages->setCurrentIndex(page);
    for (int i = 0; i <= lastPage; ++i) {
        const QColor colour = i == page ? highlight : QColor(Qt::white);
        setBackground(m_picPos[i], colour);
        setBackground(m_lnkFrame[i], colour);
        m_imgLinkB[i]->setVisible(i == page);
        m_imgLink[i]->setVisible(i != page);
    }
    m_cmdPrev->setEnabled(page > 0 && !running());
    nextEnabled(page == 0 || m_pickFiles->hasEntries());
    if (!running()) {
        setState(page == lastPage ? WizardState::Ready : WizardState::Editing);
    }
    m_currentPage = page;
    if (focused != nullptr && (m_pages->isAncestorOf(focused) || !focused->isEnabled())) {
        focusFirstControl(m_pages->currentWidget());
    }
    if (page == lastPage && !running() && m_pickFiles->hasEntries()) {
        showFindings();
    }
}

// The focus that was on the page left, or on a button that is now disabled, goes to the first
// control of the page shown, or to Next.
void frmMain::focusFirstControl(QWidget* page)
{
    for (QWidget* next = page->nextInFocusChain(); next != page; next = next->nextInFocusChain()) {
        if (page->isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
            next->isVisibleTo(page)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    m_cmdNext->setFocus(Qt::TabFocusReason);
}

void frmMain::setState(WizardState state)
{
    m_state = state;
    m_cmdNext->setText(captionOf(state));
}

// Before Protect: what the protection would break or leave open on the pages picked, with the
// options as they stand. Nothing is written.
void frmMain::showFindings()
{
    files::RealFileSystem fileSystem;
    m_results->showFindings(run::CheckSelection(fileSystem, m_pickFiles->selection(), settings()));
}

// Undo, from the record the run left: the pages put back, what the run created removed; what
// was changed since is left alone and named.
void frmMain::undoRun()
{
    if (m_lastManifest.empty() ||
        !m_dialogs.askYesNo(this, QMessageBox::Question, caption,
                            tr("Undo this run? Overwritten pages are put back from their "
                               "backups, and the files and folders the run created are "
                               "removed. Files changed since the run are left as they are."))) {
        return;
    }
    files::RealFileSystem fileSystem;
    const run::RestoreReport report = run::RestoreRun(fileSystem, m_lastManifest, false);
    if (report.busy) {
        m_dialogs.message(this, QMessageBox::Warning, caption,
                          tr("Another run of Quorlane is at work on %1. Nothing was undone; "
                             "please try again when it has finished.")
                              .arg(textOf(*report.busy)));
        return;
    }
    if (report.refusal) {
        m_dialogs.message(
            this, QMessageBox::Warning, caption,
            tr("The run cannot be undone: its record %1 %2.")
                .arg(textOf(m_lastManifest),
                     QString::fromStdString(wording::ManifestProblemText(*report.refusal))));
        return;
    }
    QStringList left;
    for (const run::RestoreStep& step : report.steps) {
        if (!run::LeavesSomething(step.action)) {
            continue;
        }
        const QString path = textOf(step.path);
        switch (step.action) {
        case run::RestoreStep::Action::ChangedSinceRun:
            left.push_back(tr("%1 was changed after the run and was left as it is.").arg(path));
            break;
        case run::RestoreStep::Action::NoBackup:
            left.push_back(
                tr("%1 was overwritten without a backup and cannot be put back.").arg(path));
            break;
        case run::RestoreStep::Action::BackupChanged:
            left.push_back(tr("The backup of %1 is missing or was changed.").arg(path));
            break;
        case run::RestoreStep::Action::ReplacedEarlierFile:
            left.push_back(tr("%1 replaced an earlier file that no backup keeps.").arg(path));
            break;
        case run::RestoreStep::Action::Missing:
            left.push_back(tr("%1 is not there: it was moved or removed since the run.").arg(path));
            break;
        default:
            left.push_back(tr("%1 could not be undone: %2")
                               .arg(path, QString::fromStdString(step.error ? step.error->text
                                                                            : std::string())));
            break;
        }
    }
    if (report.complete) {
        // The window is as before the run: what the protection would do is told afresh, and
        // Protect may be pressed again.
        m_lastManifest.clear();
        m_results->reset();
        if (m_currentPage == lastPage) {
            setState(WizardState::Ready);
            m_cmdPrev->setEnabled(true);
            showFindings();
        }
        m_results->ui.lblResults->setText(tr("The run was undone."));
        m_dialogs.message(this, QMessageBox::Information, caption, tr("The run was undone."));
        return;
    }
    // The results no longer say what stands on disk: the status line says so.
    m_results->ui.lblThanks->hide();
    m_results->ui.lblResults->setText(
        tr("The run was undone in part: %Ln file(s) were left as they are.", "",
           static_cast<int>(left.size())));
    m_dialogs.messageWithList(this, QMessageBox::Warning, caption,
                              tr("Some of the run was left as it is:"), left);
}

void frmMain::ResetWizard()
{
    m_results->reset();
    m_lastManifest.clear();
    setWindowTitle(caption);
    m_encryption->ui.framProtect->setVisible(true);
    m_pickFiles->resetTree();
    m_projectFiles->startOver();
    m_storeFiles->resetInformation();
    m_currentPage = 0;
    ShowPage(0);
    for (int i = 2; i <= lastPage; ++i) {
        m_lnkFrame[i]->setEnabled(false);
        m_imgLink[i]->setEnabled(false);
        m_imgLinkB[i]->setEnabled(false);
    }
}

void frmMain::CheckEnableDisableNextButton(bool hasEntries)
{
    nextEnabled(hasEntries);
    for (int i = 2; i <= lastPage; ++i) {
        m_lnkFrame[i]->setEnabled(hasEntries);
        m_imgLink[i]->setEnabled(hasEntries);
        m_imgLinkB[i]->setEnabled(hasEntries);
    }
}

void frmMain::nextEnabled(bool enabled)
{
    m_cmdNext->setEnabled(enabled && !m_nextGuard.isActive());
}

// The focus, when it was on Next, waits on the results, where Enter presses nothing.
void frmMain::guardNext()
{
    m_nextHadFocus = m_cmdNext->hasFocus();
    if (m_nextHadFocus) {
        m_results->ui.treeResults->setFocus();
    }
    m_nextGuard.start(QApplication::doubleClickInterval());
    m_cmdNext->setEnabled(false);
}

void frmMain::endNextGuard()
{
    nextEnabled(m_currentPage == 0 || m_pickFiles->hasEntries());
    if (m_nextHadFocus && m_cmdNext->isEnabled() && focusWidget() == m_results->ui.treeResults) {
        m_cmdNext->setFocus();
    }
    m_nextHadFocus = false;
}

// A run that can still be undone from the window is left only when the user says so.
void frmMain::restart()
{
    if (!m_lastManifest.empty() &&
        !m_dialogs.askYesNo(this, QMessageBox::Question, caption,
                            tr("Start again? The results of this run will be cleared, and it "
                               "can then no longer be undone here. The pages it wrote stay as "
                               "they are."))) {
        return;
    }
    ResetWizard();
}

core::ProtectionSettings frmMain::settings() const
{
    core::ProtectionSettings settings;
    m_storeFiles->readInto(settings);
    m_encryption->readInto(settings);
    m_scripts->readInto(settings);
    m_projectFiles->readInto(settings);
    settings.hostToAscii = files::IdnaHostToAscii;
    return settings;
}

// Shows the page of a field the run cannot use, with the focus in it.
void frmMain::showField(run::LockField field)
{
    QLineEdit* box = nullptr;
    switch (field) {
    case run::LockField::Domain:
        box = m_encryption->ui.txtLockDomain;
        break;
    case run::LockField::Url:
        box = m_encryption->ui.txtLockURL;
        break;
    case run::LockField::Password:
        box = m_encryption->ui.txtPassword;
        break;
    case run::LockField::SaveDir:
        box = m_storeFiles->ui.txtSaveDir;
        break;
    case run::LockField::Notice:
        box = m_storeFiles->ui.txtCopyrightNotice;
        break;
    }
    const bool onStoreFiles = field == run::LockField::SaveDir || field == run::LockField::Notice;
    ShowPage(onStoreFiles ? 2 : 3);
    box->setFocus();
}

bool frmMain::lockRefused()
{
    core::ProtectionSettings checked = settings();
    // A blank lock text is the run's to refuse, with its own message.
    checked.domainLock = checked.domainLock && !blank(checked.lockDomain);
    checked.urlLock = checked.urlLock && !blank(checked.lockUrl);
    const std::optional<core::LockProblem> problem = core::FindLockProblem(checked);
    if (!problem) {
        return false;
    }
    showField(problem->text == core::LockText::Domain ? run::LockField::Domain
                                                      : run::LockField::Url);
    m_encryption->showLockProblem(problem->text, QString::fromStdU16String(problem->message));
    m_dialogs.beep();
    return true;
}

// Every field is checked before anything is asked: a blank lock is told before the question
// about replacing pages, not after it.
bool frmMain::fieldRefused()
{
    const std::optional<run::Refusal> refusal = run::FindUnusableField(settings());
    if (!refusal) {
        return false;
    }
    showField(*refusal->field);
    const wording::Message message = wording::RefusalMessage(*refusal);
    m_dialogs.message(this, QMessageBox::Warning, caption,
                      QString::fromStdU16String(message.text)
                          .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    return true;
}

bool frmMain::passwordsDiffer()
{
    if (!m_encryption->passwordsDiffer()) {
        return false;
    }
    ShowPage(3);
    m_encryption->ui.txtPasswordConfirm->setFocus();
    m_dialogs.beep();
    return true;
}

// Entries of the list whose folder or file is no longer there are named as gone, rather than
// found empty by the run.
bool frmMain::goneRefused()
{
    QStringList gone;
    for (const run::SelectionEntry& entry : m_pickFiles->selection()) {
        const QString path = textOf(entry.path);
        if (!QFileInfo::exists(path)) {
            gone.push_back(path);
        }
    }
    if (gone.isEmpty()) {
        return false;
    }
    ShowPage(1);
    m_dialogs.messageWithList(
        this, QMessageBox::Warning, caption,
        tr("%Ln of the folders and files picked are gone: moved, renamed or deleted after they "
           "were picked. Remove them from the list, or add them again where they are now.",
           "", static_cast<int>(gone.size())),
        gone);
    return true;
}

void frmMain::cmdNextClicked()
{
    switch (m_state) {
    case WizardState::Running:
        askDuringRun(tr("Do you really want to cancel?"));
        break;
    case WizardState::Finished:
        restart();
        break;
    case WizardState::Ready:
        protect();
        break;
    case WizardState::Editing:
        ShowPage(m_currentPage + 1);
        if (m_currentPage == 1) {
            CheckEnableDisableNextButton(m_pickFiles->hasEntries());
        }
        break;
    }
}

// Enter presses the button that has the focus (Next at the start), else Next; Escape asks
// whether to quit. Keys that a control takes for itself (Enter in a text of several lines)
// never come here.
void frmMain::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else if (m_cmdNext->isEnabled()) {
            m_cmdNext->click();
        }
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// One About box, made on first use and shown again on later presses.
void frmMain::showAbout()
{
    if (m_about == nullptr) {
        m_about = new AboutBox(m_dialogs, this);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

// During a run nothing but Cancel may start anything: the page list, Back and the option
// pages are locked, so that no second run can begin.
void frmMain::setRunLocked(bool locked)
{
    if (locked) {
        setState(WizardState::Running);
    } else if (running()) {
        setState(WizardState::Finished);
    }
    for (int i = 0; i <= lastPage; ++i) {
        m_lnkFrame[i]->setEnabled(!locked && (i < 2 || m_pickFiles->hasEntries()));
    }
    m_cmdPrev->setEnabled(!locked && m_currentPage > 0);
}

bool frmMain::confirmReplacing()
{
    const core::ProtectionSettings chosen = settings();
    if (chosen.saveMode == core::SaveMode::CopyToFolder) {
        return true;
    }
    const ReplacedFiles replaced = CountReplacedFiles(m_pickFiles->selection(), chosen.saveMode);
    QString question;
    if (chosen.saveMode == core::SaveMode::Overwrite && replaced.pages > 0) {
        const int pages = static_cast<int>(replaced.pages);
        question = tr("%Ln page(s) will be replaced by their protected versions.", "", pages) +
                   QLatin1Char(' ') +
                   (chosen.makeBackups
                        ? tr("Backups are on: each page is kept beside it, with .bak added to "
                             "its name.")
                        : tr("Backups are off: the pages as they are now cannot be put back."));
    } else if (replaced.earlierProtected > 0) {
        question = tr("%Ln protected_ file(s) of an earlier run will be replaced by the pages "
                      "protected now.",
                      "", static_cast<int>(replaced.earlierProtected));
    } else {
        return true;
    }
    return m_dialogs.askYesNo(this, QMessageBox::Question, caption,
                              question + QStringLiteral("\n\n") + tr("Protect them?"));
}

// The run works on a thread of its own; the window stays live and shows what it tells as it
// comes.
void frmMain::protect()
{
    if (lockRefused() || fieldRefused() || passwordsDiffer() || goneRefused() ||
        !confirmReplacing()) {
        return;
    }
    m_run.reset();
    const core::ProtectionSettings chosen = settings();
    m_runView = std::make_unique<RunView>(*this, chosen);
    m_results->ui.lblResults->setText(
        QString::fromStdU16String(std::u16string(wording::scanningText)));
    // What the last run left on the page is not this run's: its Undo least of all.
    m_results->ui.cmdUndo->setEnabled(false);
    m_results->ui.lblThanks->hide();
    m_results->ui.lblRestart->hide();
    setRunLocked(true);
    m_run = std::make_unique<RunThread>(
        *this, [this] { takeRunEvents(); }, m_pickFiles->selection(), chosen,
        m_projectFiles->exclude());
}

// Events come in the order the run told them: a call made while a batch is being shown (from a
// message box's own loop) leaves the next batch to the call at work.
void frmMain::takeRunEvents()
{
    if (m_takingEvents) {
        m_moreEvents = true;
        return;
    }
    m_takingEvents = true;
    do {
        m_moreEvents = false;
        for (RunEvent& event : m_run ? m_run->take() : std::vector<RunEvent>()) {
            if (auto* returned = std::get_if<RunReturned>(&event)) {
                m_runReturned = std::move(*returned);
            } else {
                m_runView->show(event);
            }
        }
        if (m_runView) {
            m_runView->showBatch();
        }
    } while (m_moreEvents && !m_runReturned);
    m_takingEvents = false;
    endRun();
}

bool frmMain::askDuringRun(const QString& question)
{
    m_asking = true;
    if (m_run) {
        m_run->hold();
    }
    const bool yes = m_dialogs.askYesNo(this, QMessageBox::Question, caption, question);
    m_asking = false;
    if (m_run) {
        if (yes) {
            m_run->requestCancel();
        }
        m_run->release();
    }
    if (m_runReturned) {
        QMetaObject::invokeMethod(
            this, [this] { endRun(); }, Qt::QueuedConnection);
    }
    return yes;
}

void frmMain::endRun()
{
    if (!m_runReturned || m_asking) {
        return;
    }
    const RunReturned end = std::move(*m_runReturned);
    m_runReturned.reset();
    m_run.reset(); // its thread has returned
    m_lastManifest = end.summary.manifest;
    m_results->ui.cmdUndo->setEnabled(!m_lastManifest.empty());
    // A run that showed a field it could not use has gone back to editing already.
    const bool wasRunning = running();
    setRunLocked(false);
    if (wasRunning && end.summary.refusal &&
        end.summary.refusal->kind != run::Refusal::Kind::OtherRunAtWork) {
        setState(WizardState::Ready); // refused before it began: Protect may be pressed again
    } else if (wasRunning) {
        m_cmdPrev->setEnabled(false); // Back stays off until another page is shown
        guardNext();
    }
    m_runView->finish(end, m_closeAfterRun);
    emit runEnded();
    if (m_closeAfterRun) {
        close();
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_closeAfterRun && !running()) {
        event->accept();
        return;
    }
    if (running()) {
        // The run stops after the page it is on, then the window closes.
        if (askDuringRun(tr("A protection run is at work. Stop it after the page it is on, "
                            "and quit?"))) {
            m_closeAfterRun = true;
        }
        event->ignore();
        return;
    }
    if (!m_dialogs.askYesNo(this, QMessageBox::Information, caption,
                            tr("Are you sure you wish to quit?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace quorlane::wizard
