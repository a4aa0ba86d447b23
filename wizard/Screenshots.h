#pragma once

#include <QString>

namespace quorlane::wizard {

class frmMain;

// quorlane --screenshots DIR [SITE]: each page of the window as DIR/page-N.png, and the
// results page after protecting SITE (copied to a scratch folder first) as DIR/results.png.
// Gives the program's exit status.
int screenshots(frmMain& window, const QString& folder, const QString& site);

} // namespace quorlane::wizard
