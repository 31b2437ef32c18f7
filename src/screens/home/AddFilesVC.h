#pragma once

#include "screens/home/AddFilesRules.h"
#include "model/InitialDirectory.h"

#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <map>
#include <vector>

class QAction;
class QFileDialog;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class AddFilesTableModel;
class DropView;
class MyNSTableRowView;
class TableScrollView;

// The scan list: the panel of the home screen in which the user collects folders, single photos
// and videos, and Photos libraries to scan. It is made once by the screen registry ("AddFiles")
// and lives for the run; the controller is its own view.
//
// The list exists twice: `initialDirectories` is the working list that every edit changes first
// and that a scan receives; `scanList` is the committed list that is saved and that every table
// reload starts from. After each edit `scanList` becomes a copy of `initialDirectories`; each
// reload makes `initialDirectories` a copy of `scanList` again.
class AddFilesVC : public QWidget
{
    Q_OBJECT
public:
    explicit AddFilesVC(QWidget *parent = nullptr);
    ~AddFilesVC() override;

    // The controller is its own view.
    QWidget *view() { return this; }

    // ---- outlets
    QPushButton *addPhotos = nullptr;
    QPushButton *btnAddFolder = nullptr;
    QPushButton *addPhotosLibrary = nullptr;
    TableScrollView *tableView = nullptr;
    QLabel *imgViewAddPhotos = nullptr;
    QLabel *lblAddPhotos = nullptr;
    QFrame *boxAddPhotos = nullptr;
    QFrame *boxAddFolder = nullptr;
    QLabel *imgVIewAddFolder = nullptr;
    QLabel *lblAddFolder = nullptr;
    QLabel *imgViewPhotoLibrary = nullptr;
    QLabel *lblPhotoLibrary = nullptr;
    QFrame *boxPhotoLibrary = nullptr;
    QMenu *tableMenu = nullptr;
    QAction *menuSelectAll = nullptr;
    QAction *menuUnselectAll = nullptr;
    QAction *menuRemoveFromScanList = nullptr;
    QAction *menuRemoveAllFromScanList = nullptr;
    DropView *dropView = nullptr;

    // ---- the list
    std::vector<InitialDirectory> initialDirectories;
    std::vector<InitialDirectory> scanList;
    bool isSimilarScan = true; // kept for the scan start; the list itself never reads it

    // The row under the last right-click of the table; -1 when the click was outside any row.
    int clickedRow = -1;

    // ---- persistence
    // Rebuilds the list from "SelectedURLs" and "SelectedURLsChecked" (called when the view is
    // made).
    void restoreScanList();
    // (The list is written back by the application delegate when the program ends.)

    // ---- table
    // `initialDirectories` = copy of `scanList`, then the rows in view are built again.
    void reloadTable();
    int numberOfRows();
    // Hides (true) or shows (false) the four items of the table's context menu.
    void setScanListMenuHidden(bool hidden);
    bool isScanListMenuHidden() const;

    // ---- adding
    void tappedAddPhotos();
    void tappedAddFolder();
    void tappedPhotosLibrary();
    // What each panel does with its answer; `accepted` false is a cancel. Public so that the
    // answer can be given without a panel.
    void completeAddPhotos(bool accepted, const QList<QUrl> &urls);
    void completeAddFolder(bool accepted, const QList<QUrl> &urls);
    void completePhotosLibrary(bool accepted, const QList<QUrl> &urls);
    // The handler of "DropViewTWK".
    void getFilesFromDropView(const QVariantMap &userInfo);

    // ---- ticks, rows and menu
    void tappedCheckBox(int row, bool checked);
    void deleteFileRow(int row);
    void selectAllItems();
    void unSelectAllItems();
    void removeFromScanList();
    void removeAllFromScanList();

    // ---- readiness ("IsFilesNotSelected" with {"isEmpty": Bool})
    void checkEmptySelectedItemsForScan();
    void checkTickedItemsForScan(int tickedCount, int tickedIndex);

    // ---- alerts (each shows the shared one-button alert)
    void photoLibraryAlreadyExist();
    void showAlert();
    void showAlertExcluded();
    void showAlertParentExcluded();
    void showAlertAvailabilityNotAvailable();

    // Shows an alert by its message and information keys. The default looks the texts up and
    // shows the shared modal alert; tests replace it.
    std::function<void(const QString &messageKey, const QString &informativeKey)> alertPresenter;
    // Seconds between committing the list and showing the alert an edit asks for.
    double alertDelaySeconds = 0.5;

    // The paths of the working list, in order.
    QStringList listedPaths() const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void viewDidLoad();
    void buildView();
    QPushButton *makeAddArea(QFrame *&box, QLabel *&image, QLabel *&label, const QImage &icon);
    void beginPanel();
    void endPanel();
    // Shows the cover, enters pop-up mode and prepares `panel` as a window-modal sheet titled and
    // prompted with the text of `promptKey`; `completion` gets whether the user confirmed. With
    // `desktopChooser` the desktop's own file chooser is shown where the platform offers one (Qt's
    // otherwise); without it Qt's, whose views the panel adjusts.
    QFileDialog *openPanel(QFileDialog *panel, const QString &promptKey, bool desktopChooser,
                           std::function<void(bool accepted, QFileDialog *panel)> completion);

public:
    // The photo panel's name patterns for `extensions`: each extension once in lower and once in
    // upper case (desktop choosers match case-sensitively), whatever case the list spells it in.
    static QStringList photoPatterns(const QStringList &extensions);

private:
    void finishPanelAdd(const AddFilesRules::AddOutcome &outcome);
    void appendPaths(const QStringList &paths);
    void commitList();
    // After entries were added or removed: readiness from the list length, commit, menu, reload.
    void finishListEdit();
    // Readiness from the ticks of the working list.
    void postTickReadiness();
    void setAllTicks(bool on);
    void removeRow(int row);
    // The row the keyboard acts on: the current one, else the selected one; -1 for none.
    int currentRow() const;
    void scheduleAlert(AddFilesRules::Alert alert);
    void presentAlert(AddFilesRules::Alert alert);
    void setCoverLayerVisible(bool visible);
    void showTableMenu(const QPoint &viewportPos);
    void updateRowSelection();
    // Gives the rows in view, and kRowMargin rows either side, their row widgets and takes them
    // from the rows outside; the cost follows the view's height, not the list's length.
    void materializeRows();
    void makeRowView(int row);

    static constexpr int kRowMargin = 40;
    AddFilesTableModel *m_model = nullptr;
    // The rows that have a row widget now, in row order.
    std::map<int, QPointer<MyNSTableRowView>> m_rowViews;
};
