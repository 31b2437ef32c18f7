#pragma once

#include "screens/results/ConfirmationDialog.h"

// Asks before the marked files go to the Trash (switch "confirmBeforeDeletingPhotos"). Confirming
// posts "DeleteDuplicateFilesTWK", which the results screen answers by starting the deletion.
class DeleteDuplicatePhotosVC : public ConfirmationDialog
{
    Q_OBJECT
public:
    explicit DeleteDuplicatePhotosVC(QWidget *parent = nullptr);
    void tappedOk() override;
};
