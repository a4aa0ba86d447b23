#pragma once

#include <string>
#include <string_view>

#include "core/HiddenPartSealer.h"

namespace quorlane::core {

// Where a protected page goes, piece by piece, in order: a text in memory, or a file that is
// written while the page is made, so that a large page is never held twice.
class PageSink
{
public:
    virtual ~PageSink() = default;

    virtual void append(std::u16string_view text) = 0;
    // Appends the escapes of text (EscapeText); by default through a small buffer, in slices.
    virtual void appendEscaped(std::u16string_view text);
    // Appends what sealer makes of text; by default through a text of its own.
    virtual void appendSealed(std::u16string_view text, HiddenPartSealer& sealer);
};

// A writer block of text; with a sealer the text is sealed, not escaped.
void WriteWriterBlock(PageSink& out, std::u16string_view text, HiddenPartSealer* sealer = nullptr);

// Appends to a text.
class StringSink final : public PageSink
{
public:
    explicit StringSink(std::u16string& text)
        : m_text(text)
    {
    }
    void append(std::u16string_view text) override { m_text += text; }
    void appendEscaped(std::u16string_view text) override;
    void appendSealed(std::u16string_view text, HiddenPartSealer& sealer) override
    {
        sealer.appendSealed(m_text, text);
    }

private:
    std::u16string& m_text;
};

} // namespace quorlane::core
