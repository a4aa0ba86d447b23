#include "wizard/Images.h"

namespace quorlane::wizard::images {

QIcon root()
{
    return QIcon(QStringLiteral(":/resources/root.svg"));
}

QIcon folder()
{
    return QIcon(QStringLiteral(":/resources/folder.svg"));
}

QIcon page()
{
    return QIcon(QStringLiteral(":/resources/page.svg"));
}

QIcon windowIcon()
{
    return QIcon(QStringLiteral(":/resources/shield.svg"));
}

QPixmap pageList(int index, bool current)
{
    return QIcon(QStringLiteral(":/resources/page%1%2.svg")
                     .arg(index)
                     .arg(current ? QStringLiteral("-current") : QString()))
        .pixmap(32, 32);
}

QPixmap welcome()
{
    return QIcon(QStringLiteral(":/resources/welcome.svg")).pixmap(205, 170);
}

QCursor hand()
{
    return QCursor(QIcon(QStringLiteral(":/resources/hand.svg")).pixmap(32, 32), 11, 3);
}

} // namespace quorlane::wizard::images
