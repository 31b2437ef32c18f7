#include "model/ResultFileKeys.h"

#include "model/ResultCommands.h"
#include "support/ResultGroupsFixtures.h"

#include <gtest/gtest.h>

// The keys stay bounded by the result while records keep changing their URLs, and the ones kept
// are still those of the files; warming goes through every file of the result in slices.
TEST(ResultFileKeys, StayBoundedByTheResultAndWarmInSlices)
{
    ResultState s;
    s.setResults(makeGroups({2, 3}));
    ResultFileKeys &keys = s.fileKeys();
    int slices = 1;
    while (!keys.warm(s, 2))
        ++slices;
    EXPECT_EQ(slices, 5); // 5 scanned and 5 shown files, two at a time
    EXPECT_EQ(keys.entryCount(), 5);

    const ImageFilePtr changing = s.imageDirectories[1][2];
    for (int k = 0; k < 5000; ++k) {
        changing->url = QUrl::fromLocalFile(QStringLiteral("/q/d%1/n%2.PNG").arg(k % 7).arg(k));
        keys.of(*changing);
        keys.trimTo(s);
        ASSERT_LE(keys.entryCount(), 2 * 10 + 1024 + 1);
    }
    for (const ImageGroup &group : s.imageDirectories)
        for (const ImageFilePtr &file : group) {
            const ResultFileKeys::Keys k = keys.of(*file);
            EXPECT_EQ(keys.typeText(k.type), ResultCommands::fileTypeKey(*file->url).toLower());
            EXPECT_EQ(keys.folderPath(k.folder), ResultCommands::folderPathKey(*file->url));
        }
}
