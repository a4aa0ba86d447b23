#include "wizard/Translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace quorlane::wizard {

void installTranslations(QCoreApplication& app)
{
    auto* english = new QTranslator(&app);
    if (english->load(QStringLiteral(":/i18n/quorlane_en.qm"))) {
        QCoreApplication::installTranslator(english);
    }
}

} // namespace quorlane::wizard
