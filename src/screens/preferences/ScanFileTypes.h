#pragma once

#include <QStringList>

// The file-type rows of the scan settings: which extensions each of the 38 rows switches, and how
// a row's switch reads and edits the list of scanned extensions.
namespace ScanFileTypes {

constexpr int kRowCount = 38;

// The extensions row `row` switches, in the order they are added; empty for another row. Taken in
// row order the rows give allExtensions in its order.
const QStringList &rowExtensions(int row);

// A row is on when every one of its extensions is in the list.
bool isRowOn(const QStringList &scanned, int row);
// Switching on appends the row's extensions that are missing, in the row's order; switching off
// removes every occurrence of each of them (an absent one is ignored). Other rows are not touched.
void setRowOn(QStringList &scanned, int row, bool on);

} // namespace ScanFileTypes
