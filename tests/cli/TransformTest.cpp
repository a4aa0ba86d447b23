#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "cli/Cli.h"
#include "core/PageTransformer.h"
#include "files/PageCodec.h"
#include "tests/cli/CliProcess.h"
#include "tests/support/PageDecoding.h"

using namespace quorlane;
namespace fs = std::filesystem;

namespace {

struct Outcome
{
    int status;
    std::string out;
    std::string err;
};

Outcome runCli(const std::vector<std::string>& args, const std::string& input = {})
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::Run(args, in, out, err);
    return {status, out.str(), err.str()};
}

// What transform must write for bytes under settings.
std::string expectedBytes(const std::string& bytes, const core::ProtectionSettings& settings)
{
    files::DecodedPage page = files::DecodePage(bytes);
    core::ProtectPage(page.text, settings, page.declaredCharset);
    page.text += core::protectedPageMarker;
    return files::EncodePage(page.text, page.encoding);
}

class TransformProcess : public ::testing::Test
{
protected:
    fs::path write(const std::string& name, const std::string& bytes)
    {
        return m_folder.write(name, bytes);
    }
    std::string read(const std::string& name)
    {
        return name == "out" ? m_cli.out() : name == "err" ? m_cli.err() : m_folder.read(name);
    }
    int run(const std::string& arguments) { return m_cli.run(arguments); }

    test::TempFolder m_folder;
    test::CliProcess m_cli;
    const fs::path m_dir = m_folder.path();
};

} // namespace

TEST(Transform, SettingsFromOptionsReachThePage)
{
    const std::string page = "<html><head></head><body><a href=\"mailto:a@b\">m</a></body></html>";
    core::ProtectionSettings settings;
    settings.protectMode = core::ProtectMode::EmailLinksOnly;
    settings.scriptSwitches.set(core::ScriptOption::NoRightClick);
    settings.scriptSwitches.set(core::ScriptOption::ExpirePage);
    settings.rightClickWarning = true;
    settings.rightClickWarningText = u"Mine \u00E9";
    settings.passwordProtect = true;
    settings.password = u"open sesame";
    settings.copyrightNotice = true;
    settings.copyrightNoticeText = u"(c) me";
    const Outcome outcome = runCli({"transform", "--mode", "email", "--enable", "no-right-click",
                                    "--enable=expire-page", "--warning", "Mine \xC3\xA9",
                                    "--password", "open sesame", "--notice", "(c) me"},
                                   page);
    EXPECT_EQ(outcome.status, cli::exitOk) << outcome.err;
    EXPECT_EQ(outcome.out, expectedBytes(page, settings));

    settings = {};
    settings.scriptSwitches.set(core::ScriptOption::NoPrinting);
    settings.scriptSwitches.set(core::ScriptOption::BlockOpera);
    settings.domainLock = true;
    settings.lockDomain = u"www.site.example";
    settings.urlLock = true;
    settings.lockUrl = u"http://www.site.example/a.html";
    EXPECT_EQ(runCli({"transform", "--enable", "no-printing,block-opera", "--domain-lock",
                      "www.site.example", "--url-lock", "http://www.site.example/a.html"},
                     page)
                  .out,
              expectedBytes(page, settings));
}

TEST(Transform, UnsafeOrBlankTextsAreRefusedBeforeReading)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--warning", "it's"},
             {"--password", "a\"b"},
             {"--domain-lock", "a\\b"},
             {"--url-lock", "http://x/\ny"},
             {"--url-lock", "http://x/\xE2\x80\xA8"},
             {"--domain-lock", "   "},
             {"--password", ""},
         }) {
        std::vector<std::string> full = {"transform", "/no/such/page.html"};
        full.insert(full.end(), args.begin(), args.end());
        const Outcome outcome = runCli(full);
        EXPECT_EQ(outcome.status, cli::exitUsage) << args[0];
        EXPECT_NE(outcome.err.find(args[0]), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find("page.html"), std::string::npos) << "read before refusing";
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1);
    }
}

// A lock the browser could never match is refused, naming the entry; hosts outside ASCII are
// written in the form the browser reports.
TEST(Transform, LockEntriesThatAreNoHostsAreRefusedBeforeReading)
{
    for (const auto& [option, text, named] : std::vector<std::array<std::string, 3>>{
             {"--domain-lock", "a.example, www.b.example/shop", "\"www.b.example/shop\""},
             {"--domain-lock", "a.example:8080", "\"a.example:8080\""},
             {"--domain-lock", ",", "names no host"},
             {"--url-lock", "https:///index.html", "\"https:///index.html\""},
         }) {
        const Outcome outcome = runCli({"transform", "/no/such/page.html", option, text});
        EXPECT_EQ(outcome.status, cli::exitUsage) << text;
        EXPECT_NE(outcome.err.find(named), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find("page.html"), std::string::npos) << "read before refusing";
    }
    const Outcome idna = runCli({"transform", "--domain-lock",
                                 "B\xC3\xBC"
                                 "cher.example"},
                                "x");
    ASSERT_EQ(idna.status, cli::exitOk) << idna.err;
    core::ProtectionSettings settings;
    settings.domainLock = true;
    settings.lockDomain = u"xn--bcher-kva.example";
    EXPECT_EQ(idna.out, expectedBytes("x", settings));
}

TEST(Transform, BadUsageGivesOneLineAndStatusTwo)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"transform", "--mode", "half"},
                                               {"transform", "--enable", "no-mouse"},
                                               {"frobnicate"},
                                               {"transform", "a", "b"}}) {
        const Outcome outcome = runCli(args);
        EXPECT_EQ(outcome.status, cli::exitUsage);
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_TRUE(outcome.out.empty());
    }
    const Outcome help = runCli({"transform", "--help"});
    EXPECT_EQ(help.status, cli::exitOk);
    EXPECT_NE(help.out.find("--domain-lock DOMAIN"), std::string::npos);
    EXPECT_NE(help.out.find("block-netscape"), std::string::npos);
}

TEST_F(TransformProcess, WritesTheProtectedPageOfAFileOrOfStandardInput)
{
    const std::string page = "<html><head><title>Caf\xC3\xA9</title></head><body><p>\xE6\x97\xA5"
                             "\xE6\x9C\xAC \xF0\x9F\x98\x80</p></body></html>";
    write("page.html", page);
    ASSERT_EQ(run("transform --mode body " + (m_dir / "page.html").string()), 0) << read("err");
    core::ProtectionSettings settings;
    settings.protectMode = core::ProtectMode::BodyOnly;
    EXPECT_EQ(read("out"), expectedBytes(page, settings));
    // Every character comes back when the writer blocks are decoded.
    const auto decoded = test::DecodeWriterBlocks(files::DecodePage(read("out")).text);
    EXPECT_NE(decoded.plain.find(u"<p>\u65E5\u672C \U0001F600</p>"), std::u16string::npos);

    ASSERT_EQ(run("transform --mode body - <" + (m_dir / "page.html").string()), 0);
    EXPECT_EQ(read("out"), expectedBytes(page, settings));

    // A list of switches does not swallow the file name behind it.
    ASSERT_EQ(run("transform --mode body --enable no-offline,block-opera " +
                  (m_dir / "page.html").string()),
              0)
        << read("err");
    settings.scriptSwitches.set(core::ScriptOption::NoOffline);
    settings.scriptSwitches.set(core::ScriptOption::BlockOpera);
    EXPECT_EQ(read("out"), expectedBytes(page, settings));
}

TEST_F(TransformProcess, Windows1252PagesStayWindows1252)
{
    const std::string page = "<html><body><p>Gr\xFC\xDF"
                             "e \x80 10 \x96 caf\xE9</p></body></html>";
    write("legacy.htm", page);
    // Encoded as a whole, the text survives as escapes.
    ASSERT_EQ(run("transform " + (m_dir / "legacy.htm").string()), 0) << read("err");
    EXPECT_EQ(read("out"), expectedBytes(page, {}));
    const std::u16string text = u"Gr\u00FC\u00DFe \u20AC 10 \u2013 caf\u00E9";
    EXPECT_NE(test::DecodeWriterBlocks(files::DecodePage(read("out")).text).plain.find(text),
              std::u16string::npos);
    // Left plain, it is written back in its own bytes.
    ASSERT_EQ(run("transform --mode links " + (m_dir / "legacy.htm").string()), 0);
    EXPECT_NE(read("out").find("<p>Gr\xFC\xDF"
                               "e \x80 10 \x96 caf\xE9</p>"),
              std::string::npos);
}

TEST_F(TransformProcess, ExitStatusesTellWhatHappened)
{
    write("page.html", "<p>x</p>");
    ASSERT_EQ(run("transform " + (m_dir / "page.html").string()), 0);
    const std::string protectedPage = read("out");
    write("protected.html", protectedPage);
    EXPECT_EQ(run("transform " + (m_dir / "protected.html").string()), 3);
    EXPECT_EQ(read("out"), protectedPage);

    EXPECT_EQ(run("transform " + (m_dir / "missing.html").string()), 2);
    EXPECT_NE(read("err").find("missing.html"), std::string::npos);
    EXPECT_EQ(run("transform " + m_dir.string()), 2);
    EXPECT_EQ(run("transform --mode none " + (m_dir / "page.html").string()), 2);
    EXPECT_TRUE(read("out").empty());
}
