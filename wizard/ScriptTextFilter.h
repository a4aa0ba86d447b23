#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QValidator>

namespace quorlane::wizard {

class Dialogs;

// Keeps ' " \ out of a text box whose text goes into the page script: a refused key is not
// inserted, the warning label moves to sit right above the box and the system beeps; the next
// allowed key hides the label. A validator refuses pasted text that holds them (or a line
// break) as well.
class ScriptTextFilter : public QObject
{
public:
    ScriptTextFilter(QLineEdit* box, QLabel* warning, Dialogs& dialogs);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_box;
    QLabel* m_warning;
    Dialogs& m_dialogs;
};

class ScriptTextValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

} // namespace quorlane::wizard
