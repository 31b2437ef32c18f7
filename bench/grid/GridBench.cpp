// twinsift-grid-bench: opens the results grid (or the list) offscreen on a large result of real
// JPEG files and prints, as one JSON object, the time to the first screen of thumbnails, the
// longest time the GUI thread was held while scrolling from top to bottom, and the peak memory.
//
//   twinsift-grid-bench [--list | --screen] [--groups G] [--files F] [--dir FOLDER] [--size WxH]
//                       [--steps N] [--protect K]
//
// --screen measures the grid inside the results screen (1280 x 720), fed through the
// "SelectedFiles" notification as a finished scan feeds it, counters, preview and details included.
// --list measures the results list instead of the grid (the grid takes the result in, hidden, as
// it does on the results screen, and the list shows it). --steps N stops the scrolling after N
// steps; --protect K makes the first K sub-folders of FOLDER protected folders, so that the intake
// applies them. Besides the wall-clock figures, the longest stretch is given in GUI-thread CPU
// time too (a stretch far longer in wall-clock time than in CPU time waited for the processor,
// not for our code), and the number of stretches over 50 ms.
//
// FOLDER (default /tmp/twinsift-grid-bench) receives F small JPEG files (made once, reused by
// later runs); the result has G groups (F / G files each on average, at least two).

#include "model/ImageFile.h"
#include "model/InitialDirectory.h"
#include "model/ModuleState.h"
#include "model/ResultState.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailLoader.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "services/MVNAssistance.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>

#include <nlohmann/json.hpp>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <iostream>

namespace {

double peakResidentMegabytes()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// F files: 400 distinct pictures, each written once and copied under further names.
QStringList makeFiles(const QString &folder, int count, QSize size)
{
    QDir().mkpath(folder);
    QStringList paths;
    QByteArray sources[400];
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/d%2/f%3.jpg").arg(folder).arg(i / 1000).arg(i);
        paths << path;
        if (QFileInfo::exists(path))
            continue;
        QByteArray &bytes = sources[i % 400];
        if (bytes.isEmpty()) {
            QImage image(size, QImage::Format_RGB32);
            QPainter painter(&image);
            QRandomGenerator random(quint32(i % 400 + 1));
            painter.fillRect(image.rect(), QColor::fromRgb(random.generate()));
            for (int k = 0; k < 12; ++k) {
                painter.setBrush(QColor::fromRgb(random.generate()));
                painter.drawEllipse(QPoint(random.bounded(size.width()), random.bounded(size.height())),
                                    random.bounded(10, size.width() / 3), random.bounded(10, size.height() / 3));
            }
            painter.end();
            QFile out(path);
            QDir().mkpath(QFileInfo(path).absolutePath());
            image.save(path, "JPEG", 85);
            QFile in(path);
            in.open(QIODevice::ReadOnly);
            bytes = in.readAll();
            continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(bytes);
    }
    return paths;
}

bool visibleThumbnailsReady(ResultViewController *form, ThumbnailLoader *loader)
{
    for (const auto &[s, i] : form->collectionView->visibleItems()) {
        const ImageFilePtr file = ResultState::shared().shownFile(s, i);
        if (file && loader->imageFor(*file, 1).isNull())
            return false;
    }
    return true;
}

double threadCpuMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

} // namespace

// The usage text: the options every mode takes, then the modes, one line each.
constexpr const char *kUsage =
    "usage: twinsift-grid-bench [MODE] [--groups G] [--files F] [--dir FOLDER] [--size WxH] [--steps N] [--protect K]\n"
    "modes (the results grid alone when none is given):\n"
    "  --list      the results list instead of the grid\n"
    "  --screen    the grid inside the results screen (1280 x 720)\n";

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    bool listMode = false;
    bool screenMode = false;
    int groups = 20000, files = 50000;
    qint64 maxSteps = 0;
    int protect = 0;
    QString folder = QStringLiteral("/tmp/twinsift-grid-bench");
    QSize size(640, 480);
    for (int i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        if (a == QLatin1String("--list"))
            listMode = true;
        else if (a == QLatin1String("--groups") && i + 1 < args.size())
            groups = args[++i].toInt();
        else if (a == QLatin1String("--files") && i + 1 < args.size())
            files = args[++i].toInt();
        else if (a == QLatin1String("--steps") && i + 1 < args.size())
            maxSteps = args[++i].toLongLong();
        else if (a == QLatin1String("--screen"))
            screenMode = true;
        else if (a == QLatin1String("--protect") && i + 1 < args.size())
            protect = args[++i].toInt();
        else if (a == QLatin1String("--dir") && i + 1 < args.size())
            folder = args[++i];
        else if (a == QLatin1String("--size") && i + 1 < args.size()) {
            const QStringList wh = args[++i].split(QLatin1Char('x'));
            size = QSize(wh.value(0).toInt(), wh.value(1).toInt());
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    groups = std::clamp(groups, 1, std::max(1, files / 2));
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    defaults.setFilePath(QDir::tempPath() + QStringLiteral("/twinsift-grid-bench-defaults.json"));
    defaults.setBool(QStringLiteral("IsPopUpTWK"), false);
    defaults.setBool(QStringLiteral("ISSliderAvailable"), false);
    defaults.setBool(QStringLiteral("IsThumbnailSelected"), !listMode);

    protectedFolders.clear();
    protectedSubFolderFlags.clear();
    for (int k = 0; k < protect; ++k) {
        protectedFolders.emplace_back(QUrl::fromLocalFile(QStringLiteral("%1/d%2/").arg(folder).arg(k)));
        protectedSubFolderFlags.push_back(true);
    }

    QElapsedTimer clock;
    clock.start();
    const QStringList paths = makeFiles(folder, files, size);
    const double makeSeconds = clock.elapsed() / 1000.0;

    // The records as a scan delivers them (made before the clock starts: the scan makes them).
    clock.restart();
    ImageGroups result; result.resize(size_t(groups));
    for (int i = 0; i < files; ++i)
        result[size_t(i < 2 * groups ? i / 2 : i % groups)].push_back(ImageFile::make(QUrl::fromLocalFile(paths[i])));
    const double recordSeconds = clock.elapsed() / 1000.0;

    screenMode = screenMode && !listMode;
    ScanResultVC *screen = nullptr;
    ThumbnailVC *grid = nullptr;
    if (screenMode) {
        localizationTable = sharedAssistance().loadPropertyList(QStringLiteral("English"));
        screen = scanResultVC();
        screen->resize(1280, 720);
        screen->show();
        grid = thumbnailVC();
    } else {
        grid = new ThumbnailVC;
        grid->resize(1000, 700);
    }
    ListViewVC *list = nullptr;
    if (screenMode) {
    } else if (listMode) {
        list = new ListViewVC;
        list->resize(1000, 700);
        list->setDocumentWidth(1368);
        list->show();
    } else {
        grid->show();
    }
    QApplication::processEvents();
    ResultViewController *form = list ? static_cast<ResultViewController *>(list) : grid;
    ThumbnailLoader *loader = list ? list->iconLoader() : grid->thumbnailLoader();

    // Open: from the arrival of the result to the first screen painted with its thumbnails.
    clock.restart();
    if (screenMode)
        platform::NotificationCenter::defaultCenter().post(
            QStringLiteral("SelectedFiles"),
            {{QStringLiteral("data"), QVariant::fromValue(result)}, {QStringLiteral("isSimilarScan"), true}});
    else
        grid->getInitialDirectories(result, true);
    if (list)
        list->reloadData();
    QWidget *shown = screen ? static_cast<QWidget *>(screen) : form;
    shown->repaint();
    const double firstPaint = clock.elapsed() / 1000.0;
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (visibleThumbnailsReady(form, loader))
            break;
    }
    shown->repaint();
    const double openSeconds = clock.elapsed() / 1000.0;

    // Scroll from top to bottom a third of a screen at a time, running the event loop between
    // steps as a user's scrolling would; each step and each loop turn is one stretch of the GUI
    // thread.
    ResultCollectionView *view = form->collectionView;
    QScrollBar *bar = view->verticalScrollBar();
    double longest = 0, longestStep = 0, longestLoop = 0, longestCpu = 0, mostCpu = 0;
    qint64 steps = 0, longestAt = 0, over50 = 0, mostCpuAt = 0;
    QElapsedTimer total;
    total.start();
    QElapsedTimer stretch;
    while (bar->value() < bar->maximum()) {
        stretch.restart();
        const double cpu0 = threadCpuMilliseconds();
        bar->setValue(bar->value() + view->viewport()->height() / 3);
        view->viewport()->repaint();
        const double step = stretch.nsecsElapsed() / 1e6;
        const double cpu1 = threadCpuMilliseconds();
        stretch.restart();
        QApplication::processEvents();
        const double loop = stretch.nsecsElapsed() / 1e6;
        const double cpu2 = threadCpuMilliseconds();
        if (std::max(step, loop) > longest) {
            longestAt = steps;
            longestCpu = step > loop ? cpu1 - cpu0 : cpu2 - cpu1;
        }
        if (std::max(cpu1 - cpu0, cpu2 - cpu1) > mostCpu) {
            mostCpu = std::max(cpu1 - cpu0, cpu2 - cpu1);
            mostCpuAt = steps;
        }
        longest = std::max({longest, step, loop});
        if (std::max(step, loop) > 50)
            ++over50;
        longestStep = std::max(longestStep, step);
        longestLoop = std::max(longestLoop, loop);
        ++steps;
        if (maxSteps > 0 && steps >= maxSteps)
            break;
    }
    const double scrollSeconds = total.elapsed() / 1000.0;

    nlohmann::json out;
    out["view"] = listMode ? "list" : screenMode ? "grid in the results screen" : "grid";
    out["groups"] = ResultState::shared().shownGroupCount();
    out["files"] = ResultState::shared().shownFileCount();
    out["make_files_s"] = makeSeconds;
    out["make_records_s"] = recordSeconds;
    out["first_paint_s"] = firstPaint;
    out["open_with_thumbnails_s"] = openSeconds;
    out["scroll_steps"] = steps;
    out["scroll_total_s"] = scrollSeconds;
    out["max_gui_block_ms"] = longest;
    out["max_scroll_step_ms"] = longestStep;
    out["max_event_loop_turn_ms"] = longestLoop;
    out["max_block_at_step"] = longestAt;
    out["max_gui_block_cpu_ms"] = longestCpu;
    out["blocks_over_50ms"] = over50;
    out["max_stretch_cpu_ms"] = mostCpu;
    out["max_stretch_cpu_at_step"] = mostCpuAt;
    out["thumbnails_decoded"] = loader->decodedCount();
    out["thumbnail_cache_mb"] = double(loader->cachedBytes()) / 1048576.0;
    out["peak_rss_mb"] = peakResidentMegabytes();
    std::cout << out.dump(2) << std::endl;
    delete list;
    if (!screenMode)
        delete grid;
    return 0;
}
