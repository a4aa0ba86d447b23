#include "core/ProtectionScript.h"

#include <gtest/gtest.h>

#include "core/ScriptSnippets.h"
#include "core/modScripts.h"

using namespace quorlane::core;

namespace {

const std::u16string errorHandler =
    u"\r\nfunction qv_ne()\r\n{\r\n   return true\r\n}\r\nonerror=qv_ne;\r\n";

std::u16string scriptFor(const ProtectionSettings& settings)
{
    std::u16string script = u"<start>";
    BuildProtectionScript(settings, script);
    EXPECT_EQ(script.substr(0, 7), u"<start>");
    return script.substr(7);
}

ProtectionSettings with(std::initializer_list<ScriptOption> options)
{
    ProtectionSettings settings;
    for (ScriptOption option : options) {
        settings.scriptSwitches.set(option);
    }
    return settings;
}

} // namespace

// What each of the two mouse switches brings on its own (the golden pages show both together),
// with the handlers as they are without a warning.
TEST(BuildProtectionScript, MouseBlockDependsOnWhichOfTheTwoSwitchesIsOn)
{
    EXPECT_EQ(scriptFor(ProtectionSettings{}), errorHandler);
    const std::u16string menu = u"\r\nfunction qv_cm()\r\n{\r\n\r\n   return false;\r\n}\r\n";
    EXPECT_EQ(ContextMenuScript(u""), menu);
    const std::u16string down = MouseDownScript(u"", false);
    EXPECT_EQ(down, u"\r\nfunction qv_md(e)\r\n{\r\n   if(e.which==2||e.which==3)\r\n   {\r\n\r\n"
                    u"       return false;\r\n   }\r\n}\r\n");
    EXPECT_EQ(scriptFor(with({ScriptOption::NoRightClick})),
              errorHandler + menu + down + std::u16string(snippetCmHooks));
    EXPECT_EQ(scriptFor(with({ScriptOption::NoTextSelect})),
              errorHandler + std::u16string(snippetDn) + menu + MouseDownScript(u"", true) +
                  std::u16string(snippetMu));
}

// The warning goes with its flag and a text, whether or not right clicks are blocked.
TEST(BuildProtectionScript, WarningFollowsItsFlagEvenWithRightClickOff)
{
    ProtectionSettings settings = with({ScriptOption::NoTextSelect});
    settings.rightClickWarning = true;
    settings.rightClickWarningText = u"Stop";
    const std::u16string script = scriptFor(settings);
    EXPECT_NE(script.find(u"   alert('Stop');\r\n"), std::u16string::npos);
    EXPECT_NE(script.find(u"      alert('Stop');\r\n"), std::u16string::npos);

    settings.rightClickWarningText.clear();
    EXPECT_EQ(scriptFor(settings).find(u"alert"), std::u16string::npos);
    settings.rightClickWarning = false;
    settings.rightClickWarningText = u"Stop";
    EXPECT_EQ(scriptFor(settings).find(u"alert"), std::u16string::npos);
}

TEST(BuildProtectionScript, SwitchesAndLocksComeInTheirFixedOrder)
{
    ProtectionSettings settings;
    for (int i = 0; i < scriptOptionCount; ++i) {
        settings.scriptSwitches.set(static_cast<ScriptOption>(i));
    }
    settings.passwordProtect = true;
    settings.password = u"pw";
    settings.domainLock = true;
    settings.urlLock = true;
    std::u16string expected = errorHandler + PasswordScript(u"pw") + std::u16string(snippetDn) +
                              ContextMenuScript(u"") + MouseDownScript(u"", true);
    for (std::u16string_view snippet :
         {snippetMu, snippetCmHooks, snippetOffline, snippetNls, snippetDp, snippetDc, snippetNdd,
          snippetCapture, snippetOpera, snippetFrames, snippetGecko, snippetDrag}) {
        expected += snippet;
    }
    expected +=
        DomainLockScript(u"www.example.com") + UrlLockScript(u"http://www.example.com/index.html");
    EXPECT_EQ(scriptFor(settings), expected);
}
