#pragma once

#include <QStringList>
#include <QWidget>
#include <optional>

class QMimeData;

// The area of the home screen that takes files and folders dragged from the file manager.
// Every drag is shown with the copy action; a drop of local files posts "DropViewTWK" (no
// userInfo object) with userInfo { "urls": QStringList of the absolute paths, in drag order }.
// It neither filters nor checks the paths; the scan list decides what it takes.
class DropView : public QWidget
{
    Q_OBJECT
public:
    explicit DropView(QWidget *parent = nullptr);

    // The local file paths a drag carries, in order; empty when it carries none.
    static QStringList droppedPaths(const QMimeData *mimeData);

    // Takes a drop: posts "DropViewTWK" and answers true, or answers false and posts nothing when
    // the data holds no file paths.
    bool performDragOperation(const QMimeData *mimeData);

    // The first path of the last drop taken.
    std::optional<QString> filePath;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
