#include "screens/preferences/ScanSettingPreferencesVC.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "screens/preferences/FileTypesTableModel.h"
#include "screens/preferences/ScanFileTypes.h"
#include "controls/FocusRing.h"
#include "model/Palette.h"
#include "controls/TableKeyboard.h"
#include "model/SettingsKeys.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMetaType>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kSizeKey = SettingsKey::minimumFileSize;
const QString kUnitKey = SettingsKey::minimumFileSizeType;
const QString kVideoKey = SettingsKey::scanVideoFilesInExactMatch;

constexpr quint64 kKilobyte = 1024;
constexpr quint64 kMegabyte = 1024 * 1024;

// A stored integer that is not negative; absent for another type or a negative number. The size
// is stored unsigned, so an unsigned value beyond the signed range counts as well.
std::optional<quint64> storedByteCount(const QString &key)
{
    const auto &defaults = platform::UserDefaults::standard();
    if (defaults.typeOf(key) == platform::UserDefaults::Type::Unsigned)
        return defaults.object(key)->toULongLong();
    const auto number = defaults.storedIntegerForKey(key);
    if (!number || *number < 0)
        return std::nullopt;
    return quint64(*number);
}

} // namespace

ScanSettingPreferencesVC::ScanSettingPreferencesVC(QWidget *parent)
    : PreferencesPane(QStringLiteral("IDS_TWK_110"), parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(kSideInset, 14, kSideInset, 14);
    layout->setSpacing(8);

    lblCapMinimumFileSize = makeCaption(this, true);
    layout->addWidget(lblCapMinimumFileSize);
    auto *sizeRow = new QHBoxLayout;
    stepperFileSize = new QSpinBox(this);
    stepperFileSize->setRange(0, kMaximumKB);
    stepperFileSize->setMinimumWidth(120);
    stepperFileSize->setKeyboardTracking(false);
    btnKB = new QRadioButton(QStringLiteral("KB"), this);
    btnMB = new QRadioButton(QStringLiteral("MB"), this);
    auto *units = new QButtonGroup(this);
    units->addButton(btnKB, 1);
    units->addButton(btnMB, 2);
    sizeRow->addWidget(stepperFileSize);
    sizeRow->addSpacing(8);
    sizeRow->addWidget(btnKB);
    sizeRow->addWidget(btnMB);
    sizeRow->addStretch(1);
    layout->addLayout(sizeRow);
    btnscanvideofilesinexactmatch = new QCheckBox(this);
    layout->addWidget(btnscanvideofilesinexactmatch);
    layout->addSpacing(6);

    lblChooseFileExtensionstoavoid = makeCaption(this, true);
    layout->addWidget(lblChooseFileExtensionstoavoid);
    tableView = new QTableView(this);
    fileTypesModel = new FileTypesTableModel(&scanExtensions, this);
    tableView->setModel(fileTypesModel);
    tableView->verticalHeader()->hide();
    tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setAlternatingRowColors(true);
    tableView->setShowGrid(false);
    tableView->setWordWrap(false);
    tableView->horizontalHeader()->setStretchLastSection(true);
    tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tableView->setMinimumHeight(150);
    TableKeyboard::install(tableView);
    tableView->setStyleSheet(FocusRing::tableRules(QStringLiteral("QTableView"), QStringLiteral(TWINSIFT_FRAME_CSS)));
    layout->addWidget(tableView, 1);

    for (QAbstractButton *button : {static_cast<QAbstractButton *>(btnKB), static_cast<QAbstractButton *>(btnMB),
                                    static_cast<QAbstractButton *>(btnscanvideofilesinexactmatch)})
        button->setCursor(Qt::PointingHandCursor);

    lblChooseFileExtensionstoavoid->setText(localizedText(QStringLiteral("IDS_TWK_120")));
    lblCapMinimumFileSize->setText(localizedText(QStringLiteral("IDS_TWK_121")));
    btnscanvideofilesinexactmatch->setText(localizedText(QStringLiteral("IDS_TWK_152")));
    fileTypesModel->setColumnTitles(localizedText(QStringLiteral("IDS_TWK_239")),
                                    localizedText(QStringLiteral("IDS_TWK_65")));
    fileTypes = supportedFormatDescriptionList;
    fileTypesModel->setFileTypes(fileTypes);
    btnKB->setChecked(true);

    connect(units, &QButtonGroup::idClicked, this, [this](int id) { tappedMemoryType(id); });
    connect(stepperFileSize, &QSpinBox::valueChanged, this, [this] { tappedStepper(); });
    connect(btnscanvideofilesinexactmatch, &QCheckBox::clicked, this, [this] { tappedScanVideoFileExactMatch(); });
}

void ScanSettingPreferencesVC::useUnit(bool megabytes)
{
    const QSignalBlocker block(stepperFileSize);
    // Switching to the larger unit keeps the number, clamped to the unit's range.
    stepperFileSize->setRange(0, megabytes ? kMaximumMB : kMaximumKB);
    const QSignalBlocker blockKB(btnKB);
    const QSignalBlocker blockMB(btnMB);
    btnKB->setChecked(!megabytes);
    btnMB->setChecked(megabytes);
}

void ScanSettingPreferencesVC::viewWillAppear()
{
    auto &defaults = platform::UserDefaults::standard();
    const auto unit = defaults.object(kUnitKey);
    const QString unitText = unit && unit->typeId() == QMetaType::QString ? unit->toString() : QString();
    if (unitText == QLatin1String("KB") || unitText == QLatin1String("MB")) {
        const bool megabytes = unitText == QLatin1String("MB");
        useUnit(megabytes);
        if (const auto bytes = storedByteCount(kSizeKey)) {
            const quint64 count = *bytes / (megabytes ? kMegabyte : kKilobyte);
            const QSignalBlocker block(stepperFileSize);
            stepperFileSize->setValue(int(std::min<quint64>(count, quint64(stepperFileSize->maximum()))));
        }
    }
    if (const auto video = defaults.storedIntegerForKey(kVideoKey))
        btnscanvideofilesinexactmatch->setChecked(*video == 1);
    // The boxes show the list as it is now.
    tableView->viewport()->update();
}

void ScanSettingPreferencesVC::tappedMemoryType(int tag)
{
    if (tag != 1 && tag != 2)
        return;
    const bool megabytes = tag == 2;
    useUnit(megabytes);
    platform::UserDefaults::standard().setString(kUnitKey, megabytes ? QStringLiteral("MB") : QStringLiteral("KB"));
    storeMinimumFileSize();
}

void ScanSettingPreferencesVC::tappedStepper()
{
    storeMinimumFileSize();
}

void ScanSettingPreferencesVC::storeMinimumFileSize()
{
    // 64-bit arithmetic of a count that is never negative (the spin box range starts at 0).
    const quint64 count = quint64(std::max(0, stepperFileSize->value()));
    const quint64 factor = btnMB->isChecked() ? kMegabyte : kKilobyte;
    platform::UserDefaults::standard().setUnsigned(kSizeKey, count * factor);
}

void ScanSettingPreferencesVC::tappedScanVideoFileExactMatch()
{
    platform::UserDefaults::standard().setInteger(kVideoKey, btnscanvideofilesinexactmatch->isChecked() ? 1 : 0);
}

void ScanSettingPreferencesVC::tappedCheckBox(int row, bool on)
{
    if (row < 0 || row >= ScanFileTypes::kRowCount)
        return;
    fileTypesModel->setData(fileTypesModel->index(row, 0), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}
