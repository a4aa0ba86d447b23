#pragma once

#include <array>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

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
        QLabel* lblWarning; // below whichever of the three boxes refused a character
        QCheckBox* chkEncrypt;
        QLabel* lblEncryptInfo;
    } ui;

private:
    // The three locks, each a check box with its label and text box on the line below.
    QGridLayout* makeLockRows(Dialogs& dialogs);
    void showEncryptInfo();

    QButtonGroup m_group;
};

} // namespace quorlane::wizard
