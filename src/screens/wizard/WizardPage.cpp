#include "screens/wizard/WizardPage.h"

#include "controls/ResetGlyph.h"

#include "controls/SYFlatButton.h"
#include "model/TextLookup.h"
#include "platform/UserDefaults.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/wizard/ReorderTable.h"
#include "screens/wizard/SelectionWizardPreferencesVC.h"
#include "model/Palette.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

void setCaptionColour(QLabel *label, bool enabled)
{
    label->setStyleSheet(QStringLiteral("color: %1; font-size: 13px; font-weight: 600;")
                             .arg((enabled ? Palette::secondaryText : Palette::disabledGrey).name()));
}

// A flat button with its caption laid over it, on a plate.
QFrame *captionedButton(QWidget *parent, SYFlatButton *&button, QLabel *&label, const QString &name,
                        const QString &text)
{
    auto *plate = new QFrame(parent);
    plate->setObjectName(QStringLiteral("box") + name);
    plate->setFixedSize(104, 32);
    plate->setStyleSheet(QStringLiteral("QFrame#box%1 { background: " TWINSIFT_FRAME_CSS "; border-radius: 5px;"
                                        " }")
                             .arg(name));
    auto *grid = new QGridLayout(plate);
    grid->setContentsMargins(0, 0, 0, 0);
    button = new SYFlatButton(plate);
    button->setObjectName(QStringLiteral("btn") + name);
    button->setMomentary(true);
    button->setCornerRadius(5);
    button->setBackgroundNormalColor(Qt::transparent);
    button->setBackgroundHighlightColor(QColor(255, 255, 255, 30));
    button->setBorderNormalColor(Qt::transparent);
    button->setBorderHighlightColor(Palette::gold);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    button->setAccessibleName(text);
    label = new QLabel(text, plate);
    label->setObjectName(QStringLiteral("lbl") + name);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setCaptionColour(label, true);
    grid->addWidget(button, 0, 0);
    grid->addWidget(label, 0, 0);
    return plate;
}

} // namespace

WizardPage::WizardPage(QWidget *parent)
    : QWidget(parent)
{
}

void WizardPage::setUpPage(const QStringList &headerTexts, const QString &hint)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 10, 16, 12);
    layout->setSpacing(8);

    lblHint = new QLabel(hint, this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setWordWrap(true);
    lblHint->setStyleSheet(QStringLiteral("color: " TWINSIFT_HINT_TEXT_CSS "; font-size: 12px;"));
    layout->addWidget(lblHint);

    tableView = new ReorderTable(this);
    tableView->setObjectName(QStringLiteral("tableView"));
    tableView->setColumnCount(int(headerTexts.size()));
    tableView->setHorizontalHeaderLabels(headerTexts);
    layout->addWidget(tableView, 1);
    connect(tableView, &ReorderTable::rowsDropped, this,
            [this](const std::vector<int> &rows, int dropRow, bool *accepted) {
                *accepted = dropRows(rows, dropRow);
                if (*accepted) {
                    reloadTable();
                    tableView->clearSelection();
                    setUpDownEnabled(false, false);
                    emit edited();
                }
            });
    connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { updateUpDownForSelection(); });

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    btnReset = new QToolButton(this);
    btnReset->setObjectName(QStringLiteral("btnReset"));
    btnReset->setIcon(resetGlyphIcon(13));
    btnReset->setIconSize(QSize(13, 13));
    btnReset->setAutoRaise(true);
    btnReset->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 3px; }"
                                           "QToolButton:focus { border: 1px solid " TWINSIFT_GOLD_CSS
                                           "; border-radius: 4px; }"));
    lblReset = new QLabel(localizedText(QStringLiteral("IDS_TWK_67")), this);
    lblReset->setObjectName(QStringLiteral("lblReset"));
    lblReset->setStyleSheet(QStringLiteral("color: " TWINSIFT_SECONDARY_TEXT_CSS "; font-size: 12px;"));
    buttons->addWidget(btnReset);
    buttons->addWidget(lblReset);
    buttons->addStretch(1);
    buttons->addWidget(
        captionedButton(this, btnUp, lblUp, QStringLiteral("Up"), localizedText(QStringLiteral("IDS_TWK_201"))));
    buttons->addWidget(
        captionedButton(this, btnDown, lblDown, QStringLiteral("Down"), localizedText(QStringLiteral("IDS_TWK_202"))));
    buttons->addSpacing(16);
    buttons->addWidget(captionedButton(this, btnCancel, lblCancel, QStringLiteral("Cancel"),
                                       localizedText(QStringLiteral("IDS_TWK_195"))));
    boxMark =
        captionedButton(this, btnMark, lblMark, QStringLiteral("Mark"), localizedText(QStringLiteral("IDS_TWK_50")));
    buttons->addWidget(boxMark);
    layout->addLayout(buttons);

    connect(btnReset, &QToolButton::clicked, this, [this] { tappedReset(); });
    connect(btnUp, &QAbstractButton::clicked, this, [this] { tappedUp(); });
    connect(btnDown, &QAbstractButton::clicked, this, [this] { tappedDown(); });
    connect(btnMark, &QAbstractButton::clicked, this, [this] { tappedMark(); });
    connect(btnCancel, &QAbstractButton::clicked, this, [this] { tappedCancel(); });
    for (QWidget *button : std::initializer_list<QWidget *>{btnReset, btnUp, btnDown, btnMark, btnCancel})
        button->installEventFilter(this);
    setUpDownEnabled(false, false);
}

void WizardPage::setMarkEnabled(bool enabled)
{
    btnMark->setEnabled(enabled);
    setCaptionColour(lblMark, enabled);
    boxMark->setStyleSheet(
        QStringLiteral("QFrame#boxMark { background: rgb(%1, %1, %1); border-radius: 5px; }").arg(enabled ? 69 : 39));
}

bool WizardPage::isMarkEnabled() const
{
    return btnMark->isEnabled();
}

void WizardPage::setUpDownEnabled(bool up, bool down)
{
    btnUp->setEnabled(up);
    btnDown->setEnabled(down);
    setCaptionColour(lblUp, up);
    setCaptionColour(lblDown, down);
}

void WizardPage::updateUpDownForSelection()
{
    const int row = tableView->selectedRow();
    const int rows = tableView->rowCount();
    const bool both = row >= 0 && rows > 1;
    setUpDownEnabled(both && row != 0, both && row != rows - 1);
}

void WizardPage::tappedMark()
{
    if (auto *wizard = qobject_cast<SelectionWizardPreferencesVC *>(selectionWizardPreferencesVC()))
        wizard->markAndClose();
}

void WizardPage::tappedCancel()
{
    if (auto *wizard = qobject_cast<SelectionWizardPreferencesVC *>(selectionWizardPreferencesVC()))
        wizard->close();
}

bool WizardPage::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget && event->type() == QEvent::Enter)
        widget->setCursor(Qt::PointingHandCursor);
    else if (widget && event->type() == QEvent::Leave)
        widget->unsetCursor();
    return QWidget::eventFilter(watched, event);
}
