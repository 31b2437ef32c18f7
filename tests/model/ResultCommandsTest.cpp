#include "model/ResultCommands.h"

#include "model/InitialDirectory.h"
#include "model/ModuleState.h"

#include <gtest/gtest.h>

#include <random>

using namespace ResultCommands;

namespace {

ImageFilePtr fileAt(const QString &path, float score = 100.0f)
{
    auto file = std::make_shared<ImageFile>();
    file->url = QUrl::fromLocalFile(path);
    file->fileName = QUrl::fromLocalFile(path).fileName();
    file->matchingPercentage = score;
    return file;
}

// Groups of files named /p/g<group>/f<row>.jpg.
ImageGroups makeGroups(std::initializer_list<int> sizes)
{
    ImageGroups groups;
    int g = 0;
    for (int size : sizes) {
        ImageGroup group;
        for (int r = 0; r < size; ++r)
            group.push_back(fileAt(QStringLiteral("/p/g%1/f%2.jpg").arg(g).arg(r)));
        groups.push_back(group);
        ++g;
    }
    return groups;
}

struct ProtectedFoldersGuard {
    ProtectedFoldersGuard() { clearAll(); }
    ~ProtectedFoldersGuard() { clearAll(); }
    static void clearAll()
    {
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        similarityThreshold = 81;
    }
};

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
    toggleGroup(s, 1); // by the rules: every unprotected member but position 0
    EXPECT_EQ(marks(s, 1), std::vector<int>({1, 2, 3}));

    // Rules that decide nothing keep the earlier marks; clearing empties whatever is there.
    setGroupMarker([](const ResultState &, int) { return std::vector<int>(); });
    EXPECT_FALSE(markGroup(s, 1));
    EXPECT_EQ(marks(s, 1), std::vector<int>({1, 2, 3}));
    setGroupMarker({});
    clearGroup(s, 1);
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

TEST(ResultCommands, GroupLockFollowsItsStateTable)
{
    ProtectedFoldersGuard guard;
    ResultState s;
    s.setResults(makeGroups({3}));
    s.mark(0, 1);
    EXPECT_EQ(clickGroupLock(s, 0), LockResult::Locked);
    EXPECT_TRUE(s.isGroupLockedByHand(0));
    EXPECT_TRUE(marks(s, 0).empty());
    EXPECT_EQ(clickGroupLock(s, 0), LockResult::Unlocked);
    EXPECT_FALSE(s.imageDirectories[0][0]->isProtected);
    EXPECT_TRUE(s.protectionOverrideRows[0].empty());

    // All protected without records: the click locks rather than unlocks.
    for (auto &f : s.imageDirectories[0])
        f->isProtected = true;
    EXPECT_EQ(clickGroupLock(s, 0), LockResult::Locked);

    // A member in a protected folder asks first; No keeps that member and its pair.
    protectedFolders.emplace_back(QUrl::fromLocalFile("/p/g0/"));
    protectedSubFolderFlags.push_back(false);
    EXPECT_EQ(clickGroupLock(s, 0), LockResult::NeedsConfirmation);
    unlockGroupOutsideProtectedFolders(s, 0);
    EXPECT_TRUE(s.imageDirectories[0][0]->isProtected); // every member lies in /p/g0/
    protectedFolders.front().url = QUrl::fromLocalFile("/p/G0/");
    EXPECT_FALSE(liesInProtectedFolder(*s.imageDirectories[0][0])); // flag off: case counts
    protectedSubFolderFlags.front() = true;
    EXPECT_TRUE(liesInProtectedFolder(*s.imageDirectories[0][0]));
    unlockGroupAll(s, 0);
    EXPECT_FALSE(s.imageDirectories[0][2]->isProtected);
    EXPECT_TRUE(s.isConsistent());
}

TEST(ResultCommands, FileProtectionRecordsPairsAndAsksInProtectedFolders)
{
    ProtectedFoldersGuard guard;
    ResultState s;
    s.setResults(makeGroups({2, 2}));
    s.mark(0, 1);
    EXPECT_EQ(setFileProtection(s, 0, 1, true), ProtectResult::Done);
    EXPECT_TRUE(s.imageDirectories[0][1]->isProtected);
    EXPECT_TRUE(marks(s, 0).empty());
    EXPECT_EQ(setFileProtection(s, 0, 1, false), ProtectResult::Done);
    EXPECT_EQ(s.recordedProtection(0, 1), std::optional<bool>(false));

    protectedFolders.emplace_back(QUrl::fromLocalFile("/p/g1/"));
    protectedSubFolderFlags.push_back(true);
    s.imageDirectories[1][0]->isProtected = true;
    EXPECT_EQ(setFileProtection(s, 1, 0, false), ProtectResult::NeedsConfirmation);
    EXPECT_TRUE(s.imageDirectories[1][0]->isProtected);
    unprotectConfirmed(s, 1, 0);
    EXPECT_FALSE(s.imageDirectories[1][0]->isProtected);
}

TEST(ResultCommands, AddingAProtectedFolderKeepsOneFlagPerFolder)
{
    ProtectedFoldersGuard guard;
    // A flag list shorter than the folder list (flags lost from the settings).
    protectedFolders.emplace_back(QUrl::fromLocalFile("/a/"));
    protectedFolders.emplace_back(QUrl::fromLocalFile("/b/"));
    EXPECT_TRUE(addProtectedFolder(QUrl::fromLocalFile("/c/")));
    ASSERT_EQ(protectedFolders.size(), 3u);
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({true, true, true}));
    // The same folder again, with or without its trailing slash, is not added twice.
    EXPECT_FALSE(addProtectedFolder(QUrl::fromLocalFile("/c")));
    EXPECT_FALSE(addProtectedFolder(QUrl::fromLocalFile("/c/")));
    EXPECT_EQ(protectedFolders.size(), 3u);
    EXPECT_EQ(folderOfFile(QUrl::fromLocalFile("/a/b/f.jpg")), QUrl::fromLocalFile("/a/b/"));
    EXPECT_EQ(parentFolderOfFile(QUrl::fromLocalFile("/a/b/f.jpg")), QUrl::fromLocalFile("/a/"));
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

TEST(ResultCommands, NarrowingMapsMarksAndPairsByFileAndProtectsRevealedMembers)
{
    ProtectedFoldersGuard guard;
    ResultState s;
    ImageGroups all;
    all.push_back({fileAt("/n/a.jpg"), fileAt("/n/hidden/b.jpg", 50), fileAt("/n/c.jpg", 90), fileAt("/n/d.jpg", 95)});
    all.push_back({fileAt("/m/a.jpg"), fileAt("/m/b.jpg", 90)});
    s.allImages = all;
    s.setShownGroups({all[1], {all[0][0], all[0][2], all[0][3]}});
    s.mark(1, 2);                    // d
    s.setProtectionByHand(1, 1, true); // c
    protectedFolders.emplace_back(QUrl::fromLocalFile("/n/hidden/"));
    protectedSubFolderFlags.push_back(true);
    similarityThreshold = 94;

    narrowToGroup(s, 1);
    ASSERT_EQ(s.shownGroupCount(), 1);
    ASSERT_TRUE(s.isConsistent());
    EXPECT_EQ(s.imageDirectories[0].size(), 4u);
    EXPECT_EQ(s.allImages.size(), 1u);
    EXPECT_EQ(similarityThreshold, 81);
    EXPECT_EQ(marks(s, 0), std::vector<int>({3}));
    EXPECT_EQ(s.recordedProtection(0, 2), std::optional<bool>(true));
    EXPECT_TRUE(s.imageDirectories[0][1]->isProtected); // revealed, in a protected folder
    EXPECT_FALSE(s.imageDirectories[0][0]->isProtected);
}

// No sequence of commands leaves a group with every member marked, and the state stays
// consistent throughout.
TEST(ResultCommands, NoCommandSequenceMarksAWholeGroup)
{
    ProtectedFoldersGuard guard;
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        ProtectedFoldersGuard::clearAll();
        ResultState s;
        ImageGroups all;
        const int groups = 1 + int(random() % 5);
        for (int g = 0; g < groups; ++g) {
            ImageGroup group;
            const int size = 2 + int(random() % 5);
            for (int r = 0; r < size; ++r)
                group.push_back(fileAt(QStringLiteral("/r/d%1/s%2/f%3.%4")
                                           .arg(random() % 3).arg(random() % 2).arg(g * 10 + r)
                                           .arg(random() % 2 ? "jpg" : "png"),
                                       float(80 + random() % 20)));
            all.push_back(group);
        }
        s.allImages = all;
        s.setShownGroups(shownGroupsAtMatchingLevel(all, similarityThreshold));
        for (int step = 0; step < 60 && s.shownGroupCount() > 0; ++step) {
            const int g = int(random() % unsigned(s.shownGroupCount()));
            const int n = int(s.imageDirectories[size_t(g)].size());
            const int r = int(random() % unsigned(n));
            const QUrl url = *s.imageDirectories[size_t(g)][size_t(r)]->url;
            switch (random() % 16) {
            case 0: case 1: case 2: tickFile(s, g, r); break;
            case 3: untickFile(s, g, r); break;
            case 4: toggleGroup(s, g); break;
            case 5: markGroup(s, g); break;
            case 6: autoSelectAllFiles(s); break;
            case 7: selectAllMatching(s, MatchKey(random() % 3), url); break;
            case 8: unselectAllMatching(s, MatchKey(random() % 3), url); break;
            case 9: invertMarkedFiles(s); break;
            case 10: setFileProtection(s, g, r, random() % 2); break;
            case 11: if (clickGroupLock(s, g) == LockResult::NeedsConfirmation) unlockGroupOutsideProtectedFolders(s, g); break;
            case 12: if (random() % 4 == 0) narrowToGroup(s, g); break;
            case 13: {
                // Regrouping at another level starts the marks afresh.
                similarityThreshold = int(81 + random() % 18);
                s.setShownGroups(shownGroupsAtMatchingLevel(s.allImages, similarityThreshold));
                for (auto &group : s.imageDirectories)
                    for (auto &f : group)
                        f->isProtected = false;
                break;
            }
            case 14: removeFromResults(s, g, r); break;
            case 15: if (addProtectedFolder(folderOfFile(url))) reapplyRecordedProtection(s); break;
            }
            ASSERT_TRUE(s.isConsistent()) << "round " << round << " step " << step;
            ASSERT_FALSE(anyGroupFullyMarked(s)) << "round " << round << " step " << step;
        }
    }
}
