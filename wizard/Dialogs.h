#pragma once

#include <functional>
#include <memory>

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
    // Whether to save changes before they are lost: Save, Discard or Cancel (the default),
    // which keeps everything as it is.
    virtual QMessageBox::StandardButton askToSave(QWidget* parent, const QString& title,
                                                  const QString& text) = 0;
    virtual void message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text) = 0;
    // A message about many pages or files: text says what happened, items name them, one a
    // line, in a list that scrolls, so that the box fits the screen however long the list.
    virtual void messageWithList(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                 const QString& text, const QStringList& items) = 0;
    // Several page files; empty when cancelled.
    virtual QStringList pickFiles(QWidget* parent, const QString& title, const QString& filter,
                                  const QString& startFolder) = 0;
    // A folder; empty when cancelled.
    virtual QString pickFolder(QWidget* parent, const QString& title,
                               const QString& startFolder) = 0;
    // One file to open, or the path of one to save (start names a folder or a file); empty when
    // cancelled, as by answerers that never pick one.
    virtual QString pickFileToOpen(QWidget* /*parent*/, const QString& /*title*/,
                                   const QString& /*filter*/, const QString& /*start*/)
    {
        return {};
    }
    virtual QString pickFileToSave(QWidget* /*parent*/, const QString& /*title*/,
                                   const QString& /*filter*/, const QString& /*start*/)
    {
        return {};
    }
    virtual void beep() = 0;
    // Opens a page or folder in the desktop's browser or file manager; calls failed, at once or
    // later, when nothing could open it.
    virtual void open(QWidget* parent, const QUrl& url, std::function<void()> failed) = 0;

    // Opens url, and says so when no browser or file manager could be started for it.
    void openOrSay(QWidget* parent, const QUrl& url);
};

class QtDialogs : public Dialogs
{
public:
    bool askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                  const QString& text) override;
    QMessageBox::StandardButton askToSave(QWidget* parent, const QString& title,
                                          const QString& text) override;
    void message(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override;
    void messageWithList(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                         const QString& text, const QStringList& items) override;
    QStringList pickFiles(QWidget* parent, const QString& title, const QString& filter,
                          const QString& startFolder) override;
    QString pickFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
    QString pickFileToOpen(QWidget* parent, const QString& title, const QString& filter,
                           const QString& start) override;
    QString pickFileToSave(QWidget* parent, const QString& title, const QString& filter,
                           const QString& start) override;
    void beep() override;
    void open(QWidget* parent, const QUrl& url, std::function<void()> failed) override;
};

// The box of messageWithList: a short list stands in the text itself; a longer one goes into the
// box's details, shown open, in a text area of a few lines that scrolls.
std::unique_ptr<QMessageBox> ListMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& title, const QString& text,
                                            const QStringList& items);

} // namespace quorlane::wizard
