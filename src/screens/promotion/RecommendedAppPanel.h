#pragma once

#include <QFrame>

#include <functional>

class QLabel;
class buttoncursor;

// The panel of the deletion summary that recommends one application not installed yet, taken from
// the sixteen promoted applications in a rotating order kept under "CountAdvertiseTWK". The summary
// screen embeds it in its box and places its Back-to-Home control at the spacing the panel asks for.
class RecommendedAppPanel : public QWidget
{
    Q_OBJECT
public:
    // The panel's content; `box` is the frame that shows or hides it (a frame of its own when none
    // is given). The panel is a child widget of the box.
    explicit RecommendedAppPanel(QFrame *box = nullptr);

    // "CountAdvertiseTWK": the row the next fill starts its tests with.
    static QString countAdvertiseKey();

    QFrame *boxRecommendedApp = nullptr;
    QLabel *imgViewRecommendedApp = nullptr;
    QLabel *lblRecommendedFreeApp = nullptr;
    QLabel *lblRecommendedAppName = nullptr;
    QLabel *lblRecommendedAppSubTitle = nullptr;
    buttoncursor *btnAppStore = nullptr;
    // The top spacing of the Back-to-Home control: 5 while a row is shown, 70 when all are installed.
    double constantTopBackToHome = 5.0;
    // The promoted application shown (1 to 16), 0 when none is.
    int isRecommended = 0;

    // The installed test of a desktop-file id. Tests replace it.
    std::function<bool(const QString &)> isInstalled;

    // Advances the start row, then shows the first application of the cascade that is not installed,
    // or hides the panel when all are.
    void showRecommendedApp();
    // Opens the link of the application shown.
    void clickedAppStore();

signals:
    // The spacing of the Back-to-Home control changed.
    void constantTopBackToHomeChanged(double points);

private:
    void styleButton();
};
