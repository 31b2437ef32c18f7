#include "platform/VideoFrames.h"

#include "support/MemoryBounds.h"
#include "support/ServicesFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

using platform::VideoFrames;

TEST(VideoFrames, DisplayRotationIsApplied)
{
    QTemporaryDir dir;
    const QString clip = fixtures::makeClip(dir.path(), "turned.mp4", 64, 48, 90);
    if (clip.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    const auto frame = VideoFrames::frameAtZero(clip);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(48, 64));
}

TEST(VideoFrames, NoFrameFromOtherFiles)
{
    QTemporaryDir dir;
    fixtures::writeFile(dir.filePath("fake.mp4"), "not a video at all");
    EXPECT_FALSE(VideoFrames::frameAtZero(dir.filePath("fake.mp4")));
    EXPECT_FALSE(VideoFrames::frameAtZero(dir.filePath("missing.mp4")));
    EXPECT_FALSE(VideoFrames::frameAtZero(QString()));
}

TEST(VideoFrames, ManyRealFilesInOneProcess)
{
    // Frames of several real clips and pictures one after another: decoding and colour conversion
    // must leave the heap intact whatever the frame sizes.
    const char *files[] = {"original-files/movie2/movie-hello.mp4", "original-files/movie2/movie-hello.avi",
                           "original-files/movie2/movie-hello.mpeg", "original-files/movie2/movie-hello.ogg",
                           "original-files/pic1/empty.jpg", "original-files/pic1/debian_logo.png",
                           "original-files/pic1/IMG-20191006-WA0002.jpg"};
    if (fixtures::realSample(files[0]).isEmpty())
        GTEST_SKIP() << "forensics-samples-files is not installed";
    const QSize sizes[] = {{1280, 720}, {1024, 576}, {640, 480}, {720, 480}, {161, 1}, {100, 123}, {1024, 768}};
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < std::size(files); ++i) {
            const auto frame = VideoFrames::frameAtZero(fixtures::realSample(files[i]));
            ASSERT_TRUE(frame) << files[i];
            EXPECT_EQ(frame->size(), sizes[i]) << files[i];
        }
    }
}

namespace {

void appendBigEndian(QByteArray &out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

void appendChunk(QByteArray &png, const char *type, const QByteArray &data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    appendBigEndian(png, quint32(data.size()));
    png += body;
    appendBigEndian(png, quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))));
}

// `size` zero bytes through zlib, a mebibyte at a time (never all in memory).
QByteArray deflatedZeros(qint64 size)
{
    z_stream z {};
    EXPECT_EQ(deflateInit(&z, Z_BEST_COMPRESSION), Z_OK);
    const std::vector<Bytef> zeros(1 << 20, 0);
    std::vector<Bytef> out(1 << 16);
    QByteArray result;
    qint64 left = size;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        const qint64 step = std::min<qint64>(left, qint64(zeros.size()));
        left -= step;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = const_cast<Bytef *>(zeros.data());
        z.avail_in = uInt(step);
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            result.append(reinterpret_cast<const char *>(out.data()), qsizetype(out.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return result;
}

// A 16 x 16 grey PNG whose compressed text chunk (zTXt) holds `textSize` bytes: about a thousandth
// of that on disk, all of it in memory once the text is read.
QByteArray pngWithHugeText(qint64 textSize)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, 16);
    appendBigEndian(header, 16);
    header += QByteArray("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, no interlace
    appendChunk(png, "IHDR", header);
    appendChunk(png, "zTXt", QByteArray("Comment\0\0", 9) + deflatedZeros(textSize));
    QByteArray rows;
    for (int y = 0; y < 16; ++y)
        rows += QByteArray(1, '\0') + QByteArray(16 * 3, char(0x80));
    uLongf packedSize = compressBound(uLong(rows.size()));
    QByteArray packed(qsizetype(packedSize), '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &packedSize, reinterpret_cast<const Bytef *>(rows.constData()),
             uLong(rows.size()));
    packed.resize(qsizetype(packedSize));
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// How far the process's resident memory rose above its level before `work`, at its highest while
// `work` ran, in MiB. The kernel's high-water mark is reset first where it lets us; else the mark
// so far is the base (which can only make the rise look smaller).
template <class Work>
double peakRiseMiB(Work work)
{
    qint64 base = statusKilobytes("VmRSS:");
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
        base = statusKilobytes("VmHWM:");
    reset.close();
    work();
    return double(statusKilobytes("VmHWM:") - base) / 1024.0;
}

constexpr qint64 kGiB = qint64(1) << 30;

} // namespace

// A picture with a video's name whose text chunk unpacks to 1 GiB, and the same picture as the
// cover of a sound-only file and of a clip: the picture is read as a picture, the cover is never
// taken for a frame, and none of it costs more than a bounded amount of memory.
TEST(VideoFrames, PicturesInVideoFilesAreReadWithinBoundedMemory)
{
    QTemporaryDir dir;
    const QByteArray png = pngWithHugeText(kGiB);
    ASSERT_LT(png.size(), 8 * 1024 * 1024);
    const QString picture = dir.filePath(QStringLiteral("x.mp4"));
    ASSERT_TRUE(fixtures::writeFile(picture, png));

    std::optional<QImage> frame;
    EXPECT_MEMORY_BELOW(peakRiseMiB([&] { frame = VideoFrames::frameAtZero(picture); }), 300.0);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(16, 16));

    const QString clip = fixtures::makeClip(dir.path(), QStringLiteral("clip.mp4"), 64, 48);
    if (clip.isEmpty())
        GTEST_SKIP() << "ffmpeg is not available";
    const QString cover = dir.filePath(QStringLiteral("cover.png"));
    ASSERT_TRUE(fixtures::writeFile(cover, png));
    const auto withCover = [&](const QString &name, const QStringList &inputs, const QStringList &maps, int coverIndex) {
        QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")};
        arguments << inputs << QStringLiteral("-i") << cover << maps;
        arguments << QStringLiteral("-c:v") << QStringLiteral("copy") << QStringLiteral("-c:a") << QStringLiteral("aac")
                  << QStringLiteral("-disposition:v:%1").arg(coverIndex)
                  << QStringLiteral("attached_pic") << QStringLiteral("-t") << QStringLiteral("1") << dir.filePath(name);
        return fixtures::run(QStringLiteral("ffmpeg"), arguments) ? dir.filePath(name) : QString();
    };
    const QString song = withCover(QStringLiteral("song.mp4"),
                                   {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                    QStringLiteral("anullsrc=r=8000:cl=mono")},
                                   {QStringLiteral("-map"), QStringLiteral("0:a"), QStringLiteral("-map"),
                                    QStringLiteral("1:v")},
                                   0);
    const QString covered = withCover(QStringLiteral("covered.mp4"), {QStringLiteral("-i"), clip},
                                      {QStringLiteral("-map"), QStringLiteral("0:v"), QStringLiteral("-map"),
                                       QStringLiteral("1:v")},
                                      1);
    ASSERT_FALSE(song.isEmpty());
    ASSERT_FALSE(covered.isEmpty());

    // Sound with a cover holds no video: no frame, skipped.
    EXPECT_MEMORY_BELOW(peakRiseMiB([&] { frame = VideoFrames::frameAtZero(song); }), 300.0);
    EXPECT_FALSE(frame);
    // A clip with a cover: the clip's own first frame.
    EXPECT_MEMORY_BELOW(peakRiseMiB([&] { frame = VideoFrames::frameAtZero(covered); }), 300.0);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->size(), QSize(64, 48));
}
