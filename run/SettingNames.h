#pragma once

#include <array>

#include "core/ProtectionSettings.h"

namespace quorlane::run {

// The names of the settings' values in the files the run writes and reads (its manifest, a
// project), the same as those of the command line, each array indexed by its enumeration.
inline constexpr std::array<const char*, 4> protectModeNames = {"email", "links", "body", "whole"};
inline constexpr std::array<const char*, 3> saveModeNames = {"overwrite", "copy", "new"};
// What protect's --fail-on stops at: any warning, or only pages that cannot be read.
inline constexpr std::array<const char*, 2> failOnNames = {"warning", "error"};
inline constexpr std::array<const char*, core::scriptOptionCount> switchNames = {
    "no-right-click",   "no-text-select", "no-offline",     "hide-status-urls", "no-printing",
    "no-clipboard",     "no-drag-drop",   "no-web-capture", "block-opera",      "break-frames",
    "no-image-toolbar", "block-netscape", "expire-page"};

} // namespace quorlane::run
