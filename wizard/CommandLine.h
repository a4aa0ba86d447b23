#pragma once

#include <QString>
#include <QStringList>

namespace quorlane::wizard {

class Dialogs;
class frmMain;

// What the wizard's command line asks for, after Qt has taken its own options:
// quorlane [PAGE|FOLDER|PROJECT.json...] or quorlane --screenshots DIR [SITE].
struct CommandLine
{
    QStringList paths;   // pages, folders and project files to open
    QString screenshots; // the folder for the pictures of --screenshots; empty without it
    QString site;        // the site --screenshots protects
    QString refused;     // an argument that is no option of the program; empty when all are
};

// arguments: the program's arguments, the program's name first.
CommandLine ParseCommandLine(const QStringList& arguments);

// Whether path names a project file: a file whose name ends in .json, the projects' extension.
bool IsProjectFile(const QString& path);

// Opens paths as the user would in the window: a project file as Open Project does; pages and
// folders added to the pick list (of the project given with them, else of a new job, which
// keeps the options the window shows) and Pick Files shown. Paths that are not there are named
// in one message.
void OpenPaths(frmMain& window, Dialogs& dialogs, const QStringList& paths);

} // namespace quorlane::wizard
