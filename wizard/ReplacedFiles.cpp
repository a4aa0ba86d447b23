#include "wizard/ReplacedFiles.h"

#include <unordered_set>

#include <QDir>
#include <QFileInfo>

#include "files/FileSystem.h"
#include "files/modAll.h"

namespace quorlane::wizard {

ReplacedFiles CountReplacedFiles(const std::vector<run::SelectionEntry>& selection,
                                 core::SaveMode mode)
{
    files::RealFileSystem fileSystem;
    files::clsFiles listed;
    for (const run::SelectionEntry& entry : selection) {
        if (entry.isFolder) {
            core::PathString rootPath;
            files::ScanFolder(fileSystem, entry.path, rootPath, listed);
        } else {
            listed.add({}, entry.path);
        }
    }
    ReplacedFiles replaced;
    std::unordered_set<core::PathString> seen;
    for (const core::FileRecord& record : listed) {
        const core::PathString page = record.fullPath();
        if (!seen.insert(page).second) {
            continue;
        }
        ++replaced.pages;
        if (mode == core::SaveMode::CreateNew) {
            const QFileInfo file(QString::fromStdU16String(core::TextFromPath(page)));
            const QString earlier =
                file.dir().filePath(QStringLiteral("protected_") + file.fileName());
            replaced.earlierProtected += QFileInfo::exists(earlier) ? 1 : 0;
        }
    }
    return replaced;
}

} // namespace quorlane::wizard
