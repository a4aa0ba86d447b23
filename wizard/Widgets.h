#pragma once

#include <QButtonGroup>
#include <QCoreApplication>
#include <QLabel>
#include <QString>
#include <QTreeView>
#include <QWidget>

#include "run/SettingVocabulary.h"

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

// A text of the settings' vocabulary, translated in its page's context.
inline QString translated(const run::WizardText& text)
{
    return QCoreApplication::translate(text.context, text.source);
}

// The control of a setting, named and captioned as the settings' vocabulary says.
template <typename Widget> Widget* namedFor(QWidget* parent, const run::SettingWord& word)
{
    return named<Widget>(parent, word.objectName, translated(word.caption));
}

// A label whose text wraps at its width.
inline QLabel* wrapped(QLabel* label)
{
    label->setWordWrap(true);
    return label;
}

// Tab enters a group of option buttons at its selected button, and leaves it from there; the
// arrow keys move between the buttons.
void tabStopOnChecked(QButtonGroup& group);

// The tree's one column grows to its widest node as nodes come, so that a long path is shown
// whole by scrolling sideways. Only the nodes that come are measured: a tree of thousands costs
// no more per node than a tree of ten.
void widenToNodes(QTreeView& view);

// The product's name, as the window and its messages are titled, and its web site.
inline const QString productName = QStringLiteral("Quorlane");
inline const QString productSite = QStringLiteral("https://www.quorlane.example/");

} // namespace quorlane::wizard
