#include "core/modUniCodeHandler.h"

namespace quorlane::core {

ByteSequence CodeToUtf8(std::uint16_t code)
{
    const unsigned u = code;
    if (u < 0x80) {
        return {static_cast<std::uint8_t>(u)};
    }
    if (u < 0x800) {
        return {static_cast<std::uint8_t>(0xC0 + ((u / 64) & 0x1F)),
                static_cast<std::uint8_t>(0x80 + (u & 0x3F))};
    }
    return {static_cast<std::uint8_t>(0xE0 + ((u / 4096) & 0x0F)),
            static_cast<std::uint8_t>(0x80 + ((u / 64) & 0x3F)),
            static_cast<std::uint8_t>(0x80 + (u & 0x3F))};
}

ByteSequence StringToUtf8(std::u16string_view text)
{
    ByteSequence bytes;
    bytes.reserve(text.size());
    for (char16_t unit : text) {
        const ByteSequence one = CodeToUtf8(unit);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    return bytes;
}

std::uint16_t Utf8ToCode(const ByteSequence& bytes)
{
    unsigned code = 0;
    switch (bytes.size()) {
    case 1:
        code = bytes[0];
        break;
    case 2:
        code = (bytes[0] & 0x1Fu) * 64 + (bytes[1] & 0x3Fu);
        break;
    case 3:
        code = (bytes[0] & 0x0Fu) * 4096 + (bytes[1] & 0x3Fu) * 64 + (bytes[2] & 0x3Fu);
        break;
    default:
        break;
    }
    return static_cast<std::uint16_t>(code);
}

std::u16string CharHexCode(char16_t c)
{
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    unsigned code = Utf8ToCode(StringToUtf8(std::u16string_view(&c, 1)));
    std::u16string hex;
    do {
        hex.insert(hex.begin(), digits[code % 16]);
        code /= 16;
    } while (code != 0);
    return hex;
}

} // namespace quorlane::core
