#pragma once

#include <QString>
#include <QWidget>

class CustomSliderCell;
class CustomSliderCellWithTickMarks;
class HelpPopover;
class QLabel;
class QToolButton;

// The similarity settings of the similar-photo scan: matching level, hash bitmap size, capture-time
// window and GPS distance, each a slider with its value beside it, and Reset. The four settings
// are the module-wide values of the run (similarityThreshold, hashBitmapSize, timeThreshold,
// distanceThreshold); nothing is saved. The pane applies Reset when it is made, which the home
// screen does as it sets itself up. Made once by the screen registry ("SimilarMatches").
class SimilarMatchesVC : public QWidget
{
    Q_OBJECT
public:
    explicit SimilarMatchesVC(QWidget *parent = nullptr);
    ~SimilarMatchesVC() override;

    // The bitmap-size slider's range: every size it can give is one the hash accepts.
    static constexpr int minimumBitmapSize = 16;
    static constexpr int maximumBitmapSize = 128;
    static constexpr int bitmapSizeStep = 8;

    QLabel *lblMatchingLevel = nullptr;
    QLabel *lblMatchingLevelValue = nullptr;
    CustomSliderCellWithTickMarks *sliderMatchingLevel = nullptr; // positions 1 to 6
    QLabel *lblBitmapSize = nullptr;
    QLabel *lblBitmapSizeValue = nullptr;
    CustomSliderCell *sliderBitmapSize = nullptr; // the size itself
    QLabel *lblTimeInterval = nullptr;
    QLabel *lblTimeIntervalValue = nullptr;
    CustomSliderCellWithTickMarks *sliderTimeInterval = nullptr; // positions 1 to 18
    QLabel *lblGPS = nullptr;
    QLabel *lblValueGPS = nullptr;
    CustomSliderCellWithTickMarks *sliderGPS = nullptr; // 0 to 100, seven stops
    QToolButton *btnReset = nullptr;
    QToolButton *btnToolTipMatchingLevel = nullptr;
    QToolButton *btnToolTipBitmapSize = nullptr;
    QToolButton *btnToolTipTimeInterval = nullptr;
    QToolButton *btnTooltipGPS = nullptr;
    QLabel *lblReset = nullptr;
    HelpPopover *popoverDetails = nullptr;

    // The slider actions: each passes its slider's value to the setter.
    void tappedSliderMatchingLevel();
    void tappedSliderBitmapSize();
    void tappedSliderTimeInterval();
    void tappedSliderGPS();
    void tappedReset();
    // Handler of "updateSlider": brings the controls to the four stored settings.
    void updateSlider();

    // Position 1-6 -> 81, 85, 88, 91, 94, 98 percent; any other position changes nothing.
    void setMatchingLevel(int position);
    // Stores the size, kept within the slider's range.
    void setBitmapSize(int size);
    // Position 1-18 of the time table; any other position changes nothing. The slider stays.
    void setTimeWindow(int position);
    // A stop of the GPS slider (0, 16, 33, 50, 66, 83, 100); any other value changes nothing.
    void setGPSDistance(int value);
    // 85 percent, 72, 180 seconds, 10 metres, with the sliders at 2, 72, 9 and 50.
    void resetSimilarSettings();

    // The stop of the GPS slider nearest to `value` (the slider stops only on its tick marks).
    static int nearestGPSStop(int value);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setSliderValue(QWidget *slider, int value);
    bool updating_ = false;
};
