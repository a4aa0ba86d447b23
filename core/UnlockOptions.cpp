#include "core/UnlockOptions.h"

#include <algorithm>
#include <array>

#include "core/TextSearch.h"

namespace quorlane::core {

namespace {

constexpr std::array<std::u16string_view, 11> textNames = {
    u"title", u"instructions", u"label",   u"show",     u"button", u"working",
    u"empty", u"wrong",        u"refused", u"remember", u"forget"};

// Each colour and the style rules that it goes into, with % standing for it.
constexpr std::array<std::pair<std::u16string_view, std::u16string_view>, 4> colourRules = {{
    {u"background", u".back{background:%}"},
    {u"text", u".back{color:%}"},
    {u"panel", u"form{background:%}"},
    {u"accent", u"button{background:%}#p:focus,button:focus,#s:focus{outline-color:%}a{color:%}"},
}};

bool isHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isColour(std::u16string_view value)
{
    if (value.starts_with(u'#')) {
        const std::u16string_view digits = value.substr(1);
        const std::size_t n = digits.size();
        return (n == 3 || n == 4 || n == 6 || n == 8) &&
               std::all_of(digits.begin(), digits.end(), isHexDigit);
    }
    return !value.empty() && value.size() <= 32 &&
           std::all_of(value.begin(), value.end(), isLetter);
}

// text as a script string literal in single quotes: everything outside printable ASCII, the
// quote and the backslash as \uXXXX.
void appendLiteral(std::u16string& out, std::u16string_view text)
{
    constexpr std::u16string_view hex = u"0123456789abcdef";
    out += u'\'';
    for (const char16_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != u'\'' && c != u'\\') {
            out += c;
            continue;
        }
        out += u"\\u";
        for (int shift = 12; shift >= 0; shift -= 4) {
            out += hex[(c >> shift) & 0xF];
        }
    }
    out += u'\'';
}

std::u16string colourStyle(const UnlockTexts& texts)
{
    std::u16string style;
    for (const auto& [name, rules] : colourRules) {
        const auto found = texts.find(std::u16string(name));
        if (found == texts.end()) {
            continue;
        }
        for (const char16_t c : rules) {
            if (c == u'%') {
                style += found->second;
            } else {
                style += c;
            }
        }
    }
    return style;
}

std::u16string textsLiteral(const UnlockTexts& texts)
{
    std::u16string literal;
    for (const auto& [name, text] : texts) {
        if (IsUnlockTextName(name)) {
            literal += literal.empty() ? u"{" : u",";
            literal += name;
            literal += u':';
            appendLiteral(literal, text);
        }
    }
    return literal.empty() ? literal : literal + u"}";
}

} // namespace

bool IsUnlockTextName(std::u16string_view name)
{
    return std::find(textNames.begin(), textNames.end(), name) != textNames.end();
}

bool IsUnlockColourName(std::u16string_view name)
{
    return std::any_of(colourRules.begin(), colourRules.end(),
                       [name](const auto& rule) { return rule.first == name; });
}

std::string UnlockTextNames()
{
    std::string names;
    for (const std::u16string_view name : textNames) {
        names += std::string(name.begin(), name.end()) + ", ";
    }
    for (const auto& rule : colourRules) {
        names += std::string(rule.first.begin(), rule.first.end()) + ", ";
    }
    return names.substr(0, names.size() - 2);
}

std::optional<std::string> UnlockTextRefusal(std::u16string_view name, std::u16string_view value)
{
    if (IsUnlockColourName(name)) {
        if (!isColour(value)) {
            return "is not a colour: \"#\" and 3, 4, 6 or 8 hexadecimal digits, or a colour's name";
        }
        return std::nullopt;
    }
    if (!IsUnlockTextName(name)) {
        return "is not a text of the unlock form; these are: " + UnlockTextNames();
    }
    return std::nullopt;
}

std::optional<std::string> UnlockTemplateRefusal(std::u16string_view markup)
{
    if (!ContainsIgnoreCase(markup, u"<form")) {
        return "holds no form element";
    }
    if (markup.find(u"id=\"p\"") == std::u16string_view::npos) {
        return "holds no password field with id=\"p\"";
    }
    return std::nullopt;
}

std::u16string UnlockOptionsLiteral(const UnlockChoices& choices)
{
    std::u16string literal;
    const auto add = [&literal](std::u16string_view name) {
        literal += literal.empty() ? u"{" : u",";
        literal += name;
        literal += u':';
    };
    if (choices.rememberDays > 0) {
        add(u"d");
        const std::string days = std::to_string(choices.rememberDays);
        literal.append(days.begin(), days.end());
    }
    if (const std::u16string texts = textsLiteral(choices.texts); !texts.empty()) {
        add(u"t");
        literal += texts;
    }
    if (const std::u16string style = colourStyle(choices.texts); !style.empty()) {
        add(u"c");
        appendLiteral(literal, style);
    }
    if (!choices.formTemplate.empty()) {
        add(u"f");
        appendLiteral(literal, choices.formTemplate);
    }
    return literal.empty() ? literal : literal + u"}";
}

} // namespace quorlane::core
