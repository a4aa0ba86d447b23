// What the encrypted password lock costs a protection run: the key derivation, once per run,
// and each page protected with its hidden part sealed beside the same page in the clear.
//
//   quorlane_seal_bench [benchmark flags]

#include <benchmark/benchmark.h>
#include <fstream>
#include <sstream>

#include "bench/SamplePages.h"
#include "core/PageTransformer.h"
#include "core/Utf8.h"
#include "crypto/PasswordSealer.h"

using namespace quorlane;

namespace {

core::ProtectionSettings lockedSettings(core::ProtectMode mode)
{
    core::ProtectionSettings settings;
    settings.protectMode = mode;
    settings.passwordProtect = true;
    settings.password = u"correct horse battery staple";
    settings.encryptHiddenPart = true;
    return settings;
}

// The sample site's front page (about 1 KB), a site page of about 20 KB, and a page of 1 MB.
const std::u16string& page(int which)
{
    static const std::u16string pages[] = {
        [] {
            std::ifstream in(QUORLANE_SAMPLE_PAGE, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            return core::Utf8ToUtf16(bytes.str());
        }(),
        bench::GeneratedPage(20, 1000),
        bench::GeneratedPage(1000, 1000),
    };
    return pages[which];
}

void BM_DeriveKey(benchmark::State& state)
{
    for (auto _ : state) {
        auto sealer = crypto::PasswordSealer::ForPassword(u"correct horse battery staple",
                                                          core::defaultKdfIterations);
        benchmark::DoNotOptimize(sealer.get());
    }
}
BENCHMARK(BM_DeriveKey)->Unit(benchmark::kMillisecond);

// One page protected, in the clear (sealed = 0) or sealed under a key derived beforehand.
void BM_ProtectPage(benchmark::State& state)
{
    const std::u16string& original = page(static_cast<int>(state.range(0)));
    const auto mode = static_cast<core::ProtectMode>(state.range(1));
    const bool sealed = state.range(2) != 0;
    core::ProtectionSettings settings = lockedSettings(mode);
    settings.encryptHiddenPart = sealed;
    const auto sealer = std::move(crypto::SealerFor(settings).sealer);
    for (auto _ : state) {
        std::u16string text = original;
        core::ProtectOrdinaryPage(text, settings, "utf-8", sealer.get());
        const std::string bytes = core::Utf16ToUtf8(text);
        benchmark::DoNotOptimize(bytes.data());
        state.counters["out_bytes"] = static_cast<double>(bytes.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * original.size() * 2));
}
BENCHMARK(BM_ProtectPage)
    ->ArgNames({"page", "mode", "sealed"})
    ->ArgsProduct({{0, 1, 2}, {1, 3}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
