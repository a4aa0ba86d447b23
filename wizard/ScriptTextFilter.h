#pragma once

#include <functional>

#include <QLabel>
#include <QLineEdit>
#include <QObject>

namespace quorlane::wizard {

class Dialogs;

// Keeps ' " \ out of a text box whose text goes into the page script. A refused key is not
// inserted, a refused paste or drop leaves the text as it was; either way the warning label is
// put beside the box (by placeWarning, which knows the page's layout) and the system beeps. The
// next accepted key or edit hides the label.
class ScriptTextFilter : public QObject
{
public:
    ScriptTextFilter(QLineEdit* box, QLabel* warning, Dialogs& dialogs,
                     std::function<void()> placeWarning = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refuse();

    QLineEdit* m_box;
    QLabel* m_warning;
    Dialogs& m_dialogs;
    std::function<void()> m_placeWarning;
};

} // namespace quorlane::wizard
