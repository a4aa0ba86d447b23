#include "wizard/ScriptTextValidator.h"

#include "core/ScriptText.h"

namespace quorlane::wizard {

QValidator::State ScriptTextValidator::validate(QString& input, int&) const
{
    if (core::IsSafeScriptText(input.toStdU16String())) {
        return Acceptable;
    }
    emit refused();
    return Invalid;
}

} // namespace quorlane::wizard
