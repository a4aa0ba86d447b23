// What Windows does to files and runs that other systems do not: pages held open by other
// programs, the read-only attribute, paths beyond 260 characters, names that differ only in
// case, and Ctrl-C through the console.
#include <nlohmann/json.hpp>
#include <set>
#include <windows.h>

#include "tests/cli/RunCli.h"

using namespace quorlane;
using test::CliProcess;
using test::Outcome;
using test::Quoted;
using test::RunCli;
using test::TempFolder;
namespace fs = std::filesystem;

namespace {

// A path as the commands take it: UTF-8.
std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

bool isProtected(const std::string& bytes)
{
    return bytes.ends_with(test::marker);
}

// A file opened by another program with the sharing it allows: FILE_SHARE_READ as an editor
// or a viewer may open it (readable by others, neither writable nor removable), or none.
class HeldOpen
{
public:
    HeldOpen(const fs::path& path, DWORD sharing)
        : m_file(CreateFileW(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~HeldOpen() { CloseHandle(m_file); }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool held() const { return m_file != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_file;
};

void setReadOnly(const fs::path& path, bool readOnly)
{
    SetFileAttributesW(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

bool isReadOnly(const fs::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The size of a file, asked without opening it: a reader that held the page open meanwhile
// would keep the run from replacing it, as it would on any Windows machine.
std::uint64_t sizeOf(const fs::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return std::uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// The temporary files of writes, which a run never leaves behind.
int temporariesIn(const fs::path& folder)
{
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::wstring name = entry.path().filename().native();
        count += name.starts_with(L".quorlane-") && name.ends_with(L".tmp") ? 1 : 0;
    }
    return count;
}

// The record of the run that --json reported.
std::string manifestOf(const std::string& report)
{
    const auto json = nlohmann::json::parse(report, nullptr, false);
    return json.contains("manifest") ? json["manifest"].get<std::string>() : std::string();
}

} // namespace

// A page another program holds open is named, left as it was, and nothing of the attempt stays
// beside it; the other pages are protected. Once it is let go, a second run protects it.
TEST(WindowsSharing, APageHeldOpenIsNamedAndKeptWhileTheOthersAreProtected)
{
    for (const DWORD sharing : {DWORD{FILE_SHARE_READ}, DWORD{0}}) {
        SCOPED_TRACE(sharing);
        TempFolder site;
        site.write("a.html", "<p>a</p>");
        const fs::path held = site.write("b.html", "<p>b</p>");
        {
            HeldOpen editor(held, sharing);
            ASSERT_TRUE(editor.held());
            const Outcome run =
                RunCli({"protect", "--quiet", "--save", "overwrite", utf8(site.path())});
            EXPECT_EQ(run.status, cli::exitPageFailed) << run.err;
            EXPECT_THAT(run.err, HasSubstr("b.html")) << run.err;
            EXPECT_TRUE(isProtected(site.read("a.html")));
        }
        EXPECT_EQ(site.read("b.html"), "<p>b</p>");
        if (site.exists("b.html.bak")) {
            EXPECT_EQ(site.read("b.html.bak"), "<p>b</p>");
        }
        EXPECT_EQ(temporariesIn(site.path()), 0);

        const Outcome again =
            RunCli({"protect", "--quiet", "--save", "overwrite", utf8(site.path())});
        EXPECT_EQ(again.status, cli::exitOk) << again.err;
        EXPECT_TRUE(isProtected(site.read("b.html")));
    }
}

// A read-only page is never written over: it is named, and left as it was without a backup.
// An undo puts a read-only page back all the same, as on other systems, where a file's mode
// does not keep it from being renamed or removed; nothing of the run is left behind.
TEST(WindowsReadOnly, PagesAreNotOverwrittenButAreRestored)
{
    TempFolder site;
    const fs::path locked = site.write("locked.html", "<p>locked</p>");
    const fs::path page = site.write("page.html", "<p>page</p>");
    setReadOnly(locked, true);
    const auto before = test::TreeOf(site.path());
    const Outcome run = RunCli({"protect", "--json", "--save", "overwrite", utf8(site.path())});
    ASSERT_EQ(run.status, cli::exitPageFailed) << run.err;
    EXPECT_THAT(run.err, HasSubstr("locked.html"));
    EXPECT_THAT(run.err, HasSubstr("read-only"));
    EXPECT_EQ(site.read("locked.html"), "<p>locked</p>");
    EXPECT_TRUE(isReadOnly(locked));
    EXPECT_FALSE(site.exists("locked.html.bak"));
    ASSERT_TRUE(isProtected(site.read("page.html")));

    const std::string manifest = manifestOf(run.out);
    ASSERT_TRUE(fs::exists(fs::u8path(manifest))) << run.out;
    setReadOnly(page, true);
    const Outcome restored = RunCli({"restore", manifest});
    EXPECT_EQ(restored.status, cli::exitOk) << restored.err;
    EXPECT_EQ(test::TreeOf(site.path()), before);
    EXPECT_TRUE(isReadOnly(locked));
}

// The program itself, its arguments wide, on a site whose folders and pages have names outside
// ASCII and whose paths are longer than the 260 characters of MAX_PATH: every save mode.
TEST(WindowsPaths, LongAndNonAsciiPathsWorkThroughTheProgram)
{
    TempFolder folder;
    std::string deep = "site";
    for (int level = 0; level < 5; ++level) {
        deep += "/\xC3\x9C"
                "berordner-\xE6\x97\xA5\xE6\x9C\xAC-" +
                std::string(50, 'x');
    }
    const std::string page = deep + "/Seite-\xC3\xA4.html";
    folder.write(page, "<p>\xE2\x82\xAC</p>");
    const fs::path site = folder.path() / "site";
    ASSERT_GT((folder.path() / fs::u8path(page)).native().size(), 300u);

    CliProcess program;
    ASSERT_EQ(program.run("protect --quiet --save copy --target " + Quoted(folder.path() / "out") +
                          " " + Quoted(site)),
              cli::exitOk)
        << program.err();
    EXPECT_TRUE(isProtected(folder.read("out" + page.substr(4))));

    ASSERT_EQ(program.run("protect --quiet " + Quoted(site)), cli::exitOk) << program.err();
    EXPECT_TRUE(isProtected(folder.read(deep + "/protected_Seite-\xC3\xA4.html")));

    ASSERT_EQ(program.run("protect --quiet --save overwrite " + Quoted(site)), cli::exitOk)
        << program.err();
    EXPECT_TRUE(isProtected(folder.read(page)));
    EXPECT_EQ(folder.read(page + ".bak"), "<p>\xE2\x82\xAC</p>");
}

// Names that differ in case only name one file on Windows: a frame page named both ways, and a
// page given both on its own and with its folder, are each protected once, and an exclude
// pattern takes a name whatever its case.
TEST(WindowsNames, ThatDifferInCaseOnlyNameOneFile)
{
    TempFolder folder;
    folder.write("site/frames.html", "<frameset><frame src=\"Sub/B.htm\">"
                                     "<frame src=\"sub/b.htm\"></frameset>");
    folder.write("site/sub/b.htm", "<p>frame</p>");
    folder.write("site/Notes.TXT.html", "<p>notes</p>");
    const std::string site = (folder.path() / "site").string();

    const Outcome copy = RunCli({"protect", "--quiet", "--save", "copy", "--target",
                                 (folder.path() / "out").string(), site});
    ASSERT_EQ(copy.status, cli::exitOk) << copy.err;
    EXPECT_EQ(test::MarkerCount(folder.read("out/sub/b.htm")), 1u);

    const Outcome beside =
        RunCli({"protect", "--quiet", "--exclude", "NOTES.*", site + "\\FRAMES.HTML", site});
    ASSERT_EQ(beside.status, cli::exitOk) << beside.err;
    EXPECT_EQ(test::MarkerCount(folder.read("site/protected_frames.html")), 1u);
    EXPECT_EQ(test::MarkerCount(folder.read("site/sub/protected_b.htm")), 1u);
    EXPECT_FALSE(folder.exists("site/protected_Notes.TXT.html"));
}

namespace {

// quorlane-cli.exe started on a console of this test's own, its output caught in files. The
// test takes no Ctrl-C itself: its own handler swallows them.
class ConsoleRun
{
public:
    explicit ConsoleRun(const std::wstring& arguments)
    {
        FreeConsole();
        AllocConsole();
        SetConsoleCtrlHandler(swallow, TRUE);
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        m_out = CreateFileW((m_files.path() / "out").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                            &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        m_err = CreateFileW((m_files.path() / "err").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                            &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = m_out;
        startup.hStdError = m_err;
        std::wstring command = L"\"" + fs::path(QUORLANE_CLI_PATH).native() + L"\" " + arguments;
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &m_process);
    }
    ~ConsoleRun()
    {
        if (running()) {
            TerminateProcess(m_process.hProcess, 1);
        }
        wait();
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    ConsoleRun(const ConsoleRun&) = delete;
    ConsoleRun& operator=(const ConsoleRun&) = delete;

    bool started() const { return m_process.hProcess != nullptr; }
    bool running() const { return WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD wait()
    {
        WaitForSingleObject(m_process.hProcess, INFINITE);
        DWORD status = 0;
        GetExitCodeProcess(m_process.hProcess, &status);
        CloseHandle(m_out);
        CloseHandle(m_err);
        m_out = m_err = INVALID_HANDLE_VALUE;
        return status;
    }
    std::string out() const { return m_files.read("out"); }
    std::string err() const { return m_files.read("err"); }

private:
    static BOOL WINAPI swallow(DWORD) { return TRUE; }

    TempFolder m_files;
    HANDLE m_out = INVALID_HANDLE_VALUE;
    HANDLE m_err = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION m_process{};
};

} // namespace

// Ctrl-C, as the console sends it to every program on it (GenerateConsoleCtrlEvent, which Wine
// delivers too): the run stops after the current page with its own exit status, leaves no
// temporary file, and its record undoes exactly the pages it protected.
TEST(WindowsCtrlC, StopsTheRunAfterThePageWithARecordThatUndoesIt)
{
    constexpr int pages = 400;
    TempFolder site;
    test::WriteSite(site, pages);
    const auto before = test::TreeOf(site.path());
    ConsoleRun run(L"protect --json --save overwrite \"" + site.str() + L"\"");
    ASSERT_TRUE(run.started());
    // Sent once the run is at work on the pages.
    const fs::path first = site.path() / test::SitePageName(0);
    while (run.running() && sizeOf(first) == test::SitePage(0).size()) {
        Sleep(2);
    }
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    ASSERT_EQ(run.wait(), DWORD{cli::exitCancelled}) << run.err();

    int done = 0;
    for (int i = 0; i < pages; ++i) {
        const std::string page = site.read(test::SitePageName(i));
        done += isProtected(page) ? 1 : 0;
        EXPECT_TRUE(isProtected(page) || page == test::SitePage(i)) << i;
    }
    EXPECT_GT(done, 0);
    EXPECT_LT(done, pages);
    EXPECT_EQ(temporariesIn(site.path()), 0);
    const std::string says =
        "Cancelled after " + std::to_string(done) + " of " + std::to_string(pages) + " pages";
    EXPECT_THAT(run.err(), HasSubstr(says));

    const std::string manifest = manifestOf(run.out());
    ASSERT_FALSE(manifest.empty()) << run.out();
    const Outcome undone = RunCli({"restore", manifest});
    EXPECT_EQ(undone.status, cli::exitOk) << undone.err;
    EXPECT_EQ(test::TreeOf(site.path()), before);
}

namespace {

// The path with its ASCII letters in upper (or lower) case: another spelling of the same file
// on Windows.
fs::path inCase(const fs::path& path, bool upper)
{
    std::wstring text = path.native();
    for (wchar_t& unit : text) {
        if (upper && unit >= L'a' && unit <= L'z') {
            unit = static_cast<wchar_t>(unit - L'a' + L'A');
        } else if (!upper && unit >= L'A' && unit <= L'Z') {
            unit = static_cast<wchar_t>(unit - L'A' + L'a');
        }
    }
    return text;
}

// The names in folder, not below it: a listing that works on short paths only is enough there.
std::set<std::wstring> namesIn(const fs::path& folder)
{
    std::set<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().native());
    }
    return names;
}

} // namespace

// An undo of a copy into a target beyond the 260 characters of MAX_PATH removes the copies and
// every folder the run made for them, down to the target itself, and the record: nothing of
// the run is left, not even an empty folder.
TEST(WindowsPaths, AnUndoOfACopyBeyondMaxPathLeavesNoFolder)
{
    TempFolder folder;
    folder.write("site/index.html", "<p>index</p>");
    folder.write("site/sub/deeper/page.html", "<p>page</p>");
    folder.write("site/sub/style.css", "p {}");
    std::string target = "copies";
    for (int level = 0; level < 4; ++level) {
        target += "/folder-" + std::to_string(level) + "-" + std::string(60, 'x');
    }
    ASSERT_GT((folder.path() / fs::u8path(target) / "sub" / "deeper").native().size(), 300u);
    const auto before = test::TreeOf(folder.path() / "site");

    const Outcome run =
        RunCli({"protect", "--json", "--save", "copy", "--target",
                utf8(folder.path() / fs::u8path(target)), utf8(folder.path() / "site")});
    ASSERT_EQ(run.status, cli::exitOk) << run.err;
    ASSERT_TRUE(isProtected(folder.read(target + "/sub/deeper/page.html")));
    EXPECT_EQ(folder.read(target + "/sub/style.css"), "p {}");
    const std::string manifest = manifestOf(run.out);
    ASSERT_FALSE(manifest.empty()) << run.out;

    const Outcome undone = RunCli({"restore", manifest});
    EXPECT_EQ(undone.status, cli::exitOk) << undone.err << undone.out;
    EXPECT_FALSE(folder.exists("copies")) << undone.out;
    EXPECT_EQ(namesIn(folder.path()), std::set<std::wstring>{L"site"});
    EXPECT_EQ(test::TreeOf(folder.path() / "site"), before);
}

// A record named with its folder spelled in other case than the run's target still names the
// target from its own folder, and an undo through it puts everything back.
TEST(WindowsNames, ARecordWhoseFolderIsSpelledInOtherCaseStillRestores)
{
    TempFolder folder;
    folder.write("site/index.html", "<p>index</p>");
    folder.write("site/sub/page.html", "<p>page</p>");
    const auto before = test::TreeOf(folder.path());
    const fs::path target = inCase(folder.path(), false) / "out";
    const fs::path record = inCase(folder.path(), true) / "RUN.JSON";

    const Outcome run = RunCli({"protect", "--quiet", "--save", "copy", "--target", utf8(target),
                                "--manifest", utf8(record), utf8(folder.path() / "site")});
    ASSERT_EQ(run.status, cli::exitOk) << run.err;
    ASSERT_TRUE(isProtected(folder.read("out/sub/page.html")));
    // The record's first line names the run's folder: from the record's own, not as a whole
    // path of this machine.
    const std::string lines = folder.read("run.json");
    // Each line is its entry, a tab and the entry's digest.
    const auto header = nlohmann::json::parse(lines.substr(0, lines.find('\t')), nullptr, false);
    ASSERT_TRUE(header.is_object()) << lines;
    EXPECT_EQ(header.value("tree", std::string()), "out") << lines;

    const Outcome undone = RunCli({"restore", utf8(inCase(folder.path(), false) / "run.json")});
    EXPECT_EQ(undone.status, cli::exitOk) << undone.err << undone.out;
    EXPECT_EQ(test::TreeOf(folder.path()), before);
}

// A copy target inside the added folder, spelled in other case (C:\SITE\OUT for c:\site), is
// inside it: its pages are not taken for the site's, the copy holds each page once, and the
// undo puts everything back.
TEST(WindowsNames, ACopyTargetInTheAddedFolderSpelledInOtherCaseIsInside)
{
    TempFolder folder;
    folder.write("site/index.html", "<p>index</p>");
    folder.write("site/sub/page.html", "<p>page</p>");
    const auto before = test::TreeOf(folder.path());
    const fs::path site = inCase(folder.path() / "site", false);
    const fs::path target = inCase(folder.path() / "site", true) / "OUT";

    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        const Outcome run =
            RunCli({"protect", "--json", "--save", "copy", "--target", utf8(target), utf8(site)});
        ASSERT_EQ(run.status, cli::exitOk) << run.err << run.out;
        EXPECT_EQ(test::MarkerCount(folder.read("site/OUT/sub/page.html")), 1u);
        EXPECT_FALSE(folder.exists("site/OUT/OUT"));
        EXPECT_FALSE(folder.exists("site/OUT/out"));
        const std::string manifest = manifestOf(run.out);
        ASSERT_FALSE(manifest.empty()) << run.out;
        const Outcome undone = RunCli({"restore", manifest});
        EXPECT_EQ(undone.status, cli::exitOk) << undone.err << undone.out;
        EXPECT_EQ(test::TreeOf(folder.path()), before);
    }
}

// A record kept away from the run's folder names that folder as a whole path, its drive first,
// and an undo through it finds the folder by that path.
TEST(WindowsPaths, ARecordAwayFromTheRunNamesItsFolderWithTheDrive)
{
    TempFolder folder;
    TempFolder records;
    folder.write("site/sub/page.html", "<p>page</p>");
    const auto before = test::TreeOf(folder.path());
    const Outcome run =
        RunCli({"protect", "--quiet", "--save", "copy", "--target", utf8(folder.path() / "out"),
                "--manifest", utf8(records.path() / "run.json"), utf8(folder.path() / "site")});
    ASSERT_EQ(run.status, cli::exitOk) << run.err;
    ASSERT_TRUE(isProtected(folder.read("out/sub/page.html")));

    const Outcome undone = RunCli({"restore", utf8(records.path() / "run.json")});
    EXPECT_EQ(undone.status, cli::exitOk) << undone.err << undone.out;
    EXPECT_EQ(test::TreeOf(folder.path()), before);
    EXPECT_FALSE(records.exists("run.json"));
}
