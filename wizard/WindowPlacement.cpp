#include "wizard/WindowPlacement.h"

#include <algorithm>

namespace quorlane::wizard {

QRect PlaceWithin(const QRect& available, const QMargins& frame, const QSize& wanted,
                  const QSize& least)
{
    const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize size = wanted.boundedTo(available.size() - frameSize).expandedTo(least);
    const QSize outer = size + frameSize;
    const int left = available.left() + std::max(0, (available.width() - outer.width()) / 2);
    const int top = available.top() + std::max(0, (available.height() - outer.height()) / 2);
    return QRect(QPoint(left + frame.left(), top + frame.top()), size);
}

} // namespace quorlane::wizard
