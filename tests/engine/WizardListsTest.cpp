#include "engine/SelectionRuleList.h"
#include "engine/WizardLists.h"
#include "model/ModuleState.h"
#include "platform/UserDefaults.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::vector<FolderPreferences> folders(std::initializer_list<const char *> paths)
{
    std::vector<FolderPreferences> list;
    for (const char *path : paths)
        list.push_back({int(list.size()) + 1, QString::fromLatin1(path)});
    return list;
}

std::vector<FileFormat> formats(std::initializer_list<const char *> extensions)
{
    std::vector<FileFormat> list;
    for (const char *extension : extensions)
        list.push_back({int(list.size()) + 1, QString::fromLatin1(extension)});
    return list;
}

QStringList pathsOf(const std::vector<FolderPreferences> &list)
{
    QStringList paths;
    for (const FolderPreferences &entry : list)
        paths << entry.path.value_or(QString());
    return paths;
}

QStringList extensionsOf(const std::vector<FileFormat> &list)
{
    QStringList out;
    for (const FileFormat &entry : list)
        out << entry.fileExtension;
    return out;
}

std::vector<int> priorities(const auto &list)
{
    std::vector<int> out;
    for (const auto &entry : list)
        out.push_back(entry.priority);
    return out;
}

} // namespace

TEST(WizardLists, DropsMoveRowsAboveTheDropPositionInTheirOrder)
{
    auto list = folders({"A", "B", "C"});
    ASSERT_TRUE(dropEntries(list, {0}, 3));
    EXPECT_EQ(pathsOf(list), QStringList({"B", "C", "A"}));
    EXPECT_EQ(priorities(list), (std::vector<int>{1, 2, 3}));
    list = folders({"A", "B", "C"});
    ASSERT_TRUE(dropEntries(list, {2}, 0));
    EXPECT_EQ(pathsOf(list), QStringList({"C", "A", "B"}));

    auto five = formats({"a", "b", "c", "d", "e"});
    ASSERT_TRUE(dropEntries(five, {0, 1}, 3));
    EXPECT_EQ(extensionsOf(five), QStringList({"c", "a", "b", "d", "e"}));
    five = formats({"a", "b", "c", "d", "e"});
    ASSERT_TRUE(dropEntries(five, {1, 4}, 2));
    EXPECT_EQ(extensionsOf(five), QStringList({"a", "b", "e", "c", "d"}));
}

TEST(WizardLists, DropsWithRowsOutsideTheListAreCutDownOrRefused)
{
    auto list = folders({"A", "B", "C"});
    EXPECT_FALSE(dropEntries(list, {}, 1));
    EXPECT_FALSE(dropEntries(list, {3, -1, 99}, 1));
    EXPECT_FALSE(dropEntries(list, {0}, 4));
    EXPECT_FALSE(dropEntries(list, {0}, -1));
    EXPECT_EQ(pathsOf(list), QStringList({"A", "B", "C"}));
    // Rows that are not in the list are left out; a row named twice moves once.
    ASSERT_TRUE(dropEntries(list, {7, 2, 2, -3}, 0));
    EXPECT_EQ(pathsOf(list), QStringList({"C", "A", "B"}));
}

TEST(WizardLists, UserOrderSurvivesOnlyWhileTheEntriesStayTheSame)
{
    const auto found = formats({"JPG", "png", "heic"});
    // Same entries (case aside): the user's order stays.
    EXPECT_EQ(extensionsOf(keptFileFormatOrder(formats({"png", "jpg", "HEIC"}), found)),
              QStringList({"png", "jpg", "HEIC"}));
    // Same count, one extension swapped for another: rebuilt, the survivors in the user's order.
    const auto swapped = keptFileFormatOrder(formats({"png", "gif", "jpg"}), found);
    EXPECT_EQ(extensionsOf(swapped), QStringList({"png", "JPG", "heic"}));
    EXPECT_EQ(priorities(swapped), (std::vector<int>{1, 2, 3}));
    // An entry gone: rebuilt in first-met order, survivors keeping their relative order.
    EXPECT_EQ(extensionsOf(keptFileFormatOrder(formats({"heic", "png", "jpg"}), formats({"jpg", "heic"}))),
              QStringList({"heic", "jpg"}));
    EXPECT_TRUE(keptFolderOrder(folders({"A"}), {}).empty());
    EXPECT_EQ(pathsOf(keptFolderOrder(folders({"file:///b/", "file:///a/"}), folders({"file:///A/", "file:///B/"}))),
              QStringList({"file:///b/", "file:///a/"}));
}

class SelectionRuleListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        platform::UserDefaults::standard().setFilePath(dir.filePath("defaults.json"));
        savedOrder = selectionPriorityOrder;
    }
    void TearDown() override { selectionPriorityOrder = savedOrder; }

    QTemporaryDir dir;
    std::vector<SelectionPriority> savedOrder;
};

TEST_F(SelectionRuleListTest, StoredRulesThatAreNotTheNineRulesFallBackToTheDefaults)
{
    SelectionRuleList list;
    ASSERT_EQ(list.selectionPriorities.size(), 1u); // one blank rule until loaded
    list.rebuildPriorityOrder();                    // walks only the rows there are
    EXPECT_TRUE(selectionPriorityOrder.empty());

    platform::UserDefaults::standard().setData("AutoMarkTWK", QByteArray("[not json"));
    list.loadRules();
    EXPECT_EQ(list.selectionPriorities, defaultAutoMarkRules());

    std::vector<AutoMark> twice = defaultAutoMarkRules();
    twice[8].index = 0;
    storeAutoMarkRules(twice);
    list.loadRules();
    EXPECT_EQ(list.selectionPriorities, defaultAutoMarkRules());

    std::vector<AutoMark> short_ = defaultAutoMarkRules();
    short_.pop_back();
    storeAutoMarkRules(short_);
    list.loadRules();
    EXPECT_EQ(list.selectionPriorities.size(), 9u);

    // A valid stored order is taken as it is, and survives a JSON round trip.
    std::vector<AutoMark> reordered = defaultAutoMarkRules();
    std::swap(reordered[0], reordered[8]);
    reordered[3].isUse = false;
    storeAutoMarkRules(reordered);
    list.loadRules();
    EXPECT_EQ(list.selectionPriorities, reordered);
}

TEST_F(SelectionRuleListTest, EditsRebuildTheEngineOrderAndStoreTheRows)
{
    SelectionRuleList list;
    list.reset();
    EXPECT_EQ(selectionPriorityOrder, defaultSelectionPriorityOrder());
    EXPECT_TRUE(SelectionRuleList::hasRules());

    for (int row = 0; row < 9; ++row)
        list.setUse(row, false);
    EXPECT_TRUE(selectionPriorityOrder.empty());
    EXPECT_FALSE(SelectionRuleList::hasRules());
    list.setUse(3, true);
    EXPECT_EQ(selectionPriorityOrder,
              (std::vector<SelectionPriority>{SelectionPriority(SelectionPriority::Kind::ImageSize)}));
    list.setUse(42, true); // no such row
    EXPECT_EQ(selectionPriorityOrder.size(), 1u);

    // The direction of an unticked date rule is remembered and written when it is ticked.
    list.setDirection(4, 1);
    EXPECT_EQ(list.comboCaptureDate, 1);
    EXPECT_EQ(list.selectionPriorities[4].comboIndex, 0);
    list.setDirection(4, -1); // ignored
    EXPECT_EQ(list.comboCaptureDate, 1);
    list.setUse(4, true);
    EXPECT_EQ(list.selectionPriorities[4].comboIndex, 1);
    EXPECT_EQ(selectionPriorityOrder.back(), SelectionPriority(SelectionPriority::Kind::CaptureDate, 1));

    // Moves: the ends stay, priorities read 1..9, and the stored rows follow.
    EXPECT_EQ(list.moveUp(0), 0);
    EXPECT_EQ(list.moveDown(8), 8);
    EXPECT_EQ(list.moveDown(3), 4);
    EXPECT_EQ(list.moveUp(-1), -1);
    EXPECT_EQ(list.selectionPriorities[4].index, 3);
    for (int row = 0; row < 9; ++row)
        EXPECT_EQ(list.selectionPriorities[std::size_t(row)].priority, row + 1);
    EXPECT_EQ(storedAutoMarkRules(), list.selectionPriorities);
    EXPECT_EQ(selectionPriorityOrder,
              (std::vector<SelectionPriority>{SelectionPriority(SelectionPriority::Kind::CaptureDate, 1),
                                              SelectionPriority(SelectionPriority::Kind::ImageSize)}));

    ASSERT_TRUE(list.drop({4}, 0));
    EXPECT_EQ(list.selectionPriorities[0].index, 3);
    EXPECT_FALSE(list.drop({12}, 0));

    list.reset();
    EXPECT_EQ(list.comboCaptureDate, 0);
    EXPECT_EQ(list.selectionPriorities, defaultAutoMarkRules());
    EXPECT_EQ(selectionPriorityOrder, defaultSelectionPriorityOrder());
}
