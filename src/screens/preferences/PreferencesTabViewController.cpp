#include "screens/preferences/PreferencesTabViewController.h"

#include "model/TextLookup.h"
#include "screens/preferences/AlertSettingsPreferencesVC.h"
#include "screens/preferences/ExcludedPreferencesVC.h"
#include "screens/preferences/GeneralPreferencesVC.h"
#include "screens/preferences/ProtectedFoldersPreferencesVC.h"
#include "screens/preferences/ScanSettingPreferencesVC.h"
#include "screens/shell/AppDelegate.h"

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
    for (PreferencesPane *pane : panes())
        tabView->addTab(pane, QString());
    setMinimumSize(minimumWindowSize());
    viewDidLoad();
}

std::array<PreferencesPane *, 5> PreferencesTabViewController::panes() const
{
    return {general, alerts, scanSettings, protectedFolders, excluded};
}

PreferencesPane *PreferencesTabViewController::currentPane() const
{
    return qobject_cast<PreferencesPane *>(tabView->currentWidget());
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
    return {700, 500};
}

void PreferencesTabViewController::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        viewWillAppear();
    QWidget::showEvent(event);
}
