#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/ProtectionSettings.h"

namespace CLI {
class App;
}

namespace quorlane::cli {

// How the unlock form of encrypted pages remembers the key, what it says, and whose form it is.
struct UnlockFormOptions
{
    std::optional<std::uint32_t> rememberDays;
    std::vector<std::string> texts; // NAME=TEXT
    std::optional<std::string> templateFile;
    bool shareLink = false;

    void addTo(CLI::App& command);

    // Whether any of them is given; they go with --encrypt only.
    bool given() const;
    // The option named in a message about them.
    std::string firstGiven() const;

    // Over the choices settings already holds (a project's); an error message when a choice
    // does not fit.
    std::optional<std::string> apply(core::ProtectionSettings& settings) const;

    // With --share-link: how to make the run's share link from its key (none: nothing).
    void tellShareLink(std::ostream& err, std::u16string_view key) const;
};

} // namespace quorlane::cli
