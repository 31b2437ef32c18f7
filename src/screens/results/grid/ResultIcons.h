#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <QString>

class QPainter;

// The pictures of the result views, drawn as vectors so they stay sharp at every scale: the
// header images "selectall", "unselectall", "lock.png", "unlock.png" and the zoom images
// "NSAddTemplate" / "NSRemoveTemplate" (by those names), and the badges painted on cells and rows.
namespace ResultIcons {

QIcon named(const QString &name);

// Colours of the result cells.
QColor cellBorderColor();     // 71/255 grey
QColor cellHighlightColor();  // white
QColor thumbnailBackground(); // 34/255 grey
QColor headerColor();         // 64/255 grey

void paintCheckBox(QPainter &painter, const QRectF &rect, bool checked, bool enabled);
void paintLockBadge(QPainter &painter, const QRectF &rect);
void paintVideoBadge(QPainter &painter, const QRectF &rect);
void paintOrientationBadge(QPainter &painter, const QRectF &rect);
void paintPhotosBadge(QPainter &painter, const QRectF &rect);
// The mark of a photo whose picture cannot be shown, in a square `rect`: a picture with arrows
// pointing out past its corners when it is too large to open, else a picture broken in two.
void paintUnshownMark(QPainter &painter, const QRectF &rect, bool tooLarge);

} // namespace ResultIcons
