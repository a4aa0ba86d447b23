#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "cli/Cli.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// One argument a line.
std::vector<std::string> readArgs(const fs::path& path)
{
    std::vector<std::string> args;
    std::istringstream lines(readFile(path));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            args.push_back(line);
        }
    }
    return args;
}

} // namespace

// Every page under tests/data/pages, protected with the options of its .args file, gives exactly
// its .expected.html.
TEST(GoldenPages, TransformGivesTheExpectedBytes)
{
    const fs::path folder = fs::path(QUORLANE_TEST_DATA) / "pages";
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const fs::path page = entry.path();
        const std::string name = page.filename().string();
        if (page.extension() != ".html" || name.ends_with(".expected.html")) {
            continue;
        }
        SCOPED_TRACE(name);
        const fs::path stem = folder / page.stem();
        std::vector<std::string> args = {"transform"};
        const std::vector<std::string> options = readArgs(stem.string() + ".args");
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(page.string());

        std::istringstream in;
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(quorlane::cli::Run(args, in, out, err), quorlane::cli::exitOk) << err.str();
        const std::string expected = readFile(stem.string() + ".expected.html");
        const std::string actual = out.str();
        const auto diff =
            std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
        EXPECT_TRUE(diff.first == actual.end() && diff.second == expected.end())
            << "first difference at byte " << (diff.first - actual.begin()) << " of "
            << actual.size() << " (expected " << expected.size() << ")";
        ++cases;
    }
    EXPECT_GE(cases, 7);
}
