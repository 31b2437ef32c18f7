#include "screens/wizard/SelectionWizardPreferencesVC.h"
#include "screens/shell/ScreenNames.h"

#include "engine/AutoMarkEngine.h"
#include "engine/AutoMarkRun.h"
#include "engine/AutoMarkRunSignals.h"
#include "engine/SelectionRuleList.h"
#include "model/ResultState.h"
#include "model/TextLookup.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/SheetPresenter.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/wizard/FileFormatsPreferencesVC.h"
#include "screens/wizard/FoldersPreferencesVC.h"
#include "screens/wizard/SelectionPriorityPreferencesVC.h"
#include "services/SelectionSummary.h"
#include "model/SettingsKeys.h"
#include "model/NotificationNames.h"
#include "model/Palette.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QKeyEvent>
#include <QShowEvent>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace {

QString t(const char *key)
{
    return localizedText(QString::fromLatin1(key));
}

} // namespace

SelectionWizardPreferencesVC::SelectionWizardPreferencesVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SelectionWizardPreferences"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("QWidget#SelectionWizardPreferences { background:"
                                 " " TWINSIFT_PREFERENCES_BACKGROUND_CSS "; }"));
    resize(820, 560);
    setMinimumSize(720, 480);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 14, 0, 0);
    layout->setSpacing(6);
    lblSelectionWizard = new QLabel(this);
    lblSelectionWizard->setAlignment(Qt::AlignCenter);
    lblSelectionWizard->setStyleSheet(QStringLiteral("color: " TWINSIFT_WHITE_CSS "; font-size: 18px; font-weight:"
                                                     " 600;"));
    lblPleaseSelectTheAutoSelection = new QLabel(this);
    lblPleaseSelectTheAutoSelection->setAlignment(Qt::AlignCenter);
    lblPleaseSelectTheAutoSelection->setWordWrap(true);
    lblPleaseSelectTheAutoSelection->setStyleSheet(QStringLiteral("color: " TWINSIFT_SECONDARY_TEXT_CSS ";"
                                                                  " font-size: 12px;"));
    layout->addWidget(lblSelectionWizard);
    layout->addWidget(lblPleaseSelectTheAutoSelection);

    auto *tabs = new QHBoxLayout;
    tabs->setContentsMargins(16, 6, 16, 0);
    tabs->setSpacing(2);
    auto makeTab = [&](QPushButton *&button, QFrame *&box, QFrame *&line, QLabel *&title, const QString &name,
                       int index) {
        box = new QFrame(this);
        box->setObjectName(QStringLiteral("box") + name);
        box->setFixedHeight(38);
        auto *grid = new QGridLayout(box);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setSpacing(0);
        title = new QLabel(box);
        title->setAlignment(Qt::AlignCenter);
        title->setAttribute(Qt::WA_TransparentForMouseEvents);
        title->setStyleSheet(QStringLiteral("color: " TWINSIFT_CONTROL_TEXT_CSS "; font-size: 13px; font-weight:"
                                            " 600;"));
        line = new QFrame(box);
        line->setFixedHeight(3);
        line->setStyleSheet(QStringLiteral("background: " TWINSIFT_GOLD_CSS ";"));
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        button = new QPushButton(box);
        button->setObjectName(QStringLiteral("btn") + name);
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        button->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"
                                             "QPushButton:focus { border: 1px solid " TWINSIFT_GOLD_CSS "; }"));
        grid->setRowStretch(0, 1);
        grid->addWidget(button, 0, 0, 2, 1);
        grid->addWidget(title, 0, 0, 2, 1);
        grid->addWidget(line, 1, 0, Qt::AlignBottom);
        tabs->addWidget(box, 1);
        connect(button, &QPushButton::clicked, this, [this, index] { showPage(index); });
    };
    makeTab(btnSelectionPriority, boxSelectionPriority, boxLinePriority, titleSelectionPriority,
            QStringLiteral("SelectionPriority"), 0);
    makeTab(btnFileFormats, boxFileFormats, boxLineFileFormat, titleFileFormats, QStringLiteral("FileFormats"), 1);
    makeTab(btnFolders, boxFolders, boxLineFolders, titleFolders, QStringLiteral("Folders"), 2);
    layout->addLayout(tabs);

    customView = new QWidget(this);
    customView->setObjectName(QStringLiteral("customView"));
    m_stack = new QStackedLayout(customView);
    m_stack->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(customView, 1);

    titleSelectionPriority->setText(t("IDS_TWK_123"));
    titleFileFormats->setText(t("IDS_TWK_124"));
    titleFolders->setText(t("IDS_TWK_125"));
    lblSelectionWizard->setText(t("IDS_TWK_53"));
    lblPleaseSelectTheAutoSelection->setText(t("IDS_TWK_54"));

    m_pages = {qobject_cast<WizardPage *>(selectionPriorityPreferencesVC()),
               qobject_cast<WizardPage *>(fileFormatsPreferencesVC()),
               qobject_cast<WizardPage *>(foldersPreferencesVC())};
    for (WizardPage *page : m_pages) {
        if (!page)
            qFatal("The selection wizard lacks one of its pages");
        m_stack->addWidget(page);
        connect(page, &WizardPage::edited, this, [this] { refreshMarkControls(); });
    }
    m_stack->setCurrentIndex(0);
    // No edit of the rules while a marking runs on the worker.
    connect(&AutoMarkRunSignals::instance(), &AutoMarkRunSignals::runningChanged, this,
            [this](bool running) { customView->setEnabled(!running); });
}

void SelectionWizardPreferencesVC::keyPressEvent(QKeyEvent *event)
{
    // Escape leaves the wizard as Cancel does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SelectionWizardPreferencesVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        willAppear();
}

void SelectionWizardPreferencesVC::willAppear()
{
    // The pages are embedded in the sheet, so each gets its appear step as the sheet appears; a
    // later switch between them reloads nothing.
    for (WizardPage *page : m_pages)
        page->willAppear();
    showSelectionPriorityPage();
}

void SelectionWizardPreferencesVC::refreshMarkControls()
{
    const bool canMark = hasUnprotectedResultFile(ResultState::shared()) && SelectionRuleList::hasRules();
    for (WizardPage *page : m_pages)
        page->setMarkEnabled(canMark);
}

void SelectionWizardPreferencesVC::showPage(int index)
{
    m_current = index;
    const std::array<QFrame *, 3> boxes = {boxSelectionPriority, boxFileFormats, boxFolders};
    const std::array<QFrame *, 3> lines = {boxLinePriority, boxLineFileFormat, boxLineFolders};
    for (int k = 0; k < 3; ++k) {
        const QColor fill = k == index ? selectedColor : unSelectedColor;
        boxes[std::size_t(k)]->setStyleSheet(
            QStringLiteral("QFrame#%1 { background: %2; }").arg(boxes[std::size_t(k)]->objectName(), fill.name()));
        lines[std::size_t(k)]->setVisible(k == index);
    }
    m_stack->setCurrentIndex(index);
    refreshMarkControls();
}

void SelectionWizardPreferencesVC::showSelectionPriorityPage()
{
    showPage(0);
}

void SelectionWizardPreferencesVC::showFileFormatsPage()
{
    showPage(1);
}

void SelectionWizardPreferencesVC::showFoldersPage()
{
    showPage(2);
}

void SelectionWizardPreferencesVC::leave()
{
    platform::UserDefaults::standard().setBool(SettingsKey::isPopUp, false);
    platform::SheetPresenter::dismissSheet(this);
    if (auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult))
        if (results->boxTopBlackLayer)
            results->boxTopBlackLayer->hide();
    // The home screen gives the window and its controls back once nothing else is up.
    platform::NotificationCenter::defaultCenter().post(NotificationName::closeToExitVC);
}

void SelectionWizardPreferencesVC::close()
{
    leave();
}

void SelectionWizardPreferencesVC::markAndClose()
{
    // The rules may not change under a marking on the worker: Mark waits for its end.
    if (AutoMarkRun::isRunning())
        return;
    leave();
    // The results screen marks a large result on its worker, locked and with its progress shown.
    if (auto *results = AllViewControllers::cached<ScanResultVC>(ScreenName::scanResult)) {
        results->markEveryGroup();
        return;
    }
    ResultState &state = ResultState::shared();
    if (state.shownGroupCount() > 0) {
        autoMarkAllGroups(state);
        refreshSelectionState();
    }
    if (state.hasMarks()) {
        if (auto *grid = AllViewControllers::cached<ThumbnailVC>(ScreenName::thumbnail))
            grid->reloadData();
        if (auto *list = AllViewControllers::cached<ListViewVC>(ScreenName::listView))
            list->reloadData();
    }
}
