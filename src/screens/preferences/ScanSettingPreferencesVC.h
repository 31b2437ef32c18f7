#pragma once

#include "screens/preferences/PreferencesPane.h"

#include <QStringList>

class FileTypesTableModel;
class QCheckBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QTableView;

// The scan settings pane: the minimum file size with its unit ("MinimumFileSizeTWK" in bytes,
// "MinimumFileSizeTypeTWK" "KB" or "MB"), whether videos are scanned ("ScanVideoFilesInExactMatchTWK"
// 1 or 0) and the 38 file-type rows that edit the scanned extensions (scanExtensions, kept for the
// run only). A running scan works on its own copy of these, taken when it started.
class ScanSettingPreferencesVC : public PreferencesPane
{
    Q_OBJECT
public:
    explicit ScanSettingPreferencesVC(QWidget *parent = nullptr);

    QLabel *lblChooseFileExtensionstoavoid = nullptr;
    QTableView *tableView = nullptr;
    QLabel *lblCapMinimumFileSize = nullptr;
    // The minimum size counted in the chosen unit; the spin box shows the number itself.
    QSpinBox *stepperFileSize = nullptr;
    QRadioButton *btnKB = nullptr; // tag 1
    QRadioButton *btnMB = nullptr; // tag 2
    QCheckBox *btnscanvideofilesinexactmatch = nullptr;
    QStringList fileTypes;
    FileTypesTableModel *fileTypesModel = nullptr;

    // The largest count of each unit: 1 TB in kilobytes or in megabytes.
    static constexpr int kMaximumKB = 1024 * 1024 * 1024;
    static constexpr int kMaximumMB = 1024 * 1024;

    void viewWillAppear() override;

    void tappedMemoryType(int tag);
    void tappedStepper();
    void tappedScanVideoFileExactMatch();
    void tappedCheckBox(int row, bool on);

private:
    // The unit's factor in bytes and the stepper's range for it.
    void useUnit(bool megabytes);
    void storeMinimumFileSize();
};
