#include "core/Utf8.h"
#include "crypto/PasswordSealer.h"
#include "run/ProtectionRun.h"

namespace quorlane::run {

files::Message SealingFailureMessage(const core::PathString& page,
                                     const core::SealingFailure& failure)
{
    return {files::Message::Icon::Warning, u"Quorlane",
            u"Unable to Encrypt File: " + core::TextFromPath(page) + u".\r\n" +
                core::Utf8ToUtf16(failure.what())};
}

std::optional<files::Message>
ProtectionRun::prepareSealing(const core::ProtectionSettings& settings)
{
    m_sealer.reset();
    if (!settings.passwordProtect || !settings.encryptHiddenPart) {
        return std::nullopt;
    }
    m_host.setStatus(u"Making the key from the password...");
    try {
        m_sealer = crypto::SealerFor(settings);
    } catch (const std::exception& failure) {
        const files::Message message{files::Message::Icon::Warning, u"Quorlane",
                                     u"Unable to encrypt the pages: " +
                                         core::Utf8ToUtf16(failure.what())};
        m_host.showMessage(message);
        return message;
    }
    return std::nullopt;
}

} // namespace quorlane::run
