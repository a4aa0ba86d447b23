#include "wizard/Widgets.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QStyle>
#include <QTimer>

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

namespace {

// The width of a node's text as the sum of its characters' advances, unrounded: close enough for
// a column (kerning only narrows it), and far cheaper than shaping every path that comes.
int advance(const QFontMetricsF& metrics, const QString& text)
{
    qreal width = 0;
    for (const QChar c : text) {
        width += metrics.horizontalAdvance(c);
    }
    return static_cast<int>(std::ceil(width)) + 1;
}

} // namespace

void widenToNodes(QTreeView& view)
{
    view.header()->setStretchLastSection(false);
    // The width wanted, applied once the nodes that come together are all measured: resizing
    // the column costs more than measuring a node.
    auto wanted = std::make_shared<int>(-1);
    const auto measure = [&view, wanted](const QModelIndex& parent, int first, int last) {
        int depth = view.rootIsDecorated() ? 1 : 0;
        for (QModelIndex above = parent; above.isValid(); above = above.parent()) {
            ++depth;
        }
        // Indentation, an icon (most nodes get one just after they come) and the margins
        // around icon and text, as the view's style lays a node out.
        const QStyle* style = view.style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
        const int icon = view.iconSize().isValid()
                             ? view.iconSize().width()
                             : style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &view);
        const int around = depth * view.indentation() + icon + 4 * margin;
        const QFontMetricsF metrics(view.font());
        // The first node of an emptied tree starts the measure anew.
        const bool anew = !parent.isValid() && first == 0;
        const bool pending = *wanted >= 0;
        int widest = anew ? 0 : std::max(*wanted, view.columnWidth(0));
        for (int row = first; row <= last; ++row) {
            const QString text = view.model()->index(row, 0, parent).data().toString();
            widest = std::max(widest, around + advance(metrics, text));
        }
        *wanted = widest;
        if (!pending) {
            QTimer::singleShot(0, &view, [&view, wanted] {
                if (*wanted != view.columnWidth(0)) {
                    view.setColumnWidth(0, *wanted);
                }
                *wanted = -1;
            });
        }
    };
    QObject::connect(view.model(), &QAbstractItemModel::rowsInserted, &view, measure);
}

} // namespace quorlane::wizard
