#include "controls/DropView.h"

#include "platform/NotificationCenter.h"
#include "model/NotificationNames.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

DropView::DropView(QWidget *parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

QStringList DropView::droppedPaths(const QMimeData *mimeData)
{
    QStringList paths;
    if (!mimeData || !mimeData->hasUrls())
        return paths;
    for (const QUrl &url : mimeData->urls()) {
        if (!url.isLocalFile())
            continue;
        QString path = url.toLocalFile();
        if (path.isEmpty())
            continue;
        // A folder dragged from some file managers arrives with a trailing slash.
        if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        paths.append(path);
    }
    return paths;
}

bool DropView::performDragOperation(const QMimeData *mimeData)
{
    const QStringList paths = droppedPaths(mimeData);
    if (paths.isEmpty())
        return false;
    filePath = paths.first();
    QVariantMap userInfo;
    userInfo.insert(QStringLiteral("urls"), paths);
    platform::NotificationCenter::defaultCenter().post(NotificationName::dropView, userInfo);
    return true;
}

void DropView::dragEnterEvent(QDragEnterEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropView::dragMoveEvent(QDragMoveEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropView::dropEvent(QDropEvent *event)
{
    if (performDragOperation(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
