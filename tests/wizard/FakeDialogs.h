#pragma once

#include <deque>
#include <functional>
#include <vector>

#include <QStringList>

#include "wizard/Dialogs.h"

namespace quorlane::test {

// Dialogs answered in advance: no modal loop ever waits in a test.
class FakeDialogs : public wizard::Dialogs
{
public:
    struct Shown
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QStringList items; // of a message with a list
    };

    std::deque<bool> answers;                            // for askYesNo; No when none is left
    std::deque<QMessageBox::StandardButton> saveAnswers; // for askToSave; Cancel when none
    std::deque<QStringList> fileAnswers;                 // for pickFiles
    std::deque<QString> folderAnswers;                   // for pickFolder
    std::deque<QString> pathAnswers;                     // for pickFileToOpen and pickFileToSave
    std::vector<Shown> questions;
    std::vector<Shown> messages;
    std::vector<QString> folderStarts;
    std::vector<QString> pathStarts; // where the project dialogs started
    std::vector<QUrl> opened;
    int beeps = 0;
    bool opens = true; // whether open finds a browser
    // Called while a question is open, before it is answered.
    std::function<void()> whileAsking;

    bool askYesNo(QWidget*, QMessageBox::Icon icon, const QString& title,
                  const QString& text) override
    {
        questions.push_back({icon, title, text, {}});
        if (whileAsking) {
            whileAsking();
        }
        const bool answer = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }
    QMessageBox::StandardButton askToSave(QWidget*, const QString& title,
                                          const QString& text) override
    {
        questions.push_back({QMessageBox::Warning, title, text, {}});
        return saveAnswers.empty() ? QMessageBox::Cancel : take(saveAnswers);
    }
    void message(QWidget*, QMessageBox::Icon icon, const QString& title,
                 const QString& text) override
    {
        messages.push_back({icon, title, text, {}});
    }
    void messageWithList(QWidget*, QMessageBox::Icon icon, const QString& title,
                         const QString& text, const QStringList& items) override
    {
        messages.push_back({icon, title, text, items});
    }
    QStringList pickFiles(QWidget*, const QString&, const QString&, const QString&) override
    {
        return take(fileAnswers);
    }
    QString pickFolder(QWidget*, const QString&, const QString& startFolder) override
    {
        folderStarts.push_back(startFolder);
        return take(folderAnswers);
    }
    QString pickFileToOpen(QWidget*, const QString&, const QString&, const QString& start) override
    {
        pathStarts.push_back(start);
        return take(pathAnswers);
    }
    QString pickFileToSave(QWidget*, const QString&, const QString&, const QString& start) override
    {
        pathStarts.push_back(start);
        return take(pathAnswers);
    }
    void beep() override { ++beeps; }
    void open(QWidget*, const QUrl& url, std::function<void()> failed) override
    {
        opened.push_back(url);
        if (!opens) {
            failed();
        }
    }

private:
    template <typename T> static T take(std::deque<T>& queue)
    {
        if (queue.empty()) {
            return T();
        }
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

} // namespace quorlane::test
