#include <algorithm>
#include <gtest/gtest.h>

#include "tests/cli/RunCli.h"

namespace fs = quorlane::test::fs;
using quorlane::test::ReadBytes;

// Every page under tests/data/pages, protected with the options of its .args file (one a line),
// gives exactly its .expected.html.
TEST(GoldenPages, TransformGivesTheExpectedBytes)
{
    const fs::path folder = fs::path(QUORLANE_TEST_DATA) / "pages";
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const fs::path page = entry.path();
        if (page.extension() != ".html" || page.stem().extension() == ".expected") {
            continue;
        }
        SCOPED_TRACE(page.filename().string());
        const std::string stem = (folder / page.stem()).string();
        std::vector<std::string> args = {"transform", page.string()};
        std::istringstream lines(ReadBytes(stem + ".args"));
        for (std::string line; std::getline(lines, line);) {
            args.push_back(line);
        }
        const auto outcome = quorlane::test::RunCli(args);
        ASSERT_EQ(outcome.status, quorlane::cli::exitOk) << outcome.err;
        const std::string expected = ReadBytes(stem + ".expected.html");
        const auto diff =
            std::mismatch(outcome.out.begin(), outcome.out.end(), expected.begin(), expected.end());
        EXPECT_TRUE(diff.first == outcome.out.end() && diff.second == expected.end())
            << "first difference at byte " << (diff.first - outcome.out.begin()) << " of "
            << outcome.out.size() << " (expected " << expected.size() << ")";
        ++cases;
    }
    EXPECT_GE(cases, 7);
}
