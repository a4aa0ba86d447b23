#include "wizard/AboutBox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include "wizard/Dialogs.h"
#include "wizard/Images.h"
#include "wizard/Rows.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

QString programVersion()
{
    return QStringLiteral(QUORLANE_VERSION);
}

namespace {

// The libraries that the program is linked with, each under its own licence; the Debian
// package's copyright file names the same.
QString licencesText()
{
    return AboutBox::tr(
               "Quorlane uses these libraries, each under its own licence:<ul>"
               "<li>Qt %1 (Qt Base, Qt SVG), The Qt Company Ltd.: GNU Lesser General Public "
               "License version 3 (or GNU General Public License version 2). Qt is linked "
               "dynamically and can be replaced by another build of the same version.</li>"
               "<li>ICU, Unicode, Inc.: the Unicode licence (MIT style).</li>"
               "<li>OpenSSL's libcrypto, The OpenSSL Project Authors: Apache License 2.0.</li>"
               "<li>JSON for Modern C++, Niels Lohmann: MIT.</li>"
               "<li>The GNU C++ library: GNU General Public License version 3 with the GCC "
               "Runtime Library Exception.</li></ul>"
               "Both programs contain the unlock script that pages with an encrypted password "
               "lock carry, built from @noble/ciphers and @noble/hashes by Paul Miller (MIT). "
               "The command-line tool quorlane-cli also contains CLI11 (BSD 3-clause).")
        .arg(QString::fromLatin1(qVersion()));
}

} // namespace

AboutBox::AboutBox(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About %1").arg(productName));
    ui.lblAboutName = named<QLabel>(this, "lblAboutName", productName);
    QFont title = ui.lblAboutName->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.4);
    ui.lblAboutName->setFont(title);
    ui.lblAboutVersion =
        named<QLabel>(this, "lblAboutVersion", tr("Version %1").arg(programVersion()));
    ui.lblAboutCopyRight =
        named<QLabel>(this, "lblAboutCopyRight",
                      tr("Copyright \u00A9 %1. All rights reserved.").arg(productName));
    ui.lblAboutURL = named<LinkLabel>(this, "lblAboutURL", productSite);
    ui.lblAboutURL->setCursor(images::hand());
    ui.lblAboutURL->setStyleSheet(QStringLiteral("color: #1a3fb0;"));
    connect(ui.lblAboutURL, &LinkLabel::clicked, this,
            [this, &dialogs] { dialogs.openOrSay(this, QUrl(productSite)); });
    ui.lblLicences = named<QLabel>(this, "lblLicences", licencesText());
    ui.lblLicences->setTextFormat(Qt::RichText);
    ui.lblLicences->setWordWrap(true);
    ui.cmdAboutQt = named<QPushButton>(this, "cmdAboutQt", tr("About &Qt"));
    connect(ui.cmdAboutQt, &QPushButton::clicked, this, [this] { QMessageBox::aboutQt(this); });
    ui.cmdClose = named<QPushButton>(this, "cmdClose", tr("&Close"));
    ui.cmdClose->setDefault(true);
    connect(ui.cmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto* icon = new QLabel(this);
    icon->setPixmap(images::windowIcon().pixmap(64, 64));
    auto* heading = new QVBoxLayout;
    heading->addWidget(ui.lblAboutName);
    heading->addWidget(ui.lblAboutVersion);
    heading->addWidget(ui.lblAboutCopyRight);
    heading->addWidget(ui.lblAboutURL);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(gapX);
    top->addLayout(heading, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ui.cmdAboutQt);
    buttons->addStretch();
    buttons->addWidget(ui.cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2 * gapX, 2 * gapX, 2 * gapX, 2 * gapY);
    layout->addLayout(top);
    layout->addSpacing(2 * gapY);
    layout->addWidget(ui.lblLicences);
    layout->addSpacing(2 * gapY);
    layout->addLayout(buttons);
    setFixedWidth(440);
}

} // namespace quorlane::wizard
