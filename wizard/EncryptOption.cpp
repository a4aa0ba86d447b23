#include "wizard/Pages.h"
#include "wizard/Rows.h"

namespace quorlane::wizard {

namespace {

const char* const clearInfo =
    "Without encryption the password stands in the page source, and the hidden part beside it, "
    "merely escaped: anyone who reads the source can read both.";
const char* const encryptedInfo =
    "The hidden part is encrypted with a key made from the password: the page source holds "
    "neither, and visitors type the password once per visit. It does not stop those who know "
    "the password from copying what the page shows.";

} // namespace

void EncryptionPage::addEncryptOption(Rows& rows, QWidget* frame)
{
    ui.chkEncrypt = named<QCheckBox>(frame, "chkEncrypt",
                                     QStringLiteral("Encrypt the hidden part with the password"));
    ui.chkEncrypt->setEnabled(false);
    ui.lblEncryptInfo = named<QLabel>(frame, "lblEncryptInfo");
    ui.lblEncryptInfo->setWordWrap(true);
    QObject::connect(ui.chkPasswordScript, &QCheckBox::toggled, ui.chkEncrypt,
                     &QCheckBox::setEnabled);
    QObject::connect(ui.chkEncrypt, &QCheckBox::toggled, this, [this] { showEncryptInfo(); });
    showEncryptInfo();
    rows.add(ui.chkEncrypt, 0, 2 * gapX, 2 * gapX);
    rows.add(ui.lblEncryptInfo, 0, 4 * gapX, 0);
}

void EncryptionPage::showEncryptInfo()
{
    ui.lblEncryptInfo->setText(
        QString::fromLatin1(ui.chkEncrypt->isChecked() ? encryptedInfo : clearInfo));
}

} // namespace quorlane::wizard
