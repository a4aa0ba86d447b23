#pragma once

class QCoreApplication;

namespace quorlane::wizard {

// Installs the English plural forms of the window's texts that count something ("1 page will
// be replaced", "3 pages will be replaced"); without them Qt shows "page(s)".
void installTranslations(QCoreApplication& app);

} // namespace quorlane::wizard
