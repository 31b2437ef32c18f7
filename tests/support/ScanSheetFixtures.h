#pragma once

// Test environment of the scan sheet and the result screens: the display-free environment of
// DeletionFixtures.h (temporary home and data folder, settings, Photos album store, language
// table), a harness window to present sheets over, and a recorder of the navigation notifications.

#include "support/DeletionFixtures.h"

#include "screens/shell/AllViewControllers.h"
#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QMap>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace scansheet_test {

// Counts and orders the notifications the sheet and the screens post.
class NotificationRecorder : public QObject
{
public:
    explicit NotificationRecorder(const QStringList &names)
    {
        for (const QString &name : names)
            platform::NotificationCenter::defaultCenter().addObserver(this, name,
                                                                      [this](const platform::Notification &n) {
                                                                          posted.append(n.name);
                                                                          last[n.name] = n.userInfo;
                                                                      });
    }
    int count(const QString &name) const { return int(posted.count(name)); }
    QStringList posted;
    QMap<QString, QVariantMap> last;
};

inline QStringList navigationNames()
{
    return {QStringLiteral("callVCFromScanVC"),        QStringLiteral("SelectedFiles"),
            QStringLiteral("NoSimilarPhotosFound"),    QStringLiteral("hideTopBlackLayer"),
            QStringLiteral("closeToExitVC"),           QStringLiteral("presentAfterDeleteView"),
            QStringLiteral("AfterMoveInPhotoLibrary"), QStringLiteral("kDisableScanButtonControlNotification")};
}

using deletion_test::setImmutable;

class SheetTestBase : public deletion_test::DeletionTestBase
{
protected:
    void SetUp() override
    {
        DeletionTestBase::SetUp();
        if (HasFatalFailure())
            return;
        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("harnessWindow"));
        window->resize(1000, 700);
        window->show();
    }

    void TearDown() override
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->inherits("QMessageBox"))
                w->close();
        AllViewControllers::releaseAll();
        window.reset();
        DeletionTestBase::TearDown();
    }

    // Saves a picture of a widget when TWINSIFT_SHOT_DIR names a folder.
    static void shoot(QWidget *widget, const QString &name)
    {
        const QString folder = qEnvironmentVariable("TWINSIFT_SHOT_DIR");
        if (folder.isEmpty() || !widget)
            return;
        QDir().mkpath(folder);
        QApplication::processEvents(); // layouts settle before the picture is taken
        widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    std::unique_ptr<QWidget> window;
};

} // namespace scansheet_test
