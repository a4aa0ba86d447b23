// Runs of the real quorlane-cli as processes: two at once over one tree, killed at random
// moments, and stopped by a signal.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/TempFolder.h"

using quorlane::test::marker;
using quorlane::test::SitePage;
using quorlane::test::TempFolder;
using quorlane::test::WriteSite;
namespace fs = quorlane::test::fs;
using Clock = std::chrono::steady_clock;

namespace {

// quorlane-cli started with args, its output and errors going to files of a folder of its own.
class CliRun
{
public:
    explicit CliRun(const std::vector<std::string>& args)
    {
        std::vector<char*> argv{const_cast<char*>(QUORLANE_CLI_PATH)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (m_folder.path() / "out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (m_folder.path() / "err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::posix_spawn(&m_pid, QUORLANE_CLI_PATH, &actions, nullptr, argv.data(), environ) !=
            0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliRun()
    {
        if (m_pid > 0 && !m_status) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
    }

    void signal(int number) const { ::kill(m_pid, number); }
    bool running() { return !reaped(WNOHANG); }
    // The exit status; -1 when it did not exit of itself.
    int wait() { return reaped(0) && WIFEXITED(*m_status) ? WEXITSTATUS(*m_status) : -1; }
    std::string out() const { return m_folder.read("out"); }
    std::string err() const { return m_folder.read("err"); }

private:
    bool reaped(int options)
    {
        int status = 0;
        if (!m_status && ::waitpid(m_pid, &status, options) == m_pid) {
            m_status = status;
        }
        return m_status.has_value();
    }

    TempFolder m_folder;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

bool isProtectedPage(const std::string& bytes)
{
    return bytes.starts_with("<script type=\"text/javascript\">") && bytes.ends_with(marker);
}

int temporariesIn(const fs::path& folder)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        count += name.starts_with(".quorlane-") && name.ends_with(".tmp") ? 1 : 0;
    }
    return count;
}

void removeTemporaries(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".quorlane-") && name.ends_with(".tmp")) {
            fs::remove(entry.path());
        }
    }
}

// What a site in Overwrite mode may hold at any moment: each page as it was or wholly
// protected, each backup absent or the page as it was.
struct SiteState
{
    int partialPages = 0;
    int partialBackups = 0;
    int protectedPages = 0;
};

SiteState stateOf(const TempFolder& site, int pages)
{
    SiteState state;
    for (int i = 0; i < pages; ++i) {
        const std::string name = quorlane::test::SitePageName(i);
        const std::string page = site.read(name);
        if (isProtectedPage(page)) {
            ++state.protectedPages;
        } else if (page != SitePage(i)) {
            ++state.partialPages;
        }
        if (site.exists(name + ".bak") && site.read(name + ".bak") != SitePage(i)) {
            ++state.partialBackups;
        }
    }
    return state;
}

// How long a run of args takes here, in microseconds: kills up to then fall anywhere in a run.
long LengthOfRun(const std::vector<std::string>& args)
{
    const auto start = Clock::now();
    EXPECT_EQ(CliRun(args).wait(), 0);
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

// Starts a run of args and kills it at a random moment up to length microseconds.
void KillAtRandom(const std::vector<std::string>& args, std::mt19937& random, long length)
{
    CliRun killed(args);
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<long>(0, length)(random)));
    killed.signal(SIGKILL);
    killed.wait();
}

// Holds a lock on a folder as another run would.
class HeldFolder
{
public:
    explicit HeldFolder(const fs::path& folder)
        : m_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        ::flock(m_fd, LOCK_EX);
    }
    ~HeldFolder() { release(); }
    void release()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd;
};

} // namespace

// A run over a tree that another run holds, or a page inside it, stops at once with a message
// that names the folder, and touches nothing; with --wait it waits, and then runs.
TEST(Processes, ARunOverAHeldTreeStopsOrWaits)
{
    TempFolder site;
    site.write("sub/page.htm", "<p>page</p>");
    HeldFolder other(site.path());
    for (const fs::path& path : {site.path(), site.path() / "sub" / "page.htm"}) {
        SCOPED_TRACE(path);
        CliRun stopped({"protect", "--save", "overwrite", path.string()});
        EXPECT_EQ(stopped.wait(), 5);
        EXPECT_NE(stopped.err().find("Another run of Quorlane is at work on " + site.str()),
                  std::string::npos)
            << stopped.err();
    }
    EXPECT_EQ(site.read("sub/page.htm"), "<p>page</p>");
    EXPECT_FALSE(site.exists("sub/page.htm.bak"));

    CliRun waiting({"protect", "--wait", "--save", "overwrite", site.str()});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(waiting.running());
    EXPECT_EQ(site.read("sub/page.htm"), "<p>page</p>");
    other.release();
    EXPECT_EQ(waiting.wait(), 0) << waiting.err();
    EXPECT_TRUE(isProtectedPage(site.read("sub/page.htm")));
    EXPECT_EQ(site.read("sub/page.htm.bak"), "<p>page</p>");
}

// Two overwrite runs started together over one folder: every backup holds the page as it was,
// and every page ends up protected once.
TEST(Processes, TwoOverwriteRunsAtOnceKeepEveryOriginal)
{
    constexpr int pages = 60;
    for (const bool wait : {false, true}) {
        for (int trial = 0; trial < 2; ++trial) {
            SCOPED_TRACE(std::to_string(trial) + (wait ? " waiting" : ""));
            TempFolder site;
            WriteSite(site, pages);
            std::vector<std::string> args{"protect", "--quiet", "--save", "overwrite"};
            if (wait) {
                args.push_back("--wait");
            }
            args.push_back(site.str());
            CliRun first(args);
            args.back() += "/"; // the same folder, spelled otherwise
            CliRun second(args);
            const int firstStatus = first.wait();
            const int secondStatus = second.wait();
            EXPECT_TRUE(firstStatus == 0 || firstStatus == 5) << first.err();
            EXPECT_TRUE(secondStatus == 0 || secondStatus == 5) << second.err();
            EXPECT_EQ(std::min(firstStatus, secondStatus), 0);
            if (wait) {
                EXPECT_EQ(firstStatus + secondStatus, 0);
            }
            const SiteState state = stateOf(site, pages);
            EXPECT_EQ(state.protectedPages, pages);
            EXPECT_EQ(state.partialBackups, 0);
            EXPECT_EQ(temporariesIn(site.path()), 0);
        }
    }
}

// Killed at random moments while overwriting a site with backups: never a partial page or a
// partial backup, and the next run leaves no temporary file and every page protected.
TEST(Processes, KilledAtRandomMomentsNothingIsPartial)
{
    constexpr int pages = 20;
    constexpr int trials = 60;
    const std::vector<std::string> args{"protect", "--quiet", "--save", "overwrite"};
    const auto runOver = [&](const TempFolder& site) {
        std::vector<std::string> all = args;
        all.push_back(site.str());
        return all;
    };
    TempFolder timed;
    WriteSite(timed, pages);
    const long length = LengthOfRun(runOver(timed));
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SiteState total;
    int midRun = 0;
    for (int trial = 0; trial < trials; ++trial) {
        TempFolder site;
        WriteSite(site, pages);
        KillAtRandom(runOver(site), random, length);
        const SiteState after = stateOf(site, pages);
        total.partialPages += after.partialPages;
        total.partialBackups += after.partialBackups;
        midRun += after.protectedPages > 0 && after.protectedPages < pages ? 1 : 0;

        CliRun next(runOver(site));
        ASSERT_EQ(next.wait(), 0) << next.err();
        const SiteState done = stateOf(site, pages);
        EXPECT_EQ(done.protectedPages, pages);
        EXPECT_EQ(done.partialBackups, 0);
        EXPECT_EQ(temporariesIn(site.path()), 0) << "trial " << trial << ", seed " << seed;
    }
    EXPECT_EQ(total.partialPages, 0) << "seed " << seed;
    EXPECT_EQ(total.partialBackups, 0) << "seed " << seed;
    std::cout << "SIGKILL: " << midRun << " of " << trials << " kills fell mid-run (seed " << seed
              << ")\n";
}

// SIGTERM and Ctrl-C stop after the current page: the pages done stay, no temporary file is
// left, and the run says how far it got, with its own exit status.
TEST(Processes, ASignalStopsAfterThePageAndSaysSo)
{
    constexpr int pages = 400;
    for (const int number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(number);
        TempFolder site;
        WriteSite(site, pages);
        CliRun run({"protect", "--json", "--save", "overwrite", "--no-backups", site.str()});
        // Stopped once it is at work on the pages.
        while (run.running() && !isProtectedPage(site.read("p0.htm"))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        run.signal(number);
        ASSERT_EQ(run.wait(), 130) << run.err();
        const SiteState state = stateOf(site, pages);
        EXPECT_EQ(state.partialPages, 0);
        EXPECT_GT(state.protectedPages, 0);
        EXPECT_LT(state.protectedPages, pages);
        EXPECT_EQ(temporariesIn(site.path()), 0);
        const std::string out = run.out();
        EXPECT_NE(out.find("\"cancelled\": true"), std::string::npos) << out;
        const std::string says = "Cancelled after " + std::to_string(state.protectedPages) +
                                 " of " + std::to_string(pages) + " pages";
        EXPECT_NE(out.find("\"status\": \"" + says + "\""), std::string::npos) << out;
        EXPECT_NE(run.err().find(says), std::string::npos);
    }
}

// An undo killed at random moments, in a mode that puts pages back from backups and in one that
// removes files and the folders it made: run again, it completes, and the tree is as it was.
TEST(Processes, ARestoreKilledAnywhereCompletesWhenRunAgain)
{
    constexpr int trials = 15;
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    const std::vector<std::vector<std::string>> modes = {{"--save", "overwrite"},
                                                         {"--save", "copy", "--target", "out/a/b"}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode[1]);
        // A protected site, and the manifest of the run that protected it.
        const auto protectedSite = [&](const TempFolder& work) {
            for (int folder = 0; folder < 6; ++folder) {
                for (int i = 0; i < 5; ++i) {
                    work.write("site/f" + std::to_string(folder) + "/p" + std::to_string(i) +
                                   ".htm",
                               SitePage(i));
                }
            }
            auto before = quorlane::test::TreeOf(work.path());
            std::vector<std::string> args{"protect", "--quiet"};
            args.insert(args.end(), mode.begin(), mode.end());
            args.push_back((work.path() / "site").string());
            if (mode[1] == "copy") {
                args[args.size() - 2] = (work.path() / "out/a/b").string();
            }
            CliRun protect(args);
            EXPECT_EQ(protect.wait(), 0) << protect.err();
            // A copy's manifest goes beside its target, the others' into the site.
            const std::string manifest =
                quorlane::test::ManifestIn(mode[1] == "copy" ? work.path() : work.path() / "site");
            EXPECT_FALSE(manifest.empty()) << "no manifest: " << protect.out() << protect.err();
            return std::make_pair(before, manifest);
        };
        TempFolder timed;
        const long length = LengthOfRun({"restore", protectedSite(timed).second});
        int stopped = 0;
        for (int trial = 0; trial < trials; ++trial) {
            TempFolder work;
            const auto [before, manifest] = protectedSite(work);
            KillAtRandom({"restore", manifest}, random, length);
            // Gone: the undo had finished before the kill.
            if (fs::exists(manifest)) {
                ++stopped;
                CliRun again({"restore", manifest});
                ASSERT_EQ(again.wait(), 0) << again.err() << "trial " << trial << ", seed " << seed;
            }
            EXPECT_EQ(quorlane::test::TreeOf(work.path()), before)
                << "trial " << trial << ", seed " << seed;
        }
        std::cout << "restore --save " << mode[1] << ": " << stopped << " of " << trials
                  << " kills fell before the undo was done (seed " << seed << ")\n";
    }
}

// Killed at random moments while overwriting a site with backups, with one thread or several:
// the record left behind gives back every page byte for byte, and leaves nothing of the run;
// a second restore then changes nothing.
TEST(Processes, KilledAtRandomMomentsTheRecordUndoesEveryPage)
{
    constexpr int pages = 24;
    constexpr int trialsPerJobs = 17;
    const auto writeSite = [](const TempFolder& site) { WriteSite(site, pages); };
    const auto replacedIn = [](const TempFolder& site) {
        return stateOf(site, pages).protectedPages;
    };
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    int midRun = 0;
    for (const char* jobs : {"1", "2", "4"}) {
        SCOPED_TRACE(std::string("--jobs ") + jobs);
        const auto runOver = [&](const TempFolder& site) {
            return std::vector<std::string>{"protect", "--quiet", "--save",  "overwrite",
                                            "--jobs",  jobs,      site.str()};
        };
        TempFolder timed;
        writeSite(timed);
        const long length = LengthOfRun(runOver(timed));
        for (int trial = 0; trial < trialsPerJobs; ++trial) {
            TempFolder site;
            writeSite(site);
            const auto before = quorlane::test::TreeOf(site.path());
            KillAtRandom(runOver(site), random, length);
            const int replaced = replacedIn(site);
            midRun += replaced > 0 && replaced < pages ? 1 : 0;
            const std::string record = quorlane::test::ManifestIn(site.path());
            const std::string where = "trial " + std::to_string(trial) + ", seed " +
                                      std::to_string(seed) + ", " + std::to_string(replaced) +
                                      " pages replaced";
            if (!record.empty()) {
                CliRun restore({"restore", record});
                ASSERT_EQ(restore.wait(), 0) << restore.err() << where;
            } else {
                // Killed before its record was made: nothing was replaced, and all it can have
                // left is the temporary file of the record, which the next run removes.
                EXPECT_EQ(replaced, 0) << where;
                EXPECT_LE(temporariesIn(site.path()), 1) << where;
                removeTemporaries(site.path());
            }
            const auto after = quorlane::test::TreeOf(site.path());
            EXPECT_TRUE(after == before) << where;
            if (!record.empty()) {
                CliRun again({"restore", record});
                EXPECT_EQ(again.wait(), 2) << where;
                EXPECT_TRUE(quorlane::test::TreeOf(site.path()) == after) << where;
            }
        }
    }
    std::cout << "SIGKILL then restore: " << midRun << " of " << 3 * trialsPerJobs
              << " kills fell while pages were put in place (seed " << seed << ")\n";
}

// Two runs started together over two pages of one folder keep a record each, and each restore
// puts back its own page.
TEST(Processes, TwoRunsStartedTogetherKeepARecordEach)
{
    for (int trial = 0; trial < 5; ++trial) {
        SCOPED_TRACE(trial);
        TempFolder site;
        site.write("a.htm", "<p>a</p>");
        site.write("b.htm", "<p>b</p>");
        const auto before = quorlane::test::TreeOf(site.path());
        CliRun first({"protect", "--quiet", "--save", "overwrite", site.str() + "/a.htm"});
        CliRun second({"protect", "--quiet", "--save", "overwrite", site.str() + "/b.htm"});
        ASSERT_EQ(first.wait(), 0) << first.err();
        ASSERT_EQ(second.wait(), 0) << second.err();
        std::vector<std::string> records;
        for (const auto& entry : fs::directory_iterator(site.path())) {
            if (entry.path().filename().string().starts_with(".quorlane-run-")) {
                records.push_back(entry.path().string());
            }
        }
        ASSERT_EQ(records.size(), 2u);
        for (const std::string& record : records) {
            CliRun restore({"restore", record});
            EXPECT_EQ(restore.wait(), 0) << restore.err();
        }
        EXPECT_EQ(quorlane::test::TreeOf(site.path()), before);
    }
}

// A restore over a tree that a run holds stops at once and touches nothing; with --wait it
// waits for the run, and then undoes it.
TEST(Processes, ARestoreWaitsForTheRunsLocks)
{
    TempFolder site;
    site.write("a.htm", "<p>a</p>");
    CliRun protect({"protect", "--quiet", "--save", "overwrite", site.str()});
    ASSERT_EQ(protect.wait(), 0) << protect.err();
    const std::string record = quorlane::test::ManifestIn(site.path());
    const auto protectedTree = quorlane::test::TreeOf(site.path());
    HeldFolder run(site.path());
    CliRun stopped({"restore", record});
    EXPECT_EQ(stopped.wait(), 5);
    EXPECT_NE(stopped.err().find("Another run of Quorlane is at work on " + site.str()),
              std::string::npos)
        << stopped.err();
    EXPECT_EQ(quorlane::test::TreeOf(site.path()), protectedTree);

    CliRun waiting({"restore", "--wait", record});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(waiting.running());
    EXPECT_EQ(quorlane::test::TreeOf(site.path()), protectedTree);
    run.release();
    EXPECT_EQ(waiting.wait(), 0) << waiting.err();
    EXPECT_EQ(site.read("a.htm"), "<p>a</p>");
}
