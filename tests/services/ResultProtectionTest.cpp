#include "services/ResultProtection.h"

#include "model/ModuleState.h"
#include "model/ResultRegrouping.h"
#include "services/ProtectedFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

class ResultProtectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedFolders_ = protectedFolders;
        savedFlags_ = protectedSubFolderFlags;
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        for (const char *folder : {"/Keep/Sub/Deep", "/Other", "/keep2"})
            QDir().mkpath(dir_.path() + folder);
    }
    void TearDown() override
    {
        protectedFolders = savedFolders_;
        protectedSubFolderFlags = savedFlags_;
    }
    void protect(const QString &folder, bool subFolders)
    {
        protectedFolders.emplace_back(QUrl::fromLocalFile(dir_.path() + folder));
        protectedSubFolderFlags.push_back(subFolders);
    }
    ImageFilePtr fileAt(const QString &relative, float score = 100)
    {
        auto file = std::make_shared<ImageFile>();
        file->url = QUrl::fromLocalFile(dir_.path() + relative);
        file->matchingPercentage = score;
        return file;
    }
    QTemporaryDir dir_;
    std::vector<InitialDirectory> savedFolders_;
    std::vector<bool> savedFlags_;
};

// The regrouping of the matching level must not clear the protection of the protected folders,
// nor the protection the user set by hand.
TEST_F(ResultProtectionTest, RegroupingKeepsFolderAndHandProtection)
{
    protect("/Keep", true);
    ResultState state;
    state.setResults({{fileAt("/Keep/a.jpg"), fileAt("/Other/b.jpg", 90), fileAt("/Other/c.jpg")},
                      {fileAt("/Other/d.jpg"), fileAt("/Other/e.jpg", 85)}});
    rederiveProtection(state);
    EXPECT_TRUE(state.shownFile(0, 0)->isProtected);
    state.setProtectionByHand(0, 2, true); // c by hand
    state.setProtectionByHand(1, 0, true); // d by hand (its group leaves at 88)
    state.mark(0, 1);

    const auto memory = ResultRegrouping::remember(state);
    ResultRegrouping::showGroups(state, ResultRegrouping::groupsAtMatchingLevel(state.allImages, 88), memory, false);
    rederiveProtection(state);
    ASSERT_TRUE(state.isConsistent());
    ASSERT_EQ(state.shownGroupCount(), 1);
    EXPECT_TRUE(state.shownFile(0, 0)->isProtected);  // a, from the folder
    EXPECT_FALSE(state.shownFile(0, 1)->isProtected); // b
    EXPECT_TRUE(state.shownFile(0, 2)->isProtected);  // c, by hand
    EXPECT_TRUE(state.isRecordedByFolder(0, 0));
    EXPECT_FALSE(state.isRecordedByFolder(0, 2));
    EXPECT_FALSE(state.hasMarks()); // a regrouping clears the marks

    // Lowering the level again brings d back, still protected by hand.
    const auto again = ResultRegrouping::remember(state);
    ResultRegrouping::showGroups(state, ResultRegrouping::groupsAtMatchingLevel(state.allImages, 81), again, false);
    rederiveProtection(state);
    // d was not shown at 88, so its hand protection was not remembered through that regrouping;
    // it is unprotected again, while a and c keep theirs.
    EXPECT_TRUE(state.shownFile(0, 0)->isProtected);
    EXPECT_TRUE(state.shownFile(0, 2)->isProtected);
    EXPECT_FALSE(state.shownFile(1, 0)->isProtected);
}

// A hand unprotection of a file in a protected folder survives too.
TEST_F(ResultProtectionTest, HandUnprotectionInAProtectedFolderSurvives)
{
    protect("/Keep", false);
    ResultState state;
    state.setResults({{fileAt("/Keep/a.jpg"), fileAt("/Other/b.jpg")}});
    rederiveProtection(state);
    ASSERT_TRUE(state.shownFile(0, 0)->isProtected);
    state.setProtectionByHand(0, 0, false);
    const auto memory = ResultRegrouping::remember(state);
    ResultRegrouping::showGroups(state, state.allImages, memory, false);
    rederiveProtection(state);
    EXPECT_FALSE(state.shownFile(0, 0)->isProtected);
}

// The folder pass computed once per folder equals the per-file pass on random results, folders
// named through a link included.
TEST_F(ResultProtectionTest, EqualsThePerFilePassOnRandomResults)
{
    ASSERT_TRUE(QFile::link(dir_.path() + "/Keep", dir_.path() + "/Link"));
    const QStringList folders = {"/Keep",  "/Keep/Sub", "/Keep/Sub/Deep", "/Other",
                                 "/keep2", "/KEEP",     "/Link",          "/Link/Sub"};
    std::mt19937 random(11);
    for (int round = 0; round < 150; ++round) {
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        for (int k = 0; k < int(random() % 4); ++k)
            protect(folders[int(random() % folders.size())], random() % 2 == 0);
        ImageGroups groups;
        for (int g = 0; g < 1 + int(random() % 5); ++g) {
            ImageGroup group;
            for (int r = 0; r < 2 + int(random() % 4); ++r)
                group.push_back(fileAt(folders[int(random() % folders.size())] + QStringLiteral("/f%1.jpg").arg(r)));
            groups.push_back(group);
        }
        ResultState fast, slow;
        fast.setResults(groups);
        for (int g = 0; g < fast.shownGroupCount(); ++g)
            for (int r = 0; r < int(groups[size_t(g)].size()); ++r)
                if (random() % 3 == 0)
                    fast.mark(g, r);
        slow.setResults(groups);
        slow.selectedIndexArray = fast.selectedIndexArray;

        rederiveProtection(fast);
        std::vector<bool> fastProtected;
        for (const ImageGroup &group : groups)
            for (const ImageFilePtr &f : group)
                fastProtected.push_back(f->isProtected);
        applyProtectedFoldersToAll(slow, false, QString());
        size_t i = 0;
        for (const ImageGroup &group : groups)
            for (const ImageFilePtr &f : group)
                EXPECT_EQ(f->isProtected, fastProtected[i++]) << round;
        EXPECT_EQ(fast.selectedIndexArray, slow.selectedIndexArray) << round;
        EXPECT_EQ(fast.protectionOverrideRows, slow.protectionOverrideRows) << round;
        EXPECT_EQ(fast.protectionOverrideStates, slow.protectionOverrideStates) << round;
    }
}

} // namespace
