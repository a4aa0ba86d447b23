#pragma once

#include <array>

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QWidget>

#include "core/ProtectionSettings.h"
#include "wizard/Pages.h"
#include "wizard/PickFilesPage.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

class AboutBox;
class Dialogs;

// The wizard's one window: the page list on the left, six pages, and Exit, Back and Next.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    static constexpr int lastPage = 5;

    frmMain(Dialogs& dialogs, core::PathString programFolder, int currentYear,
            QWidget* parent = nullptr);

    void ShowPage(int page);
    void ResetWizard();

    int currentPage() const { return m_currentPage; }
    bool cancelRequested() const { return m_cancelRequested; }
    bool running() const { return m_running; }
    // The choices of the option pages.
    core::ProtectionSettings settings() const;

    WelcomePage* welcomePage() const { return m_welcome; }
    PickFilesPage* pickFilesPage() const { return m_pickFiles; }
    StoreFilesPage* storeFilesPage() const { return m_storeFiles; }
    EncryptionPage* encryptionPage() const { return m_encryption; }
    ScriptsPage* scriptsPage() const { return m_scripts; }
    ResultsPage* resultsPage() const { return m_results; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class WizardRunHost;
    static inline const QString restartCaption = QStringLiteral("&Restart");

    QWidget* makePageList();
    void cmdNextClicked();
    void showAbout();
    void protect();
    // A lock that cannot work: its field is shown with the reason.
    bool lockRefused();
    void showFindings();
    void undoRun();
    void setRunLocked(bool locked);
    void CheckEnableDisableNextButton(bool hasEntries);

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
    QPushButton* m_cmdExit = nullptr;
    QPushButton* m_cmdAbout = nullptr;
    AboutBox* m_about = nullptr;
    QPushButton* m_cmdPrev = nullptr;
    QPushButton* m_cmdNext = nullptr;

    int m_currentPage = 0;
    bool m_cancelRequested = false;
    bool m_running = false;
    bool m_closeAfterRun = false;
    core::PathString m_lastManifest; // of the last run, for Undo
};

} // namespace quorlane::wizard
