#pragma once

// The results screen as a scan leaves it: tests feed it groups through "SelectedFiles" and drive
// the grid or the list inside the test window.
#include "support/ScanSheetFixtures.h"

#include "model/ModuleState.h"
#include "screens/results/QuickLook.h"
#include "screens/results/ScanResultVC.h"

namespace scansheet_test {

class ResultsScreenTestBase : public SheetTestBase
{
protected:
    void SetUp() override
    {
        SheetTestBase::SetUp();
        auto &defaults = platform::UserDefaults::standard();
        defaults.setBool(QStringLiteral("IsThumbnailSelected"), true);
        defaults.setBool(QStringLiteral("ISSliderAvailable"), false);
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        similarityThreshold = 81;
    }
    void TearDown() override
    {
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        QuickLook::shared().close();
        SheetTestBase::TearDown();
    }

    // The results screen in the test window at `area` (the whole window when empty), given
    // `groups` as a similar scan delivers them.
    ScanResultVC *feedResults(const ImageGroups &groups, const QRect &area = QRect())
    {
        results = qobject_cast<ScanResultVC *>(scanResultVC());
        results->setParent(window.get());
        results->setGeometry(area.isEmpty() ? window->rect() : area);
        results->show();
        platform::NotificationCenter::defaultCenter().post(
            QStringLiteral("SelectedFiles"),
            {{QStringLiteral("data"), QVariant::fromValue(groups)}, {QStringLiteral("isSimilarScan"), true}});
        QApplication::processEvents();
        return results;
    }

    // `groups` groups of `size` byte-identical photos: g<group>/p0.jpg and copies under g<group>/sub.
    ImageGroups photoGroups(int groups, int size)
    {
        ImageGroups result;
        for (int g = 0; g < groups; ++g) {
            ImageGroup group;
            const QString first = writePhoto(QStringLiteral("g%1/p0.jpg").arg(g), quint32(g + 1));
            group.push_back(record(first));
            for (int r = 1; r < size; ++r)
                group.push_back(record(copyFile(first, QStringLiteral("g%1/sub/p%2.jpg").arg(g).arg(r))));
            result.push_back(group);
        }
        return result;
    }

    ScanResultVC *results = nullptr;
};

} // namespace scansheet_test
