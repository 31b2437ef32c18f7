#include "services/ProtectionCommands.h"

#include "model/InitialDirectory.h"
#include "model/ModuleState.h"
#include "platform/UserDefaults.h"
#include "services/ProtectedFolders.h"
#include "support/ResultCommandSequences.h"
#include "support/ResultGroupsFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

using namespace ResultCommands;

namespace {

bool inProtectedFolder(const ImageFilePtr &file)
{
    return liesInProtectedFolder(*file->url);
}

// Empty folder lists and settings in a folder of their own, restored afterwards.
struct ProtectedFoldersGuard {
    ProtectedFoldersGuard()
    {
        savedFolders = protectedFolders;
        savedFlags = protectedSubFolderFlags;
        platform::UserDefaults::standard().setFilePath(settings.filePath(QStringLiteral("defaults.json")));
        platform::UserDefaults::standard().reset();
        clearAll();
    }
    ~ProtectedFoldersGuard()
    {
        protectedFolders = savedFolders;
        protectedSubFolderFlags = savedFlags;
        similarityThreshold = 81;
    }
    static void clearAll()
    {
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        similarityThreshold = 81;
    }
    QTemporaryDir settings;
    std::vector<InitialDirectory> savedFolders;
    std::vector<bool> savedFlags;
};

std::vector<int> marks(const ResultState &s, int g)
{
    return s.selectedIndexArray[size_t(g)];
}

} // namespace

TEST(ProtectionCommands, GroupLockFollowsItsStateTable)
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
    EXPECT_FALSE(inProtectedFolder(s.imageDirectories[0][0])); // flag off: case counts
    protectedSubFolderFlags.front() = true;
    EXPECT_TRUE(inProtectedFolder(s.imageDirectories[0][0]));
    unlockGroupAll(s, 0);
    EXPECT_FALSE(s.imageDirectories[0][2]->isProtected);
    EXPECT_TRUE(s.isConsistent());
}

TEST(ProtectionCommands, FileProtectionRecordsPairsAndAsksInProtectedFolders)
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

TEST(ProtectionCommands, FolderCommandAddsOneEntryWithItsFlagAndSavesIt)
{
    ProtectedFoldersGuard guard;
    // A flag list shorter than the folder list (flags lost from the settings).
    protectedFolders.emplace_back(QUrl::fromLocalFile("/a/"));
    protectedFolders.emplace_back(QUrl::fromLocalFile("/b/"));
    ResultState s;
    s.setResults({{fileAt("/c/x.jpg"), fileAt("/c/d/y.jpg"), fileAt("/e/z.jpg")}});
    s.selectedIndexArray[0] = {1, 2};
    EXPECT_TRUE(protectFolder(s, folderOfFile(QUrl::fromLocalFile("/c/x.jpg"))));
    ASSERT_EQ(protectedFolders.size(), 3u);
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({true, true, true}));
    EXPECT_TRUE(s.shownFile(0, 0)->isProtected);
    EXPECT_TRUE(s.shownFile(0, 1)->isProtected); // below it
    EXPECT_FALSE(s.shownFile(0, 2)->isProtected);
    EXPECT_EQ(marks(s, 0), std::vector<int>({2}));
    const auto stored = platform::UserDefaults::standard().stringArrayForKey(QStringLiteral("ProtectedFoldersTWK"));
    ASSERT_TRUE(stored && stored->size() == 3);
    EXPECT_EQ(QDir::cleanPath(stored->back()), QStringLiteral("/c"));

    // The same folder again, with or without its trailing slash, is not added twice; an entry
    // listed without sub-folders keeps its switch off.
    EXPECT_FALSE(protectFolder(s, QUrl::fromLocalFile("/c")));
    protectedSubFolderFlags.back() = false;
    EXPECT_FALSE(protectFolder(s, QUrl::fromLocalFile("/c/")));
    EXPECT_EQ(protectedFolders.size(), 3u);
    EXPECT_FALSE(protectedSubFolderFlags.back());
    EXPECT_TRUE(s.shownFile(0, 0)->isProtected);
    EXPECT_FALSE(s.shownFile(0, 1)->isProtected);
    EXPECT_EQ(folderOfFile(QUrl::fromLocalFile("/a/b/f.jpg")), QUrl::fromLocalFile("/a/b/"));
    EXPECT_EQ(parentFolderOfFile(QUrl::fromLocalFile("/a/b/f.jpg")), QUrl::fromLocalFile("/a/"));
}

// The folder commands, the settings and the Preferences pane share one list compared with links
// resolved: a folder named through a link protects the files found under its target.
TEST(ProtectionCommands, FolderCommandThroughALinkProtectsTheTarget)
{
    ProtectedFoldersGuard guard;
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/Real/Sub");
    QDir().mkpath(dir.path() + "/Other");
    ASSERT_TRUE(QFile::link(dir.path() + "/Real", dir.path() + "/Link"));
    ResultState s;
    s.setResults({{fileAt(dir.path() + "/Real/a.jpg"), fileAt(dir.path() + "/Real/Sub/b.jpg"),
                   fileAt(dir.path() + "/Other/c.jpg")}});
    s.selectedIndexArray[0] = {0, 1};
    EXPECT_TRUE(protectFolder(s, QUrl::fromLocalFile(dir.path() + "/Link/")));
    EXPECT_TRUE(s.shownFile(0, 0)->isProtected);
    EXPECT_TRUE(s.shownFile(0, 1)->isProtected);
    EXPECT_FALSE(s.shownFile(0, 2)->isProtected);
    EXPECT_TRUE(marks(s, 0).empty());
    // The real folder is the same folder: no second entry.
    EXPECT_FALSE(protectFolder(s, QUrl::fromLocalFile(dir.path() + "/Real")));
    EXPECT_EQ(protectedFolders.size(), 1u);
    // The file command asks before releasing a file of the linked folder.
    EXPECT_EQ(setFileProtection(s, 0, 1, false), ProtectResult::NeedsConfirmation);
}

// A folder command re-derives protection from the folder list but keeps what the user protected
// by hand: a single file and a locked group stay protected, with their records.
TEST(ProtectionCommands, FolderCommandKeepsHandProtection)
{
    ProtectedFoldersGuard guard;
    ResultState s;
    s.setResults({{fileAt("/h/a.jpg"), fileAt("/h/b.jpg"), fileAt("/h/c.jpg")},
                  {fileAt("/k/d.jpg"), fileAt("/k/e.jpg")},
                  {fileAt("/f/g.jpg"), fileAt("/f/h.jpg")}});
    EXPECT_EQ(setFileProtection(s, 0, 2, true), ProtectResult::Done);
    EXPECT_EQ(clickGroupLock(s, 1), LockResult::Locked);
    s.mark(0, 1);

    protectFolder(s, QUrl::fromLocalFile("/f/"));
    EXPECT_TRUE(s.shownFile(0, 2)->isProtected);
    EXPECT_EQ(s.recordedProtection(0, 2), std::optional<bool>(true));
    EXPECT_FALSE(s.shownFile(0, 1)->isProtected);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1}));
    EXPECT_TRUE(s.shownFile(1, 0)->isProtected);
    EXPECT_TRUE(s.shownFile(1, 1)->isProtected);
    EXPECT_TRUE(s.isGroupLockedByHand(1));
    EXPECT_TRUE(s.shownFile(2, 0)->isProtected); // the folder's own files
    EXPECT_TRUE(s.isConsistent());
}

TEST(ProtectionCommands, NarrowingMapsMarksAndPairsByFileAndProtectsRevealedMembers)
{
    ProtectedFoldersGuard guard;
    ResultState s;
    ImageGroups all;
    all.push_back({fileAt("/n/a.jpg"), fileAt("/n/hidden/b.jpg", 50), fileAt("/n/c.jpg", 90), fileAt("/n/d.jpg", 95)});
    all.push_back({fileAt("/m/a.jpg"), fileAt("/m/b.jpg", 90)});
    s.allImages = all;
    s.setShownGroups({all[1], {all[0][0], all[0][2], all[0][3]}});
    s.mark(1, 2);                      // d
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
TEST(ProtectionCommands, NoCommandSequenceMarksAWholeGroup)
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
                                           .arg(random() % 3)
                                           .arg(random() % 2)
                                           .arg(g * 10 + r)
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
            const unsigned choice = random() % (resultcommandsequences::commandChoices + 1);
            switch (choice) {
            case resultcommandsequences::commandChoices: {
                // Regrouping at another level starts the marks afresh.
                similarityThreshold = int(81 + random() % 18);
                s.setShownGroups(shownGroupsAtMatchingLevel(s.allImages, similarityThreshold));
                for (auto &group : s.imageDirectories)
                    for (auto &f : group)
                        f->isProtected = false;
                break;
            }
            default:
                resultcommandsequences::applyCommand(s, random, choice, g, r);
                break;
            }
            ASSERT_TRUE(s.isConsistent()) << "round " << round << " step " << step;
            ASSERT_FALSE(anyGroupFullyMarked(s)) << "round " << round << " step " << step;
        }
    }
}
