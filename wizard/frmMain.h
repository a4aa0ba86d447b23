#pragma once

#include <array>
#include <memory>
#include <optional>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QWidget>

#include "core/ProtectionSettings.h"
#include "run/Restore.h"
#include "wizard/EncryptionPage.h"
#include "wizard/Images.h"
#include "wizard/LinkLabel.h"
#include "wizard/PickFilesPage.h"
#include "wizard/ResultsPage.h"
#include "wizard/RunView.h"
#include "wizard/ScriptsPage.h"
#include "wizard/StoreFilesPage.h"
#include "wizard/WelcomePage.h"
#include "wizard/Widgets.h"
#include "wizard/WizardRunHost.h"

namespace quorlane::wizard {

class AboutBox;
class Dialogs;
class ProjectFiles;
class RunThread;

// Where the wizard stands; the Next button's caption says it.
enum class WizardState
{
    Editing,  // pages 0 to 4: "Next"
    Ready,    // page 5, before a run: "Protect"
    Running,  // a run is at work: "Cancel"
    Finished, // the run is over: "Restart"
};

// The wizard's one window: the page list on the left, six pages, and Exit, Back and Next.
// frmMain.cpp holds the frame and its navigation; frmMainChecks.cpp the checks before Protect,
// frmMainRun.cpp the run, frmMainUndo.cpp the Undo of the last run.
class frmMain : public QWidget, private RunWindow
{
    Q_OBJECT
public:
    static constexpr int lastPage = 5;

    // programFolder: the program's own folder (the remembered folder, the default target);
    // userFolder: the user's own data folder, where the last project is remembered, so that
    // another user of the same program never opens it.
    frmMain(Dialogs& dialogs, core::PathString programFolder, core::PathString userFolder,
            int currentYear, QWidget* parent = nullptr);
    // A run at work is cancelled, and its page at work finished, first.
    ~frmMain() override;

    void ShowPage(int page);
    void ResetWizard();

    int currentPage() const { return m_currentPage; }
    WizardState state() const { return m_state; }
    bool running() const { return m_state == WizardState::Running; }
    // Whether the run waits at a page boundary while a question about stopping it is open.
    bool runWaiting() const;
    // The choices of the option pages.
    core::ProtectionSettings settings() const;

    WelcomePage* welcomePage() const { return m_welcome; }
    PickFilesPage* pickFilesPage() const { return m_pickFiles; }
    StoreFilesPage* storeFilesPage() const { return m_storeFiles; }
    EncryptionPage* encryptionPage() const { return m_encryption; }
    ScriptsPage* scriptsPage() const { return m_scripts; }
    ResultsPage* resultsPage() const { return m_results; }
    ProjectFiles* projectFiles() const { return m_projectFiles; }

    // Sizes the window to its pages, as far as the screen it is on has room with the window's
    // frame and task bars, and centres it. Once shown, when the frame proves larger than
    // guessed, the window is placed again.
    void placeOnScreen();

signals:
    // A run has ended and the window shows how it went.
    void runEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What the view of the run asks of the window.
    ResultsPage& runResults() override { return *m_results; }
    void runBegun() override;
    void showRefusedField(run::LockField field) override;
    void tellRunEnd(const QString& text) override;

    QWidget* makePageList();
    // The frame the window manager puts around the window, or a title bar while it is not known.
    QMargins frame() const;
    void setState(WizardState state);
    void focusFirstControl(QWidget* page);
    void cmdNextClicked();
    void showAbout();
    // replaceOthersFiles: a copy may replace files in its target folder that no run wrote.
    void protect(bool replaceOthersFiles = false);
    void askToReplaceOthers(const run::Refusal& refusal);
    // Shows what the run has told since last time; at its return, ends it.
    void takeRunEvents();
    void endRun();
    // A question about stopping the run at work: the run waits before its next page until the
    // answer, and Yes cancels it there. The run's end, when it comes meanwhile, waits for the
    // answer too.
    bool askDuringRun(const QString& question);
    // A lock that cannot work: its field is shown with the reason.
    bool lockRefused();
    // A field the run would refuse: its page is shown, the field focused, the reason told.
    bool fieldRefused();
    // Picked folders or files that are no longer there: Pick Files is shown, and they are named.
    bool goneRefused();
    // A pattern of the Leave out box that names no file: told below the box, which is focused.
    bool excludeRefused();
    // The password typed twice, differently: told below the boxes, the second one focused.
    bool passwordsDiffer();
    // A text or colour of the unlock form that cannot be: the Encryption page and the reason.
    bool unlockTextRefused();
    void showField(run::LockField field);
    void showFindings();
    // Asks before pages, or protected_ files of an earlier run, are written over.
    bool confirmReplacing();
    void undoRun();
    // An undo that another run holds up, or whose record cannot be used: told, and true.
    bool undoRefused(const run::RestoreReport& report);
    void setRunLocked(bool locked);
    void CheckEnableDisableNextButton(bool hasEntries);
    // Next, as Restart right after a run, waits out a double click's second click, which was
    // meant for Protect.
    void guardNext();
    void endNextGuard();
    void nextEnabled(bool enabled);
    void restart();

    Dialogs& m_dialogs;
    QLabel* m_lblMain = nullptr;
    std::array<QFrame*, 6> m_picPos{};
    std::array<QLabel*, 6> m_imgLink{};
    std::array<QLabel*, 6> m_imgLinkB{};
    std::array<LinkLabel*, 6> m_lnkFrame{};
    QStackedWidget* m_pages = nullptr;
    WelcomePage* m_welcome = nullptr;
    PickFilesPage* m_pickFiles = nullptr;
    StoreFilesPage* m_storeFiles = nullptr;
    EncryptionPage* m_encryption = nullptr;
    ScriptsPage* m_scripts = nullptr;
    ResultsPage* m_results = nullptr;
    ProjectFiles* m_projectFiles = nullptr;
    QPushButton* m_cmdExit = nullptr;
    QPushButton* m_cmdAbout = nullptr;
    AboutBox* m_about = nullptr;
    QPushButton* m_cmdPrev = nullptr;
    QPushButton* m_cmdNext = nullptr;

    int m_currentPage = 0;
    WizardState m_state = WizardState::Editing;
    std::unique_ptr<RunView> m_runView;
    std::unique_ptr<RunThread> m_run;
    std::optional<RunReturned> m_runReturned; // a run's return, waiting to be shown
    bool m_asking = false;
    bool m_takingEvents = false;
    bool m_moreEvents = false;
    bool m_closeAfterRun = false;
    bool m_placeWithFrame = false; // placed with a guessed frame: placed again with the real one
    QTimer m_nextGuard;
    bool m_nextHadFocus = false;
    core::PathString m_lastManifest; // of the last run, for Undo
    bool m_undoneInPart = false;     // an undo left files that a second one may yet change
};

} // namespace quorlane::wizard
