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

std::optional<Refusal> ProtectionRun::prepareSealing(const core::ProtectionSettings& settings)
{
    m_sealer.reset();
    if (!settings.passwordProtect || !settings.encryptHiddenPart) {
        return std::nullopt;
    }
    RunNotice making;
    making.kind = RunNotice::Kind::MakingKey;
    making.status = u"Making the key from the password...";
    m_host.notice(making);
    try {
        m_sealer = crypto::SealerFor(settings);
    } catch (const std::exception& failure) {
        return Refusal{
            Refusal::Kind::NoKey,
            std::nullopt,
            files::Message{files::Message::Icon::Warning, u"Quorlane",
                           u"Unable to encrypt the pages: " + core::Utf8ToUtf16(failure.what())},
            {}};
    }
    return std::nullopt;
}

} // namespace quorlane::run
