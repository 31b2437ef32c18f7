#pragma once

#include "model/ImageFile.h"

#include <QString>

// Answer of the time-and-place test for one pair of files.
struct TimeAndPlace {
    bool sameTime = false;
    bool samePlace = false;
};

// Were the two files taken close enough together, in time and in place, to be compared by their
// hashes? Time: the two capture dates, else the two creation dates (never one of each); no
// complete pair gives (false, false). Place (only tested when the time matches): true when any
// position is missing, else the great-circle distance of the signed positions is at most
// distanceThreshold metres. Reads nothing shared; safe on the scan worker.
TimeAndPlace timeAndPlaceTest(const ImageFile &first, const ImageFile &second, int timeThresholdSeconds,
                              double distanceThresholdMetres);
// The same with the current module thresholds (timeThreshold, distanceThreshold).
TimeAndPlace timeAndPlaceTest(const ImageFile &first, const ImageFile &second);

// The test itself: sets the two flags (which the caller has set to false).
void isCloseInTimeAndPlace(const ImageFile &first, const ImageFile &second, int timeThresholdSeconds,
                           double distanceThresholdMetres, bool &sameTime, bool &samePlace);

// Matching-level slider position (1..6) -> sets similarityThreshold (81, 85, 88, 91, 94, 98) and
// returns the level's caption; a position outside 1..6 changes nothing and returns "".
QString applyMatchingLevel(int level);
// The slider position (1..6) of a matching level in percent, 0 for any other value.
int positionOfThreshold(int threshold);
