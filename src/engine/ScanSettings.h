#pragma once

#include <QStringList>

// The settings a scan reads, copied once when the scan starts so that nothing changed meanwhile
// (a preferences pane, the similarity settings) can reach the running worker.
struct ScanSettings {
    QStringList scanExtensions;     // extensions collected (compared with the lower-cased extension)
    QStringList imageExtensions;    // extensions taken for photos; any other collected one is a video
    quint64 minimumFileSize = 1024; // only files strictly larger are collected
    bool scanVideos = false;        // "ScanVideoFilesInExactMatchTWK" holds the integer 1
    int hashBitmapSize = 72;        // pixels per side of the perceptual-hash bitmap
    int timeThreshold = 1;          // seconds between two similar photos
    double distanceThreshold = 1.0; // metres between two similar photos with GPS positions
    int matchingLevel = 81;         // percent: the level the results of a similar scan open at

    // The current program settings: the module's scan lists and similarity settings, the minimum
    // size and the video switch from the user defaults.
    static ScanSettings snapshot();
    // The settings of a fresh installation (every extension, minimum size 1024, videos off,
    // similarity settings 72, 1 s, 1 m, level 81).
    static ScanSettings defaults();
};
