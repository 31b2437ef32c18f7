#include "screens/sheet/ScanSheetFactories.h"
#include "screens/shell/ScreenNames.h"

#include "platform/widgets/Storyboard.h"
#include "screens/results/AfterDeleteStatusVC.h"
#include "screens/results/NoSimilarDuplicatePhotosFoundVC.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/sheet/AfterMoveInPhotoLibraryVC.h"
#include "screens/sheet/CancelScanningVC.h"
#include "screens/sheet/ScanVC.h"

void registerScanSheetFactories(platform::Storyboard &board)
{
    board.registerFactory(ScreenName::scan, [] { return new ScanVC; });
    board.registerFactory(ScreenName::cancelScanning, [] { return new CancelScanningVC; });
    board.registerFactory(ScreenName::afterMoveInPhotoLibrary, [] { return new AfterMoveInPhotoLibraryVC; });
    board.registerFactory(ScreenName::scanResult, [] { return new ScanResultVC; });
    board.registerFactory(ScreenName::thumbnail, [] { return new ThumbnailVC; });
    board.registerFactory(ScreenName::listView, [] { return new ListViewVC; });
    board.registerFactory(ScreenName::afterDeleteStatus, [] { return new AfterDeleteStatusVC; });
    board.registerFactory(ScreenName::noSimilarDuplicatePhotosFound,
                          [] { return new NoSimilarDuplicatePhotosFoundVC; });
}
