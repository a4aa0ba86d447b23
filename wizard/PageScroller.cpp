#include "wizard/PageScroller.h"

#include <QScrollBar>

namespace quorlane::wizard {

PageScroller::PageScroller(QWidget* page, QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setWidget(page);
}

// The page's own size, at the height its texts take at that width.
QSize PageScroller::sizeHint() const
{
    const QSize page = widget()->sizeHint();
    const int height =
        widget()->hasHeightForWidth() ? widget()->heightForWidth(page.width()) : page.height();
    return QSize(page.width() + verticalScrollBar()->sizeHint().width(), height);
}

// As narrow as the page allows with the scroll bar beside it; a few lines high.
QSize PageScroller::minimumSizeHint() const
{
    return QSize(widget()->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width(),
                 6 * fontMetrics().height());
}

} // namespace quorlane::wizard
