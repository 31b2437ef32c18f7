#include "screens/results/list/ListViewVC.h"
#include "screens/shell/ScreenNames.h"

#include "model/Palette.h"
#include "model/TextLookup.h"
#include "screens/results/FilePropertiesVC.h"
#include "screens/results/HeaderViewList.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ResultIcons.h"
#include "screens/results/grid/ThumbnailLoader.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/CollectionViewItemList.h"
#include "screens/shell/AllViewControllers.h"
#include "services/MVNAssistance.h"

#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kRowHeight = 36;
constexpr int kHeaderHeight = 36;
constexpr int kInsetSide = 20;
constexpr int kCaptionHeight = 28;
constexpr int kIconSide = 30;
// Width of the fixed columns after the name; the path takes what is left.
constexpr int kTextStart = 76;
constexpr int kNameWidth = 220;
constexpr int kSizeWidth = 90;
constexpr int kDateWidth = 150;
constexpr int kNumberWidth = 70;
constexpr int kMinPathWidth = 160;

QString dateTimeText(const QDateTime &date)
{
    const QLocale locale;
    return locale.toString(date.date(), QStringLiteral("MMM d, yyyy")) + QStringLiteral(", ")
        + locale.toString(date.time(), QLocale::ShortFormat);
}

// The decimal text of a property that holds a whole number; empty for anything else.
QString integerText(const QVariantMap &properties, const char *key)
{
    const auto value = FilePropertiesVC::integerValue(properties.value(QLatin1String(key)));
    return value ? QString::number(*value) : QString();
}

QLabel *captionLabel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setStyleSheet(QStringLiteral("color: " TWINSIFT_DETAIL_TEXT_CSS "; font-weight: bold;"));
    return label;
}

} // namespace

ListViewVC::ListViewVC(QWidget *parent)
    : ResultViewController(parent)
{
    setObjectName(QStringLiteral("ListView"));
    loader_ = new ThumbnailLoader(64LL * 1024 * 1024, this);

    // The rows and their captions form a document that scrolls sideways when the list is narrower;
    // the vertical scroll bar sits outside it so that it is always in sight.
    documentArea_ = new QScrollArea(this);
    documentArea_->setObjectName(QStringLiteral("documentArea"));
    documentArea_->setFrameShape(QFrame::NoFrame);
    documentArea_->setWidgetResizable(true);
    documentArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    documentArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    documentArea_->setFocusPolicy(Qt::NoFocus);
    document_ = new QWidget;
    document_->setObjectName(QStringLiteral("listDocument"));
    captionBar_ = new QWidget(document_);
    captionBar_->setObjectName(QStringLiteral("captionBar"));
    captionBar_->setFixedHeight(kCaptionHeight);
    captionBar_->setAutoFillBackground(true);
    QPalette captionPalette = captionBar_->palette();
    captionPalette.setColor(QPalette::Window, Palette::headerBackground);
    captionBar_->setPalette(captionPalette);
    lblGroupCap = captionLabel(captionBar_, "lblGroupCap");
    lblFileNameCap = captionLabel(captionBar_, "lblFileNameCap");
    lblPathCap = captionLabel(captionBar_, "lblPathCap");
    lblSizeCap = captionLabel(captionBar_, "lblSizeCap");
    lblCreatedCap = captionLabel(captionBar_, "lblCreatedCap");
    lblModifiedCap = captionLabel(captionBar_, "lblModifiedCap");
    lblFileTypeCap = captionLabel(captionBar_, "lblFileTypeCap");
    lblImageWidthCap = captionLabel(captionBar_, "lblImageWidthCap");
    lblImageHeightCap = captionLabel(captionBar_, "lblImageHeightCap");
    captionBar_->installEventFilter(this);

    collectionView = new ResultCollectionView(this, document_);
    collectionView->setObjectName(QStringLiteral("collectionView"));
    collectionView->setSelectsItems(true);
    collectionView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = collectionView->palette();
    palette.setColor(QPalette::Base, Palette::windowBackground);
    collectionView->setPalette(palette);
    auto *documentLayout = new QVBoxLayout(document_);
    documentLayout->setContentsMargins(0, 0, 0, 0);
    documentLayout->setSpacing(0);
    documentLayout->addWidget(captionBar_);
    documentLayout->addWidget(collectionView, 1);
    documentArea_->setWidget(document_);

    vbar_ = new QScrollBar(Qt::Vertical, this);
    vbar_->setObjectName(QStringLiteral("rowScrollBar"));
    vbar_->setFocusPolicy(Qt::NoFocus);
    QScrollBar *inner = collectionView->verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, this, [this] { syncScrollBar(); });
    connect(inner, &QScrollBar::valueChanged, vbar_, &QScrollBar::setValue);
    connect(vbar_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    inner->installEventFilter(this);
    collectionView->viewport()->installEventFilter(this);

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(documentArea_, 0, 0);
    layout->addWidget(vbar_, 0, 1);
    setFocusProxy(collectionView);

    connect(loader_, &ThumbnailLoader::thumbnailReady, this, [this] { collectionView->viewport()->update(); });
    connect(collectionView, &ResultCollectionView::checkBoxClicked, this, &ListViewVC::tappedCheckBox);
    connect(collectionView, &ResultCollectionView::itemSelected, this, &ListViewVC::showSelectedListFile);
    connect(collectionView, &ResultCollectionView::itemDeselected, this, &ListViewVC::clearListSelectionBorder);
    connect(collectionView, &ResultCollectionView::itemDoubleClicked, this, &ListViewVC::quickLookItem);
    connect(collectionView, &ResultCollectionView::itemContextMenuRequested, this, &ListViewVC::showItemMenu);

    viewDidLoad();
}

ListViewVC::~ListViewVC() = default;

void ListViewVC::viewDidLoad()
{
    const std::pair<QLabel *, const char *> captions[] = {
        {lblGroupCap, "IDS_TWK_57"},    {lblFileNameCap, "IDS_TWK_59"},   {lblPathCap, "IDS_TWK_81"},
        {lblSizeCap, "IDS_TWK_82"},     {lblCreatedCap, "IDS_TWK_83"},    {lblModifiedCap, "IDS_TWK_84"},
        {lblFileTypeCap, "IDS_TWK_68"}, {lblImageWidthCap, "IDS_TWK_69"}, {lblImageHeightCap, "IDS_TWK_70"},
    };
    for (const auto &[label, key] : captions)
        label->setText(localizedText(QLatin1String(key)));
    configureListLayout();
}

void ListViewVC::configureListLayout()
{
    SectionLayout::Metrics metrics;
    metrics.fullWidthItems = true;
    metrics.itemHeight = kRowHeight;
    metrics.headerHeight = kHeaderHeight;
    metrics.insetTop = 5;
    metrics.insetBottom = 5;
    metrics.insetLeft = kInsetSide;
    metrics.insetRight = kInsetSide;
    metrics.interItemSpacing = 10;
    metrics.lineSpacing = 10;
    collectionView->setMetrics(metrics);
}

void ListViewVC::setDocumentWidth(int width)
{
    documentWidth_ = std::max(0, width);
    document_->setMinimumWidth(documentWidth_);
}

void ListViewVC::syncScrollBar()
{
    const QScrollBar *inner = collectionView->verticalScrollBar();
    vbar_->setRange(inner->minimum(), inner->maximum());
    vbar_->setPageStep(inner->pageStep());
    vbar_->setSingleStep(inner->singleStep());
    vbar_->setValue(inner->value());
}

bool ListViewVC::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == collectionView->verticalScrollBar() && event->type() == QEvent::EnabledChange)
        vbar_->setEnabled(collectionView->verticalScrollBar()->isEnabled());
    else if (watched == captionBar_ && event->type() == QEvent::Resize)
        placeCaptions();
    else if (watched == collectionView->viewport() && event->type() == QEvent::MouseMove)
        updateCheckBoxCursor(static_cast<QMouseEvent *>(event)->position().toPoint());
    return ResultViewController::eventFilter(watched, event);
}

QRect ListViewVC::cellCheckBoxRect(const QRect &cell) const
{
    return columnRect(CheckBoxColumn, cell);
}

QRect ListViewVC::columnRect(Column column, const QRect &row)
{
    const int fixed = kNameWidth + kSizeWidth + 2 * kDateWidth + 3 * kNumberWidth;
    const int pathWidth = std::max(kMinPathWidth, row.width() - kTextStart - fixed - 8);
    int x = row.left();
    auto band = [&](int left, int width) { return QRect(x + left, row.top(), width, row.height()); };
    switch (column) {
    case CheckBoxColumn:
        return QRect(x + 10, row.top() + (row.height() - 18) / 2, 18, 18);
    case IconColumn:
        return QRect(x + 36, row.top() + (row.height() - kIconSide) / 2, kIconSide, kIconSide);
    case NameColumn:
        return band(kTextStart, kNameWidth - 10);
    case PathColumn:
        return band(kTextStart + kNameWidth, pathWidth - 10);
    default:
        break;
    }
    int left = kTextStart + kNameWidth + pathWidth;
    const int widths[] = {kSizeWidth, kDateWidth, kDateWidth, kNumberWidth, kNumberWidth, kNumberWidth};
    for (int c = SizeColumn; c < ColumnCount; ++c) {
        const int w = widths[c - SizeColumn];
        if (c == column)
            return band(left, w - 10);
        left += w;
    }
    return {};
}

void ListViewVC::placeCaptions()
{
    // The captions stand over the columns of the rows (which start after the left inset).
    const QRect row(kInsetSide, 0, std::max(1, captionBar_->width() - 2 * kInsetSide), kCaptionHeight);
    lblGroupCap->setGeometry(QRect(row.left() + 6, 0, kTextStart - 8, kCaptionHeight));
    const std::pair<QLabel *, Column> columns[] = {
        {lblFileNameCap, NameColumn},    {lblPathCap, PathColumn},          {lblSizeCap, SizeColumn},
        {lblCreatedCap, CreatedColumn},  {lblModifiedCap, ModifiedColumn},  {lblFileTypeCap, TypeColumn},
        {lblImageWidthCap, WidthColumn}, {lblImageHeightCap, HeightColumn},
    };
    for (const auto &[label, column] : columns)
        label->setGeometry(columnRect(column, row));
}

ListViewVC::RowTexts ListViewVC::rowTexts(const ImageFile &file)
{
    RowTexts texts;
    texts.name = file.fileName.value_or(QString());
    const QString path = file.url && file.url->isLocalFile() ? file.url->toLocalFile() : QString();
    if (!path.isEmpty()) {
        texts.path = path;
        const MVNAssistance &assistance = sharedAssistance();
        texts.size = assistance.fileSizeText(path).value_or(QString());
        if (const auto created = assistance.creationDate(path))
            texts.created = dateTimeText(*created);
        if (const auto modified = assistance.modificationDate(path))
            texts.modified = dateTimeText(*modified);
        texts.type = QFileInfo(path).suffix();
    }
    if (file.properties) {
        texts.width = integerText(*file.properties, "PixelWidth");
        texts.height = integerText(*file.properties, "PixelHeight");
    }
    return texts;
}

const ListViewVC::RowTexts &ListViewVC::textsFor(const ImageFile &file)
{
    auto it = texts_.find(&file);
    if (it != texts_.end())
        return it.value();
    if (texts_.size() > 20000)
        texts_.clear();
    return texts_.insert(&file, rowTexts(file)).value();
}

void ListViewVC::recordHandMark(int group, int row, bool add)
{
    if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail)) {
        auto &paths = grid->selectedIndexPaths;
        const auto path = std::make_pair(group, row);
        const auto it = std::find(paths.begin(), paths.end(), path);
        if (add && it == paths.end())
            paths.push_back(path);
        else if (!add && it != paths.end())
            paths.erase(it);
    }
}

void ListViewVC::reloadData()
{
    texts_.clear();
    // A reload may move other files to the selected position: the selection and its border go.
    collectionView->clearSelection();
    bordered_.reset();
    ResultViewController::reloadData();
}

std::unique_ptr<ResultItem> ListViewVC::makeItem(int section, int row)
{
    return makeListRow(section, row);
}

std::unique_ptr<ResultItem> ListViewVC::makeListRow(int section, int row)
{
    if (!resultState().shownFile(section, row))
        return nullptr;
    return std::make_unique<CollectionViewItemList>(this, section, row);
}

QWidget *ListViewVC::makeHeader(QWidget *parent)
{
    auto *header = new HeaderViewList(parent);
    connectHeader(header);
    return header;
}

QRect ListViewVC::checkBoxRect(const QRect &itemRect, int, int) const
{
    return columnRect(CheckBoxColumn, itemRect);
}

void ListViewVC::paintItem(QPainter &painter, const QRect &rect, int section, int item, bool, bool)
{
    const ImageFilePtr file = resultState().shownFile(section, item);
    if (!file)
        return;
    const QRect box = columnRect(CheckBoxColumn, rect);
    if (file->isProtected)
        ResultIcons::paintLockBadge(painter, QRectF(box).adjusted(-1, -2, 2, 1));
    else
        ResultIcons::paintCheckBox(painter, box, resultState().isMarked(section, item), !isPopUp());

    const QRect icon = columnRect(IconColumn, rect);
    painter.fillRect(icon, ResultIcons::thumbnailBackground());
    const qreal dpr = painter.device()->devicePixelRatioF();
    const QImage image = loader_->imageFor(*file, int(kIconSide * dpr));
    if (!image.isNull()) {
        QSizeF size = QSizeF(image.size());
        size.scale(QSizeF(icon.size()), Qt::KeepAspectRatio);
        const QRectF target(
            QPointF(icon.center().x() + 1 - size.width() / 2.0, icon.center().y() + 1 - size.height() / 2.0), size);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
    } else if (const auto unshown = loader_->unshownOutcome(file->path())) {
        ResultIcons::paintUnshownMark(painter, QRectF(icon).adjusted(2, 2, -2, -2),
                                      unshown->reason() == platform::DecodeOutcome::Reason::TooLarge);
    }
    if (file->isVideo)
        ResultIcons::paintVideoBadge(painter, QRectF(icon.center().x() - 8, icon.center().y() - 8, 16, 16));

    const RowTexts &texts = textsFor(*file);
    auto draw = [&painter](const QRect &r, const QString &text, Qt::TextElideMode elide, int align = Qt::AlignLeft) {
        painter.drawText(r, Qt::AlignVCenter | align, painter.fontMetrics().elidedText(text, elide, r.width()));
    };
    painter.setPen(Palette::labelText);
    draw(columnRect(NameColumn, rect), texts.name, Qt::ElideMiddle);
    painter.setPen(Palette::detailText);
    draw(columnRect(PathColumn, rect), texts.path, Qt::ElideLeft);
    draw(columnRect(SizeColumn, rect), texts.size, Qt::ElideRight);
    draw(columnRect(CreatedColumn, rect), texts.created, Qt::ElideRight);
    draw(columnRect(ModifiedColumn, rect), texts.modified, Qt::ElideRight);
    draw(columnRect(TypeColumn, rect), texts.type, Qt::ElideRight);
    draw(columnRect(WidthColumn, rect), texts.width, Qt::ElideRight);
    draw(columnRect(HeightColumn, rect), texts.height, Qt::ElideRight);

    const bool highlighted = bordered_ == ResultCollectionView::IndexPath(section, item);
    painter.setPen(QPen(highlighted ? ResultIcons::cellHighlightColor() : ResultIcons::cellBorderColor(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

void ListViewVC::visibleItemsChanged(const std::vector<ResultCollectionView::IndexPath> &items)
{
    // Icons for what is visible and a screen above and below; the rest is dropped from the queue.
    QSet<QString> wanted;
    const ResultState &state = resultState();
    const SectionLayout &layout = collectionView->sectionLayout();
    const int top = collectionView->verticalScrollBar()->value();
    const int height = collectionView->viewport()->height();
    const int maxPixel = int(kIconSide * devicePixelRatioF());
    auto request = [&](int s, int i) {
        if (const ImageFilePtr file = state.shownFile(s, i)) {
            wanted.insert(file->path());
            loader_->imageFor(*file, maxPixel);
        }
    };
    auto requestRange = [&](int from, int to) {
        const auto [first, last] = layout.sectionsIn(from, to);
        for (int s = first; s < last; ++s) {
            const auto [a, b] = layout.itemsIn(s, from, to);
            for (int i = a; i < b; ++i)
                request(s, i);
        }
    };
    requestRange(std::max(0, top - height), top);
    requestRange(top + height, top + 2 * height);
    for (const auto &[s, i] : items)
        request(s, i);
    loader_->keepOnly(wanted);
}

void ListViewVC::showSelectedListFile(int section, int row)
{
    if (isPopUp())
        return;
    const ImageFilePtr file = resultState().shownFile(section, row);
    if (!file || collectionView->visualItemRect(section, row).isNull())
        return;
    if (bordered_)
        collectionView->viewport()->update(collectionView->visualItemRect(bordered_->first, bordered_->second));
    bordered_ = ResultCollectionView::IndexPath(section, row);
    collectionView->viewport()->update(collectionView->visualItemRect(section, row));
    if (auto *details = qobject_cast<FilePropertiesVC *>(filePropertiesVC())) {
        details->image = file;
        details->showFileProperties();
    }
    ScanResultVC *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult);
    if (results && results->preview)
        results->preview->showFileFitted(file, ResultPreview::kPictureBox, ResultPreview::kSmallSide);
}

void ListViewVC::clearListSelectionBorder(int section, int row)
{
    if (isPopUp())
        return;
    if (bordered_ == ResultCollectionView::IndexPath(section, row))
        bordered_.reset();
    collectionView->viewport()->update(collectionView->visualItemRect(section, row));
}
