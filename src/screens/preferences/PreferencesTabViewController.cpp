#include "screens/preferences/PreferencesTabViewController.h"

#include "model/TextLookup.h"
#include "screens/preferences/AlertSettingsPreferencesVC.h"
#include "screens/preferences/ExcludedPreferencesVC.h"
#include "screens/preferences/GeneralPreferencesVC.h"
#include "screens/preferences/ProtectedFoldersPreferencesVC.h"
#include "screens/preferences/ScanSettingPreferencesVC.h"
#include "screens/shell/AppDelegate.h"
#include "model/Palette.h"

#include <QScrollArea>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

PreferencesTabViewController::PreferencesTabViewController(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    tabView = new QTabWidget(this);
    tabView->setDocumentMode(true);
    layout->addWidget(tabView);
    general = new GeneralPreferencesVC;
    alerts = new AlertSettingsPreferencesVC;
    scanSettings = new ScanSettingPreferencesVC;
    protectedFolders = new ProtectedFoldersPreferencesVC;
    excluded = new ExcludedPreferencesVC;
    // Each pane scrolls inside its tab when the window is smaller than the pane (a small screen, or
    // one at a high scaling): no frame and no background of its own, so the pane looks as it would
    // on its own.
    for (PreferencesPane *pane : panes()) {
        auto *scroller = new QScrollArea(tabView);
        scroller->setObjectName(pane->metaObject()->className() + QStringLiteral("Scroller"));
        scroller->setFrameShape(QFrame::NoFrame);
        scroller->setWidgetResizable(true);
        scroller->setBackgroundRole(QPalette::NoRole);
        scroller->setAutoFillBackground(false);
        scroller->viewport()->setAutoFillBackground(false);
        scroller->setFocusPolicy(Qt::NoFocus);
        scroller->setWidget(pane);
        pane->setAutoFillBackground(false); // setWidget turned it on
        tabView->addTab(scroller, QString());
    }
    setMinimumSize(minimumWindowSize());
    // The style's own check boxes are dark squares on the dark panes: every box gets a light
    // outline, ticked ones the gold fill with a tick.
    setStyleSheet(QStringLiteral(
        "QCheckBox::indicator { width: 14px; height: 14px; border: 1px solid " TWINSIFT_INDICATOR_BORDER_CSS ";"
        " border-radius: 3px; background: " TWINSIFT_PREFERENCES_BACKGROUND_CSS "; }"
        "QCheckBox::indicator:hover { border-color: " TWINSIFT_HOVER_LIGHT_CSS "; }"
        "QCheckBox::indicator:checked { background: " TWINSIFT_GOLD_CSS "; border-color: " TWINSIFT_GOLD_CSS ";"
        " image: url(:/images/welcome-check.png); }"
        "QCheckBox::indicator:disabled { border-color: " TWINSIFT_CONTROL_BORDER_CSS "; background: rgb(36, 36, 36); }"
        "QCheckBox::indicator:checked:disabled { background: rgb(110, 95, 50); }"));
    viewDidLoad();
}

std::array<PreferencesPane *, 5> PreferencesTabViewController::panes() const
{
    return {general, alerts, scanSettings, protectedFolders, excluded};
}

void PreferencesTabViewController::viewDidLoad()
{
    const auto all = panes();
    for (int i = 0; i < int(all.size()) && i < tabView->count(); ++i)
        tabView->setTabText(i, localizedText(all[size_t(i)]->titleKey()));
}

void PreferencesTabViewController::viewWillAppear()
{
    if (selectedPreferencesTab >= 0 && selectedPreferencesTab < tabView->count())
        tabView->setCurrentIndex(selectedPreferencesTab);
}

QSize PreferencesTabViewController::minimumWindowSize()
{
    // Inside a 1280 x 720 screen at 150 % (853 x 480 points) with a title bar and a panel; what
    // does not fit the window then scrolls within its tab.
    return {600, 380};
}

void PreferencesTabViewController::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        viewWillAppear();
    QWidget::showEvent(event);
}
