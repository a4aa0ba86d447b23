#include "core/SealedPage.h"

#include "UnlockScript.h"
#include "core/PageEncoder.h"

namespace quorlane::core {

namespace {

std::u16string ascii(std::string_view text)
{
    return std::u16string(text.begin(), text.end());
}

} // namespace

void AppendSealedWriterBlock(std::u16string& out, std::u16string_view markup,
                             HiddenPartSealer& sealer)
{
    out += sealedBlockStart;
    sealer.appendSealed(out, markup);
    out += writerBlockEnd;
}

WriterBlockShape SealedWriterBlock(HiddenPartSealer& sealer)
{
    return {sealedBlockStart, writerBlockEnd,
            [&sealer](std::u16string_view text, std::u16string& out) {
                const std::size_t length = text.find(u'"');
                if (length == std::u16string_view::npos ||
                    !sealer.openSealed(text.substr(0, length), out)) {
                    return std::u16string_view::npos;
                }
                return length;
            },
            false};
}

constexpr std::u16string_view unlockStart = u"<script type=\"text/javascript\">\r\n";
constexpr std::u16string_view unlockEnd = u"</script>\r\n";

std::u16string UnlockScriptElement()
{
    std::u16string element;
    AppendUnlockScriptElement(element);
    return element;
}

void AppendUnlockScriptElement(std::u16string& out)
{
    out += unlockStart;
    out += unlockScript;
    out += unlockEnd;
}

std::size_t UnlockScriptElementSize()
{
    return unlockStart.size() + unlockScript.size() + unlockEnd.size();
}

std::u16string SealedPasswordScript(const UnlockParameters& parameters, bool remember,
                                    const UnlockChoices& choices)
{
    std::u16string script(
        u"\r\nif (qv_ok)\r\n{\r\n   qv_ok=typeof qv_unlock=='function'&&qv_unlock('");
    script += parameters.salt;
    script += u"',";
    script += ascii(std::to_string(parameters.iterations));
    script += u",'";
    script += parameters.check;
    script += remember ? u"',true" : u"',false";
    if (const std::u16string options = UnlockOptionsLiteral(choices); !options.empty()) {
        script += u',';
        script += options;
    }
    script += u");\r\n}\r\n";
    return script;
}

} // namespace quorlane::core
