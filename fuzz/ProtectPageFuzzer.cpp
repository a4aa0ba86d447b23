// ProtectPage in every mode, with switches, warning, locks and notice drawn from the input.
// Checked: the one-pass protect modes give exactly what the loops give step by step; whatever
// a mode encodes is written back by its writer blocks as it stood, none of them encoded again;
// the page script is the writer function and the protection script.
#include <cstdlib>

#include "core/PageEncoder.h"
#include "core/PageTransformer.h"
#include "core/ProtectModes.h"
#include "core/ProtectionScript.h"
#include "fuzz/FuzzInput.h"
#include "tests/support/PageDecoding.h"
#include "tests/support/StepwiseModes.h"

using namespace quorlane;

namespace {

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void checkMode(const std::u16string& page, core::ProtectMode mode)
{
    const std::u16string onePass = core::EncodeProtectedPart(page, mode);
    require(onePass == test::EncodeStepwise(page, mode));
    if (page.find(core::writerBlockStart) == std::u16string::npos) {
        require(test::DecodeWriterBlocks(onePass).plain == page);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    core::ProtectionSettings settings;
    settings.protectMode = static_cast<core::ProtectMode>(input.byte() % 4);
    const std::uint16_t switches = input.word();
    for (int i = 0; i < core::scriptOptionCount; ++i) {
        settings.scriptSwitches.set(static_cast<core::ScriptOption>(i), (switches >> i) & 1);
    }
    const std::uint8_t locks = input.byte();
    settings.rightClickWarning = locks & 1;
    settings.domainLock = locks & 2;
    settings.urlLock = locks & 4;
    settings.passwordProtect = locks & 8;
    settings.copyrightNotice = locks & 16;
    settings.password = u"pw";
    settings.copyrightNoticeText = u"\u00A9 me";
    const std::u16string page = input.text();

    checkMode(page, settings.protectMode);

    std::u16string protectedPage = page;
    core::ProtectPage(protectedPage, settings, (locks & 32) ? "utf-8" : "");
    std::u16string expectedScript = core::WriterFunctionText();
    core::BuildProtectionScript(settings, expectedScript);
    const bool frameset = protectedPage == page;
    require(frameset || test::PageScriptOf(protectedPage) == expectedScript);
    return 0;
}
