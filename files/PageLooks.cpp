#include "files/PageLooks.h"

#include <optional>

namespace quorlane::files {

namespace {

// The characters of the start one by one: bytes, or UTF-16 code units after their mark. Only
// ASCII matters here, so UTF-8 needs no decoding.
class StartReader
{
public:
    explicit StartReader(std::string_view start)
        : m_bytes(start)
    {
        if (m_bytes.starts_with("\xEF\xBB\xBF")) {
            m_bytes.remove_prefix(3);
        } else if (m_bytes.starts_with("\xFF\xFE")) {
            m_bytes.remove_prefix(2);
            m_width = 2;
        } else if (m_bytes.starts_with("\xFE\xFF")) {
            m_bytes.remove_prefix(2);
            m_width = 2;
            m_bigEndian = true;
        }
    }

    std::optional<char16_t> next()
    {
        if (m_bytes.size() < m_width) {
            return std::nullopt;
        }
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(m_bytes[at]); };
        char16_t unit = byte(0);
        if (m_width == 2) {
            unit = m_bigEndian ? static_cast<char16_t>(byte(0) << 8 | byte(1))
                               : static_cast<char16_t>(byte(1) << 8 | byte(0));
        }
        m_bytes.remove_prefix(m_width);
        return unit;
    }

private:
    std::string_view m_bytes;
    std::size_t m_width = 1;
    bool m_bigEndian = false;
};

bool isWhiteSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

bool isLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

} // namespace

bool LooksLikePage(std::string_view start)
{
    StartReader reader(start);
    std::optional<char16_t> c = reader.next();
    while (c && isWhiteSpace(*c)) {
        c = reader.next();
    }
    if (c != u'<') {
        return false;
    }
    c = reader.next();
    return c && (isLetter(*c) || *c == u'!' || *c == u'?');
}

} // namespace quorlane::files
