#include "screens/results/grid/ThumbnailVC.h"
#include "screens/shell/ScreenNames.h"

#include "model/Palette.h"
#include "engine/FormatFolderLists.h"
#include "model/ModuleState.h"
#include "model/ResultCommands.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/HeaderView.h"
#include "screens/results/QuickLook.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/CollectionViewItem.h"
#include "screens/results/grid/ResultIcons.h"
#include "screens/results/grid/ThumbnailLoader.h"
#include "screens/shell/AllViewControllers.h"
#include "services/ImageHelpers.h"
#include "services/MVNAssistance.h"
#include "services/ProtectedFolders.h"
#include "services/ResultProtection.h"

#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include "screens/results/ResultPreview.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"
#include <QPainter>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

constexpr int kTextBand = 58; // name, date and size under the thumbnail

QVariantMap hoverInfo(int section, int row)
{
    return {{QStringLiteral("section"), QString::number(section)}, {QStringLiteral("row"), QString::number(row)}};
}

QRect thumbnailArea(const QRect &cell)
{
    return QRect(cell.left() + 1, cell.top() + 1, cell.width() - 2, std::max(10, cell.height() - kTextBand - 1));
}

} // namespace

ThumbnailVC::ThumbnailVC(QWidget *parent)
    : ResultViewController(parent)
{
    setObjectName(QStringLiteral("Thumbnail"));
    loader_ = new ThumbnailLoader(256LL * 1024 * 1024, this);
    collectionView = new ResultCollectionView(this, this);
    collectionView->setObjectName(QStringLiteral("collectionView"));
    QPalette palette = collectionView->palette();
    palette.setColor(QPalette::Base, Palette::windowBackground);
    collectionView->setPalette(palette);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(collectionView);
    applyItemSize(QSize(210, 250));
    texts_.setMaxCost(20000);

    collectionView->viewport()->installEventFilter(this);
    connect(loader_, &ThumbnailLoader::thumbnailReady, this, [this] { collectionView->viewport()->update(); });
    connect(collectionView, &ResultCollectionView::checkBoxClicked, this, &ThumbnailVC::tappedCheckBox);
    // The cells' hover surface speaks through the hover notifications, as the flat button does.
    auto &center = platform::NotificationCenter::defaultCenter();
    connect(collectionView, &ResultCollectionView::itemHoverEntered, this,
            [&center](int s, int r) { center.post(NotificationName::mouseHoverEnterThumbnail, hoverInfo(s, r)); });
    connect(collectionView, &ResultCollectionView::itemHoverExited, this,
            [&center](int s, int r) { center.post(NotificationName::mouseHoverExitThumbnail, hoverInfo(s, r)); });
    connect(collectionView, &ResultCollectionView::itemDoubleClicked, this,
            [&center](int s, int r) { center.post(NotificationName::mouseHoverDownThumbnail, hoverInfo(s, r)); });
    connect(collectionView, &ResultCollectionView::currentItemChanged, this, [this](int s, int r) {
        if (CollectionViewItem::gateIsOpen())
            showFileOnHover(s, r);
    });
    connect(collectionView, &ResultCollectionView::itemContextMenuRequested, this, &ThumbnailVC::showItemMenu);

    center.addObserver(this, NotificationName::mouseHoverEnterThumbnail, [this](const platform::Notification &n) {
        int s = 0, r = 0;
        if (parseHover(n, s, r) && CollectionViewItem::gateIsOpen())
            showFileOnHover(s, r);
    });
    center.addObserver(this, NotificationName::mouseHoverExitThumbnail, [this](const platform::Notification &n) {
        int s = 0, r = 0;
        if (parseHover(n, s, r) && CollectionViewItem::gateIsOpen())
            collectionView->viewport()->update(collectionView->visualItemRect(s, r));
    });
    center.addObserver(this, NotificationName::mouseHoverDownThumbnail, [this](const platform::Notification &n) {
        int s = 0, r = 0;
        if (parseHover(n, s, r))
            quickLookItem(s, r);
    });
    center.addObserver(this, NotificationName::selectedFiles,
                       [this](const platform::Notification &n) { getInitialDirectoriesWithNotification(n); });
}

ThumbnailVC::~ThumbnailVC() = default;

bool ThumbnailVC::parseHover(const platform::Notification &notification, int &section, int &row) const
{
    const QVariant s = notification.userInfo.value(QStringLiteral("section"));
    const QVariant r = notification.userInfo.value(QStringLiteral("row"));
    if (s.typeId() != QMetaType::QString || r.typeId() != QMetaType::QString)
        return false;
    bool okS = false, okR = false;
    section = s.toString().toInt(&okS);
    row = r.toString().toInt(&okR);
    return okS && okR && resultState().shownFile(section, row) != nullptr;
}

ImageGroups ThumbnailVC::shownGroupsAtMatchingLevel(const ImageGroups &groups, int level)
{
    return ResultCommands::shownGroupsAtMatchingLevel(groups, level);
}

void ThumbnailVC::getInitialDirectoriesWithNotification(const platform::Notification &notification)
{
    const QVariant data = notification.userInfo.value(QStringLiteral("data"));
    const QVariant similar = notification.userInfo.value(QStringLiteral("isSimilarScan"));
    // Anything but a list of groups and a Boolean is not a scan result.
    if (data.metaType() != QMetaType::fromType<ImageGroups>() || similar.typeId() != QMetaType::Bool)
        return;
    const QVariant keys = notification.userInfo.value(QStringLiteral("fileKeys"));
    const auto *handed = keys.metaType() == QMetaType::fromType<std::shared_ptr<ResultFileKeys>>()
        ? static_cast<const std::shared_ptr<ResultFileKeys> *>(keys.constData())
        : nullptr;
    getInitialDirectories(*static_cast<const ImageGroups *>(data.constData()), similar.toBool(),
                          handed ? handed->get() : nullptr);
}

void ThumbnailVC::getInitialDirectories(const ImageGroups &groups, bool similarScan, ResultFileKeys *fileKeys)
{
    ResultState &state = resultState();
    isSimilarScan = similarScan;
    bool videos = false;
    ImageGroups shown = ResultCommands::shownGroupsAtMatchingLevel(groups, similarityThreshold, &videos);
    resultsContainVideos = videos;
    state.allImages = groups;
    state.setShownGroups(std::move(shown));
    if (fileKeys)
        state.adoptFileKeys(*fileKeys);
    loader_->clear();
    texts_.clear();
    hoveredFile_.reset();

    ScanResultVC *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    if (MVNAssistance::totalItemCount(state.imageDirectories) <= 0 && results)
        results->sliderValuesUpdate();
    auto *details = qobject_cast<FilePropertiesVC *>(filePropertiesVC());
    if (details)
        details->clearFileProperties();
    if (results && results->preview)
        results->preview->clear();
    if (results) {
        // The matching level is offered for a similar scan only.
        for (QWidget *widget : {static_cast<QWidget *>(results->sliderMatchingLevel),
                                static_cast<QWidget *>(results->lblCapMatchingLevel),
                                static_cast<QWidget *>(results->lblValueMatchingLevel)})
            if (widget)
                widget->setVisible(similarScan);
        if (results->sliderMatchingLevel)
            results->sliderMatchingLevel->setEnabled(similarScan);
        if (results->boxShowOnlyVideos)
            results->boxShowOnlyVideos->setVisible(resultsContainVideos);
        if (results->scrollViewCollection)
            results->scrollViewCollection->hide();
    }
    if (!state.imageDirectories.empty() && !state.imageDirectories.front().empty()) {
        isFirstLoading = true;
        sectionValue = 0;
        rowValue = 0;
    }
    platform::UserDefaults::standard().setBool(SettingsKey::isThumbnailSelected, true);
    if (!state.imageDirectories.empty()) {
        const ImageFilePtr first = state.imageDirectories.front().front();
        if (details) {
            details->image = first;
            details->showFileProperties();
        }
        if (results && results->preview)
            results->preview->showFile(first);
    }
    if (results && results->lblSelectedInGroup) {
        QFont font = results->lblSelectedInGroup->font();
        font.setPointSize(state.shownFileCount() > 1000 ? 10 : 11);
        results->lblSelectedInGroup->setFont(font);
    }
    // The protected folders decide each shown file's protection (no pair is recorded yet).
    rederiveProtection(state);
    refreshSelectionState();
    refreshResultTotals();
    refreshSelectionState();
    rebuildFileFormatList();
    rebuildFolderList();
    collectionView->verticalScrollBar()->setValue(0);
    reloadData();
    warmResultKeys();
}

void ThumbnailVC::rebuildFileFormatList()
{
    ::rebuildFileFormatList(imageDirectories(), &resultState().fileKeys());
}

void ThumbnailVC::rebuildFolderList()
{
    ::rebuildFolderList(imageDirectories(), &resultState().fileKeys());
}

void ThumbnailVC::recordHandMark(int group, int row, bool add)
{
    const auto path = std::make_pair(group, row);
    const auto it = std::find(selectedIndexPaths.begin(), selectedIndexPaths.end(), path);
    if (add && it == selectedIndexPaths.end())
        selectedIndexPaths.push_back(path);
    else if (!add && it != selectedIndexPaths.end())
        selectedIndexPaths.erase(it);
}

std::unique_ptr<ResultItem> ThumbnailVC::makeItem(int section, int row)
{
    if (!resultState().shownFile(section, row))
        return nullptr;
    return std::make_unique<CollectionViewItem>(this, section, row);
}

void ThumbnailVC::applyItemSize(QSize size)
{
    itemSize_ = size;
    SectionLayout::Metrics metrics;
    metrics.itemWidth = size.width();
    metrics.itemHeight = size.height();
    metrics.headerHeight = 36;
    collectionView->setMetrics(metrics);
}

void ThumbnailVC::configureThumbnailLayout()
{
    const int width = collectionView->viewport()->width();
    applyItemSize(QSize(std::max(120, (width + 130) / 3), 250));
    layoutConfigured_ = true;
}

void ThumbnailVC::resizeEvent(QResizeEvent *event)
{
    ResultViewController::resizeEvent(event);
    // The first size the grid gets decides its item width (until the first zoom click).
    if (!layoutConfigured_ && collectionView->viewport()->width() > 100)
        configureThumbnailLayout();
}

void ThumbnailVC::zoomCollectionItem()
{
    if (isPopUp())
        return;
    const QSize size = isZoom ? QSize(210, 250) : QSize(315, 375);
    isZoom = !isZoom;
    layoutConfigured_ = true;
    applyItemSize(size);
}

QWidget *ThumbnailVC::makeHeader(QWidget *parent)
{
    auto *header = new HeaderView(parent);
    connectHeader(header);
    connect(header->btnZoom, &QToolButton::clicked, this, &ThumbnailVC::zoomCollectionItem);
    return header;
}

void ThumbnailVC::fillHeader(QWidget *widget, int section)
{
    auto *header = qobject_cast<HeaderView *>(widget);
    if (!header)
        return;
    fillGroupHeader(header, section);
    header->setObjectName(QString::number(section));
    header->btnZoom->show();
    HeaderView::setButtonImage(header->btnZoom,
                               isZoom ? QStringLiteral("NSRemoveTemplate") : QStringLiteral("NSAddTemplate"));
    header->btnZoom->setToolTip(localizedText(isZoom ? QStringLiteral("IDS_TWK_332") : QStringLiteral("IDS_TWK_331")));
}

const ThumbnailVC::CellTexts &ThumbnailVC::textsFor(const ImageFile &file)
{
    if (const CellTexts *known = texts_.object(&file))
        return *known;
    auto *texts = new CellTexts;
    texts->name = file.fileName.value_or(QString());
    const QString path = file.path();
    if (!path.isEmpty()) {
        texts->size = sharedAssistance().fileSizeText(path).value_or(QString());
        if (const auto created = sharedAssistance().creationDate(path))
            texts->date = QLocale(QLocale::English).toString(created->date(), QStringLiteral("MMM d, yyyy"));
    }
    // The least recently shown texts give way one at a time (never all at once while scrolling).
    texts_.insert(&file, texts);
    return *texts;
}

QRect ThumbnailVC::orientationBadgeArea(const QRect &cell)
{
    const QRect thumb = thumbnailArea(cell);
    return QRect(thumb.right() - 26, thumb.top() + 6, 20, 20);
}

QString ThumbnailVC::toolTipAt(const QPoint &point) const
{
    const auto item = collectionView->itemAtViewportPoint(point);
    if (!item)
        return QString();
    const ImageFilePtr file = resultState().shownFile(item->first, item->second);
    if (file && file->isOrientation
        && orientationBadgeArea(collectionView->visualItemRect(item->first, item->second)).contains(point))
        return localizedText(QStringLiteral("IDS_TWK_306"));
    if (const auto unshown = file ? loader_->unshownOutcome(file->path()) : std::nullopt;
        unshown && thumbnailArea(collectionView->visualItemRect(item->first, item->second)).contains(point))
        return QuickLook::unshownReason(*unshown);
    return QString();
}

QRect ThumbnailVC::cellCheckBoxRect(const QRect &cell) const
{
    return checkBoxArea(cell);
}

bool ThumbnailVC::eventFilter(QObject *watched, QEvent *event)
{
    if (collectionView && watched == collectionView->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            updateCheckBoxCursor(static_cast<QMouseEvent *>(event)->position().toPoint());
        } else if (event->type() == QEvent::ToolTip) {
            auto *help = static_cast<QHelpEvent *>(event);
            const QString tip = toolTipAt(help->pos());
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), tip, collectionView->viewport());
            return true;
        }
    }
    return ResultViewController::eventFilter(watched, event);
}

QRect ThumbnailVC::checkBoxRect(const QRect &itemRect, int, int) const
{
    return QRect(itemRect.left() + 8, itemRect.bottom() - kTextBand + 9, 18, 18);
}

void ThumbnailVC::paintItem(QPainter &painter, const QRect &rect, int section, int item, bool hovered, bool)
{
    const ImageFilePtr file = resultState().shownFile(section, item);
    if (!file)
        return;
    const bool gate = CollectionViewItem::gateIsOpen();
    const QRect thumb = thumbnailArea(rect);
    painter.fillRect(thumb, ResultIcons::thumbnailBackground());
    const qreal dpr = painter.device()->devicePixelRatioF();
    const int wanted = int(std::max(thumb.width(), thumb.height()) * dpr);
    const QImage image = loader_->imageFor(*file, wanted);
    if (!image.isNull()) {
        // A photo smaller than the cell keeps its own size in logical pixels (the same look at every
        // scaling); any other is fitted to the cell, drawn from a picture decoded at the screen's
        // pixel ratio.
        const bool whole = image.text(QStringLiteral("full")) == "1";
        QSizeF size = whole ? QSizeF(image.size()) : QSizeF(image.size()) / dpr;
        if (size.width() > thumb.width() - 8 || size.height() > thumb.height() - 8 || !whole)
            size.scale(QSizeF(thumb.size()) - QSizeF(8, 8), Qt::KeepAspectRatio);
        const QRectF target(
            QPointF(thumb.center().x() + 1 - size.width() / 2.0, thumb.center().y() + 1 - size.height() / 2.0), size);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
    } else if (const auto unshown = loader_->unshownOutcome(file->path())) {
        const qreal s = std::min<qreal>(72, thumb.height() / 2.5);
        ResultIcons::paintUnshownMark(painter,
                                      QRectF(thumb.center().x() + 1 - s / 2, thumb.center().y() + 1 - s / 2, s, s),
                                      unshown->reason() == platform::DecodeOutcome::Reason::TooLarge);
    }
    if (file->isVideo) {
        const qreal s = std::min<qreal>(70, thumb.height() / 3.0);
        ResultIcons::paintVideoBadge(painter, QRectF(thumb.center().x() - s / 2, thumb.center().y() - s / 2, s, s));
    }
    if (file->isOrientation)
        ResultIcons::paintOrientationBadge(painter, QRectF(orientationBadgeArea(rect)));
    if (file->isPhotoLibrary)
        ResultIcons::paintPhotosBadge(painter, QRectF(thumb.right() - 32, thumb.bottom() - 32, 26, 26));

    const CellTexts &texts = textsFor(*file);
    const QRect box = checkBoxRect(rect, section, item);
    if (file->isProtected)
        ResultIcons::paintLockBadge(painter, QRectF(box).adjusted(-1, -2, 2, 1));
    else
        ResultIcons::paintCheckBox(painter, box, resultState().isMarked(section, item), !isPopUp());
    QFont font = painter.font();
    painter.setPen(Palette::labelText);
    const QRect nameRect(box.right() + 8, box.top() - 2, rect.right() - box.right() - 14, 22);
    painter.drawText(nameRect, Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(texts.name, Qt::ElideMiddle, nameRect.width()));
    QFont small = font;
    small.setPointSizeF(std::max(7.0, font.pointSizeF() - 1.5));
    painter.setFont(small);
    painter.setPen(Palette::captionText);
    const QRect infoRect(rect.left() + 8, box.bottom() + 5, rect.width() - 16, 18);
    painter.drawText(infoRect, Qt::AlignVCenter | Qt::AlignLeft, texts.date);
    painter.drawText(infoRect, Qt::AlignVCenter | Qt::AlignRight, texts.size);
    painter.setFont(font);

    painter.setPen(QPen(hovered && gate ? ResultIcons::cellHighlightColor() : ResultIcons::cellBorderColor(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

void ThumbnailVC::visibleItemsChanged(const std::vector<ResultCollectionView::IndexPath> &items)
{
    // Wanted: what is visible and one screen above and below it. Requests for the rest are
    // dropped; the visible cells are asked for last so that they are decoded first.
    QSet<QString> wanted;
    const ResultState &state = resultState();
    const SectionLayout &layout = collectionView->sectionLayout();
    const int top = collectionView->verticalScrollBar()->value();
    const int height = collectionView->viewport()->height();
    const qreal dpr = devicePixelRatioF();
    const QRect thumb = thumbnailArea(QRect(QPoint(0, 0), itemSize_));
    const int maxPixel = int(std::max(thumb.width(), thumb.height()) * dpr);
    auto requestRange = [&](int from, int to) {
        const auto [first, last] = layout.sectionsIn(from, to);
        for (int s = first; s < last; ++s) {
            const auto [a, b] = layout.itemsIn(s, from, to);
            for (int i = a; i < b; ++i)
                if (const ImageFilePtr file = state.shownFile(s, i)) {
                    wanted.insert(file->path());
                    loader_->imageFor(*file, maxPixel);
                }
        }
    };
    requestRange(std::max(0, top - height), top);
    requestRange(top + height, top + 2 * height);
    for (const auto &[s, i] : items)
        if (const ImageFilePtr file = state.shownFile(s, i)) {
            wanted.insert(file->path());
            loader_->imageFor(*file, maxPixel);
        }
    if (hoveredFile_)
        wanted.insert(hoveredFile_->path());
    loader_->keepOnly(wanted);
}

void ThumbnailVC::showFileOnHover(int section, int row)
{
    const ImageFilePtr file = resultState().shownFile(section, row);
    if (!file)
        return;
    collectionView->viewport()->update(collectionView->visualItemRect(section, row));
    if (auto *details = qobject_cast<FilePropertiesVC *>(filePropertiesVC())) {
        details->image = file;
        details->showFileProperties();
    }
    hoveredFile_ = file;
    // The preview decodes a photo in the background and plays a video in place.
    ScanResultVC *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    if (results && results->preview)
        results->preview->showFile(file);
}
