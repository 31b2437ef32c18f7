#include "screens/welcome/SplashVC.h"

#include "model/Palette.h"
#include "screens/welcome/WelcomePictures.h"
#include "screens/welcome/WelcomeStyle.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"

#include <QLabel>
#include <QVBoxLayout>

SplashVC::SplashVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Splash"));
    WelcomeStyle::applyDarkPalette(this);
    // The splash window has no frame of its own: a thin edge sets it off from the desktop.
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("SplashVC { background-color: " TWINSIFT_WINDOW_BACKGROUND_CSS "; border: 1px"
                                 " solid " TWINSIFT_FRAME_CSS "; }"));
    setMinimumSize(460, 340);
    resize(460, 340);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 30, 30, 30);
    layout->addStretch(1);
    layout->setSpacing(8);
    imgView = new QLabel(this);
    imgView->setAlignment(Qt::AlignCenter);
    imgView->setPixmap(
        QPixmap::fromImage(WelcomePictures::logo().scaled(170, 170, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    layout->addWidget(imgView, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    lblTitle = WelcomeStyle::makeLabel(this, 26, true);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setText(localizedText(QStringLiteral("IDS_TWK_1")));
    layout->addWidget(lblTitle);
    lblSubTitle = WelcomeStyle::makeLabel(this, 11, false, Palette::secondaryText, true);
    lblSubTitle->setAlignment(Qt::AlignCenter);
    lblSubTitle->setText(localizedText(QStringLiteral("IDS_TWK_309")));
    layout->addWidget(lblSubTitle);
    layout->addStretch(1);
    setWindowTitle(lblTitle->text());
}

void SplashVC::scheduleDismissal(std::function<void()> dismiss, QObject *context, double seconds)
{
    platform::Dispatch::mainAfter(seconds < 0 ? 0.0 : seconds, std::move(dismiss), context);
}
