// The one-open JPEG reading of ImageSource::properties against the plain reading
// (propertiesByImageReaders: Qt's readers tell the format and read the header, exiv2 opens the
// file itself), and the exiv2 input it uses against exiv2's own file input, which holds no more
// than a window of the bytes read past the head however far it is read.

#include "platform/CachedFileIo.h"
#include "platform/ExivCompat.h"
#include "platform/ImageSource.h"
#include "platform/JpegHeader.h"

#include "support/HostileFiles.h"
#include "support/MemoryBounds.h"
#include "support/ServicesFixtures.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <random>

using platform::ImageSource;

namespace {

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray segment(int marker, const QByteArray &payload, int lengthDelta = 0)
{
    const int length = int(payload.size()) + 2 + lengthDelta;
    return bytesOf({0xFF, marker, (length >> 8) & 0xFF, length & 0xFF}) + payload;
}

QByteArray randomBytes(std::mt19937 &random, int count)
{
    QByteArray out(count, Qt::Uninitialized);
    for (int i = 0; i < count; ++i)
        out[i] = char(random() & 0xFF);
    return out;
}

// A JPEG header made of randomly chosen, mostly well-formed segments with fields near the limits
// the JPEG library checks, followed by a few scan bytes and EOI; now and then cut short or with a
// byte changed.
QByteArray randomJpegHeader(std::mt19937 &random)
{
    auto chance = [&](int percent) { return int(random() % 100) < percent; };
    auto pick = [&](std::initializer_list<int> values) { return *(values.begin() + random() % values.size()); };

    QByteArray out = bytesOf({0xFF, 0xD8});
    auto extraSegment = [&] {
        switch (random() % 14) {
        case 0:
            out += segment(0xE0, QByteArray("JFIF\0", 5) + bytesOf({1, 1, pick({0, 1, 2}), 0, 72, 0, 72, 0, 0}));
            break;
        case 1:
            out += segment(0xE1, randomBytes(random, int(random() % 40)));
            break;
        case 2:
            out += segment(0xEE, QByteArray("Adobe", 5) + bytesOf({0, 100, 0, 0, 0, 0, pick({0, 1, 2, 7})}));
            break;
        case 3:
            out += segment(0xFE, randomBytes(random, int(random() % 30)), chance(10) ? pick({-2, -1, 1}) : 0);
            break;
        case 4: {
            QByteArray tables;
            const int count = 1 + int(random() % 2);
            for (int t = 0; t < count; ++t) {
                const int precision = chance(10) ? 1 : 0;
                tables += bytesOf({(precision << 4) | (chance(10) ? pick({4, 5, 15}) : int(random() % 4))});
                tables += randomBytes(random, precision ? 128 : 64);
            }
            if (chance(10))
                tables.chop(int(random() % 20));
            out += segment(0xDB, tables);
            break;
        }
        case 5: {
            QByteArray tables;
            const int index = chance(10) ? pick({0x04, 0x20, 0x14}) : pick({0x00, 0x01, 0x10, 0x11});
            QByteArray counts(16, 0);
            int total = 0;
            for (int i = 0; i < 16; ++i) {
                counts[i] = char(random() % (chance(5) ? 200 : 4));
                total += quint8(counts[i]);
            }
            tables += bytesOf({index}) + counts + randomBytes(random, total);
            if (chance(10))
                tables += randomBytes(random, 1 + int(random() % 16));
            if (chance(5))
                tables.chop(1);
            out += segment(0xC4, tables);
            break;
        }
        case 6:
            out += segment(0xDD, bytesOf({0, int(random() % 8)}), chance(20) ? 1 : 0);
            break;
        case 7:
            // Something the strict reading leaves to the decoder.
            out += chance(50) ? bytesOf({0xFF, pick({0xD0, 0x01, 0xD8, 0xDC, 0xCC})})
                              : segment(0xCC, bytesOf({0x10, 0x21}));
            break;
        case 8:
            if (chance(50))
                out += bytesOf({0xFF, 0xFF}); // fill bytes before the next marker
            else
                out += bytesOf({0x12, 0x34}); // stray bytes
            break;
        default:
            out += segment(0xE2, randomBytes(random, int(random() % 20)));
            break;
        }
    };

    const int before = int(random() % 5);
    for (int i = 0; i < before; ++i)
        extraSegment();

    const int sof = chance(85) ? pick({0xC0, 0xC1, 0xC2}) : pick({0xC3, 0xC5, 0xC9, 0xCA, 0xCB});
    const int components = chance(80) ? pick({1, 3, 3, 4}) : pick({0, 2, 5, 10, 11});
    const int precision = chance(90) ? 8 : pick({12, 16, 0});
    const int height = chance(85) ? int(1 + random() % 4000) : pick({0, 65500, 65501, 65535});
    const int width = chance(85) ? int(1 + random() % 4000) : pick({0, 65500, 65501, 65535});
    QByteArray frame = bytesOf({precision, height >> 8, height & 0xFF, width >> 8, width & 0xFF, components});
    std::vector<int> ids;
    for (int c = 0; c < components; ++c) {
        int id = chance(70) ? c + 1 : (chance(50) ? pick({82, 71, 66}) : int(random() % 256));
        if (c > 0 && chance(5))
            id = ids.front();
        ids.push_back(id);
        const int sampling = chance(90) ? pick({0x11, 0x22, 0x21, 0x12}) : pick({0x00, 0x51, 0x15, 0x44, 0x10});
        frame += bytesOf({id, sampling, int(random() % 4)});
    }
    out += segment(sof, frame, chance(5) ? pick({-3, 3}) : 0);
    if (chance(5))
        out += segment(pick({0xC0, 0xC2}), frame);

    const int after = int(random() % 3);
    for (int i = 0; i < after; ++i)
        extraSegment();

    const int inScan = chance(90) ? std::max(1, std::min(components, int(1 + random() % 4))) : pick({0, 5});
    QByteArray scan = bytesOf({inScan});
    for (int i = 0; i < inScan; ++i) {
        int selector = (i < int(ids.size())) ? ids[size_t(i)] : 1;
        if (chance(5))
            selector = int(random() % 256);
        if (i > 0 && !ids.empty() && chance(3))
            selector = ids.front();
        scan += bytesOf({selector, 0x00});
    }
    scan += bytesOf({0, 63, 0});
    if (!chance(3))
        out += segment(0xDA, scan, chance(5) ? pick({-2, 2}) : 0);
    out += randomBytes(random, int(random() % 50));
    out += bytesOf({0xFF, 0xD9});

    if (chance(10))
        out.truncate(int(random() % out.size()));
    if (chance(10) && out.size() > 3) {
        const int at = 2 + int(random() % (out.size() - 2));
        out[at] = char(random() & 0xFF);
    }
    return out;
}

void expectSameProperties(const QString &path)
{
    const ImageSource source(path);
    const auto fast = source.properties();
    const auto plain = source.propertiesByImageReaders();
    ASSERT_EQ(fast.has_value(), plain.has_value()) << path.toStdString();
    if (fast) {
        EXPECT_EQ(*fast, *plain) << path.toStdString();
    }
}

void silenceQtMessages(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

TEST(ImageSourceFastPath, RandomJpegHeadersReadAsQtReadsThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QtMessageHandler previous = qInstallMessageHandler(silenceQtMessages);
    std::mt19937 random(20261208);
    int certain = 0;
    for (int i = 0; i < 1500; ++i) {
        const QByteArray data = randomJpegHeader(random);
        const QString path = dir.filePath(QStringLiteral("h%1.jpg").arg(i));
        ASSERT_TRUE(fixtures::writeFile(path, data));
        if (platform::readJpegHeader(reinterpret_cast<const unsigned char *>(data.constData()), size_t(data.size())))
            ++certain;
        expectSameProperties(path);
        if (::testing::Test::HasFailure()) {
            qInstallMessageHandler(previous);
            FAIL() << "header " << i << ": " << data.toHex().toStdString();
        }
    }
    qInstallMessageHandler(previous);
    // Most made-up headers are plain enough to be read without the decoder.
    EXPECT_GT(certain, 150);
}

TEST(ImageSourceFastPath, TaggedCutAndAlteredJpegsReadAsThePlainPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QtMessageHandler previous = qInstallMessageHandler(silenceQtMessages);

    // Colour and grey photos with Exif, GPS, IPTC and an orientation.
    const QString tagged = dir.filePath("tagged.jpg");
    ASSERT_TRUE(fixtures::writeImage(tagged, 120, 80, "JPEG", 90));
    ASSERT_TRUE(fixtures::writeTags(tagged,
                                    {{"Exif.Image.Make", "Acme"},
                                     {"Exif.Image.Orientation", "6"},
                                     {"Exif.Image.DateTime", "2021:05:06 07:08:09"},
                                     {"Exif.Image.XResolution", "300/1"},
                                     {"Exif.Image.YResolution", "300/1"},
                                     {"Exif.Image.ResolutionUnit", "2"},
                                     {"Exif.Photo.ISOSpeedRatings", "200"},
                                     {"Exif.Photo.FNumber", "28/10"},
                                     {"Exif.GPSInfo.GPSLatitudeRef", "S"},
                                     {"Exif.GPSInfo.GPSLatitude", "33/1 54/1 30/1"},
                                     {"Exif.GPSInfo.GPSLongitudeRef", "W"},
                                     {"Exif.GPSInfo.GPSLongitude", "151/1 12/1 0/1"},
                                     {"Iptc.Application2.Keywords", "beach"},
                                     {"Xmp.dc.title", "Shore"}}));
    QImage grey = fixtures::testPicture(50, 70).convertToFormat(QImage::Format_Grayscale8);
    const QString greyPath = dir.filePath("grey.jpg");
    ASSERT_TRUE(grey.save(greyPath, "JPEG", 70));
    const QString plain = dir.filePath("plain.jpg");
    ASSERT_TRUE(fixtures::writeImage(plain, 33, 17, "JPEG", 50));

    std::vector<QString> originals{tagged, greyPath, plain};
    // Metadata pushing the frame header beyond the first 64 KiB: two full comment segments.
    {
        QFile file(tagged);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray data = file.readAll();
        const QByteArray comment = segment(0xFE, QByteArray(65533, 'c'));
        data.insert(2, comment + comment);
        const QString big = dir.filePath("big-comments.jpg");
        ASSERT_TRUE(fixtures::writeFile(big, data));
        originals.push_back(big);
    }
    const QString phone = fixtures::realSample("original-files/pic1/IMG_20200827_231612.jpg");
    if (!phone.isEmpty())
        originals.push_back(phone);

    std::mt19937 random(5);
    int made = 0;
    for (const QString &original : originals) {
        expectSameProperties(original);
        QFile file(original);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        // Cut at the edges of the first segments and at random places.
        std::vector<int> cuts{2, 3, 4, 5, 6, 20, 100, 300, 1000};
        for (int i = 0; i < 12; ++i)
            cuts.push_back(int(random() % data.size()));
        for (int cut : cuts) {
            if (cut >= data.size())
                continue;
            const QString path = dir.filePath(QStringLiteral("cut%1.jpg").arg(made++));
            ASSERT_TRUE(fixtures::writeFile(path, data.left(cut)));
            expectSameProperties(path);
        }
        // Bytes changed in the metadata and headers.
        for (int i = 0; i < 25; ++i) {
            QByteArray altered = data;
            const int span = std::min<int>(int(altered.size()), 3000);
            for (int k = 0; k < 3; ++k)
                altered[2 + int(random() % (span - 2))] = char(random() & 0xFF);
            const QString path = dir.filePath(QStringLiteral("alt%1.jpg").arg(made++));
            ASSERT_TRUE(fixtures::writeFile(path, altered));
            expectSameProperties(path);
        }
    }

    // Files that are not JPEGs still take the plain path and agree with it.
    const QString png = dir.filePath("p.png");
    ASSERT_TRUE(fixtures::writeImage(png, 30, 10, "PNG"));
    expectSameProperties(png);
    const QString text = dir.filePath("t.jpg");
    ASSERT_TRUE(fixtures::writeFile(text, "not a picture"));
    expectSameProperties(text);
    const QString tiny = dir.filePath("tiny.jpg");
    ASSERT_TRUE(fixtures::writeFile(tiny, bytesOf({0xFF, 0xD8})));
    expectSameProperties(tiny);
    expectSameProperties(dir.filePath("missing.jpg"));
    expectSameProperties(dir.path());
    qInstallMessageHandler(previous);
}

TEST(ImageSourceFastPath, CachedInputBehavesLikeExivFileInput)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 random(77);
    for (const int size : {0, 1, 2, 100, 5000, 70000, 200000}) {
        const QString path = dir.filePath(QStringLiteral("f%1.bin").arg(size));
        const QByteArray data = randomBytes(random, size);
        ASSERT_TRUE(fixtures::writeFile(path, data));
        const std::string native = QFile::encodeName(path).toStdString();
        for (const int headLength : {0, 1, 64, 4096, 65536}) {
            const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
            ASSERT_GE(fd, 0);
            platform::CachedFileIo cached(native, fd, size, data.left(headLength));
            Exiv2::FileIo plain(native);
            ASSERT_EQ(cached.open(), plain.open());
            for (int step = 0; step < 400; ++step) {
                const long span = long(size) + 20;
                switch (random() % 8) {
                case 0: {
                    const long count = long(random() % (random() % 4 == 0 ? span : 40));
                    std::vector<Exiv2::byte> a(size_t(count) + 1), b(size_t(count) + 1);
                    ASSERT_EQ(cached.read(a.data(), count), plain.read(b.data(), count));
                    ASSERT_EQ(a, b);
                    break;
                }
                case 1: {
                    const long count = long(random() % span);
                    bool threwA = false, threwB = false;
                    Exiv2::DataBuf a, b;
                    try {
                        a = cached.read(count);
                    } catch (const Exiv2::Error &) {
                        threwA = true;
                    }
                    try {
                        b = plain.read(count);
                    } catch (const Exiv2::Error &) {
                        threwB = true;
                    }
                    ASSERT_EQ(threwA, threwB);
                    ASSERT_EQ(platform::exiv::byteCount(a), platform::exiv::byteCount(b));
                    if (platform::exiv::byteCount(a) > 0) {
                        ASSERT_EQ(0,
                                  std::memcmp(platform::exiv::bytes(a), platform::exiv::bytes(b),
                                              platform::exiv::byteCount(a)));
                    }
                    break;
                }
                case 2:
                    ASSERT_EQ(cached.getb(), plain.getb());
                    break;
                case 3: {
                    const long offset = long(random() % (2 * span)) - span;
                    const auto position = Exiv2::BasicIo::Position(random() % 3);
                    ASSERT_EQ(cached.seek(offset, position), plain.seek(offset, position));
                    break;
                }
                case 4:
                    if (random() % 10 == 0) {
                        cached.close();
                        plain.close();
                        ASSERT_EQ(cached.open(), plain.open());
                    }
                    break;
                default:
                    break;
                }
                ASSERT_EQ(cached.tell(), plain.tell()) << "size " << size << " step " << step;
                ASSERT_EQ(cached.eof(), plain.eof()) << "size " << size << " step " << step;
                ASSERT_EQ(cached.error(), plain.error());
                ASSERT_EQ(cached.size(), plain.size());
            }
            ::close(fd);
        }
    }

    // Read through to its end, a 256 MiB file (a hole on disk) leaves only the head and a window.
    const QString large = dir.filePath("large.bin");
    {
        QFile file(large);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(256 << 20));
    }
    const std::string native = QFile::encodeName(large).toStdString();
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    platform::CachedFileIo cached(native, fd, 256 << 20, QByteArray(8192, '\0'));
    ASSERT_EQ(cached.open(), 0);
    qint64 total = 0;
    const double rise = hostile::peakRiseMiB([&] {
        std::vector<Exiv2::byte> buffer(4096);
        while (cached.getb() != EOF)
            total += 1 + qint64(cached.read(buffer.data(), platform::exiv::IoCount(buffer.size())));
    });
    ::close(fd);
    EXPECT_EQ(total, 256 << 20);
    EXPECT_TRUE(cached.eof());
    EXPECT_MEMORY_BELOW(rise, 16.0);
}
