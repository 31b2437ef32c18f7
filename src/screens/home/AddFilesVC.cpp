#include "screens/home/AddFilesVC.h"
#include "screens/shell/ScreenNames.h"

#include "screens/home/AddFilesRowDelegate.h"
#include "screens/home/AddFilesTableModel.h"
#include "screens/preferences/FolderPanel.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/shell/ViewController.h"
#include "controls/AddFilesTableCell.h"
#include "controls/DropView.h"
#include "controls/FocusRing.h"
#include "controls/MyNSTableRowView.h"
#include "controls/PaddedTextField.h"
#include "controls/PopUpMode.h"
#include "controls/TableScrollView.h"
#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/Alerts.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"
#include "model/Palette.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

using AddFilesRules::Alert;

namespace {

const QColor kAreaHoverColor(60, 60, 60);

// A 20-point picture drawn at twice its size by `draw` on a clear, antialiased canvas.
QImage drawIcon(const std::function<void(QPainter &)> &draw)
{
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    draw(p);
    p.end();
    image.setDevicePixelRatio(2.0);
    return image;
}

// The pictures of the three add areas (also used for listed entries without an icon).
QImage addPhotosIcon()
{
    return drawIcon([](QPainter &p) {
        p.setPen(QPen(Palette::gold, 3));
        p.drawRoundedRect(QRectF(3, 7, 34, 26), 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::gold);
        QPainterPath hills;
        hills.moveTo(6, 31);
        hills.lineTo(16, 18);
        hills.lineTo(23, 26);
        hills.lineTo(27, 21);
        hills.lineTo(34, 31);
        hills.closeSubpath();
        p.drawPath(hills);
        p.drawEllipse(QPointF(28, 14), 3, 3);
    });
}

// The folder picture; with `withPlus` (the add-folder area) it carries a plus sign, without it
// (a listed folder) it is plain.
QImage folderIcon(bool withPlus)
{
    return drawIcon([withPlus](QPainter &p) {
        p.setBrush(Palette::gold);
        QPainterPath folder;
        folder.moveTo(3, 10);
        folder.lineTo(15, 10);
        folder.lineTo(19, 14);
        folder.lineTo(37, 14);
        folder.lineTo(37, 33);
        folder.lineTo(3, 33);
        folder.closeSubpath();
        p.drawPath(folder);
        if (withPlus) {
            p.setBrush(Palette::windowBackground);
            p.drawRect(QRectF(18, 20, 4, 10));
            p.drawRect(QRectF(15, 23, 10, 4));
        }
    });
}

QImage photosLibraryIcon()
{
    return drawIcon([](QPainter &p) {
        const QColor petals[] = {QColor(243, 178, 52),  QColor(233, 95, 75),  QColor(204, 84, 167),
                                 QColor(120, 110, 222), QColor(62, 155, 232), QColor(76, 190, 140),
                                 QColor(150, 200, 70),  QColor(250, 215, 70)};
        p.translate(20, 20);
        for (const QColor &petal : petals) {
            p.setBrush(petal);
            p.drawRoundedRect(QRectF(-4, -17, 8, 14), 4, 4);
            p.rotate(45);
        }
    });
}

// Lets the list and detail views of a widget-based file dialog select several items at once.
void allowMultipleSelection(QFileDialog *dialog)
{
    for (QListView *view : dialog->findChildren<QListView *>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QTreeView *view : dialog->findChildren<QTreeView *>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

// The Photos-library panel: a library folder is chosen as one item (double-clicking it chooses it
// instead of opening it); ordinary folders can only be walked into.
class PhotosLibraryPanel : public QFileDialog
{
public:
    explicit PhotosLibraryPanel(QWidget *parent)
        : QFileDialog(parent)
    {
        connect(this, &QFileDialog::directoryEntered, this, [this](const QString &dir) {
            if (!AddFilesRules::isPhotosLibrary(dir))
                return;
            QTimer::singleShot(0, this, [this, dir]() {
                setDirectory(QFileInfo(dir).absolutePath());
                selectFile(dir);
                m_chosen = QStringList{dir};
                QDialog::accept();
            });
        });
    }

    QStringList chosenPaths() const { return m_chosen; }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (files.isEmpty())
            return;
        QStringList libraries;
        for (const QString &file : files) {
            if (AddFilesRules::isPhotosLibrary(file))
                libraries.append(file);
        }
        if (!libraries.isEmpty() && libraries.size() == files.size()) {
            m_chosen = libraries;
            QDialog::accept();
            return;
        }
        // An ordinary folder cannot be chosen; walk into it instead.
        if (files.size() == 1 && AddFilesRules::shouldEnablePanelPath(files.first()))
            setDirectory(files.first());
    }

private:
    QStringList m_chosen;
};

QList<QUrl> urlsOfPaths(const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    return urls;
}

QStringList pathsOfUrls(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

QStringList excludedFolderPaths()
{
    QStringList paths;
    for (const InitialDirectory &entry : excludedFolders) {
        if (entry.url && entry.url->isLocalFile())
            paths.append(entry.url->toLocalFile());
    }
    return paths;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and view

AddFilesVC::AddFilesVC(QWidget *parent)
    : QWidget(parent)
{
    alertPresenter = [](const QString &messageKey, const QString &informativeKey) {
        ::showAlert(localizedText(messageKey), informativeKey.isEmpty() ? QString() : localizedText(informativeKey));
    };
    buildView();
    viewDidLoad();
}

AddFilesVC::~AddFilesVC() = default;

QPushButton *AddFilesVC::makeAddArea(QFrame *&box, QLabel *&image, QLabel *&label, const QImage &icon)
{
    box = new QFrame(this);
    box->setObjectName(QStringLiteral("addArea"));
    box->setStyleSheet(QStringLiteral("QFrame#addArea { background: rgb(%1,%2,%3); border-radius: 6px; }")
                           .arg(Palette::dropArea.red())
                           .arg(Palette::dropArea.green())
                           .arg(Palette::dropArea.blue()));
    auto *boxLayout = new QHBoxLayout(box);
    boxLayout->setContentsMargins(0, 0, 0, 0);

    auto *button = new QPushButton(box);
    button->setFlat(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setMinimumHeight(40);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; border-radius: 6px; }"
                                         "QPushButton:hover { background: rgb(%1,%2,%3); }"
                                         "QPushButton:pressed { background: rgb(70,70,70); }"
                                         "QPushButton:focus { border: 2px solid " TWINSIFT_GOLD_CSS "; }")
                              .arg(kAreaHoverColor.red())
                              .arg(kAreaHoverColor.green())
                              .arg(kAreaHoverColor.blue()));
    auto *inner = new QHBoxLayout(button);
    inner->setContentsMargins(8, 6, 8, 6);
    inner->setSpacing(6);
    inner->addStretch(1);
    image = new QLabel(button);
    image->setFixedSize(20, 20);
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    image->setPixmap(QPixmap::fromImage(icon));
    inner->addWidget(image);
    label = new QLabel(button);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setStyleSheet(QStringLiteral("QLabel { color: rgb(%1,%2,%3); background: transparent; }")
                             .arg(Palette::primaryText.red())
                             .arg(Palette::primaryText.green())
                             .arg(Palette::primaryText.blue()));
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() + 0.5);
    label->setFont(font);
    inner->addWidget(label);
    inner->addStretch(1);
    boxLayout->addWidget(button);
    return button;
}

void AddFilesVC::buildView()
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Palette::windowBackground);
    pal.setColor(QPalette::WindowText, Palette::primaryText);
    pal.setColor(QPalette::Base, Palette::frame);
    pal.setColor(QPalette::Text, Palette::primaryText);
    pal.setColor(QPalette::Button, Palette::dropArea);
    pal.setColor(QPalette::ButtonText, Palette::primaryText);
    pal.setColor(QPalette::Highlight, Palette::gold);
    setPalette(pal);
    setAutoFillBackground(true);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    dropView = new DropView(this);
    root->addWidget(dropView);

    auto *layout = new QVBoxLayout(dropView);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);

    auto *areas = new QHBoxLayout;
    areas->setSpacing(10);
    addPhotos = makeAddArea(boxAddPhotos, imgViewAddPhotos, lblAddPhotos, addPhotosIcon());
    btnAddFolder = makeAddArea(boxAddFolder, imgVIewAddFolder, lblAddFolder, folderIcon(true));
    addPhotosLibrary = makeAddArea(boxPhotoLibrary, imgViewPhotoLibrary, lblPhotoLibrary, photosLibraryIcon());
    areas->addWidget(boxAddPhotos, 1);
    areas->addWidget(boxAddFolder, 1);
    areas->addWidget(boxPhotoLibrary, 1);
    layout->addLayout(areas);

    tableView = new TableScrollView(dropView);
    tableView->horizontalHeader()->hide();
    tableView->verticalHeader()->hide();
    tableView->horizontalHeader()->setStretchLastSection(true);
    tableView->verticalHeader()->setDefaultSectionSize(36);
    tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setShowGrid(false);
    tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The list is one Tab stop however long it is: Up and Down move the current row, Space ticks it
    // and Delete removes it. The rows' ticks and remove buttons are for the mouse.
    tableView->setFocusPolicy(Qt::StrongFocus);
    tableView->setStyleSheet(FocusRing::tableRules(QStringLiteral("QTableView")));
    tableView->setTabKeyNavigation(false);
    tableView->installEventFilter(this);
    tableView->setMinimumHeight(120);
    m_model = new AddFilesTableModel(&initialDirectories, this);
    tableView->setModel(m_model);
    tableView->setItemDelegate(new AddFilesRowDelegate(tableView));
    connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this]() { updateRowSelection(); });
    tableView->viewport()->installEventFilter(this);
    // Only the rows in view (and a margin around them) have row widgets; scrolling or resizing
    // makes the newly reached ones.
    connect(tableView->verticalScrollBar(), &QScrollBar::valueChanged, this, [this]() { materializeRows(); });
    layout->addWidget(tableView, 1);

    tableMenu = new QMenu(this);
    menuSelectAll = tableMenu->addAction(QString());
    menuUnselectAll = tableMenu->addAction(QString());
    menuRemoveFromScanList = tableMenu->addAction(QString());
    menuRemoveAllFromScanList = tableMenu->addAction(QString());
    connect(menuSelectAll, &QAction::triggered, this, [this]() { selectAllItems(); });
    connect(menuUnselectAll, &QAction::triggered, this, [this]() { unSelectAllItems(); });
    connect(menuRemoveFromScanList, &QAction::triggered, this, [this]() { removeFromScanList(); });
    connect(menuRemoveAllFromScanList, &QAction::triggered, this, [this]() { removeAllFromScanList(); });

    connect(addPhotos, &QPushButton::clicked, this, [this]() { tappedAddPhotos(); });
    connect(btnAddFolder, &QPushButton::clicked, this, [this]() { tappedAddFolder(); });
    connect(addPhotosLibrary, &QPushButton::clicked, this, [this]() { tappedPhotosLibrary(); });
}

void AddFilesVC::viewDidLoad()
{
    // Texts (no mnemonics: the menu titles have their ampersands doubled).
    lblAddPhotos->setText(localizedText(QStringLiteral("IDS_TWK_44")));
    lblAddFolder->setText(localizedText(QStringLiteral("IDS_TWK_46")));
    lblPhotoLibrary->setText(localizedText(QStringLiteral("IDS_TWK_47")));
    auto menuTitle = [](const char *key) {
        QString text = localizedText(QString::fromLatin1(key));
        return text.replace(QLatin1Char('&'), QLatin1String("&&"));
    };
    menuSelectAll->setText(menuTitle("IDS_TWK_252"));
    menuUnselectAll->setText(menuTitle("IDS_TWK_251"));
    menuRemoveFromScanList->setText(menuTitle("IDS_TWK_275"));
    menuRemoveAllFromScanList->setText(menuTitle("IDS_TWK_276"));

    restoreScanList();

    platform::NotificationCenter::defaultCenter().addObserver(
        this, NotificationName::dropView,
        [this](const platform::Notification &notification) { getFilesFromDropView(notification.userInfo); });

    // Hand cursor over the three add areas.
    for (QPushButton *button : {addPhotos, btnAddFolder, addPhotosLibrary}) {
        button->setProperty("handCursor", true);
        button->installEventFilter(this);
    }

    reloadTable();
    setScanListMenuHidden(initialDirectories.empty());
}

void AddFilesVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    setScanListMenuHidden(initialDirectories.empty());
}

bool AddFilesVC::eventFilter(QObject *watched, QEvent *event)
{
    const auto focusReason = [event] { return static_cast<QFocusEvent *>(event)->reason(); };
    if (watched == tableView && event->type() == QEvent::FocusIn
        && (focusReason() == Qt::TabFocusReason || focusReason() == Qt::BacktabFocusReason
            || focusReason() == Qt::OtherFocusReason)) {
        // Coming in by the keyboard shows the current row: the view makes the first row current in
        // its own handling of the event, after this, and does not select it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                const int row = currentRow() >= 0 ? currentRow() : 0;
                if (tableView->hasFocus() && row < m_model->rowCount()
                    && !tableView->selectionModel()->isRowSelected(row, QModelIndex()))
                    tableView->selectRow(row);
            },
            Qt::QueuedConnection);
    }
    if (watched == tableView && event->type() == QEvent::KeyPress && !isPopUpMode()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int row = currentRow();
        if (row >= 0 && (key == Qt::Key_Delete || key == Qt::Key_Backspace)) {
            deleteFileRow(row);
            return true;
        }
        if (row >= 0 && key == Qt::Key_Space) {
            const bool ticked = !initialDirectories[static_cast<size_t>(row)].isChecked;
            tappedCheckBox(row, ticked);
            if (auto *rowView = qobject_cast<MyNSTableRowView *>(tableView->indexWidget(m_model->index(row, 0))))
                if (auto *cell = rowView->findChild<AddFilesTableCell *>())
                    cell->checkButton->setChecked(ticked);
            return true;
        }
    }
    if (watched == tableView->viewport() && event->type() == QEvent::Resize)
        materializeRows();
    if (watched == tableView->viewport() && event->type() == QEvent::ContextMenu) {
        auto *menuEvent = static_cast<QContextMenuEvent *>(event);
        showTableMenu(menuEvent->pos());
        return true;
    }
    if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->property("handCursor").toBool()) {
            // A widget keeps its cursor for every later visit, so the hand is taken away on
            // every leave, also in pop-up mode; otherwise a button left while a sheet came up
            // would still show the hand under that sheet.
            if (event->type() == QEvent::Leave)
                widget->unsetCursor();
            else if (!isPopUpMode())
                widget->setCursor(Qt::PointingHandCursor);
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        // A click on a row widget selects its row as a click on the table would.
        const QVariant row = watched->property("scanListRow");
        if (row.isValid() && !isPopUpMode())
            tableView->selectRow(row.toInt());
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Persistence

void AddFilesVC::restoreScanList()
{
    scanList.clear();
    auto &defaults = platform::UserDefaults::standard();
    const auto entries = AddFilesRules::restoreEntries(defaults.arrayForKey(SettingsKey::selectedURLs),
                                                       defaults.arrayForKey(SettingsKey::selectedURLsChecked));
    for (const auto &[path, tick] : entries) {
        InitialDirectory entry(QUrl::fromLocalFile(path));
        entry.isChecked = tick;
        scanList.push_back(entry);
    }
    initialDirectories = scanList;
}

QStringList AddFilesVC::listedPaths() const
{
    QStringList paths;
    for (const InitialDirectory &entry : initialDirectories)
        paths.append(AddFilesTableModel::displayPath(entry));
    return paths;
}

// ---------------------------------------------------------------------------------------------
// Table

int AddFilesVC::numberOfRows()
{
    initialDirectories = scanList;
    return static_cast<int>(initialDirectories.size());
}

void AddFilesVC::reloadTable()
{
    numberOfRows();
    // The reset takes every row widget away (the view deletes them once control returns to the
    // event loop); the rows in view get new ones.
    m_model->reload();
    m_rowViews.clear();
    materializeRows();
}

void AddFilesVC::materializeRows()
{
    const int rows = m_model->rowCount();
    int first = 0;
    int last = -1;
    if (rows > 0) {
        const int top = tableView->rowAt(0);
        const int bottom = tableView->rowAt(std::max(0, tableView->viewport()->height() - 1));
        first = std::max(0, (top < 0 ? 0 : top) - kRowMargin);
        last = std::min(rows - 1, (bottom < 0 ? rows - 1 : bottom) + kRowMargin);
    }
    // Rows scrolled well away give their widgets back through the view, which holds them until
    // then and lays them out on a timer of its own: one freed behind its back would be shown again
    // by its next layout.
    for (auto it = m_rowViews.begin(); it != m_rowViews.end();) {
        if (it->first >= first && it->first <= last) {
            ++it;
            continue;
        }
        tableView->setIndexWidget(m_model->index(it->first, 0), nullptr);
        it = m_rowViews.erase(it);
    }
    bool added = false;
    for (int r = first; r <= last; ++r) {
        if (m_rowViews.count(r) == 0) {
            makeRowView(r);
            added = true;
        }
    }
    if (added)
        updateRowSelection();
}

void AddFilesVC::makeRowView(int r)
{
    const InitialDirectory &entry = initialDirectories[static_cast<size_t>(r)];
    const bool popUp = isPopUpMode();
    auto *rowView = new MyNSTableRowView;
    rowView->setBackgroundColor(AddFilesRowDelegate::rowColor(r));
    rowView->setProperty("scanListRow", r);
    rowView->installEventFilter(this);

    auto *cell = new AddFilesTableCell;
    const QString path = AddFilesTableModel::displayPath(entry);
    cell->url->setText(path);
    // Shown literally: a file name is never read as markup.
    cell->url->setToolTip(QStringLiteral("<qt>") + path.toHtmlEscaped() + QStringLiteral("</qt>"));
    if (entry.file && !entry.file->icon.isNull()) {
        QPixmap icon = QPixmap::fromImage(entry.file->icon);
        const qreal ratio = devicePixelRatioF();
        icon = icon.scaled(QSize(22, 22) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        icon.setDevicePixelRatio(ratio);
        cell->imgView->setPixmap(icon);
    } else if (entry.file) {
        // No icon from the desktop's theme: the scan list's own picture of the kind.
        const QImage fallback = AddFilesRules::isPhotosLibrary(path) ? photosLibraryIcon()
            : entry.file->isFolder                                   ? folderIcon(false)
                                                                     : addPhotosIcon();
        cell->imgView->setPixmap(QPixmap::fromImage(fallback));
    } else {
        cell->imgView->clear();
    }
    cell->btnDelete->setProperty("tag", r);
    cell->btnDelete->setProperty("handCursor", true);
    cell->btnDelete->installEventFilter(this);
    connect(cell->btnDelete, &QToolButton::clicked, this, [this, r]() { deleteFileRow(r); });
    cell->checkButton->setProperty("tag", r);
    cell->checkButton->setChecked(entry.isChecked);
    cell->checkButton->setProperty("handCursor", true);
    cell->checkButton->installEventFilter(this);
    connect(cell->checkButton, &QCheckBox::clicked, this, [this, r](bool checked) { tappedCheckBox(r, checked); });
    cell->checkButton->setEnabled(!popUp);
    cell->btnDelete->setEnabled(!popUp);

    cell->setProperty("scanListRow", r);
    cell->installEventFilter(this);

    rowView->setCellWidget(cell);
    tableView->setIndexWidget(m_model->index(r, 0), rowView);
    m_rowViews[r] = rowView;
}

void AddFilesVC::updateRowSelection()
{
    const auto *selection = tableView->selectionModel();
    for (const auto &[row, rowView] : m_rowViews) {
        if (rowView)
            rowView->setSelected(selection && selection->isRowSelected(row, QModelIndex()));
    }
}

void AddFilesVC::setScanListMenuHidden(bool hidden)
{
    if (!tableMenu)
        return;
    for (QAction *action : {menuSelectAll, menuUnselectAll, menuRemoveFromScanList, menuRemoveAllFromScanList})
        action->setVisible(!hidden);
}

bool AddFilesVC::isScanListMenuHidden() const
{
    return !menuSelectAll->isVisible() && !menuUnselectAll->isVisible() && !menuRemoveFromScanList->isVisible()
        && !menuRemoveAllFromScanList->isVisible();
}

void AddFilesVC::showTableMenu(const QPoint &viewportPos)
{
    const QModelIndex index = tableView->indexAt(viewportPos);
    clickedRow = index.isValid() ? index.row() : -1;
    if (isScanListMenuHidden())
        return;
    tableMenu->popup(tableView->viewport()->mapToGlobal(viewportPos));
}

// ---------------------------------------------------------------------------------------------
// Edits

void AddFilesVC::appendPaths(const QStringList &paths)
{
    for (const QString &path : paths) {
        InitialDirectory entry(QUrl::fromLocalFile(path));
        entry.isChecked = true;
        entry.isPhotoLibrary = false;
        initialDirectories.push_back(entry);
    }
}

void AddFilesVC::commitList()
{
    scanList = initialDirectories;
}

void AddFilesVC::finishListEdit()
{
    checkEmptySelectedItemsForScan();
    commitList();
    setScanListMenuHidden(initialDirectories.empty());
    reloadTable();
}

void AddFilesVC::postTickReadiness()
{
    std::vector<bool> ticks;
    ticks.reserve(initialDirectories.size());
    for (const InitialDirectory &entry : initialDirectories)
        ticks.push_back(entry.isChecked);
    const auto [count, index] = AddFilesRules::tickedCountAndIndex(ticks);
    checkTickedItemsForScan(count, index);
}

void AddFilesVC::tappedCheckBox(int row, bool checked)
{
    if (row < 0 || row >= static_cast<int>(initialDirectories.size()))
        return;
    initialDirectories[static_cast<size_t>(row)].isChecked = checked;
    commitList();
    setScanListMenuHidden(initialDirectories.empty());
    postTickReadiness();
}

void AddFilesVC::setAllTicks(bool on)
{
    if (initialDirectories.empty())
        return;
    for (InitialDirectory &entry : initialDirectories)
        entry.isChecked = on;
    commitList();
    setScanListMenuHidden(false);
    reloadTable();
    postTickReadiness();
}

void AddFilesVC::selectAllItems()
{
    setAllTicks(true);
}

void AddFilesVC::unSelectAllItems()
{
    setAllTicks(false);
}

void AddFilesVC::removeRow(int row)
{
    if (row < 0 || row >= static_cast<int>(initialDirectories.size()))
        return;
    initialDirectories.erase(initialDirectories.begin() + row);
    finishListEdit();
    // The keyboard goes on in the list, at the row now in that place (the last one when the removed
    // row was the last); with the list empty, at the add areas.
    const int left = static_cast<int>(initialDirectories.size());
    if (left > 0) {
        tableView->setCurrentIndex(m_model->index(std::min(row, left - 1), 0));
        tableView->setFocus(Qt::OtherFocusReason);
    } else {
        btnAddFolder->setFocus(Qt::OtherFocusReason);
    }
}

int AddFilesVC::currentRow() const
{
    const QModelIndex current = tableView->currentIndex();
    if (current.isValid())
        return current.row();
    const QModelIndexList rows = tableView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void AddFilesVC::deleteFileRow(int row)
{
    removeRow(row);
}

void AddFilesVC::removeFromScanList()
{
    const int row = clickedRow;
    clickedRow = -1;
    removeRow(row);
}

void AddFilesVC::removeAllFromScanList()
{
    if (initialDirectories.empty())
        return;
    initialDirectories.clear();
    finishListEdit();
}

// ---------------------------------------------------------------------------------------------
// Readiness

static void postFilesNotSelected(bool isEmpty)
{
    platform::NotificationCenter::defaultCenter().post(NotificationName::isFilesNotSelected,
                                                       {{QStringLiteral("isEmpty"), isEmpty}});
}

void AddFilesVC::checkEmptySelectedItemsForScan()
{
    postFilesNotSelected(AddFilesRules::isEmptyAfterListEdit(listedPaths(), scanExtensions));
}

void AddFilesVC::checkTickedItemsForScan(int tickedCount, int tickedIndex)
{
    postFilesNotSelected(AddFilesRules::isEmptyAfterTickEdit(listedPaths(), tickedCount, tickedIndex, scanExtensions));
}

// ---------------------------------------------------------------------------------------------
// Adding

void AddFilesVC::setCoverLayerVisible(bool visible)
{
    if (auto *home = AllViewControllers::cached<ViewController>(ScreenName::viewController)) {
        if (home->boxTopBlackLayer) {
            home->boxTopBlackLayer->setVisible(visible);
            if (visible)
                home->boxTopBlackLayer->raise();
        }
    }
}

void AddFilesVC::beginPanel()
{
    setCoverLayerVisible(true);
    auto &defaults = platform::UserDefaults::standard();
    defaults.setBool(SettingsKey::isVisibleSettingTooltips, false);
    defaults.setBool(SettingsKey::isPopUp, true);
}

void AddFilesVC::endPanel()
{
    setCoverLayerVisible(false);
    auto &defaults = platform::UserDefaults::standard();
    defaults.setBool(SettingsKey::isVisibleSettingTooltips, true);
    defaults.setBool(SettingsKey::isPopUp, false);
}

void AddFilesVC::finishPanelAdd(const AddFilesRules::AddOutcome &outcome)
{
    appendPaths(outcome.accepted);
    for (Alert alert : outcome.alerts)
        scheduleAlert(alert);
    endPanel();
    finishListEdit();
}

QFileDialog *AddFilesVC::openPanel(QFileDialog *panel, const QString &promptKey, bool desktopChooser,
                                   std::function<void(bool, QFileDialog *)> completion)
{
    beginPanel();
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->setOption(QFileDialog::DontUseNativeDialog, !desktopChooser);
    const QString prompt = localizedText(promptKey);
    if (!prompt.isEmpty()) {
        panel->setWindowTitle(prompt);
        panel->setLabelText(QFileDialog::Accept, prompt);
    }
    connect(panel, &QFileDialog::finished, this, [panel, completion = std::move(completion)](int result) {
        completion(result == QDialog::Accepted, panel);
    });
    startInUsualFolder(panel);
    return panel;
}

void AddFilesVC::tappedAddPhotos()
{
    // Files only, several at once: the desktop's chooser can do that.
    auto *panel =
        openPanel(new QFileDialog(window()), QStringLiteral("IDS_TWK_44"), true,
                  [this](bool accepted, QFileDialog *dialog) { completeAddPhotos(accepted, dialog->selectedUrls()); });
    panel->setFileMode(QFileDialog::ExistingFiles);
    panel->setNameFilter(QStringLiteral("(%1)").arg(photoPatterns(scanExtensions).join(QLatin1Char(' '))));
    panel->open();
}

QStringList AddFilesVC::photoPatterns(const QStringList &extensions)
{
    QStringList patterns;
    for (const QString &ext : extensions) {
        for (const QString &spelling : {ext.toLower(), ext.toUpper()}) {
            const QString pattern = QStringLiteral("*.") + spelling;
            if (!patterns.contains(pattern))
                patterns.append(pattern);
        }
    }
    return patterns;
}

void AddFilesVC::tappedAddFolder()
{
    // Several folders at once: Qt's chooser, since the desktop's takes one folder only.
    auto *panel = openPanel(new QFileDialog(window()), QStringLiteral("IDS_TWK_46"), false,
                            [this](bool accepted, QFileDialog *dialog) {
                                completeAddFolder(accepted, urlsOfPaths(dialog->selectedFiles()));
                            });
    panel->setOption(QFileDialog::ShowDirsOnly, true);
    panel->setFileMode(QFileDialog::Directory);
    allowMultipleSelection(panel);
    panel->open();
}

void AddFilesVC::tappedPhotosLibrary()
{
    if (AddFilesRules::hasPhotosLibrary(listedPaths())) {
        photoLibraryAlreadyExist();
        return;
    }
    auto *library = new PhotosLibraryPanel(window());
    // Qt's chooser, which takes a library folder as one item.
    openPanel(library, QStringLiteral("IDS_TWK_47"), false, [this, library](bool accepted, QFileDialog *) {
        completePhotosLibrary(accepted, urlsOfPaths(library->chosenPaths()));
    });
    library->setOption(QFileDialog::ShowDirsOnly, true);
    library->setFileMode(QFileDialog::Directory);
    allowMultipleSelection(library);
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QDir().mkpath(pictures))
        library->setDirectory(pictures);
    library->open();
}

void AddFilesVC::completeAddPhotos(bool accepted, const QList<QUrl> &urls)
{
    if (!accepted) {
        endPanel();
        return;
    }
    finishPanelAdd(
        AddFilesRules::evaluateAddPhotos(pathsOfUrls(urls), listedPaths(), excludedFolderPaths(), scanExtensions));
}

void AddFilesVC::completeAddFolder(bool accepted, const QList<QUrl> &urls)
{
    if (!accepted) {
        endPanel();
        return;
    }
    finishPanelAdd(AddFilesRules::evaluateAddFolder(pathsOfUrls(urls), listedPaths(), excludedFolderPaths()));
}

void AddFilesVC::completePhotosLibrary(bool accepted, const QList<QUrl> &urls)
{
    if (!accepted) {
        endPanel();
        return;
    }
    finishPanelAdd(AddFilesRules::evaluateAddPhotosLibrary(pathsOfUrls(urls), listedPaths(), excludedFolderPaths()));
}

void AddFilesVC::getFilesFromDropView(const QVariantMap &userInfo)
{
    auto &defaults = platform::UserDefaults::standard();
    if (defaults.boolForKey(SettingsKey::isPopUp))
        return;
    if (defaults.boolForKey(SettingsKey::isResultVC))
        return;
    const auto found = userInfo.constFind(QStringLiteral("urls"));
    if (found == userInfo.constEnd() || !found->canConvert<QStringList>()) {
        reloadTable();
        return;
    }
    const QStringList dropped = found->toStringList();
    const AddFilesRules::AddOutcome outcome =
        AddFilesRules::evaluateDrop(dropped, listedPaths(), excludedFolderPaths(), scanExtensions);
    appendPaths(outcome.accepted);
    for (Alert alert : outcome.alerts)
        scheduleAlert(alert); // shown after the list below is committed and reloaded
    finishListEdit();
}

// ---------------------------------------------------------------------------------------------
// Alerts

void AddFilesVC::scheduleAlert(Alert alert)
{
    platform::Dispatch::mainAfter(
        alertDelaySeconds, [this, alert]() { presentAlert(alert); }, this);
}

void AddFilesVC::presentAlert(Alert alert)
{
    switch (alert) {
    case Alert::PhotoLibraryAlreadyExist:
        photoLibraryAlreadyExist();
        break;
    case Alert::AlreadyListed:
        showAlert();
        break;
    case Alert::Excluded:
        showAlertExcluded();
        break;
    case Alert::ParentExcluded:
        showAlertParentExcluded();
        break;
    case Alert::AvailabilityNotAvailable:
        showAlertAvailabilityNotAvailable();
        break;
    }
}

static void runAlert(const AddFilesVC *vc, Alert alert)
{
    const auto [message, informative] = AddFilesRules::alertKeys(alert);
    if (vc->alertPresenter)
        vc->alertPresenter(message, informative);
}

void AddFilesVC::photoLibraryAlreadyExist()
{
    runAlert(this, Alert::PhotoLibraryAlreadyExist);
}

void AddFilesVC::showAlert()
{
    runAlert(this, Alert::AlreadyListed);
}

void AddFilesVC::showAlertExcluded()
{
    runAlert(this, Alert::Excluded);
}

void AddFilesVC::showAlertParentExcluded()
{
    runAlert(this, Alert::ParentExcluded);
}

void AddFilesVC::showAlertAvailabilityNotAvailable()
{
    runAlert(this, Alert::AvailabilityNotAvailable);
}
