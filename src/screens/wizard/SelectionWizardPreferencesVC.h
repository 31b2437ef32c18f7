#pragma once

#include "model/Palette.h"
#include <QColor>
#include <QWidget>

#include <array>

class QFrame;
class QLabel;
class QPushButton;
class QStackedLayout;
class WizardPage;

// The selection wizard: a sheet over the results screen with three pages (the marking rules, the
// file-format order and the folder order) chosen by three tabs. It decides whether the pages' Mark
// buttons can be used and owns the two ways out the pages share: Cancel (close) and Mark, which
// marks every shown group by the rules. Both leave pop-up mode. Made once by the screen registry
// ("SelectionWizardPreferences").
class SelectionWizardPreferencesVC : public QWidget
{
    Q_OBJECT
public:
    explicit SelectionWizardPreferencesVC(QWidget *parent = nullptr);

    QPushButton *btnSelectionPriority = nullptr;
    QPushButton *btnFileFormats = nullptr;
    QPushButton *btnFolders = nullptr;
    QWidget *customView = nullptr;
    QFrame *boxSelectionPriority = nullptr;
    QFrame *boxLinePriority = nullptr;
    QLabel *titleSelectionPriority = nullptr;
    QFrame *boxFileFormats = nullptr;
    QFrame *boxLineFileFormat = nullptr;
    QLabel *titleFileFormats = nullptr;
    QFrame *boxFolders = nullptr;
    QFrame *boxLineFolders = nullptr;
    QLabel *titleFolders = nullptr;
    QLabel *lblSelectionWizard = nullptr;
    QLabel *lblPleaseSelectTheAutoSelection = nullptr;
    const QColor selectedColor = Palette::boxBackground;
    const QColor unSelectedColor = Palette::windowBackground;

    void showSelectionPriorityPage();
    void showFileFormatsPage();
    void showFoldersPage();
    // Cancel: leaves pop-up mode, dismisses the sheet, hides the results screen's dimming layer.
    // The edits made on the pages stay in effect.
    void close();
    // Mark: the same ways out, then every shown group is marked by the rules.
    void markAndClose();

    // The tab shown (0 rules, 1 file formats, 2 folders).
    int currentPage() const { return m_current; }
    WizardPage *page(int index) const { return m_pages[std::size_t(index)]; }
    // Mark of every page: enabled exactly when a shown file is unprotected and a rule is ticked.
    void refreshMarkControls();
    // What the sheet does each time it is about to be shown (also run by showEvent).
    void willAppear();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showPage(int index);
    void leave();
    std::array<WizardPage *, 3> m_pages{};
    QStackedLayout *m_stack = nullptr;
    int m_current = 0;
};
