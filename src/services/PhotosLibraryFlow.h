#pragma once

#include "model/InitialDirectory.h"
#include "services/PhotosLibraryReader.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform::Dispatch {
class SerialQueue;
}

// The texts of one alert the home screen shows on the flow's behalf, taken from the language
// table. The first button title is the first (default) button.
struct PhotosLibraryAlert {
    QString messageText;
    QString informativeText;
    QStringList buttonTitles;
};

// The steps between the Scan button and the scan sheet when the working scan list holds a Photos
// library: the question whether to quit Photos, its two answers, locating each library's database
// files, reading them and turning the items into single-file entries of the working list. It shows
// nothing itself: where the user must answer or be told, it calls the home screen back with the
// alert's texts and a continuation, which the home screen calls with the user's answer (at once
// or later; only the first call counts). Main thread only; the libraries themselves are read on
// the flow's worker thread, so the interface stays responsive while a large library is read.
//
// Wiring on the home screen (ViewController):
// clang-format off
//
//     PhotosLibraryFlow::Callbacks callbacks;
//     callbacks.initialDirectories = [] () -> std::vector<InitialDirectory> & {
//         return addFilesVC()->initialDirectories; };
//     callbacks.startScan = [this] { startScan(); };
//     callbacks.askToQuitPhotos = [this](const PhotosLibraryAlert &a, auto answer) {
//         ...first button: answer(true), second: answer(false) };
//     callbacks.photosDidNotQuit = [this](const PhotosLibraryAlert &a, auto done) { ...one button: done() };
//     callbacks.libraryUnreadable = [this](const PhotosLibraryAlert &a, const QString &path, auto answer) {
//         ...first button: answer(true), second: answer(false) };
//     m_photosFlow = new PhotosLibraryFlow(callbacks, this);
//
//     tappedScanForDuplicates: empty the cached sheet/grid/list slots, copy scanList into
//     initialDirectories, then m_photosFlow->scanOrReadPhotosLibrary();
//
// What follows each entry point:
// - scanOrReadPhotosLibrary(): no ticked library in the list -> startScan. A ticked library and
//   Photos running -> askToQuitPhotos. Otherwise -> locatePhotosDatabaseFiles.
// - Quit answer (removePhotoApp): Photos is asked to quit and the flow waits, bounded by
//   quitWaitMs, with the event loop running. Once Photos has ended -> locatePhotosDatabaseFiles;
//   if it does not end -> photosDidNotQuit, then the scan starts without the libraries.
// - Skip answer (skipPhotosLibrary): the library entries leave the working list and the scan starts.
// - locatePhotosDatabaseFiles: every ticked library of the working list is read in list order,
//   one after the other on the worker; the flow goes on on the main thread when a read ends.
//   A library that cannot be read -> libraryUnreadable: answer(true) goes on without it,
//   answer(false) cancels (no scan starts; the working list is left as it was).
//   stopReading() ends the read in progress and cancels in the same way.
//   Then scanPhotosLibraryItems: every entry at or inside a library package (a folder whose own
//   extension is "photoslibrary") leaves the working list, the items of the libraries read are
//   appended, and startScan runs.
// clang-format on
class PhotosLibraryFlow : public QObject
{
    Q_OBJECT

public:
    struct Callbacks {
        // The working copy of the scan list (AddFilesVC.initialDirectories). Required.
        std::function<std::vector<InitialDirectory> &()> initialDirectories;
        // ViewController.startScan: hands the working list to the scan sheet. Required.
        std::function<void()> startScan;
        // The quit-Photos question: answer(true) quits Photos and reads, answer(false) skips.
        // Without it, the libraries are skipped.
        std::function<void(const PhotosLibraryAlert &, std::function<void(bool quitPhotos)>)> askToQuitPhotos;
        // Photos did not end within the wait: tell the user, then call done().
        std::function<void(const PhotosLibraryAlert &, std::function<void()> done)> photosDidNotQuit;
        // A library cannot be read: answer(true) scans without it, answer(false) cancels the scan.
        std::function<void(const PhotosLibraryAlert &, const QString &libraryPath,
                           std::function<void(bool scanWithoutIt)>)>
            libraryUnreadable;
        // Optional: told when the flow starts waiting for an answer or for Photos, and when it has
        // handed over to startScan or was cancelled, so the home screen can keep its Scan button off.
        std::function<void(bool busy)> busyChanged;
    };

    explicit PhotosLibraryFlow(Callbacks callbacks, QObject *parent = nullptr);
    // Stops a read in progress and waits for the worker.
    ~PhotosLibraryFlow() override;

    // The Photos part of the Scan action, run after the working list was taken. Ignored (false)
    // while an earlier run still waits for an answer or for Photos.
    bool scanOrReadPhotosLibrary();
    bool isBusy() const { return m_busy; }

    // The single steps, for the callers above and for tests.
    void askToQuitPhotos();
    void removePhotoApp();
    void skipPhotosLibrary();
    void locatePhotosDatabaseFiles();
    void scanPhotosLibraryItems();

    // Ends the read in progress through the reader's stop hook; the flow then cancels (no scan
    // starts). Ignored when no read runs.
    void stopReading();
    // True while a library is being read on the worker.
    bool isReading() const { return m_reading; }

    // How long Photos may take to quit.
    int quitWaitMs = 10000;

    // The reader and the items of the last read (all libraries, in list order). The reader works
    // on the worker thread while isReading(); set its limits between reads only. Its stop hook is
    // the flow's own (stopReading).
    PhotosLibraryReader reader;
    const std::vector<InitialDirectory> &photosLibraryEntries() const { return m_entries; }

    // An entry stands for a Photos library: its URL's path ends in ".photoslibrary" (any case).
    static bool isPhotosLibraryEntry(const InitialDirectory &entry);
    // An entry is a library package or lies inside one: its own extension or that of a folder
    // above it is "photoslibrary" (any case). Such entries leave the working list when the
    // libraries are read or skipped.
    static bool isAtOrInsidePhotosLibrary(const InitialDirectory &entry);
    // The alert texts, for the home screen's tests.
    static PhotosLibraryAlert quitPhotosAlert();
    static PhotosLibraryAlert photosDidNotQuitAlert(const QStringList &libraryPaths);
    static PhotosLibraryAlert libraryUnreadableAlert(const QString &libraryPath, PhotosLibraryReader::Failure failure);

private:
    std::vector<InitialDirectory> &workingList();
    void setBusy(bool busy);
    void readNextLibrary();
    // The main thread's part after one library was read on the worker.
    void libraryRead(const QString &library, PhotosLibraryReader::Failure failure,
                     std::vector<InitialDirectory> entries);
    void removeLibraryEntries();
    void finishWithScan();
    void cancel();

    Callbacks m_callbacks;
    bool m_busy = false;
    QStringList m_libraries;                 // ticked libraries still to read
    std::vector<InitialDirectory> m_entries; // items read so far
    bool m_reading = false;
    std::shared_ptr<std::atomic<bool>> m_stopRead = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<platform::Dispatch::SerialQueue> m_worker;
};
