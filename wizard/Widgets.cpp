#include "wizard/Widgets.h"

#include <algorithm>

#include <QAbstractButton>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>

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

void widenToNodes(QTreeView& view)
{
    view.header()->setStretchLastSection(false);
    const auto measure = [&view](const QModelIndex& parent, int first, int last, bool came) {
        int depth = view.rootIsDecorated() ? 1 : 0;
        for (QModelIndex above = parent; above.isValid(); above = above.parent()) {
            ++depth;
        }
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.widget = &view;
        const int icon = view.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &view);
        option.decorationSize = view.iconSize().isValid() ? view.iconSize() : QSize(icon, icon);
        // The first node of an emptied tree starts the measure anew.
        const bool anew = came && !parent.isValid() && first == 0;
        int widest = anew ? 0 : view.columnWidth(0);
        for (int row = first; row <= last; ++row) {
            const QModelIndex index = view.model()->index(row, 0, parent);
            widest = std::max(widest, depth * view.indentation() +
                                          view.itemDelegate()->sizeHint(option, index).width());
        }
        if (anew || widest > view.columnWidth(0)) {
            view.setColumnWidth(0, widest);
        }
    };
    QAbstractItemModel* model = view.model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &view,
                     [measure](const QModelIndex& parent, int first, int last) {
                         measure(parent, first, last, true);
                     });
    // A node's icon is set after it came.
    QObject::connect(model, &QAbstractItemModel::dataChanged, &view,
                     [measure](const QModelIndex& from, const QModelIndex& to) {
                         measure(from.parent(), from.row(), to.row(), false);
                     });
}

} // namespace quorlane::wizard
