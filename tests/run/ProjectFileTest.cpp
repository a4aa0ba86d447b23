#include "run/ProjectFile.h"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

using namespace quorlane;
using core::ScriptOption;

// Every value away from its default comes back as it was; paths below the file's folder are
// written relative to it, others absolute, and the password never goes into the file.
TEST(ProjectFile, KeepsEveryChoiceButThePassword)
{
    test::TempFolder folder;
    run::Project project;
    project.selection = {{folder.str() + test::Native("/site"), true},
                         {"/elsewhere/a page.html", false}};
    core::ProtectionSettings& settings = project.settings;
    settings.scriptSwitches.set(ScriptOption::NoRightClick);
    settings.scriptSwitches.set(ScriptOption::ExpirePage);
    settings.rightClickWarning = true;
    settings.rightClickWarningText = u"Nein, danke \u00E9";
    settings.protectMode = core::ProtectMode::BodyOnly;
    settings.domainLock = true;
    settings.lockDomain = u".example.org";
    settings.lockUrl = u"https://www.example.org/p.html";
    settings.passwordProtect = true;
    settings.encryptHiddenPart = true;
    settings.kdfIterations = 200'000;
    settings.rememberUnlock = false;
    settings.unlockChoices.rememberDays = 14;
    settings.unlockChoices.texts = {{u"title", u"Mitglieder \u00E9"}, {u"panel", u"#fff"}};
    settings.unlockChoices.formTemplate = u"<form>{{label}} <input id=\"p\"></form>";
    settings.saveMode = core::SaveMode::CopyToFolder;
    settings.makeBackups = false;
    settings.saveDir = core::TextFromPath(folder.str() + test::Native("/out"));
    settings.copyPagesOnly = true;
    settings.copyrightNotice = true;
    settings.copyrightNoticeText = u"\u00A9 2026 Harbour Bakery";
    project.failOn = "warning";
    run::Project withPassword = project;
    withPassword.settings.password = u"hunter2";

    files::RealFileSystem fileSystem;
    const core::PathString file = folder.str() + test::Native("/site.json");
    ASSERT_EQ(run::WriteProjectFile(fileSystem, file, withPassword), std::nullopt);
    const std::string written = folder.read("site.json");
    for (const char* part : {"\"folder\": \"site\"", "\"page\": \"/elsewhere/a page.html\"",
                             "\"target\": \"out\"", "\"version\": 1", "\"fail_on\": \"warning\""}) {
        EXPECT_NE(written.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(written.find("hunter2"), std::string::npos);
    run::Project read;
    ASSERT_EQ(run::ReadProjectFile(fileSystem, file, read), std::nullopt);
    EXPECT_EQ(read, project);
}

// Nothing of a project that cannot be taken as it stands is taken; the message names the file
// and the key.
TEST(ProjectFile, RefusesWhatItCannotTakeByFileAndKey)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"not JSON", R"({"version": 1,)", "is no JSON document"},
        {"no version", R"({"pages": []})", "\"version\" is missing"},
        {"a later version", R"({"version": 2, "colour": 1})", "\"version\" is 2"},
        {"unknown key", R"({"version": 1, "colour": "red"})", "\"colour\" is not a key"},
        {"unknown inner key", R"({"version": 1, "warning": {"txt": "x"}})", "\"warning.txt\""},
        {"a password", R"({"version": 1, "password": "x"})", "\"password\" is not taken"},
        {"wrong type", R"({"version": 1, "backups": "yes"})", "\"backups\" must be true or"},
        {"object expected", R"({"version": 1, "notice": "x"})", "\"notice\" must be an object"},
        {"unknown mode", R"({"version": 1, "mode": "fast"})", "\"mode\" is \"fast\", not one"},
        {"unknown fail_on", R"({"version": 1, "fail_on": "note"})",
         "\"fail_on\" is \"note\", not one of warning, error"},
        {"unknown switch", R"({"version": 1, "switches": ["no-offline", "no-copy"]})",
         "\"switches[1]\" is \"no-copy\""},
        {"two paths in one entry", R"({"version": 1, "pages": [{"folder": "a", "page": "b"}]})",
         "\"pages[0]\" must be"},
        {"empty path", R"({"version": 1, "pages": [{"folder": ""}]})",
         "\"pages[0].folder\" must be a path"},
        {"too few iterations", R"({"version": 1, "password_lock": {"kdf_iterations": 5}})",
         "\"password_lock.kdf_iterations\" must be"},
        {"remember days out of range", R"({"version": 1, "password_lock": {"remember_days": -1}})",
         "\"password_lock.remember_days\" must be"},
        {"an unknown unlock text",
         R"({"version": 1, "password_lock": {"unlock_texts": {"heading": "x"}}})",
         "\"password_lock.unlock_texts.heading\" is not a text"},
        {"a colour that is none",
         R"({"version": 1, "password_lock": {"unlock_texts": {"accent": "red}"}}})",
         "\"password_lock.unlock_texts.accent\" is not a colour"},
        {"a template without the field",
         R"({"version": 1, "password_lock": {"unlock_template": "<form></form>"}})",
         "\"password_lock.unlock_template\" holds no password field"},
        {"quote in a warning", R"({"version": 1, "warning": {"on": true, "text": "it's"}})",
         "\"warning.text\" holds a quotation mark"},
        {"notice ending its comment", R"({"version": 1, "notice": {"on": true, "text": "-->"}})",
         "\"notice.text\" holds \"-->\""},
        {"a page climbing out", R"({"version": 1, "pages": [{"page": "../home/.bashrc"}]})",
         "\"pages[0].page\" is \"../home/.bashrc\", which climbs out"},
        {"a folder climbing out on a detour",
         R"({"version": 1, "pages": [{"folder": "site"}, {"folder": "site/../../etc"}]})",
         "\"pages[1].folder\" is \"site/../../etc\", which climbs out"},
        {"a target climbing out", R"({"version": 1, "target": "../out"})",
         "\"target\" is \"../out\", which climbs out"},
    };
    const core::PathString file = "/work/sites/bakery.json";
    for (const auto& [name, json, said] : cases) {
        SCOPED_TRACE(name);
        run::Project project;
        project.selection = {{"/kept", true}};
        const run::Project before = project;
        const std::optional<std::string> refusal = run::ParseProject(json, file, project);
        ASSERT_TRUE(refusal.has_value());
        EXPECT_NE(refusal->find("/work/sites/bakery.json"), std::string::npos) << *refusal;
        EXPECT_NE(refusal->find(said), std::string::npos) << *refusal;
        EXPECT_EQ(project, before);
    }
}

// Relative paths that stay below the project's folder, however spelled, and absolute paths are
// taken as they are meant.
TEST(ProjectFile, TakesRelativePathsThatStayInItsFolder)
{
    run::Project project;
    ASSERT_EQ(run::ParseProject(
                  R"({"version": 1, "pages": [{"folder": "a/../site/"}, {"page": "./p.html"},
                      {"page": "/elsewhere/q.html"}], "target": "out/.."})",
                  "/work/sites/bakery.json", project),
              std::nullopt);
    EXPECT_EQ(project.selection, (std::vector<run::SelectionEntry>{
                                     {"/work/sites/site", true},
                                     {"/work/sites/p.html", false},
                                     {"/elsewhere/q.html", false},
                                 }));
    EXPECT_EQ(project.settings.saveDir, u"/work/sites");
}
