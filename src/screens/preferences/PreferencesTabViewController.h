#pragma once

#include <QWidget>

#include <array>

class QTabWidget;
class PreferencesPane;
class GeneralPreferencesVC;
class AlertSettingsPreferencesVC;
class ScanSettingPreferencesVC;
class ProtectedFoldersPreferencesVC;
class ExcludedPreferencesVC;

// The content of the Preferences window: five tabs, one pane each (general, alerts, scan settings,
// protected folders, excluded folders). Each time it comes on screen it selects the tab
// selectedPreferencesTab names; while it stays on screen the user's tab is kept.
class PreferencesTabViewController : public QWidget
{
    Q_OBJECT
public:
    explicit PreferencesTabViewController(QWidget *parent = nullptr);

    QTabWidget *tabView = nullptr;
    GeneralPreferencesVC *general = nullptr;
    AlertSettingsPreferencesVC *alerts = nullptr;
    ScanSettingPreferencesVC *scanSettings = nullptr;
    ProtectedFoldersPreferencesVC *protectedFolders = nullptr;
    ExcludedPreferencesVC *excluded = nullptr;

    // The panes in tab order.
    std::array<PreferencesPane *, 5> panes() const;

    // Labels the five tabs from the language table (empty labels without it).
    void viewDidLoad();
    // Selects the tab of selectedPreferencesTab.
    void viewWillAppear();

    // The smallest size of the window; a pane taller or wider than its tab then scrolls.
    static QSize minimumWindowSize();

protected:
    void showEvent(QShowEvent *event) override;
};
