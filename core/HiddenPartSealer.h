#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorlane::core {

// What a page needs, in the clear, to open its sealed parts once the visitor gives the
// password: the salt and the iteration count of the key derivation, and a check value (the
// empty text sealed) that tells a right password from a wrong one before anything is written.
struct UnlockParameters
{
    std::u16string salt; // base64
    std::uint32_t iterations = 0;
    std::u16string check; // a sealed text
};

// Seals the hidden parts of the pages of one protection run under one key. Where the clear
// mode escapes the markup of a writer block, the encrypted mode hands it to the sealer.
class HiddenPartSealer
{
public:
    virtual ~HiddenPartSealer() = default;

    // Appends the sealed form of markup to out: base64 only (A-Z, a-z, 0-9, "+", "/", "="),
    // so it stands in a double-quoted script string, and none of the page's tag searches can
    // find anything in it. Rather than give a weak result it appends nothing and keeps why, for
    // takeFailure: a page that was made meanwhile is not to be written.
    virtual void appendSealed(std::u16string& out, std::u16string_view markup) = 0;

    // Why a part could not be sealed since the last call, or nothing.
    virtual std::optional<std::string> takeFailure() = 0;

    // Opens a text that appendSealed made under this sealer's key, appending the markup to out
    // (as UTF-8 carries it: a lone surrogate comes back as U+FFFD); false when the text is not
    // base64 or its tag does not hold.
    virtual bool openSealed(std::u16string_view sealed, std::u16string& out) = 0;

    virtual const UnlockParameters& unlockParameters() const = 0;

    // The key in URL-safe base64 without padding, as a share link carries it after
    // "#qv-key="; empty when this sealer has none to give.
    virtual std::u16string shareKey() const { return {}; }

    // A sealer under the same key and parameters, for use on another thread at the same time
    // as this one; what the two seal together stays within the limits of one key. None when
    // this sealer cannot be shared: its parts are then all sealed on one thread.
    virtual std::unique_ptr<HiddenPartSealer> forAnotherThread() { return nullptr; }
};

} // namespace quorlane::core
