#include "wizard/CommandLine.h"

#include <QDir>
#include <QFileInfo>

#include "wizard/Dialogs.h"
#include "wizard/PickFilesPage.h"
#include "wizard/ProjectFiles.h"
#include "wizard/frmMain.h"

namespace quorlane::wizard {

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine line;
    const QStringList given = arguments.mid(1);
    if (!given.isEmpty() && given.front() == QStringLiteral("--screenshots")) {
        line.screenshots = given.value(1);
        line.site = given.value(2);
        if (line.screenshots.isEmpty() || given.size() > 3) {
            line.refused = given.value(given.size() > 3 ? 3 : 0);
        }
        return line;
    }
    bool options = true;
    for (const QString& argument : given) {
        if (options && argument == QStringLiteral("--")) {
            options = false;
        } else if (options && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            line.refused = argument;
            return line;
        } else {
            line.paths.push_back(argument);
        }
    }
    return line;
}

bool IsProjectFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.suffix().compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0;
}

void OpenPaths(frmMain& window, Dialogs& dialogs, const QStringList& paths)
{
    QStringList projects;
    QStringList picked;
    QStringList gone;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const QString absolute = QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
        (!info.exists() ? gone : IsProjectFile(path) ? projects : picked).push_back(absolute);
    }
    for (const QString& project : projects) {
        window.projectFiles()->open(project);
    }
    PickFilesPage* pick = window.pickFilesPage();
    if (!picked.isEmpty()) {
        if (projects.isEmpty()) {
            window.ResetWizard();
        }
        QTreeWidgetItem* root = pick->ui.treeFolders->topLevelItem(0);
        for (const QString& path : picked) {
            if (QFileInfo(path).isDir()) {
                pick->AddFolderNode(path, root);
            } else {
                pick->AddFileNode(path, root);
            }
        }
        emit pick->entriesChanged(pick->hasEntries());
        window.ShowPage(1);
    }
    if (!gone.isEmpty()) {
        dialogs.messageWithList(&window, QMessageBox::Warning, window.windowTitle(),
                                QObject::tr("Not opened, since nothing is there:"), gone);
    }
}

} // namespace quorlane::wizard
