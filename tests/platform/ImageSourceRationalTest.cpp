#include "platform/ImageSource.h"

#include "support/ServicesFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::ImageSource;
namespace key = platform::ImageProperty;

// Unsigned rationals use the whole 32-bit range: a numerator or denominator from 2^31 on must not
// turn negative on the way, and nonsense values (a time stamp hour of four billion) must still read
// as the numbers they are.
TEST(ImageSourceRationals, LargeUnsignedRationalsKeepTheirValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("large.jpg");
    ASSERT_TRUE(fixtures::writeImage(path, 32, 24, "JPEG"));
    ASSERT_TRUE(fixtures::writeTags(path,
                                    {{"Exif.Photo.ExposureTime", "1/3000000000"},
                                     {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                                     {"Exif.GPSInfo.GPSLatitude", "3000000000/100000000 30/1 0/1"},
                                     {"Exif.GPSInfo.GPSLongitudeRef", "E"},
                                     {"Exif.GPSInfo.GPSLongitude", "151/1 0/1 0/1"},
                                     {"Exif.GPSInfo.GPSTimeStamp", "4294967295/1 2147483648/1 1/1"}}));

    const ImageSource source(path);
    const auto fast = source.properties();
    const auto plain = source.propertiesByImageReaders();
    ASSERT_TRUE(fast);
    ASSERT_TRUE(plain);
    for (const QVariantMap &props : {*fast, *plain}) {
        const QVariantMap gps = props.value(key::GPSDictionary).toMap();
        EXPECT_NEAR(gps.value("Latitude").toDouble(), 30.5, 1e-9);
        EXPECT_NEAR(gps.value("Longitude").toDouble(), 151.0, 1e-9);
        EXPECT_EQ(gps.value("TimeStamp").toString().toStdString(), "4294967295:2147483648:01.00");
        const QVariantMap exif = props.value(key::ExifDictionary).toMap();
        EXPECT_DOUBLE_EQ(exif.value("ExposureTime").toDouble(), 1.0 / 3000000000.0);
    }

    const auto tags = source.metadataTags();
    ASSERT_TRUE(tags);
    bool sawLatitude = false;
    for (const QVariant &tag : *tags) {
        const QVariantMap map = tag.toMap();
        if (map.value("name").toString() != "GPSLatitude")
            continue;
        sawLatitude = true;
        EXPECT_EQ(map.value("value").toList().value(0).toString().toStdString(), "30");
    }
    EXPECT_TRUE(sawLatitude);
}
