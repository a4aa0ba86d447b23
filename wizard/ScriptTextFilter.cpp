#include "wizard/ScriptTextFilter.h"

#include <QKeyEvent>

#include "core/ScriptText.h"
#include "wizard/Dialogs.h"
#include "wizard/ScriptTextValidator.h"

namespace quorlane::wizard {

ScriptTextFilter::ScriptTextFilter(QLineEdit* box, QLabel* warning, Dialogs& dialogs,
                                   std::function<void()> placeWarning)
    : QObject(box)
    , m_box(box)
    , m_warning(warning)
    , m_dialogs(dialogs)
    , m_placeWarning(std::move(placeWarning))
{
    box->installEventFilter(this);
    auto* validator = new ScriptTextValidator(box);
    box->setValidator(validator);
    connect(validator, &ScriptTextValidator::refused, this, [this] { refuse(); });
    connect(box, &QLineEdit::textEdited, warning, &QWidget::hide);
}

bool ScriptTextFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_box || event->type() != QEvent::KeyPress) {
        return false;
    }
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.isEmpty() || core::IsAllowedChar(text.at(0).unicode())) {
        m_warning->hide();
        return false;
    }
    refuse();
    return true;
}

void ScriptTextFilter::refuse()
{
    if (m_placeWarning) {
        m_placeWarning();
    }
    m_warning->show();
    m_dialogs.beep();
}

} // namespace quorlane::wizard
