#include "wizard/EncryptionPage.h"

#include <tuple>

#include "core/ProtectionSettings.h"
#include "wizard/Rows.h"
#include "wizard/ScriptTextFilter.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

EncryptionPage::EncryptionPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picFrame_3"));
    ui.lblWhich = wrapped(
        named<QLabel>(this, "lblWhich", tr("Which parts of your page do you want to protect?")));
    for (int i = 0; i < 4; ++i) {
        ui.optProtect[i] =
            namedFor<QRadioButton>(this, run::WordOf(static_cast<core::ProtectMode>(i)));
        m_group.addButton(ui.optProtect[i], i);
    }
    ui.optProtect[3]->setChecked(true);
    tabStopOnChecked(m_group);
    ui.framProtect = named<QFrame>(this, "framProtect");
    QWidget* frame = ui.framProtect;
    ui.lblFull = wrapped(
        named<QLabel>(frame, "lblFull", tr("Do you want locking or password protection also?")));
    ui.lblInfo = wrapped(named<QLabel>(
        frame, "lblInfo",
        tr("Locking makes sure that your page is only shown on that specific domain or URL. It "
           "will stop people taking your content and just uploading it to their site.")));
    QGridLayout* locks = makeLockRows(dialogs);
    ui.chkEncrypt = namedFor<QCheckBox>(frame, run::WordOf(run::SettingOption::Encrypt));
    ui.chkEncrypt->setEnabled(false);
    ui.lblEncryptInfo = wrapped(named<QLabel>(frame, "lblEncryptInfo"));
    QObject::connect(ui.chkPasswordScript, &QCheckBox::toggled, ui.chkEncrypt,
                     &QCheckBox::setEnabled);
    QObject::connect(ui.chkEncrypt, &QCheckBox::toggled, this, [this] { showEncryptInfo(); });
    showEncryptInfo();
    QLayout* remember = makeUnlockControls();

    Rows inner(frame);
    inner.add(ui.lblFull, 0, gapX, 0);
    inner.add(locks, gapY);
    inner.add(ui.chkEncrypt, 0, 2 * gapX, 0);
    inner.add(ui.lblEncryptInfo, 0, 4 * gapX, 0);
    inner.add(remember, gapY);
    inner.add(ui.lblUnlockTexts, gapY, 4 * gapX, 0);
    inner.add(ui.tblUnlockTexts, 0, 4 * gapX, 2 * gapX);
    inner.add(ui.lblInfo, gapY, 2 * gapX, 0);

    Rows rows(this);
    rows.add(ui.lblWhich, gapY, gapX, gapX);
    for (QRadioButton* option : ui.optProtect) {
        rows.add(option, gapY, 2 * gapX, 2 * gapX);
    }
    rows.add(ui.framProtect, gapY, 0, 2 * gapX);
    rows.addStretch();
}

// The labels stand in one column and the boxes in the next, right beside them, at any width.
// Below each box is the place of the warning, taken only while it shows there.
QGridLayout* EncryptionPage::makeLockRows(Dialogs& dialogs)
{
    QWidget* frame = ui.framProtect;
    ui.chkDomainLock = namedFor<QCheckBox>(frame, run::WordOf(run::SettingOption::DomainLock));
    ui.lblDomain = named<QLabel>(frame, "lblDomain", tr("Lock to"));
    ui.txtLockDomain = named<QLineEdit>(
        frame, "txtLockDomain", QString::fromStdU16String(std::u16string(core::sampleDomain)));
    ui.chkURLLock = namedFor<QCheckBox>(frame, run::WordOf(run::SettingOption::UrlLock));
    ui.lblLockTo = named<QLabel>(frame, "lblLockTo", tr("Lock to"));
    ui.txtLockURL = named<QLineEdit>(
        frame, "txtLockURL", QString::fromStdU16String(std::u16string(core::sampleAddress)));
    ui.chkPasswordScript =
        namedFor<QCheckBox>(frame, run::WordOf(run::SettingOption::PasswordLock));
    ui.lblPwd = named<QLabel>(frame, "lblPwd", tr("Password"));
    ui.txtPassword = named<QLineEdit>(frame, "txtPassword");
    ui.lblWarning = named<QLabel>(frame, "lblWarning", tr("\\ \" or ' not allowed"));
    ui.lblWarning->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblWarning->hide();
    ui.lblLockProblem = wrapped(named<QLabel>(frame, "lblLockProblem"));
    ui.lblLockProblem->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblLockProblem->hide();
    makePasswordControls();

    auto* grid = new QGridLayout;
    grid->setContentsMargins(2 * gapX, 0, 3, 0);
    grid->setHorizontalSpacing(gapX / 2);
    grid->setVerticalSpacing(gapY / 2);
    grid->setColumnMinimumWidth(0, 2 * gapX);
    grid->setColumnStretch(2, 1);
    const std::tuple<QCheckBox*, QLabel*, QLineEdit*> rows[] = {
        {ui.chkDomainLock, ui.lblDomain, ui.txtLockDomain},
        {ui.chkURLLock, ui.lblLockTo, ui.txtLockURL},
        {ui.chkPasswordScript, ui.lblPwd, ui.txtPassword},
    };
    // Each lock takes six rows: its check box, its text box and the place below it of a refused
    // character, the password's second box and its place of a refused character (empty rows
    // for the other locks), and the place of a problem.
    int row = 0;
    for (const auto& [box, label, text] : rows) {
        text->setEnabled(false);
        text->setCursorPosition(0);
        text->setMinimumWidth(12 * fontMetrics().averageCharWidth());
        label->setBuddy(text);
        QObject::connect(box, &QCheckBox::toggled, text, &QLineEdit::setEnabled);
        QObject::connect(box, &QCheckBox::toggled, ui.lblLockProblem, &QWidget::hide);
        grid->addWidget(box, row, 0, 1, 4);
        grid->addWidget(label, row + 1, 1);
        grid->addWidget(text, row + 1, 2);
        filterScriptText(text, row + 2, grid, dialogs);
        row += 6;
    }
    grid->addWidget(ui.chkShowPassword, 13, 3);
    grid->addWidget(ui.lblPwdConfirm, 15, 1);
    grid->addWidget(ui.txtPasswordConfirm, 15, 2);
    filterScriptText(ui.txtPasswordConfirm, 16, grid, dialogs);
    grid->addWidget(ui.lblWarning, 2, 2, 1, 2);
    grid->addWidget(ui.lblLockProblem, 5, 1, 1, 3);
    m_lockGrid = grid;
    return grid;
}

// The box keeps ' " \ out, telling so in the warning row below it; an edit clears a problem
// told about it.
void EncryptionPage::filterScriptText(QLineEdit* text, int warningRow, QGridLayout* grid,
                                      Dialogs& dialogs)
{
    new ScriptTextFilter(text, ui.lblWarning, dialogs, [this, grid, warningRow] {
        grid->removeWidget(ui.lblWarning);
        grid->addWidget(ui.lblWarning, warningRow, 2, 1, 2);
    });
    QObject::connect(text, &QLineEdit::textEdited, ui.lblLockProblem, &QWidget::hide);
}

void EncryptionPage::makePasswordControls()
{
    QWidget* frame = ui.framProtect;
    ui.chkShowPassword = named<QCheckBox>(frame, "chkShowPassword", tr("S&how"));
    ui.lblPwdConfirm = named<QLabel>(frame, "lblPwdConfirm", tr("Again"));
    ui.txtPasswordConfirm = named<QLineEdit>(frame, "txtPasswordConfirm");
    ui.txtPasswordConfirm->setEnabled(false);
    ui.lblPwdConfirm->setBuddy(ui.txtPasswordConfirm);
    ui.txtPasswordConfirm->setMinimumWidth(12 * fontMetrics().averageCharWidth());
    QObject::connect(ui.chkPasswordScript, &QCheckBox::toggled, ui.txtPasswordConfirm,
                     &QLineEdit::setEnabled);
    const auto echo = [this](bool shown) {
        const QLineEdit::EchoMode mode = shown ? QLineEdit::Normal : QLineEdit::Password;
        ui.txtPassword->setEchoMode(mode);
        ui.txtPasswordConfirm->setEchoMode(mode);
    };
    QObject::connect(ui.chkShowPassword, &QCheckBox::toggled, this, echo);
    echo(false);
}

void EncryptionPage::showEncryptInfo()
{
    ui.lblEncryptInfo->setText(
        ui.chkEncrypt->isChecked()
            ? tr("The hidden part is encrypted with a key made from the password: the page "
                 "source holds neither, and visitors type the password once per visit. It does "
                 "not stop those who know the password from copying what the page shows.")
            : tr("Without encryption the password stands in the page source, with the hidden "
                 "part beside it only disguised, not locked: anyone who reads the source can read "
                 "both."));
}

void EncryptionPage::showLockProblem(core::LockText text, const QString& message)
{
    placeLockProblem(text == core::LockText::Domain ? 5 : 11, message);
}

bool EncryptionPage::passwordsDiffer()
{
    if (!ui.chkPasswordScript->isChecked() ||
        ui.txtPassword->text() == ui.txtPasswordConfirm->text()) {
        return false;
    }
    placeLockProblem(17, tr("The two passwords differ. Type the same password in both boxes."));
    return true;
}

void EncryptionPage::placeLockProblem(int row, const QString& message)
{
    m_lockGrid->removeWidget(ui.lblLockProblem);
    m_lockGrid->addWidget(ui.lblLockProblem, row, 1, 1, 3);
    ui.lblLockProblem->setText(message);
    ui.lblLockProblem->show();
}

void EncryptionPage::showSettings(const core::ProtectionSettings& settings)
{
    ui.optProtect[static_cast<std::size_t>(settings.protectMode)]->setChecked(true);
    ui.chkDomainLock->setChecked(settings.domainLock);
    ui.txtLockDomain->setText(QString::fromStdU16String(settings.lockDomain));
    ui.chkURLLock->setChecked(settings.urlLock);
    ui.txtLockURL->setText(QString::fromStdU16String(settings.lockUrl));
    ui.chkPasswordScript->setChecked(settings.passwordProtect);
    // The password is never shown again: it is typed anew.
    ui.txtPassword->clear();
    ui.txtPasswordConfirm->clear();
    ui.chkEncrypt->setChecked(settings.encryptHiddenPart);
    showUnlockChoices(settings.unlockChoices);
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
    readUnlockChoices(settings.unlockChoices);
}

} // namespace quorlane::wizard
