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

bool ProtectionRun::prepareSealing(const core::ProtectionSettings& settings)
{
    m_sealer.reset();
    if (!settings.passwordProtect || !settings.encryptHiddenPart) {
        return true;
    }
    m_host.setStatus(u"Making the key from the password...");
    try {
        m_sealer = crypto::SealerFor(settings);
    } catch (const std::exception& failure) {
        m_host.showMessage({files::Message::Icon::Warning, u"Quorlane",
                            u"Unable to encrypt the pages: " + core::Utf8ToUtf16(failure.what())});
        return false;
    }
    return true;
}

} // namespace quorlane::run
