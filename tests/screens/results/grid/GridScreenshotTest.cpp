// The results grid on a 1280 x 720 screen, as the user sees it at every scaling the screen checks
// run (100 %, 150 %, 200 %): thumbnails sharp at the screen's pixel ratio, headers, check boxes and
// lock badges inside their cells, the context menu on the screen, the file details and the preview
// window. Set TWINSIFT_SHOT_DIR to keep the pictures.
#include "support/ResultsScreenFixtures.h"

#include "screens/results/FilePropertiesVC.h"
#include "model/TextLookup.h"
#include "screens/results/HeaderView.h"
#include "screens/results/QuickLook.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ResultIcons.h"
#include "screens/results/grid/ResultItem.h"
#include "screens/results/grid/ThumbnailLoader.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "services/ProtectionCommands.h"
#include "support/HostileFiles.h"
#include "support/ServicesFixtures.h"

#include <QBuffer>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

#include <tuple>

using namespace scansheet_test;

namespace {

class WindowFitResultsGrid : public ResultsScreenTestBase
{
protected:
    void SetUp() override
    {
        ResultsScreenTestBase::SetUp();
        platform::UserDefaults::standard().setBool(QStringLiteral("IsVisibleSettingTooltips"), false);
        window->resize(1280, 720);
    }

    // A 1200 x 900 photo of coloured shapes and fine lines (blur shows on them at once).
    QString writeLargePhoto(const QString &relative, quint32 seed)
    {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QImage image(1200, 900, QImage::Format_RGB32);
        QRandomGenerator random(seed);
        image.fill(QColor::fromRgb(random.generate()));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int k = 0; k < 10; ++k) {
            painter.setBrush(QColor::fromRgb(random.generate()));
            painter.drawEllipse(QPoint(random.bounded(1200), random.bounded(900)), random.bounded(60, 400),
                                random.bounded(60, 300));
        }
        painter.setPen(QPen(Qt::white, 2));
        for (int x = 0; x < 1200; x += 24)
            painter.drawLine(x, 0, x, 120);
        painter.end();
        EXPECT_TRUE(image.save(file, "JPEG", 90));
        return file;
    }

    ThumbnailVC *showResults(const ImageGroups &groups)
    {
        feedResults(groups);
        return thumbnailVC();
    }

    static bool visibleThumbnailsReady(ThumbnailVC *grid)
    {
        for (const auto &[s, i] : grid->collectionView->visibleItems())
            if (grid->thumbnailLoader()->imageFor(*grid->imageDirectories()[size_t(s)][size_t(i)], 1).isNull())
                return false;
        return true;
    }

    // A JPEG whose frame header states 10,000 x 6,000 pixels and whose quantization tables are
    // missing: its header reads, its decoder fails.
    static QByteArray jpegWithoutTables()
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(image.save(&buffer, "JPEG"));
        QByteArray out = jpeg.left(2);
        for (qsizetype at = 2; at + 4 <= jpeg.size();) {
            const quint8 marker = quint8(jpeg[at + 1]);
            const qsizetype length = 2 + (quint8(jpeg[at + 2]) << 8 | quint8(jpeg[at + 3]));
            if (marker == 0xDA)
                return out + jpeg.mid(at);
            QByteArray segment = jpeg.mid(at, length);
            if (marker == 0xC0)
                segment.replace(5, 4, QByteArray::fromHex("17702710")); // 6000 rows of 10000
            if (marker != 0xDB)
                out += segment;
            at += length;
        }
        return {};
    }

    // Every visible child of `outer` lies wholly inside it.
    static void expectChildrenInside(QWidget *outer, const char *what)
    {
        for (QWidget *child : outer->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(outer)) {
                EXPECT_TRUE(outer->rect().contains(child->geometry()))
                    << what << ": " << child->objectName().toStdString() << " is cut off";
            }
        }
    }
};

} // namespace

TEST_F(WindowFitResultsGrid, GridHeadersMenuDetailsAndPreviewAreSharpAndWhole)
{
    ImageGroups groups;
    for (int g = 0; g < 4; ++g) {
        const QString first = writeLargePhoto(QStringLiteral("g%1/a.jpg").arg(g), quint32(g + 1));
        ImageGroup group{record(first)};
        for (int r = 1; r < 3; ++r)
            group.push_back(record(copyFile(first, QStringLiteral("g%1/sub/copy%2.jpg").arg(g).arg(r))));
        groups.push_back(group);
    }
    ThumbnailVC *grid = showResults(groups);
    ResultState &state = ResultState::shared();
    ASSERT_EQ(state.shownGroupCount(), 4);
    ResultCommands::setFileProtection(state, 0, 2, true); // a lock badge in place of a check box
    grid->tappedCheckBox(0, 1);                           // a ticked check box
    ASSERT_TRUE(state.isMarked(0, 1));
    grid->reloadData();
    ASSERT_TRUE(waitFor([&] { return visibleThumbnailsReady(grid); }));
    QApplication::processEvents();

    // The thumbnails are decoded for the screen's pixels, not the logical ones.
    const qreal dpr = grid->devicePixelRatioF();
    const QImage thumb = grid->thumbnailLoader()->imageFor(*groups[0][0], 1);
    const int cellPixels = int((grid->itemSize().width() - 2) * dpr);
    EXPECT_GE(std::max(thumb.width(), thumb.height()), cellPixels * 9 / 10) << "dpr " << dpr;

    // Headers show their title, count and buttons whole.
    auto *header = qobject_cast<HeaderView *>(grid->collectionView->headerForSection(0));
    ASSERT_NE(header, nullptr);
    expectChildrenInside(header, "group header");
    EXPECT_GE(header->sectionTitle->width(), header->sectionTitle->sizeHint().width());
    // Check boxes lie inside their cells.
    const QRect cell = grid->collectionView->visualItemRect(0, 0);
    EXPECT_TRUE(cell.contains(grid->checkBoxArea(cell)));
    shoot(results, QStringLiteral("results-grid"));

    // The context menu fits a 1280 x 720 screen.
    std::unique_ptr<ResultItem> item = grid->makeItem(0, 0);
    std::unique_ptr<QMenu> menu(item->buildMenu(nullptr));
    const QSize screen(1280, 720);
    EXPECT_LE(menu->sizeHint().height(), screen.height());
    EXPECT_LE(menu->sizeHint().width(), screen.width() / 2);
    shoot(menu.get(), QStringLiteral("results-grid-menu"));

    // The details panel shows its values whole.
    auto *details = qobject_cast<FilePropertiesVC *>(filePropertiesVC());
    ASSERT_NE(details, nullptr);
    grid->showFileOnHover(1, 0);
    QApplication::processEvents();
    EXPECT_EQ(details->outlet(QStringLiteral("lblValueDimensions"))->text(), QStringLiteral("1200 x 900"));
    shoot(details, QStringLiteral("results-details"));

    // The preview window fits the screen and draws the photo at the screen's pixel ratio (with
    // every pixel it has, when it has fewer than the window shows it on).
    QuickLook &preview = QuickLook::shared();
    preview.previewItem(*groups[1][0]->url);
    ASSERT_TRUE(waitFor([&] { return !preview.isDecoding(); }));
    EXPECT_LE(preview.frameGeometry().width(), screen.width());
    EXPECT_LE(preview.frameGeometry().height(), screen.height());
    auto *picture = preview.findChild<QWidget *>(QStringLiteral("quickLookPicture"));
    ASSERT_NE(picture, nullptr);
    const QImage &shown = preview.fittedPicture();
    EXPECT_DOUBLE_EQ(shown.devicePixelRatio(), preview.devicePixelRatioF());
    EXPECT_GE(shown.width(), std::min(1200, int(picture->width() * preview.devicePixelRatioF()) - 1));
    // Fitted to the window it shows in, not to the size it had before its layout ran.
    const QSize room = QSize(1200, 900).scaled(preview.size(), Qt::KeepAspectRatio);
    EXPECT_GE(picture->width(), room.width() * 9 / 10);
    shoot(&preview, QStringLiteral("results-preview"));
    preview.close();

    // A TIFF left out as too large with fewer pixels than the cap (its fields would take a
    // gigabyte) and a damaged JPEG of more (60 MP): each card shows its mark and tells the log's
    // reason, as the preview does, within the panel's margins.
    const QString tiff = path(QStringLiteral("left-out/layers.tif"));
    const QString jpeg = path(QStringLiteral("left-out/broken.jpg"));
    QDir().mkpath(QFileInfo(tiff).absolutePath());
    ASSERT_TRUE(hostile::writeTiffWithHugeField(tiff, hostile::kGiB));
    ASSERT_TRUE(fixtures::writeFile(jpeg, jpegWithoutTables()));
    grid = showResults({{record(tiff), record(jpeg)}});
    ThumbnailLoader *loader = grid->thumbnailLoader();
    ASSERT_TRUE(waitFor([&] { return loader->unshownOutcome(tiff) && loader->unshownOutcome(jpeg); }));
    QApplication::processEvents();
    shoot(results, QStringLiteral("results-grid-unshown"));
    const QImage cards = grid->collectionView->viewport()->grab().toImage();
    using Reason = platform::DecodeOutcome::Reason;
    for (const auto &[row, path, reason, text] :
         {std::tuple{0, tiff, Reason::TooLarge, QStringLiteral("IDS_TWK_8904")},
          std::tuple{1, jpeg, Reason::Damaged, QStringLiteral("IDS_TWK_8903")}}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(loader->unshownOutcome(path)->reason(), reason);
        const QRect card = grid->collectionView->visualItemRect(0, row);
        EXPECT_EQ(grid->toolTipAt(card.center() - QPoint(0, 20)), localizedText(text));
        // The mark is drawn in the middle of the thumbnail, not a blank square.
        const QRect middle = QRect(card.center() - QPoint(30, 50), QSize(60, 60));
        int marked = 0;
        const qreal dpr = cards.devicePixelRatio();
        for (int y = middle.top(); y <= middle.bottom(); ++y)
            for (int x = middle.left(); x <= middle.right(); ++x)
                marked += cards.pixelColor(QPoint(int(x * dpr), int(y * dpr))) != ResultIcons::thumbnailBackground();
        EXPECT_GT(marked, 100);

        grid->showFileOnHover(0, row);
        ResultPreview *shown = results->preview;
        const quint64 request = shown->requestNumber();
        ASSERT_TRUE(waitFor([&] { return shown->shownRequestNumber() == request; }));
        EXPECT_EQ(shown->imgPreview->text(), QFileInfo(path).fileName() + QLatin1Char('\n') + localizedText(text));
        shoot(shown, QStringLiteral("results-preview-") + QFileInfo(path).fileName());
        // The text keeps 8 pixels or more from the panel's edges (its rounded corners aside).
        const QImage panel = shown->grab().toImage();
        int left = panel.width(), right = -1;
        for (int y = panel.height() / 4; y < panel.height() * 3 / 4; ++y)
            for (int x = 2; x < panel.width() - 2; ++x) // the partly covered pixels of its edges aside
                if (panel.pixelColor(x, y).lightness() > 120) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        ASSERT_GE(right, 0);
        EXPECT_GE(left / dpr, 8.0);
        EXPECT_LE(right / dpr, shown->width() - 8.0);
    }
}
