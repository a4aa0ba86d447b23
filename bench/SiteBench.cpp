// The folder scan over a generated site, to set beside `find` over the same tree:
//   quorlane_site_bench DIR   (a site written by quorlane_bench --write-site=DIR)

#include <benchmark/benchmark.h>
#include <iostream>

#include "files/clsFiles.h"
#include "files/modAll.h"

namespace {

std::string site;

void BM_ScanFolder(benchmark::State& state)
{
    quorlane::files::RealFileSystem fileSystem;
    std::int64_t pages = 0;
    for (auto _ : state) {
        quorlane::files::clsFiles files;
        quorlane::core::PathString root;
        quorlane::files::ScanFolder(fileSystem, site, root, files);
        pages = files.Count();
        benchmark::DoNotOptimize(pages);
    }
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_ScanFolder)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::cerr << "usage: quorlane_site_bench [benchmark flags] DIR\n";
        return 2;
    }
    site = argv[argc - 1];
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
