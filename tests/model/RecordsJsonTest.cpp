#include "model/InitialDirectory.h"
#include "model/Metadata.h"
#include "model/PhotoLibraryProperties.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>

using nlohmann::json;

namespace {

std::set<std::string> keysOf(const json &object)
{
    std::set<std::string> keys;
    for (auto it = object.begin(); it != object.end(); ++it)
        keys.insert(it.key());
    return keys;
}

PhotoLibraryProperties sampleProperties()
{
    PhotoLibraryProperties p;
    p.RKMuuid = "m-uuid";
    p.RKMimagePath = "2023/01/02/IMG_0001.HEIC";
    p.RKMFilSize = "123456";
    p.RKVuuid = "v-uuid";
    p.RKVmodelId = "42";
    p.RKVfilename = "IMG_0001.HEIC";
    p.RKAVMId = "7";
    p.OriginalFileName = "IMG_0001.HEIC";
    return p;
}

QImage sampleIcon()
{
    QImage icon(8, 8, QImage::Format_ARGB32);
    icon.fill(QColor(10, 200, 30));
    return icon;
}

Metadata sampleMetadata()
{
    return Metadata(QUrl::fromLocalFile("/data/photos/a b.jpg"), "a b.jpg",
                    utcDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 123)), 5'000'000'000LL, sampleIcon(), false,
                    QColor(Qt::red), true);
}

} // namespace

TEST(PhotoLibraryPropertiesJson, RoundTripWithEveryFieldNamedAsItsKey)
{
    const json coded = sampleProperties();
    EXPECT_EQ(keysOf(coded),
              (std::set<std::string>{"RKMuuid", "RKMimagePath", "RKMFilSize", "RKVuuid", "RKVmodelId", "RKVfilename",
                                     "RKAVMId", "OriginalFileName"}));
    EXPECT_EQ(coded.at("RKVuuid"), "v-uuid");
    EXPECT_EQ(coded.get<PhotoLibraryProperties>(), sampleProperties());
}

TEST(PhotoLibraryPropertiesJson, MissingOrMistypedMemberDoesNotDecode)
{
    json coded = sampleProperties();
    coded.erase("OriginalFileName");
    EXPECT_THROW(coded.get<PhotoLibraryProperties>(), json::exception);

    json mistyped = sampleProperties();
    mistyped["RKMFilSize"] = 123456;
    EXPECT_THROW(mistyped.get<PhotoLibraryProperties>(), json::exception);
}

TEST(MetadataJson, RoundTripKeepsEveryCodedFieldAndDropsTheColour)
{
    const Metadata original = sampleMetadata();
    const json coded = original;
    EXPECT_EQ(keysOf(coded), (std::set<std::string>{"name", "date", "size", "icon", "isFolder", "url", "isIcon"}));
    EXPECT_EQ(coded.at("size").get<std::int64_t>(), 5'000'000'000LL);
    EXPECT_TRUE(coded.at("icon").is_string());

    const Metadata read = coded.get<Metadata>();
    EXPECT_EQ(read.name, original.name);
    EXPECT_EQ(read.date, original.date);
    EXPECT_EQ(read.size, original.size);
    EXPECT_EQ(read.isFolder, original.isFolder);
    EXPECT_EQ(read.url, original.url);
    EXPECT_EQ(read.isIcon, original.isIcon);
    ASSERT_FALSE(read.icon.isNull());
    EXPECT_EQ(read.icon.size(), original.icon.size());
    EXPECT_EQ(read.icon.pixelColor(3, 3), QColor(10, 200, 30));
    // The colour is never coded: every read record has the default colour.
    EXPECT_EQ(read.color, QColor());
}

TEST(MetadataJson, AbsentUrlAndEmptyIconAreWrittenAsNullAndReadBack)
{
    Metadata original = sampleMetadata();
    original.url.reset();
    original.icon = QImage();
    original.isIcon = false;
    const json coded = original;
    EXPECT_TRUE(coded.at("url").is_null());
    EXPECT_TRUE(coded.at("icon").is_null());

    const Metadata read = coded.get<Metadata>();
    EXPECT_FALSE(read.url.has_value());
    EXPECT_TRUE(read.icon.isNull());
    EXPECT_EQ(read.name, original.name);
}

TEST(MetadataJson, IconDataThatIsNoIconOfOursGivesTheEmptyIcon)
{
    json coded = sampleMetadata();
    coded["icon"] = QByteArray("not a picture").toBase64().toStdString();
    EXPECT_TRUE(coded.get<Metadata>().icon.isNull());
    coded["icon"] = "%%% no base64 %%%";
    EXPECT_TRUE(coded.get<Metadata>().icon.isNull());
    // A picture of another format, one larger than any icon, and more data than any icon takes
    // are not decoded; an icon of a high-density screen still is.
    auto encoded = [](const QImage &image, const char *format) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(image.save(&buffer, format));
        return data.toBase64().toStdString();
    };
    coded["icon"] = encoded(sampleIcon(), "BMP");
    EXPECT_TRUE(coded.get<Metadata>().icon.isNull());
    QImage huge(4000, 3000, QImage::Format_Mono);
    huge.fill(0);
    coded["icon"] = encoded(huge, "PNG");
    EXPECT_TRUE(coded.get<Metadata>().icon.isNull());
    coded["icon"] = QByteArray(600 * 1024, 'A').toStdString();
    EXPECT_TRUE(coded.get<Metadata>().icon.isNull());
    coded["icon"] = encoded(sampleIcon().scaled(256, 256), "PNG");
    EXPECT_EQ(coded.get<Metadata>().icon.size(), QSize(256, 256));
    // A damaged icon (a byte of its compressed picture data changed) gives no icon, and no
    // complaint of the PNG library reaches the terminal.
    QByteArray png = QByteArray::fromBase64(QByteArray::fromStdString(encoded(sampleIcon(), "PNG")));
    const qsizetype data = png.indexOf("IDAT") + 4;
    png[data + 2] = char(png[data + 2] ^ 0xFF);
    coded["icon"] = png.toBase64().toStdString();
    std::fflush(stderr);
    const int savedError = dup(2);
    QTemporaryFile captured;
    ASSERT_TRUE(captured.open());
    dup2(captured.handle(), 2);
    const QImage damaged = coded.get<Metadata>().icon;
    std::fflush(stderr);
    dup2(savedError, 2);
    close(savedError);
    EXPECT_TRUE(damaged.isNull());
    captured.seek(0);
    EXPECT_EQ(captured.readAll(), QByteArray());
}

TEST(MetadataJson, EveryMemberIsRequiredAndTyped)
{
    for (const char *key : {"name", "date", "size", "icon", "isFolder", "url", "isIcon"}) {
        json coded = sampleMetadata();
        coded.erase(key);
        EXPECT_THROW(coded.get<Metadata>(), json::exception) << key;
    }
    json coded = sampleMetadata();
    coded["size"] = "12";
    EXPECT_THROW(coded.get<Metadata>(), json::exception);
    coded = sampleMetadata();
    coded["date"] = "yesterday";
    EXPECT_THROW(coded.get<Metadata>(), json::exception);
    coded = sampleMetadata();
    coded["isFolder"] = 1;
    EXPECT_THROW(coded.get<Metadata>(), json::exception);
}

TEST(MetadataJson, DistantPastSurvivesTheRoundTrip)
{
    Metadata original = sampleMetadata();
    original.date = distantPast();
    EXPECT_EQ(json(original).get<Metadata>().date, distantPast());
}

TEST(InitialDirectoryJson, DefaultsAndTheKeysOfAnEntryWithOnlyAUrl)
{
    const InitialDirectory fresh;
    EXPECT_FALSE(fresh.md5 || fresh.url || fresh.file || fresh.photoLibraryProperties);
    EXPECT_FALSE(fresh.isPhotoLibrary);
    EXPECT_TRUE(fresh.isChecked);

    InitialDirectory entry;
    entry.url = QUrl::fromLocalFile("/data/photos");
    const json coded = entry;
    EXPECT_EQ(keysOf(coded), (std::set<std::string>{"url", "isPhotoLibrary", "isChecked"}));
    EXPECT_EQ(coded.at("isChecked"), true);

    const InitialDirectory read = coded.get<InitialDirectory>();
    EXPECT_EQ(read.url, entry.url);
    EXPECT_FALSE(read.md5 || read.file || read.photoLibraryProperties);
    EXPECT_TRUE(read.isChecked);
}

TEST(InitialDirectoryJson, RoundTripWithEveryFieldPresent)
{
    InitialDirectory entry;
    entry.md5 = "d41d8cd98f00b204e9800998ecf8427e";
    entry.url = QUrl::fromLocalFile("/data/Photos Library.photoslibrary/originals/x #1.heic");
    entry.file = sampleMetadata();
    entry.photoLibraryProperties = sampleProperties();
    entry.isPhotoLibrary = true;
    entry.isChecked = false;

    const json coded = entry;
    EXPECT_EQ(keysOf(coded),
              (std::set<std::string>{"md5", "url", "file", "photoLibraryProperties", "isPhotoLibrary", "isChecked"}));
    const InitialDirectory read = json::parse(coded.dump()).get<InitialDirectory>();
    EXPECT_EQ(read.md5, entry.md5);
    EXPECT_EQ(read.url, entry.url);
    ASSERT_TRUE(read.file);
    EXPECT_EQ(read.file->name, entry.file->name);
    EXPECT_EQ(read.photoLibraryProperties, entry.photoLibraryProperties);
    EXPECT_TRUE(read.isPhotoLibrary);
    EXPECT_FALSE(read.isChecked);
}

TEST(InitialDirectoryJson, TheTwoFlagsAreRequiredBooleans)
{
    InitialDirectory entry;
    entry.md5 = "abc";
    for (const char *key : {"isPhotoLibrary", "isChecked"}) {
        json coded = entry;
        coded.erase(key);
        EXPECT_THROW(coded.get<InitialDirectory>(), json::exception) << key;
        coded[key] = "true";
        EXPECT_THROW(coded.get<InitialDirectory>(), json::exception) << key;
    }
    json brokenFile = entry;
    brokenFile["file"] = json::object({{"name", "x"}});
    EXPECT_THROW(brokenFile.get<InitialDirectory>(), json::exception);
}

class InitialDirectoryFromUrl : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
};

TEST_F(InitialDirectoryFromUrl, RegularFileGetsNameSizeDateAndTheDefaults)
{
    ASSERT_TRUE(dir.isValid());
    QFile file(path("photo.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3000, 'x'));
    file.close();

    const InitialDirectory entry(QUrl::fromLocalFile(path("photo.jpg")));
    EXPECT_EQ(entry.url, QUrl::fromLocalFile(path("photo.jpg")));
    ASSERT_TRUE(entry.file);
    EXPECT_EQ(entry.file->name, "photo.jpg");
    EXPECT_EQ(entry.file->size, 3000);
    EXPECT_FALSE(entry.file->isFolder);
    EXPECT_EQ(entry.file->url, entry.url);
    EXPECT_LE(std::abs(entry.file->date.secsTo(QDateTime::currentDateTimeUtc())), 120);
    EXPECT_EQ(entry.file->isIcon, !entry.file->icon.isNull());
    EXPECT_TRUE(entry.isChecked);
    EXPECT_FALSE(entry.isPhotoLibrary);
    EXPECT_FALSE(entry.md5 || entry.photoLibraryProperties);
}

TEST_F(InitialDirectoryFromUrl, FoldersAndLibraryPackagesAreFoldersOfSizeZero)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath("album/Photos Library.photoslibrary/database"));
    const InitialDirectory folder(QUrl::fromLocalFile(path("album") + "/"));
    ASSERT_TRUE(folder.file);
    EXPECT_TRUE(folder.file->isFolder);
    EXPECT_EQ(folder.file->size, 0);
    EXPECT_EQ(folder.file->name, "album");

    const InitialDirectory library(QUrl::fromLocalFile(path("album/Photos Library.photoslibrary")));
    ASSERT_TRUE(library.file);
    EXPECT_TRUE(library.file->isFolder);
    EXPECT_FALSE(library.isPhotoLibrary); // callers set the flag themselves
}

TEST_F(InitialDirectoryFromUrl, SymbolicLinkStandsForItsTarget)
{
    // ~/Pictures linked to another disk: the entry is a folder, under the link's own name and URL.
    ASSERT_TRUE(QDir(dir.path()).mkpath("real"));
    ASSERT_TRUE(QFile::link(path("real"), path("link")));
    const InitialDirectory folder(QUrl::fromLocalFile(path("link")));
    ASSERT_TRUE(folder.file);
    EXPECT_TRUE(folder.file->isFolder);
    EXPECT_EQ(folder.file->name, "link");
    EXPECT_EQ(folder.url, QUrl::fromLocalFile(path("link")));

    QFile photo(path("real/photo.jpg"));
    ASSERT_TRUE(photo.open(QIODevice::WriteOnly));
    photo.write(QByteArray(3000, 'x'));
    photo.close();
    ASSERT_TRUE(QFile::link(path("real/photo.jpg"), path("photo-link.jpg")));
    const InitialDirectory file(QUrl::fromLocalFile(path("photo-link.jpg")));
    ASSERT_TRUE(file.file);
    EXPECT_FALSE(file.file->isFolder);
    EXPECT_EQ(file.file->size, 3000);

    // A dangling link is still an entry (the scan skips it), described as the link it is.
    ASSERT_TRUE(QFile::link(path("gone"), path("dangling")));
    const InitialDirectory dangling(QUrl::fromLocalFile(path("dangling")));
    ASSERT_TRUE(dangling.file);
    EXPECT_FALSE(dangling.file->isFolder);
}

TEST_F(InitialDirectoryFromUrl, PathHoldingANulCharacterIsRefused)
{
    // The part before the NUL is an existing folder: the system would describe that folder.
    ASSERT_TRUE(QDir(dir.path()).mkpath("real"));
    const QString withNul = path("real") + QChar(u'\0') + QStringLiteral("/x.jpg");
    testing::internal::CaptureStdout();
    const InitialDirectory entry(QUrl::fromLocalFile(withNul));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error reading file attributes\n");
    EXPECT_FALSE(entry.file);
}

TEST_F(InitialDirectoryFromUrl, MissingItemOrRemoteUrlKeepsTheUrlAndPrintsOneLine)
{
    for (const QUrl &url : {QUrl::fromLocalFile(path("gone.jpg")), QUrl("https://example.org/a.jpg")}) {
        testing::internal::CaptureStdout();
        const InitialDirectory entry(url);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed, "Error reading file attributes\n");
        EXPECT_EQ(entry.url, url);
        EXPECT_FALSE(entry.file);
        EXPECT_TRUE(entry.isChecked);
    }
}
