#include "run/RunJournal.h"

#include <cerrno>

#include "core/Utf8.h"
#include "files/NameCase.h"
#include "files/OutputPlacement.h"
#include "files/Sha256.h"
#include "run/FolderRecorder.h"
#include "run/ManifestFields.h"
#include "run/SettingsJson.h"

namespace quorlane::run {

namespace {

using namespace manifest;

// 2: paths relative to the record's own folder. 3: relative to the run's folder and to the
// backups' folder, which the first line names.
constexpr int journalVersion = 3;
constexpr int firstJournalVersion = 2;
constexpr std::size_t attempts = 1000;

core::PathString folderPrefix(const core::PathString& folder)
{
    return folder.size() == 1 ? folder : folder + core::pathSeparator;
}

Json pageJson(const ManifestPage& page, std::size_t number)
{
    Json entry = Json::object();
    entry["op"] = "page";
    entry["n"] = number;
    if (page.source.empty()) {
        entry["source"] = nullptr;
    } else {
        putPath(entry, "source", page.source);
    }
    putPath(entry, "output", page.output);
    if (page.backup.empty()) {
        entry["backup"] = nullptr;
    } else {
        putPath(entry, "backup", page.backup);
    }
    entry["source_size"] = page.sourceSize;
    entry["source_sha256"] = page.sourceSha256;
    entry["output_size"] = page.outputSize;
    entry["output_sha256"] = page.outputSha256;
    entry["replaced_earlier_file"] = page.replacedEarlierFile;
    return entry;
}

std::string dumped(const Json& json)
{
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// path below folder (both absolute, normal), as a path down from it; "." for folder itself.
// Names compare as the file system compares them: on Windows C:\Site\OUT lies in c:\site.
std::optional<core::PathString> below(const core::PathString& path, const core::PathString& folder)
{
    std::optional<core::PathString> rest = files::PathBelowFolder(path, folder);
    if (rest && rest->empty()) {
        return core::PathString(1, '.');
    }
    return rest;
}

core::PathString folderOfFile(const core::PathString& path)
{
    const std::size_t last = path.rfind(core::pathSeparator);
    return last == 0 || last == core::PathString::npos ? path.substr(0, 1) : path.substr(0, last);
}

} // namespace

core::PathString RootAsNamed(const core::PathString& root, const core::PathString& recordFolder)
{
    if (const auto down = below(root, recordFolder)) {
        return *down;
    }
    const auto up = below(recordFolder, root);
    if (!up) {
        return root;
    }
    core::PathString steps(1, '.');
    steps.push_back('.');
    for (const auto part : *up) {
        if (part == core::pathSeparator) {
            steps += core::pathSeparator;
            steps += steps.substr(0, 2);
        }
    }
    return steps;
}

core::PathString BackupPlace(const RecordPlace& place, const core::PathString& output)
{
    if (place.backups.empty()) {
        return files::BackupPath(output);
    }
    const std::optional<core::PathString> named = below(AbsolutePath(output), place.tree);
    if (!named || *named == core::PathString(1, '.')) {
        return {};
    }
    return folderPrefix(place.backups) + *named;
}

bool RecordLiesIn(const core::PathString& recordFolder, const core::PathString& tree)
{
    return below(recordFolder, tree).has_value();
}

files::Status RunJournal::create(const RecordPlace& place, const std::string& started,
                                 const core::ProtectionSettings& settings)
{
    m_tree = AbsolutePath(place.tree);
    m_backups = place.backups.empty() ? core::PathString() : AbsolutePath(place.backups);
    if (place.none) {
        m_none = true;
        return {};
    }
    // Each folder, and in it each name while the one before is taken; or place's path alone.
    std::vector<std::vector<core::PathString>> tries;
    if (!place.path.empty()) {
        tries.push_back({AbsolutePath(place.path)});
    }
    for (const core::PathString& folder :
         place.path.empty() ? place.folders : std::vector<core::PathString>()) {
        std::vector<core::PathString>& names = tries.emplace_back();
        for (std::size_t attempt = 1; attempt <= attempts; ++attempt) {
            names.push_back(folderPrefix(AbsolutePath(folder)) +
                            core::PathFromText(core::Utf8ToUtf16(
                                ManifestName(started, static_cast<int>(attempt)))));
        }
    }
    // No folder to take it is a failure like any other.
    files::Status made = files::classify(std::make_error_code(std::errc::invalid_argument), {});
    for (const std::vector<core::PathString>& names : tries) {
        for (const core::PathString& path : names) {
            made = createAt(path, started, settings);
            if (made.ok()) {
                m_path = path;
                return {};
            }
            if (made.error().kind != files::FileError::Kind::NameTaken) {
                break;
            }
        }
    }
    return made;
}

files::Status RunJournal::createAt(const core::PathString& path, const std::string& started,
                                   const core::ProtectionSettings& settings)
{
    const core::PathString folder = folderOfFile(path);
    m_inTree = RecordLiesIn(folder, m_tree);
    Json header = Json::object();
    header["format"] = formatName;
    header["version"] = journalVersion;
    header["started"] = started;
    putPath(header, "tree", RootAsNamed(m_tree, folder));
    if (!m_backups.empty()) {
        putPath(header, "backups", RootAsNamed(m_backups, folder));
    }
    header["settings"] = settings_json::RecordJson(settings);
    m_sum.clear();
    return m_fileSystem.createFile(path, lineOf(dumped(header)));
}

std::optional<core::PathString> RunJournal::relative(const core::PathString& path) const
{
    return below(AbsolutePath(path), m_tree);
}

std::optional<core::PathString> RunJournal::relativeBackup(const core::PathString& backup) const
{
    return m_backups.empty() ? relative(backup) : below(AbsolutePath(backup), m_backups);
}

core::PathString RunJournal::namedSource(const core::PathString& source) const
{
    const core::PathString absolute = AbsolutePath(source);
    if (auto named = below(absolute, m_tree)) {
        return *named;
    }
    return m_inTree ? core::PathString() : absolute;
}

files::Status RunJournal::addFolder(const core::PathString& folder)
{
    const core::PathString absolute = AbsolutePath(folder);
    std::optional<core::PathString> named = below(absolute, m_tree);
    const std::optional<core::PathString> ofBackups = below(absolute, m_backups);
    // The deeper of the two: a backup folder may lie in the run's folder of a copy.
    const bool backups = ofBackups && (!named || ofBackups->size() < named->size());
    if (!named && !backups) {
        return files::classify(std::make_error_code(std::errc::invalid_argument), m_path);
    }
    Json entry = Json::object();
    entry["op"] = "folder";
    putPath(entry, "path", backups ? *ofBackups : *named);
    if (backups) {
        entry["in"] = "backups";
    }
    ++m_entries;
    return append(lineOf(dumped(entry)));
}

files::Status RunJournal::addPage(const ManifestPage& page, std::size_t& number)
{
    number = m_pages++;
    ++m_entries;
    return append(lineOf(dumped(pageJson(page, number))));
}

void RunJournal::note(const char* op, std::size_t number, bool backupMade)
{
    Json entry = Json::object();
    entry["op"] = op;
    entry["n"] = number;
    if (!backupMade) {
        entry["backup_made"] = false;
    }
    m_waiting += lineOf(dumped(entry));
}

files::Status RunJournal::end(bool complete)
{
    Json entry = Json::object();
    entry["op"] = "end";
    entry["complete"] = complete;
    if (const files::Status failure = append(lineOf(dumped(entry))); failure.failed()) {
        return failure;
    }
    return sync();
}

files::Status RunJournal::sync()
{
    if (const files::Status failure = append({}); failure.failed()) {
        return failure;
    }
    if (m_failed) {
        return files::classify(std::make_error_code(std::errc::io_error), m_path);
    }
    if (m_none) {
        return {};
    }
    const files::Status synced = m_fileSystem.syncFiles({m_path});
    m_failed = synced.failed();
    return synced;
}

void RunJournal::remove()
{
    if (!m_path.empty()) {
        static_cast<void>(m_fileSystem.removeFile(m_path));
        m_path.clear();
    }
}

files::Status RunJournal::append(std::string lines)
{
    if (m_none) {
        m_waiting.clear();
        return {};
    }
    if (m_failed || !isOpen()) {
        return files::classify(std::make_error_code(std::errc::io_error), m_path);
    }
    lines.insert(0, m_waiting);
    m_waiting.clear();
    if (lines.empty()) {
        return {};
    }
    const files::Status appended = m_fileSystem.appendToFile(m_path, lines, m_cutAt);
    m_cutAt.reset();
    m_failed = appended.failed();
    return appended;
}

void RunJournal::reopen(const core::PathString& path, const RunManifest& manifest)
{
    m_path = path;
    m_sum = manifest.lastSum;
    m_cutAt = manifest.journalEnd;
    m_pages = manifest.pages.size();
}

files::Status RunJournal::addUndone(std::size_t number)
{
    note("undone", number, true);
    return append({});
}

std::string RunJournal::lineOf(const std::string& json)
{
    m_sum = files::Sha256Hex(m_sum + json);
    return json + '\t' + m_sum + '\n';
}

namespace {

// Reads the lines of a journal into a manifest, keeping the first thing wrong.
class JournalReader
{
public:
    void line(std::size_t number, const Json& entry)
    {
        if (number == 1) {
            header(entry);
            return;
        }
        const std::string op = m_read.text(entry, "op");
        if (op == "folder") {
            const bool backups = entry.contains("in") && m_read.text(entry, "in") == "backups";
            if (entry.contains("in") && !backups) {
                m_read.fail("a folder is in an unknown place");
            }
            (backups ? manifest.createdBackupFolders : manifest.createdFolders)
                .push_back(m_read.path(entry, "path"));
        } else if (op == "page") {
            page(entry);
        } else if (op == "placed" || op == "dropped" || op == "undone") {
            const std::uint64_t n = m_read.number(entry, "n");
            if (n >= manifest.pages.size()) {
                m_read.fail("it names page " + std::to_string(n) + ", which it does not hold");
                return;
            }
            ManifestPage& page = manifest.pages[n];
            (op == "placed" ? page.placed : op == "dropped" ? page.dropped : page.undone) = true;
            if (entry.contains("backup_made") && !m_read.flag(entry, "backup_made")) {
                page.backup.clear();
            }
        } else if (op == "end") {
            manifest.complete = m_read.flag(entry, "complete");
        } else {
            m_read.fail("unknown entry " + op);
        }
    }
    std::string& problem() { return m_read.problem; }
    bool otherVersion = false;
    bool notARecord = false;
    RunManifest manifest;

private:
    void header(const Json& entry)
    {
        if (!entry.is_object() || !entry.contains("format") || entry["format"] != formatName) {
            notARecord = true;
            return;
        }
        const Json version = entry.contains("version") ? entry["version"] : Json();
        if (!version.is_number_unsigned() || version < firstJournalVersion ||
            version > journalVersion) {
            otherVersion = true;
            return;
        }
        manifest.version = version.get<int>();
        manifest.started = m_read.text(entry, "started");
        // Before version 3, the paths are relative to the record's own folder.
        manifest.tree = core::PathString(1, '.');
        if (manifest.version > firstJournalVersion) {
            manifest.tree = m_read.path(entry, "tree");
            if (entry.contains("backups")) {
                manifest.backups = m_read.path(entry, "backups");
            }
        }
        if (const Json* settings = m_read.field(entry, "settings")) {
            manifest.settings = settings_json::RecordSettingsFrom(m_read, *settings);
        }
    }
    void page(const Json& entry)
    {
        ManifestPage page;
        if (m_read.number(entry, "n") != manifest.pages.size()) {
            m_read.fail("its pages are not in order");
        }
        if (const Json* source = m_read.field(entry, "source"); source && !source->is_null()) {
            page.source = m_read.path(entry, "source");
        }
        page.output = m_read.path(entry, "output");
        if (const Json* backup = m_read.field(entry, "backup"); backup && !backup->is_null()) {
            page.backup = m_read.path(entry, "backup");
        }
        page.sourceSize = m_read.number(entry, "source_size");
        page.sourceSha256 = m_read.text(entry, "source_sha256");
        page.outputSize = m_read.number(entry, "output_size");
        page.outputSha256 = m_read.text(entry, "output_sha256");
        page.replacedEarlierFile = m_read.flag(entry, "replaced_earlier_file");
        page.placed = false;
        manifest.pages.push_back(std::move(page));
    }

    Reader m_read;
};

} // namespace

std::optional<RunManifest> ParseJournal(std::string_view text, ManifestProblem& problem)
{
    JournalReader reader;
    std::string sum;
    std::size_t number = 0;
    std::uint64_t length = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos;
         text.remove_prefix(end + 1), end = text.find('\n')) {
        ++number;
        length += end + 1;
        const std::string_view line = text.substr(0, end);
        const std::size_t tab = line.rfind('\t');
        const std::string where = "line " + std::to_string(number);
        if (tab == std::string_view::npos) {
            problem = {ManifestProblem::Kind::Malformed, where + " has no checksum"};
            return std::nullopt;
        }
        const std::string json(line.substr(0, tab));
        sum = files::Sha256Hex(sum + json);
        if (line.substr(tab + 1) != sum) {
            problem = {ManifestProblem::Kind::Malformed,
                       where + " does not match its checksum: the record was changed"};
            return std::nullopt;
        }
        const Json entry = Json::parse(json, nullptr, false);
        if (entry.is_discarded() || !entry.is_object()) {
            problem = {ManifestProblem::Kind::Malformed, where + " is not a JSON object"};
            return std::nullopt;
        }
        reader.line(number, entry);
        if (reader.notARecord || reader.otherVersion) {
            problem = {reader.notARecord ? ManifestProblem::Kind::NotARecord
                                         : ManifestProblem::Kind::OtherVersion,
                       {}};
            return std::nullopt;
        }
        if (!reader.problem().empty()) {
            problem = {ManifestProblem::Kind::Malformed, where + ": " + reader.problem()};
            return std::nullopt;
        }
    }
    if (number == 0) {
        problem = {ManifestProblem::Kind::NotARecord, {}};
        return std::nullopt;
    }
    reader.manifest.lastSum = sum;
    reader.manifest.journalEnd = length;
    return std::move(reader.manifest);
}

} // namespace quorlane::run
