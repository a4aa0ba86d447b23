#include "wizard/WelcomePage.h"

#include <QHBoxLayout>

#include "wizard/AboutBox.h"
#include "wizard/Dialogs.h"
#include "wizard/Images.h"
#include "wizard/Rows.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

namespace {

QLabel* wrapped(QLabel* label)
{
    label->setWordWrap(true);
    return label;
}

} // namespace

WelcomePage::WelcomePage(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picFrame_0"));
    ui.lblWelcome = named<QLabel>(this, "lblWelcome", tr("Welcome"));
    QFont heading = ui.lblWelcome->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.4);
    ui.lblWelcome->setFont(heading);
    ui.lblVersion = named<QLabel>(this, "lblVersion", tr("Version %1").arg(programVersion()));
    ui.lblCopyRight =
        wrapped(named<QLabel>(this, "lblCopyRight", tr("Copyright \u00A9 %1").arg(productName)));
    ui.lblURL = named<QLabel>(this, "lblURL", tr("Website:"));
    ui.HyperLink21 = named<LinkLabel>(this, "HyperLink21", productName);
    ui.HyperLink21->setCursor(images::hand());
    ui.HyperLink21->setStyleSheet(QStringLiteral("color: #1a3fb0;"));
    ui.imgMain = named<QLabel>(this, "imgMain");
    ui.imgMain->setPixmap(images::welcome());
    ui.lblComment = wrapped(named<QLabel>(
        this, "lblComment",
        tr("Please follow the on-screen instructions, clicking Next when finished on each page. "
           "To return to the previous page at any time, click Back.")));
    ui.lblBanner = wrapped(named<QLabel>(
        this, "lblBanner",
        tr("Every protected page without frames gets a banner at its top and its bottom that "
           "reads \"This webpage was protected by %1\" and links to the %1 website.")
            .arg(productName)));
    QObject::connect(ui.HyperLink21, &LinkLabel::clicked, this,
                     [this, &dialogs] { dialogs.openOrSay(window(), QUrl(productSite)); });

    Rows rows(this);
    rows.add(ui.lblWelcome, gapY, gapX, gapX);
    rows.add(ui.lblVersion, gapY, gapX, gapX);
    rows.add(ui.lblCopyRight, gapY, gapX, gapX);
    auto* link = new QHBoxLayout;
    link->setContentsMargins(gapX, 0, gapX, 0);
    link->setSpacing(gapX / 2);
    link->addWidget(ui.lblURL);
    link->addWidget(ui.HyperLink21);
    link->addStretch();
    rows.add(link, gapY);
    rows.add(ui.imgMain, 4 * gapY, 0, 0, Qt::AlignHCenter);
    rows.add(ui.lblComment, 4 * gapY, 2 * gapX, 4 * gapX);
    rows.add(ui.lblBanner, gapY, 2 * gapX, 4 * gapX);
    rows.addStretch();
}

} // namespace quorlane::wizard
