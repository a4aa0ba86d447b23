#include "files/Windows1252.h"

#include <array>
#include <cstdint>

namespace quorlane::files {

namespace {

// The characters of the bytes 0x80 to 0x9F.
constexpr std::array<char16_t, 32> highControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encodeOne(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < highControls.size(); ++i) {
        if (highControls[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

} // namespace

void AppendWindows1252AsUtf16(std::u16string& out, std::string_view bytes)
{
    out.reserve(out.size() + bytes.size());
    for (char byte : bytes) {
        const auto b = static_cast<std::uint8_t>(byte);
        out.push_back(b >= 0x80 && b < 0xA0 ? highControls[b - 0x80] : static_cast<char16_t>(b));
    }
}

void AppendUtf16AsWindows1252(std::string& out, std::u16string_view text)
{
    out.reserve(out.size() + text.size());
    for (char16_t c : text) {
        out.push_back(encodeOne(c));
    }
}

} // namespace quorlane::files
