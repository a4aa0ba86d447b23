#pragma once

#include <QLabel>
#include <QWidget>

#include "wizard/LinkLabel.h"

namespace quorlane::wizard {

class Dialogs;

// Page 0: what the program is, its version, and how the wizard is walked.
class WelcomePage : public QWidget
{
    Q_OBJECT
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
        QLabel* lblBanner; // the credit banner that every protected page gets
    } ui;
};

} // namespace quorlane::wizard
