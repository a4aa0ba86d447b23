#pragma once

#include <string>
#include <string_view>

#include "core/ProtectionSettings.h"

// The script pieces built from a text the user typed. Each returns CR LF, its lines joined by
// CR LF, and a final CR LF. The text is inserted unchanged between single quotes: whoever
// collects it keeps quotes, backslashes and line breaks out.
namespace quorlane::core {

// qv_cm: the context-menu handler, with an alert when warning is not empty.
std::u16string ContextMenuScript(std::u16string_view warning);

// qv_md: the mouse-down handler for browsers with layers; with selectionBlocked a button-1
// press starts sending mouse moves to qv_dn.
std::u16string MouseDownScript(std::u16string_view warning, bool selectionBlocked);

// qv_hn and the check that sends any other host to about:blank. domain is a list of hosts
// (LockDomainEntries); one that begins with "." admits that domain and all below it.
std::u16string DomainLockScript(std::u16string_view domain, HostToAscii toAscii = nullptr);

// The check that sends any other address to about:blank; query, fragment and the choice of
// http or https are not compared (LockAddress).
std::u16string UrlLockScript(std::u16string_view url, HostToAscii toAscii = nullptr);

// The password prompt; a wrong or cancelled answer clears qv_ok.
std::u16string PasswordScript(std::u16string_view password);

} // namespace quorlane::core
