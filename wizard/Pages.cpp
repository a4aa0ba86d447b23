#include "wizard/Pages.h"

#include <tuple>

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/ScriptText.h"
#include "wizard/Dialogs.h"
#include "wizard/Rows.h"
#include "wizard/ScriptTextFilter.h"

namespace quorlane::wizard {

namespace {

QLabel* wrapped(QLabel* label)
{
    label->setWordWrap(true);
    return label;
}

// Each switch's sentence, then what it does in today's browsers, as the browser tests measured
// it (docs/browsers.md).
constexpr const char* scriptInfo[core::scriptOptionCount] = {
    "Stop the user from right clicking on your page. This would stop them getting to view "
    "source.\nToday: works, the warning shows.",
    "Stop the user from highlighting your text, thus stopping them from copy and pasting text.\n"
    "Today: works; forms still take clicks and keys, but copying inside them is blocked too.",
    "The user must be viewing the page online, not saved on their PC or while they are offline.\n"
    "Today: works, a page opened from disk stays blank.",
    "Stop the URL of the link showing in the status bar along the bottom of Internet Explorer.\n"
    "Today: no effect, browsers still show the link's address.",
    "Stop the user from printing out your page.\nToday: works, the printout is blank.",
    "Stop copy and paste working on your site, and stop print screen from taking screen shots.\n"
    "Today: partly, copy and cut are cancelled outside forms; print screen is not stopped.",
    "Stop elements being dragged from or onto the page, i.e. images or text.\n"
    "Today: works, dragging from the page is cancelled.",
    "Stop Adobe Acrobat Web Capture from converting your page into a PDF file.\n"
    "Today: no effect.",
    "Stop users of Opera-based browsers from viewing your site (as they can avoid some script "
    "protection).\nToday: works, old and new Opera are turned away.",
    "If the page has been loaded from within someone else\u2019s site (ie, a frame redirect your "
    "page with break out).\nToday: partly, it leaves frames of your own site; browsers keep it "
    "inside another site's frame.",
    "Stop the images showing Image Toolbar\nToday: partly, it only blocks the right click on "
    "images.",
    "Stop users of Netscape-based browsers from viewing your site (as they can avoid some "
    "script protection).\nToday: works, Firefox is turned away; other browsers are let in.",
    "Immediately expire your web page.\nToday: no effect, going back does not reload the page.",
};

constexpr const char* scriptCaptions[core::scriptOptionCount] = {
    "Disable right mouse click", "Disable text highlighting",
    "Disable offline browsing",  "Don't display URLs in status bar",
    "Disable printing of pages", "Disable clipboard and printscreen",
    "Disable drag and drop",     "Disable Adobe Acrobat web capture",
    "Disable Opera users",       "Break out of frames",
    "Disable IE Image Toolbar",  "Disable Netscape users (Mozilla/Firefox)",
    "Immediate page expiry",
};

constexpr const char* outputInfo[3] = {
    "All current files will be replaced with their protected versions - We highly recommend "
    "you make backups",
    "Files will be copied to this new folder, with their folder structures intact: the pages "
    "protected, the other files of each added folder (style sheets, scripts, images) as they "
    "are",
    "Protected files will be placed in the same folders with a protected_ prefix",
};

} // namespace

WelcomePage::WelcomePage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picFrame_0"));
    ui.lblWelcome = named<QLabel>(this, "lblWelcome", QStringLiteral("Welcome"));
    QFont heading = ui.lblWelcome->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.4);
    ui.lblWelcome->setFont(heading);
    ui.lblVersion = named<QLabel>(this, "lblVersion", QStringLiteral("Quorlane 2009"));
    ui.lblCopyRight =
        wrapped(named<QLabel>(this, "lblCopyRight", QStringLiteral("Copyright \u00A9 Quorlane")));
    ui.lblURL = named<QLabel>(this, "lblURL", QStringLiteral("Website: "));
    ui.HyperLink21 = named<LinkLabel>(this, "HyperLink21", QStringLiteral("Quorlane"));
    ui.HyperLink21->setCursor(images::hand());
    ui.HyperLink21->setStyleSheet(QStringLiteral("color: #1a3fb0;"));
    ui.imgMain = named<QLabel>(this, "imgMain");
    ui.imgMain->setPixmap(images::welcome());
    ui.lblComment = wrapped(named<QLabel>(
        this, "lblComment",
        QStringLiteral("Please follow the on-screen instructions, clicking Next when finished on "
                       "each page. To return to the previous page at any time, click Back.")));
    QObject::connect(ui.HyperLink21, &LinkLabel::clicked, this,
                     [&dialogs] { dialogs.open(QUrl(productSite)); });

    Rows rows(this);
    rows.add(ui.lblWelcome, gapY, gapX, gapX);
    rows.add(ui.lblVersion, gapY, gapX, gapX);
    rows.add(ui.lblCopyRight, gapY, gapX, gapX);
    auto* link = new QHBoxLayout;
    link->setSpacing(0);
    link->addStretch();
    link->addWidget(ui.lblURL);
    link->addWidget(ui.HyperLink21);
    link->addStretch();
    rows.add(link, gapY);
    rows.add(ui.imgMain, 4 * gapY, 0, 0, Qt::AlignHCenter);
    rows.add(ui.lblComment, 4 * gapY, 2 * gapX, 4 * gapX);
    ui.framProject = named<QWidget>(this, "framProject");
    rows.add(ui.framProject, 4 * gapY, 2 * gapX, 2 * gapX);
    rows.addStretch();
}

StoreFilesPage::StoreFilesPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("picFrame_2"));
    ui.lblWhere = wrapped(named<QLabel>(
        this, "lblWhere",
        QStringLiteral("Select where you would like the protected files to be placed.")));
    const char* captions[3] = {"Overwrite existing files", "Copy to new folder",
                               "Create new protected files"};
    for (int i = 0; i < 3; ++i) {
        ui.optSave[i] = namedAt<QRadioButton>(this, "optSave", i, QString::fromLatin1(captions[i]));
        m_group.addButton(ui.optSave[i], i);
        ui.optSave[i]->installEventFilter(this);
        ui.optSave[i]->setMouseTracking(true);
    }
    ui.optSave[2]->setChecked(true);
    ui.chkBackups =
        named<QCheckBox>(this, "chkBackups", QStringLiteral("Make backup of all replaced files"));
    ui.chkBackups->setChecked(true);
    ui.txtSaveDir = named<QLineEdit>(this, "txtSaveDir");
    ui.txtSaveDir->setEnabled(false);
    ui.cmdSelectDirectory = named<QPushButton>(this, "cmdSelectDirectory", QStringLiteral("..."));
    ui.cmdSelectDirectory->setEnabled(false);
    ui.cmdSelectDirectory->setFixedWidth(32);
    ui.chkPagesOnly = named<QCheckBox>(
        this, "chkPagesOnly", QStringLiteral("Copy only the pages, not the files beside them"));
    ui.chkPagesOnly->setEnabled(false);
    ui.frmInfo = named<QGroupBox>(this, "frmInfo", QStringLiteral("Information"));
    ui.lblOutputInfo = wrapped(named<QLabel>(ui.frmInfo, "lblOutputInfo"));
    ui.lblOutputInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui.lblWould = wrapped(
        named<QLabel>(this, "lblWould",
                      QStringLiteral("Would you like a copyright notice placed in your files?")));
    ui.chkCopyrightNotice = named<QCheckBox>(
        this, "chkCopyrightNotice", QStringLiteral("Insert notice at the top of source files"));
    ui.txtCopyrightNotice = named<QLineEdit>(this, "txtCopyrightNotice");
    ui.txtCopyrightNotice->setEnabled(false);
    ui.lblNoticeWarning = wrapped(
        named<QLabel>(this, "lblNoticeWarning",
                      QString::fromStdU16String(std::u16string(core::unsafeNoticeMessage))));
    ui.lblNoticeWarning->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblNoticeWarning->hide();
    resetInformation();

    QObject::connect(&m_group, &QButtonGroup::idClicked, this,
                     [this](int id) { optSaveClicked(id); });
    QObject::connect(ui.chkCopyrightNotice, &QCheckBox::toggled, ui.txtCopyrightNotice,
                     &QLineEdit::setEnabled);
    QObject::connect(ui.chkCopyrightNotice, &QCheckBox::toggled, this, [this] { checkNotice(); });
    QObject::connect(ui.txtCopyrightNotice, &QLineEdit::textChanged, this,
                     [this] { checkNotice(); });
    QObject::connect(ui.cmdSelectDirectory, &QPushButton::clicked, this,
                     [this] { selectDirectory(); });

    auto* info = new QVBoxLayout(ui.frmInfo);
    info->setContentsMargins(2 * gapX, 3 * gapY, 4 * gapX, gapY);
    info->addWidget(ui.lblOutputInfo);
    ui.frmInfo->setMinimumHeight(81);
    Rows rows(this);
    rows.add(ui.lblWhere, gapY, gapX, gapX);
    rows.add(ui.optSave[0], gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.chkBackups, gapY / 3, 4 * gapX, 2 * gapX);
    rows.add(ui.optSave[1], 0, 2 * gapX, 2 * gapX);
    auto* folder = new QHBoxLayout;
    folder->setContentsMargins(4 * gapX, 0, 2 * gapX, 0);
    folder->setSpacing(gapX);
    folder->addWidget(ui.txtSaveDir);
    folder->addWidget(ui.cmdSelectDirectory);
    rows.add(folder, gapY / 2);
    rows.add(ui.chkPagesOnly, gapY / 2, 4 * gapX, 2 * gapX);
    rows.add(ui.optSave[2], gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.frmInfo, 3 * gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.lblWould, gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.chkCopyrightNotice, gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.txtCopyrightNotice, gapY, 2 * gapX, 2 * gapX);
    rows.add(ui.lblNoticeWarning, 0, 2 * gapX, 2 * gapX);
    rows.addStretch();
}

// The run refuses such a notice; the page says why while it is typed.
void StoreFilesPage::checkNotice()
{
    ui.lblNoticeWarning->setVisible(
        ui.chkCopyrightNotice->isChecked() &&
        !core::IsSafeNoticeText(ui.txtCopyrightNotice->text().toStdU16String()));
}

void StoreFilesPage::setDefaults(const core::ProtectionSettings& defaults)
{
    ui.txtSaveDir->setText(QString::fromStdU16String(defaults.saveDir));
    ui.txtCopyrightNotice->setText(QString::fromStdU16String(defaults.copyrightNoticeText));
}

void StoreFilesPage::resetInformation()
{
    ui.lblOutputInfo->setText(QString::fromLatin1(outputInfo[0]));
}

void StoreFilesPage::optSaveClicked(int index)
{
    ui.txtSaveDir->setEnabled(index == 1);
    ui.cmdSelectDirectory->setEnabled(index == 1);
    ui.chkPagesOnly->setEnabled(index == 1);
    ui.chkBackups->setEnabled(index == 0);
}

void StoreFilesPage::selectDirectory()
{
    const QString start = m_remembered ? m_remembered() : QString();
    const QString folder =
        m_dialogs.pickFolder(window(), QStringLiteral("Please select where to save to "), start);
    if (!folder.isEmpty()) {
        ui.txtSaveDir->setText(folder);
    }
}

bool StoreFilesPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        for (int i = 0; i < 3; ++i) {
            if (watched == ui.optSave[i]) {
                ui.lblOutputInfo->setText(QString::fromLatin1(outputInfo[i]));
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void StoreFilesPage::readInto(core::ProtectionSettings& settings) const
{
    settings.saveMode = static_cast<core::SaveMode>(m_group.checkedId());
    settings.makeBackups = ui.chkBackups->isChecked();
    settings.saveDir = ui.txtSaveDir->text().toStdU16String();
    settings.copyPagesOnly = ui.chkPagesOnly->isChecked();
    settings.copyrightNotice = ui.chkCopyrightNotice->isChecked();
    settings.copyrightNoticeText = ui.txtCopyrightNotice->text().toStdU16String();
}

EncryptionPage::EncryptionPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picFrame_3"));
    ui.lblWhich = wrapped(named<QLabel>(
        this, "lblWhich", QStringLiteral("Which parts of your page do you want to protect?")));
    const char* captions[4] = {"Protect only email links", "Protect all links",
                               "Protect the body of the page only", "Protect the whole page"};
    for (int i = 0; i < 4; ++i) {
        ui.optProtect[i] =
            namedAt<QRadioButton>(this, "optProtect", i, QString::fromLatin1(captions[i]));
        m_group.addButton(ui.optProtect[i], i);
    }
    ui.optProtect[3]->setChecked(true);
    ui.framProtect = named<QFrame>(this, "framProtect");
    QWidget* frame = ui.framProtect;
    ui.lblFull = wrapped(named<QLabel>(
        frame, "lblFull", QStringLiteral("Do you want locking or password protection also?")));
    ui.chkDomainLock = named<QCheckBox>(frame, "chkDomainLock", QStringLiteral("Domain lock"));
    ui.lblDomain = named<QLabel>(frame, "lblDomain", QStringLiteral("Lock to"));
    ui.txtLockDomain = named<QLineEdit>(
        frame, "txtLockDomain", QString::fromStdU16String(std::u16string(core::sampleDomain)));
    ui.chkURLLock = named<QCheckBox>(frame, "chkURLLock", QStringLiteral("URL lock"));
    ui.lblLockTo = named<QLabel>(frame, "lblLockTo", QStringLiteral("Lock to"));
    ui.txtLockURL = named<QLineEdit>(
        frame, "txtLockURL", QString::fromStdU16String(std::u16string(core::sampleAddress)));
    ui.chkPasswordScript =
        named<QCheckBox>(frame, "chkPasswordScript", QStringLiteral("Password protect"));
    ui.lblPwd = named<QLabel>(frame, "lblPwd", QStringLiteral("Password"));
    ui.txtPassword = named<QLineEdit>(frame, "txtPassword");
    ui.lblInfo = wrapped(named<QLabel>(
        frame, "lblInfo",
        QStringLiteral("Locking Makes Sure That Your Page Is Only Show On That Specific Domain Or "
                       "URL. It Will Stop People Taking Your Content And Just Uploading To Their "
                       "Site.")));
    ui.lblWarning = named<QLabel>(frame, "lblWarning", QStringLiteral("\\ \" or ' not allowed"));
    ui.lblWarning->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblWarning->hide();
    constexpr int inside = 3; // text boxes end this far inside the frame, labels this far left
    const std::tuple<QCheckBox*, QLabel*, QLineEdit*, int> locks[] = {
        {ui.chkDomainLock, ui.lblDomain, ui.txtLockDomain, 0},
        {ui.chkURLLock, ui.lblLockTo, ui.txtLockURL, 0},
        {ui.chkPasswordScript, ui.lblPwd, ui.txtPassword, gapY},
    };
    Rows inner(frame);
    inner.add(ui.lblFull, 0, 0, 0);
    for (const auto& [box, label, text, gapBelowBox] : locks) {
        text->setEnabled(false);
        text->setFixedWidth(193);
        new ScriptTextFilter(text, ui.lblWarning, dialogs);
        QObject::connect(box, &QCheckBox::toggled, text, &QLineEdit::setEnabled);
        inner.add(box, gapY, 2 * gapX, 2 * gapX);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, inside, 0);
        row->setSpacing(inside);
        row->addStretch();
        row->addWidget(label);
        row->addWidget(text);
        inner.add(row, gapBelowBox);
    }
    addEncryptOption(inner, frame);
    inner.add(ui.lblInfo, gapY, 2 * gapX, 0);

    Rows rows(this);
    rows.add(ui.lblWhich, gapY, gapX, gapX);
    for (QRadioButton* option : ui.optProtect) {
        rows.add(option, gapY, 2 * gapX, 2 * gapX);
    }
    rows.add(ui.framProtect, gapY, 0, 2 * gapX);
    rows.addStretch();
}

void EncryptionPage::readInto(core::ProtectionSettings& settings) const
{
    settings.protectMode = static_cast<core::ProtectMode>(m_group.checkedId());
    settings.domainLock = ui.chkDomainLock->isChecked();
    settings.lockDomain = ui.txtLockDomain->text().toStdU16String();
    settings.urlLock = ui.chkURLLock->isChecked();
    settings.lockUrl = ui.txtLockURL->text().toStdU16String();
    settings.passwordProtect = ui.chkPasswordScript->isChecked();
    settings.password = ui.txtPassword->text().toStdU16String();
    settings.encryptHiddenPart = ui.chkEncrypt->isChecked();
}

ScriptsPage::ScriptsPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picFrame_4"));
    ui.lblAddScripts = wrapped(named<QLabel>(
        this, "lblAddScripts", QStringLiteral("Do you wish to add any additional scripts?")));
    for (int i = 0; i < core::scriptOptionCount; ++i) {
        ui.chkScript[i] =
            namedAt<QCheckBox>(this, "chkScript", i, QString::fromLatin1(scriptCaptions[i]));
        ui.chkScript[i]->installEventFilter(this);
        ui.chkScript[i]->setMouseTracking(true);
        QObject::connect(ui.chkScript[i], &QCheckBox::clicked, this,
                         [this, i] { chkScriptClicked(i); });
    }
    ui.chkRightMouse = named<QCheckBox>(this, "chkRightMouse", QStringLiteral("Show warning"));
    ui.chkRightMouse->setEnabled(false);
    ui.txtRightClickWarning =
        named<QLineEdit>(this, "txtRightClickWarning",
                         QString::fromStdU16String(std::u16string(core::defaultWarningText)));
    ui.txtRightClickWarning->setEnabled(false);
    ui.lblWarning2 = named<QLabel>(this, "lblWarning2", QStringLiteral(" \\ \" or ' not allowed"));
    ui.lblWarning2->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblWarning2->hide();
    new ScriptTextFilter(ui.txtRightClickWarning, ui.lblWarning2, dialogs);
    ui.framScript = named<QGroupBox>(this, "framScript", QStringLiteral("Information"));
    ui.lblScriptInfo = wrapped(named<QLabel>(ui.framScript, "lblScriptInfo"));
    ui.lblScriptInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui.lblScriptInfo->setMinimumHeight(5 * fontMetrics().height());
    QObject::connect(ui.chkRightMouse, &QCheckBox::toggled, ui.txtRightClickWarning,
                     &QLineEdit::setEnabled);

    auto* info = new QVBoxLayout(ui.framScript);
    info->setContentsMargins(gapX, gapY, gapX, gapY);
    info->addWidget(ui.lblScriptInfo);
    ui.txtRightClickWarning->setFixedWidth(153);
    Rows rows(this);
    rows.add(ui.lblAddScripts, gapY, gapX, gapX);
    rows.add(ui.chkScript[0], gapY, 2 * gapX, gapX);
    auto* warning = new QHBoxLayout;
    warning->setContentsMargins(3 * gapX, 0, gapX, 0);
    warning->setSpacing(gapX / 2);
    warning->addWidget(ui.chkRightMouse);
    warning->addWidget(ui.txtRightClickWarning);
    warning->addStretch();
    rows.add(warning, gapY / 2);
    for (int i = 1; i < core::scriptOptionCount; ++i) {
        rows.add(ui.chkScript[i], gapY, 2 * gapX, gapX);
    }
    rows.add(ui.framScript, gapY, gapX, gapX);
    rows.addStretch();
}

void ScriptsPage::chkScriptClicked(int index)
{
    const bool on = ui.chkScript[index]->isChecked();
    if (index == static_cast<int>(core::ScriptOption::NoRightClick)) {
        ui.chkRightMouse->setEnabled(on);
        if (!on) {
            ui.txtRightClickWarning->setEnabled(false);
        } else if (ui.chkRightMouse->isChecked()) {
            ui.txtRightClickWarning->setEnabled(true);
        }
    } else if (index == static_cast<int>(core::ScriptOption::NoClipboard) && on) {
        // What can be selected can be dragged away; copying alone is no longer all it takes.
        ui.chkScript[static_cast<int>(core::ScriptOption::NoTextSelect)]->setChecked(true);
    }
}

bool ScriptsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        for (int i = 0; i < core::scriptOptionCount; ++i) {
            if (watched == ui.chkScript[i]) {
                ui.lblScriptInfo->setText(QString::fromUtf8(scriptInfo[i]));
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ScriptsPage::readInto(core::ProtectionSettings& settings) const
{
    for (int i = 0; i < core::scriptOptionCount; ++i) {
        settings.scriptSwitches.set(static_cast<core::ScriptOption>(i),
                                    ui.chkScript[i]->isChecked());
    }
    settings.rightClickWarning = ui.chkRightMouse->isChecked();
    settings.rightClickWarningText = ui.txtRightClickWarning->text().toStdU16String();
}

} // namespace quorlane::wizard
