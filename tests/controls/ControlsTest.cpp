#include "screens/shell/AllViewControllers.h"
#include "controls/AddFilesTableCell.h"
#include "controls/SYFlatButton.h"
#include "controls/CustomScroller.h"
#include "controls/CustomSliderCell.h"
#include "controls/CustomSliderCellWithTickMarks.h"
#include "controls/CustomTableScroller.h"
#include "controls/CustomTextFieldCell.h"
#include "controls/DashedView.h"
#include "controls/DashedViewAlert.h"
#include "controls/DropView.h"
#include "controls/Editing.h"
#include "controls/HyperlinkTextField.h"
#include "controls/MyNSTableRowView.h"
#include "controls/PaddedTextField.h"
#include "model/Palette.h"
#include "controls/TableScrollView.h"
#include "controls/ThemedScrollView.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QRegularExpression>
#include <QDir>
#include <QEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QUrl>
#include <QWheelEvent>
#include <gtest/gtest.h>

using platform::NotificationCenter;
using platform::UserDefaults;

namespace {

class ControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // No scan list of the screen registry may answer the drops posted here.
        AllViewControllers::releaseAll();
        ASSERT_TRUE(dir.isValid());
        UserDefaults::standard().setFilePath(dir.filePath("defaults.json"));
        UserDefaults::standard().reset();
        UserDefaults::standard().setBool("IsPopUpTWK", false);
    }
    void TearDown() override { NotificationCenter::defaultCenter().removeObserver(&owner); }

    QStringList observe(const QString &name)
    {
        NotificationCenter::defaultCenter().addObserver(&owner, name, [this](const platform::Notification &n) {
            posted.append(n.name);
            lastInfo = n.userInfo;
        });
        return posted;
    }

    QTemporaryDir dir;
    QObject owner;
    QStringList posted;
    QVariantMap lastInfo;
};

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos)
{
    QMouseEvent event(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void sendWheel(QWidget *w)
{
    QWheelEvent event(QPointF(10, 10), w->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

} // namespace

// ---- sliders ----

TEST(SliderGeometryTest, FilledWidthRunsFromNothingToEightShortOfTheFrame)
{
    EXPECT_DOUBLE_EQ(CustomSliderCell::filledWidth(1, 1, 6, 120), 0.0);
    EXPECT_DOUBLE_EQ(CustomSliderCell::filledWidth(6, 1, 6, 120), 112.0);
    EXPECT_DOUBLE_EQ(CustomSliderCell::filledWidth(3.5, 1, 6, 120), 56.0);
    // Equal bounds give an empty bar instead of a division by zero; out-of-range values clamp.
    EXPECT_DOUBLE_EQ(CustomSliderCell::filledWidth(4, 4, 4, 120), 0.0);
    EXPECT_DOUBLE_EQ(CustomSliderCell::filledWidth(9, 1, 6, 120), 112.0);
    EXPECT_DOUBLE_EQ(CustomSliderCell::filledWidth(3, 1, 6, 4), 0.0);
}

TEST(SliderGeometryTest, TickMarksAreSpreadTenPointsInFromEachSide)
{
    const std::vector<double> six = CustomSliderCellWithTickMarks::tickMarkPositions(6, 120);
    EXPECT_EQ(six, (std::vector<double>{10, 30, 50, 70, 90, 110}));
    EXPECT_EQ(CustomSliderCellWithTickMarks::tickMarkPositions(1, 120), std::vector<double>{10});
    EXPECT_TRUE(CustomSliderCellWithTickMarks::tickMarkPositions(0, 120).empty());
    EXPECT_TRUE(CustomSliderCellWithTickMarks::tickMarkPositions(-2, 120).empty());
}

TEST(SliderGeometryTest, SlidersPaintWithoutMarksOrRange)
{
    CustomSliderCellWithTickMarks slider;
    slider.resize(120, 24);
    slider.setRange(5, 5);
    slider.setNumberOfTickMarks(1);
    EXPECT_FALSE(slider.grab().isNull());
    EXPECT_EQ(slider.rectangle, slider.barRect());
    slider.setRange(1, 6);
    slider.setValue(6);
    CustomSliderCell plain;
    plain.resize(100, 24);
    EXPECT_FALSE(plain.grab().isNull());
}

// ---- text cells and scrollers ----

TEST(TextCellGeometryTest, PaddingAndCentring)
{
    EXPECT_EQ(PaddedTextField::drawingRectForBounds(QRect(0, 0, 100, 20), 10.0), QRect(0, 0, 90, 20));
    EXPECT_EQ(PaddedTextField::drawingRectForBounds(QRect(0, 0, 6, 20), 10.0).width(), 0);
    EXPECT_EQ(CustomTextFieldCell::centeredTitleRect(QRectF(2, 0, 50, 30), 14), QRectF(2, 8, 50, 14));
    PaddedTextField field;
    EXPECT_DOUBLE_EQ(field.rightPadding(), 10.0);
}

TEST(ScrollerGeometryTest, KnobAndSlotRectangles)
{
    EXPECT_EQ(CustomScroller::knobRect(Qt::Horizontal, QRect(30, 0, 40, 15)), QRect(30, 4, 40, 9));
    EXPECT_EQ(CustomScroller::knobRect(Qt::Vertical, QRect(0, 20, 15, 50)), QRect(3, 20, 9, 50));
    EXPECT_EQ(CustomScroller::knobSlotRect(Qt::Horizontal, QRect(0, 0, 100, 15)).top(), 4);
    EXPECT_EQ(CustomScroller::knobSlotRect(Qt::Vertical, QRect(0, 0, 15, 100)).left(), 4);
    EXPECT_EQ(CustomScroller().backgroundColor(), QColor(Qt::black));
    EXPECT_EQ(CustomTableScroller().backgroundColor(), QColor(69, 69, 69));
}

TEST(EditingTest, ShortcutsMapToEditActions)
{
    using A = Editing::EditAction;
    EXPECT_EQ(Editing::actionForKey(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z), A::Redo);
    EXPECT_EQ(Editing::actionForKey(Qt::ControlModifier, Qt::Key_Z), A::Undo);
    EXPECT_EQ(Editing::actionForKey(Qt::ControlModifier, Qt::Key_X), A::Cut);
    EXPECT_EQ(Editing::actionForKey(Qt::ControlModifier, Qt::Key_C), A::Copy);
    EXPECT_EQ(Editing::actionForKey(Qt::ControlModifier, Qt::Key_V), A::Paste);
    EXPECT_EQ(Editing::actionForKey(Qt::ControlModifier, Qt::Key_A), A::SelectAll);
    EXPECT_EQ(Editing::actionForKey(Qt::ShiftModifier, Qt::Key_Z), A::None);
    EXPECT_EQ(Editing::actionForKey(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Z), A::None);
    EXPECT_EQ(Editing::actionForKey(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_X), A::None);

    Editing field;
    field.setText(QStringLiteral("abc"));
    EXPECT_TRUE(field.performEditAction(A::SelectAll));
    EXPECT_EQ(field.selectedText(), QStringLiteral("abc"));
    EXPECT_TRUE(field.performEditAction(A::Cut));
    EXPECT_TRUE(field.text().isEmpty());
    EXPECT_TRUE(field.performEditAction(A::Undo));
    EXPECT_EQ(field.text(), QStringLiteral("abc"));
}

TEST_F(ControlsTest, WheelDoesNotScrollWhilePopUpModeIsOn)
{
    QStandardItemModel model(200, 1);
    TableScrollView table;
    table.setModel(&model);
    table.resize(200, 150);
    table.show();
    QApplication::processEvents();
    QScrollBar *bar = table.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);

    UserDefaults::standard().setBool("IsPopUpTWK", true);
    sendWheel(table.viewport());
    sendWheel(bar);
    EXPECT_EQ(bar->value(), 0);

    UserDefaults::standard().setBool("IsPopUpTWK", false);
    sendWheel(table.viewport());
    EXPECT_GT(bar->value(), 0);
}

TEST_F(ControlsTest, CornerIsPaintedOnlyWithTwoScrollers)
{
    ThemedScrollView view;
    auto *content = new QWidget;
    content->resize(100, 1000);
    view.setWidget(content);
    view.resize(200, 150);
    view.show();
    QApplication::processEvents();
    EXPECT_TRUE(ThemedScrollView::cornerRect(&view).isNull());
    content->resize(1000, 1000);
    QApplication::processEvents();
    const QRect corner = ThemedScrollView::cornerRect(&view);
    EXPECT_FALSE(corner.isNull());
    EXPECT_EQ(corner.width(), view.verticalScrollBar()->width());
}

TEST_F(ControlsTest, LoneScrollerRunsToTheEndWithoutACornerSquare)
{
    // A table that only scrolls vertically: the scroller takes the whole height and its end is
    // the scroller's grey, not a black corner square.
    QStandardItemModel model(200, 1);
    TableScrollView table;
    table.setModel(&model);
    table.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table.resize(200, 150);
    table.show();
    QApplication::processEvents();
    QScrollBar *bar = table.verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(table.cornerWidget(), nullptr);
    EXPECT_EQ(bar->height(), table.height());
    const QImage shot = table.grab().toImage();
    const QPoint end(table.width() - 2, table.height() - 2);
    EXPECT_EQ(shot.pixelColor(end * shot.devicePixelRatio()), QColor(69, 69, 69));

    // With both scrollers the corner between them is black, at the far corner of the view.
    ThemedScrollView view;
    auto *content = new QWidget;
    content->resize(1000, 1000);
    view.setWidget(content);
    view.resize(200, 150);
    view.show();
    QApplication::processEvents();
    const QRect corner = ThemedScrollView::cornerRect(&view);
    ASSERT_FALSE(corner.isEmpty());
    EXPECT_EQ(corner.bottomRight(), QPoint(view.width() - 1, view.height() - 1));
    const QImage both = view.grab().toImage();
    EXPECT_EQ(both.pixelColor(corner.center() * both.devicePixelRatio()), QColor(Qt::black));
}

TEST_F(ControlsTest, RowSelectionFillHidesInPopUpMode)
{
    MyNSTableRowView row;
    EXPECT_FALSE(row.selectionFillColor().isValid());
    row.setSelected(true);
    EXPECT_EQ(row.selectionFillColor(), QColor(54, 54, 54));
    UserDefaults::standard().setBool("IsPopUpTWK", true);
    EXPECT_EQ(row.selectionFillColor().alpha(), 0);
    UserDefaults::standard().setBool("IsPopUpTWK", false);
    row.setHighlightStyleNone(true);
    EXPECT_FALSE(row.selectionFillColor().isValid());
}

TEST_F(ControlsTest, DashedViewKeepsOneBorderThatFollowsTheLastDrawing)
{
    DashedViewAlert view;
    EXPECT_EQ(view.borderColor(), QColor(4, 51, 105));
    EXPECT_EQ(DashedView().borderColor(), QColor(69, 69, 69));
    EXPECT_TRUE(view.isFirst());
    view.resize(50, 40);
    for (int i = 0; i < 5; ++i)
        view.grab();
    EXPECT_FALSE(view.isFirst());
    EXPECT_TRUE(view.yourViewBorder().added);
    view.resize(80, 60);
    view.grab();
    EXPECT_EQ(view.yourViewBorder().frame, QRectF(0, 0, 80, 60));
}

// ---- drop area ----

TEST_F(ControlsTest, DropPostsAllPathsInDragOrder)
{
    observe("DropViewTWK");
    DropView drop;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/a"), QUrl::fromLocalFile("/tmp/b/"),
                  QUrl(QStringLiteral("https://example.org/x")), QUrl::fromLocalFile("/tmp/c")});
    EXPECT_TRUE(drop.performDragOperation(&data));
    ASSERT_EQ(posted, QStringList{"DropViewTWK"});
    EXPECT_EQ(lastInfo.value("urls").toStringList(), (QStringList{"/tmp/a", "/tmp/b", "/tmp/c"}));
    EXPECT_EQ(drop.filePath, std::optional<QString>("/tmp/a"));
}

TEST_F(ControlsTest, DropOfTextOnlyIsRefusedSilently)
{
    observe("DropViewTWK");
    DropView drop;
    QMimeData data;
    data.setText(QStringLiteral("/tmp/a"));
    EXPECT_FALSE(drop.performDragOperation(&data));
    EXPECT_FALSE(drop.performDragOperation(nullptr));
    EXPECT_TRUE(posted.isEmpty());
    EXPECT_FALSE(drop.filePath.has_value());
}

// ---- hyperlink ----

TEST_F(ControlsTest, HyperlinkPostsOnlyTheFirstKindOnRelease)
{
    for (const char *name :
         {"hyperLinkAutoMarkSelection", "hyperLinkEULA", "hyperLinkPrivacyPolicy", "hyperLinkUnInstallInstructions"})
        observe(QString::fromLatin1(name));
    HyperlinkTextField link(QStringLiteral("Terms & <b>conditions</b>"));
    EXPECT_EQ(link.textFormat(), Qt::PlainText);
    link.isEULA = true;
    link.isPrivacyPolicy = true;
    sendMouse(&link, QEvent::MouseButtonPress, QPoint(2, 2));
    EXPECT_EQ(link.shownAttributes(), &link.attributesWithoutUnderLineWithLink);
    // The release counts wherever the pointer is.
    sendMouse(&link, QEvent::MouseButtonRelease, QPoint(500, 500));
    EXPECT_EQ(posted, QStringList{"hyperLinkEULA"});
    EXPECT_EQ(link.shownAttributes(), &link.attributesAfterClickWithLink);
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(ControlsTest, HyperlinkHoverTogglesTheUnderlineWithoutPosting)
{
    observe("hyperLinkPrivacyPolicy");
    HyperlinkTextField link(QStringLiteral("Privacy"));
    link.isPrivacyPolicy = true;
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&link, &enter);
    EXPECT_EQ(link.shownAttributes(), &link.attributesBeforeClickWithLink);
    EXPECT_TRUE(link.font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    EXPECT_FALSE(link.font().underline());
    EXPECT_TRUE(posted.isEmpty());

    HyperlinkTextField plain(QStringLiteral("nothing"));
    sendMouse(&plain, QEvent::MouseButtonPress, QPoint(1, 1));
    sendMouse(&plain, QEvent::MouseButtonRelease, QPoint(1, 1));
    EXPECT_EQ(plain.shownAttributes(), nullptr);
    EXPECT_TRUE(posted.isEmpty());

    HyperlinkTextField autoMark(QStringLiteral("settings"));
    autoMark.isAutoMarkSelection = true;
    QApplication::sendEvent(&autoMark, &enter);
    EXPECT_EQ(autoMark.shownAttributes(), nullptr); // no hover change for this kind
}

// ---- scan-list row ----

namespace {
struct CountingCell : AddFilesTableCell {
    int entered = 0;
    void enterEvent(QEnterEvent *event) override
    {
        ++entered;
        AddFilesTableCell::enterEvent(event);
    }
};
} // namespace

TEST_F(ControlsTest, RowCellDropsHoverInPopUpMode)
{
    CountingCell cell;
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    UserDefaults::standard().setBool("IsPopUpTWK", true);
    QApplication::sendEvent(&cell, &enter);
    EXPECT_EQ(cell.entered, 0);
    UserDefaults::standard().setBool("IsPopUpTWK", false);
    QApplication::sendEvent(&cell, &enter);
    EXPECT_EQ(cell.entered, 1);
}

TEST_F(ControlsTest, GalleryPaintsGoldBarsAndButtonColours)
{
    QWidget gallery;
    gallery.resize(420, 260);
    QPalette pal = gallery.palette();
    pal.setColor(QPalette::Window, QColor(34, 34, 34));
    gallery.setPalette(pal);
    gallery.setAutoFillBackground(true);

    auto *scan = new SYFlatButton(QStringLiteral("Scan for Duplicates"), &gallery);
    scan->setGeometry(20, 20, 180, 36);
    scan->setCornerRadius(6);
    scan->setBackgroundNormalColor(QColor(9, 171, 9));
    scan->setBackgroundHighlightColor(QColor(42, 42, 42));
    scan->setTitleNormalColor(Qt::white);
    scan->setTitleHighlightColor(Qt::white);

    auto *cancel = new SYFlatButton(QStringLiteral("Cancel"), &gallery);
    cancel->setGeometry(220, 20, 100, 36);
    cancel->setCornerRadius(6);
    cancel->setBorderWidth(1);
    cancel->setBorderNormalColor(QColor(183, 183, 183));
    cancel->setTitleNormalColor(QColor(183, 183, 183));

    auto *ticks = new CustomSliderCellWithTickMarks(&gallery);
    ticks->setGeometry(20, 80, 240, 24);
    ticks->setRange(1, 6);
    ticks->setValue(3);
    ticks->setNumberOfTickMarks(6);

    auto *plain = new CustomSliderCell(&gallery);
    plain->setGeometry(20, 120, 240, 24);
    plain->setRange(0, 100);
    plain->setValue(70);

    auto *link = new HyperlinkTextField(QStringLiteral("Privacy Policy"), &gallery);
    link->isPrivacyPolicy = true;
    link->showTextWithAttributes(link->attributesBeforeClickWithLink);
    link->setGeometry(20, 160, 200, 20);

    auto *dashed = new DashedView(&gallery);
    dashed->setGeometry(280, 80, 120, 120);

    gallery.show();
    QApplication::processEvents();
    const QImage shot = gallery.grab().toImage();
    const double dpr = shot.devicePixelRatio();
    // The filled part of the plain slider's bar is gold; the end past the knob is not drawn.
    const QPoint barPoint(20 + 30, 120 + 12);
    EXPECT_EQ(shot.pixelColor(barPoint * dpr), QColor(199, 157, 39));
    EXPECT_EQ(shot.pixelColor(QPoint(20 + 235, 120 + 12) * dpr), QColor(34, 34, 34));
    EXPECT_EQ(shot.pixelColor(QPoint(20 + 8, 20 + 4) * dpr), QColor(9, 171, 9));
    const QByteArray shots = qgetenv("TWINSIFT_SHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(shots));
        shot.save(QString::fromLocal8Bit(shots) + "/controls.png");
    }
}

// Every style-sheet spelling of a shared colour names the same colour as the palette, and the
// palette's interface colours are the entries of the one table.
TEST(PaletteTest, StyleSheetColoursMatchThePalette)
{
    const struct {
        const char *css;
        QColor colour;
    } twins[] = {
        {TWINSIFT_GOLD_CSS, Palette::gold},
        {TWINSIFT_GREEN_CSS, Palette::green},
        {TWINSIFT_FOCUS_BLUE_CSS, Palette::focusBlue},
        {TWINSIFT_WINDOW_BACKGROUND_CSS, Palette::windowBackground},
        {TWINSIFT_RESULTS_BACKGROUND_CSS, Palette::resultsBackground},
        {TWINSIFT_PANEL_BACKGROUND_CSS, Palette::panelBackground},
        {TWINSIFT_DISABLED_BACKGROUND_CSS, Palette::disabledBackground},
        {TWINSIFT_HEADER_BACKGROUND_CSS, Palette::headerBackground},
        {TWINSIFT_PREFERENCES_BACKGROUND_CSS, Palette::preferencesBackground},
        {TWINSIFT_CARD_BACKGROUND_CSS, Palette::cardBackground},
        {TWINSIFT_BOX_BACKGROUND_CSS, Palette::boxBackground},
        {TWINSIFT_FIELD_BACKGROUND_CSS, Palette::fieldBackground},
        {TWINSIFT_ROW_SELECTION_CSS, Palette::rowSelection},
        {TWINSIFT_PRESSED_BACKGROUND_CSS, Palette::pressedBackground},
        {TWINSIFT_BUTTON_FACE_CSS, Palette::buttonFace},
        {TWINSIFT_PANEL_BORDER_CSS, Palette::panelBorder},
        {TWINSIFT_FRAME_CSS, Palette::frame},
        {TWINSIFT_CELL_BORDER_CSS, Palette::cellBorder},
        {TWINSIFT_MUTED_BUTTON_CSS, Palette::mutedButton},
        {TWINSIFT_HOVER_BACKGROUND_CSS, Palette::hoverBackground},
        {TWINSIFT_SUBTLE_BORDER_CSS, Palette::subtleBorder},
        {TWINSIFT_CONTROL_BORDER_CSS, Palette::controlBorder},
        {TWINSIFT_HOVER_BORDER_CSS, Palette::hoverBorder},
        {TWINSIFT_DISABLED_BUTTON_TEXT_CSS, Palette::disabledButtonText},
        {TWINSIFT_DISABLED_TEXT_CSS, Palette::disabledText},
        {TWINSIFT_INDICATOR_BORDER_CSS, Palette::indicatorBorder},
        {TWINSIFT_MUTED_TEXT_CSS, Palette::mutedText},
        {TWINSIFT_HINT_TEXT_CSS, Palette::hintText},
        {TWINSIFT_CAPTION_TEXT_CSS, Palette::captionText},
        {TWINSIFT_DETAIL_TEXT_CSS, Palette::detailText},
        {TWINSIFT_SECONDARY_TEXT_CSS, Palette::secondaryText},
        {TWINSIFT_HOVER_LIGHT_CSS, Palette::hoverLight},
        {TWINSIFT_DIALOG_TEXT_CSS, Palette::dialogText},
        {TWINSIFT_CONTROL_TEXT_CSS, Palette::controlText},
        {TWINSIFT_SLIDER_HANDLE_CSS, Palette::sliderHandle},
        {TWINSIFT_LABEL_TEXT_CSS, Palette::labelText},
        {TWINSIFT_PRIMARY_TEXT_CSS, Palette::primaryText},
        {TWINSIFT_TITLE_TEXT_CSS, Palette::titleText},
        {TWINSIFT_WHITE_CSS, Palette::white},
        {TWINSIFT_BLACK_CSS, Palette::black},
        {TWINSIFT_DIMMING_CSS, Palette::dimming},
    };
    const QRegularExpression rgb(QStringLiteral(R"(^rgba?\((\d+), (\d+), (\d+)(?:, (\d+))?\)$)"));
    for (const auto &twin : twins) {
        const auto match = rgb.match(QLatin1String(twin.css));
        ASSERT_TRUE(match.hasMatch()) << twin.css;
        const int alpha = match.captured(4).isEmpty() ? 255 : match.captured(4).toInt();
        EXPECT_EQ(QColor(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(), alpha),
                  twin.colour)
            << twin.css;
    }
    EXPECT_EQ(Palette::gold, themeColors[1]);
    EXPECT_EQ(Palette::windowBackground, themeColors[3]);
}
