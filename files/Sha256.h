#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quorlane::files {

// The SHA-256 digest of bytes in lower-case hexadecimal (64 digits).
std::string Sha256Hex(std::string_view bytes);

// The same for bytes that come in pieces.
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(std::string_view bytes);
    // The digest of everything added; the hash starts afresh.
    std::string hex();

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};

} // namespace quorlane::files
