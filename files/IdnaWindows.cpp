// IDNA on Windows: the system's ICU where it has one, else IdnToAscii. IdnToAscii converts one
// label at a time, so that the DNS limit on a whole name, which browsers do not check, refuses
// nothing (a label beyond 63 characters it refuses all the same); labels that are ASCII
// already only have their capitals folded.
#include "files/IdnaWindows.h"

#include <windows.h>

#include "files/Idna.h"

namespace quorlane::files {

namespace {

bool isLabelDot(char16_t unit)
{
    return unit == u'.' || unit == u'\u3002' || unit == u'\uFF0E' || unit == u'\uFF61';
}

bool isAscii(std::u16string_view label)
{
    for (const char16_t unit : label) {
        if (unit > 0x7F) {
            return false;
        }
    }
    return true;
}

bool appendLabel(std::u16string& out, std::u16string_view label)
{
    if (isAscii(label)) {
        for (const char16_t unit : label) {
            out.push_back(unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit);
        }
        return true;
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(label.data());
    const int size = static_cast<int>(label.size());
    const int length = IdnToAscii(0, wide, size, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    std::u16string ascii(static_cast<std::size_t>(length), u'\0');
    if (IdnToAscii(0, wide, size, reinterpret_cast<wchar_t*>(ascii.data()), length) != length) {
        return false;
    }
    out += ascii;
    return true;
}

} // namespace

std::optional<std::u16string> IdnaHostToAscii(std::u16string_view host)
{
    return IcuDllHasIdna() ? IcuDllHostToAscii(host) : IdnToAsciiHostToAscii(host);
}

std::optional<std::u16string> IdnToAsciiHostToAscii(std::u16string_view host)
{
    if (host.size() > 0x7FFF) {
        return std::nullopt;
    }
    std::u16string ascii;
    ascii.reserve(host.size() + 16);
    std::size_t start = 0;
    for (std::size_t i = 0; i <= host.size(); ++i) {
        if (i < host.size() && !isLabelDot(host[i])) {
            continue;
        }
        if (!appendLabel(ascii, host.substr(start, i - start))) {
            return std::nullopt;
        }
        if (i < host.size()) {
            ascii.push_back(u'.');
        }
        start = i + 1;
    }
    return ascii;
}

} // namespace quorlane::files
