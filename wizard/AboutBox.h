#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QString>

#include "wizard/LinkLabel.h"

namespace quorlane::wizard {

class Dialogs;

// The version of the program, as the build gives it.
QString programVersion();

// The About box: the program's name and version, its web site, and the libraries it uses with
// their licences. It is not modal, so the window goes on working while it is open.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    AboutBox(Dialogs& dialogs, QWidget* parent = nullptr);

    struct Ui
    {
        QLabel* lblAboutName;
        QLabel* lblAboutVersion;
        QLabel* lblAboutCopyRight;
        LinkLabel* lblAboutURL;
        QLabel* lblLicences;
        QPushButton* cmdAboutQt;
        QPushButton* cmdClose;
    } ui;
};

} // namespace quorlane::wizard
