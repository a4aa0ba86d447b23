#include "wizard/EncryptionPage.h"

#include <tuple>

#include "core/ProtectionSettings.h"
#include "wizard/Rows.h"
#include "wizard/ScriptTextFilter.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

namespace {

QLabel* wrapped(QLabel* label)
{
    label->setWordWrap(true);
    return label;
}

} // namespace

EncryptionPage::EncryptionPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picFrame_3"));
    ui.lblWhich = wrapped(
        named<QLabel>(this, "lblWhich", tr("Which parts of your page do you want to protect?")));
    const QString captions[4] = {tr("Protect only email links"), tr("Protect all links"),
                                 tr("Protect the body of the page only"),
                                 tr("Protect the whole page")};
    for (int i = 0; i < 4; ++i) {
        ui.optProtect[i] = namedAt<QRadioButton>(this, "optProtect", i, captions[i]);
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
    ui.chkEncrypt =
        named<QCheckBox>(frame, "chkEncrypt", tr("Encrypt the hidden part with the password"));
    ui.chkEncrypt->setEnabled(false);
    ui.lblEncryptInfo = wrapped(named<QLabel>(frame, "lblEncryptInfo"));
    QObject::connect(ui.chkPasswordScript, &QCheckBox::toggled, ui.chkEncrypt,
                     &QCheckBox::setEnabled);
    QObject::connect(ui.chkEncrypt, &QCheckBox::toggled, this, [this] { showEncryptInfo(); });
    showEncryptInfo();

    Rows inner(frame);
    inner.add(ui.lblFull, 0, gapX, 0);
    inner.add(locks, gapY);
    inner.add(ui.chkEncrypt, 0, 2 * gapX, 0);
    inner.add(ui.lblEncryptInfo, 0, 4 * gapX, 0);
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
    ui.chkDomainLock = named<QCheckBox>(frame, "chkDomainLock", tr("Domain lock"));
    ui.lblDomain = named<QLabel>(frame, "lblDomain", tr("Lock to"));
    ui.txtLockDomain = named<QLineEdit>(
        frame, "txtLockDomain", QString::fromStdU16String(std::u16string(core::sampleDomain)));
    ui.chkURLLock = named<QCheckBox>(frame, "chkURLLock", tr("URL lock"));
    ui.lblLockTo = named<QLabel>(frame, "lblLockTo", tr("Lock to"));
    ui.txtLockURL = named<QLineEdit>(
        frame, "txtLockURL", QString::fromStdU16String(std::u16string(core::sampleAddress)));
    ui.chkPasswordScript = named<QCheckBox>(frame, "chkPasswordScript", tr("Password protect"));
    ui.lblPwd = named<QLabel>(frame, "lblPwd", tr("Password"));
    ui.txtPassword = named<QLineEdit>(frame, "txtPassword");
    ui.lblWarning = named<QLabel>(frame, "lblWarning", tr("\\ \" or ' not allowed"));
    ui.lblWarning->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblWarning->hide();

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
    int row = 0;
    for (const auto& [box, label, text] : rows) {
        text->setEnabled(false);
        text->setCursorPosition(0);
        text->setMinimumWidth(12 * fontMetrics().averageCharWidth());
        label->setBuddy(text);
        QObject::connect(box, &QCheckBox::toggled, text, &QLineEdit::setEnabled);
        grid->addWidget(box, row, 0, 1, 3);
        grid->addWidget(label, row + 1, 1);
        grid->addWidget(text, row + 1, 2);
        const int warningRow = row + 2;
        new ScriptTextFilter(text, ui.lblWarning, dialogs, [this, grid, warningRow] {
            grid->removeWidget(ui.lblWarning);
            grid->addWidget(ui.lblWarning, warningRow, 2);
        });
        row += 3;
    }
    grid->addWidget(ui.lblWarning, 2, 2);
    return grid;
}

void EncryptionPage::showEncryptInfo()
{
    ui.lblEncryptInfo->setText(
        ui.chkEncrypt->isChecked()
            ? tr("The hidden part is encrypted with a key made from the password: the page "
                 "source holds neither, and visitors type the password once per visit. It does "
                 "not stop those who know the password from copying what the page shows.")
            : tr("Without encryption the password stands in the page source, and the hidden "
                 "part beside it, merely escaped: anyone who reads the source can read both."));
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

} // namespace quorlane::wizard
