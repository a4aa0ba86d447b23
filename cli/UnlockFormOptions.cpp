#include "cli/UnlockFormOptions.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "cli/ArgumentPath.h"
#include "core/Utf8.h"

namespace quorlane::cli {

namespace {

std::optional<std::string> readTemplate(const std::string& file, std::u16string& markup)
{
    std::ifstream in(std::filesystem::path(ArgumentPath(file)), std::ios::binary);
    if (!in.is_open()) {
        return "cannot read the unlock template " + file + ": " + std::strerror(errno);
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.erase(0, 3);
    }
    if (!core::IsValidUtf8(bytes)) {
        return "the unlock template " + file + " is not UTF-8 text";
    }
    markup = core::Utf8ToUtf16(bytes);
    if (const auto why = core::UnlockTemplateRefusal(markup)) {
        return "the unlock template " + file + " " + *why;
    }
    return std::nullopt;
}

std::optional<std::string> addText(const std::string& given, core::UnlockTexts& texts)
{
    const std::size_t equals = given.find('=');
    if (equals == std::string::npos) {
        return "--unlock-text takes NAME=TEXT, not \"" + given + "\"";
    }
    const std::u16string name = core::Utf8ToUtf16(given.substr(0, equals));
    const std::u16string text = core::Utf8ToUtf16(given.substr(equals + 1));
    if (const auto why = core::UnlockTextRefusal(name, text)) {
        return "--unlock-text " + given.substr(0, equals) + ": " + *why;
    }
    texts[name] = text;
    return std::nullopt;
}

} // namespace

void UnlockFormOptions::addTo(CLI::App& command)
{
    command
        .add_option("--remember-days", rememberDays,
                    "With --encrypt: offer a \"Remember me on this device\" box that keeps the key "
                    "in the browser for N days (1 to 3650), and a link on unlocked pages that "
                    "forgets it")
        ->type_name("N");
    command
        .add_option("--unlock-text", texts,
                    "With --encrypt: a text or colour of the unlock form, NAME=TEXT (repeatable); "
                    "names: " +
                        core::UnlockTextNames())
        ->type_name("NAME=TEXT");
    command
        .add_option("--unlock-template", templateFile,
                    "With --encrypt: the unlock form is the HTML of FILE, with {{title}}, "
                    "{{label}} and the other text names filled in; it needs a form and an input "
                    "with id=\"p\"")
        ->type_name("FILE");
    command.add_flag("--share-link", shareLink,
                     "With --encrypt: print the fragment (#qv-key=...) that, added to a page's "
                     "address, opens the pages of this run without the password; whoever has "
                     "the link has the key");
}

bool UnlockFormOptions::given() const
{
    return rememberDays || !texts.empty() || templateFile || shareLink;
}

std::string UnlockFormOptions::firstGiven() const
{
    return rememberDays     ? "--remember-days"
           : !texts.empty() ? "--unlock-text"
           : templateFile   ? "--unlock-template"
                            : "--share-link";
}

std::optional<std::string> UnlockFormOptions::apply(core::ProtectionSettings& settings) const
{
    core::UnlockChoices& choices = settings.unlockChoices;
    if (rememberDays) {
        if (*rememberDays < 1 || *rememberDays > core::maximumRememberDays) {
            return "--remember-days must lie between 1 and " +
                   std::to_string(core::maximumRememberDays);
        }
        choices.rememberDays = *rememberDays;
    }
    for (const std::string& text : texts) {
        if (auto refusal = addText(text, choices.texts)) {
            return refusal;
        }
    }
    if (templateFile) {
        if (auto refusal = readTemplate(*templateFile, choices.formTemplate)) {
            return refusal;
        }
    }
    if (choices.rememberDays > 0 && !settings.rememberUnlock) {
        return "--remember-days keeps the key, --no-remember keeps none: give one of them";
    }
    return std::nullopt;
}

void UnlockFormOptions::tellShareLink(std::ostream& err, std::u16string_view key) const
{
    if (!shareLink || key.empty()) {
        return;
    }
    err << "quorlane-cli: share link: a page's address followed by #qv-key="
        << core::Utf16ToUtf8(key)
        << " opens the pages of this run without the password; whoever gets the link can read "
           "them, until the pages are protected again\n";
}

} // namespace quorlane::cli
