#include "scan/sheet/ScanSheetFactories.h"

#include "platform/widgets/Storyboard.h"
#include "results/AfterDeleteStatusVC.h"
#include "results/NoSimilarDuplicatePhotosFoundVC.h"
#include "results/ScanResultVC.h"
#include "results/grid/ThumbnailVC.h"
#include "results/list/ListViewVC.h"
#include "scan/sheet/AfterMoveInPhotoLibraryVC.h"
#include "scan/sheet/CancelScanningVC.h"
#include "scan/sheet/ScanVC.h"

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
