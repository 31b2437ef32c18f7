// The results screen's operations over many groups: regrouping, the videos-only filter and the
// counters, timed apart (median of several runs each).

#include "ResultsBench.h"

#include "model/ModuleState.h"
#include "services/MVNAssistance.h"
#include "model/ResultRegrouping.h"
#include "model/ResultState.h"
#include "services/ResultProtection.h"
#include "services/SelectionSummary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <random>

namespace {

template <class Work>
double medianMilliseconds(int runs, Work work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void regroup(ResultState &state, int level)
{
    const ResultRegrouping::FileMemory memory = ResultRegrouping::remember(state);
    ResultRegrouping::showGroups(state, ResultRegrouping::groupsAtMatchingLevel(state.allImages, level), memory, false);
    rederiveProtection(state);
}

} // namespace

int resultsBench(const QStringList &args)
{
    qint64 groupCount = 20000;
    qint64 fileCount = 50000;
    quint32 seed = 1;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == "--groups" && i + 1 < args.size())
            groupCount = args[++i].toLongLong(&ok);
        else if (args[i] == "--files" && i + 1 < args.size())
            fileCount = args[++i].toLongLong(&ok);
        else if (args[i] == "--seed" && i + 1 < args.size())
            seed = args[++i].toUInt(&ok);
        else
            ok = false;
        if (!ok || groupCount < 1 || fileCount < 2 * groupCount) {
            std::fprintf(stderr, "usage: twinsift-bench --results [--groups N] [--files M >= 2N] [--seed S]\n");
            return 2;
        }
    }

    localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // 200 folders; two of them protected (one with its sub-folders).
    for (int f = 0; f < 200; ++f)
        QDir().mkpath(dir.path() + QStringLiteral("/f%1/sub").arg(f));
    protectedFolders = {InitialDirectory(QUrl::fromLocalFile(dir.path() + QStringLiteral("/f7"))),
                        InitialDirectory(QUrl::fromLocalFile(dir.path() + QStringLiteral("/f42")))};
    protectedSubFolderFlags = {true, false};

    std::mt19937 random(seed);
    QElapsedTimer makeTimer;
    makeTimer.start();
    ImageGroups groups;
    groups.resize(size_t(groupCount));
    for (qint64 i = 0; i < fileCount; ++i) {
        // Every group gets two files, the rest go to random groups.
        const size_t g = i < 2 * groupCount ? size_t(i / 2) : size_t(random() % quint64(groupCount));
        const QString path = dir.path()
            + QStringLiteral("/f%1%2/p%3.jpg")
                  .arg(random() % 200)
                  .arg(random() % 4 == 0 ? QStringLiteral("/sub") : QString())
                  .arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        const qint64 size = qint64(1024 + random() % 4096);
        file.resize(size);
        auto record = std::make_shared<ImageFile>();
        record->scannedSize = quint64(size); // as the scan records it
        record->url = QUrl::fromLocalFile(path);
        record->fileName = QStringLiteral("p%1.jpg").arg(i);
        record->isVideo = random() % 5 == 0;
        record->matchingPercentage = groups[g].empty() ? 100.0f : float(81 + random() % 20);
        groups[g].push_back(std::move(record));
    }
    const double makeSeconds = double(makeTimer.nsecsElapsed()) / 1e9;

    ResultState state;
    state.setResults(groups);
    rederiveProtection(state);
    // Marks like Auto Select: every unprotected file but the first of each group.
    auto markAllButFirst = [&state] {
        for (int g = 0; g < state.shownGroupCount(); ++g)
            for (int r = 1; r < int(state.imageDirectories[size_t(g)].size()); ++r)
                state.mark(g, r);
    };

    const int runs = 7;
    bool levelUp = false;
    const double regroupMs = medianMilliseconds(runs, [&] {
        levelUp = !levelUp;
        regroup(state, levelUp ? 88 : 81);
    });
    regroup(state, 81);
    const int shownGroups81 = state.shownGroupCount();
    const int shownFiles81 = state.shownFileCount();
    regroup(state, 88);
    const int shownGroups88 = state.shownGroupCount();
    regroup(state, 81);

    markAllButFirst();
    bool videosOn = false;
    const double filterMs = medianMilliseconds(runs, [&] {
        videosOn = !videosOn;
        const auto memory = ResultRegrouping::remember(state);
        ResultRegrouping::showGroups(state, videosOn ? ResultRegrouping::videoGroups(state.allImages) : state.allImages,
                                     memory, true);
        rederiveProtection(state);
    });
    if (videosOn) {
        const auto memory = ResultRegrouping::remember(state);
        ResultRegrouping::showGroups(state, state.allImages, memory, true);
        rederiveProtection(state);
    }
    markAllButFirst();

    SelectionRefresh selection;
    const double selectionMs = medianMilliseconds(runs, [&] { selection = computeSelectionState(state); });
    ResultTotals totals;
    const double totalsMs = medianMilliseconds(runs, [&] { totals = computeResultTotals(state); });

    nlohmann::ordered_json out;
    out["groups"] = groupCount;
    out["files"] = fileCount;
    out["shown_groups_at_81"] = shownGroups81;
    out["shown_files_at_81"] = shownFiles81;
    out["shown_groups_at_88"] = shownGroups88;
    out["marked_files"] = state.markedFileCount();
    out["summary"] = selection.summaryText ? selection.summaryText->toStdString() : std::string();
    out["totals"] = totals.allDuplicatePhotosFoundText.toStdString();
    out["make_seconds"] = makeSeconds;
    out["ms"] = {{"regroup", regroupMs},
                 {"videos_filter", filterMs},
                 {"selection_counters", selectionMs},
                 {"result_totals", totalsMs},
                 {"counters_total", selectionMs + totalsMs}};
    std::cout << out.dump(1) << std::endl;
    return 0;
}
