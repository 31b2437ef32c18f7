#include "screens/promotion/RecommendedAppPanel.h"

#include "controls/buttoncursor.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/Workspace.h"
#include "screens/promotion/OtherAppsCatalog.h"
#include "screens/welcome/WelcomePictures.h"
#include "model/SettingsKeys.h"
#include "model/Palette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMetaType>
#include <QPixmap>
#include <QVBoxLayout>

QString RecommendedAppPanel::countAdvertiseKey()
{
    return SettingsKey::countAdvertise;
}

RecommendedAppPanel::RecommendedAppPanel(QFrame *box)
{
    if (!box) {
        box = new QFrame;
        box->setObjectName(QStringLiteral("recommendedAppBox"));
        box->setStyleSheet(QStringLiteral("QFrame#recommendedAppBox { background: " TWINSIFT_PANEL_BACKGROUND_CSS ";"
                                          " border: 1px solid " TWINSIFT_FRAME_CSS "; border-radius: 8px; }"));
        auto *boxLayout = new QVBoxLayout(box);
        boxLayout->setContentsMargins(0, 0, 0, 0);
    }
    boxRecommendedApp = box;
    setParent(box);
    if (box->layout())
        box->layout()->addWidget(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 12, 18, 12);
    layout->setSpacing(8);
    lblRecommendedFreeApp = new QLabel(localizedText(QStringLiteral("IDS_TWK_311")), this);
    lblRecommendedFreeApp->setTextFormat(Qt::PlainText);
    lblRecommendedFreeApp->setStyleSheet(QStringLiteral("color: " TWINSIFT_GOLD_CSS "; font-weight: bold;"));
    layout->addWidget(lblRecommendedFreeApp);
    auto *row = new QHBoxLayout;
    row->setSpacing(14);
    imgViewRecommendedApp = new QLabel(this);
    imgViewRecommendedApp->setFixedSize(56, 56);
    imgViewRecommendedApp->setAlignment(Qt::AlignCenter);
    row->addWidget(imgViewRecommendedApp);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addStretch(1);
    lblRecommendedAppName = new QLabel(this);
    lblRecommendedAppName->setTextFormat(Qt::PlainText);
    QFont nameFont = lblRecommendedAppName->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.2);
    lblRecommendedAppName->setFont(nameFont);
    lblRecommendedAppSubTitle = new QLabel(this);
    lblRecommendedAppSubTitle->setTextFormat(Qt::PlainText);
    // The descriptions are one line each; the panel is as wide as the line needs.
    texts->addWidget(lblRecommendedAppName);
    texts->addWidget(lblRecommendedAppSubTitle);
    texts->addStretch(1);
    row->addLayout(texts, 1);
    btnAppStore = new buttoncursor(this);
    btnAppStore->setMinimumHeight(36);
    row->addWidget(btnAppStore, 0, Qt::AlignVCenter);
    layout->addLayout(row);
    connect(btnAppStore, &QPushButton::clicked, this, [this] { clickedAppStore(); });
    styleButton();
}

void RecommendedAppPanel::showRecommendedApp()
{
    isRecommended = 0;
    auto &defaults = platform::UserDefaults::standard();
    const QString key = countAdvertiseKey();
    if (!defaults.storedIntegerForKey(key))
        defaults.setInteger(key, 1);
    const auto start = defaults.storedIntegerForKey(key);
    if (start && *start >= 1 && *start <= OtherAppsCatalog::kPromotedCount) {
        const int k = int(*start);
        defaults.setInteger(key, k == OtherAppsCatalog::kPromotedCount ? 1 : k + 1);
        // Row k first, then every other row in table order.
        int shown = 0;
        for (int step = 0; step <= OtherAppsCatalog::kPromotedCount && !shown; ++step) {
            const int p = step == 0 ? k : step;
            if (step > 0 && p == k)
                continue;
            if (!OtherAppsCatalog::isRowInstalled(OtherAppsCatalog::promotedRow(p), isInstalled))
                shown = p;
        }
        if (!shown) {
            boxRecommendedApp->hide();
            constantTopBackToHome = 70.0;
            emit constantTopBackToHomeChanged(constantTopBackToHome);
        } else {
            const int catalogueRow = OtherAppsCatalog::promotedRow(shown);
            const OtherAppsCatalog::App *app = OtherAppsCatalog::row(catalogueRow);
            boxRecommendedApp->show();
            constantTopBackToHome = 5.0;
            emit constantTopBackToHomeChanged(constantTopBackToHome);
            lblRecommendedAppName->setText(app->name);
            lblRecommendedAppSubTitle->setText(app->description);
            const QImage icon = OtherAppsCatalog::rowIcon(catalogueRow);
            if (icon.isNull()) {
                imgViewRecommendedApp->setPixmap(QPixmap());
            } else {
                const qreal ratio = devicePixelRatioF();
                QPixmap pixmap = QPixmap::fromImage(
                    icon.scaled(QSize(56, 56) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
                pixmap.setDevicePixelRatio(ratio);
                imgViewRecommendedApp->setPixmap(pixmap);
            }
            isRecommended = shown;
        }
    }
    styleButton();
}

void RecommendedAppPanel::styleButton()
{
    if (isRecommended >= 1 && isRecommended <= 6) {
        // The web-link style.
        btnAppStore->setIcon(QIcon());
        btnAppStore->setText(QStringLiteral("Download Now"));
        btnAppStore->setStyleSheet(QStringLiteral("QPushButton { background: " TWINSIFT_BLACK_CSS
                                                  "; color: " TWINSIFT_WHITE_CSS "; border-radius: 10px;"
                                                  " padding: 4px 18px; font-size: 15pt; }"
                                                  " QPushButton:focus { border: 1px solid " TWINSIFT_GOLD_CSS "; }"));
    } else {
        // The software-centre style.
        const QImage badge = WelcomePictures::storeBadge();
        btnAppStore->setText(QString());
        btnAppStore->setIcon(QIcon(QPixmap::fromImage(badge)));
        btnAppStore->setIconSize(badge.size().scaled(150, 36, Qt::KeepAspectRatio));
        btnAppStore->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"
                                                  " QPushButton:focus { border: 1px solid " TWINSIFT_GOLD_CSS "; }"));
    }
    // The button keeps the whole of its caption or badge, whatever room the row offers.
    btnAppStore->setMinimumSize(0, 0);
    btnAppStore->ensurePolished();
    btnAppStore->setMinimumSize(btnAppStore->sizeHint());
}

void RecommendedAppPanel::clickedAppStore()
{
    if (isRecommended < 1 || isRecommended > OtherAppsCatalog::kPromotedCount)
        return;
    const auto link = OtherAppsCatalog::promotedAppLink(isRecommended);
    if (!link)
        return;
    platform::Workspace::sharedWorkspace().openURLOrTell(*link);
}
