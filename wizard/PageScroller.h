#pragma once

#include <QScrollArea>

namespace quorlane::wizard {

// Holds one wizard page. The page is shown whole when the window has room for it and scrolls
// up and down when it has not, so that the window fits small and magnified screens; it is
// never narrower than its page's own minimum, so nothing is cut off at the side.
class PageScroller : public QScrollArea
{
public:
    explicit PageScroller(QWidget* page, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};

} // namespace quorlane::wizard
