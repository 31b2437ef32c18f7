#include "services/ProtectedFolders.h"

#include "model/ModuleState.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ProtectedFoldersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        platform::UserDefaults::standard().setFilePath(dir_.filePath("defaults.json"));
        platform::UserDefaults::standard().reset();
        savedFolders_ = protectedFolders;
        savedFlags_ = protectedSubFolderFlags;
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        QDir().mkpath(root() + "/Keep/Sub");
        QDir().mkpath(root() + "/Other");
    }
    void TearDown() override
    {
        protectedFolders = savedFolders_;
        protectedSubFolderFlags = savedFlags_;
        confirmBeforeDeletingPhotos = showAutoMarkAlert = backToHomeAlert = true;
    }
    QString root() const { return dir_.path(); }
    void protect(const QString &folder, bool subFolders)
    {
        protectedFolders.emplace_back(QUrl::fromLocalFile(folder));
        protectedSubFolderFlags.push_back(subFolders);
    }
    static ImageFilePtr fileAt(const QString &path)
    {
        auto file = std::make_shared<ImageFile>();
        file->url = QUrl::fromLocalFile(path);
        return file;
    }
    // Group 0: Keep/a.jpg, Keep/Sub/b.jpg, Other/c.jpg, all marked.
    ResultState markedState()
    {
        ResultState state;
        state.setResults(
            {{fileAt(root() + "/Keep/a.jpg"), fileAt(root() + "/Keep/Sub/b.jpg"), fileAt(root() + "/Other/c.jpg")}});
        state.selectedIndexArray[0] = {0, 1, 2};
        return state;
    }
    QTemporaryDir dir_;

private:
    std::vector<InitialDirectory> savedFolders_;
    std::vector<bool> savedFlags_;
};

} // namespace

TEST_F(ProtectedFoldersTest, SaveAndLoadRoundTrip)
{
    protect(root() + "/Keep", true);
    protect(root() + "/Other", false);
    saveProtectedFolders();
    auto &defaults = platform::UserDefaults::standard();
    EXPECT_EQ(defaults.stringArrayForKey("ProtectedFoldersTWK"), QStringList({root() + "/Keep", root() + "/Other"}));
    EXPECT_EQ(defaults.dataForKey("ProtectedSubFoldersTWK"), QByteArray("[true,false]"));

    protectedFolders.clear();
    protectedSubFolderFlags.clear();
    loadProtectedFolders();
    ASSERT_EQ(protectedFolders.size(), 2u);
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({true, false}));
    // A loaded folder is the very URL of the folder that holds a file in it, so the two compare equal.
    EXPECT_EQ(protectedFolders[1].url, fileAt(root() + "/Other/c.jpg")->url->adjusted(QUrl::RemoveFilename));
    ASSERT_TRUE(protectedFolders[1].file);
    EXPECT_EQ(protectedFolders[1].file->name, QString("Other"));

    // Saved again, the paths stay plain, and a folder that is gone (an unmounted disk) keeps its
    // stored path in the same directory form, so it protects again once it is back.
    defaults.setStringArray("ProtectedFoldersTWK", {root() + "/Keep", root() + "/Gone//"});
    loadProtectedFolders();
    EXPECT_EQ(protectedFolders[1].url, QUrl::fromLocalFile(root() + "/Gone/"));
    saveProtectedFolders();
    EXPECT_EQ(defaults.stringArrayForKey("ProtectedFoldersTWK"), QStringList({root() + "/Keep", root() + "/Gone"}));
}

TEST_F(ProtectedFoldersTest, DamagedSettingsLoseOnlyTheirBadElements)
{
    auto &defaults = platform::UserDefaults::standard();
    // A number among the paths is dropped with its flag; the folders around it stay.
    defaults.setArray("ProtectedFoldersTWK", QVariantList{root() + "/Keep", 5, root() + "/Other"});
    defaults.setData("ProtectedSubFoldersTWK", "[false, false, false]");
    protect(root() + "/Stale", false);
    loadProtectedFolders();
    ASSERT_EQ(protectedFolders.size(), 2u);
    EXPECT_EQ(protectedFolders[1].url, QUrl::fromLocalFile(root() + "/Other/"));
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({false, false}));

    // Flags that are missing or not Bools read as true; surplus flags are dropped.
    defaults.setStringArray("ProtectedFoldersTWK", {root() + "/Keep", root() + "/Other", root() + "/Gone"});
    defaults.setData("ProtectedSubFoldersTWK", "[false, 3]");
    loadProtectedFolders();
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({false, true, true}));
    defaults.setData("ProtectedSubFoldersTWK", "[false, false, false, false, false]");
    loadProtectedFolders();
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({false, false, false}));

    // An undecodable or absent flag list protects every folder's sub-folders.
    defaults.setData("ProtectedSubFoldersTWK", "not json");
    loadProtectedFolders();
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({true, true, true}));
    defaults.removeObject("ProtectedSubFoldersTWK");
    protectedSubFolderFlags = {false};
    loadProtectedFolders();
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({true, true, true}));
}

TEST_F(ProtectedFoldersTest, FlagsFollowTheFolderListOnEveryChange)
{
    protect(root() + "/Keep", false);
    protectedSubFolderFlags.clear(); // a list that lost its flags
    EXPECT_TRUE(addProtectedFolder(root() + "/Other/", false));
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({true, false}));
    // The same folder named another way is not added twice.
    EXPECT_FALSE(addProtectedFolder(root() + "/Other/../Other"));
    EXPECT_FALSE(addProtectedFolder(QString()));
    EXPECT_EQ(protectedFolders.size(), 2u);

    protectedSubFolderFlags.push_back(false); // surplus
    saveProtectedFolders();
    EXPECT_EQ(platform::UserDefaults::standard().dataForKey("ProtectedSubFoldersTWK"), QByteArray("[true,false]"));

    EXPECT_FALSE(removeProtectedFolder(2));
    EXPECT_FALSE(removeProtectedFolder(-1));
    EXPECT_TRUE(removeProtectedFolder(0));
    ASSERT_EQ(protectedFolders.size(), 1u);
    EXPECT_EQ(protectedSubFolderFlags, std::vector<bool>({false}));
}

TEST_F(ProtectedFoldersTest, FoldersAreComparedWithLinksResolved)
{
    QDir().mkpath(root() + "/Real/Sub");
    ASSERT_TRUE(QFile::link(root() + "/Real", root() + "/Link"));
    ResultState state;
    state.setResults(
        {{fileAt(root() + "/Real/a.jpg"), fileAt(root() + "/Link/Sub/b.jpg"), fileAt(root() + "/Other/c.jpg")}});
    state.selectedIndexArray[0] = {0, 1, 2};

    // Protected through the link: the file scanned through the real path is protected.
    protect(root() + "/Link", false);
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_TRUE(state.imageDirectories[0][0]->isProtected);
    EXPECT_FALSE(state.imageDirectories[0][1]->isProtected); // sub-folder, switch off
    // Protected through the real path: a file scanned through the link is protected.
    protectedFolders.clear();
    protectedSubFolderFlags.clear();
    protect(root() + "/Real", true);
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_TRUE(state.imageDirectories[0][0]->isProtected);
    EXPECT_TRUE(state.imageDirectories[0][1]->isProtected);
    EXPECT_FALSE(state.imageDirectories[0][2]->isProtected);
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({2}));
}

TEST_F(ProtectedFoldersTest, AnEmptyStoredPathProtectsNothing)
{
    auto &defaults = platform::UserDefaults::standard();
    defaults.setStringArray("ProtectedFoldersTWK", {QString(), root() + "/Keep"});
    defaults.setData("ProtectedSubFoldersTWK", "[true,false]");
    loadProtectedFolders();
    ASSERT_EQ(protectedFolders.size(), 1u); // the empty path is dropped with its flag
    protectedFolders.emplace(protectedFolders.begin(), QUrl());
    protectedSubFolderFlags.insert(protectedSubFolderFlags.begin(), true);

    ResultState state = markedState();
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_TRUE(state.imageDirectories[0][0]->isProtected);  // directly in Keep
    EXPECT_FALSE(state.imageDirectories[0][1]->isProtected); // Keep/Sub: that folder's switch is off
    EXPECT_FALSE(state.imageDirectories[0][2]->isProtected); // Other
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({1, 2}));
}

TEST_F(ProtectedFoldersTest, SubFolderSwitchDecidesTheReach)
{
    protect(root() + "/Keep", true);
    ResultState state = markedState();
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_TRUE(state.imageDirectories[0][0]->isProtected);
    EXPECT_TRUE(state.imageDirectories[0][1]->isProtected);
    EXPECT_FALSE(state.imageDirectories[0][2]->isProtected);
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({2}));
    EXPECT_EQ(state.recordedProtection(0, 1), true);
    EXPECT_TRUE(state.isConsistent());

    protectedSubFolderFlags[0] = false;
    state = markedState();
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_TRUE(state.imageDirectories[0][0]->isProtected);
    EXPECT_FALSE(state.imageDirectories[0][1]->isProtected);
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({1, 2}));

    // A lost flag counts as true: the sub-folders stay protected.
    protectedSubFolderFlags.clear();
    state = markedState();
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_TRUE(state.imageDirectories[0][0]->isProtected);
    EXPECT_TRUE(state.imageDirectories[0][1]->isProtected);
}

TEST_F(ProtectedFoldersTest, LetterCaseCountsOnlyWithoutSubFolders)
{
    protect(root() + "/KEEP", true);
    ResultState state = markedState();
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_TRUE(state.imageDirectories[0][0]->isProtected);
    protectedSubFolderFlags[0] = false;
    state = markedState();
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_FALSE(state.imageDirectories[0][0]->isProtected);
}

TEST_F(ProtectedFoldersTest, EmptyFolderListAndFolderText)
{
    ResultState state = markedState();
    state.imageDirectories[0][2]->isProtected = true;
    state.protectionOverrideRows[0] = {2};
    state.protectionOverrideStates[0] = {true};
    state.recordFolderProtection(0, 2);

    applyProtectedFoldersToAll(state, false, folderUrlText(QUrl::fromLocalFile(root() + "/Keep")));
    EXPECT_TRUE(state.imageDirectories[0][2]->isProtected); // nothing changes

    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_FALSE(state.imageDirectories[0][2]->isProtected);
    EXPECT_FALSE(state.recordedProtection(0, 2));
}

TEST_F(ProtectedFoldersTest, TheNamedFolderLeavesNoRecord)
{
    protect(root() + "/Keep", true);
    protect(root() + "/Other", false);
    ResultState state = markedState();
    applyProtectedFoldersToAll(state, false, QUrl::fromLocalFile(root() + "/Keep").toString());
    EXPECT_TRUE(state.imageDirectories[0][0]->isProtected);
    EXPECT_FALSE(state.recordedProtection(0, 0));
    EXPECT_TRUE(state.imageDirectories[0][2]->isProtected);
    EXPECT_EQ(state.recordedProtection(0, 2), true);
    EXPECT_TRUE(state.selectedIndexArray[0].empty());
}

TEST_F(ProtectedFoldersTest, ByOverrideReappliesRecordedStates)
{
    ResultState state = markedState();
    state.protectionOverrideRows[0] = {0, 1};
    state.protectionOverrideStates[0] = {false, true};
    state.imageDirectories[0][0]->isProtected = true;
    applyProtectedFoldersToAll(state, true, QString());
    EXPECT_FALSE(state.imageDirectories[0][0]->isProtected);
    EXPECT_TRUE(state.imageDirectories[0][1]->isProtected);
    EXPECT_FALSE(state.imageDirectories[0][2]->isProtected);
    EXPECT_EQ(state.selectedIndexArray[0], std::vector<int>({0, 2}));
}

TEST_F(ProtectedFoldersTest, HandProtectionOutlivesFolderChanges)
{
    protect(root() + "/Keep", true);
    ResultState state = markedState();
    state.setProtectionByHand(0, 2, true); // Other/c.jpg, by the user
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_TRUE(state.imageDirectories[0][2]->isProtected);

    // The folder goes: its files are released, the hand-protected one stays protected.
    protectedFolders.clear();
    protectedSubFolderFlags.clear();
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_FALSE(state.imageDirectories[0][0]->isProtected);
    EXPECT_TRUE(state.imageDirectories[0][2]->isProtected);
    EXPECT_EQ(state.recordedProtection(0, 2), true);

    // The user's own release clears it.
    state.setProtectionByHand(0, 2, false);
    applyProtectedFoldersToAll(state, false, QString());
    EXPECT_FALSE(state.imageDirectories[0][2]->isProtected);
    EXPECT_TRUE(state.isConsistent());
}

namespace {

// A made-up result whose per-group lists drifted at random: marks out of range and repeated, lists
// longer or shorter than the groups, unpaired overrides, pairs recorded by hand and by folder,
// files protected or not, now and then a member without a record. The same seed gives the same
// result (with its own file records).
ResultState driftedResult(const QString &root, quint32 seed)
{
    QRandomGenerator random(seed);
    const QStringList folders = {"/Keep", "/Keep/Sub", "/Other", "/keep"};
    ResultState state;
    ImageGroups groups(size_t(random.bounded(1, 7)));
    for (ImageGroup &group : groups) {
        const int size = random.bounded(1, 6);
        for (int r = 0; r < size; ++r) {
            if (random.bounded(30) == 0) {
                group.push_back(nullptr);
                continue;
            }
            auto file = std::make_shared<ImageFile>();
            file->url = QUrl::fromLocalFile(root + folders[random.bounded(int(folders.size()))]
                                            + QStringLiteral("/f%1.jpg").arg(random.bounded(1000)));
            file->isProtected = random.bounded(4) == 0;
            group.push_back(file);
        }
    }
    state.setResults(groups);
    for (size_t g = 0; g < groups.size(); ++g) {
        const int size = int(groups[g].size());
        for (int k = random.bounded(5); k > 0; --k)
            state.selectedIndexArray[g].push_back(random.bounded(-1, size + 2));
        for (int k = random.bounded(4); k > 0; --k) {
            const int row = random.bounded(size);
            if (random.bounded(3) == 0) {
                state.protectionOverrideRows[g].push_back(row);
                state.protectionOverrideStates[g].push_back(true);
                state.recordFolderProtection(int(g), row);
            } else if (groups[g][size_t(row)]) {
                state.setProtectionByHand(int(g), row, random.bounded(2) == 0);
            }
        }
    }
    switch (random.bounded(5)) {
    case 0:
        state.selectedIndexArray.pop_back();
        break;
    case 1:
        state.protectionOverrideRows[0].push_back(7);
        break; // unpaired and out of range
    case 2:
        state.selectedIndexArray.emplace_back(std::vector<int>{0});
        break;
    default:
        break;
    }
    return state;
}

void expectSameResult(const ResultState &a, const ResultState &b, quint32 seed)
{
    ASSERT_EQ(a.imageDirectories.size(), b.imageDirectories.size()) << "seed " << seed;
    EXPECT_EQ(a.selectedIndexArray, b.selectedIndexArray) << "seed " << seed;
    EXPECT_EQ(a.protectionOverrideRows, b.protectionOverrideRows) << "seed " << seed;
    EXPECT_EQ(a.protectionOverrideStates, b.protectionOverrideStates) << "seed " << seed;
    for (size_t g = 0; g < a.imageDirectories.size(); ++g) {
        ASSERT_EQ(a.imageDirectories[g].size(), b.imageDirectories[g].size());
        for (size_t r = 0; r < a.imageDirectories[g].size(); ++r) {
            const ImageFilePtr &x = a.imageDirectories[g][r];
            const ImageFilePtr &y = b.imageDirectories[g][r];
            ASSERT_EQ(x == nullptr, y == nullptr);
            if (x) {
                EXPECT_EQ(x->isProtected, y->isProtected) << "seed " << seed << " at " << g << "," << r;
            }
            EXPECT_EQ(a.isRecordedByFolder(int(g), int(r)), b.isRecordedByFolder(int(g), int(r)));
        }
    }
}

} // namespace

// Applying the folders to every shown file gives what applying them file by file gives (each call
// checking and repairing the state on its own), whatever state the result was in.
TEST_F(ProtectedFoldersTest, ApplyingToAllMatchesApplyingFileByFile)
{
    QDir().mkpath(root() + "/keep");
    const QStringList named = {QString(), folderUrlText(QUrl::fromLocalFile(root() + "/Keep/")),
                               folderUrlText(QUrl::fromLocalFile(root() + "/Other/"))};
    for (quint32 seed = 1; seed <= 400; ++seed) {
        QRandomGenerator random(seed * 7919);
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        for (const char *folder : {"/Keep", "/Keep/Sub", "/Other"})
            if (random.bounded(2) == 0)
                protect(root() + folder, random.bounded(2) == 0);
        const bool byOverride = random.bounded(4) == 0;
        const QString folderText = named[random.bounded(int(named.size()))];

        ResultState reference = driftedResult(root(), seed);
        forgetResolvedFolders();
        for (int g = 0; g < reference.shownGroupCount(); ++g)
            for (int m = 0; m < int(reference.imageDirectories[size_t(g)].size()); ++m)
                applyProtectedFolders(reference, byOverride, g, m, folderText);

        ResultState state = driftedResult(root(), seed);
        applyProtectedFoldersToAll(state, byOverride, folderText);
        expectSameResult(state, reference, seed);
    }
}

TEST_F(ProtectedFoldersTest, AlertSwitchesSavedAndLoaded)
{
    confirmBeforeDeletingPhotos = false;
    showAutoMarkAlert = true;
    backToHomeAlert = false;
    saveAlertSettings();
    auto &defaults = platform::UserDefaults::standard();
    EXPECT_TRUE(defaults.holdsBool("confirmBeforeDeletingPhotos"));
    EXPECT_FALSE(defaults.boolForKey("confirmBeforeDeletingPhotos"));
    confirmBeforeDeletingPhotos = showAutoMarkAlert = backToHomeAlert = true;
    defaults.setString("showAutoMarkAlert", "no"); // not a Bool: the switch keeps its value
    loadAlertSettings();
    EXPECT_FALSE(confirmBeforeDeletingPhotos);
    EXPECT_TRUE(showAutoMarkAlert);
    EXPECT_FALSE(backToHomeAlert);
}
