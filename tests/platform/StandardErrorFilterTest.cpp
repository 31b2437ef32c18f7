// libpng's own lines on standard error, as Qt's PNG reader leaves them, and the filter that keeps
// them off while every other line passes.
#include "platform/StandardErrorFilter.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

// A PNG whose picture data fails its check sum, so that libpng gives up with an error.
QByteArray damagedPng()
{
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    const int data = png.indexOf("IDAT") + 6;
    png[data] = char(png[data] ^ 0x5a);
    return png;
}

void decodeAndSay(bool filtered)
{
    if (filtered)
        platform::filterLibraryLinesFromStandardError();
    std::fprintf(stderr, "before the picture\n");
    QImage decoded;
    decoded.loadFromData(damagedPng(), "PNG");
    std::fprintf(stderr, "after the picture%s\n", decoded.isNull() ? "" : " (read)");
    std::fprintf(stderr, "a last line without its end");
    std::exit(0);
}

} // namespace

TEST(StandardErrorFilter, LibpngsOwnLinesStayOffAndEverythingElsePassesInOrder)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    using ::testing::AllOf;
    using ::testing::HasSubstr;
    using ::testing::Not;
    // Unfiltered, the damaged picture makes libpng speak for itself.
    EXPECT_EXIT(decodeAndSay(false), ::testing::ExitedWithCode(0), HasSubstr("libpng error: "));
    EXPECT_EXIT(decodeAndSay(true), ::testing::ExitedWithCode(0),
                AllOf(HasSubstr("before the picture\nafter the picture\na last line without its end"),
                      Not(HasSubstr("libpng"))));
    EXPECT_TRUE(platform::isLibraryNoiseLine("libpng warning: iCCP: known incorrect sRGB profile", 51));
    EXPECT_FALSE(platform::isLibraryNoiseLine("Left out /photos/libpng error: .png", 36));
}
