#include "wizard/ScriptTextFilter.h"

#include <QKeyEvent>

#include "core/ScriptText.h"
#include "wizard/Dialogs.h"

namespace quorlane::wizard {

ScriptTextFilter::ScriptTextFilter(QLineEdit* box, QLabel* warning, Dialogs& dialogs)
    : QObject(box)
    , m_box(box)
    , m_warning(warning)
    , m_dialogs(dialogs)
{
    box->installEventFilter(this);
    box->setValidator(new ScriptTextValidator(box));
}

bool ScriptTextFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_box || event->type() != QEvent::KeyPress) {
        return false;
    }
    const QString text = static_cast<QKeyEvent*>(event)->text();
    const bool refused = !text.isEmpty() && !core::IsAllowedChar(text.at(0).unicode());
    if (!refused) {
        m_warning->hide();
        return false;
    }
    // Right above the box, in the coordinates of the label's own parent.
    const QPoint boxTop = m_box->mapTo(m_warning->parentWidget(), QPoint(0, 0));
    m_warning->move(m_warning->x(), boxTop.y() - m_warning->height());
    m_warning->show();
    m_warning->raise();
    m_dialogs.beep();
    return true;
}

QValidator::State ScriptTextValidator::validate(QString& input, int&) const
{
    return core::IsSafeScriptText(input.toStdU16String()) ? Acceptable : Invalid;
}

} // namespace quorlane::wizard
