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
    crypto::SealerResult sealing = crypto::SealerFor(settings);
    if (sealing.failure) {
        Refusal refusal;
        refusal.kind = Refusal::Kind::NoKey;
        refusal.detail = *sealing.failure;
        return refusal;
    }
    m_sealer = std::move(sealing.sealer);
    return std::nullopt;
}

} // namespace quorlane::run
