#include "engine/AutoMarkEngine.h"
#include "engine/AutoMarkRun.h"
#include "engine/AutoMarkValueCache.h"
#include "model/ResultState.h"

#include "support/AutoMarkFixtures.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <atomic>
#include <random>
#include <set>
#include <thread>

using namespace automarkfixtures;
using Items = std::vector<int>;

namespace {

// The engine's accessors read the values they were made from, so these outlive every engine.
const FakeValues &noValues()
{
    static const FakeValues none;
    return none;
}

AutoMarkEngine engineFor(std::vector<SelectionPriority> order, const FakeValues &values = noValues())
{
    return AutoMarkEngine(rulesOf(std::move(order)), values.accessors());
}

} // namespace

TEST(AutoMarkEngine, SingleUnprotectedFileIsMarkedWhateverTheRules)
{
    const ImageGroup group = {protectedFile(sized("/a/0.jpg", 10, 10)), sized("/a/1.jpg", 99, 99),
                              protectedFile(sized("/a/2.jpg", 10, 10))};
    EXPECT_EQ(engineFor({}).markGroupByRules(group), (Items{1}));
    EXPECT_EQ(engineFor(defaultSelectionPriorityOrder()).markGroupByRules(group), (Items{1}));
    EXPECT_EQ(engineFor({}).applySelectionRule(5, group), (Items{1}));
}

TEST(AutoMarkEngine, AllProtectedGroupGetsNoMarks)
{
    const ImageGroup group = {protectedFile(sized("/a/0.jpg", 10, 10)), protectedFile(sized("/a/1.jpg", 20, 20))};
    EXPECT_TRUE(engineFor(defaultSelectionPriorityOrder()).markGroupByRules(group).empty());
    EXPECT_TRUE(engineFor({}).markGroupByRules(group).empty());
}

TEST(AutoMarkEngine, PrimaryRuleDecidesAndTheRulesAfterItOnlyBreakTies)
{
    FakeValues values;
    values.sizes = {{"/a/0.jpg", 500}, {"/a/1.png", 500}, {"/a/2.jpg", 100}};
    const ImageGroup group = {file("/a/0.jpg"), file("/a/1.png"), file("/a/2.jpg")};
    AutoMarkRules rules = rulesOf(
        {SelectionPriority(K::ImageSize), SelectionPriority(K::ImageResolution), SelectionPriority(K::FileFormat)});
    rules.fileFormatPriorities = {{1, "png"}, {2, "jpg"}};
    // Size ties 0 and 1; resolution has no values for them; the format rule keeps 1.
    AutoMarkEngine engine(rules, values.accessors());
    EXPECT_EQ(engine.markGroupByRules(group), (Items{0, 2}));
    EXPECT_EQ(engine.sortedIndexes(), (Items{1}));

    // A rule that decides nothing hands the group to the next position.
    rules.order = {SelectionPriority(K::ImageMetadata), SelectionPriority(K::ImageSize)};
    engine.setRules(rules);
    EXPECT_TRUE(engine.applySelectionRule(0, group).empty());
    EXPECT_EQ(engine.markGroupByRules(group), (Items{1, 2}));
}

TEST(AutoMarkEngine, FilesEqualUnderEveryRuleKeepTheLowestItem)
{
    FakeValues values;
    values.sizes = {{"/a/0.jpg", 7}, {"/a/1.jpg", 7}, {"/a/2.jpg", 7}};
    const ImageGroup group = {withDpi(sized("/a/0.jpg", 5, 5), 72, 72), withDpi(sized("/a/1.jpg", 5, 5), 72, 72),
                              withDpi(sized("/a/2.jpg", 5, 5), 72, 72)};
    AutoMarkEngine engine = engineFor(defaultSelectionPriorityOrder(), values);
    EXPECT_EQ(engine.markGroupByRules(group), (Items{1, 2}));
}

TEST(AutoMarkEngine, TieAtTheLastRuleFallsBackToTheFirstTiedFile)
{
    const ImageGroup group = {sized("/a/0.jpg", 10, 10), sized("/a/1.jpg", 50, 50), sized("/a/2.jpg", 50, 50)};
    AutoMarkEngine engine = engineFor({SelectionPriority(K::ImageDimension)});
    EXPECT_TRUE(engine.applySelectionRule(0, group).empty());
    EXPECT_EQ(engine.sortedIndexes(), (Items{1, 2}));
    EXPECT_EQ(engine.markGroupByRules(group), (Items{0, 2}));
}

TEST(AutoMarkEngine, BestValueOfAProtectedFileLeavesTheGroupToTheNextRule)
{
    FakeValues values;
    values.sizes = {{"/a/0.jpg", 5000000}, {"/a/1.jpg", 3000000}, {"/a/2.jpg", 3000000}};
    const ImageGroup group = {protectedFile(sized("/a/0.jpg", 10, 10)), sized("/a/1.jpg", 10, 10),
                              sized("/a/2.jpg", 20, 20)};
    AutoMarkEngine engine = engineFor({SelectionPriority(K::ImageSize), SelectionPriority(K::ImageDimension)}, values);
    EXPECT_TRUE(engine.applySelectionRule(0, group).empty());
    EXPECT_EQ(engine.markGroupByRules(group), (Items{1}));
}

TEST(AutoMarkEngine, UndecidedGroupGetsTheFallbackAndOthersKeepTheirOwnMarks)
{
    ResultState state;
    state.setResults({{sized("/a/0.jpg", 10, 10), sized("/a/1.jpg", 20, 20)},
                      {file("/b/0.jpg"), file("/b/1.jpg"), file("/b/2.jpg")}, // no values at all
                      {sized("/c/0.jpg", 30, 30), sized("/c/1.jpg", 30, 30), protectedFile(sized("/c/2.jpg", 5, 5))}});
    state.selectedIndexArray[1] = {0}; // replaced, never appended to
    AutoMarkEngine engine = engineFor({SelectionPriority(K::ImageDimension), SelectionPriority(K::ImageMetadata)});
    engine.applyAutoMarkToAllGroups(state);
    EXPECT_EQ(state.selectedIndexArray, (std::vector<Items>{{0}, {1, 2}, {1}}));
    EXPECT_TRUE(state.isConsistent());

    // One group alone: only its entry is written.
    state.selectedIndexArray = {{}, {}, {}};
    engine.applyAutoMarkToGroup(state, 2);
    engine.applyAutoMarkToGroup(state, 7);
    EXPECT_EQ(state.selectedIndexArray, (std::vector<Items>{{}, {}, {1}}));

    // After a regrouping every entry is empty; marking fills one entry per shown group.
    state.setShownGroups({state.allImages[0], state.allImages[2]});
    EXPECT_EQ(state.selectedIndexArray, (std::vector<Items>{{}, {}}));
    engine.applyAutoMarkToAllGroups(state);
    EXPECT_EQ(state.selectedIndexArray, (std::vector<Items>{{0}, {1}}));
}

TEST(AutoMarkEngine, FallbackNeverUsesPositionsLeftByAnotherGroup)
{
    AutoMarkEngine engine = engineFor({SelectionPriority(K::ImageDimension)});
    // The first group ends tied on items 1 and 2, which stay in sortedIndexes.
    const ImageGroup tied = {sized("/a/0.jpg", 1, 1), sized("/a/1.jpg", 9, 9), sized("/a/2.jpg", 9, 9)};
    EXPECT_EQ(engine.markGroupByRules(tied), (Items{0, 2}));
    // With no rules left, the next group's fallback keeps its own item 0.
    engine.setRules(rulesOf({}));
    const ImageGroup next = {file("/b/0.jpg"), file("/b/1.jpg"), file("/b/2.jpg")};
    EXPECT_EQ(engine.markGroupByRules(next), (Items{1, 2}));
    const ImageGroup pair = {file("/c/0.jpg"), file("/c/1.jpg")};
    EXPECT_EQ(engine.markGroupByRules(pair), (Items{1}));
}

TEST(AutoMarkEngine, RandomGroupsKeepOneFileAndNeverMarkAProtectedOne)
{
    std::mt19937 random(7);
    const std::vector<SelectionPriority> kinds = {
        SelectionPriority(K::iPhotoLibrary),   SelectionPriority(K::ImageDimension),
        SelectionPriority(K::ImageResolution), SelectionPriority(K::ImageSize),
        SelectionPriority(K::CaptureDate, 0),  SelectionPriority(K::FileFormat),
        SelectionPriority(K::ImageMetadata),   SelectionPriority(K::ModificationDate, 1),
        SelectionPriority(K::FolderPriority),  SelectionPriority(K::none)};
    FakeValues values;
    for (int round = 0; round < 400; ++round) {
        std::vector<SelectionPriority> order;
        for (int k = int(random() % 10); k > 0; --k)
            order.push_back(kinds[random() % kinds.size()]);
        AutoMarkRules rules = rulesOf(order);
        rules.fileFormatPriorities = {{1, "jpg"}, {2, "png"}};
        rules.folderPriorities = {{1, "/r/1"}};
        AutoMarkEngine engine(rules, values.accessors());
        ImageGroup group;
        const int n = 2 + int(random() % 4);
        for (int i = 0; i < n; ++i) {
            const QString path =
                QStringLiteral("/r/%1/%2.%3").arg(random() % 2).arg(i).arg(random() % 2 ? "jpg" : "png");
            ImageFilePtr f = random() % 4 ? sized(path, double(random() % 3), double(random() % 3)) : file(path);
            if (random() % 2)
                withDpi(f, double(random() % 2), double(random() % 2));
            if (random() % 2)
                f->captureDate = QDateTime::fromSecsSinceEpoch(qint64(random() % 3));
            f->isProtected = random() % 4 == 0;
            values.sizes[path] = random() % 3;
            if (random() % 2)
                values.withMetadata.insert(path);
            group.push_back(f);
        }
        const Items marks = engine.markGroupByRules(group);
        int unprotected = 0;
        for (const ImageFilePtr &f : group)
            unprotected += f->isProtected ? 0 : 1;
        ASSERT_TRUE(std::is_sorted(marks.begin(), marks.end()));
        ASSERT_EQ(std::adjacent_find(marks.begin(), marks.end()), marks.end());
        for (int item : marks)
            ASSERT_FALSE(group[std::size_t(item)]->isProtected) << round;
        // Protected files are kept anyway: with one of them every unprotected copy may go; without,
        // exactly one file is kept.
        if (unprotected == n)
            ASSERT_EQ(int(marks.size()), n - 1) << round;
        else
            ASSERT_GE(int(marks.size()), unprotected - 1) << round;
    }
}

TEST(AutoMarkValueCache, ReadsEachNeededValueOnceAcrossThreadsAndGroups)
{
    std::atomic<int> sizeCalls{0};
    std::atomic<int> tagCalls{0};
    AutoMarkAccessors source;
    source.fileSize = [&](const ImageFile &f) -> std::optional<quint64> {
        ++sizeCalls;
        return quint64(f.path().size());
    };
    source.modificationDate = [](const ImageFile &) -> std::optional<QDateTime> { return std::nullopt; };
    source.hasMetadataTags = [&](const ImageFile &) {
        ++tagCalls;
        return true;
    };
    ImageGroups groups;
    for (int g = 0; g < 50; ++g)
        groups.push_back({file(QStringLiteral("/a/%1.jpg").arg(g)), file(QStringLiteral("/a/%1-copy.jpg").arg(g))});
    groups.push_back({groups[0][0], groups[1][0]}); // files met in two groups

    AutoMarkValueCache cache(source);
    cache.prefetch(groups, {SelectionPriority(K::ImageDimension)}, 4);
    EXPECT_EQ(sizeCalls.load(), 0); // nothing the rules do not need
    cache.prefetch(groups, {SelectionPriority(K::ImageSize), SelectionPriority(K::ImageMetadata)}, 4);
    EXPECT_EQ(sizeCalls.load(), 100);
    EXPECT_EQ(tagCalls.load(), 100);

    ResultState state;
    state.setResults(groups);
    AutoMarkEngine engine(rulesOf({SelectionPriority(K::ImageSize), SelectionPriority(K::ImageMetadata)}),
                          cache.accessors());
    engine.applyAutoMarkToAllGroups(state);
    cache.prefetch(groups, {SelectionPriority(K::ImageSize)}, 4);
    EXPECT_EQ(sizeCalls.load(), 100);
    EXPECT_EQ(tagCalls.load(), 100);
    EXPECT_EQ(state.selectedIndexArray[0], (Items{0})); // the longer path "/a/0-copy.jpg" is kept
}

TEST(AutoMarkValueCache, MetadataIsReadOnlyForFilesStillTiedAndMarksMatchPlainReading)
{
    std::mt19937 random(11);
    FakeValues values;
    ImageGroups groups;
    for (int g = 0; g < 300; ++g) {
        ImageGroup group;
        const int n = 2 + int(random() % 4);
        for (int i = 0; i < n; ++i) {
            const QString path = QStringLiteral("/m/%1/%2.jpg").arg(g).arg(i);
            // Pixel sizes often tie, so some groups reach the metadata rule and some do not.
            ImageFilePtr f = sized(path, double(random() % 2), double(random() % 2));
            f->isProtected = random() % 6 == 0;
            values.sizes[path] = random() % 2;
            if (random() % 2)
                values.withMetadata.insert(path);
            group.push_back(f);
        }
        groups.push_back(group);
    }
    const std::vector<SelectionPriority> order = {SelectionPriority(K::ImageDimension), SelectionPriority(K::ImageSize),
                                                  SelectionPriority(K::ImageMetadata),
                                                  SelectionPriority(K::FileFormat)};

    ResultState plain;
    plain.setResults(groups);
    AutoMarkEngine(rulesOf(order), values.accessors()).applyAutoMarkToAllGroups(plain);

    // The files whose metadata the plain cascade asks about.
    std::set<QString> asked;
    AutoMarkAccessors counting = values.accessors();
    counting.hasMetadataTags = [&](const ImageFile &f) {
        asked.insert(f.path());
        return values.withMetadata.count(f.path()) > 0;
    };
    ResultState reference;
    reference.setResults(groups);
    AutoMarkEngine(rulesOf(order), counting).applyAutoMarkToAllGroups(reference);

    std::atomic<int> reads{0};
    AutoMarkAccessors source = values.accessors();
    source.hasMetadataTags = [&](const ImageFile &f) {
        ++reads;
        return values.withMetadata.count(f.path()) > 0;
    };
    ResultState cached;
    cached.setResults(groups);
    AutoMarkValueCache cache(source);
    autoMarkAllGroups(cached, cache, rulesOf(order));
    EXPECT_EQ(cached.selectedIndexArray, plain.selectedIndexArray);
    EXPECT_GT(asked.size(), 0u);
    EXPECT_EQ(std::size_t(reads.load()), asked.size());
    EXPECT_LT(asked.size(), std::size_t(values.sizes.size()));
}

// A marking on the worker takes its copy of the records on the worker, never in start() on the
// calling thread. Once it holds its copy the GUI thread may write the records (the race a thread
// sanitizer run would report otherwise) and the marks are those of the records as they were. They
// are handed out only for the same groups, protection and rules, and only once.
TEST(AutoMarkRun, WorkerMarksItsOwnCopyWhileTheRecordsChange)
{
    ResultState state;
    for (int g = 0; g * 3 < AutoMarkRun::workerFileCount + 300; ++g)
        state.imageDirectories.push_back({sized(QStringLiteral("/none/%1/a.jpg").arg(g), 100, 100),
                                          sized(QStringLiteral("/none/%1/b.jpg").arg(g), 100 + g % 3 * 50, 100),
                                          sized(QStringLiteral("/none/%1/c.jpg").arg(g), 150, 100)});
    state.normalize();
    ASSERT_TRUE(AutoMarkRun::wantsWorker(state));
    const AutoMarkRules rules = rulesOf({SelectionPriority(K::ImageDimension)});
    ResultState plain = state;
    AutoMarkEngine(rules, AutoMarkAccessors::fromServices()).applyAutoMarkToAllGroups(plain);

    QObject context;
    bool done = false;
    ASSERT_TRUE(AutoMarkRun::start(state, rules, &context, [&] { done = true; }));
    EXPECT_FALSE(AutoMarkRun::start(state, rules, &context, [] {})); // one run at a time
    std::optional<std::thread::id> copier;
    const QDeadlineTimer copying(60000);
    while (!(copier = AutoMarkRun::copyTakenBy()) && !copying.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(copier.has_value());
    EXPECT_NE(*copier, std::this_thread::get_id());
    for (const ImageGroup &group : state.imageDirectories)
        for (const ImageFilePtr &f : group) {
            f->isProtected = true;
            (*f->properties)[platform::ImageProperty::PixelWidth] = 10;
        }
    const QDeadlineTimer deadline(60000);
    while (!done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ASSERT_TRUE(done);
    EXPECT_FALSE(AutoMarkRun::isRunning());

    std::vector<std::vector<int>> marks;
    EXPECT_FALSE(AutoMarkRun::hasMarksFor(state, rules)); // the protection is not the run's any more
    for (const ImageGroup &group : state.imageDirectories)
        for (const ImageFilePtr &f : group)
            f->isProtected = false;
    EXPECT_FALSE(AutoMarkRun::hasMarksFor(state, rulesOf({SelectionPriority(K::ImageSize)})));
    ASSERT_TRUE(AutoMarkRun::hasMarksFor(state, rules));
    ASSERT_TRUE(AutoMarkRun::takeMarks(state, rules, marks));
    EXPECT_TRUE(marks == plain.selectedIndexArray);
    EXPECT_FALSE(AutoMarkRun::takeMarks(state, rules, marks));
}
