#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/UnlockOptions.h"

namespace quorlane::core {

// Each value is the index of its box in the chkScript control array.
enum class ScriptOption
{
    NoRightClick = 0,
    NoTextSelect = 1,
    NoOffline = 2,
    HideStatusUrls = 3,
    NoPrinting = 4,
    NoClipboard = 5,
    NoDragDrop = 6,
    NoWebCapture = 7,
    BlockOpera = 8,
    BreakFrames = 9,
    NoImageToolbar = 10,
    BlockNetscape = 11,
    ExpirePage = 12,
};
inline constexpr int scriptOptionCount = 13;

// Each value is the index of its button in the optProtect control array.
enum class ProtectMode
{
    EmailLinksOnly = 0,
    AllLinks = 1,
    BodyOnly = 2,
    WholePage = 3,
};

// Each value is the index of its button in the optSave control array.
enum class SaveMode
{
    Overwrite = 0,
    CopyToFolder = 1,
    CreateNew = 2,
};

// The set of behaviour switches, one flag per ScriptOption.
class ScriptSwitches
{
public:
    bool has(ScriptOption option) const { return m_bits.test(static_cast<std::size_t>(option)); }
    void set(ScriptOption option, bool on = true)
    {
        m_bits.set(static_cast<std::size_t>(option), on);
    }
    bool none() const { return m_bits.none(); }
    bool operator==(const ScriptSwitches&) const = default;

private:
    std::bitset<scriptOptionCount> m_bits;
};

// Gives a host name that holds characters outside ASCII in its IDNA ASCII form, as browsers
// report it, or nothing when it is no valid host name. The engine has no IDNA tables of its own:
// whoever collects the settings hands this in.
using HostToAscii = std::optional<std::u16string> (*)(std::u16string_view host);

inline constexpr std::u16string_view sampleDomain = u"www.example.com";
inline constexpr std::u16string_view sampleAddress = u"http://www.example.com/index.html";
inline constexpr std::u16string_view defaultWarningText = u"This page is protected!";

// The work factor of the key that an encrypted password lock derives from the password: the
// page carries it, and every visitor's browser pays it once per visit.
inline constexpr std::uint32_t defaultKdfIterations = 600'000;
inline constexpr std::uint32_t minimumKdfIterations = 100'000;
inline constexpr std::uint32_t maximumKdfIterations = 10'000'000;

// Every choice of the Store Files, Encryption and Scripts pages. The defaults are those of a
// fresh program start, except the two that depend on the clock and the program's folder:
// DefaultSettings() fills those in.
struct ProtectionSettings
{
    ScriptSwitches scriptSwitches;
    bool rightClickWarning = false;
    std::u16string rightClickWarningText{defaultWarningText};
    ProtectMode protectMode = ProtectMode::WholePage;
    bool domainLock = false;
    std::u16string lockDomain{sampleDomain};
    bool urlLock = false;
    std::u16string lockUrl{sampleAddress};
    bool passwordProtect = false;
    std::u16string password;
    // With the password lock: the hidden part encrypted under a key made from the password, so
    // that neither stands readable in the page.
    bool encryptHiddenPart = false;
    std::uint32_t kdfIterations = defaultKdfIterations;
    // The key kept in the tab's session storage after the right password, for the other pages
    // of the run.
    bool rememberUnlock = true;
    // With rememberUnlock: the "remember me" box and its days, the form's texts and colours, the
    // owner's own form.
    UnlockChoices unlockChoices;
    // Converts the lock hosts outside ASCII; without it they are written as typed.
    HostToAscii hostToAscii = nullptr;
    SaveMode saveMode = SaveMode::CreateNew;
    bool makeBackups = true;
    // With Overwrite and backups: the folder, outside the site, that keeps each backup at its
    // page's path below the run's folder, with the run's record; empty: each beside its page,
    // as NAME.bak, where it is published with the site.
    std::u16string backupDir;
    std::u16string saveDir;
    // With CopyToFolder: only the pages go into the target folder, not the other files of the
    // added folders (style sheets, scripts, images) that make the copy a working site.
    bool copyPagesOnly = false;
    bool copyrightNotice = false;
    std::u16string copyrightNoticeText;

    bool operator==(const ProtectionSettings&) const = default;
};

// "(c) 2026-2027 www.example.com, All Rights Reserved." for the year 2026.
std::u16string CopyrightNoticeFor(int currentYear);

// The settings of a fresh start: the notice names currentYear and the next one, and the
// target folder of CopyToFolder is programFolder followed by the separator and "backups".
ProtectionSettings DefaultSettings(int currentYear, std::u16string_view programFolder,
                                   char16_t separator);

} // namespace quorlane::core
