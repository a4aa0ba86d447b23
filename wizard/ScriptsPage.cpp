#include "wizard/ScriptsPage.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "wizard/Rows.h"
#include "wizard/ScriptTextFilter.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

ScriptsPage::ScriptsPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picFrame_4"));
    ui.lblAddScripts =
        named<QLabel>(this, "lblAddScripts", tr("Do you wish to add any additional scripts?"));
    ui.lblAddScripts->setWordWrap(true);
    for (int i = 0; i < core::scriptOptionCount; ++i) {
        ui.chkScript[i] =
            namedFor<QCheckBox>(this, run::WordOf(static_cast<core::ScriptOption>(i)));
        ui.chkScript[i]->installEventFilter(this);
        ui.chkScript[i]->setMouseTracking(true);
        QObject::connect(ui.chkScript[i], &QCheckBox::clicked, this,
                         [this, i] { chkScriptClicked(i); });
    }
    ui.chkRightMouse = namedFor<QCheckBox>(this, run::WordOf(run::SettingOption::Warning));
    ui.chkRightMouse->setEnabled(false);
    ui.txtRightClickWarning =
        named<QLineEdit>(this, "txtRightClickWarning",
                         QString::fromStdU16String(std::u16string(core::defaultWarningText)));
    ui.txtRightClickWarning->setEnabled(false);
    ui.txtRightClickWarning->setMinimumWidth(12 * fontMetrics().averageCharWidth());
    ui.lblWarning2 = named<QLabel>(this, "lblWarning2", tr("\\ \" or ' not allowed"));
    ui.lblWarning2->setStyleSheet(QStringLiteral("color: #b00000;"));
    ui.lblWarning2->hide();
    new ScriptTextFilter(ui.txtRightClickWarning, ui.lblWarning2, dialogs);
    ui.framScript = named<QGroupBox>(this, "framScript", tr("Information"));
    ui.lblScriptInfo = named<QLabel>(ui.framScript, "lblScriptInfo");
    ui.lblScriptInfo->setWordWrap(true);
    ui.lblScriptInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui.lblScriptInfo->setMinimumHeight(5 * fontMetrics().height());
    QObject::connect(ui.chkRightMouse, &QCheckBox::toggled, ui.txtRightClickWarning,
                     &QLineEdit::setEnabled);
    // Tab takes the warning row where it stands, after the first box.
    setTabOrder(ui.chkScript[0], ui.chkRightMouse);
    setTabOrder(ui.chkRightMouse, ui.txtRightClickWarning);
    setTabOrder(ui.txtRightClickWarning, ui.chkScript[1]);

    auto* info = new QVBoxLayout(ui.framScript);
    info->setContentsMargins(gapX, gapY, gapX, gapY);
    info->addWidget(ui.lblScriptInfo);
    Rows rows(this);
    rows.add(ui.lblAddScripts, gapY, gapX, gapX);
    rows.add(ui.chkScript[0], gapY, 2 * gapX, gapX);
    auto* warning = new QHBoxLayout;
    warning->setContentsMargins(4 * gapX, 0, 2 * gapX, 0);
    warning->setSpacing(gapX / 2);
    warning->addWidget(ui.chkRightMouse);
    warning->addWidget(ui.txtRightClickWarning, 1);
    rows.add(warning, gapY / 2);
    // Right below the text box, taking its place only while it shows.
    auto* refused = new QHBoxLayout;
    refused->setContentsMargins(4 * gapX, 0, 2 * gapX, 0);
    refused->addSpacing(ui.chkRightMouse->sizeHint().width() + gapX / 2);
    refused->addWidget(ui.lblWarning2, 1);
    rows.add(refused, 0);
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

// The information follows the mouse, and the focus when Tab or the arrow keys move it.
bool ScriptsPage::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove || type == QEvent::Enter || type == QEvent::FocusIn) {
        for (int i = 0; i < core::scriptOptionCount; ++i) {
            if (watched == ui.chkScript[i]) {
                // Each switch's sentence, then what it does in today's browsers.
                ui.lblScriptInfo->setText(
                    translated(run::WordOf(static_cast<core::ScriptOption>(i)).info));
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ScriptsPage::showSettings(const core::ProtectionSettings& settings)
{
    ui.chkRightMouse->setChecked(settings.rightClickWarning);
    ui.txtRightClickWarning->setText(QString::fromStdU16String(settings.rightClickWarningText));
    const auto wanted = [&](int i) {
        return settings.scriptSwitches.has(static_cast<core::ScriptOption>(i));
    };
    // Ticked as a click would, so that what follows a box follows it now too (the page may be
    // disabled while another is shown, and a disabled box takes no click).
    for (int i = 0; i < core::scriptOptionCount; ++i) {
        ui.chkScript[i]->setChecked(wanted(i));
        chkScriptClicked(i);
    }
    // A click on one switch may tick another; the settings say how each one stands.
    for (int i = 0; i < core::scriptOptionCount; ++i) {
        ui.chkScript[i]->setChecked(wanted(i));
    }
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
