#include "wizard/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "core/LockTargets.h"
#include "files/FileSystem.h"
#include "files/Idna.h"
#include "run/PageCheck.h"
#include "run/ProtectionRun.h"
#include "run/Restore.h"
#include "wizard/AboutBox.h"
#include "wizard/Dialogs.h"
#include "wizard/WizardRunHost.h"
#include "wording/RunWording.h"

namespace quorlane::wizard {

namespace {

const QString caption = QStringLiteral("Quorlane");
const QString nextCaption = QStringLiteral("&Next >>");
const QString protectCaption = QStringLiteral("&Protect");
const QString cancelCaption = QStringLiteral("&Cancel");
const QColor highlight(113, 147, 228);

constexpr const char* pageCaptions[6] = {"Welcome",    "Pick Files", "Store Files",
                                         "Encryption", "Scripts",    "Go!"};

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
    m_pages = new QStackedWidget;
    for (QWidget* page : std::initializer_list<QWidget*>{m_welcome, m_pickFiles, m_storeFiles,
                                                         m_encryption, m_scripts, m_results}) {
        m_pages->addWidget(page);
    }
    connect(m_pickFiles, &PickFilesPage::entriesChanged, this,
            [this](bool hasEntries) { CheckEnableDisableNextButton(hasEntries); });

    m_cmdExit = named<QPushButton>(this, "cmdExit", QStringLiteral("E&xit"));
    m_cmdAbout = named<QPushButton>(this, "cmdAbout", QStringLiteral("Abou&t"));
    m_cmdPrev = named<QPushButton>(this, "cmdPrev", QStringLiteral("<< &Back"));
    m_cmdNext = named<QPushButton>(this, "cmdNext", nextCaption);
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
    m_pages->setMinimumWidth(340);
    setMinimumHeight(560);

    ResetWizard();
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
            [this] { m_dialogs.open(QUrl(productSite)); });
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
        m_lnkFrame[i] =
            namedAt<LinkLabel>(m_picPos[i], "lnkFrame", i, QString::fromLatin1(pageCaptions[i]));
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
    for (int i = 0; i <= lastPage; ++i) {
        m_pages->widget(i)->setEnabled(i == page && (!m_running || i == lastPage));
    }
    m_pages->setCurrentIndex(page);
    for (int i = 0; i <= lastPage; ++i) {
        const QColor colour = i == page ? highlight : QColor(Qt::white);
        setBackground(m_picPos[i], colour);
        setBackground(m_lnkFrame[i], colour);
        m_imgLinkB[i]->setVisible(i == page);
        m_imgLink[i]->setVisible(i != page);
    }
    m_cmdPrev->setEnabled(page > 0 && !m_running);
    m_cmdNext->setEnabled(page == 0 || m_pickFiles->hasEntries());
    m_cmdNext->setText(page == lastPage ? protectCaption : nextCaption);
    m_currentPage = page;
    if (page == lastPage && !m_running && m_cmdNext->isEnabled()) {
        showFindings();
    }
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
        default:
            left.push_back(tr("%1 could not be undone: %2")
                               .arg(path, QString::fromStdString(step.error ? step.error->text
                                                                            : std::string())));
            break;
        }
    }
    if (report.complete) {
        m_lastManifest.clear();
        m_results->ui.cmdUndo->setEnabled(false);
        m_results->ui.treeResults->clear();
        m_results->ui.cmdViewPage->setEnabled(false);
        m_results->ui.lblResults->setText(tr("The run was undone."));
        m_dialogs.message(this, QMessageBox::Information, caption, tr("The run was undone."));
        return;
    }
    m_dialogs.message(this, QMessageBox::Warning, caption,
                      tr("Some of the run was left as it is:") + QStringLiteral("\n") +
                          left.join(QLatin1Char('\n')));
}

void frmMain::ResetWizard()
{
    m_cancelRequested = false;
    m_results->reset();
    setWindowTitle(caption);
    m_welcome->ui.lblVersion->setText(caption + QStringLiteral(" 2009"));
    m_encryption->ui.framProtect->setVisible(true);
    m_pickFiles->resetTree();
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
    m_cmdNext->setEnabled(hasEntries);
    for (int i = 2; i <= lastPage; ++i) {
        m_lnkFrame[i]->setEnabled(hasEntries);
        m_imgLink[i]->setEnabled(hasEntries);
        m_imgLinkB[i]->setEnabled(hasEntries);
    }
}

core::ProtectionSettings frmMain::settings() const
{
    core::ProtectionSettings settings;
    m_storeFiles->readInto(settings);
    m_encryption->readInto(settings);
    m_scripts->readInto(settings);
    settings.hostToAscii = files::IdnaHostToAscii;
    return settings;
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
    ShowPage(3);
    QLineEdit* box = problem->text == core::LockText::Domain ? m_encryption->ui.txtLockDomain
                                                             : m_encryption->ui.txtLockURL;
    box->setFocus();
    m_dialogs.message(this, QMessageBox::Warning, caption,
                      QString::fromStdU16String(problem->message));
    return true;
}

void frmMain::cmdNextClicked()
{
    const QString text = m_cmdNext->text();
    if (text == cancelCaption) {
        if (m_dialogs.askYesNo(this, QMessageBox::Question, caption,
                               QStringLiteral("Do you really want to cancel?"))) {
            m_cancelRequested = true;
        }
    } else if (text == restartCaption) {
        ResetWizard();
    } else if (m_currentPage == lastPage && text == protectCaption) {
        protect();
    } else {
        ShowPage(m_currentPage + 1);
        if (m_currentPage == 1) {
            CheckEnableDisableNextButton(m_pickFiles->hasEntries());
        }
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
    m_running = locked;
    for (int i = 0; i <= lastPage; ++i) {
        m_lnkFrame[i]->setEnabled(!locked && (i < 2 || m_pickFiles->hasEntries()));
    }
    m_cmdPrev->setEnabled(!locked && m_currentPage > 0);
}

void frmMain::protect()
{
    if (lockRefused()) {
        return;
    }
    m_cmdNext->setText(cancelCaption);
    m_results->ui.lblResults->setText(
        QString::fromStdU16String(std::u16string(wording::scanningText)));
    setRunLocked(true);
    files::RealFileSystem fileSystem;
    WizardRunHost host(*this);
    run::ProtectionRun protectionRun(host, fileSystem);
    m_lastManifest = protectionRun.RunProtection(m_pickFiles->selection(), settings()).manifest;
    m_results->ui.cmdUndo->setEnabled(!m_lastManifest.empty());
    const bool wasRunning = m_running;
    setRunLocked(false);
    if (wasRunning) {
        m_cmdPrev->setEnabled(false); // Back stays off until another page is shown
    }
    if (m_closeAfterRun) {
        close();
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_closeAfterRun && !m_running) {
        event->accept();
        return;
    }
    if (!m_dialogs.askYesNo(this, QMessageBox::Information, caption,
                            QStringLiteral("Are you sure you wish to quit?"))) {
        event->ignore();
        return;
    }
    if (m_running) {
        // The run stops after the page it is on, then the window closes.
        m_cancelRequested = true;
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace quorlane::wizard
