#include "LanguageTableFixture.h"

#include "model/TextLookup.h"
#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

class TextLookup : public LanguageTableTest
{
};

TEST_F(TextLookup, EmptyWithoutTableKeyOrText)
{
    localizationTable.reset();
    EXPECT_EQ(localizedText("IDS_TWK_194"), "");

    localizationTable =
        QVariantMap{{"IDS_TWK_194", "OK"}, {"IDS_TWK_1", 12}, {"IDS_TWK_2", QVariantList{"a"}}, {"IDS_TWK_3", true}};
    EXPECT_EQ(localizedText("IDS_TWK_194"), "OK");
    EXPECT_EQ(localizedText("IDS_TWK_195"), "");
    EXPECT_EQ(localizedText("IDS_TWK_1"), "");
    EXPECT_EQ(localizedText("IDS_TWK_2"), "");
    EXPECT_EQ(localizedText("IDS_TWK_3"), "");
}

TEST_F(TextLookup, ShippedTableHoldsTheTextsOfTheScanAndItsServices)
{
    const auto table = platform::PropertyList::loadFile(":/English.plist");
    ASSERT_TRUE(table);
    localizationTable = table->toMap();
    const int keys[] = {1,   14,  18,  19,  20,  21,  22,  23,  35,  36,  41,  42,  43,  52,  57,  58,  72,  124,
                        131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 154, 194,
                        195, 215, 216, 217, 218, 268, 269, 277, 278, 279, 280, 281, 282, 283, 284, 298, 299};
    for (int key : keys)
        EXPECT_FALSE(localizedText(QString("IDS_TWK_%1").arg(key)).isEmpty()) << key;

    // Formats take exactly the number of "%@" their callers fill, and nothing printf-like.
    EXPECT_EQ(localizedText("IDS_TWK_52").count("%@"), 3);
    EXPECT_EQ(localizedText("IDS_TWK_72").count("%@"), 1);
    EXPECT_EQ(localizedText("IDS_TWK_278").count("%@"), 1);
    for (int key : keys) {
        const QString text = localizedText(QString("IDS_TWK_%1").arg(key));
        EXPECT_FALSE(text.contains(QRegularExpression("%[^@]"))) << key;
    }
}

TEST(TextSubstitution, FillsPlaceholdersInOrderAsPlainText)
{
    EXPECT_EQ(substitutePlaceholders("%@ of %@ files marked in %@", {"3", "9", "1"}), "3 of 9 files marked in 1");
    // Arguments are not read again: a "%@" or "%s" inside an argument stays as it is.
    EXPECT_EQ(substitutePlaceholders("%@ and %@", {"%@", "%s%n"}), "%@ and %s%n");
    EXPECT_EQ(substitutePlaceholders("%@ left", {}), "%@ left");
    EXPECT_EQ(substitutePlaceholders("no placeholder", {"x"}), "no placeholder");
}

TEST(AppVersion, AbsentUntilTheApplicationHasOne)
{
    const QString saved = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_FALSE(appVersion());
    QCoreApplication::setApplicationVersion("1.2.3");
    EXPECT_EQ(appVersion(), QString("1.2.3"));
    QCoreApplication::setApplicationVersion(saved);
}
