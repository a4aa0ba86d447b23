#include <cctype>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>

#include "core/PageTransformer.h"
#include "core/Utf8.h"
#include "tests/cli/RunCli.h"

namespace quorlane::test {
namespace {

// A site with what a run must order: two framesets sharing a frame, pages in subfolders, a page
// already protected, a page whose output cannot be written and a picked page that is not there.
void WriteSite(const TempFolder& site)
{
    site.write("index.html", "<html><frameset><frame src=\"left.html\"><frame src=\"shared.html\">"
                             "</frameset></html>");
    site.write("other.html", "<html><frameset><frame src=\"shared.html\"><frame "
                             "src=\"sub/right.html\"></frameset></html>");
    site.write("left.html", "<html><body><p>left</p></body></html>");
    site.write("shared.html", "<html><body><p>shared</p></body></html>");
    site.write("sub/right.html", "<html><body><p>right</p></body></html>");
    for (int page = 0; page < 24; ++page) {
        const std::string name = "p" + std::to_string(page);
        site.write((page % 3 == 0 ? "sub/deeper/" : "sub/") + name + ".html",
                   "<html><head><title>" + name + "</title></head><body>" +
                       std::string(page * 97, 'x') + "<a href=\"mailto:a@b.c\">mail</a>" +
                       "<script>var n = " + std::to_string(page) + ";</script></body></html>");
    }
    site.write("done.html",
               "<html><body>done</body></html>" + core::Utf16ToUtf8(core::protectedPageMarker));
    site.write("bad.html", "<html><body>bad</body></html>");
    std::filesystem::create_directories(site.path() / "protected_bad.html");
    std::filesystem::create_symlink(site.path() / "nowhere.html", site.path() / "gone.html");
}

// The names of run records carry the time, and the paths the site's folder; apart from these,
// two runs must agree.
std::string WithoutTimes(const std::string& text, const TempFolder& site)
{
    static const std::regex manifest(R"(\.quorlane-run-[0-9-]+\.json)");
    std::string same = std::regex_replace(text, manifest, "RUN.json");
    const std::string root = site.path().string();
    for (std::size_t at = same.find(root); at != std::string::npos; at = same.find(root, at)) {
        same.replace(at, root.size(), "SITE");
    }
    return same;
}

struct Protected
{
    int status;
    std::string out;
    std::string err;
    std::map<std::string, std::string> tree;
};

// Sealed parts, the salt and the check value (in the page script's escapes) and the digests of
// sealed pages differ from run to run; their places do not.
std::string WithoutSealed(const std::string& text)
{
    std::string clear;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '%' && at + 2 < text.size() && std::isxdigit(text[at + 1]) &&
            std::isxdigit(text[at + 2])) {
            clear += static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16));
            at += 2;
        } else {
            clear += text[at];
        }
    }
    static const std::regex sealed(R"([A-Za-z0-9+/]{16,}={0,2})");
    return std::regex_replace(clear, sealed, "SEALED");
}

Protected ProtectSite(const std::string& options, bool sealed = false)
{
    const TempFolder site;
    WriteSite(site);
    const CliProcess cli;
    Protected run;
    run.status = cli.run("protect " + options + " . sub/p1.html gone.html", site.str());
    run.out = WithoutTimes(cli.out(), site);
    run.err = WithoutTimes(cli.err(), site);
    for (auto& [path, bytes] : TreeOf(site.path())) {
        if (path.find(".quorlane-run-") == std::string::npos) {
            run.tree[path] = sealed ? WithoutSealed(bytes) : bytes;
            continue;
        }
        // Each line of the record without its checksum, which goes by the time it started.
        std::string recorded;
        std::istringstream lines(bytes);
        for (std::string line; std::getline(lines, line);) {
            nlohmann::json entry = nlohmann::json::parse(line.substr(0, line.rfind('\t')));
            entry.erase("started");
            recorded += WithoutTimes(entry.dump(), site) + "\n";
        }
        run.tree[WithoutTimes(path, site)] = sealed ? WithoutSealed(recorded) : recorded;
    }
    return run;
}

// Many threads write, tell and record what one does; each seals with a sealer of its own under the
// run's key, and every page is still checked by opening what it sealed.
TEST(Jobs, ManyThreadsWriteTellAndSealWhatOneDoes)
{
    const std::string sealing = "--encrypt --password=secret --kdf-iterations=100000 --json ";
    for (const std::string options : {"", "--json ", sealing.c_str()}) {
        const bool sealed = options == sealing;
        const Protected one = ProtectSite(options + "--jobs 1", sealed);
        ASSERT_EQ(one.status, 1) << one.err;
        ASSERT_THAT(one.out, HasSubstr("shared.html"));
        if (sealed) {
            ASSERT_THAT(one.tree.at("sub/protected_p1.html"), HasSubstr("SEALED"));
        }
        for (int repeat = 0; repeat < (sealed ? 1 : 4); ++repeat) {
            SCOPED_TRACE(options + "repeat " + std::to_string(repeat));
            const Protected many = ProtectSite(options + "--jobs 4", sealed);
            EXPECT_EQ(many.status, one.status);
            EXPECT_EQ(many.out, one.out);
            EXPECT_EQ(many.err, one.err);
            EXPECT_EQ(many.tree, one.tree);
        }
    }
}

} // namespace
} // namespace quorlane::test
