// Names, paths and metadata come from files the user did not write: every screen shows them as
// they stand, never as markup and never as a keyboard mnemonic.
#include "support/ResultsScreenFixtures.h"
#include "support/ScanFixtures.h"

#include "platform/widgets/Alerts.h"
#include "screens/preferences/ExcludedPreferencesVC.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/QuickLook.h"
#include "screens/results/grid/ResultItem.h"
#include "screens/results/grid/ThumbnailVC.h"

#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <exiv2/exiv2.hpp>

using namespace scansheet_test;

namespace {

const QString kMarkupMake = QStringLiteral("<h1>BIG</h1> <img src=x>");

// Writes the camera maker, a GPS latitude in degrees, minutes and seconds, and a GPS date stamp
// into the file's Exif block, as a camera does.
bool writeHostileExif(const QString &path)
{
    return scanfixtures::editExif(path, [](Exiv2::ExifData &exif) {
        exif["Exif.Image.Make"] = kMarkupMake.toStdString();
        auto latitude = Exiv2::Value::create(Exiv2::unsignedRational);
        latitude->read("49/1 49/1 19056/1000");
        exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), latitude.get());
        exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string("N");
        exif["Exif.GPSInfo.GPSDateStamp"] = std::string("2024:07:14");
    });
}

// Every label under `root` whose text could be read as markup shows it as plain text.
void expectNoLabelReadsMarkup(QWidget *root)
{
    for (QLabel *label : root->findChildren<QLabel *>()) {
        if (label->text().contains(QLatin1Char('<'))) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText)
                << qPrintable(label->objectName()) << ": " << qPrintable(label->text());
        }
    }
}

class UntrustedTextTest : public ResultsScreenTestBase
{
};

} // namespace

TEST_F(UntrustedTextTest, FileDetailsShowNamesPathsAndMetadataAsText)
{
    const QString file = writePhoto(QStringLiteral("<i>trip/<b>holiday.jpg"), 5);
    ASSERT_TRUE(writeHostileExif(file));
    FilePropertiesVC panel;
    panel.image = record(file);
    panel.showFileProperties();
    auto value = [&](const char *name) { return panel.outlet(QLatin1String(name)); };

    EXPECT_EQ(value("lblValueName")->text(), QStringLiteral("<b>holiday.jpg"));
    EXPECT_EQ(value("lblValueFilePath")->text(), file);
    EXPECT_EQ(value("lblValueCameraMaker")->text(), kMarkupMake);
    expectNoLabelReadsMarkup(&panel);
    panel.resize(320, 900);
    shoot(&panel, QStringLiteral("file-details-untrusted"));

    // Degrees, minutes and seconds read as the number they are, written in its shortest form; the
    // date taken comes from the GPS date stamp.
    EXPECT_EQ(value("lblValueLatitude")->text(), QStringLiteral("49.82196"));
    EXPECT_EQ(value("lblValueDateTaken")->text(), QStringLiteral("2024:07:14"));
}

TEST_F(UntrustedTextTest, TheResultsScreenShowsMarkupNamesAsText)
{
    const QString first = writePhoto(QStringLiteral("<i>a/<b>holiday.jpg"), 8);
    ASSERT_TRUE(writeHostileExif(first));
    const ImageGroups groups{{record(first), record(copyFile(first, QStringLiteral("<i>b/<b>holiday.jpg")))}};
    ScanResultVC *screen = feedResults(groups, QRect(0, 0, 1200, 760));
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("kMouseHoverEnterThumbnail"),
                                                       {{"section", "0"}, {"row", "1"}});
    auto *details = qobject_cast<FilePropertiesVC *>(filePropertiesVC());
    ASSERT_TRUE(details);
    ASSERT_EQ(details->outlet(QStringLiteral("lblValueName"))->text(), QStringLiteral("<b>holiday.jpg"));
    expectNoLabelReadsMarkup(screen);
    expectNoLabelReadsMarkup(details);
    shoot(screen->window(), QStringLiteral("results-untrusted"));
}

TEST_F(UntrustedTextTest, MenuTitlesKeepTheAmpersandsOfFileNames)
{
    const QString first = writePhoto(QStringLiteral("a/R&D.jpg"), 6);
    const ImageGroups groups{{record(first), record(copyFile(first, QStringLiteral("b/Tom & Jerry.jpg")))}};
    feedResults(groups, QRect(0, 0, 1000, 700));
    ThumbnailVC *grid = thumbnailVC();

    auto titles = [](QMenu *menu) {
        QStringList all;
        for (QAction *action : menu->actions())
            all << action->text();
        return all;
    };
    for (int member = 0; member < 2; ++member) {
        const QString name = member == 0 ? QStringLiteral("R&D.jpg") : QStringLiteral("Tom & Jerry.jpg");
        std::unique_ptr<ResultItem> item = grid->makeItem(0, member);
        std::unique_ptr<QMenu> menu(item->buildMenu(nullptr));
        QString title;
        for (const QString &text : titles(menu.get()))
            if (text.contains(QStringLiteral("'")))
                title = text;
        // The "&" is doubled, so it is drawn and no letter becomes a mnemonic.
        EXPECT_TRUE(title.endsWith(QStringLiteral("'")
                                   + QString(name).replace(QStringLiteral("&"), QStringLiteral("&&"))
                                   + QStringLiteral("'")))
            << qPrintable(title);
        EXPECT_TRUE(QKeySequence::mnemonic(title).isEmpty()) << qPrintable(title);
    }
}

TEST_F(UntrustedTextTest, AlertsPreviewAndFolderListsShowTextAsText)
{
    // The shared alert: its informative text is plain text too (the box does not pass its text
    // format on to that label).
    bool seen = false;
    QTimer::singleShot(50, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible())
                continue;
            seen = true;
            expectNoLabelReadsMarkup(box);
            box->buttons().first()->click();
        }
    });
    showAlert(QStringLiteral("<b>message"), QStringLiteral("<b>holiday.jpg</b> could not be moved"));
    EXPECT_TRUE(seen);

    // The preview window names a file it cannot show, in its text (over the reason) and its title.
    const QString broken = path(QStringLiteral("<b>broken[*].jpg"));
    {
        QFile out(broken);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("not a picture");
    }
    QuickLook &preview = QuickLook::shared();
    preview.previewItem(QUrl::fromLocalFile(broken));
    auto *message = preview.findChild<QLabel *>(QStringLiteral("quickLookMessage"));
    ASSERT_TRUE(message);
    // The picture is decoded off the GUI thread; the name shows once the decode has failed.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !message->text().isEmpty(); }, 5000));
    EXPECT_EQ(message->text().section(QLatin1Char('\n'), 0, 0), QStringLiteral("<b>broken[*].jpg"));
    expectNoLabelReadsMarkup(&preview);
    ASSERT_TRUE(preview.windowHandle());
    EXPECT_EQ(preview.windowHandle()->title(), QStringLiteral("<b>broken[*].jpg"));

    // A folder list's tool tip shows the path itself.
    const QString folder = path(QStringLiteral("<b>kept"));
    excludedFolders.clear();
    excludedFolders.emplace_back(QUrl::fromLocalFile(folder));
    ExcludedPreferencesVC pane;
    pane.reloadData();
    ASSERT_EQ(pane.tableView->rowCount(), 1);
    QTextDocument shown;
    shown.setHtml(pane.tableView->item(0, 0)->toolTip());
    EXPECT_EQ(shown.toPlainText(), folder);
    excludedFolders.clear();
}
