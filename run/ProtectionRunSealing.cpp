#include "crypto/PasswordSealer.h"
#include "run/ProtectionRun.h"

namespace quorlane::run {

std::optional<Refusal> ProtectionRun::prepareSealing(const core::ProtectionSettings& settings)
{
    m_sealer.reset();
    if (!settings.passwordProtect || !settings.encryptHiddenPart) {
        return std::nullopt;
    }
    RunNotice making;
    making.kind = RunNotice::Kind::MakingKey;
    m_host.notice(making);
    try {
        m_sealer = crypto::SealerFor(settings);
    } catch (const std::exception& failure) {
        Refusal refusal;
        refusal.kind = Refusal::Kind::NoKey;
        refusal.detail = failure.what();
        return refusal;
    }
    return std::nullopt;
}

} // namespace quorlane::run
