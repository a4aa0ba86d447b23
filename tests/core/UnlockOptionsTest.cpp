#include "core/UnlockOptions.h"

#include <gtest/gtest.h>

#include "core/ProtectionSettings.h"
#include "core/SealedPage.h"
#include "core/ShareKey.h"
#include "core/Utf8.h"

using namespace quorlane::core;

namespace {

std::string literalOf(const UnlockChoices& choices)
{
    return Utf16ToUtf8(UnlockOptionsLiteral(choices));
}

} // namespace

TEST(UnlockOptions, DefaultsGiveNoArgumentAndThePageCallsAsBefore)
{
    EXPECT_EQ(literalOf({}), "");
    const UnlockParameters parameters{u"c2FsdA==", 100000, u"Y2hlY2s="};
    EXPECT_EQ(SealedPasswordScript(parameters, true, {}),
              u"\r\nif (qv_ok)\r\n{\r\n   qv_ok=typeof "
              u"qv_unlock=='function'&&qv_unlock('c2FsdA==',100000,'Y2hlY2s=',true);\r\n}\r\n");
    UnlockChoices days;
    days.rememberDays = 30;
    EXPECT_NE(SealedPasswordScript(parameters, true, days)
                  .find(u"qv_unlock('c2FsdA==',100000,'Y2hlY2s=',true,{d:30});"),
              std::u16string::npos);
}

TEST(UnlockOptions, TextsAreScriptStringsThatNothingBreaksOutOf)
{
    UnlockChoices choices;
    choices.texts[u"title"] = u"L'\u00e9t\u00e9 \\ \"x\"\r\n</script>";
    choices.texts[u"button"] = u"Open";
    EXPECT_EQ(literalOf(choices), "{t:{button:'Open',title:'L\\u0027\\u00e9t\\u00e9 \\u005c "
                                  "\"x\"\\u000d\\u000a</script>'}}");
}

TEST(UnlockOptions, ColoursBecomeStyleRulesAndTheTemplateIsPassedWhole)
{
    UnlockChoices choices;
    choices.rememberDays = 7;
    choices.texts[u"accent"] = u"#c33";
    choices.texts[u"background"] = u"black";
    choices.formTemplate = u"<form><input id=\"p\" type=\"password\"></form>";
    EXPECT_EQ(literalOf(choices),
              "{d:7,c:'.back{background:black}button{background:#c33}#p:focus,button:focus,"
              "#s:focus{outline-color:#c33}a{color:#c33}',f:'<form><input id=\"p\" "
              "type=\"password\"></form>'}");
}

TEST(UnlockOptions, OnlyColoursAndKnownNamesAreTaken)
{
    const std::pair<std::u16string, bool> colours[] = {
        {u"#abc", true},    {u"#AbCd", true},        {u"#a1b2c3", true}, {u"#a1b2c3d4", true},
        {u"teal", true},    {u"#ab", false},         {u"#abcde", false}, {u"#ggg", false},
        {u"", false},       {u"red;color:x", false}, {u"red}", false},   {u"rgb(1,2,3)", false},
        {u"url(x)", false}, {u"light blue", false},
    };
    for (const auto& [value, taken] : colours) {
        SCOPED_TRACE(Utf16ToUtf8(value));
        EXPECT_EQ(!UnlockTextRefusal(u"panel", value), taken);
    }
    EXPECT_FALSE(UnlockTextRefusal(u"wrong", u"red;}{ anything goes in a text"));
    EXPECT_FALSE(UnlockTextRefusal(u"forget", u""));
    const auto unknown = UnlockTextRefusal(u"heading", u"x");
    ASSERT_TRUE(unknown);
    EXPECT_NE(unknown->find("title, instructions"), std::string::npos) << *unknown;
    EXPECT_TRUE(UnlockTextRefusal(u"Title", u"x"));
}

TEST(UnlockOptions, ATemplateNeedsAFormAndThePasswordField)
{
    EXPECT_FALSE(UnlockTemplateRefusal(u"<FORM class=x><input id=\"p\"></FORM>"));
    EXPECT_TRUE(UnlockTemplateRefusal(u"<div><input id=\"p\"></div>"));
    EXPECT_TRUE(UnlockTemplateRefusal(u"<form><input id=\"password\"></form>"));
    EXPECT_TRUE(UnlockTemplateRefusal(u""));
}

TEST(UnlockOptions, ShareKeysAreUrlSafeWithoutPadding)
{
    EXPECT_EQ(UrlSafeBase64(u"ab+/cd=="), u"ab-_cd");
    EXPECT_EQ(UrlSafeBase64(u"+++="), u"---");
    EXPECT_EQ(UrlSafeBase64(u"abcd"), u"abcd");
    EXPECT_EQ(UrlSafeBase64(u""), u"");
}
