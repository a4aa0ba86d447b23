#include "wizard/Dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>

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

QString QtDialogs::pickFileToOpen(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& start)
{
    return QFileDialog::getOpenFileName(parent, title, start, filter);
}

QString QtDialogs::pickFileToSave(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& start)
{
    return QFileDialog::getSaveFileName(parent, title, start, filter);
}

void QtDialogs::beep()
{
    QApplication::beep();
}

void QtDialogs::open(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

} // namespace quorlane::wizard
