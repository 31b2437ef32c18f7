#include "screens/promotion/otherAppsvc.h"
#include "platform/Log.h"

#include "controls/buttoncursor.h"
#include "platform/widgets/Workspace.h"
#include "screens/promotion/OtherAppsCatalog.h"
#include "screens/promotion/collectionView_cell.h"
#include "screens/welcome/WelcomePictures.h"
#include "screens/welcome/WelcomeStyle.h"
#include "model/Palette.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QRandomGenerator>
#include <QEvent>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kColumns = 2;

} // namespace

otherAppsvc::otherAppsvc(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("otherAppsvc"));
    // The application's dark greys, whatever the desktop's own theme.
    WelcomeStyle::applyDarkPalette(this);
    randomDraw = [](int bound) { return int(QRandomGenerator::global()->bounded(bound)); };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 16, 0, 0);
    layout->setSpacing(8);
    lblotherapps = new QLabel(this);
    lblotherapps->setTextFormat(Qt::PlainText);
    QFont heading = lblotherapps->font();
    heading.setPointSizeF(heading.pointSizeF() * 1.3);
    heading.setBold(true);
    lblotherapps->setFont(heading);
    lblotherapps->setContentsMargins(20, 0, 20, 0);
    layout->addWidget(lblotherapps);
    scrollview = new QScrollArea(this);
    scrollview->setFrameShape(QFrame::NoFrame);
    scrollview->setWidgetResizable(true);
    scrollview->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    collectionView = new QWidget;
    collectionView->setObjectName(QStringLiteral("otherAppsGrid"));
    m_grid = new QGridLayout(collectionView);
    m_grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    scrollview->setWidget(collectionView);
    layout->addWidget(scrollview, 1);
    // The cards are centred in the room the scroll area's viewport has, at the first paint and
    // after every resize.
    scrollview->viewport()->installEventFilter(this);

    // The heading is a fixed text; the grid's background is the window's.
    lblotherapps->setText(QStringLiteral("Other applications you may like:"));
    scrollview->viewport()->setAutoFillBackground(false);
    collectionView->setAutoFillBackground(false);
}

void otherAppsvc::refreshOtherAppInstalledFlags()
{
    otherAppInstalledFlags.assign(OtherAppsCatalog::kRowCount, false);
    for (int number = 1; number <= OtherAppsCatalog::kRowCount; ++number)
        otherAppInstalledFlags[size_t(number - 1)] = OtherAppsCatalog::isRowInstalled(number, isInstalled);
}

void otherAppsvc::buildOtherAppsList()
{
    int drawn = randomDraw ? randomDraw(OtherAppsCatalog::kRowCount) : 0;
    if (drawn < 0 || drawn >= OtherAppsCatalog::kRowCount)
        drawn = 0;
    const auto &order = OtherAppsCatalog::displayOrders()[size_t(drawn)];
    randomPrmotarr.assign(order.begin(), order.end());
    allappsDic.clear();
    refreshOtherAppInstalledFlags();
    for (int number : randomPrmotarr) {
        if (otherAppInstalledFlags[size_t(number - 1)])
            continue;
        const OtherAppsCatalog::App *app = OtherAppsCatalog::row(number);
        QVariantMap cardRow;
        cardRow.insert(QStringLiteral("Title"), app->name);
        cardRow.insert(QStringLiteral("description"), app->description);
        cardRow.insert(QStringLiteral("icon"), OtherAppsCatalog::rowIcon(number));
        cardRow.insert(QStringLiteral("apppath"), app->link);
        cardRow.insert(QStringLiteral("category"), app->category);
        allappsDic.push_back(cardRow);
    }
    reloadData();
    configureCollectionView();
}

void otherAppsvc::reloadData()
{
    for (collectionView_cell *cell : m_cards)
        delete cell;
    m_cards.clear();
    const QImage badge = WelcomePictures::storeBadge();
    for (int i = 0; i < int(allappsDic.size()); ++i) {
        const QVariantMap &cardRow = allappsDic[size_t(i)];
        auto *cell = new collectionView_cell(collectionView);
        logDebug(lcScreens) << "Other app card" << i << ":" << cardRow.value(QStringLiteral("Title")).toString();
        cell->lbltitle->setText(cardRow.value(QStringLiteral("Title")).toString());
        const QImage icon = cardRow.value(QStringLiteral("icon")).value<QImage>();
        if (!icon.isNull()) {
            const qreal ratio = devicePixelRatioF();
            QPixmap pixmap =
                QPixmap::fromImage(icon.scaled(QSize(64, 64) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            pixmap.setDevicePixelRatio(ratio);
            cell->imgview->setPixmap(pixmap);
        }
        cell->lblsubtitle->setText(cardRow.value(QStringLiteral("description")).toString());
        cell->lblapptype->setText(cardRow.value(QStringLiteral("category")).toString());
        cell->btnappstore->setProperty("tag", i);
        connect(cell->btnappstore, &QPushButton::clicked, this, [this, i] { btnAppStoreClicked(i); });
        const QString link = cardRow.value(QStringLiteral("apppath")).toString();
        if (link.startsWith(QLatin1String("appstream://"))) {
            // The software-centre style: the badge, no text.
            cell->btnappstore->setText(QString());
            cell->btnappstore->setIcon(QIcon(QPixmap::fromImage(badge)));
            cell->btnappstore->setIconSize(badge.size().scaled(150, 34, Qt::KeepAspectRatio));
            cell->btnappstore->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
        } else {
            cell->btnappstore->setIcon(QIcon());
            cell->btnappstore->setText(QStringLiteral("Download Now"));
            cell->btnappstore->setStyleSheet(QStringLiteral(
                "QPushButton { background: " TWINSIFT_BLACK_CSS "; color: " TWINSIFT_WHITE_CSS "; border-radius:"
                " 10px; padding: 4px 18px;"
                " font-size: 11pt; } QPushButton:focus { border: 1px solid " TWINSIFT_GOLD_CSS "; }"));
        }
        m_cards.push_back(cell);
        m_grid->addWidget(cell, i / kColumns, i % kColumns);
        cell->show(); // a card made while the window is on screen shows at once
    }
    // Lay the new cards out now, so the grid never shows them stacked on one another before the
    // next layout pass.
    m_grid->activate();
    collectionView->adjustSize();
}

void otherAppsvc::configureCollectionView()
{
    // Equal gaps left, between and right of the two columns; never negative.
    const int cards = kColumns * collectionView_cell::kWidth;
    const int available = scrollview->viewport()->width();
    space = std::max(0.0, double(available - cards) / 3.0);
    const int side = int(space);
    m_grid->setContentsMargins(side, 10, side, 20);
    m_grid->setHorizontalSpacing(side);
    m_grid->setVerticalSpacing(16);
}

collectionView_cell *otherAppsvc::card(int index) const
{
    return index >= 0 && index < int(m_cards.size()) ? m_cards[size_t(index)] : nullptr;
}

void otherAppsvc::btnAppStoreClicked(int tag)
{
    if (tag < 0 || tag >= int(allappsDic.size()))
        return;
    const QString link = allappsDic[size_t(tag)].value(QStringLiteral("apppath")).toString();
    if (link.isEmpty())
        return;
    const QUrl url(link, QUrl::StrictMode);
    if (!url.isValid())
        return;
    platform::Workspace::sharedWorkspace().openURLOrTell(url);
}

void otherAppsvc::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    buildOtherAppsList();
    if (!isfirstTimeLodded) {
        isfirstTimeLodded = true;
        QTimer::singleShot(100, this, [this] { configureCollectionView(); });
    } else {
        configureCollectionView();
    }
}

bool otherAppsvc::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == scrollview->viewport() && event->type() == QEvent::Resize)
        configureCollectionView();
    return QWidget::eventFilter(watched, event);
}
