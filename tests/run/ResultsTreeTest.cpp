#include "run/ResultsTree.h"

#include <gtest/gtest.h>

using quorlane::core::FileRecord;
using quorlane::run::ResultsTree;

TEST(ResultsTree, GroupsPagesUnderTheFolderNodeOfTheirRoot)
{
    ResultsTree tree;
    EXPECT_TRUE(tree.add(FileRecord{"/site", "/a.htm"}).newFolder);
    EXPECT_FALSE(tree.add(FileRecord{"", "/own.htm"}).newFolder);
    const ResultsTree::Added second = tree.add(FileRecord{"/site", "/b.htm"});
    EXPECT_FALSE(second.newFolder);
    EXPECT_EQ(second.entry, 0u);
    ASSERT_EQ(tree.entries().size(), 2u);
    EXPECT_TRUE(tree.entries()[0].isFolder);
    EXPECT_EQ(tree.entries()[0].pages, (std::vector<std::string>{"/a.htm", "/b.htm"}));
    EXPECT_EQ(tree.entries()[1].text, "/own.htm");
    EXPECT_EQ(tree.pageCount(), 3u);
    tree.clear();
    EXPECT_EQ(tree.pageCount(), 0u);
    EXPECT_TRUE(tree.entries().empty());
}
