#include "LanguageTableFixture.h"

#include "model/AutoMark.h"
#include "model/ModuleState.h"
#include "model/SelectionPriority.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;
using Kind = SelectionPriority::Kind;

namespace {

AutoMark sampleRule()
{
    AutoMark rule;
    rule.index = 4;
    rule.isUse = false;
    rule.priority = 5;
    rule.name = "Capture date";
    rule.rule = QStringList{"Newest", "Oldest"};
    rule.comboIndex = 1;
    return rule;
}

struct ExpectedRule {
    int index;
    const char *name;
    QStringList rule;
};

} // namespace

TEST(AutoMarkJson, RoundTripWithTheSixKeys)
{
    const json coded = sampleRule();
    EXPECT_EQ(coded, json::parse(R"({"index":4,"isUse":false,"priority":5,"name":"Capture date",
                                     "rule":["Newest","Oldest"],"comboIndex":1})"));
    EXPECT_EQ(coded.get<AutoMark>(), sampleRule());
}

TEST(AutoMarkJson, EveryKeyIsRequiredAndTyped)
{
    for (const char *key : {"index", "isUse", "priority", "name", "rule", "comboIndex"}) {
        json coded = sampleRule();
        coded.erase(key);
        EXPECT_THROW(coded.get<AutoMark>(), json::exception) << key;
    }
    json coded = sampleRule();
    coded["rule"] = json::array({"Newest", 3});
    EXPECT_THROW(coded.get<AutoMark>(), json::exception);
    coded = sampleRule();
    coded["isUse"] = 0;
    EXPECT_THROW(coded.get<AutoMark>(), json::exception);
    coded = sampleRule();
    coded["comboIndex"] = 0.5;
    EXPECT_THROW(coded.get<AutoMark>(), json::exception);
}

TEST(AutoMarkJson, RuleListAsDataDecodesWhatItEncodesAndRejectsBrokenData)
{
    const std::vector<AutoMark> rules = {sampleRule(), AutoMark{}};
    const QByteArray data = encodeAutoMarkRules(rules);
    EXPECT_TRUE(json::parse(data.toStdString()).is_array());
    EXPECT_EQ(decodeAutoMarkRules(data), rules);
    EXPECT_EQ(decodeAutoMarkRules("[]"), std::vector<AutoMark>{});

    testing::internal::CaptureStderr();
    EXPECT_FALSE(decodeAutoMarkRules("{\"index\":1}"));
    EXPECT_FALSE(decodeAutoMarkRules("[{\"index\":1}]"));
    EXPECT_FALSE(decodeAutoMarkRules("not json"));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
}

TEST(AutoMarkJson, StoredUnderAutoMarkTWKAsData)
{
    QTemporaryDir dir;
    auto &defaults = platform::UserDefaults::standard();
    defaults.setFilePath(dir.filePath("defaults.json"));
    EXPECT_FALSE(storedAutoMarkRules());

    const std::vector<AutoMark> rules = {sampleRule()};
    storeAutoMarkRules(rules);
    EXPECT_EQ(defaults.typeOf("AutoMarkTWK"), platform::UserDefaults::Type::Data);
    EXPECT_EQ(storedAutoMarkRules(), rules);

    defaults.setString("AutoMarkTWK", "text is no rule list");
    EXPECT_FALSE(storedAutoMarkRules());
}

class DefaultRules : public LanguageTableTest
{
};

TEST_F(DefaultRules, WithoutTheLanguageTableNineRulesWithEmptyTexts)
{
    localizationTable.reset();
    const std::vector<AutoMark> rules = defaultAutoMarkRules();
    ASSERT_EQ(rules.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        const AutoMark &rule = rules[static_cast<size_t>(i)];
        EXPECT_EQ(rule.index, i);
        EXPECT_EQ(rule.priority, i + 1);
        EXPECT_TRUE(rule.isUse);
        EXPECT_EQ(rule.comboIndex, 0);
        EXPECT_TRUE(rule.name.isEmpty());
        const int choices = (i == 4 || i == 7) ? 2 : 1;
        ASSERT_EQ(rule.rule.size(), choices) << i;
        for (const QString &choice : rule.rule)
            EXPECT_TRUE(choice.isEmpty());
    }
}

TEST_F(DefaultRules, TextsComeFromTheirKeys)
{
    QVariantMap table;
    for (int key : {124, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 154})
        table.insert(QString("IDS_TWK_%1").arg(key), QString("t%1").arg(key));
    table.insert("IDS_TWK_140", 140); // not text: the choice stays empty
    localizationTable = table;

    const std::vector<ExpectedRule> expected = {
        {0, "t143", {"t144"}}, {1, "t141", {"t142"}},         {2, "t131", {"t132"}},
        {3, "t133", {"t134"}}, {4, "t135", {"t136", "t137"}}, {5, "t124", {"t154"}},
        {6, "t139", {""}},     {7, "t138", {"t136", "t137"}}, {8, "t145", {"t146"}},
    };
    const std::vector<AutoMark> rules = defaultAutoMarkRules();
    ASSERT_EQ(rules.size(), expected.size());
    for (size_t i = 0; i < rules.size(); ++i) {
        EXPECT_EQ(rules[i].index, expected[i].index);
        EXPECT_EQ(rules[i].name, expected[i].name);
        EXPECT_EQ(rules[i].rule, expected[i].rule);
    }
}

TEST_F(DefaultRules, ShippedTableNamesEveryRuleAndChoice)
{
    const auto table = platform::PropertyList::loadFile(":/English.plist");
    ASSERT_TRUE(table && table->typeId() == QMetaType::QVariantMap);
    localizationTable = table->toMap();
    for (const AutoMark &rule : defaultAutoMarkRules()) {
        EXPECT_FALSE(rule.name.isEmpty()) << rule.index;
        for (const QString &choice : rule.rule)
            EXPECT_FALSE(choice.isEmpty()) << rule.index;
    }
}

TEST(SelectionPriorityOrder, DefaultOrderIsTheOrderOfTheDefaultRules)
{
    const std::vector<SelectionPriority> order = defaultSelectionPriorityOrder();
    const std::vector<SelectionPriority> expected = {
        {Kind::iPhotoLibrary}, {Kind::ImageDimension},      {Kind::ImageResolution},
        {Kind::ImageSize},     {Kind::CaptureDate, 0},      {Kind::FileFormat},
        {Kind::ImageMetadata}, {Kind::ModificationDate, 0}, {Kind::FolderPriority},
    };
    EXPECT_EQ(order, expected);
    EXPECT_EQ(selectionPriorityOrderFromRules(defaultAutoMarkRules()), expected);
    EXPECT_EQ(selectionPriorityOrder, expected);
}

TEST(SelectionPriorityOrder, RebuildKeepsUsedRulesInTableOrderWithDateDirections)
{
    std::vector<AutoMark> rules = defaultAutoMarkRules();
    rules[4].comboIndex = 1; // capture date: earliest first
    rules[7].comboIndex = 1; // modification date: earliest first
    rules[0].isUse = false;
    std::swap(rules[1], rules[8]); // the user moved the folder rule up
    const std::vector<SelectionPriority> order = selectionPriorityOrderFromRules(rules);
    const std::vector<SelectionPriority> expected = {
        {Kind::FolderPriority}, {Kind::ImageResolution}, {Kind::ImageSize},           {Kind::CaptureDate, 1},
        {Kind::FileFormat},     {Kind::ImageMetadata},   {Kind::ModificationDate, 1}, {Kind::ImageDimension},
    };
    EXPECT_EQ(order, expected);

    for (AutoMark &rule : rules)
        rule.isUse = false;
    EXPECT_TRUE(selectionPriorityOrderFromRules(rules).empty());
}

TEST(SelectionPriorityOrder, UnknownRuleIndexIsSkippedAndPayloadOnlyOnDates)
{
    EXPECT_EQ(criterionForRule(9, 0).kind, Kind::none);
    EXPECT_EQ(criterionForRule(-1, 0).kind, Kind::none);
    EXPECT_EQ(criterionForRule(5, 1), SelectionPriority(Kind::FileFormat));
    EXPECT_EQ(SelectionPriority(Kind::ImageSize, 3).payload, 0);

    AutoMark stray;
    stray.index = 12;
    EXPECT_TRUE(selectionPriorityOrderFromRules({stray}).empty());
}
