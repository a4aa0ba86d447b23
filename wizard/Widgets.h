#pragma once

#include <QButtonGroup>
#include <QString>
#include <QWidget>

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

// Tab enters a group of option buttons at its selected button, and leaves it from there; the
// arrow keys move between the buttons.
void tabStopOnChecked(QButtonGroup& group);

// The product's name, as the window and its messages are titled, and its web site.
inline const QString productName = QStringLiteral("Quorlane");
inline const QString productSite = QStringLiteral("https://www.quorlane.example/");

} // namespace quorlane::wizard
