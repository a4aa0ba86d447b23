#pragma once

#include <string>
#include <string_view>

#include "core/HiddenPartSealer.h"
#include "core/PageVerifier.h"
#include "core/UnlockOptions.h"

// The pieces of a page whose hidden part is encrypted. Each writer block holds its markup
// sealed instead of escaped and calls qv_d00(qv_open("...")); the unlock script (key derivation
// and decryption, in a plain script element ahead of the page script) defines qv_open and
// qv_unlock, which the password prompt of the page script calls.
namespace quorlane::core {

inline constexpr std::u16string_view sealedBlockStart =
    u"<script type=\"text/javascript\">\r\n<!--\r\nqv_d00(qv_open(\"";

// A writer block of markup sealed by sealer; it ends as a clear writer block does.
void AppendSealedWriterBlock(std::u16string& out, std::u16string_view markup,
                             HiddenPartSealer& sealer);

// The shape of a sealed writer block for the check of written pages: its content is opened with
// sealer's key.
WriterBlockShape SealedWriterBlock(HiddenPartSealer& sealer);

// The unlock script in its own script element, followed by CR LF.
std::u16string UnlockScriptElement();
void AppendUnlockScriptElement(std::u16string& out);
std::size_t UnlockScriptElementSize();

// The password lock of an encrypted page: the page is unlocked by a key kept for the run (when
// remember is on), handed on by the unlock form or given by a share link; otherwise qv_ok is
// cleared, nothing hidden is written, and the unlock form, as choices make it, asks for the
// password.
std::u16string SealedPasswordScript(const UnlockParameters& parameters, bool remember,
                                    const UnlockChoices& choices);

} // namespace quorlane::core
