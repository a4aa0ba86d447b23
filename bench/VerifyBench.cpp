// What the check of every written page costs a run: a whole protection run over a generated
// site (which reads each written page back and checks it), beside the check alone over the same
// written pages. The check's share of the run is Verify / (Run - Verify).
//
//   quorlane_verify_bench [benchmark flags]

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/SamplePages.h"
#include "core/PageVerifier.h"
#include "core/Utf8.h"
#include "files/PageCodec.h"
#include "files/ReadBack.h"
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

// A site of pages with links links each, written once per shape, and a target beside it.
struct Site
{
    fs::path root;
    std::vector<std::string> names;

    Site(int pages, std::size_t links)
    {
        root = fs::temp_directory_path() /
               ("quorlane-verify-bench-" + std::to_string(pages) + "-" + std::to_string(links));
        fs::remove_all(root);
        fs::create_directories(root / "site");
        const std::string bytes = core::Utf16ToUtf8(bench::GeneratedPage(links));
        for (int i = 0; i < pages; ++i) {
            names.push_back("p" + std::to_string(i) + ".htm");
            std::ofstream(root / "site" / names.back(), std::ios::binary) << bytes;
        }
    }
    ~Site() { fs::remove_all(root); }
    core::ProtectionSettings settings(core::ProtectMode mode) const
    {
        core::ProtectionSettings settings;
        settings.protectMode = mode;
        settings.saveMode = core::SaveMode::CopyToFolder;
        settings.saveDir = core::TextFromPath((root / "out").native());
        return settings;
    }
    void removeManifests() const
    {
        for (const auto& entry : fs::directory_iterator(root / "site")) {
            if (entry.path().extension() == ".json") {
                fs::remove(entry.path());
            }
        }
    }
};

std::string readAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void runOnce(const Site& site, core::ProtectMode mode)
{
    files::RealFileSystem fileSystem;
    QuietHost host;
    run::ProtectionRun protectionRun(host, fileSystem);
    protectionRun.RunProtection({{(site.root / "site").native(), true}}, site.settings(mode));
    if (host.failures != 0) {
        std::fprintf(stderr, "a page failed\n");
        std::abort();
    }
}

void BM_Run(benchmark::State& state, int pages, std::size_t links, core::ProtectMode mode)
{
    const Site site(pages, links);
    for (auto _ : state) {
        runOnce(site, mode);
        state.PauseTiming();
        site.removeManifests();
        state.ResumeTiming();
    }
    state.counters["pages"] = pages;
}

// The check of the run alone: each written page read back from the disk, decoded in the
// page's encoding, and checked against the page it was made from.
void BM_Verify(benchmark::State& state, int pages, std::size_t links, core::ProtectMode mode)
{
    const Site site(pages, links);
    runOnce(site, mode);
    const core::ProtectionSettings settings = site.settings(mode);
    files::RealFileSystem fileSystem;
    std::vector<files::DecodedPage> originals;
    for (const std::string& name : site.names) {
        originals.push_back(files::DecodePage(readAll(site.root / "site" / name)));
    }
    // Buffers kept from page to page, as the run keeps them.
    std::string bytes;
    std::u16string written;
    std::u16string revealed;
    for (auto _ : state) {
        for (std::size_t k = 0; k < site.names.size(); ++k) {
            if (fileSystem.readFile((site.root / "out" / site.names[k]).native(), bytes).failed() ||
                !files::ReadBackInto(bytes, originals[k].encoding, written) ||
                core::VerifyProtectedPage(originals[k].text, written, settings, false,
                                          {core::EscapedWriterBlock()}, &revealed)) {
                state.SkipWithError("a written page did not pass its check");
                return;
            }
        }
    }
    state.counters["pages"] = pages;
}

// 200 pages of about 20 KB, and 8 pages of about 2 MB, in the mode that escapes everything and
// in one that escapes little.
BENCHMARK_CAPTURE(BM_Run, small_whole, 200, 20, core::ProtectMode::WholePage)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Verify, small_whole, 200, 20, core::ProtectMode::WholePage)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Run, small_links, 200, 20, core::ProtectMode::AllLinks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Verify, small_links, 200, 20, core::ProtectMode::AllLinks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Run, large_whole, 8, 2000, core::ProtectMode::WholePage)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Verify, large_whole, 8, 2000, core::ProtectMode::WholePage)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Run, large_links, 8, 2000, core::ProtectMode::AllLinks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Verify, large_links, 8, 2000, core::ProtectMode::AllLinks)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
