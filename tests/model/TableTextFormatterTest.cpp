#include "model/TableTextFormatter.h"
#include "model/TextLookup.h"

#include <gtest/gtest.h>

TEST(TableTextFormatter, FillsTheKnownPlaceholdersInOrder)
{
    EXPECT_EQ(TableTextFormatter::format("%@ of %d files in %ld groups (%lld)", {"3", "9", "2", "7"}),
              "3 of 9 files in 2 groups (7)");
    EXPECT_EQ(TableTextFormatter::format("%2$@ before %1$@, %2$d again", {"a", "b"}), "b before a, b again");
    // Numbered and plain placeholders mixed: the plain ones count on by themselves.
    EXPECT_EQ(TableTextFormatter::format("%@ %1$@ %@", {"x", "y"}), "x x y");
    EXPECT_EQ(TableTextFormatter::format("100%% sure", {}), "100% sure");
    EXPECT_EQ(TableTextFormatter::format("81%", {"x"}), "81%");
}

TEST(TableTextFormatter, AMalformedTableTextIsNeverAFormat)
{
    // printf directives that would read memory or write through a pointer stay literal text.
    EXPECT_EQ(TableTextFormatter::format("%s%s%n%x %@ %f%p", {"ok"}), "%s%s%n%x ok %f%p");
    // Placeholders without an argument stay as they are; surplus arguments are ignored.
    EXPECT_EQ(TableTextFormatter::format("%@ and %d and %3$@", {"one"}), "one and %d and %3$@");
    EXPECT_EQ(TableTextFormatter::format("only %@", {"a", "b", "c"}), "only a");
    // A number without "$", a zero position and a trailing "%" are not placeholders.
    EXPECT_EQ(TableTextFormatter::format("%1@ %0$@ end%", {"a"}), "%1@ %0$@ end%");
    // Arguments are inserted as they are, never read again as placeholders.
    EXPECT_EQ(TableTextFormatter::format("%@ %@", {"%@", "%n"}), "%@ %n");
    // The table lookup's own helper goes through the same formatter.
    EXPECT_EQ(substitutePlaceholders("%d of %@", {"1", "2"}), "1 of 2");
}
