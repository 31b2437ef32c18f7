#pragma once

namespace platform {
class Storyboard;
}

// Registers the scan sheet, its two small sheets and the result screens under their identifiers
// ("Scan", "CancelScanning", "AfterMoveInPhotoLibrary", "ScanResult", "Thumbnail", "ListView",
// "AfterDeleteStatus", "NoSimilarDuplicatePhotosFound") in the storyboard "Main".
void registerScanSheetFactories(platform::Storyboard &mainStoryboard);
