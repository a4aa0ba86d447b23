#include "run/SettingVocabulary.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

#include "core/Utf8.h"
#include "run/ProjectFile.h"
#include "run/SettingsJson.h"

using namespace quorlane;
using Kind = run::SettingWord::Kind;

namespace {

std::string text(const char* value)
{
    return value == nullptr ? std::string() : std::string(value);
}

// The number of rows of each kind, and of values that the enumerations hold.
int valueCount(Kind kind)
{
    switch (kind) {
    case Kind::Switch:
        return core::scriptOptionCount;
    case Kind::ProtectMode:
        return 4;
    case Kind::SaveMode:
        return 3;
    case Kind::Option:
        break;
    }
    return run::settingOptionCount;
}

} // namespace

// Every value of every kind has one row, found by its value; no two rows of a kind share a
// name in either file or on the command line, and no two controls share an object name.
TEST(SettingVocabulary, HoldsEveryValueOnceWithNamesOfItsOwn)
{
    std::set<std::string> objectNames;
    std::size_t rows = 0;
    for (const Kind kind : {Kind::Switch, Kind::ProtectMode, Kind::SaveMode, Kind::Option}) {
        const auto words = run::WordsOf(kind);
        ASSERT_EQ(words.size(), static_cast<std::size_t>(valueCount(kind)));
        std::set<std::string> cli;
        std::set<std::string> project;
        std::set<std::string> record;
        for (int value = 0; value < valueCount(kind); ++value) {
            const run::SettingWord& word = *words[value];
            SCOPED_TRACE(text(word.cliName));
            EXPECT_EQ(word.value, value);
            EXPECT_TRUE(cli.insert(text(word.cliName)).second);
            EXPECT_TRUE(project.insert(text(word.projectKey)).second);
            if (word.recordKey != nullptr) {
                EXPECT_TRUE(record.insert(word.recordKey).second);
            }
            EXPECT_TRUE(objectNames.insert(text(word.objectName)).second);
            EXPECT_FALSE(text(word.cliName).empty());
            EXPECT_FALSE(text(word.projectKey).empty());
            EXPECT_FALSE(text(word.objectName).empty());
        }
        rows += words.size();
    }
    EXPECT_EQ(rows, run::SettingVocabulary().size());
    EXPECT_EQ(&run::WordOf(core::ScriptOption::ExpirePage), run::WordsOf(Kind::Switch).back());
    EXPECT_EQ(run::WordOf(core::SaveMode::CreateNew).cliName, std::string("new"));
    EXPECT_EQ(run::WordOf(run::SettingOption::PagesOnly).projectKey, std::string("pages_only"));
}

// A switch says what it does today twice: in a word or two for the command line, at length for
// the wizard; both begin alike, and its box is the chkScript box of its value.
TEST(SettingVocabulary, SwitchesTellTheSameTodayInBothFrontEnds)
{
    for (const run::SettingWord* word : run::WordsOf(Kind::Switch)) {
        SCOPED_TRACE(word->cliName);
        EXPECT_EQ(text(word->objectName), "chkScript_" + std::to_string(word->value));
        ASSERT_NE(word->caption.source, nullptr);
        ASSERT_NE(word->info.source, nullptr);
        EXPECT_EQ(text(word->info.context), text(word->caption.context));
        const std::string info = word->info.source;
        const std::size_t today = info.find("\nToday: ");
        ASSERT_NE(today, std::string::npos);
        std::string brief = text(word->today);
        brief = brief.substr(0, brief.find(':'));
        EXPECT_EQ(info.substr(today + 8, brief.size()), brief);
    }
}

// The options and modes carry their wizard captions in the context of the page that shows them.
TEST(SettingVocabulary, CaptionsNameThePageThatShowsThem)
{
    const std::set<std::string> pages = {"quorlane::wizard::ScriptsPage",
                                         "quorlane::wizard::EncryptionPage",
                                         "quorlane::wizard::StoreFilesPage"};
    std::size_t captioned = 0;
    for (const run::SettingWord& word : run::SettingVocabulary()) {
        SCOPED_TRACE(word.cliName);
        if (word.caption.source == nullptr) {
            EXPECT_EQ(text(word.objectName).substr(0, 3), "txt"); // a text box has no caption
            continue;
        }
        EXPECT_TRUE(pages.contains(text(word.caption.context)));
        ++captioned;
    }
    EXPECT_EQ(captioned, run::SettingVocabulary().size() - 2);
}

// A project file and a run's record write every name and key from the vocabulary.
TEST(SettingsJson, BothFilesWriteTheirNamesFromTheVocabulary)
{
    core::ProtectionSettings settings;
    for (int i = 0; i < core::scriptOptionCount; ++i) {
        settings.scriptSwitches.set(static_cast<core::ScriptOption>(i));
    }
    settings.saveMode = core::SaveMode::CopyToFolder;
    settings.saveDir = u"/srv/out";
    settings.backupDir = u"/srv/backups";
    settings.protectMode = core::ProtectMode::AllLinks;
    settings.passwordProtect = true;
    settings.encryptHiddenPart = true;

    run::settings_json::Json project = run::settings_json::Json::object();
    const auto asWritten = [](const core::PathString& path) {
        return std::optional(core::Utf16ToUtf8(core::TextFromPath(path)));
    };
    ASSERT_EQ(run::settings_json::PutProjectStore(settings, asWritten, project), std::nullopt);
    run::settings_json::PutProjectProtection(settings, project);
    const run::settings_json::Json record = run::settings_json::RecordJson(settings);
    for (const run::SettingWord* word : run::WordsOf(Kind::Option)) {
        SCOPED_TRACE(word->cliName);
        const bool nested = word->value == static_cast<int>(run::SettingOption::Encrypt);
        EXPECT_TRUE((nested ? project["password_lock"] : project).contains(word->projectKey));
        // The record names the target folder as its tree, and never writes where backups go.
        const bool inRecord = word->value != static_cast<int>(run::SettingOption::Target) &&
                              word->value != static_cast<int>(run::SettingOption::BackupDir);
        EXPECT_EQ(word->recordKey != nullptr && record.contains(word->recordKey), inRecord);
    }
    std::vector<std::string> switches;
    for (const run::SettingWord* word : run::WordsOf(Kind::Switch)) {
        switches.push_back(word->projectKey);
    }
    EXPECT_EQ(project["switches"].get<std::vector<std::string>>(), switches);
    EXPECT_EQ(record["switches"].get<std::vector<std::string>>(), switches);
    EXPECT_EQ(project["mode"], "links");
    EXPECT_EQ(record["save"], "copy");
    EXPECT_EQ(project["target"], "/srv/out");
}

// What a record writes comes back; what it does not hold (the texts, the target) does not.
TEST(SettingsJson, ARecordReadsBackWhatItHolds)
{
    core::ProtectionSettings settings;
    settings.scriptSwitches.set(core::ScriptOption::NoPrinting);
    settings.scriptSwitches.set(core::ScriptOption::BlockNetscape);
    settings.protectMode = core::ProtectMode::BodyOnly;
    settings.saveMode = core::SaveMode::CopyToFolder;
    settings.copyPagesOnly = true;
    settings.passwordProtect = true;
    settings.encryptHiddenPart = true;
    settings.rightClickWarning = true;

    run::manifest::Reader read;
    const core::ProtectionSettings back =
        run::settings_json::RecordSettingsFrom(read, run::settings_json::RecordJson(settings));
    EXPECT_EQ(read.problem, "");
    EXPECT_EQ(back.scriptSwitches, settings.scriptSwitches);
    EXPECT_EQ(back.protectMode, settings.protectMode);
    EXPECT_EQ(back.saveMode, settings.saveMode);
    EXPECT_TRUE(back.copyPagesOnly);
    EXPECT_TRUE(back.passwordProtect && back.encryptHiddenPart);
    EXPECT_FALSE(back.rightClickWarning);

    run::settings_json::Json unknown = run::settings_json::RecordJson(settings);
    unknown["switches"].push_back("no-such-switch");
    run::manifest::Reader refuses;
    run::settings_json::RecordSettingsFrom(refuses, unknown);
    EXPECT_EQ(refuses.problem, "unknown setting no-such-switch");
}
