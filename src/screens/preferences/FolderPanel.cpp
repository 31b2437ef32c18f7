#include "screens/preferences/FolderPanel.h"

#include "model/TextLookup.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QFileDialog>
#include <QListView>
#include <QTreeView>

QFileDialog *openFolderPanel(QWidget *owner, bool showHiddenFiles,
                             std::function<void(bool accepted, const QList<QUrl> &folders)> completion)
{
    auto *panel = new QFileDialog(owner ? owner->window() : nullptr);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    const QString title = localizedText(QStringLiteral("IDS_TWK_46"));
    if (!title.isEmpty()) {
        panel->setWindowTitle(title);
        panel->setLabelText(QFileDialog::Accept, title);
    }
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly, true);
    QDir::Filters filters = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;
    if (showHiddenFiles)
        filters |= QDir::Hidden;
    panel->setFilter(filters);
    // The widget-based chooser selects one item unless its views are told otherwise.
    for (QListView *view : panel->findChildren<QListView *>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QTreeView *view : panel->findChildren<QTreeView *>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QObject::connect(panel, &QFileDialog::finished, panel, [panel, completion = std::move(completion)](int result) {
        QList<QUrl> folders;
        if (result == QDialog::Accepted)
            for (const QString &path : panel->selectedFiles())
                folders.append(QUrl::fromLocalFile(path));
        completion(result == QDialog::Accepted, folders);
    });
    startInUsualFolder(panel);
    panel->open();
    return panel;
}

void startInUsualFolder(QFileDialog *panel)
{
    if (!panel || QDir(panel->directory()).canonicalPath() != QDir::current().canonicalPath())
        return;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    panel->setDirectory(!pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath());
}
