#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <array>
#include <functional>
#include <optional>
#include <vector>

// The free desktop applications the program recommends: one catalogue for the other-apps window,
// the recommended-app panel of the deletion summary and the welcome window.
//
// Rows are numbered 1 to 17; row 2 is this program itself. Rows 1 to 7 link to the project's
// home page, rows 8 to 17 to the desktop's software centre (appstream://<AppStream id>). The
// sixteen promoted applications are the other sixteen rows in catalogue order (promoted 1 is row 1,
// promoted k is row k + 1 from 2 on), so promoted 1 to 6 have web links and 7 to 16 store links.
namespace OtherAppsCatalog {

struct App {
    QStringList desktopIds; // desktop-file ids that mean "installed" (any one of them)
    QString appStreamId;    // the id software centres know the application by
    QString name;
    QString description; // one line
    QString category;
    QString icon; // resource path of the icon
    QString link; // the page the card's button opens
};

constexpr int kRowCount = 17;
constexpr int kPromotedCount = 16;

// Row 1 to 17; nullptr for another number.
const App *row(int number);
// The row's link as a URL; absent when the number is no row or its text is no valid URL.
std::optional<QUrl> rowLink(int number);
// The row's icon; a null image when the resource is missing.
QImage rowIcon(int number);

// The catalogue row of promoted application k (1 to 16), 0 for another k.
int promotedRow(int k);
// The link of promoted application k, made once per run; absent for another k.
std::optional<QUrl> promotedAppLink(int k);

// The seventeen display orders (numbered 1 to 17), each every row number once.
const std::array<std::array<int, kRowCount>, kRowCount> &displayOrders();

// The three tables under their own names: the product table (by row), the display orders and the
// product link table (by promoted number).
inline const App *otherAppsCatalog(int number)
{
    return row(number);
}
inline const std::array<std::array<int, kRowCount>, kRowCount> &otherAppsDisplayOrders()
{
    return displayOrders();
}
inline std::optional<QUrl> promotedAppLinks(int k)
{
    return promotedAppLink(k);
}

// True when one of the row's desktop ids is installed. The test is platform::isAppInstalled
// unless `isInstalled` is given.
bool isRowInstalled(int number, const std::function<bool(const QString &)> &isInstalled = {});

} // namespace OtherAppsCatalog
