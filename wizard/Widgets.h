#pragma once

#include <QCursor>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QString>

namespace quorlane::wizard {

// Makes a widget with its design name as object name.
template <typename Widget, typename... Args>
Widget* named(QWidget* parent, const char* name, Args&&... args)
{
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// The same for an element of a control array: name_index.
template <typename Widget, typename... Args>
Widget* namedAt(QWidget* parent, const char* name, int index, Args&&... args)
{
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name) + QLatin1Char('_') + QString::number(index));
    return widget;
}

// A label that acts on a click and underlines itself while the mouse is over it.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && isEnabled()) {
            emit clicked();
        }
    }
    void enterEvent(QEnterEvent*) override { setUnderlined(true); }
    void leaveEvent(QEvent*) override { setUnderlined(false); }

private:
    void setUnderlined(bool on)
    {
        QFont f = font();
        f.setUnderline(on && isEnabled());
        setFont(f);
    }
};

// The pictures of the window, drawn for us as SVG.
namespace images {
QIcon root();
QIcon folder();
QIcon page();
QIcon windowIcon();
QPixmap pageList(int index, bool current);
QPixmap welcome();
QCursor hand();
} // namespace images

// The product's web site.
inline const QString productSite = QStringLiteral("https://www.quorlane.example/");

} // namespace quorlane::wizard
