// The snapshot a deletion takes before its first move, on one large group of identical files.

#include "DeletionBench.h"

#include "engine/Deletion.h"
#include "model/ResultState.h"

#include <QElapsedTimer>
#include <QUrl>

#include <nlohmann/json.hpp>

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

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

} // namespace

int deletionBench(const QStringList &args)
{
    qint64 fileCount = 10000;
    qint64 markedCount = -1;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == "--files" && i + 1 < args.size())
            fileCount = args[++i].toLongLong(&ok);
        else if (args[i] == "--marked" && i + 1 < args.size())
            markedCount = args[++i].toLongLong(&ok);
        else
            ok = false;
        if (!ok || fileCount < 2 || markedCount >= fileCount) {
            std::fprintf(stderr, "usage: twinsift-bench --deletion [--files N >= 2] [--marked M < N]\n");
            return 2;
        }
    }
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
