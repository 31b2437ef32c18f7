#pragma once
// The splash screen of every launch after the first: the logo and the product name, shown while the
// application starts and replaced by the main window after two seconds.

#include <QObject>
#include <QWidget>
#include <functional>

class QLabel;

class SplashVC : public QWidget
{
    Q_OBJECT
public:
    // How long the splash stays before the main window takes its place.
    static constexpr double kDisplaySeconds = 2.0;

    explicit SplashVC(QWidget *parent = nullptr);

    // Runs `dismiss` on the main run loop once `seconds` have passed (never at once, even for 0);
    // nothing runs when `context` is destroyed before.
    static void scheduleDismissal(std::function<void()> dismiss, QObject *context, double seconds = kDisplaySeconds);

    QLabel *imgView = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblSubTitle = nullptr;
};
