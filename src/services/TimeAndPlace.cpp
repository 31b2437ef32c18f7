#include "services/TimeAndPlace.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Geo.h"

#include <cmath>
#include <cstdlib>

void isCloseInTimeAndPlace(const ImageFile &first, const ImageFile &second, int timeThresholdSeconds,
                           double distanceThresholdMetres, bool &sameTime, bool &samePlace)
{
    std::optional<QDateTime> date1, date2;
    if (first.captureDate && second.captureDate) {
        date1 = first.captureDate;
        date2 = second.captureDate;
    } else {
        date1 = first.creationDate;
        date2 = second.creationDate;
    }
    if (!date1 || !date2 || !date1->isValid() || !date2->isValid())
        return;

    // Whole seconds from the first date to the second (a part second does not count).
    const qint64 seconds = (date2->toMSecsSinceEpoch() - date1->toMSecsSinceEpoch()) / 1000;
    sameTime = std::llabs(seconds) <= qint64(timeThresholdSeconds);
    if (!sameTime)
        return;

    const auto lat1 = first.signedLatitude();
    const auto lon1 = first.signedLongitude();
    const auto lat2 = second.signedLatitude();
    const auto lon2 = second.signedLongitude();
    if (!lat1 || !lon1 || !lat2 || !lon2) {
        samePlace = true;
        return;
    }
    const double distance = platform::geoDistanceMetres(*lat1, *lon1, *lat2, *lon2);
    samePlace = std::fabs(distance) <= distanceThresholdMetres;
}

TimeAndPlace timeAndPlaceTest(const ImageFile &first, const ImageFile &second, int timeThresholdSeconds,
                              double distanceThresholdMetres)
{
    TimeAndPlace answer;
    isCloseInTimeAndPlace(first, second, timeThresholdSeconds, distanceThresholdMetres, answer.sameTime,
                          answer.samePlace);
    return answer;
}

TimeAndPlace timeAndPlaceTest(const ImageFile &first, const ImageFile &second)
{
    return timeAndPlaceTest(first, second, timeThreshold, distanceThreshold);
}

QString applyMatchingLevel(int level)
{
    struct Level {
        int threshold;
        const char *key;
    };
    static constexpr Level levels[] = {
        {81, "IDS_TWK_19"}, {85, "IDS_TWK_18"}, {88, "IDS_TWK_20"},
        {91, "IDS_TWK_21"}, {94, "IDS_TWK_22"}, {98, "IDS_TWK_23"},
    };
    if (level < 1 || level > 6)
        return QString();
    const Level &chosen = levels[level - 1];
    similarityThreshold = chosen.threshold;
    return localizedText(QString::fromLatin1(chosen.key));
}

int positionOfThreshold(int threshold)
{
    static constexpr int levels[] = {81, 85, 88, 91, 94, 98};
    for (int i = 0; i < 6; ++i)
        if (levels[i] == threshold)
            return i + 1;
    return 0;
}
