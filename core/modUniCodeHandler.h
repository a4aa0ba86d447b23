#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Character codes by way of UTF-8. A surrogate half is encoded on its own as three bytes,
// so every UTF-16 code unit round-trips to its own value.
namespace quorlane::core {

using ByteSequence = std::vector<std::uint8_t>;

// One to three bytes for a code value of 0 to 0xFFFF.
ByteSequence CodeToUtf8(std::uint16_t code);

// The bytes of every code unit in turn; surrogate pairs are not joined.
ByteSequence StringToUtf8(std::u16string_view text);

// The code value of the bytes of one character; 0 for any length other than 1 to 3.
std::uint16_t Utf8ToCode(const ByteSequence& bytes);

// The code value of one code unit in hexadecimal, capital letters, no leading zeros.
std::u16string CharHexCode(char16_t c);

} // namespace quorlane::core
