#include "engine/RuleComparators.h"

#include "support/AutoMarkFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace automarkfixtures;
using Items = std::vector<int>;

namespace {

Items best(const AutoMarkRules &rules, const FakeValues &values, const ImageGroup &group, Items candidates = {})
{
    if (candidates.empty())
        for (std::size_t i = 0; i < group.size(); ++i)
            candidates.push_back(int(i));
    RuleComparators comparators(rules, values.accessors());
    return comparators.selectBestCandidates(0, group, candidates);
}

Items best(K kind, const ImageGroup &group, Items candidates = {}, int direction = 0)
{
    return best(rulesOf({SelectionPriority(kind, direction)}), FakeValues{}, group, std::move(candidates));
}

QDateTime at(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

} // namespace

TEST(RuleComparators, DimensionsNeedBothSidesToBeatAndToReach)
{
    EXPECT_EQ(best(K::ImageDimension,
                   {sized("/a/0.jpg", 4000, 3000), sized("/a/1.jpg", 4000, 3000), sized("/a/2.jpg", 2000, 1500)}),
              (Items{0, 1}));
    EXPECT_EQ(best(K::ImageDimension,
                   {sized("/a/0.jpg", 4000, 3000), sized("/a/1.jpg", 4000, 3000), sized("/a/2.jpg", 3000, 4000)}),
              (Items{0, 1}));
    EXPECT_EQ(best(K::ImageDimension, {sized("/a/0.jpg", 4000, 3000), sized("/a/1.jpg", 4200, 2800)}), (Items{0}));
    // The running best depends on the order of the records.
    EXPECT_EQ(best(K::ImageDimension, {sized("/a/0.jpg", 100, 200), sized("/a/1.jpg", 200, 100)}), (Items{0}));
    EXPECT_EQ(
        best(K::ImageDimension, {sized("/a/0.jpg", 10, 10), sized("/a/1.jpg", 10, 10), sized("/a/2.jpg", 10, 10)}),
        (Items{0, 1, 2}));
    // A file without properties, or with a value that is not a number, has no record.
    ImageFilePtr text = sized("/a/2.jpg", 9000, 9000);
    (*text->properties)[platform::ImageProperty::PixelWidth] = QStringLiteral("9000");
    ImageFilePtr none = file("/a/3.jpg");
    none->properties.reset();
    EXPECT_EQ(best(K::ImageDimension, {sized("/a/0.jpg", 20, 20), sized("/a/1.jpg", 30, 30), text, none}), (Items{1}));
}

TEST(RuleComparators, ResolutionLeavesAnUnbeatenFirstFileUndecided)
{
    const ImageGroup same = {withDpi(sized("/a/0.jpg", 10, 10), 72, 72), withDpi(sized("/a/1.jpg", 10, 10), 72, 72),
                             withDpi(sized("/a/2.jpg", 10, 10), 72, 72)};
    EXPECT_TRUE(best(K::ImageResolution, same).empty());
    EXPECT_EQ(best(K::ImageDimension, same), (Items{0, 1, 2}));
    EXPECT_EQ(best(K::ImageResolution, same, {1, 2}), (Items{1, 2}));
    EXPECT_TRUE(best(K::ImageResolution, same, {0}).empty());
    EXPECT_EQ(best(K::ImageResolution, same, {2}), (Items{2}));

    EXPECT_TRUE(
        best(K::ImageResolution, {withDpi(file("/a/0.jpg"), 300, 300), file("/a/1.jpg"), file("/a/2.jpg")}).empty());
    EXPECT_EQ(best(K::ImageResolution, {file("/a/0.jpg"), file("/a/1.jpg"), withDpi(file("/a/2.jpg"), 72, 72)}),
              (Items{2}));
    EXPECT_EQ(best(K::ImageResolution, {file("/a/0.jpg"), withDpi(file("/a/1.jpg"), 72, 72)}), (Items{1}));
    // A later file that beats item 0 decides.
    EXPECT_EQ(best(K::ImageResolution, {withDpi(file("/a/0.jpg"), 72, 72), withDpi(file("/a/1.jpg"), 300, 300)}),
              (Items{1}));
}

TEST(RuleComparators, SizeNamesTheLargestUnprotectedFiles)
{
    const ImageGroup group = {file("/a/0.jpg"), file("/a/1.jpg"), file("/a/2.jpg"), file("/a/3.jpg")};
    FakeValues values;
    values.sizes = {{"/a/0.jpg", 10}, {"/a/1.jpg", 20}, {"/a/2.jpg", 20}}; // 3 has no readable size
    const AutoMarkRules rules = rulesOf({SelectionPriority(K::ImageSize)});
    EXPECT_EQ(best(rules, values, group), (Items{1, 2}));

    values.sizes = {{"/a/0.jpg", 30}, {"/a/1.jpg", 20}, {"/a/2.jpg", 20}};
    group[0]->isProtected = true;
    EXPECT_TRUE(best(rules, values, group).empty());
    group[1]->isProtected = true;
    values.sizes["/a/2.jpg"] = 30;
    EXPECT_EQ(best(rules, values, group), (Items{2}));
}

TEST(RuleComparators, DatesCompareWholeSecondsInTheChosenDirection)
{
    ImageFilePtr a = file("/a/0.jpg");
    ImageFilePtr b = file("/a/1.jpg");
    ImageFilePtr c = file("/a/2.jpg");
    a->captureDate = at("2024-05-01T10:00:00.200");
    b->captureDate = at("2024-05-01T10:00:00.700");
    EXPECT_EQ(best(K::CaptureDate, {a, b}), (Items{0, 1}));
    c->captureDate = at("2024-05-01T10:00:01.000");
    EXPECT_EQ(best(K::CaptureDate, {a, b, c}), (Items{2}));
    EXPECT_EQ(best(K::CaptureDate, {a, b, c}, {}, 1), (Items{0, 1}));

    c->captureDate = at("2024-05-01T10:01:00.000");
    EXPECT_EQ(best(K::CaptureDate, {a, c}), (Items{1}));
    EXPECT_EQ(best(K::CaptureDate, {a, c}, {}, 1), (Items{0}));

    // Without a capture date the creation date competes; with neither there is no record.
    ImageFilePtr created = file("/a/3.jpg");
    created->creationDate = at("2025-01-01T00:00:00.000");
    ImageFilePtr undated = file("/a/4.jpg");
    EXPECT_EQ(best(K::CaptureDate, {a, created, undated}), (Items{1}));
    EXPECT_EQ(best(K::CaptureDate, {undated, a}, {}, 1), (Items{1}));

    FakeValues values;
    values.modificationDates = {{"/a/0.jpg", at("2024-01-01T08:00:00.000")},
                                {"/a/1.jpg", at("2024-01-02T08:00:00.000")}};
    EXPECT_EQ(best(rulesOf({SelectionPriority(K::ModificationDate, 0)}), values, {a, b, undated}), (Items{1}));
    EXPECT_EQ(best(rulesOf({SelectionPriority(K::ModificationDate, 1)}), values, {a, b, undated}), (Items{0}));
}

TEST(RuleComparators, FileFormatPrefersOnlyTheFirstRankedFormat)
{
    const ImageGroup group = {file("/a/a.JPG"), file("/a/b.png"), file("/a/c.jpeg"), file("/a/noextension")};
    AutoMarkRules rules = rulesOf({SelectionPriority(K::FileFormat)});
    rules.fileFormatPriorities = {{2, "png"}, {1, "jpg"}};
    EXPECT_EQ(best(rules, {}, group), (Items{0}));
    // Of several entries ranked first the last counts.
    rules.fileFormatPriorities = {{1, "jpg"}, {1, "PNG"}};
    EXPECT_EQ(best(rules, {}, group), (Items{1}));
    // No format ranked first: only files without an extension pass.
    rules.fileFormatPriorities = {{2, "jpg"}};
    EXPECT_EQ(best(rules, {}, group), (Items{3}));
    rules.fileFormatPriorities = {{1, "gif"}};
    EXPECT_TRUE(best(rules, {}, group).empty());
}

TEST(RuleComparators, FolderPriorityComparesCanonicalFoldersWhateverTheirForm)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString top = QDir(dir.path()).canonicalPath();
    ASSERT_TRUE(QDir().mkpath(top + "/Holiday 2024"));
    ASSERT_TRUE(QDir().mkpath(top + "/other"));
    ASSERT_TRUE(QFile::link(top + "/Holiday 2024", top + "/link"));
    const ImageGroup group = {file(top + "/other/a.jpg"), file(top + "/Holiday 2024/b.jpg"),
                              file(top + "/Holiday 2024/c.jpg"), file(top + "/link/d.jpg")};
    group[2]->isProtected = true;
    AutoMarkRules rules = rulesOf({SelectionPriority(K::FolderPriority)});

    // The stored folder as a file URL text (percent escapes, trailing slash), as a plain path with
    // and without the trailing separator, and through a symbolic link: all name the same folder.
    for (const QString &stored :
         {QUrl::fromLocalFile(top + "/Holiday 2024/").toString(QUrl::FullyEncoded), top + "/Holiday 2024",
          top + "/Holiday 2024/", top + "/link/", top + "/other/../Holiday 2024"}) {
        rules.folderPriorities = {{2, top + "/other"}, {1, stored}};
        EXPECT_EQ(best(rules, {}, group), (Items{1, 3})) << stored.toStdString();
    }
    rules.folderPriorities = {{1, std::nullopt}};
    EXPECT_TRUE(best(rules, {}, group).empty());
    rules.folderPriorities = {{1, "https://example.org/Holiday%202024/"}};
    EXPECT_TRUE(best(rules, {}, group).empty());
}

TEST(RuleComparators, PhotosLibraryMatchesTheDefaultPackageInAnyCase)
{
    const ImageGroup group = {file("/home/tester/Pictures/a.jpg"),
                              file("/home/tester/pictures/photos library.PHOTOSLIBRARY/originals/A/b.jpg"),
                              file("/home/tester/Pictures/Photos Library.photoslibrary/Masters/c.jpg"),
                              file("/home/tester/Pictures/Other.photoslibrary/originals/d.jpg")};
    EXPECT_EQ(best(K::iPhotoLibrary, group), (Items{1, 2}));
    group[2]->isProtected = true;
    EXPECT_EQ(best(K::iPhotoLibrary, group), (Items{1}));
}

TEST(RuleComparators, MetadataNamesUnprotectedFilesWithTags)
{
    const ImageGroup group = {file("/a/0.jpg"), file("/a/1.jpg"), file("/a/2.jpg")};
    const AutoMarkRules rules = rulesOf({SelectionPriority(K::ImageMetadata)});
    FakeValues values;
    EXPECT_TRUE(best(rules, values, group).empty());
    values.withMetadata = {"/a/1.jpg", "/a/2.jpg"};
    group[2]->isProtected = true;
    EXPECT_EQ(best(rules, values, group), (Items{1}));
    group[1]->url.reset();
    EXPECT_TRUE(best(rules, values, group).empty());
}

TEST(RuleComparators, NoneAndPositionsOutsideTheOrderDecideNothing)
{
    const ImageGroup group = {sized("/a/0.jpg", 1, 1), sized("/a/1.jpg", 2, 2)};
    EXPECT_TRUE(best(K::none, group).empty());
    const FakeValues values; // read by the accessors while the comparators live
    RuleComparators comparators(rulesOf({SelectionPriority(K::ImageDimension)}), values.accessors());
    EXPECT_EQ(comparators.selectBestCandidates(0, group, {0, 1}), (Items{1}));
    EXPECT_TRUE(comparators.selectBestCandidates(1, group, {0, 1}).empty());
    EXPECT_TRUE(comparators.selectBestCandidates(-1, group, {0, 1}).empty());
    EXPECT_EQ(comparators.selectBestCandidates(0, group, {0, 7, -2}), (Items{0}));
}
