#include "wizard/frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QScreen>
#include <QStackedLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "files/Idna.h"
#include "wizard/AboutBox.h"
#include "wizard/Dialogs.h"
#include "wizard/PageScroller.h"
#include "wizard/ProjectFiles.h"
#include "wizard/Rows.h"
#include "wizard/RunThread.h"
#include "wizard/RunView.h"
#include "wizard/WindowPlacement.h"

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

} // namespace

frmMain::frmMain(Dialogs& dialogs, core::PathString programFolder, core::PathString userFolder,
                 int currentYear, QWidget* parent)
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
    m_projectFiles =
        new ProjectFiles(*this, dialogs, std::move(userFolder), m_welcome->ui.framProject);
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

    // Tab goes through the page shown, then along the buttons, then down the page list.
    QWidget* previous = m_pages;
    for (QWidget* next : std::initializer_list<QWidget*>{
             m_cmdExit, m_cmdAbout, m_cmdPrev, m_cmdNext, m_lnkFrame[0], m_lnkFrame[1],
             m_lnkFrame[2], m_lnkFrame[3], m_lnkFrame[4], m_lnkFrame[5]}) {
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

void frmMain::placeOnScreen()
{
    m_placeWithFrame = frameGeometry() == geometry();
    setGeometry(PlaceWithin(screen()->availableGeometry(), frame(), sizeHint(), minimumSizeHint()));
}

QMargins frmMain::frame() const
{
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins known(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (!known.isNull()) {
        return known;
    }
    return QMargins(0, style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0);
}

void frmMain::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (m_placeWithFrame && frameGeometry() != geometry()) {
        m_placeWithFrame = false;
        if (!screen()->availableGeometry().contains(frameGeometry())) {
            placeOnScreen();
        }
    }
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
    // The title opens the web site on a click only: Welcome's link does it from the keyboard,
    // and a key meant for the page list never opens a browser.
    m_lblMain->setFocusPolicy(Qt::NoFocus);
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
    const bool inPageList =
        std::find(m_lnkFrame.begin(), m_lnkFrame.end(), focused) != m_lnkFrame.end();
    if (focused != nullptr &&
        (m_pages->isAncestorOf(focused) || inPageList || !focused->isEnabled())) {
        focusFirstControl(m_pages->currentWidget());
    }
    if (page == lastPage && !running() && m_pickFiles->hasEntries()) {
        showFindings();
    }
}

// The focus that was on the page left, on the page list, or on a button that is now disabled,
// goes to the first control of the page shown, or to Next.
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

void frmMain::ResetWizard()
{
    m_results->reset();
    m_lastManifest.clear();
    m_undoneInPart = false;
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
    if (!m_projectFiles->offerToSave(ProjectFiles::Before::Restarting)) {
        return;
    }
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

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_closeAfterRun && !running()) {
        m_closeAfterRun = m_projectFiles->offerToSave(ProjectFiles::Before::Quitting);
        event->setAccepted(m_closeAfterRun);
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
    // Changes offered for saving stand in for the quit question: either answer but Cancel quits.
    if (m_projectFiles->unsaved(ProjectFiles::Before::Quitting)) {
        event->setAccepted(m_projectFiles->offerToSave(ProjectFiles::Before::Quitting));
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
