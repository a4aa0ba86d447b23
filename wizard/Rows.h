#pragma once

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QWidget>

namespace quorlane::wizard {

// Spacing of every page: 6 pixels down, 12 across.
inline constexpr int gapY = 6;
inline constexpr int gapX = 12;

// Places a page's controls one below the other, each with its own gap above it and its own
// distance from the page's left and right edges, as the wizard's layout rules give them.
class Rows
{
public:
    explicit Rows(QWidget* page)
        : m_layout(new QVBoxLayout(page))
    {
        m_layout->setContentsMargins(0, 0, 0, 0);
        m_layout->setSpacing(0);
    }

    // widget, gap pixels below the previous row, left and right distances in pixels.
    void add(QWidget* widget, int gap, int left, int right, Qt::Alignment align = {})
    {
        m_layout->addSpacing(gap);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(left, 0, right, 0);
        row->setSpacing(0);
        row->addWidget(widget, align ? 0 : 1, align);
        m_layout->addLayout(row);
    }
    void add(QLayout* layout, int gap)
    {
        m_layout->addSpacing(gap);
        m_layout->addLayout(layout);
    }
    void addStretch(int stretch = 1) { m_layout->addStretch(stretch); }
    void addSpacing(int gap) { m_layout->addSpacing(gap); }
    void setStretchOfLast(int stretch) { m_layout->setStretch(m_layout->count() - 1, stretch); }

private:
    QVBoxLayout* m_layout;
};

} // namespace quorlane::wizard
