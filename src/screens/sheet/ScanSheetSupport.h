#pragma once

#include "model/ImageFile.h"
#include "model/ResultState.h"
#include "engine/Deletion.h"

#include <QString>
#include <QStringList>

class QWidget;

#include <vector>

// The look shared by the scan sheet and its small sheets: dark grey panels, light text.
QString scanSheetStyleSheet();

// Takes every record whose URL text is in `urls` out of the shown groups and of all groups, and
// drops the groups left with fewer than two files. Returns the number of shown files removed.
int removeDeletedFromResults(ResultState &state, const QStringList &urls);

// Closes the sheet that shows `controller`, or hides the controller when it is not shown as one.
void dismissSheetOrHide(QWidget *controller);

// The working copy of the scan list starts again from the displayed list.
void resetScanListWorkingCopy();

// How many marked files were left in place, and the reason for each (at most ten named).
QString problemsMessage(const std::vector<DeletionProblem> &problems);
QString problemsDetails(const std::vector<DeletionProblem> &problems);
