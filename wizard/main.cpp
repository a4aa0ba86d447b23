#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QScreen>
#include <QStandardPaths>

#include "core/FileRecord.h"
#include "wizard/Dialogs.h"
#include "wizard/frmMain.h"

namespace {

// The program's own folder when it can be written to (an unpacked build), else the user's data
// folder, so that an installed program still remembers and has a target folder.
QString programFolder()
{
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo(own).isWritable()) {
        return own;
    }
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

} // namespace

// quorlane --screenshots DIR [SITE]: each page of the window as DIR/page-N.png, and the
// results page after protecting SITE (copied to a scratch folder first) as DIR/results.png.
int screenshots(quorlane::wizard::frmMain& window, const QString& folder, const QString& site);

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlane"));
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    QApplication::setFont(font);

    quorlane::wizard::QtDialogs dialogs;
    const QString folder = QDir::toNativeSeparators(programFolder());
    quorlane::wizard::frmMain window(dialogs, quorlane::core::PathFromText(folder.toStdU16String()),
                                     QDate::currentDate().year());
    const QStringList args = QApplication::arguments();
    if (args.size() >= 3 && args.at(1) == QStringLiteral("--screenshots")) {
        return screenshots(window, args.at(2), args.size() >= 4 ? args.at(3) : QString());
    }
    window.adjustSize();
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    return QApplication::exec();
}
