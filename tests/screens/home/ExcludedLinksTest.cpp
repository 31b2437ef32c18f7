// An excluded folder keeps out what lies in it however either side is named: through a symbolic
// link or through the real path.
#include "screens/home/AddFilesRules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ExcludedLinksTest, ExcludedFoldersAreComparedWithLinksResolved)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    ASSERT_TRUE(QDir().mkpath(root + "/Real/Sub"));
    ASSERT_TRUE(QDir().mkpath(root + "/Other"));
    ASSERT_TRUE(QFile::link(root + "/Real", root + "/Link"));

    using AddFilesRules::matchExcluded;
    // Excluded through the link, added through the real path.
    EXPECT_TRUE(matchExcluded(root + "/Real", {root + "/Link"}).equal);
    EXPECT_TRUE(matchExcluded(root + "/Real/Sub", {root + "/Link/"}).inside);
    // Excluded through the real path, added through the link.
    EXPECT_TRUE(matchExcluded(root + "/Link/Sub", {root + "/Real"}).inside);
    EXPECT_FALSE(matchExcluded(root + "/Other", {root + "/Link"}).any());
    // A folder that does not exist (an unmounted disk) is still compared by its path.
    EXPECT_TRUE(matchExcluded("/media/gone/Photos", {"/media/gone"}).inside);
}
