#include "run/ReplacedFiles.h"

#include <unordered_set>

#include "core/PageTransformer.h"
#include "files/OutputPlacement.h"
#include "files/Sha256.h"

namespace quorlane::run {

namespace {

// The marker as the page's encoding writes it: its characters are ASCII, so one byte each in
// every encoding a page is read in, but for UTF-16, two in either order.
bool endsWithMarker(std::string_view tail)
{
    std::string ascii;
    std::string little;
    std::string big;
    for (const char16_t c : core::protectedPageMarker) {
        const char byte = static_cast<char>(c);
        ascii.push_back(byte);
        little += {byte, '\0'};
        big += {'\0', byte};
    }
    return tail.ends_with(ascii) || tail.ends_with(little) || tail.ends_with(big);
}

bool isProtectedPage(files::FileSystem& fileSystem, const core::PathString& file,
                     std::uint64_t size)
{
    const std::size_t tailBytes = core::protectedPageMarker.size() * 2;
    const std::uint64_t from = size > tailBytes ? size - tailBytes : 0;
    const files::Result<std::string> tail = fileSystem.readPart(file, from, tailBytes);
    return tail.ok() && endsWithMarker(tail.value());
}

std::string digestOf(files::FileSystem& fileSystem, const core::PathString& file)
{
    files::Sha256 hash;
    if (fileSystem.readFileInPieces(file, [&](std::string_view piece) { hash.add(piece); })
            .failed()) {
        return {};
    }
    return hash.hex();
}

bool sameBytes(files::FileSystem& fileSystem, const core::PathString& standing,
               const files::FileStamp& stamp, const core::PathString& source)
{
    const std::optional<files::FileStamp> sourceStamp = fileSystem.stamp(source);
    if (!sourceStamp || sourceStamp->size != stamp.size) {
        return false;
    }
    const std::string digest = digestOf(fileSystem, standing);
    return !digest.empty() && digest == digestOf(fileSystem, source);
}

} // namespace

OthersFiles FindOthersFiles(files::FileSystem& fileSystem, const files::clsFiles& pages,
                            const files::clsFiles& others, const core::PathString& saveDir,
                            const std::function<bool(const files::FileIdentity&)>& isRunFile)
{
    OthersFiles found;
    std::unordered_set<core::PathString> looked;
    const auto look = [&](const core::FileRecord& record, bool page) {
        const core::PathString output = files::CopyOutputPath(record, saveDir);
        if (output.empty() || !looked.insert(output).second) {
            return;
        }
        const std::optional<files::FileStamp> stamp = fileSystem.stamp(output);
        if (!stamp || isRunFile(stamp->identity) || fileSystem.isFolder(output)) {
            return;
        }
        if ((page && isProtectedPage(fileSystem, output, stamp->size)) ||
            sameBytes(fileSystem, output, *stamp, record.fullPath())) {
            return;
        }
        if (++found.count <= othersFilesNamed) {
            found.examples.push_back(output);
        }
    };
    for (const core::FileRecord& record : pages) {
        look(record, true);
    }
    for (const core::FileRecord& record : others) {
        look(record, false);
    }
    return found;
}

} // namespace quorlane::run
