#pragma once

#include <string>
#include <string_view>

// The two single-byte encodings that are read and written without ICU: Windows-1252, the
// encoding of most legacy Western pages (kept fast), and ISO-8859-16, which ICU's data does not
// carry. Both decode every byte.
namespace quorlane::files {

class SingleByteCodec;

// Windows-1252 as browsers read it: the five bytes the code page leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become U+0081 and so on.
const SingleByteCodec& Windows1252();
const SingleByteCodec& Iso885916();

class SingleByteCodec
{
public:
    explicit SingleByteCodec(const char16_t (&characters)[256]);

    void decode(std::u16string& out, std::string_view bytes) const;
    // A character the encoding cannot hold becomes "?".
    void encode(std::string& out, std::u16string_view text) const;

private:
    const char16_t (&m_characters)[256];
    unsigned char m_bytes[65536]; // the byte of each character, '?' for none
};

} // namespace quorlane::files
