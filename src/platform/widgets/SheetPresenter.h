#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

namespace platform {

// Sheets: a controller shown in a window-modal dialog over the window of the presenting view.
// A controller that is itself a QDialog is shown as it is; any other widget is put into a frameless
// container dialog that follows the controller's size. Sheets close only through their own
// controls (Escape and the window manager's close request are ignored).
class SheetPresenter
{
public:
    // Shows `controller` as a sheet of `presenter`'s window. Returns the dialog that shows it.
    static QDialog *presentAsSheet(QWidget *controller, QWidget *presenter);
    // Closes the sheet that shows `controller` (nothing when it is not shown as a sheet).
    static void dismissSheet(QWidget *controller);
    // The dialog showing `controller`, or nullptr.
    static QDialog *sheetOf(QWidget *controller);
    // True while the controller's sheet is visible.
    static bool isPresented(QWidget *controller);
    // Number of sheets presented through this class that are visible now.
    static int visibleSheetCount();
};

// The container dialog of a sheet whose controller is a plain widget.
class SheetContainer : public QDialog
{
    Q_OBJECT
public:
    explicit SheetContainer(QWidget *parent = nullptr);

    // Escape: the sheet closes only as its own close or Cancel button would close it (a sheet
    // without one stays).
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace platform
