#pragma once

#include <QLabel>

namespace quorlane::wizard {

// A label that acts on a click, or on Space or Enter when Tab has brought the focus to it, and
// underlines itself while the mouse is over it.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text = QString(), QWidget* parent = nullptr);
    explicit LinkLabel(QWidget* parent)
        : LinkLabel(QString(), parent)
    {
    }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setUnderlined(bool on);
};

} // namespace quorlane::wizard
