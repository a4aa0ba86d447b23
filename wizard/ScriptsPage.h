#pragma once

#include <array>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "core/ProtectionSettings.h"

namespace quorlane::wizard {

class Dialogs;

// Page 4: the behaviour switches and the right-click warning.
class ScriptsPage : public QWidget
{
    Q_OBJECT
public:
    ScriptsPage(Dialogs& dialogs, QWidget* parent = nullptr);
    void readInto(core::ProtectionSettings& settings) const;
    // Shows the settings of this page, as readInto reads them.
    void showSettings(const core::ProtectionSettings& settings);

    struct Ui
    {
        QLabel* lblAddScripts;
        std::array<QCheckBox*, core::scriptOptionCount> chkScript;
        QCheckBox* chkRightMouse;
        QLineEdit* txtRightClickWarning;
        QLabel* lblWarning2; // below the warning text while it refuses a character
        QGroupBox* framScript;
        QLabel* lblScriptInfo;
    } ui;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chkScriptClicked(int index);
};

} // namespace quorlane::wizard
