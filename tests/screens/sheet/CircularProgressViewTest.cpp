#include "screens/sheet/CircularProgressView.h"
#include "platform/Dispatch.h"
#include "screens/sheet/ScanVC.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// Counts the pixels of the image that are close to the colour.
int pixelsNear(const QImage &image, const QColor &color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) < 24 && std::abs(c.green() - color.green()) < 24
                && std::abs(c.blue() - color.blue()) < 24 && c.alpha() > 200)
                ++count;
        }
    return count;
}

TEST(CircularProgressViewTest, DefaultStrokeResolvesToFivePercentOfTheWidthEverywhere)
{
    CircularProgressView ring;
    ring.resize(100, 100);
    EXPECT_DOUBLE_EQ(ring.strokeWidth(), -1.0);
    EXPECT_DOUBLE_EQ(ring.radius(), 37.5);
    EXPECT_DOUBLE_EQ(ring.arcLineWidth(), 5.0);
    EXPECT_DOUBLE_EQ(ring.baseCircleLineWidth(), 2.5);
    EXPECT_DOUBLE_EQ(ring.fontPixelSize(), 20.0);

    // A redesign keeps the resolved width: it never hands a negative width to the painter.
    ring.setForeground(QColor(255, 0, 0));
    EXPECT_DOUBLE_EQ(ring.arcLineWidth(), 5.0);
    EXPECT_DOUBLE_EQ(ring.baseCircleLineWidth(), 2.5);

    ring.setStrokeWidth(8);
    EXPECT_DOUBLE_EQ(ring.arcLineWidth(), 8.0);
    EXPECT_DOUBLE_EQ(ring.baseCircleLineWidth(), 4.0);

    // The drawn arc really has the resolved width: a full ring covers many red pixels.
    ring.setStrokeWidth(-1);
    ring.setBackground(Qt::black);
    ring.setAnimated(false);
    ring.setShowPercent(false);
    ring.setProgress(1.0);
    const QImage full = ring.grab().toImage();
    if (!qEnvironmentVariableIsEmpty("TWINSIFT_SHOT_DIR")) {
        ring.setProgress(0.62);
        ring.setShowPercent(true);
        ring.grab().save(qEnvironmentVariable("TWINSIFT_SHOT_DIR") + QStringLiteral("/progress-ring.png"));
        ring.setShowPercent(false);
    }
    ring.setProgress(0.0);
    const QImage empty = ring.grab().toImage();
    EXPECT_GT(pixelsNear(full, QColor(255, 0, 0)), 700);
    EXPECT_EQ(pixelsNear(empty, QColor(255, 0, 0)), 0);
}

TEST(CircularProgressViewTest, ProgressClampsTheArcButNotTheText)
{
    CircularProgressView ring;
    ring.resize(120, 120);
    ring.setAnimated(false);
    const std::vector<std::tuple<double, double, QString>> cases = {
        {0.5, 0.5, "50%"}, {0.999, 0.999, "99%"}, {1.2, 1.0, "120%"}, {-0.1, 0.0, "-10%"}};
    for (const auto &[progress, end, text] : cases) {
        ring.setProgress(progress);
        EXPECT_DOUBLE_EQ(ring.strokeEnd(), end) << progress;
        EXPECT_DOUBLE_EQ(ring.displayedStrokeEnd(), end) << progress;
        EXPECT_EQ(ring.percentText(), text) << progress;
    }
}

TEST(CircularProgressViewTest, TextColourAndVisibilityFollowTheRedesigns)
{
    CircularProgressView ring;
    EXPECT_EQ(ring.percentTextColor(), ring.foreground());
    ring.setShowPercent(false);
    EXPECT_TRUE(ring.isPercentHidden());
    EXPECT_EQ(ring.percentTextColor(), QColor(Qt::blue));
    ring.setShowPercent(true);
    EXPECT_FALSE(ring.isPercentHidden());
}

TEST(CircularProgressViewTest, AnimatedChangeRunsToItsTarget)
{
    CircularProgressView ring;
    ring.resize(100, 100);
    ring.show();
    ring.setProgress(0.75);
    EXPECT_DOUBLE_EQ(ring.strokeEnd(), 0.75);
    EXPECT_TRUE(platform::Dispatch::runMainLoopUntil([&] { return ring.displayedStrokeEnd() == 0.75; }, 5000));
}

TEST(ScanVCCaptionTest, FirstSixCharactersAreWhiteAndTheTextIsCentred)
{
    const QString html = ScanVC::makeProgressText(QStringLiteral("Step 1: <Collecting>\n\n 42%"), 0, 6);
    EXPECT_TRUE(html.startsWith(QStringLiteral("<div align=\"center\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<span style=\"color:#ffffff\">Step 1</span>")));
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;Collecting&gt;<br><br> 42%")));
    // A range past the end of the text is cut to the text.
    EXPECT_TRUE(ScanVC::makeProgressText(QStringLiteral("abc"), 0, 6).contains(QStringLiteral(">abc</span>")));
}

} // namespace
