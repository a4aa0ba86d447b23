#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QStandardPaths>

#include "core/FileRecord.h"
#include "wizard/AboutBox.h"
#include "wizard/CommandLine.h"
#include "wizard/Dialogs.h"
#include "wizard/Screenshots.h"
#include "wizard/Translations.h"
#include "wizard/frmMain.h"

namespace {

// The user's own data folder, made when it is not there yet.
QString userFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

// The program's own folder when it can be written to (an unpacked build), else the user's data
// folder, so that an installed program still remembers and has a target folder. An installed
// program, known by its desktop entry under share/ beside its folder, always takes the data
// folder: even where it could (as root), it must not write into the system's program folder.
QString programFolder()
{
    const QString own = QCoreApplication::applicationDirPath();
    const bool installed =
        QFileInfo::exists(own + QStringLiteral("/../share/applications/quorlane.desktop"));
    if (!installed && QFileInfo(own).isWritable()) {
        return own;
    }
    return userFolder();
}

constexpr const char* helpText = QT_TRANSLATE_NOOP(
    "main",
    "Usage: quorlane [PAGE|FOLDER|PROJECT.json...]\n"
    "   or: quorlane --screenshots DIR [SITE]\n"
    "The desktop wizard of Quorlane, which protects web pages against copying: pick page files\n"
    "and folders, choose where the protected pages go, what to hide from view-source and which\n"
    "locks and switches to add, and press Protect.\n"
    "\n"
    "Pages and folders given are added to the list of Pick Files, which is shown; a project\n"
    "file (NAME.json) given opens as Open Project does, and the pages and folders go into its\n"
    "list. Without a project file they start a new list, with the options of the last project.\n"
    "\n"
    "Options:\n"
    "  --screenshots DIR [SITE]  save a picture of each page of the window as DIR/page-N.png,\n"
    "                            and of the results page after protecting a copy of SITE as\n"
    "                            DIR/results.png, then quit\n"
    "  --help                    print this help and quit\n"
    "  --version                 print the version and quit\n"
    "\n"
    "Qt's own options, such as -platform offscreen, are taken as well. The last folder picked\n"
    "is remembered in filepath.txt, and the default target folder is backups, both in the\n"
    "user's data folder (~/.local/share/Quorlane) when the program is installed, else in the\n"
    "program's own folder where it can write there. The last project opened or saved is\n"
    "remembered in lastproject.txt in the user's data folder, whatever the program's folder.\n");

// --help and --version are answered before any window system is needed.
bool answeredAlone(int argc, char** argv)
{
    if (argc != 2) {
        return false;
    }
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(QCoreApplication::translate("main", helpText).toLocal8Bit().constData(), stdout);
        return true;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("quorlane %s\n", quorlane::wizard::programVersion().toUtf8().constData());
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (answeredAlone(argc, argv)) {
        return 0;
    }
    Q_INIT_RESOURCE(resources);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlane"));
    QApplication::setApplicationVersion(quorlane::wizard::programVersion());
    quorlane::wizard::installTranslations(app);
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    QApplication::setFont(font);

    quorlane::wizard::QtDialogs dialogs;
    const QString folder = QDir::toNativeSeparators(programFolder());
    const QString user = QDir::toNativeSeparators(userFolder());
    quorlane::wizard::frmMain window(dialogs, quorlane::core::PathFromText(folder.toStdU16String()),
                                     quorlane::core::PathFromText(user.toStdU16String()),
                                     QDate::currentDate().year());
    const quorlane::wizard::CommandLine line =
        quorlane::wizard::ParseCommandLine(QApplication::arguments());
    if (!line.refused.isEmpty()) {
        std::fprintf(stderr, "quorlane: unexpected argument %s (see quorlane --help)\n",
                     line.refused.toLocal8Bit().constData());
        return 2;
    }
    if (!line.screenshots.isEmpty()) {
        return quorlane::wizard::screenshots(window, line.screenshots, line.site);
    }
    window.placeOnScreen();
    window.show();
    quorlane::wizard::OpenPaths(window, dialogs, line.paths);
    return QApplication::exec();
}
