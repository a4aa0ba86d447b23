#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

namespace quorlane::wizard {

// Where a window goes on a screen: its size wanted, as far as the available area (the screen
// less its task bars) holds it with the window's frame around it, never below least; centred
// there. A window that cannot fit keeps its title bar in the area, at its top left. Gives the
// geometry of the window without its frame.
QRect PlaceWithin(const QRect& available, const QMargins& frame, const QSize& wanted,
                  const QSize& least);

} // namespace quorlane::wizard
