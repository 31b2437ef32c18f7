#include "engine/AutoMarkRules.h"

#include "model/ModuleState.h"

#include <QDir>
#include <QUrl>

AutoMarkRules AutoMarkRules::current()
{
    AutoMarkRules rules;
    rules.order = selectionPriorityOrder;
    rules.fileFormatPriorities = ::fileFormatPriorities;
    rules.folderPriorities = ::folderPriorities;
    rules.photosLibraryRoot = defaultPhotosLibraryRoot();
    return rules;
}

QString AutoMarkRules::defaultPhotosLibraryRoot()
{
    // The database file less its last two components ("database/photos.db"), as a folder URL.
    const QString package = QDir::homePath() + QStringLiteral("/Pictures/Photos Library.photoslibrary/");
    return QUrl::fromLocalFile(package).toString(QUrl::FullyEncoded);
}
