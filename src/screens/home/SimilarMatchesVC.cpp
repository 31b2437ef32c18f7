#include "screens/home/SimilarMatchesVC.h"

#include "controls/ResetGlyph.h"

#include "controls/CustomSliderCell.h"
#include "controls/CustomSliderCellWithTickMarks.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/welcome/HelpPopover.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"
#include "model/Palette.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct MatchingLevel {
    int percent;
    const char *key;
};
// Position 1 takes key 19 and position 2 key 18, as the results screen's matching level does.
constexpr std::array<MatchingLevel, 6> matchingLevels = {{
    {81, "IDS_TWK_19"},
    {85, "IDS_TWK_18"},
    {88, "IDS_TWK_20"},
    {91, "IDS_TWK_21"},
    {94, "IDS_TWK_22"},
    {98, "IDS_TWK_23"},
}};

struct TimeStep {
    int seconds;
    int number;
    const char *unitKey;
};
constexpr std::array<TimeStep, 18> timeSteps = {{
    {1, 1, "IDS_TWK_28"},
    {2, 2, "IDS_TWK_29"},
    {3, 3, "IDS_TWK_29"},
    {5, 5, "IDS_TWK_29"},
    {10, 10, "IDS_TWK_29"},
    {30, 30, "IDS_TWK_29"},
    {60, 1, "IDS_TWK_30"},
    {120, 2, "IDS_TWK_31"},
    {180, 3, "IDS_TWK_31"},
    {300, 5, "IDS_TWK_31"},
    {600, 10, "IDS_TWK_31"},
    {1800, 30, "IDS_TWK_31"},
    {3600, 1, "IDS_TWK_27"},
    {7200, 2, "IDS_TWK_26"},
    {10800, 3, "IDS_TWK_26"},
    {21600, 6, "IDS_TWK_26"},
    {43200, 12, "IDS_TWK_26"},
    {86400, 24, "IDS_TWK_26"},
}};

struct GpsStop {
    int stop;
    double metres;
    const char *unitKey;
};
constexpr std::array<GpsStop, 7> gpsStops = {{
    {0, 1.0, "IDS_TWK_33"},
    {16, 2.0, "IDS_TWK_34"},
    {33, 5.0, "IDS_TWK_34"},
    {50, 10.0, "IDS_TWK_34"},
    {66, 20.0, "IDS_TWK_34"},
    {83, 50.0, "IDS_TWK_34"},
    {100, 100.0, "IDS_TWK_34"},
}};

QString text(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

QString numberAndUnit(int number, const char *unitKey)
{
    return QString::number(number) + QLatin1Char(' ') + text(unitKey);
}

QString bitmapSizeText(int size)
{
    return QStringLiteral("%1x%1 ").arg(size) + text("IDS_TWK_17");
}

QLabel *caption(QWidget *parent, const QString &name, bool value)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(value ? QStringLiteral("color: " TWINSIFT_GOLD_CSS "; font-size: 12px;")
                               : QStringLiteral("color: " TWINSIFT_CONTROL_TEXT_CSS "; font-size: 12px;"));
    if (value)
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QToolButton *helpButton(QWidget *parent, const QString &name)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(QStringLiteral("?"));
    button->setFixedSize(16, 16);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral(
        "QToolButton { color: " TWINSIFT_SECONDARY_TEXT_CSS "; border: 1px solid " TWINSIFT_DISABLED_TEXT_CSS ";"
        " border-radius: 8px;"
        " font-size: 10px; font-weight: bold; padding: 0; }"
        "QToolButton:hover { color: " TWINSIFT_GOLD_CSS "; border-color: " TWINSIFT_GOLD_CSS "; }"));
    return button;
}

bool isPopUpMode()
{
    return platform::UserDefaults::standard().boolForKey(SettingsKey::isPopUp);
}

} // namespace

SimilarMatchesVC::SimilarMatchesVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SimilarMatches"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(2);

    auto addSetting = [&](QLabel *&title, QToolButton *&help, const QString &helpName, QLabel *&value,
                          QWidget *slider) {
        auto *row = new QHBoxLayout;
        row->setSpacing(6);
        title = caption(this, title ? title->objectName() : QString(), false);
        help = helpButton(this, helpName);
        row->addWidget(title);
        row->addWidget(help);
        row->addStretch(1);
        row->addWidget(value);
        layout->addLayout(row);
        layout->addWidget(slider);
        layout->addSpacing(4);
    };

    lblMatchingLevelValue = caption(this, QStringLiteral("lblMatchingLevelValue"), true);
    sliderMatchingLevel = new CustomSliderCellWithTickMarks(this);
    sliderMatchingLevel->setObjectName(QStringLiteral("sliderMatchingLevel"));
    sliderMatchingLevel->setRange(1, 6);
    sliderMatchingLevel->setNumberOfTickMarks(6);
    addSetting(lblMatchingLevel, btnToolTipMatchingLevel, QStringLiteral("btnToolTipMatchingLevel"),
               lblMatchingLevelValue, sliderMatchingLevel);

    lblBitmapSizeValue = caption(this, QStringLiteral("lblBitmapSizeValue"), true);
    sliderBitmapSize = new CustomSliderCell(this);
    sliderBitmapSize->setObjectName(QStringLiteral("sliderBitmapSize"));
    sliderBitmapSize->setRange(minimumBitmapSize, maximumBitmapSize);
    sliderBitmapSize->setSingleStep(bitmapSizeStep);
    sliderBitmapSize->setPageStep(bitmapSizeStep);
    addSetting(lblBitmapSize, btnToolTipBitmapSize, QStringLiteral("btnToolTipBitmapSize"), lblBitmapSizeValue,
               sliderBitmapSize);

    lblTimeIntervalValue = caption(this, QStringLiteral("lblTimeIntervalValue"), true);
    sliderTimeInterval = new CustomSliderCellWithTickMarks(this);
    sliderTimeInterval->setObjectName(QStringLiteral("sliderTimeInterval"));
    sliderTimeInterval->setRange(1, 18);
    sliderTimeInterval->setNumberOfTickMarks(18);
    addSetting(lblTimeInterval, btnToolTipTimeInterval, QStringLiteral("btnToolTipTimeInterval"), lblTimeIntervalValue,
               sliderTimeInterval);

    lblValueGPS = caption(this, QStringLiteral("lblValueGPS"), true);
    sliderGPS = new CustomSliderCellWithTickMarks(this);
    sliderGPS->setObjectName(QStringLiteral("sliderGPS"));
    sliderGPS->setRange(0, 100);
    sliderGPS->setSingleStep(17);
    sliderGPS->setPageStep(17);
    sliderGPS->setNumberOfTickMarks(7);
    addSetting(lblGPS, btnTooltipGPS, QStringLiteral("btnTooltipGPS"), lblValueGPS, sliderGPS);

    auto *resetRow = new QHBoxLayout;
    resetRow->setSpacing(6);
    btnReset = new QToolButton(this);
    btnReset->setObjectName(QStringLiteral("btnReset"));
    btnReset->setIcon(resetGlyphIcon(18));
    btnReset->setIconSize(QSize(18, 18));
    btnReset->setAutoRaise(true);
    btnReset->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 2px; }"
                                           "QToolButton:focus { border: 1px solid " TWINSIFT_GOLD_CSS
                                           "; border-radius: 4px; }"));
    lblReset = caption(this, QStringLiteral("lblReset"), false);
    lblReset->setBuddy(btnReset);
    resetRow->addStretch(1);
    resetRow->addWidget(lblReset);
    resetRow->addWidget(btnReset);
    layout->addLayout(resetRow);
    layout->addStretch(1);

    lblMatchingLevel->setObjectName(QStringLiteral("lblMatchingLevel"));
    lblBitmapSize->setObjectName(QStringLiteral("lblBitmapSize"));
    lblTimeInterval->setObjectName(QStringLiteral("lblTimeInterval"));
    lblGPS->setObjectName(QStringLiteral("lblGPS"));

    popoverDetails = new HelpPopover(toolTipsDetailsVC(), this);

    connect(sliderMatchingLevel, &QSlider::valueChanged, this, [this] {
        if (!updating_)
            tappedSliderMatchingLevel();
    });
    connect(sliderBitmapSize, &QSlider::valueChanged, this, [this] {
        if (!updating_)
            tappedSliderBitmapSize();
    });
    connect(sliderTimeInterval, &QSlider::valueChanged, this, [this] {
        if (!updating_)
            tappedSliderTimeInterval();
    });
    connect(sliderGPS, &QSlider::valueChanged, this, [this] {
        if (!updating_)
            tappedSliderGPS();
    });
    connect(btnReset, &QToolButton::clicked, this, [this] { tappedReset(); });

    // viewDidLoad: captions, Reset, hover areas, the "updateSlider" observer.
    lblMatchingLevel->setText(text("IDS_TWK_15"));
    lblBitmapSize->setText(text("IDS_TWK_24"));
    lblTimeInterval->setText(text("IDS_TWK_25"));
    lblGPS->setText(text("IDS_TWK_32"));
    lblReset->setText(text("IDS_TWK_16"));
    resetSimilarSettings();
    for (QWidget *tracked : std::initializer_list<QWidget *>{
             btnReset, sliderMatchingLevel, sliderBitmapSize, sliderTimeInterval, sliderGPS, btnToolTipMatchingLevel,
             btnToolTipBitmapSize, btnToolTipTimeInterval, btnTooltipGPS})
        tracked->installEventFilter(this);
    platform::NotificationCenter::defaultCenter().addObserver(
        this, NotificationName::updateSlider, [this](const platform::Notification &) { updateSlider(); });
}

SimilarMatchesVC::~SimilarMatchesVC() = default;

void SimilarMatchesVC::setSliderValue(QWidget *slider, int value)
{
    const bool was = updating_;
    updating_ = true;
    static_cast<QSlider *>(slider)->setValue(value);
    updating_ = was;
}

void SimilarMatchesVC::tappedSliderMatchingLevel()
{
    setMatchingLevel(sliderMatchingLevel->value());
}

void SimilarMatchesVC::tappedSliderBitmapSize()
{
    // The knob rests on the slider's steps.
    const int value = sliderBitmapSize->value();
    const int stepped =
        minimumBitmapSize + int(std::lround(double(value - minimumBitmapSize) / bitmapSizeStep)) * bitmapSizeStep;
    setBitmapSize(stepped);
}

void SimilarMatchesVC::tappedSliderTimeInterval()
{
    setTimeWindow(sliderTimeInterval->value());
}

void SimilarMatchesVC::tappedSliderGPS()
{
    // The slider stops only on its tick marks: a knob let go between two comes to the nearer.
    const int stop = nearestGPSStop(sliderGPS->value());
    if (stop != sliderGPS->value())
        setSliderValue(sliderGPS, stop);
    setGPSDistance(stop);
}

void SimilarMatchesVC::tappedReset()
{
    resetSimilarSettings();
}

int SimilarMatchesVC::nearestGPSStop(int value)
{
    const int k = std::clamp(int(std::lround(double(value) * 6.0 / 100.0)), 0, 6);
    return gpsStops[std::size_t(k)].stop;
}

void SimilarMatchesVC::setMatchingLevel(int position)
{
    if (position < 1 || position > int(matchingLevels.size()))
        return;
    const MatchingLevel &level = matchingLevels[std::size_t(position - 1)];
    similarityThreshold = level.percent;
    setSliderValue(sliderMatchingLevel, position);
    lblMatchingLevelValue->setText(text(level.key));
}

void SimilarMatchesVC::setBitmapSize(int size)
{
    // Only sizes the slider can give reach the hash.
    const int bounded = std::clamp(size, minimumBitmapSize, maximumBitmapSize);
    hashBitmapSize = bounded;
    setSliderValue(sliderBitmapSize, bounded);
    lblBitmapSizeValue->setText(bitmapSizeText(bounded));
}

void SimilarMatchesVC::setTimeWindow(int position)
{
    if (position < 1 || position > int(timeSteps.size()))
        return;
    const TimeStep &step = timeSteps[std::size_t(position - 1)];
    timeThreshold = step.seconds;
    lblTimeIntervalValue->setText(numberAndUnit(step.number, step.unitKey));
}

void SimilarMatchesVC::setGPSDistance(int value)
{
    for (const GpsStop &stop : gpsStops) {
        if (stop.stop != value)
            continue;
        distanceThreshold = stop.metres;
        setSliderValue(sliderGPS, stop.stop);
        lblValueGPS->setText(numberAndUnit(int(stop.metres), stop.unitKey));
        return;
    }
}

void SimilarMatchesVC::resetSimilarSettings()
{
    lblMatchingLevelValue->setText(text("IDS_TWK_18"));
    similarityThreshold = 85;
    setSliderValue(sliderMatchingLevel, 2);

    setSliderValue(sliderBitmapSize, 72);
    hashBitmapSize = 72;
    lblBitmapSizeValue->setText(bitmapSizeText(72));

    setSliderValue(sliderTimeInterval, 9);
    lblTimeIntervalValue->setText(numberAndUnit(3, "IDS_TWK_31"));
    timeThreshold = 180;

    setSliderValue(sliderGPS, 50);
    lblValueGPS->setText(numberAndUnit(10, "IDS_TWK_34"));
    distanceThreshold = 10.0;
}

void SimilarMatchesVC::updateSlider()
{
    for (std::size_t i = 0; i < matchingLevels.size(); ++i)
        if (matchingLevels[i].percent == similarityThreshold)
            setMatchingLevel(int(i) + 1);
    setBitmapSize(hashBitmapSize);
    for (const TimeStep &step : timeSteps)
        if (step.seconds == timeThreshold)
            lblTimeIntervalValue->setText(numberAndUnit(step.number, step.unitKey));
    for (const GpsStop &stop : gpsStops) {
        if (int(stop.metres) == int(distanceThreshold)) {
            setSliderValue(sliderGPS, stop.stop);
            lblValueGPS->setText(numberAndUnit(int(stop.metres), stop.unitKey));
        }
    }
}

bool SimilarMatchesVC::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || (event->type() != QEvent::Enter && event->type() != QEvent::Leave))
        return QWidget::eventFilter(watched, event);
    if (isPopUpMode())
        return QWidget::eventFilter(watched, event);
    const bool tooltips = platform::UserDefaults::standard().boolForKey(SettingsKey::isVisibleSettingTooltips);
    if (event->type() == QEvent::Enter) {
        widget->setCursor(Qt::PointingHandCursor);
        if (!tooltips)
            return QWidget::eventFilter(watched, event);
        const char *key = nullptr;
        if (widget == btnToolTipMatchingLevel)
            key = "IDS_TWK_271";
        else if (widget == btnToolTipBitmapSize)
            key = "IDS_TWK_273";
        else if (widget == btnToolTipTimeInterval)
            key = "IDS_TWK_274";
        else if (widget == btnTooltipGPS)
            key = "IDS_TWK_272";
        if (key)
            popoverDetails->showRelativeTo(widget, text(key));
    } else {
        widget->unsetCursor();
        if (tooltips)
            popoverDetails->close();
    }
    return QWidget::eventFilter(watched, event);
}
