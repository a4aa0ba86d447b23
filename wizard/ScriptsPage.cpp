#include "wizard/ScriptsPage.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "wizard/Rows.h"
#include "wizard/ScriptTextFilter.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

namespace {

// Each switch's sentence, then what it does in today's browsers, as the browser tests measured
// it (docs/browsers.md).
constexpr const char* scriptInfo[core::scriptOptionCount] = {
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop the user from right clicking on your page. This would stop them "
                      "getting to view source.\nToday: works, the warning shows."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop the user from highlighting your text, thus stopping them from "
                      "copying and pasting text.\nToday: works, forms still take clicks and "
                      "keys, but copying inside them is blocked too."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "The user must be viewing the page online, not saved on their PC or "
                      "while they are offline.\nToday: works, a page opened from disk stays "
                      "blank."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop the URL of the link showing in the status bar along the bottom "
                      "of Internet Explorer.\nToday: no effect, browsers still show the "
                      "link's address."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop the user from printing out your page.\nToday: works, the "
                      "printout is blank."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop copy and paste working on your site, and stop print screen from "
                      "taking screenshots.\nToday: partly, copy and cut are cancelled "
                      "outside forms; print screen is not stopped."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop elements being dragged from or onto the page, e.g. images or "
                      "text.\nToday: works, dragging from the page is cancelled."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop Adobe Acrobat Web Capture from converting your page into a PDF "
                      "file.\nToday: no effect."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop users of Opera-based browsers from viewing your site (as they "
                      "can avoid some script protection).\nToday: works, old and new Opera "
                      "are turned away."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "If the page has been loaded inside a frame of someone else\u2019s "
                      "site, it breaks out of the frame and shows itself alone.\nToday: "
                      "partly, it leaves frames of your own site; browsers keep it inside "
                      "another site's frame."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop the Image Toolbar from showing over your images.\nToday: partly, "
                      "it only blocks the right click on images."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Stop users of Netscape-based browsers from viewing your site (as they "
                      "can avoid some script protection).\nToday: works, Firefox is turned "
                      "away; other browsers are let in."),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage",
                      "Immediately expire your web page.\nToday: no effect, going back does "
                      "not reload the page."),
};

constexpr const char* scriptCaptions[core::scriptOptionCount] = {
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable right mouse click"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable text highlighting"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable offline browsing"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Don't display URLs in status bar"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable printing of pages"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable clipboard and printscreen"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable drag and drop"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable Adobe Acrobat web capture"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable Opera users"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Break out of frames"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable IE Image Toolbar"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Disable Netscape users (Mozilla/Firefox)"),
    QT_TRANSLATE_NOOP("quorlane::wizard::ScriptsPage", "Immediate page expiry"),
};

} // namespace

ScriptsPage::ScriptsPage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picFrame_4"));
    ui.lblAddScripts =
        named<QLabel>(this, "lblAddScripts", tr("Do you wish to add any additional scripts?"));
    ui.lblAddScripts->setWordWrap(true);
    for (int i = 0; i < core::scriptOptionCount; ++i) {
        ui.chkScript[i] = namedAt<QCheckBox>(this, "chkScript", i, tr(scriptCaptions[i]));
        ui.chkScript[i]->installEventFilter(this);
        ui.chkScript[i]->setMouseTracking(true);
        QObject::connect(ui.chkScript[i], &QCheckBox::clicked, this,
                         [this, i] { chkScriptClicked(i); });
    }
    ui.chkRightMouse = named<QCheckBox>(this, "chkRightMouse", tr("Show warning"));
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
                ui.lblScriptInfo->setText(tr(scriptInfo[i]));
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
