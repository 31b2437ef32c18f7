#include "services/TimeAndPlace.h"

#include "model/ModuleState.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QDateTime kBase(QDate(2021, 5, 1), QTime(12, 0, 0)); // local time

ImageFile photo(std::optional<QDateTime> capture, std::optional<QDateTime> creation = std::nullopt)
{
    ImageFile f;
    f.captureDate = capture;
    f.creationDate = creation;
    return f;
}

ImageFile at(double latitude, double longitude, const char *latRef = "N", const char *lonRef = "E")
{
    ImageFile f = photo(kBase);
    f.latitude = std::abs(latitude);
    f.longitude = std::abs(longitude);
    f.properties = QVariantMap{{"{GPS}",
                                QVariantMap{{"Latitude", std::abs(latitude)},
                                            {"Longitude", std::abs(longitude)},
                                            {"LatitudeRef", latRef},
                                            {"LongitudeRef", lonRef}}}};
    return f;
}

void expectAnswer(const TimeAndPlace &answer, bool sameTime, bool samePlace)
{
    EXPECT_EQ(answer.sameTime, sameTime);
    EXPECT_EQ(answer.samePlace, samePlace);
}

} // namespace

TEST(TimeAndPlace, TimeWindowOnCaptureDatesElseCreationDates)
{
    expectAnswer(timeAndPlaceTest(photo(kBase), photo(kBase.addSecs(1)), 1, 1.0), true, true);
    expectAnswer(timeAndPlaceTest(photo(kBase.addSecs(1)), photo(kBase), 1, 1.0), true, true);
    expectAnswer(timeAndPlaceTest(photo(kBase), photo(kBase.addSecs(2)), 1, 1.0), false, false);
    // A part second does not count: 1.9 s is one whole second.
    expectAnswer(timeAndPlaceTest(photo(kBase), photo(kBase.addMSecs(1900)), 1, 1.0), true, true);
    // One capture date missing: the creation dates of both decide (here the captured one has none).
    expectAnswer(timeAndPlaceTest(photo(kBase), photo(std::nullopt, kBase), 1, 1.0), false, false);
    expectAnswer(timeAndPlaceTest(photo(std::nullopt, kBase), photo(std::nullopt, kBase.addSecs(1)), 1, 1.0), true,
                 true);
    expectAnswer(timeAndPlaceTest(photo(std::nullopt), photo(std::nullopt), 1, 1.0), false, false);
}

TEST(TimeAndPlace, PlaceOnlyWhenBothPositionsAreKnown)
{
    ImageFile noGps = photo(kBase);
    const ImageFile here = at(48.0, 2.0);
    expectAnswer(timeAndPlaceTest(noGps, here, 1, 1.0), true, true);

    const double halfMetre = 0.5 / 111195.08;
    expectAnswer(timeAndPlaceTest(here, at(48.0 + halfMetre, 2.0), 1, 1.0), true, true);
    expectAnswer(timeAndPlaceTest(here, at(48.0 + 10 * halfMetre, 2.0), 1, 1.0), true, false);

    // Too far apart in time: not the same place either, even at one spot.
    ImageFile later = at(48.0, 2.0);
    later.captureDate = kBase.addSecs(60);
    expectAnswer(timeAndPlaceTest(here, later, 1, 1.0), false, false);

    // A latitude without a longitude counts as no position.
    ImageFile partial = photo(kBase);
    partial.latitude = 48.0;
    expectAnswer(timeAndPlaceTest(here, partial, 1, 1.0), true, true);
}

TEST(TimeAndPlace, HemispheresKeepMirroredPositionsApart)
{
    // Same magnitudes on either side of the equator and of the prime meridian.
    expectAnswer(timeAndPlaceTest(at(0.00001, 0.5), at(0.00001, 0.5, "S"), 1, 1.0), true, false);
    expectAnswer(timeAndPlaceTest(at(51.5, 0.00002), at(51.5, 0.00002, "N", "W"), 1, 1.0), true, false);
    expectAnswer(timeAndPlaceTest(at(33.9, 151.2, "S"), at(33.9, 151.2, "S"), 1, 1.0), true, true);
}

TEST(TimeAndPlace, MatchingLevels)
{
    const auto savedTable = localizationTable;
    const int savedThreshold = similarityThreshold;
    localizationTable = QVariantMap{{"IDS_TWK_18", "Two"},  {"IDS_TWK_19", "One"},  {"IDS_TWK_20", "Three"},
                                    {"IDS_TWK_21", "Four"}, {"IDS_TWK_22", "Five"}, {"IDS_TWK_23", 23}};
    const std::pair<int, int> levels[] = {{1, 81}, {2, 85}, {3, 88}, {4, 91}, {5, 94}, {6, 98}};
    for (const auto &[level, threshold] : levels) {
        applyMatchingLevel(level);
        EXPECT_EQ(similarityThreshold, threshold);
    }
    EXPECT_EQ(applyMatchingLevel(1), "One");
    EXPECT_EQ(applyMatchingLevel(2), "Two");
    EXPECT_EQ(applyMatchingLevel(3), "Three");
    EXPECT_EQ(applyMatchingLevel(6), ""); // not text
    EXPECT_EQ(applyMatchingLevel(0), "");
    EXPECT_EQ(applyMatchingLevel(7), "");
    EXPECT_EQ(similarityThreshold, 98);
    localizationTable.reset();
    EXPECT_EQ(applyMatchingLevel(4), "");
    EXPECT_EQ(similarityThreshold, 91);
    localizationTable = savedTable;
    similarityThreshold = savedThreshold;
}

TEST(TimeAndPlace, RealPhotosTakenDaysApartAreNotCompared)
{
    const QString a = "/usr/share/forensics-samples/original-files/pic2/IMG_20191224_234846.jpg";
    const QString b = "/usr/share/forensics-samples/original-files/pic2/IMG_20200124_231153.jpg";
    if (!QFile::exists(a) || !QFile::exists(b))
        GTEST_SKIP() << "forensics-samples-files is not installed";
    const auto first = ImageFile::make(QUrl::fromLocalFile(a));
    const auto second = ImageFile::make(QUrl::fromLocalFile(b));
    expectAnswer(timeAndPlaceTest(*first, *second, 1, 1.0), false, false);
    expectAnswer(timeAndPlaceTest(*first, *first, 1, 1.0), true, true);
    // A month apart in time but about 12 m apart in place: close in time only with a wide window.
    const auto answer = timeAndPlaceTest(*first, *second, 40 * 24 * 3600, 1.0);
    EXPECT_TRUE(answer.sameTime);
    EXPECT_FALSE(answer.samePlace);
    EXPECT_TRUE(timeAndPlaceTest(*first, *second, 40 * 24 * 3600, 100.0).samePlace);
}
