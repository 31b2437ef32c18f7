#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The overlay shown after marked Photos items were put into the album "Twinsift": how many were
// moved, how much space can be won back, and the two steps left to do in Photos.
class AfterMoveInPhotoLibraryVC : public QWidget
{
    Q_OBJECT
public:
    explicit AfterMoveInPhotoLibraryVC(QWidget *parent = nullptr);

    // ---- outlets
    QPushButton *btnClose = nullptr;
    QLabel *imgViewLogo = nullptr;
    QLabel *lblManualActionNeeded = nullptr;
    QLabel *lblDescriptionManualActionNeeded = nullptr;
    QLabel *lblStep1 = nullptr;
    QLabel *lblDescriptionStep1 = nullptr;
    QLabel *lblStep2 = nullptr;
    QLabel *lblDescriptionStep2 = nullptr;
    QLabel *lblSpaceToRecover = nullptr;
    QLabel *lblPSPhotosMovedToTrashMay = nullptr;
    QLabel *imgViewDescription = nullptr;

    // Fills the count sentence and the space text from the last deletion.
    void viewWillAppear();
    void clickedClose();

protected:
    void showEvent(QShowEvent *event) override;
};
