// Automatic marking over many result groups: the value read (once per file, in parallel) and the
// rule cascade, timed apart.

#include "AutoMarkBench.h"

#include "engine/AutoMarkEngine.h"
#include "engine/AutoMarkValueCache.h"
#include "model/ResultState.h"
#include "platform/ImageSource.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QUrl>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <random>

namespace {

struct SyntheticValues {
    quint64 size = 0;
    QDateTime modified;
    bool hasTags = false;
};

} // namespace

int autoMarkBench(const QStringList &args)
{
    qint64 groupCount = 20000;
    quint32 seed = 1;
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == "--groups" && i + 1 < args.size())
            groupCount = args[++i].toLongLong(&ok);
        else if (args[i] == "--seed" && i + 1 < args.size())
            seed = args[++i].toUInt(&ok);
        else
            ok = false;
        if (!ok || groupCount < 0) {
            std::fprintf(stderr, "usage: twinsift-bench --automark [--groups N] [--seed S]\n");
            return 2;
        }
    }

    // Groups of 2 to 5 photos; many share their size, pixel size or capture second, so that ties
    // run the later rules too.
    std::mt19937 random(seed);
    ImageGroups groups;
    groups.reserve(std::size_t(groupCount));
    std::unordered_map<const ImageFile *, SyntheticValues> values;
    const QDateTime base = QDateTime::fromSecsSinceEpoch(1700000000);
    const char *extensions[] = {"jpg", "JPG", "png", "heic"};
    qint64 fileCount = 0;
    for (qint64 g = 0; g < groupCount; ++g) {
        ImageGroup group;
        const int n = 2 + int(random() % 4);
        for (int i = 0; i < n; ++i) {
            auto file = std::make_shared<ImageFile>();
            const QString folder = QStringLiteral("/photos/%1/%2").arg(random() % 8).arg(g % 50);
            file->url = QUrl::fromLocalFile(
                QStringLiteral("%1/IMG_%2.%3").arg(folder).arg(g * 10 + i).arg(extensions[random() % 4]));
            QVariantMap properties;
            const int scale = 1 + int(random() % 3);
            properties[platform::ImageProperty::PixelWidth] = 1000 * scale;
            properties[platform::ImageProperty::PixelHeight] = 750 * scale;
            if (random() % 2) {
                properties[platform::ImageProperty::DPIWidth] = 72.0 * double(1 + random() % 2);
                properties[platform::ImageProperty::DPIHeight] = 72.0;
            }
            file->properties = properties;
            if (random() % 5)
                file->captureDate = base.addSecs(qint64(random() % 3));
            else
                file->creationDate = base.addSecs(qint64(random() % 3));
            file->isProtected = random() % 10 == 0;
            values[file.get()] = {quint64(1000000 * scale + random() % 2), base.addSecs(qint64(random() % 2)),
                                  random() % 2 == 0};
            group.push_back(std::move(file));
            ++fileCount;
        }
        groups.push_back(std::move(group));
    }

    ResultState state;
    state.setResults(groups);
    AutoMarkRules rules;
    rules.order = defaultSelectionPriorityOrder();
    rules.fileFormatPriorities = {{1, "jpg"}, {2, "png"}, {3, "heic"}};
    rules.folderPriorities = {{1, QStringLiteral("file:///photos/3/")}};
    rules.photosLibraryRoot = AutoMarkRules::defaultPhotosLibraryRoot();

    AutoMarkAccessors source;
    source.fileSize = [&](const ImageFile &f) -> std::optional<quint64> { return values.at(&f).size; };
    source.modificationDate = [&](const ImageFile &f) -> std::optional<QDateTime> { return values.at(&f).modified; };
    source.hasMetadataTags = [&](const ImageFile &f) { return values.at(&f).hasTags; };

    // The application's path: sizes and dates read for every file in parallel, metadata only for
    // the files still tied when the metadata rule is reached, then the cascade over every group.
    QElapsedTimer timer;
    timer.start();
    AutoMarkValueCache cache(source);
    autoMarkAllGroups(state, cache, rules);
    const double totalSeconds = double(timer.nsecsElapsed()) / 1e9;

    // The cascade alone, with every value already in memory.
    ResultState again;
    again.setResults(groups);
    timer.restart();
    AutoMarkEngine engine(rules, cache.accessors());
    engine.applyAutoMarkToAllGroups(again);
    const double markSeconds = double(timer.nsecsElapsed()) / 1e9;

    nlohmann::ordered_json out;
    out["groups"] = groupCount;
    out["files"] = fileCount;
    out["marked"] = state.markedFileCount();
    out["metadata_reads"] = cache.metadataReads();
    out["stages"] = {{"mark_cascade_only", markSeconds}, {"total", totalSeconds}};
    std::cout << out.dump() << std::endl;
    return 0;
}
