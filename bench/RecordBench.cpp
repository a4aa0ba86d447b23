// What a run costs in each save mode over the same small pages: new files beside the pages,
// overwrite with backups (each batch of backups and record lines flushed to the disk before its
// pages are put in place), and overwrite without backups. Each run gets a fresh site in the
// system's temporary folder (or the folder in $QUORLANE_BENCH_DIR).
//
//   quorlane_record_bench [benchmark flags]

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

#include "run/ProtectionRun.h"

using namespace quorlane;
namespace fs = std::filesystem;

namespace {

// A run host that asks nothing and shows nothing; it counts the pages that failed.
class QuietHost : public run::RunHost
{
public:
    bool cancelRequested() override { return false; }
    void refused(const run::Refusal&) override { ++failures; }
    void notice(const run::RunNotice&) override {}
    void started(const run::RunStart&) override {}
    void pageDone(const run::PageOutcome& outcome) override
    {
        failures += outcome.kind == run::PageOutcome::Kind::Failed ? 1 : 0;
    }
    void finished(const run::RunSummary&) override {}
    int failures = 0;
};

fs::path benchFolder()
{
    const char* given = std::getenv("QUORLANE_BENCH_DIR");
    return (given != nullptr ? fs::path(given) : fs::temp_directory_path()) /
           "quorlane-record-bench";
}

// A folder of its own for each run, all removed when the benchmarks end: a site removed just
// before the next is written leaves thousands of recently freed inodes, which the file system
// then passes over one by one for every file the run creates (its cost, not the run's).
fs::path freshSite()
{
    static std::random_device seed;
    return benchFolder() / ("site-" + std::to_string(seed()));
}

void writeSite(const fs::path& site, int pages)
{
    fs::create_directories(site);
    for (int i = 0; i < pages; ++i) {
        std::ofstream(site / ("p" + std::to_string(i) + ".htm"), std::ios::binary)
            << "<html><head><title>Page " << i << "</title></head><body><p>A small page, number "
            << i << ", with <a href=\"p" << i + 1 << ".htm\">a link</a>.</p></body></html>";
    }
    // On the disk before the run, as a site is: else the run in overwrite mode, which makes
    // its backups last, would write the fresh site out for it.
    ::sync();
}

// state.range(0): 0 new files, 1 overwrite with backups, 2 overwrite without; range(1): pages.
void BM_Run(benchmark::State& state)
{
    core::ProtectionSettings settings;
    settings.saveMode = state.range(0) == 0 ? core::SaveMode::CreateNew : core::SaveMode::Overwrite;
    settings.makeBackups = state.range(0) == 1;
    const int pages = static_cast<int>(state.range(1));
    files::RealFileSystem fileSystem;
    int failures = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path site = freshSite();
        writeSite(site, pages);
        state.ResumeTiming();
        QuietHost host;
        run::ProtectionRun protection(host, fileSystem);
        protection.setJobs(1);
        protection.RunProtection({{site.native(), true}}, settings);
        failures += host.failures;
    }
    state.counters["pages/s"] =
        benchmark::Counter(static_cast<double>(pages) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    if (failures > 0) {
        state.SkipWithError("pages failed");
    }
}
BENCHMARK(BM_Run)
    ->ArgNames({"mode", "pages"})
    ->ArgsProduct({{0, 1, 2}, {2000, 10000}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    fs::remove_all(benchFolder());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(benchFolder());
    return 0;
}
