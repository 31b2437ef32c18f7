#include "screens/preferences/PreferencesPane.h"

#include "model/TextLookup.h"
#include "controls/FocusRing.h"
#include "model/Palette.h"
#include "controls/TableKeyboard.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

PreferencesPane::PreferencesPane(const QString &titleKey, QWidget *parent)
    : QWidget(parent)
    , m_titleKey(titleKey)
{
}

void PreferencesPane::viewDidAppear()
{
    if (QWidget *top = window(); top && top != this)
        top->setWindowTitle(localizedText(m_titleKey));
}

void PreferencesPane::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return; // the window coming back from minimised: the pane did not change
    viewWillAppear();
    viewDidAppear();
}

QLabel *PreferencesPane::makeCaption(QWidget *parent, bool bold)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

PreferencesPane::FolderTable PreferencesPane::makeFolderTable(QWidget *pane, int columns)
{
    FolderTable parts;
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(kSideInset, 14, kSideInset, 14);
    layout->setSpacing(8);
    parts.caption = makeCaption(pane);
    layout->addWidget(parts.caption);
    parts.table = new QTableWidget(0, columns, pane);
    parts.table->verticalHeader()->hide();
    parts.table->setSelectionMode(QAbstractItemView::SingleSelection);
    parts.table->setSelectionBehavior(QAbstractItemView::SelectRows);
    parts.table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    parts.table->setShowGrid(false);
    parts.table->setAlternatingRowColors(true);
    parts.table->setIconSize(QSize(16, 16));
    parts.table->setTextElideMode(Qt::ElideMiddle);
    TableKeyboard::install(parts.table);
    parts.table->setStyleSheet(FocusRing::tableRules(QStringLiteral("QTableView"), QStringLiteral(TWINSIFT_FRAME_CSS)));
    layout->addWidget(parts.table, 1);
    auto *buttons = new QHBoxLayout;
    parts.add = new QPushButton(pane);
    parts.remove = new QPushButton(pane);
    buttons->addWidget(parts.add);
    buttons->addWidget(parts.remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    parts.add->setText(localizedText(QStringLiteral("IDS_TWK_198")));
    parts.remove->setText(localizedText(QStringLiteral("IDS_TWK_199")));
    parts.add->setCursor(Qt::PointingHandCursor);
    parts.remove->setCursor(Qt::PointingHandCursor);
    parts.remove->setEnabled(false);
    return parts;
}
