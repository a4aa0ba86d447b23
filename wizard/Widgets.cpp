#include "wizard/Widgets.h"

#include <QAbstractButton>

namespace quorlane::wizard {

void tabStopOnChecked(QButtonGroup& group)
{
    const auto follow = [&group] {
        for (QAbstractButton* button : group.buttons()) {
            button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
        }
    };
    QObject::connect(&group, &QButtonGroup::buttonToggled, &group, follow);
    follow();
}

} // namespace quorlane::wizard
