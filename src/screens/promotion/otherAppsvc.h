#pragma once

#include <QStringList>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <vector>

class QGridLayout;
class QLabel;
class QScrollArea;
class collectionView_cell;

// The content of the other-apps window: the catalogue's applications that are not installed, as a
// grid of cards in one of the seventeen display orders, drawn each time the window is shown.
class otherAppsvc : public QWidget
{
    Q_OBJECT
public:
    explicit otherAppsvc(QWidget *parent = nullptr);

    QLabel *lblotherapps = nullptr;
    QScrollArea *scrollview = nullptr;
    // The grid of cards (inside the scroll area).
    QWidget *collectionView = nullptr;
    // The cards shown, in display order: "Title", "description", "icon", "apppath", "category".
    std::vector<QVariantMap> allappsDic;
    bool isfirstTimeLodded = false;
    // The display order in use, as row numbers.
    std::vector<int> randomPrmotarr;
    // The side inset last computed by the layout; never negative.
    double space = 0;

    // The random draw: a whole number from 0 to bound - 1. Tests fix it.
    std::function<int(int bound)> randomDraw;
    // The installed test of a desktop-file id. Tests replace it.
    std::function<bool(const QString &)> isInstalled;

    // Draws an order, tests which applications are installed and makes the cards.
    void buildOtherAppsList();
    void configureCollectionView();
    void btnAppStoreClicked(int tag);
    // The card at a position, or nullptr.
    collectionView_cell *card(int index) const;
    int numberOfItems() const { return int(allappsDic.size()); }

    // The installed flag of each catalogue row (index 0 is row 1) as last tested.
    std::vector<bool> otherAppInstalledFlags;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshOtherAppInstalledFlags();
    void reloadData();
    QGridLayout *m_grid = nullptr;
    std::vector<collectionView_cell *> m_cards;
};
