#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace quorlane::wizard {

// Everything the window asks of the user or of the desktop outside it: message boxes, the file
// and folder dialogs, the beep, opening a page in the browser. The program uses QtDialogs; tests
// answer in advance, so that no modal loop ever waits.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Yes or No; No is the default button.
    virtual bool askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                          const QString& text) = 0;
    virtual void message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text) = 0;
    // Several page files; empty when cancelled.
    virtual QStringList pickFiles(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& startFolder) = 0;
    // A folder; empty when cancelled.
    virtual QString pickFolder(QWidget* parent, const QString& title,
                               const QString& startFolder) = 0;
    virtual void beep() = 0;
    // Opens a page or folder in the desktop's browser or file manager; false when nothing could
    // be started for it.
    virtual bool open(const QUrl& url) = 0;

    // Opens url, and says so when no browser or file manager could be started for it.
    void openOrSay(QWidget* parent, const QUrl& url);
};

class QtDialogs : public Dialogs
{
public:
    bool askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                  const QString& text) override;
    void message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override;
    QStringList pickFiles(QWidget* parent, const QString& title, const QString& filter,
                          const QString& startFolder) override;
    QString pickFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
    void beep() override;
    bool open(const QUrl& url) override;
};

} // namespace quorlane::wizard
