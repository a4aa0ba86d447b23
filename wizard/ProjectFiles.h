#pragma once

#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QString>

#include "core/ProtectionSettings.h"
#include "run/ProjectFile.h"

namespace quorlane::wizard {

class Dialogs;
class frmMain;

// The window's project files: Open, Save and Save As on the Welcome page, the project last
// opened or saved opened again at start, and the two choices of the encrypted lock that no page
// shows (its iteration count and whether it keeps the key for the visit), as the project gave
// them. A project holds the picked pages and folders and every option, never the password.
class ProjectFiles : public QObject
{
    Q_OBJECT
public:
    // The buttons go into bar; the last project is remembered in userFolder.
    ProjectFiles(frmMain& window, Dialogs& dialogs, core::PathString userFolder, QWidget* bar);

    // Opens the project last used, if there still is one; a failure is told beside the buttons.
    void openRemembered();
    // Sets the picked list and every option from the project file; false, with a message, when
    // it cannot be read.
    bool open(const QString& file);
    // Writes the choices to the current project file, or asks for one.
    bool save();
    bool saveAs();
    const QString& currentFile() const { return m_file; }
    // The window starts over with no pages: no project is current any more, so that saving
    // asks for a file. The last project still opens at the next start.
    void startOver();

    // What would lose the choices made since the project was opened or saved.
    enum class Before
    {
        Opening,    // another project: asked even when none is current, as the choices go
        Restarting, // the window starts over: asked when a project is current
        Quitting,   // asked when a project is current
    };
    // Whether there are changes to offer for saving before that.
    bool unsaved(Before before) const;
    // Offers them for saving, and saves them when told; false when the user would rather stay,
    // or saving failed.
    bool offerToSave(Before before);

    // The choices no page shows.
    void readInto(core::ProtectionSettings& settings) const;

    struct Ui
    {
        QPushButton* cmdOpenProject;
        QPushButton* cmdSaveProject;
        QPushButton* cmdSaveProjectAs;
        QLabel* lblProject;
    } ui;

private:
    run::Project collect() const;
    void apply(const run::Project& project);
    bool saveTo(const QString& file);
    void setCurrent(const QString& file);
    // The choices as they stand are those of the project, or of a fresh start.
    void markSaved();
    QString startFolder() const;
    // Where Save As proposes the project: never inside a picked folder, or beside a picked page,
    // where it would be published with the site.
    QString proposedFile() const;

    frmMain& m_window;
    Dialogs& m_dialogs;
    core::PathString m_userFolder;
    QString m_file;
    run::Project m_saved; // the choices when the project was opened or saved
    std::uint32_t m_kdfIterations = core::defaultKdfIterations;
    bool m_rememberUnlock = true;
    std::u16string m_unlockTemplate; // the owner's own unlock form, edited outside the wizard
    std::string m_failOn; // what stops the command line's runs: kept as the project has it
};

} // namespace quorlane::wizard
