#include "model/ResultCommands.h"

#include "support/ResultGroupsFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ResultCommands;

namespace {

std::vector<int> marks(const ResultState &s, int g) { return s.selectedIndexArray[size_t(g)]; }

} // namespace

TEST(ResultCommands, ShownGroupsKeepFirstMemberAndThoseReachingTheLevel)
{
    ImageGroups delivered;
    delivered.push_back({fileAt("/a/1.jpg", 10), fileAt("/a/2.jpg", 85)});          // exactly at level
    delivered.push_back({fileAt("/b/1.jpg"), fileAt("/b/2.jpg", 84.9f)});           // dropped
    auto video = fileAt("/c/2.mov", 50);
    video->isVideo = true;
    delivered.push_back({fileAt("/c/1.jpg"), fileAt("/c/3.jpg", 99), video});       // video hidden
    delivered.push_back({fileAt("/d/1.jpg"), fileAt("/d/2.jpg", std::nanf(""))});  // NaN stays out
    bool videos = false;
    const ImageGroups shown = shownGroupsAtMatchingLevel(delivered, 85, &videos);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].size(), 2u);
    EXPECT_EQ(shown[1].size(), 2u);
    EXPECT_EQ(shown[1][0], delivered[2][0]);
    EXPECT_TRUE(videos);
}

TEST(ResultCommands, TickRefusesTheLastUnmarkedMemberAndToggleFollowsFullRule)
{
    ResultState s;
    s.setResults(makeGroups({2, 5}));
    EXPECT_EQ(tickFile(s, 0, 0), TickResult::Marked);
    EXPECT_EQ(tickFile(s, 0, 1), TickResult::Refused);
    EXPECT_EQ(marks(s, 0), std::vector<int>({0}));
    EXPECT_TRUE(isGroupFull(s, 0));

    // Tick, untick, tick: the position once, at the end.
    tickFile(s, 1, 3);
    tickFile(s, 1, 1);
    untickFile(s, 1, 3);
    tickFile(s, 1, 3);
    EXPECT_EQ(marks(s, 1), std::vector<int>({1, 3}));
    EXPECT_FALSE(isGroupFull(s, 1));
    // 3 marked and 2 protected of 5 is full; a protected member is never ticked.
    s.imageDirectories[1][0]->isProtected = true;
    s.imageDirectories[1][4]->isProtected = true;
    EXPECT_EQ(tickFile(s, 1, 0), TickResult::Ignored);
    EXPECT_EQ(tickFile(s, 1, 2), TickResult::Marked);
    EXPECT_TRUE(isGroupFull(s, 1));
    toggleGroup(s, 1); // full: cleared
    EXPECT_TRUE(marks(s, 1).empty());
    toggleGroup(s, 1); // not full: marked by the rules (which files: tests/engine)
    const std::vector<int> byRules = marks(s, 1);
    EXPECT_FALSE(byRules.empty());
    EXPECT_EQ(std::count(byRules.begin(), byRules.end(), 0), 0); // protected: never marked
    clearGroup(s, 1); // clearing empties whatever is there
    EXPECT_TRUE(marks(s, 1).empty());
}

TEST(ResultCommands, SelectAndUnselectByTypeFolderAndTree)
{
    ResultState s;
    ImageGroups groups;
    groups.push_back({fileAt("/x/A/a.JPG"), fileAt("/x/A/b.jpg"), fileAt("/x/A/sub/c.png")});
    groups.push_back({fileAt("/x/B/d.png"), fileAt("/x/B/e.png")});
    groups.push_back({fileAt("/x/a/f.jpg"), fileAt("/x/A/g.jpg")});
    s.setResults(groups);
    s.mark(1, 0); // a hand mark that the select command replaces
    const QUrl clicked = QUrl::fromLocalFile("/x/A/b.jpg");

    selectAllMatching(s, MatchKey::Type, clicked);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1}));
    EXPECT_TRUE(marks(s, 1).empty());
    EXPECT_EQ(marks(s, 2), std::vector<int>({1}));

    selectAllMatching(s, MatchKey::Folder, clicked);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1})); // the sub-folder does not count
    selectAllMatching(s, MatchKey::Tree, clicked);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1, 2}));
    EXPECT_EQ(marks(s, 2), std::vector<int>({1}));
    // The tree matches "/x/a/" too: case is ignored.
    EXPECT_TRUE(fileMatches(*groups[2][0], MatchKey::Tree, clicked));
    EXPECT_FALSE(fileMatches(*groups[2][0], MatchKey::Folder, clicked));
    // A sibling whose name only starts like the folder does not match.
    EXPECT_FALSE(fileMatches(*fileAt("/x/AB/z.jpg"), MatchKey::Tree, clicked));

    unselectAllMatching(s, MatchKey::Type, QUrl::fromLocalFile("/x/A/sub/c.png"));
    EXPECT_EQ(marks(s, 0), std::vector<int>({1}));
    unselectAll(s);
    EXPECT_EQ(s.selectedIndexArray.size(), 3u);
    EXPECT_FALSE(s.hasMarks());
}

TEST(ResultCommands, InvertKeepsOneFileInUntouchedGroupsAndSkipsProtected)
{
    ResultState s;
    s.setResults(makeGroups({3, 3}));
    s.imageDirectories[1][2]->isProtected = true;
    invertMarkedFiles(s);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1, 2}));
    EXPECT_EQ(marks(s, 1), std::vector<int>({0, 1}));
    invertMarkedFiles(s);
    EXPECT_EQ(marks(s, 0), std::vector<int>({0}));
    EXPECT_TRUE(marks(s, 1).empty());
}

TEST(ResultCommands, RemovingAFileMovesTheMarksAndPairsAboveItDown)
{
    ResultState s;
    s.setResults(makeGroups({4, 2}));
    const ImageFilePtr third = s.imageDirectories[0][2];
    const ImageFilePtr fourth = s.imageDirectories[0][3];
    s.mark(0, 2);
    s.setProtectionByHand(0, 3, true);
    EXPECT_EQ(removeFromResults(s, 0, 0), RemoveOutcome::Reload);
    ASSERT_TRUE(s.isConsistent());
    EXPECT_EQ(marks(s, 0), std::vector<int>({1}));
    EXPECT_EQ(s.shownFile(0, 1), third);
    EXPECT_EQ(s.protectionOverrideRows[0], std::vector<int>({2}));
    EXPECT_EQ(s.shownFile(0, 2), fourth);
    EXPECT_EQ(s.allImages[0].size(), 3u);

    // A group dropped by the removal leaves the marks and both override lists together.
    s.setProtectionByHand(1, 1, true);
    s.mark(1, 0);
    EXPECT_EQ(removeFromResults(s, 1, 1), RemoveOutcome::Reload);
    EXPECT_EQ(s.shownGroupCount(), 1);
    EXPECT_EQ(s.selectedIndexArray.size(), 1u);
    EXPECT_EQ(s.protectionOverrideRows.size(), 1u);
    EXPECT_EQ(s.protectionOverrideStates.size(), 1u);
    EXPECT_EQ(s.allImages.size(), 1u);
}

TEST(ResultCommands, RemovingTheLastFilesPostsNoResultsOrRegroups)
{
    ResultState s;
    s.setResults(makeGroups({2}));
    EXPECT_EQ(removeFromResults(s, 0, 0), RemoveOutcome::NoResultsLeft);

    ImageGroups all = makeGroups({2, 2});
    all[1][1]->matchingPercentage = 50; // hidden at the level
    s.allImages = all;
    s.setShownGroups({all[0]});
    EXPECT_EQ(removeFromResults(s, 0, 1), RemoveOutcome::Regroup);
    EXPECT_EQ(s.allImages.size(), 1u);
}
