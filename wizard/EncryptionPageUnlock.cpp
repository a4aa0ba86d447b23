// The unlock form's choices on the Encryption page: how long "remember me" keeps the key, and
// the form's texts and colours.
#include <QHBoxLayout>
#include <QHeaderView>

#include "core/Utf8.h"
#include "wizard/EncryptionPage.h"
#include "wizard/Rows.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

namespace {

QStringList unlockTextNames()
{
    return QString::fromStdString(core::UnlockTextNames()).split(QStringLiteral(", "));
}

} // namespace

QLayout* EncryptionPage::makeUnlockControls()
{
    QWidget* frame = ui.framProtect;
    ui.chkRememberDays =
        named<QCheckBox>(frame, "chkRememberDays", tr("Offer \"Remember me on this device\" for"));
    ui.spnRememberDays = named<QSpinBox>(frame, "spnRememberDays");
    ui.spnRememberDays->setRange(1, static_cast<int>(core::maximumRememberDays));
    ui.spnRememberDays->setValue(30);
    ui.spnRememberDays->setSuffix(tr(" days"));
    ui.spnRememberDays->setEnabled(false);
    QObject::connect(ui.chkRememberDays, &QCheckBox::toggled, ui.spnRememberDays,
                     &QSpinBox::setEnabled);
    ui.lblUnlockTexts = wrapped(named<QLabel>(
        frame, "lblUnlockTexts",
        tr("Texts and colours of the form that asks visitors for the password (empty: the "
           "English default):")));
    const QStringList names = unlockTextNames();
    ui.tblUnlockTexts = named<QTableWidget>(frame, "tblUnlockTexts", names.size(), 2);
    ui.tblUnlockTexts->setHorizontalHeaderLabels({tr("Name"), tr("Text")});
    ui.tblUnlockTexts->verticalHeader()->hide();
    ui.tblUnlockTexts->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < names.size(); ++row) {
        auto* name = new QTableWidgetItem(names[row]);
        name->setFlags(Qt::ItemIsEnabled);
        ui.tblUnlockTexts->setItem(row, 0, name);
        ui.tblUnlockTexts->setItem(row, 1, new QTableWidgetItem);
    }
    for (QWidget* control :
         {static_cast<QWidget*>(ui.chkRememberDays), static_cast<QWidget*>(ui.tblUnlockTexts)}) {
        control->setEnabled(false);
        QObject::connect(ui.chkEncrypt, &QCheckBox::toggled, control, &QWidget::setEnabled);
    }
    auto* remember = new QHBoxLayout;
    remember->setContentsMargins(4 * gapX, 0, 2 * gapX, 0);
    remember->addWidget(ui.chkRememberDays);
    remember->addWidget(ui.spnRememberDays);
    remember->addStretch();
    return remember;
}

void EncryptionPage::readUnlockChoices(core::UnlockChoices& choices) const
{
    choices.rememberDays = ui.chkRememberDays->isChecked()
                               ? static_cast<std::uint32_t>(ui.spnRememberDays->value())
                               : 0;
    choices.texts.clear();
    for (int row = 0; row < ui.tblUnlockTexts->rowCount(); ++row) {
        const QString text = ui.tblUnlockTexts->item(row, 1)->text();
        if (!text.isEmpty()) {
            choices.texts[ui.tblUnlockTexts->item(row, 0)->text().toStdU16String()] =
                text.toStdU16String();
        }
    }
}

void EncryptionPage::showUnlockChoices(const core::UnlockChoices& choices)
{
    ui.chkRememberDays->setChecked(choices.rememberDays > 0);
    if (choices.rememberDays > 0) {
        ui.spnRememberDays->setValue(static_cast<int>(choices.rememberDays));
    }
    for (int row = 0; row < ui.tblUnlockTexts->rowCount(); ++row) {
        const auto found =
            choices.texts.find(ui.tblUnlockTexts->item(row, 0)->text().toStdU16String());
        ui.tblUnlockTexts->item(row, 1)->setText(
            found == choices.texts.end() ? QString() : QString::fromStdU16String(found->second));
    }
}

std::optional<QString> EncryptionPage::unlockTextProblem() const
{
    if (!ui.chkEncrypt->isChecked()) {
        return std::nullopt;
    }
    core::UnlockChoices choices;
    readUnlockChoices(choices);
    for (const auto& [name, text] : choices.texts) {
        if (const auto why = core::UnlockTextRefusal(name, text)) {
            return QString::fromStdU16String(name) + QStringLiteral(": ") +
                   QString::fromStdString(*why);
        }
    }
    return std::nullopt;
}

} // namespace quorlane::wizard
