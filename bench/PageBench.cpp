// Throughput of the escaping, and of the protect modes on pages that cost them most.
//
//   quorlane_bench [--fresh-memory] [benchmark flags]   run the benchmarks
//   quorlane_bench --write-page=FILE [N]   write a generated page with N links (default 10000)
//                                          as UTF-8, for timing quorlane-cli as a whole process
//   quorlane_bench --write-site=DIR [P] [F]  write a site of P pages of about 20 KB (default
//                                          10000) in F folders (default 200)
//
// By default the allocator keeps freed memory for the next iteration, as a long-running
// program does, so that the figures show the work on the text: above 32 MB glibc otherwise maps
// fresh pages for every buffer, and faulting them in costs more than the escaping itself.
// --fresh-memory keeps glibc's defaults, as a one-shot process sees them.

#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <malloc.h>

#include "bench/SamplePages.h"
#include "core/PageEncoder.h"
#include "core/PageTransformer.h"
#include "core/Utf8.h"

using namespace quorlane;

namespace {

constexpr std::size_t megabyte = 1 << 20;

void escape(benchmark::State& state, const std::u16string& text)
{
    for (auto _ : state) {
        std::u16string escaped = core::EscapeText(text);
        benchmark::DoNotOptimize(escaped.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size() * 2));
}

void BM_EscapeText_AsciiHtml(benchmark::State& state)
{
    escape(state, bench::AsciiHtml(static_cast<std::size_t>(state.range(0)) * megabyte));
}
BENCHMARK(BM_EscapeText_AsciiHtml)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_EscapeText_Mixed(benchmark::State& state)
{
    escape(state, bench::MixedText(static_cast<std::size_t>(state.range(0)) * megabyte));
}
BENCHMARK(BM_EscapeText_Mixed)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

// The page of n links, made once per size.
const std::u16string& pageWithLinks(std::size_t links)
{
    static std::size_t madeFor = 0;
    static std::u16string page;
    if (madeFor != links) {
        page = bench::GeneratedPage(links);
        madeFor = links;
    }
    return page;
}

// Escaping the same whole page: the yardstick for the protect modes.
void BM_EscapeText_GeneratedPage(benchmark::State& state)
{
    escape(state, pageWithLinks(static_cast<std::size_t>(state.range(0))));
}
BENCHMARK(BM_EscapeText_GeneratedPage)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond);

// One protect mode on one kind of page, at sizes from 1,000 to 64,000 links: the time per
// byte of page (ns_per_byte) stays flat when the mode is linear in the page.
struct ModeCase
{
    const char* name;
    core::ProtectMode mode;
    std::u16string (*page)(std::size_t links);
};

template <bench::HardPage kind> std::u16string hardPage(std::size_t links)
{
    return bench::MakeHardPage(kind, links);
}

std::u16string generatedPage(std::size_t links)
{
    return bench::GeneratedPage(links, 200);
}

using bench::HardPage;
using core::ProtectMode;
const ModeCase modeCases[] = {
    {"links/ordinary", ProtectMode::AllLinks, generatedPage},
    {"links/end_tag_in_script", ProtectMode::AllLinks, hardPage<HardPage::EndTagInScript>},
    {"links/end_tag_in_comment", ProtectMode::AllLinks, hardPage<HardPage::EndTagInComment>},
    {"links/end_tag_in_unclosed_element", ProtectMode::AllLinks,
     hardPage<HardPage::EndTagInUnclosedElement>},
    {"links/one_long_line", ProtectMode::AllLinks, hardPage<HardPage::OneLongLine>},
    {"email/ordinary", ProtectMode::EmailLinksOnly, generatedPage},
    {"email/end_tag_in_script", ProtectMode::EmailLinksOnly, hardPage<HardPage::MailLinksInScript>},
    {"email/end_tag_in_unclosed_element", ProtectMode::EmailLinksOnly,
     hardPage<HardPage::EndTagInUnclosedElement>},
    {"email/links_behind_plain_mailto", ProtectMode::EmailLinksOnly,
     hardPage<HardPage::LinksBehindPlainMailto>},
    {"email/nested_links", ProtectMode::EmailLinksOnly, hardPage<HardPage::NestedLinks>},
    {"email/kept_scripts_opening_raw_text", ProtectMode::EmailLinksOnly,
     hardPage<HardPage::KeptScriptsOpeningRawText>},
    {"email/links_hiding_raw_text", ProtectMode::EmailLinksOnly,
     hardPage<HardPage::LinksHidingRawText>},
    {"email/one_long_line", ProtectMode::EmailLinksOnly, hardPage<HardPage::OneLongLine>},
    {"body/ordinary", ProtectMode::BodyOnly, generatedPage},
    {"body/repeated_body_tags", ProtectMode::BodyOnly, hardPage<HardPage::RepeatedBodyTags>},
    {"body/bodies_in_kept_scripts", ProtectMode::BodyOnly, hardPage<HardPage::BodiesInKeptScripts>},
    {"body/one_long_line", ProtectMode::BodyOnly, hardPage<HardPage::OneLongLine>},
    {"whole/ordinary", ProtectMode::WholePage, generatedPage},
    {"whole/one_long_line", ProtectMode::WholePage, hardPage<HardPage::OneLongLine>},
};

void protectPage(benchmark::State& state, const ModeCase& modeCase)
{
    const std::u16string page = modeCase.page(static_cast<std::size_t>(state.range(0)));
    core::ProtectionSettings settings;
    settings.protectMode = modeCase.mode;
    std::size_t protectedSize = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::u16string text = page;
        state.ResumeTiming();
        core::ProtectPage(text, settings, "utf-8");
        benchmark::DoNotOptimize(text.data());
        protectedSize = text.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.counters["ns_per_byte"] = benchmark::Counter(
        static_cast<double>(page.size()) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    // The protected page for each unit of page: flat when the output grows as the page.
    state.counters["out_per_in"] =
        static_cast<double>(protectedSize) / static_cast<double>(page.size());
}

void registerModeCases()
{
    for (const ModeCase& modeCase : modeCases) {
        benchmark::RegisterBenchmark((std::string("BM_ProtectPage/") + modeCase.name).c_str(),
                                     protectPage, modeCase)
            ->ArgName("links")
            ->Arg(1000)
            ->Arg(4000)
            ->Arg(16000)
            ->Arg(64000)
            ->Unit(benchmark::kMillisecond);
    }
}

int writePage(const char* file, std::size_t links)
{
    std::ofstream out(file, std::ios::binary);
    out << core::Utf16ToUtf8(bench::GeneratedPage(links));
    return out ? 0 : 1;
}

int writeSite(const std::filesystem::path& top, std::size_t pages, std::size_t folders)
{
    const std::string page = core::Utf16ToUtf8(bench::GeneratedPage(20, 1000));
    for (std::size_t i = 0; i < pages; ++i) {
        const std::filesystem::path folder = top / ("section" + std::to_string(i % folders / 10)) /
                                             ("folder" + std::to_string(i % folders));
        if (i < folders) {
            std::filesystem::create_directories(folder);
        }
        std::ofstream out(folder / ("page" + std::to_string(i) + ".html"), std::ios::binary);
        out << "<!-- page " << i << " -->\n" << page;
        if (!out) {
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    constexpr std::string_view siteFlag = "--write-site=";
    if (argc >= 2 && std::strncmp(argv[1], siteFlag.data(), siteFlag.size()) == 0) {
        const std::size_t pages = argc >= 3 ? std::stoul(argv[2]) : 10000;
        const std::size_t folders = argc >= 4 ? std::stoul(argv[3]) : 200;
        return writeSite(argv[1] + siteFlag.size(), pages, folders);
    }
    constexpr std::string_view writeFlag = "--write-page=";
    if (argc >= 2 && std::strncmp(argv[1], writeFlag.data(), writeFlag.size()) == 0) {
        const std::size_t links = argc >= 3 ? std::stoul(argv[2]) : 10000;
        return writePage(argv[1] + writeFlag.size(), links);
    }
    if (argc >= 2 && std::strcmp(argv[1], "--fresh-memory") == 0) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    } else {
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
    registerModeCases();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
