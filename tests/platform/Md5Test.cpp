#include "platform/Md5.h"

#include "support/ServicesFixtures.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using platform::Md5;

TEST(Md5, PublishedDigests)
{
    EXPECT_EQ(Md5::hex(QByteArray()), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5::hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5::hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(Md5, FileDigestAcrossChunkBoundaries)
{
    QTemporaryDir dir;
    QByteArray data;
    for (int i = 0; i < int(Md5::kChunkSize) * 2 + 17; ++i)
        data.append(char(i * 31 % 251));
    const QString path = dir.filePath("big.bin");
    ASSERT_TRUE(fixtures::writeFile(path, data));
    const auto result = Md5::ofFile(path);
    ASSERT_EQ(result.status, Md5::FileStatus::Done);
    EXPECT_EQ(result.hex, QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex()));

    const QString empty = dir.filePath("empty.bin");
    ASSERT_TRUE(fixtures::writeFile(empty, {}));
    EXPECT_EQ(Md5::ofFile(empty).hex, "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5, StopMissingFileAndReadErrorAreNotDigests)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f.bin");
    ASSERT_TRUE(fixtures::writeFile(path, "data"));
    EXPECT_EQ(Md5::ofFile(path, [] { return true; }).status, Md5::FileStatus::Stopped);

    // Stop requested while the last chunk was read still counts as stopped.
    int asks = 0;
    EXPECT_EQ(Md5::ofFile(path, [&] { return ++asks > 2; }).status, Md5::FileStatus::Stopped);

    EXPECT_EQ(Md5::ofFile(dir.filePath("missing")).status, Md5::FileStatus::OpenFailed);
    EXPECT_NE(Md5::ofFile(dir.path()).status, Md5::FileStatus::Done);
    // Reading this process's memory at offset 0 fails with an I/O error after a successful open.
    const auto memory = Md5::ofFile("/proc/self/mem");
    EXPECT_NE(memory.status, Md5::FileStatus::Done);
    EXPECT_TRUE(memory.hex.isEmpty());

    // A pipe with no writer in the file's place is refused at once, never waited on.
    const QByteArray pipe = QFile::encodeName(dir.filePath("pipe.bin"));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    auto digest = std::async(std::launch::async, [&] { return Md5::ofFile(QFile::decodeName(pipe)).status; });
    const bool answered = digest.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    while (digest.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        ::close(::open(pipe.constData(), O_RDWR | O_NONBLOCK)); // releases a reader stuck on it
    EXPECT_TRUE(answered);
    EXPECT_EQ(digest.get(), Md5::FileStatus::OpenFailed);
}
