#include "model/ResultRegrouping.h"

#include "model/ResultCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

ImageFilePtr file(const QString &name, float score, bool video = false)
{
    auto f = std::make_shared<ImageFile>();
    f->fileName = name;
    f->matchingPercentage = score;
    f->isVideo = video;
    return f;
}

QStringList names(const ImageGroup &group)
{
    QStringList out;
    for (const ImageFilePtr &f : group)
        out << *f->fileName;
    return out;
}

} // namespace

TEST(ResultRegrouping, MatchingLevelKeepsMembersThatReachIt)
{
    const ImageGroups all = {{file("a", 100), file("b", 90), file("c", 83)},
                             {file("d", 70), file("e", 99), file("f", 88)}};
    EXPECT_EQ(ResultRegrouping::groupsAtMatchingLevel(all, 81).size(), 2u);
    const ImageGroups at88 = ResultRegrouping::groupsAtMatchingLevel(all, 88);
    ASSERT_EQ(at88.size(), 2u);
    EXPECT_EQ(names(at88[0]), QStringList({"a", "b"}));
    // Exactly 88.0 stays; the first member stays whatever its score.
    EXPECT_EQ(names(at88[1]), QStringList({"d", "e", "f"}));
    const ImageGroups at91 = ResultRegrouping::groupsAtMatchingLevel(all, 91);
    ASSERT_EQ(at91.size(), 1u);
    EXPECT_EQ(names(at91[0]), QStringList({"d", "e"}));
}

// Regrouping at the level the results opened with shows exactly what the intake showed, marks
// and hand protection included, whatever the scores.
TEST(ResultRegrouping, RegroupingAtTheCurrentLevelChangesNothing)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 500; ++round) {
        ImageGroups all;
        const int groups = 1 + int(random() % 6);
        for (int g = 0; g < groups; ++g) {
            ImageGroup group;
            const int size = 2 + int(random() % 5);
            for (int r = 0; r < size; ++r)
                group.push_back(file(QStringLiteral("g%1f%2").arg(g).arg(r),
                                     float(75 + random() % 26) + float(random() % 10) / 10.0f));
            // The first member carries its first partner's score, as a similar scan gives it.
            group[0]->matchingPercentage = group[1]->matchingPercentage;
            all.push_back(group);
        }
        const int level = int(81 + random() % 18);
        ResultState state;
        state.allImages = all;
        // The grid's intake.
        state.setShownGroups(ResultCommands::shownGroupsAtMatchingLevel(all, level));
        for (int g = 0; g < state.shownGroupCount(); ++g)
            if (random() % 2)
                state.mark(g, 1);
        const ImageGroups before = state.imageDirectories;
        const auto marks = state.selectedIndexArray;
        ResultRegrouping::showGroups(state, ResultRegrouping::groupsAtMatchingLevel(state.allImages, level),
                                     ResultRegrouping::remember(state), true);
        ASSERT_EQ(state.imageDirectories, before) << "round " << round;
        ASSERT_EQ(state.selectedIndexArray, marks) << "round " << round;
        // And the shown groups, taken as delivered, give themselves again.
        ASSERT_EQ(ResultRegrouping::groupsAtMatchingLevel(before, level), before) << "round " << round;
    }
}

// Ticking both videos of [photo, video, video] is allowed (the photo stays); the videos-only filter
// then shows [video, video], which must keep one of them unmarked as a tick would have.
TEST(ResultRegrouping, AShownGroupNeverEndsFullyMarked)
{
    ResultState state;
    state.setResults({{file("p", 100), file("v1", 100, true), file("v2", 100, true)}});
    state.mark(0, 1);
    state.mark(0, 2);
    ResultRegrouping::showGroups(state, ResultRegrouping::videoGroups(state.allImages),
                                 ResultRegrouping::remember(state), true);
    ASSERT_EQ(state.shownGroupCount(), 1);
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({0}));
    // Back to every group: v1 stays marked, v2 as the filter left it.
    ResultRegrouping::showGroups(state, state.allImages, ResultRegrouping::remember(state), true);
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({1}));
}

TEST(ResultRegrouping, VideosOnlyKeepsGroupsWithTwoVideos)
{
    const ImageGroups all = {{file("p", 100), file("v1", 100, true), file("v2", 100, true)},
                             {file("v3", 100, true), file("q", 100)}};
    const ImageGroups videos = ResultRegrouping::videoGroups(all);
    ASSERT_EQ(videos.size(), 1u);
    EXPECT_EQ(names(videos[0]), QStringList({"v1", "v2"}));
}

// The videos-only filter must never leave a mark on another file: marks and hand protection are
// carried by file into the new groups.
TEST(ResultRegrouping, MarksAndHandProtectionFollowTheirFiles)
{
    ResultState state;
    state.setResults({{file("p", 100), file("v1", 100, true), file("v2", 100, true)},
                      {file("v3", 100, true), file("q", 100), file("v4", 100, true)}});
    state.mark(0, 2);                      // v2
    state.mark(1, 1);                      // q (a photo: leaves with the filter)
    state.setProtectionByHand(1, 2, true); // v4
    state.recordFolderProtection(0, 0);    // a folder record is not carried
    state.protectionOverrideRows[0].push_back(0);
    state.protectionOverrideStates[0].push_back(true);

    const auto memory = ResultRegrouping::remember(state);
    ResultRegrouping::showGroups(state, ResultRegrouping::videoGroups(state.allImages), memory, true);
    ASSERT_TRUE(state.isConsistent());
    ASSERT_EQ(state.shownGroupCount(), 2);
    EXPECT_EQ(names(state.imageDirectories[0]), QStringList({"v1", "v2"}));
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({1})); // still v2, now at position 1
    EXPECT_TRUE(state.selectedIndexArray[1].empty());
    EXPECT_EQ(state.recordedProtection(1, 1), std::optional<bool>(true)); // v4 at its new position
    EXPECT_TRUE(state.shownFile(1, 1)->isProtected);
    EXPECT_FALSE(state.recordedProtection(1, 0).has_value());

    // Back to every group: the marks of the files still shown are kept by file.
    const auto again = ResultRegrouping::remember(state);
    ResultRegrouping::showGroups(state, state.allImages, again, true);
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({2}));
    EXPECT_EQ(state.recordedProtection(1, 2), std::optional<bool>(true));
}

TEST(ResultRegrouping, RandomFiltersNeverMoveAMarkToAnotherFile)
{
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        ResultState state;
        ImageGroups all;
        int n = 0;
        for (int g = 0; g < 1 + int(random() % 6); ++g) {
            ImageGroup group;
            for (int r = 0; r < 2 + int(random() % 4); ++r)
                group.push_back(file(QString::number(n++), float(80 + random() % 21), random() % 2 == 0));
            all.push_back(group);
        }
        state.setResults(all);
        std::set<const ImageFile *> marked, handProtected;
        for (int g = 0; g < state.shownGroupCount(); ++g)
            for (int r = 0; r < int(state.imageDirectories[size_t(g)].size()); ++r) {
                const auto pick = random() % 4;
                if (pick == 0 && state.mark(g, r))
                    marked.insert(state.shownFile(g, r).get());
                else if (pick == 1) {
                    state.setProtectionByHand(g, r, true);
                    handProtected.insert(state.shownFile(g, r).get());
                }
            }
        const bool videos = random() % 2 == 0;
        const auto memory = ResultRegrouping::remember(state);
        ImageGroups shown = videos ? ResultRegrouping::videoGroups(all)
                                   : ResultRegrouping::groupsAtMatchingLevel(all, 81 + int(random() % 18));
        ResultRegrouping::showGroups(state, std::move(shown), memory, true);
        ASSERT_TRUE(state.isConsistent());
        std::set<const ImageFile *> shownFiles;
        for (const ImageGroup &group : state.imageDirectories)
            for (const ImageFilePtr &f : group)
                shownFiles.insert(f.get());
        for (int g = 0; g < state.shownGroupCount(); ++g) {
            const ImageGroup &group = state.imageDirectories[size_t(g)];
            // A group whose every file was marked keeps its last file unmarked.
            const bool allMarked = std::all_of(group.begin(), group.end(),
                                               [&](const ImageFilePtr &f) { return marked.count(f.get()) == 1; });
            for (int r = 0; r < int(group.size()); ++r) {
                const ImageFile *f = group[size_t(r)].get();
                const bool last = r + 1 == int(group.size());
                EXPECT_EQ(state.isMarked(g, r), marked.count(f) == 1 && !(allMarked && last)) << round;
                EXPECT_EQ(f->isProtected, handProtected.count(f) == 1) << round;
            }
        }
    }
}
