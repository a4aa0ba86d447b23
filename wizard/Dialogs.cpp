#include "wizard/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>

#include "wizard/Widgets.h"

namespace quorlane::wizard {

bool QtDialogs::askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                        const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QStringList QtDialogs::pickFiles(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& startFolder)
{
    return QFileDialog::getOpenFileNames(parent, title, startFolder, filter);
}

QString QtDialogs::pickFolder(QWidget* parent, const QString& title, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, title, startFolder);
}

void QtDialogs::beep()
{
    QApplication::beep();
}

bool QtDialogs::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

void Dialogs::openOrSay(QWidget* parent, const QUrl& url)
{
    if (open(url)) {
        return;
    }
    const QString target =
        url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    message(parent, QMessageBox::Warning, productName,
            QCoreApplication::translate("quorlane::wizard::Dialogs",
                                        "%1 could not be opened: no browser or file manager could "
                                        "be started for it.")
                .arg(target));
}

} // namespace quorlane::wizard
