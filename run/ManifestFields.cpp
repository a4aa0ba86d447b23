#include "run/ManifestFields.h"

#include "core/Utf8.h"

namespace quorlane::run::manifest {

namespace {

[[maybe_unused]] int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

} // namespace

void putPath(Json& object, const std::string& key, const core::PathString& path)
{
    object[key] = core::Utf16ToUtf8(core::TextFromPath(path));
#ifndef _WIN32
    if (!core::IsValidUtf8(path)) {
        static constexpr char digits[] = "0123456789abcdef";
        std::string hex;
        for (const unsigned char byte : path) {
            hex.push_back(digits[byte >> 4]);
            hex.push_back(digits[byte & 15]);
        }
        object[key + "_bytes"] = hex;
    }
#endif
}

core::PathString Reader::path(const Json& object, const std::string& key)
{
#ifndef _WIN32
    if (object.is_object() && object.contains(key + "_bytes")) {
        const std::string hex = text(object, key + "_bytes");
        core::PathString path;
        for (std::size_t k = 0; k + 1 < hex.size(); k += 2) {
            const int high = hexDigit(hex[k]);
            const int low = hexDigit(hex[k + 1]);
            if (high < 0 || low < 0) {
                break;
            }
            path.push_back(static_cast<char>(high << 4 | low));
        }
        if (path.size() * 2 != hex.size()) {
            fail(key + "_bytes is not hexadecimal");
        }
        return path;
    }
#endif
    return core::PathFromText(core::Utf8ToUtf16(text(object, key)));
}

} // namespace quorlane::run::manifest
