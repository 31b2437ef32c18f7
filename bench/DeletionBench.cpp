// The snapshot a deletion takes before its first move, on one large group of identical files; and
// the whole walk of a deletion over real files, with the pause switch flipped while it runs, or with
// every marked file of one name.

#include "DeletionBench.h"

#include "engine/Deletion.h"
#include "model/ResultState.h"
#include "platform/FreedesktopTrash.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <nlohmann/json.hpp>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

namespace {

// Resident memory now (VmRSS) and at its peak (VmHWM), in MiB.
std::pair<double, double> residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    double now = 0, peak = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            now = std::stod(line.substr(6)) / 1024.0;
        else if (line.rfind("VmHWM:", 0) == 0)
            peak = std::stod(line.substr(6)) / 1024.0;
    }
    return {now, peak};
}

// The contents of the n-th file of the walk: its own, so that a file in the Trash tells which it is.
QByteArray walkContents(qint64 n)
{
    QByteArray contents(2048, char('a' + n % 26));
    const QByteArray number = QByteArray::number(n);
    contents.replace(0, number.size(), number);
    return contents;
}

// Trash entries that would not restore to the file they came from: an info file whose Path is no
// marked file, names one twice or whose entry in files/ is missing or holds another file's contents,
// and entries in files/ without an info file.
qint64 wrongRestoreInfo(const QString &trash, const QHash<QString, QByteArray> &markedContents)
{
    qint64 wrong = 0;
    QSet<QString> restored;
    const QDir info(trash + QStringLiteral("/info"));
    for (const QString &name : info.entryList({QStringLiteral("*.trashinfo")}, QDir::Files)) {
        const auto original = platform::FreedesktopTrash::infoPath(info.filePath(name));
        const QString path = original ? QFile::decodeName(*original) : QString();
        QFile entry(trash + QStringLiteral("/files/") + name.chopped(10));
        const bool right = original && markedContents.contains(path) && !restored.contains(path)
            && entry.open(QIODevice::ReadOnly) && entry.readAll() == markedContents.value(path);
        wrong += !right;
        restored.insert(path);
    }
    for (const QString &name : QDir(trash + QStringLiteral("/files")).entryList(QDir::Files))
        wrong += !info.exists(name + QStringLiteral(".trashinfo"));
    return wrong;
}

// N groups of a kept file and a marked copy, small files in a temporary folder whose own Trash
// takes the moves; the pause switch flips every `toggleMs` milliseconds (0: never) until the walk
// returns. With `sameName` each group has a folder of its own and every marked file the one name
// IMG_0001.JPG, as a camera's backups give. The outcome is checked against the files: every marked
// file in the Trash with the info file that restores it, every kept file where it was.
int walkBench(qint64 count, int toggleMs, bool sameName)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // The moves go to the Trash of the temporary folder, never to the user's.
    qputenv("HOME", QFile::encodeName(dir.path() + QStringLiteral("/home")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + QStringLiteral("/data")));
    QDir().mkpath(dir.path() + QStringLiteral("/home"));
    QDir().mkpath(dir.path() + QStringLiteral("/data"));

    ImageGroups groups;
    QStringList kept, marked;
    QHash<QString, QByteArray> markedContents;
    for (qint64 i = 0; i < count; ++i) {
        const QString folder = dir.path() + QStringLiteral("/photos/%1").arg(sameName ? i : i / 500);
        QDir().mkpath(folder);
        ImageGroup group;
        const QString copyName = sameName ? QStringLiteral("IMG_0001.JPG") : QStringLiteral("copy%1.jpg").arg(i);
        for (const QString &name : {QStringLiteral("keep%1.jpg").arg(i), copyName}) {
            const QString path = folder + QLatin1Char('/') + name;
            const bool isKept = name.startsWith(QLatin1String("keep"));
            const QByteArray contents = walkContents(2 * i + (isKept ? 0 : 1));
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
            file.close(); // the record takes the file's state as it is written
            group.push_back(ImageFile::make(QUrl::fromLocalFile(path)));
            (isKept ? kept : marked) << path;
            if (!isKept)
                markedContents.insert(path, contents);
        }
        groups.push_back(std::move(group));
    }
    ResultState state;
    state.setResults(groups);
    for (qint64 g = 0; g < count; ++g)
        state.mark(int(g), 1);

    auto flags = std::make_shared<ScanFlags>();
    // The clock at the start of the last thousand moves (or of all, when fewer).
    const qint64 lastCount = std::min<qint64>(count, 1000);
    QElapsedTimer timer;
    qint64 lastStartNs = 0;
    DeletionJob::Callbacks callbacks;
    callbacks.visiting = [&](const DeletionProgress &progress) {
        if (progress.visited == count - lastCount)
            lastStartNs = timer.nsecsElapsed();
    };
    DeletionJob job(makeDeletionSnapshot(state), flags, callbacks);
    std::atomic<bool> done{false};
    qint64 toggles = 0;
    std::thread toggler;
    if (toggleMs > 0)
        toggler = std::thread([&] {
            while (!done.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(toggleMs));
                flags->isPaused = !flags->isPaused.load();
                ++toggles;
            }
            flags->isPaused = false;
        });
    timer.start();
    const DeletionOutcome outcome = job.deleteSelectedFiles();
    const qint64 endNs = timer.nsecsElapsed();
    const double seconds = double(endNs) / 1e9;
    done = true;
    if (toggler.joinable())
        toggler.join();

    qint64 markedLeft = 0, keptGone = 0;
    for (const QString &path : marked)
        markedLeft += QFile::exists(path);
    for (const QString &path : kept)
        keptGone += !QFile::exists(path);
    const QString trash = dir.path() + QStringLiteral("/data/Trash");
    const qint64 inTrash = QDir(trash + QStringLiteral("/files")).entryList(QDir::Files).size();
    const qint64 infoWrong = wrongRestoreInfo(trash, markedContents);

    nlohmann::ordered_json out;
    out["marked"] = count;
    out["same_name"] = sameName;
    out["toggle_ms"] = toggleMs;
    out["toggles"] = toggles;
    out["walk_seconds"] = seconds;
    out["last_thousand_ms_per_file"] = double(endNs - lastStartNs) / 1e6 / double(lastCount);
    out["moved"] = outcome.totalRemoveTrash;
    out["in_trash"] = inTrash;
    out["marked_left"] = markedLeft;
    out["kept_gone"] = keptGone;
    out["info_wrong"] = infoWrong;
    out["problems"] = outcome.problems.size();
    std::cout << out.dump(1) << std::endl;
    return outcome.totalRemoveTrash == count && inTrash == count && markedLeft == 0 && keptGone == 0 && infoWrong == 0
        ? 0
        : 1;
}

} // namespace

int deletionBench(const QStringList &args)
{
    qint64 fileCount = 10000;
    qint64 markedCount = -1;
    qint64 walk = 0;
    int toggleMs = 0;
    bool sameName = false;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == "--files" && i + 1 < args.size())
            fileCount = args[++i].toLongLong(&ok);
        else if (args[i] == "--marked" && i + 1 < args.size())
            markedCount = args[++i].toLongLong(&ok);
        else if (args[i] == "--walk" && i + 1 < args.size())
            walk = args[++i].toLongLong(&ok);
        else if (args[i] == "--toggle-pause" && i + 1 < args.size())
            toggleMs = args[++i].toInt(&ok);
        else if (args[i] == "--same-name")
            sameName = true;
        else
            ok = false;
        if (!ok || fileCount < 2 || markedCount >= fileCount || walk < 0 || toggleMs < 0) {
            std::fprintf(stderr,
                         "usage: twinsift-bench --deletion [--files N >= 2] [--marked M < N]\n"
                         "       twinsift-bench --deletion --walk N [--toggle-pause MS] [--same-name]\n");
            return 2;
        }
    }
    if (walk > 0)
        return walkBench(walk, toggleMs, sameName);
    if (markedCount < 0)
        markedCount = fileCount / 2;

    // The records carry what the scan records, so the snapshot reads no file.
    ImageGroups groups(1);
    for (qint64 i = 0; i < fileCount; ++i) {
        auto record = std::make_shared<ImageFile>();
        const QString path =
            QStringLiteral("/srv/photos/folder%1/IMG_%2.jpg").arg(i % 100).arg(i, 6, 10, QLatin1Char('0'));
        record->url = QUrl::fromLocalFile(path);
        record->fileName = path.section(QLatin1Char('/'), -1);
        record->identity = FileIdentity{2049, quint64(100000 + i)};
        record->scannedSize = 3'500'000;
        record->scannedModificationTime = FileTime{1700000000, 0};
        record->scannedChangeTime = FileTime{1700000000, 0};
        record->matchingPercentage = 100.0f;
        groups[0].push_back(std::move(record));
    }
    ResultState state;
    state.setResults(groups);
    // The last M files are marked, the first ones stay.
    for (qint64 row = fileCount - markedCount; row < fileCount; ++row)
        state.mark(0, int(row));

    const auto before = residentMegabytes();
    QElapsedTimer timer;
    timer.start();
    std::vector<DeletionItem> items = makeDeletionSnapshot(state);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const auto after = residentMegabytes();

    nlohmann::ordered_json out;
    out["files"] = fileCount;
    out["marked"] = markedCount;
    out["items"] = items.size();
    out["snapshot_seconds"] = seconds;
    out["snapshot_rss_mb"] = after.first - before.first;
    out["peak_rss_mb"] = after.second;
    std::cout << out.dump(1) << std::endl;
    return 0;
}
