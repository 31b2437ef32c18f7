#include "services/PhotosLibraryFlow.h"

#include "model/ModuleState.h"
#include "model/TextLookup.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/PhotosApp.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace {

QString libraryPathOf(const InitialDirectory &entry)
{
    return QDir::cleanPath(entry.url->toLocalFile());
}

QString libraryDisplayName(const QString &libraryPath)
{
    const QString name = QFileInfo(libraryPath).fileName();
    return name.isEmpty() ? libraryPath : name;
}

// The continuation handed to the home screen with a question: only its first call counts, and
// nothing runs once the flow is gone.
template <class Step>
auto firstAnswerOnly(PhotosLibraryFlow *flow, Step step)
{
    auto answered = std::make_shared<bool>(false);
    return [self = QPointer<PhotosLibraryFlow>(flow), answered, step](auto... answer) {
        if (*answered || !self)
            return;
        *answered = true;
        step(*self, answer...);
    };
}

} // namespace

PhotosLibraryFlow::PhotosLibraryFlow(Callbacks callbacks, QObject *parent)
    : QObject(parent)
    , m_callbacks(std::move(callbacks))
{
    // The reader asks the flow's switch between rows, within its queries and while it copies.
    reader.shouldStop = [stop = m_stopRead] { return stop->load(); };
}

PhotosLibraryFlow::~PhotosLibraryFlow()
{
    m_stopRead->store(true);
    m_worker.reset(); // waits for a read in progress, which the stop ends at once
}

void PhotosLibraryFlow::stopReading()
{
    if (m_reading)
        m_stopRead->store(true);
}

bool PhotosLibraryFlow::isPhotosLibraryEntry(const InitialDirectory &entry)
{
    if (!entry.url)
        return false;
    return QFileInfo(QDir::cleanPath(entry.url->path())).suffix().toLower() == QLatin1String("photoslibrary");
}

PhotosLibraryAlert PhotosLibraryFlow::quitPhotosAlert()
{
    return {localizedText(QStringLiteral("IDS_TWK_215")),
            localizedText(QStringLiteral("IDS_TWK_216")),
            {localizedText(QStringLiteral("IDS_TWK_217")), localizedText(QStringLiteral("IDS_TWK_218"))}};
}

PhotosLibraryAlert PhotosLibraryFlow::photosDidNotQuitAlert(const QStringList &libraryPaths)
{
    QStringList names;
    for (const QString &path : libraryPaths)
        names << libraryDisplayName(path);
    return {localizedText(QStringLiteral("IDS_TWK_4101")),
            substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_4102")), {names.join(QStringLiteral(", "))}),
            {localizedText(QStringLiteral("IDS_TWK_4103"))}};
}

PhotosLibraryAlert PhotosLibraryFlow::libraryUnreadableAlert(const QString &libraryPath,
                                                             PhotosLibraryReader::Failure failure)
{
    QString cause;
    switch (failure) {
    case PhotosLibraryReader::Failure::DatabaseMissing:
        cause = localizedText(QStringLiteral("IDS_TWK_4105"));
        break;
    case PhotosLibraryReader::Failure::CopyFailed:
        cause = localizedText(QStringLiteral("IDS_TWK_4106"));
        break;
    case PhotosLibraryReader::Failure::OpenFailed:
        cause = localizedText(QStringLiteral("IDS_TWK_4107"));
        break;
    case PhotosLibraryReader::Failure::ReadFailed:
    case PhotosLibraryReader::Failure::None:
        cause = localizedText(QStringLiteral("IDS_TWK_4108"));
        break;
    }
    const QString advice = localizedText(QStringLiteral("IDS_TWK_4109"));
    QString informative = cause;
    if (!advice.isEmpty())
        informative += (informative.isEmpty() ? QString() : QStringLiteral(" ")) + advice;
    return {substitutePlaceholders(localizedText(QStringLiteral("IDS_TWK_4104")), {libraryDisplayName(libraryPath)}),
            informative,
            {localizedText(QStringLiteral("IDS_TWK_4110")), localizedText(QStringLiteral("IDS_TWK_4111"))}};
}

std::vector<InitialDirectory> &PhotosLibraryFlow::workingList()
{
    return m_callbacks.initialDirectories();
}

void PhotosLibraryFlow::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    if (m_callbacks.busyChanged)
        m_callbacks.busyChanged(busy);
}

bool PhotosLibraryFlow::scanOrReadPhotosLibrary()
{
    if (m_busy)
        return false;
    const std::vector<InitialDirectory> &list = workingList();
    const bool hasTickedLibrary = std::any_of(list.begin(), list.end(), [](const InitialDirectory &entry) {
        return entry.isChecked && isPhotosLibraryEntry(entry);
    });
    if (!hasTickedLibrary) {
        m_callbacks.startScan();
        return true;
    }
    setBusy(true);
    if (platform::PhotosApp::shared().isRunning())
        askToQuitPhotos();
    else
        locatePhotosDatabaseFiles();
    return true;
}

void PhotosLibraryFlow::askToQuitPhotos()
{
    setBusy(true);
    if (!m_callbacks.askToQuitPhotos) {
        logWarning(lcServices) << "Photos is running; the Photos library is left out of this scan";
        skipPhotosLibrary();
        return;
    }
    m_callbacks.askToQuitPhotos(quitPhotosAlert(), firstAnswerOnly(this, [](PhotosLibraryFlow &flow, bool quitPhotos) {
                                    if (quitPhotos)
                                        flow.removePhotoApp();
                                    else
                                        flow.skipPhotosLibrary();
                                }));
}

void PhotosLibraryFlow::removePhotoApp()
{
    setBusy(true);
    platform::PhotosApp &photos = platform::PhotosApp::shared();
    photos.terminate();
    photos.whenQuit(quitWaitMs, this, [this](bool ended) {
        if (ended) {
            locatePhotosDatabaseFiles();
            return;
        }
        logWarning(lcServices) << "Photos did not quit; the Photos library is left out of this scan";
        if (!m_callbacks.photosDidNotQuit) {
            skipPhotosLibrary();
            return;
        }
        QStringList libraries;
        for (const InitialDirectory &entry : workingList()) {
            if (entry.isChecked && isPhotosLibraryEntry(entry))
                libraries << libraryPathOf(entry);
        }
        m_callbacks.photosDidNotQuit(photosDidNotQuitAlert(libraries),
                                     firstAnswerOnly(this, [](PhotosLibraryFlow &flow) { flow.skipPhotosLibrary(); }));
    });
}

void PhotosLibraryFlow::skipPhotosLibrary()
{
    // The libraries leave the working list here already, so that no scan ever walks a package.
    removeLibraryEntries();
    finishWithScan();
}

void PhotosLibraryFlow::locatePhotosDatabaseFiles()
{
    setBusy(true);
    m_entries.clear();
    m_libraries.clear();
    for (const InitialDirectory &entry : workingList()) {
        if (!entry.isChecked || !isPhotosLibraryEntry(entry))
            continue;
        const QString path = libraryPathOf(entry);
        m_libraries << path;
        if (const auto files = PhotosLibraryReader::locatePhotosDatabaseFiles(path)) {
            PhotosDatabasePaths &paths = photosDatabasePaths();
            paths.libraryDatabase = files->database;
            paths.libraryDatabaseWal = files->wal;
            paths.libraryDatabaseShm = files->shm;
            if (!files->lock.isEmpty())
                paths.libraryLockFile = files->lock;
        }
    }
    readNextLibrary();
}

void PhotosLibraryFlow::readNextLibrary()
{
    if (m_libraries.isEmpty()) {
        scanPhotosLibraryItems();
        return;
    }
    const QString library = m_libraries.takeFirst();
    const std::optional<PhotosLibraryFiles> files = PhotosLibraryReader::locatePhotosDatabaseFiles(library);
    if (!files) {
        logWarning(lcServices) << "No Photos database found in" << library;
        libraryRead(library, PhotosLibraryReader::Failure::DatabaseMissing, {});
        return;
    }
    // The copy and the queries run on the worker; the reader is not touched here until the
    // result is back. The flow outlives its worker (its destructor waits for it).
    if (!m_worker)
        m_worker = std::make_unique<platform::Dispatch::SerialQueue>();
    m_stopRead->store(false);
    m_reading = true;
    QPointer<PhotosLibraryFlow> self = this;
    PhotosLibraryReader *reading = &reader;
    m_worker->async([self, reading, library, files = *files] {
        PhotosLibraryReader::ReadResult read = reading->openPhotosDatabaseCopy(files);
        std::vector<InitialDirectory> entries;
        if (read.failure == PhotosLibraryReader::Failure::None)
            entries = PhotosLibraryReader::photosLibraryEntries(files, read.photosLibrary);
        platform::Dispatch::mainAsync([self, library, failure = read.failure, entries = std::move(entries)]() mutable {
            if (self)
                self->libraryRead(library, failure, std::move(entries));
        });
    });
}

void PhotosLibraryFlow::libraryRead(const QString &library, PhotosLibraryReader::Failure failure,
                                    std::vector<InitialDirectory> entries)
{
    m_reading = false;
    if (m_stopRead->exchange(false)) {
        // Stopped by the user: the scan does not start.
        cancel();
        return;
    }
    if (failure == PhotosLibraryReader::Failure::None) {
        std::move(entries.begin(), entries.end(), std::back_inserter(m_entries));
        readNextLibrary();
        return;
    }
    if (!m_callbacks.libraryUnreadable) {
        logWarning(lcServices) << "Photos library" << library << "cannot be read; scanning without it";
        readNextLibrary();
        return;
    }
    m_callbacks.libraryUnreadable(libraryUnreadableAlert(library, failure), library,
                                  firstAnswerOnly(this, [](PhotosLibraryFlow &flow, bool scanWithoutIt) {
                                      if (scanWithoutIt)
                                          flow.readNextLibrary();
                                      else
                                          flow.cancel();
                                  }));
}

bool PhotosLibraryFlow::isAtOrInsidePhotosLibrary(const InitialDirectory &entry)
{
    if (!entry.url)
        return false;
    // A library package is a folder whose own extension is "photoslibrary": the entry itself or
    // one of the folders above it. A name that merely contains the text (such as
    // "Trip.photoslibrary-export") is an ordinary folder.
    const QStringList parts = QDir::cleanPath(entry.url->path()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(), [](const QString &part) {
        return QFileInfo(part).suffix().compare(QLatin1String("photoslibrary"), Qt::CaseInsensitive) == 0;
    });
}

void PhotosLibraryFlow::removeLibraryEntries()
{
    std::vector<InitialDirectory> &list = workingList();
    list.erase(std::remove_if(list.begin(), list.end(), &PhotosLibraryFlow::isAtOrInsidePhotosLibrary), list.end());
}

void PhotosLibraryFlow::scanPhotosLibraryItems()
{
    removeLibraryEntries();
    std::vector<InitialDirectory> &list = workingList();
    list.insert(list.end(), m_entries.begin(), m_entries.end());
    finishWithScan();
}

void PhotosLibraryFlow::finishWithScan()
{
    m_libraries.clear();
    setBusy(false);
    m_callbacks.startScan();
}

void PhotosLibraryFlow::cancel()
{
    logWarning(lcServices) << "Scan cancelled: a Photos library was not read";
    m_libraries.clear();
    m_entries.clear();
    setBusy(false);
}
