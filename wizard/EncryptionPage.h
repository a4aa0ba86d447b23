#pragma once

#include <array>
#include <optional>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QWidget>

#include "core/LockTargets.h"
#include "core/ProtectionSettings.h"

namespace quorlane::wizard {

class Dialogs;

// Page 3: what to hide, and the locks.
class EncryptionPage : public QWidget
{
    Q_OBJECT
public:
    EncryptionPage(Dialogs& dialogs, QWidget* parent = nullptr);
    void readInto(core::ProtectionSettings& settings) const;
    // Shows the settings of this page, as readInto reads them, but for the password, which is
    // never shown again.
    void showSettings(const core::ProtectionSettings& settings);
    // Why a lock cannot work, shown below its box until the box is edited or the lock unticked.
    void showLockProblem(core::LockText text, const QString& message);
    // The password lock is on and the two password boxes differ: said below them.
    bool passwordsDiffer();
    // The unlock form's choices that this page holds (the days and texts), and their display.
    void readUnlockChoices(core::UnlockChoices& choices) const;
    void showUnlockChoices(const core::UnlockChoices& choices);
    // With encryption: the first text or colour of the unlock form that cannot be, and why.
    std::optional<QString> unlockTextProblem() const;

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
        QLineEdit* txtPassword; // masked unless chkShowPassword is ticked
        QCheckBox* chkShowPassword;
        QLabel* lblPwdConfirm;
        QLineEdit* txtPasswordConfirm; // the password typed again
        QLabel* lblInfo;
        QLabel* lblWarning;     // below whichever of the three boxes refused a character
        QLabel* lblLockProblem; // below the lock box whose text cannot work
        QCheckBox* chkEncrypt;
        QLabel* lblEncryptInfo;
        QCheckBox* chkRememberDays;
        QSpinBox* spnRememberDays;
        QLabel* lblUnlockTexts;
        QTableWidget* tblUnlockTexts; // name, text: one row per text and colour of the form
    } ui;

private:
    // The three locks, each a check box with its label and text box on the line below.
    QGridLayout* makeLockRows(Dialogs& dialogs);
    // The password typed twice, shown or masked in both boxes at once.
    void makePasswordControls();
    void placeLockProblem(int row, const QString& message);
    void filterScriptText(QLineEdit* text, int warningRow, QGridLayout* grid, Dialogs& dialogs);
    void showEncryptInfo();
    // The "remember me" days and the texts of the unlock form; gives the days' row.
    QLayout* makeUnlockControls();

    QButtonGroup m_group;
    QGridLayout* m_lockGrid = nullptr;
};

} // namespace quorlane::wizard
