#pragma once

#include <array>
#include <functional>

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "core/ProtectionSettings.h"

namespace quorlane::wizard {

class Dialogs;

// Page 2: where protected pages go, and the copyright notice.
class StoreFilesPage : public QWidget
{
    Q_OBJECT
public:
    StoreFilesPage(Dialogs& dialogs, QWidget* parent = nullptr);
    void readInto(core::ProtectionSettings& settings) const;
    // Shows the settings of this page, as readInto reads them.
    void showSettings(const core::ProtectionSettings& settings);
    // The information text of the selected save option, as after a reset.
    void resetInformation();
    void setDefaults(const core::ProtectionSettings& defaults);
    // Where the folder button starts when the target folder box is empty.
    void setRememberedFolderSource(std::function<QString()> source) { m_remembered = source; }

    struct Ui
    {
        QLabel* lblWhere;
        std::array<QRadioButton*, 3> optSave;
        QCheckBox* chkBackups;
        QLineEdit* txtBackupDir; // empty: each backup beside its page
        QPushButton* cmdSelectBackupDir;
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
    // The text of the option under the mouse, else of the one with the focus, else of the
    // selected one.
    void showInformation();
    void selectDirectory();
    void selectBackupDirectory();
    void enableBackupFolder();
    void checkNotice();

    Dialogs& m_dialogs;
    QButtonGroup m_group;
    std::function<QString()> m_remembered;
    int m_hovered = -1;
};

} // namespace quorlane::wizard
