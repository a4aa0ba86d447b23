#pragma once

#include <QDir>
#include <QString>

#include "core/FileRecord.h"

namespace quorlane::wizard {

// A path of the engine as the window shows it.
inline QString textOf(const core::PathString& path)
{
    return QString::fromStdU16String(core::TextFromPath(path));
}

// A path the window shows, or a dialog gave, as the engine takes it: native separators.
inline core::PathString pathOf(const QString& text)
{
    return core::PathFromText(QDir::toNativeSeparators(text).toStdU16String());
}

} // namespace quorlane::wizard
