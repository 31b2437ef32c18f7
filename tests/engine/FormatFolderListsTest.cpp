#include "engine/FormatFolderLists.h"

#include "model/ModuleState.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <algorithm>
#include <random>

namespace {

ImageFilePtr fileAt(const QString &path)
{
    auto file = std::make_shared<ImageFile>();
    file->url = QUrl::fromLocalFile(path);
    return file;
}

} // namespace

TEST(FormatFolderLists, ExtensionsInOrderOfFirstOccurrenceCaseIgnored)
{
    ImageGroups groups = {{fileAt("/a/1.JPG"), fileAt("/a/2.jpg")}, {fileAt("/b/3.png"), fileAt("/b/4.Heic")}};
    rebuildFileFormatList(groups);
    ASSERT_EQ(fileFormatPriorities.size(), 3u);
    EXPECT_EQ(fileFormatPriorities[0], (FileFormat{1, "JPG"}));
    EXPECT_EQ(fileFormatPriorities[1], (FileFormat{2, "png"}));
    EXPECT_EQ(fileFormatPriorities[2], (FileFormat{3, "Heic"}));
    rebuildFileFormatList({});
    EXPECT_TRUE(fileFormatPriorities.empty());
}

TEST(FormatFolderLists, FoldersOnceAndPhotosLibraryFoldersOnlyWhenFirst)
{
    ImageGroups groups = {{fileAt("/a/b c/1.jpg"), fileAt("/A/B C/2.jpg")},
                          {fileAt("/a/b c/3.jpg"), fileAt("/L.photoslibrary/originals/0/4.jpg")}};
    rebuildFolderList(groups);
    ASSERT_EQ(folderPriorities.size(), 1u);
    EXPECT_EQ(folderPriorities[0].priority, 1);
    EXPECT_EQ(folderPriorities[0].path, std::optional<QString>("file:///a/b%20c/"));

    ImageGroups libraryFirst = {{fileAt("/L.photoslibrary/Masters/0/4.jpg"), fileAt("/x/5.jpg")}};
    const auto folders = folderListFor(libraryFirst);
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0].path, std::optional<QString>("file:///L.photoslibrary/Masters/0/"));
    EXPECT_EQ(folders[1].priority, 2);
}

// The folder list looks folders up in a set; it must equal the entry-by-entry test of every
// folder against every entry.
TEST(FormatFolderLists, FolderListEqualsTheEntryByEntryRule)
{
    std::mt19937 random(7);
    const QStringList parts = {"a", "A", "b", "L.photoslibrary/originals", "x.PhotosLibrary/Masters", "c d"};
    for (int round = 0; round < 200; ++round) {
        ImageGroups groups;
        for (int g = 0; g < 1 + int(random() % 4); ++g) {
            ImageGroup group;
            for (int r = 0; r < 1 + int(random() % 4); ++r)
                group.push_back(fileAt(
                    QStringLiteral("/%1/%2/f%3.jpg").arg(parts[int(random() % 6)], parts[int(random() % 6)]).arg(r)));
            groups.push_back(group);
        }
        std::vector<FolderPreferences> expected;
        for (const ImageGroup &group : groups)
            for (const ImageFilePtr &file : group) {
                const QString folder = folderTextOfFile(*file->url);
                bool known = false;
                for (const FolderPreferences &entry : expected)
                    known = known || isPhotosLibraryPath(entry.path, folder);
                if (!known)
                    expected.push_back({int(expected.size()) + 1, folder});
            }
        ASSERT_EQ(folderListFor(groups), expected) << round;
    }
}

// With the result's file keys the lists take each file's extension and folder from its keys; they
// must be those of the lists worked out file by file, whatever the URLs, known to the keys or not.
TEST(FormatFolderLists, ListsThroughTheFileKeysEqualTheListsFileByFile)
{
    std::mt19937 random(11);
    const QStringList folders = {"/a", "/A", "/a/b c", "/ü/ß", "/L.photoslibrary/originals/0", "/p%2Fq", "/x.y", "/"};
    const QStringList names = {"f.jpg", "F.JPG",       "g.Jpeg",    ".hidden", "noext",   "t.tar.gz",
                               "é.PNG", "sp ace.heic", "pc%41.jpg", "d.",      "q#r.jpg", "a.b%2Fc"};
    auto randomUrl = [&] {
        switch (random() % 12) {
        case 0:
            return QUrl();
        case 1:
            return QUrl(QStringLiteral("https://host/a/f.JPG"));
        case 2:
            return QUrl(QStringLiteral("file:///a/dir.jpg/"));
        case 3:
            return QUrl(QStringLiteral("file:///a/f.jpg?x=1"));
        default:
            return QUrl::fromLocalFile(folders[int(random() % folders.size())] + QLatin1Char('/')
                                       + names[int(random() % names.size())]);
        }
    };
    for (int round = 0; round < 300; ++round) {
        ImageGroups groups;
        for (int g = 0; g < 1 + int(random() % 5); ++g) {
            ImageGroup group;
            for (int r = 0; r < 1 + int(random() % 5); ++r) {
                auto file = std::make_shared<ImageFile>();
                if (random() % 10)
                    file->url = randomUrl();
                group.push_back(file);
            }
            groups.push_back(group);
        }
        ResultFileKeys keys;
        if (round % 2)
            keys.learn({groups.begin(), groups.begin() + 1});
        std::vector<FileFormat> formats; // the rule, entry by entry
        for (const ImageGroup &group : groups)
            for (const ImageFilePtr &file : group) {
                if (!file->url)
                    continue;
                const QString extension = QFileInfo(file->url->path()).suffix();
                if (std::none_of(formats.begin(), formats.end(), [&](const FileFormat &format) {
                        return format.fileExtension.toLower() == extension.toLower();
                    }))
                    formats.push_back({int(formats.size()) + 1, extension});
            }
        if (groups.front().empty())
            formats.clear();
        ASSERT_EQ(fileFormatListFor(groups, &keys), formats) << round;
        ASSERT_EQ(fileFormatListFor(groups), formats) << round;
        ASSERT_EQ(folderListFor(groups, &keys), folderListFor(groups)) << round;
    }
}
