#pragma once

#include <array>
#include <functional>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWidget>

#include "core/ProtectionSettings.h"
#include "wizard/Widgets.h"

namespace quorlane::wizard {

class Dialogs;
class Rows;

// Spacing of every page: 6 pixels down, 12 across.
inline constexpr int gapY = 6;
inline constexpr int gapX = 12;

// Page 0.
class WelcomePage : public QWidget
{
public:
    WelcomePage(Dialogs& dialogs, QWidget* parent = nullptr);

    struct Ui
    {
        QLabel* lblWelcome;
        QLabel* lblVersion;
        QLabel* lblCopyRight;
        QLabel* lblURL;
        LinkLabel* HyperLink21;
        QLabel* imgMain;
        QLabel* lblComment;
        QWidget* framProject; // Open, Save and Save As of project files
    } ui;
};

// Page 2: where protected pages go, and the copyright notice.
class StoreFilesPage : public QWidget
{
public:
    StoreFilesPage(Dialogs& dialogs, QWidget* parent = nullptr);
    void readInto(core::ProtectionSettings& settings) const;
    // The information text of the first save option, as after a reset.
    void resetInformation();
    void setDefaults(const core::ProtectionSettings& defaults);
    void setRememberedFolderSource(std::function<QString()> source) { m_remembered = source; }

    struct Ui
    {
        QLabel* lblWhere;
        std::array<QRadioButton*, 3> optSave;
        QCheckBox* chkBackups;
        QLineEdit* txtSaveDir;
        QPushButton* cmdSelectDirectory;
        QCheckBox* chkPagesOnly;
        QGroupBox* frmInfo;
        QLabel* lblOutputInfo;
        QLabel* lblWould;
        QCheckBox* chkCopyrightNotice;
        QLineEdit* txtCopyrightNotice;
        QLabel* lblNoticeWarning; // shown while the notice could end its comment
    } ui;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void optSaveClicked(int index);
    void selectDirectory();
    void checkNotice();

    Dialogs& m_dialogs;
    QButtonGroup m_group;
    std::function<QString()> m_remembered;
};

// Page 3: what to hide, and the locks.
class EncryptionPage : public QWidget
{
public:
    EncryptionPage(Dialogs& dialogs, QWidget* parent = nullptr);
    void readInto(core::ProtectionSettings& settings) const;

    struct Ui
    {
        QLabel* lblWhich;
        std::array<QRadioButton*, 4> optProtect;
        QFrame* framProtect;
        QLabel* lblFull;
        QCheckBox* chkDomainLock;
        QLabel* lblDomain;
        QLineEdit* txtLockDomain;
        QCheckBox* chkURLLock;
        QLabel* lblLockTo;
        QLineEdit* txtLockURL;
        QCheckBox* chkPasswordScript;
        QLabel* lblPwd;
        QLineEdit* txtPassword;
        QLabel* lblInfo;
        QLabel* lblWarning;
        QCheckBox* chkEncrypt;
        QLabel* lblEncryptInfo;
    } ui;

private:
    // The encryption box under the password, and the text that says what it does.
    void addEncryptOption(Rows& rows, QWidget* frame);
    void showEncryptInfo();

    QButtonGroup m_group;
};

// Page 4: the behaviour switches and the right-click warning.
class ScriptsPage : public QWidget
{
public:
    ScriptsPage(Dialogs& dialogs, QWidget* parent = nullptr);
    void readInto(core::ProtectionSettings& settings) const;

    struct Ui
    {
        QLabel* lblAddScripts;
        std::array<QCheckBox*, core::scriptOptionCount> chkScript;
        QCheckBox* chkRightMouse;
        QLineEdit* txtRightClickWarning;
        QLabel* lblWarning2;
        QGroupBox* framScript;
        QLabel* lblScriptInfo;
    } ui;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chkScriptClicked(int index);
};

} // namespace quorlane::wizard
