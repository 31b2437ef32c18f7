// twinsift-grid-bench: opens the results grid (or the list) offscreen on a large result of real
// JPEG files and prints, as one JSON object, the time to the first screen of thumbnails, the
// longest time the GUI thread was held while scrolling from top to bottom, and the peak memory.
//
//   twinsift-grid-bench [--list | --screen | --commands [--at-arrival] | --first-marking NAME |
//                        --arrival-command NAME] [--groups G] [--files F]
//                       [--dir FOLDER] [--size WxH] [--steps N] [--protect K]
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
// --commands opens the result in the results screen as --screen does (members after the first score
// 85 to 100 %) and, instead of scrolling, runs each result command once as the user's click runs
// it (the grid's cell, header and context-menu actions, the screen's slider and videos filter):
// per command the time of the call and the longest turn of the event loop in the 300 ms after it
// (work the command queued), in wall-clock milliseconds, and the GUI thread's CPU time of both.
// The six commands that mark every group by the rules (Auto Select of all files, the results
// screen's Auto Select button, Select by type, folder and folder tree, the selection wizard's Mark)
// run twice: cold, with the files' pages dropped from the page
// cache first (every marking reads its values afresh), then warm; for each, the event loop runs on until the marks are
// in when the marking went to a worker ("until_marked_ms"). Each of the six also runs once more as the first marking
// of a fresh process ("first", its block as "first_block_ms"): this program started again with --first-marking NAME
// (auto, button, type, folder, tree or wizard), which opens the same result in the results screen and runs that command
// alone; the GUI thread's minor page faults are given for every run ("gui_minor_faults"). A drag of the slider's thumb
// to the right end follows, move by move (the longest move with the pass of the event loop after it, the release and
// the regrouping it starts, and whether the thumb reached the end). The totals refresh is timed first, with a small
// JPEG and with a 30 MP PNG (made once in FOLDER) as the first shown file.
//
// --commands --at-arrival runs each of those commands (the slider drag and the ones that need an
// earlier command, unlock and the videos filter off, left out) as the first thing a fresh process
// does once the result has arrived: this program started again with --arrival-command NAME, which
// posts the result to the results screen and gives the command at once, before the event loop ran.
// Each entry is that of --commands plus "arrival_block_ms": the longest hold of the GUI thread from
// the arrival until the screen is idle (the post itself and every turn of the event loop up to 3 s
// after it, the visible thumbnails shown and the command's worker done; the command's own call
// left out), and "arrival_call_ms", the post alone.
//
// FOLDER (default /tmp/twinsift-grid-bench) receives F small JPEG files (made once, reused by
// later runs); the result has G groups (F / G files each on average, at least two).

#include "model/ImageFile.h"
#include "model/InitialDirectory.h"
#include "model/ModuleState.h"
#include "model/ResultState.h"
#include "engine/ScanPublication.h"
#include "screens/results/ResultPreview.h"
#include "screens/results/ResultRefresh.h"
#include "screens/results/grid/ResultItem.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "screens/results/ScanResultVC.h"
#include "screens/results/grid/ThumbnailLoader.h"
#include "screens/results/grid/ThumbnailVC.h"
#include "screens/results/list/ListViewVC.h"
#include "screens/shell/AllViewControllers.h"
#include "screens/wizard/SelectionWizardPreferencesVC.h"
#include "screens/wizard/WizardPage.h"
#include "services/MVNAssistance.h"
#include "services/ResultProtection.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <time.h>

#include <algorithm>
#include <functional>
#include <iostream>

namespace {

double peakResidentMegabytes()
{
    struct rusage usage = {};
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
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// A picture of about 30 MP (6720 x 4480) saved as PNG, made once.
QString makeLargePng(const QString &folder)
{
    const QString path = folder + QStringLiteral("/large-30mp.png");
    if (QFileInfo::exists(path))
        return path;
    QImage image(6720, 4480, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, image.width(), image.height());
    gradient.setColorAt(0, QColor(30, 90, 160));
    gradient.setColorAt(1, QColor(220, 180, 60));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator random(7);
    for (int k = 0; k < 400; ++k) {
        painter.setBrush(QColor::fromRgb(random.generate()));
        painter.drawEllipse(QPoint(random.bounded(image.width()), random.bounded(image.height())),
                            random.bounded(20, 600), random.bounded(20, 600));
    }
    painter.end();
    image.save(path, "PNG");
    return path;
}

// Minor page faults of the calling thread so far.
long threadMinorFaults()
{
    struct rusage usage = {};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

struct CommandTime {
    double callMs = 0, longestTurnMs = 0, callCpuMs = 0, longestTurnCpuMs = 0;
    long minorFaults = 0;   // the GUI thread's, over the call and the turns after it
    double untilDoneMs = 0; // from the call to the end of the work it handed to a worker
};

// Runs `command` and then the event loop for `settleMs`, each pass of it one turn, and on as long as
// `busy` says the command's worker has not finished (at most a minute).
template <typename Command>
CommandTime timeCommand(Command &&command, int settleMs = 300, const std::function<bool()> &busy = {})
{
    CommandTime time;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer whole;
    whole.start();
    double cpu = threadCpuMilliseconds();
    const long faults = threadMinorFaults();
    command();
    time.callMs = clock.nsecsElapsed() / 1e6;
    time.callCpuMs = threadCpuMilliseconds() - cpu;
    QElapsedTimer settle;
    settle.start();
    bool working = busy && busy();
    while (settle.elapsed() < settleMs || (working && settle.elapsed() < 60000)) {
        if (working && !busy()) {
            working = false;
            time.untilDoneMs = whole.nsecsElapsed() / 1e6;
        }
        clock.restart();
        cpu = threadCpuMilliseconds();
        QApplication::processEvents();
        time.longestTurnMs = std::max(time.longestTurnMs, clock.nsecsElapsed() / 1e6);
        time.longestTurnCpuMs = std::max(time.longestTurnCpuMs, threadCpuMilliseconds() - cpu);
    }
    time.minorFaults = threadMinorFaults() - faults;
    return time;
}

nlohmann::json commandJson(const CommandTime &time)
{
    nlohmann::json entry;
    entry["call_ms"] = time.callMs;
    entry["longest_turn_after_ms"] = time.longestTurnMs;
    entry["block_ms"] = std::max(time.callMs, time.longestTurnMs);
    entry["call_cpu_ms"] = time.callCpuMs;
    entry["longest_turn_after_cpu_ms"] = time.longestTurnCpuMs;
    if (time.untilDoneMs > 0)
        entry["until_marked_ms"] = time.untilDoneMs;
    entry["gui_minor_faults"] = time.minorFaults;
    return entry;
}

// A drag of the slider's thumb from where it stands to the right end, 3 pixels per move, with a
// pass of the event loop after each move as the pointer gives: the longest move (with its pass),
// then the release and the passes of the event loop in the 1.2 s after it, and whether the thumb
// reached the end.
nlohmann::json timeSliderDrag(QSlider *slider)
{
    struct StyledSlider : QSlider {
        using QSlider::initStyleOption;
    };
    QStyleOptionSlider option;
    static_cast<StyledSlider *>(slider)->initStyleOption(&option);
    QPoint pointer =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
    auto send = [slider](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), slider->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(slider, &event);
    };
    send(QEvent::MouseButtonPress, pointer, Qt::LeftButton, Qt::LeftButton);
    QApplication::processEvents();
    double longestMove = 0;
    int moves = 0;
    const int end = slider->width() - 1;
    while (pointer.x() < end) {
        pointer.setX(std::min(end, pointer.x() + 3));
        QElapsedTimer clock;
        clock.start();
        send(QEvent::MouseMove, pointer, Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents();
        longestMove = std::max(longestMove, clock.nsecsElapsed() / 1e6);
        ++moves;
    }
    const CommandTime release =
        timeCommand([&] { send(QEvent::MouseButtonRelease, pointer, Qt::LeftButton, Qt::NoButton); }, 1200);
    nlohmann::json entry = commandJson(release);
    entry["command"] = "slider drag to the end";
    entry["moves"] = moves;
    entry["longest_move_ms"] = longestMove;
    entry["block_ms"] = std::max({longestMove, release.callMs, release.longestTurnMs});
    entry["thumb_reached_end"] = slider->value() == slider->maximum();
    std::cerr << "slider drag: longest move " << longestMove << " ms, release " << release.longestTurnMs
              << " ms, thumb at " << slider->value() << " of " << slider->maximum() << std::endl;
    return entry;
}

// Drops the cached pages of every file of `groups` (the kernel keeps no clean page of them), so that
// the next read of each comes from the disk. Returns the number of files done.
int evictFromPageCache(const ImageGroups &groups)
{
    int done = 0;
    for (const ImageGroup &group : groups)
        for (const ImageFilePtr &file : group) {
            if (!file || !file->url)
                continue;
            const int fd = ::open(QFile::encodeName(file->url->toLocalFile()).constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            if (::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0)
                ++done;
            ::close(fd);
        }
    return done;
}

// A command that marks every group by the rules, as the user's click runs it: its name in the
// table, its value of --first-marking, the untimed step before each run (the wizard opened) and
// whether its worker is still marking (the screen stays locked until the marks are in).
struct Marking {
    const char *name;
    const char *option;
    std::function<void()> command;
    std::function<void()> prepare;
    std::function<bool()> busy;
};

std::vector<Marking> markingCommands(ScanResultVC *screen, ThumbnailVC *grid)
{
    const auto busy = [screen] { return !screen->isEnabled(); };
    // A fresh cell each run, as each click makes one.
    auto onCell = [grid](void (ResultItem::*command)()) {
        return [grid, command] { (grid->makeItem(5, 1).get()->*command)(); };
    };
    // The wizard is made on first use, so that a run of another command alone does not make it.
    const auto wizardMark = [] {
        qobject_cast<SelectionWizardPreferencesVC *>(selectionWizardPreferencesVC())->page(0)->tappedMark();
    };
    return {
        {"auto select all", "auto", onCell(&ResultItem::autoSelectAllFiles), {}, busy},
        // The results screen's Auto Select, without its confirmation.
        {"auto select button",
         "button",
         [screen] {
             showAutoMarkAlert = false;
             screen->tappedAutoSelect();
         },
         {},
         busy},
        {"select by type", "type", onCell(&ResultItem::selectAllFilesCurrentType), {}, busy},
        {"select by folder", "folder", onCell(&ResultItem::selectAllFilesFoundInThisFolder), {}, busy},
        {"select by tree", "tree", onCell(&ResultItem::selectAllFilesFoundInThisFolderTree), {}, busy},
        // The wizard's Mark, with the wizard opened (untimed) before each run.
        {"wizard mark", "wizard", wizardMark,
         [screen] {
             screen->tappedSelectionWizard();
             QApplication::processEvents();
         },
         busy},
    };
}

// Runs this program again with `arguments` and --first-marking `option`, and gives the JSON object it
// printed (an "error" entry when it printed none).
nlohmann::json firstMarkingInFreshProcess(const char *option, const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList(arguments) << QStringLiteral("--first-marking") << QString::fromLatin1(option));
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        return {{"error", "the fresh process failed"}};
    // The object is the last thing printed; the results screen prints a line of its own before it.
    const QByteArray printed = child.readAllStandardOutput();
    const nlohmann::json out =
        nlohmann::json::parse(printed.mid(printed.indexOf("\n{") + 1).toStdString(), nullptr, false);
    if (out.is_discarded() || !out.is_object())
        return {{"error", "the fresh process printed no JSON object"}};
    return out;
}

// The one marking named `option`, run once as the first marking of this process.
nlohmann::json timeFirstMarking(ScanResultVC *screen, ThumbnailVC *grid, const QString &option)
{
    for (const Marking &marking : markingCommands(screen, grid)) {
        if (option != QLatin1String(marking.option))
            continue;
        if (marking.prepare)
            marking.prepare();
        nlohmann::json entry = commandJson(timeCommand(marking.command, 300, marking.busy));
        entry["command"] = marking.name;
        entry["marks"] = ResultState::shared().markedFileCount();
        return entry;
    }
    return {};
}

// The commands of --at-arrival, each as --commands gives it (the positions taken from the groups
// shown when it runs), with its value of --arrival-command.
std::vector<Marking> arrivalCommands(ScanResultVC *screen, ThumbnailVC *grid)
{
    auto middle = [] { return ResultState::shared().shownGroupCount() / 2; };
    auto onItem = [grid](std::function<int()> section, int row, std::function<void(ResultItem &)> command) {
        return [=] { command(*grid->makeItem(section(), row)); };
    };
    auto at = [](int section) { return [section] { return section; }; };
    auto afterMiddle = [middle](int k) { return [middle, k] { return middle() + k; }; };
    std::vector<Marking> commands = {
        {"hand tick", "tick", [grid, middle] { grid->tappedCheckBox(middle(), 1); }, {}, {}},
        {"header toggle", "header", [grid, middle] { grid->selectUnselectGroup(middle() + 1); }, {}, {}},
        {"lock", "lock", [grid, middle] { grid->lockGroup(middle() + 2); }, {}, {}},
        {"protect file",
         "protect-file",
         onItem(afterMiddle(3), 1, [](ResultItem &i) { i.protectThisImage(1); }),
         {},
         {}},
        {"protect folder",
         "protect-folder",
         onItem(afterMiddle(4), 0, [](ResultItem &i) { i.protectThisFolder(); }),
         {},
         {}},
        {"protect parent",
         "protect-parent",
         onItem(afterMiddle(4), 0, [](ResultItem &i) { i.protectParentFolder(); }),
         {},
         {}},
    };
    for (Marking &marking : markingCommands(screen, grid))
        commands.push_back(std::move(marking));
    const std::vector<Marking> rest = {
        {"unselect by type",
         "unselect-type",
         onItem(at(5), 1, [](ResultItem &i) { i.unSelectAllFilesCurrentType(); }),
         {},
         {}},
        {"unselect by folder",
         "unselect-folder",
         onItem(at(5), 1, [](ResultItem &i) { i.unSelectAllFilesFoundInThisFolder(); }),
         {},
         {}},
        {"unselect by tree",
         "unselect-tree",
         onItem(at(5), 1, [](ResultItem &i) { i.unSelectAllFilesFoundInThisFolderTree(); }),
         {},
         {}},
        {"invert", "invert", onItem(at(5), 1, [](ResultItem &i) { i.invertMarkedFiles(); }), {}, {}},
        {"unselect all", "unselect-all", onItem(at(5), 1, [](ResultItem &i) { i.unselectAll(); }), {}, {}},
        {"unselect all button", "unselect-all-button", [screen] { screen->tappedUnSelectAll(); }, {}, {}},
        // A member of a group of three or more, so that its group stays.
        {"remove from results",
         "remove",
         onItem(
             [] {
                 const ResultState &state = ResultState::shared();
                 int larger = 0;
                 while (larger + 1 < state.shownGroupCount() && state.imageDirectories[size_t(larger)].size() < 3)
                     ++larger;
                 return larger;
             },
             1, [](ResultItem &i) { i.deleteFileFromArray(); }),
         {},
         {}},
        {"slider one step",
         "slider-step",
         [screen] {
             QSlider *slider = screen->sliderMatchingLevel;
             const int level = slider->value();
             slider->setValue(level < slider->maximum() ? level + 1 : level - 1);
         },
         {},
         {}},
        {"videos filter on",
         "videos",
         [screen] {
             screen->btnShowOnlyVideos->setChecked(true);
             screen->tappedShowOnlyVideos();
         },
         {},
         {}},
        {"show only group", "show-group", onItem(at(9), 0, [](ResultItem &i) { i.filterThisGoup(); }), {}, {}},
    };
    commands.insert(commands.end(), rest.begin(), rest.end());
    return commands;
}

// The result posted to the results screen (`post`) and at once the command named `option`, as the
// first thing after the arrival; then the event loop until the screen is idle (see the head).
nlohmann::json timeArrivalCommand(ScanResultVC *screen, ThumbnailVC *grid, const QString &option,
                                  const std::function<void()> &post)
{
    QElapsedTimer clock;
    clock.start();
    post();
    const double arrivalCall = clock.nsecsElapsed() / 1e6;
    for (const Marking &command : arrivalCommands(screen, grid)) {
        if (option != QLatin1String(command.option))
            continue;
        double prepareMs = 0;
        if (command.prepare) {
            QElapsedTimer prepare;
            prepare.start();
            command.prepare();
            prepareMs = prepare.nsecsElapsed() / 1e6;
        }
        const CommandTime time = timeCommand(command.command, 300, command.busy);
        double longest = std::max(arrivalCall, time.longestTurnMs);
        QElapsedTimer turn;
        while ((clock.elapsed() < 3000 || !visibleThumbnailsReady(grid, grid->thumbnailLoader())
                || (command.busy && command.busy()))
               && clock.elapsed() < 60000) {
            turn.restart();
            QApplication::processEvents();
            longest = std::max(longest, turn.nsecsElapsed() / 1e6);
        }
        nlohmann::json entry = commandJson(time);
        entry["command"] = command.name;
        entry["arrival_call_ms"] = arrivalCall;
        entry["arrival_block_ms"] = longest;
        if (command.prepare)
            entry["prepare_ms"] = prepareMs;
        entry["marks"] = ResultState::shared().markedFileCount();
        return entry;
    }
    return {};
}

// Every command of --at-arrival, each in a fresh process started with `arguments` and
// --arrival-command.
nlohmann::json timeCommandsAtArrival(ScanResultVC *screen, ThumbnailVC *grid, const QStringList &arguments)
{
    nlohmann::json table = nlohmann::json::array();
    double worst = 0;
    for (const Marking &command : arrivalCommands(screen, grid)) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    QStringList(arguments)
                        << QStringLiteral("--arrival-command") << QString::fromLatin1(command.option));
        nlohmann::json entry;
        if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            entry = {{"error", "the fresh process failed"}};
        } else {
            const QByteArray printed = child.readAllStandardOutput();
            entry = nlohmann::json::parse(printed.mid(printed.indexOf("\n{") + 1).toStdString(), nullptr, false);
            if (entry.is_discarded() || !entry.is_object())
                entry = {{"error", "the fresh process printed no JSON object"}};
        }
        entry["command"] = command.name;
        if (entry.contains("arrival_block_ms")) {
            worst = std::max(worst, entry["arrival_block_ms"].get<double>());
            std::cerr << command.name << ": " << entry["block_ms"].get<double>() << " ms, arrival "
                      << entry["arrival_block_ms"].get<double>() << " ms" << std::endl;
        }
        table.push_back(entry);
    }
    return {{"commands", table}, {"arrival_block_ms", worst}};
}

// Each result command once, in an order that leaves every command something to do; the folder
// protections are taken back (untimed) before the marking commands.
nlohmann::json timeResultCommands(ScanResultVC *screen, ThumbnailVC *grid, const QStringList &childArguments)
{
    ResultState &state = ResultState::shared();
    nlohmann::json table = nlohmann::json::array();
    auto run = [&table](const char *name, auto &&command) {
        nlohmann::json entry = commandJson(timeCommand(command));
        entry["command"] = name;
        table.push_back(entry);
        std::cerr << name << ": " << entry["block_ms"].get<double>() << " ms" << std::endl;
    };
    auto item = [grid](int section, int row) { return grid->makeItem(section, row); };
    const int middle = state.shownGroupCount() / 2;

    run("hand tick", [&] { grid->tappedCheckBox(middle, 1); });
    run("header toggle", [&] { grid->selectUnselectGroup(middle + 1); });
    run("lock", [&] { grid->lockGroup(middle + 2); });
    QElapsedTimer rest;
    rest.start();
    while (grid->isLockButtonResting(middle + 2) && rest.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    run("unlock", [&] { grid->lockGroup(middle + 2); });
    run("protect file", [&] { item(middle + 3, 1)->protectThisImage(1); });
    run("protect folder", [&] { item(middle + 4, 0)->protectThisFolder(); });
    run("protect parent", [&] { item(middle + 4, 0)->protectParentFolder(); });
    protectedFolders.clear();
    protectedSubFolderFlags.clear();
    rederiveProtection(state);
    grid->reloadData();
    QApplication::processEvents();

    // The commands that mark every group by the rules, each first cold (the files' pages dropped
    // from the page cache, so their values come from the disk; every marking starts with a fresh
    // value cache) and then warm, until their marks are in. Beside them, the first run of each in a
    // process of its own (--first-marking), where nothing was marked before.
    for (const Marking &marking : markingCommands(screen, grid)) {
        const int evicted = evictFromPageCache(state.allImages);
        if (marking.prepare)
            marking.prepare();
        nlohmann::json cold = commandJson(timeCommand(marking.command, 300, marking.busy));
        cold["files_evicted"] = evicted;
        if (marking.prepare)
            marking.prepare();
        nlohmann::json entry = commandJson(timeCommand(marking.command, 300, marking.busy));
        entry["command"] = marking.name;
        entry["cold"] = cold;
        const nlohmann::json first = firstMarkingInFreshProcess(marking.option, childArguments);
        entry["first"] = first;
        if (first.contains("block_ms"))
            entry["first_block_ms"] = first["block_ms"];
        table.push_back(entry);
        std::cerr << marking.name << ": first " << (first.contains("block_ms") ? first["block_ms"].get<double>() : -1)
                  << " ms, cold " << cold["block_ms"].get<double>() << " ms, warm " << entry["block_ms"].get<double>()
                  << " ms" << std::endl;
    }
    run("unselect by type", [&] { item(5, 1)->unSelectAllFilesCurrentType(); });
    run("unselect by folder", [&] { item(5, 1)->unSelectAllFilesFoundInThisFolder(); });
    run("unselect by tree", [&] { item(5, 1)->unSelectAllFilesFoundInThisFolderTree(); });
    run("invert", [&] { item(5, 1)->invertMarkedFiles(); });
    run("unselect all", [&] { item(5, 1)->unselectAll(); });
    // The results screen's Unselect All, with the marks of an invert (untimed) to take away.
    item(5, 1)->invertMarkedFiles();
    QApplication::processEvents();
    run("unselect all button", [&] { screen->tappedUnSelectAll(); });
    // A member of a group of three or more, so that its group stays.
    int larger = 0;
    while (larger + 1 < state.shownGroupCount() && state.imageDirectories[size_t(larger)].size() < 3)
        ++larger;
    run("remove from results", [&] { item(larger, 1)->deleteFileFromArray(); });
    QSlider *slider = screen->sliderMatchingLevel;
    const int level = slider->value();
    run("slider one step", [&] { slider->setValue(level < slider->maximum() ? level + 1 : level - 1); });
    // Back (untimed), and wait for the controls to come back.
    slider->setValue(level);
    timeCommand([] {}, 1200);
    table.push_back(timeSliderDrag(slider));
    slider->setValue(level);
    timeCommand([] {}, 1200);
    run("videos filter on", [&] {
        screen->btnShowOnlyVideos->setChecked(true);
        screen->tappedShowOnlyVideos();
    });
    run("videos filter off", [&] {
        screen->btnShowOnlyVideos->setChecked(false);
        screen->tappedShowOnlyVideos();
    });
    run("show only group", [&] { item(9, 0)->filterThisGoup(); });
    return table;
}

// The totals refresh with a 30 MP PNG as the first shown file (and with the usual small JPEG), the
// preview's picture included: the call, then the event loop until the preview shows it.
nlohmann::json timeTotalsRefresh(ScanResultVC *screen, const QString &pngPath)
{
    ResultState &state = ResultState::shared();
    nlohmann::json out;
    auto measure = [screen] {
        const quint64 before = screen->preview->requestNumber();
        CommandTime time;
        QElapsedTimer clock;
        clock.start();
        const double cpu = threadCpuMilliseconds();
        refreshResultTotals();
        time.callMs = clock.nsecsElapsed() / 1e6;
        time.callCpuMs = threadCpuMilliseconds() - cpu;
        QElapsedTimer wait;
        wait.start();
        // Until the preview showed the request the call made (none: the call set the picture).
        while (wait.elapsed() < 10000 && screen->preview->requestNumber() != before
               && screen->preview->shownRequestNumber() < screen->preview->requestNumber()) {
            clock.restart();
            const double turnCpu = threadCpuMilliseconds();
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            time.longestTurnMs = std::max(time.longestTurnMs, clock.nsecsElapsed() / 1e6);
            time.longestTurnCpuMs = std::max(time.longestTurnCpuMs, threadCpuMilliseconds() - turnCpu);
        }
        nlohmann::json entry = commandJson(time);
        entry["until_shown_ms"] = wait.nsecsElapsed() / 1e6 + time.callMs;
        entry["preview_has_picture"] = !screen->imgPreview->pixmap().isNull();
        return entry;
    };
    if (state.shownGroupCount() == 0)
        return out;
    out["small_jpeg_first"] = measure();
    const ImageFilePtr kept = state.imageDirectories[0][0];
    state.imageDirectories[0][0] = ImageFile::make(QUrl::fromLocalFile(pngPath));
    out["png_30mp_first"] = measure();
    state.imageDirectories[0][0] = kept;
    return out;
}

} // namespace

// The usage text: the options every mode takes, then the modes, one line each.
constexpr const char *kUsage =
    "usage: twinsift-grid-bench [MODE] [--groups G] [--files F] [--dir FOLDER] [--size WxH] [--steps N] [--protect K]\n"
    "modes (the results grid alone when none is given):\n"
    "  --list      the results list instead of the grid\n"
    "  --screen    the grid inside the results screen (1280 x 720)\n"
    "  --commands  times each result command on the GUI thread inside the results screen\n"
    "              (--at-arrival: each as the first thing a fresh process does after the arrival)\n"
    "  --arrival-command NAME\n"
    "              the result's arrival and at once one command of --at-arrival, inside the results screen\n"
    "  --first-marking auto|button|type|folder|tree|wizard\n"
    "              the first run of one marking command in this process, inside the results screen\n";

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    bool listMode = false;
    bool screenMode = false;
    bool commandsMode = false;
    QString firstMarking;
    bool atArrival = false;
    QString arrivalCommand;
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
        else if (a == QLatin1String("--commands"))
            commandsMode = screenMode = true;
        else if (a == QLatin1String("--first-marking") && i + 1 < args.size()) {
            firstMarking = args[++i];
            commandsMode = screenMode = true;
        } else if (a == QLatin1String("--at-arrival"))
            atArrival = true;
        else if (a == QLatin1String("--arrival-command") && i + 1 < args.size()) {
            arrivalCommand = args[++i];
            commandsMode = screenMode = true;
        } else if (a == QLatin1String("--protect") && i + 1 < args.size())
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
    ImageGroups result;
    result.resize(size_t(groups));
    for (int i = 0; i < files; ++i)
        result[size_t(i < 2 * groups ? i / 2 : i % groups)].push_back(ImageFile::make(QUrl::fromLocalFile(paths[i])));
    if (commandsMode) {
        // Scores as a similar scan gives them, so that a step of the slider changes the groups.
        QRandomGenerator scores(11);
        for (ImageGroup &group : result)
            for (size_t k = 1; k < group.size(); ++k)
                group[k]->matchingPercentage = float(85 + scores.bounded(16));
    }
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

    // The result as the scan's sheet posts it, with the file keys its worker worked out (made before
    // the clock starts, as the records are).
    auto resultKeys = std::make_shared<ResultFileKeys>();
    if (screenMode)
        resultKeys->learn(result);
    auto postResult = [&result, &resultKeys] {
        platform::NotificationCenter::defaultCenter().post(
            QStringLiteral("SelectedFiles"), ScanPublication::decide(result, true, std::move(resultKeys)).userInfo);
    };
    const QStringList childArguments = {
        QStringLiteral("--groups"), QString::number(groups),
        QStringLiteral("--files"),  QString::number(files),
        QStringLiteral("--dir"),    folder,
        QStringLiteral("--size"),   QStringLiteral("%1x%2").arg(size.width()).arg(size.height())};
    if (!arrivalCommand.isEmpty()) {
        nlohmann::json out = timeArrivalCommand(screen, grid, arrivalCommand, postResult);
        if (out.is_null()) {
            std::cerr << kUsage;
            return 2;
        }
        out["files"] = ResultState::shared().shownFileCount();
        std::cout << out.dump(2) << std::endl;
        return 0;
    }
    if (commandsMode && atArrival) {
        nlohmann::json out = timeCommandsAtArrival(screen, grid, childArguments);
        out["view"] = "each result command as the first thing after the arrival, in a fresh process";
        out["groups"] = groups;
        out["files"] = files;
        std::cout << out.dump(2) << std::endl;
        return 0;
    }

    // Open: from the arrival of the result to the first screen painted with its thumbnails.
    clock.restart();
    if (screenMode)
        postResult();
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

    if (!firstMarking.isEmpty()) {
        nlohmann::json out = timeFirstMarking(screen, grid, firstMarking);
        if (out.is_null()) {
            std::cerr << kUsage;
            return 2;
        }
        out["files"] = ResultState::shared().shownFileCount();
        std::cout << out.dump(2) << std::endl;
        return 0;
    }
    if (commandsMode) {
        const QString pngPath = makeLargePng(folder);
        nlohmann::json out;
        out["view"] = "result commands in the results screen";
        out["groups"] = ResultState::shared().shownGroupCount();
        out["files"] = ResultState::shared().shownFileCount();
        out["open_with_thumbnails_s"] = openSeconds;
        out["totals_refresh"] = timeTotalsRefresh(screen, pngPath);
        out["commands"] = timeResultCommands(screen, grid, childArguments);
        out["peak_rss_mb"] = peakResidentMegabytes();
        std::cout << out.dump(2) << std::endl;
        return 0;
    }

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
