#include "screens/sheet/ScanSheetFactories.h"

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
    board.registerFactory(QStringLiteral("Scan"), [] { return new ScanVC; });
    board.registerFactory(QStringLiteral("CancelScanning"), [] { return new CancelScanningVC; });
    board.registerFactory(QStringLiteral("AfterMoveInPhotoLibrary"), [] { return new AfterMoveInPhotoLibraryVC; });
    board.registerFactory(QStringLiteral("ScanResult"), [] { return new ScanResultVC; });
    board.registerFactory(QStringLiteral("Thumbnail"), [] { return new ThumbnailVC; });
    board.registerFactory(QStringLiteral("ListView"), [] { return new ListViewVC; });
    board.registerFactory(QStringLiteral("AfterDeleteStatus"), [] { return new AfterDeleteStatusVC; });
    board.registerFactory(QStringLiteral("NoSimilarDuplicatePhotosFound"),
                          [] { return new NoSimilarDuplicatePhotosFoundVC; });
}
