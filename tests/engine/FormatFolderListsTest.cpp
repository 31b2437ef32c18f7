#include "engine/FormatFolderLists.h"

#include "model/ModuleState.h"

#include <gtest/gtest.h>

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
