#include "wizard/Screenshots.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "wizard/Dialogs.h"
#include "wizard/frmMain.h"

namespace quorlane::wizard {

namespace {

bool copyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QFileInfo& entry :
         QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !copyTree(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target)) {
            return false;
        }
    }
    return true;
}

bool save(QWidget& window, const QString& file)
{
    QApplication::processEvents();
    return window.grab().save(file);
}

} // namespace

int screenshots(frmMain& window, const QString& folder, const QString& site)
{
    QDir().mkpath(folder);
    window.resize(window.sizeHint());
    window.show();
    QTemporaryDir scratch;
    const QString copy = scratch.path() + QStringLiteral("/site");
    if (!site.isEmpty()) {
        if (!copyTree(site, copy)) {
            return 1;
        }
        window.ShowPage(1);
        window.findChild<QPushButton*>(QStringLiteral("cmdNext"))->setEnabled(true);
        auto* pick = window.pickFilesPage();
        pick->AddFolderNode(QDir::toNativeSeparators(copy), pick->ui.treeFolders->topLevelItem(0));
        emit pick->entriesChanged(true);
        while (pick->counting()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    }
    for (int page = 0; page <= frmMain::lastPage; ++page) {
        window.ShowPage(page);
        if (!save(window, QStringLiteral("%1/page-%2.png").arg(folder).arg(page))) {
            return 1;
        }
    }
    if (site.isEmpty()) {
        return 0;
    }
    window.ShowPage(frmMain::lastPage);
    QEventLoop running;
    QObject::connect(&window, &frmMain::runEnded, &running, &QEventLoop::quit);
    window.findChild<QPushButton*>(QStringLiteral("cmdNext"))->click();
    if (window.running()) {
        running.exec();
    }
    // Restart is shown as it is once it takes clicks, a moment after the run.
    QTimer::singleShot(QApplication::doubleClickInterval() + 100, &running, &QEventLoop::quit);
    running.exec();
    return save(window, folder + QStringLiteral("/results.png")) ? 0 : 1;
}

} // namespace quorlane::wizard
