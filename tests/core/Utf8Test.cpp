#include "core/Utf8.h"

#include <gtest/gtest.h>

#include "core/FileRecord.h"

using namespace quorlane::core;

TEST(Utf8, EveryScalarValueRoundTrips)
{
    std::u16string text;
    for (char32_t c = 1; c <= 0x10FFFF; c += (c < 0x10000 ? 1 : 97)) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        if (c < 0x10000) {
            text.push_back(static_cast<char16_t>(c));
        } else {
            text.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    const std::string bytes = Utf16ToUtf8(text);
    EXPECT_TRUE(IsValidUtf8(bytes));
    EXPECT_EQ(Utf8ToUtf16(bytes), text);
}

// Each malformed sequence becomes as many U+FFFD as the browser shows for it.
TEST(Utf8, MalformedSequencesDecodeAsTheBrowserDoes)
{
    const struct
    {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"\xC3", u"\uFFFD"},           {"\xE2\x82", u"\uFFFD"},
        {"\xF0\x80", u"\uFFFD\uFFFD"}, {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"}, {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xE2\x82\xACz", u"\u20ACz"}, {"\xFFz", u"\uFFFDz"},
        {"\xF0\x90\x9F", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(IsValidUtf8(c.bytes) && c.text.find(u'\uFFFD') != std::u16string::npos);
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text);
    }
}

TEST(Utf8, AsciiRunsOfEveryLengthAroundOtherCharacters)
{
    for (std::size_t length = 0; length < 40; ++length) {
        const std::string ascii(length, 'a');
        const std::string bytes = ascii + "\xC3\xA9" + ascii + "\xFF" + ascii;
        const std::u16string text = std::u16string(length, u'a') + u"\u00E9" +
                                    std::u16string(length, u'a') + u"\uFFFD" +
                                    std::u16string(length, u'a');
        EXPECT_EQ(Utf8ToUtf16(bytes), text);
        EXPECT_FALSE(IsValidUtf8(bytes));
        EXPECT_TRUE(IsValidUtf8(ascii + "\xC3\xA9" + ascii));
        EXPECT_EQ(Utf16ToUtf8(text), ascii + "\xC3\xA9" + ascii + "\xEF\xBF\xBD" + ascii);
    }
}

#ifndef _WIN32
// Path bytes that are not UTF-8 survive the trip through text, and two such names stay two.
// (Paths are bytes on POSIX only; on Windows they are UTF-16 already.)
TEST(PathText, KeepsBytesThatAreNotUtf8)
{
    const std::string names[] = {"out\xE9", "out\xE8", "caf\xC3\xA9/\xFF\xC3", "\xED\xA0\x80x",
                                 "plain"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(PathFromText(TextFromPath(name)), name);
    }
    EXPECT_NE(TextFromPath(names[0]), TextFromPath(names[1]));
    EXPECT_EQ(TextFromPath("caf\xC3\xA9"), u"caf\u00E9");
    // Shown to a person, an escaped byte reads as U+FFFD.
    EXPECT_EQ(Utf16ToUtf8(TextFromPath("out\xE9")), "out\xEF\xBF\xBD");
}
#endif
