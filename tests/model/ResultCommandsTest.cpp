#include "model/ResultCommands.h"

#include "support/ResultGroupsFixtures.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>

using namespace ResultCommands;

namespace {

std::vector<int> marks(const ResultState &s, int g)
{
    return s.selectedIndexArray[size_t(g)];
}

} // namespace

TEST(ResultCommands, ShownGroupsKeepFirstMemberAndThoseReachingTheLevel)
{
    ImageGroups delivered;
    delivered.push_back({fileAt("/a/1.jpg", 10), fileAt("/a/2.jpg", 85)}); // exactly at level
    delivered.push_back({fileAt("/b/1.jpg"), fileAt("/b/2.jpg", 84.9f)});  // dropped
    auto video = fileAt("/c/2.mov", 50);
    video->isVideo = true;
    delivered.push_back({fileAt("/c/1.jpg"), fileAt("/c/3.jpg", 99), video});     // video hidden
    delivered.push_back({fileAt("/d/1.jpg"), fileAt("/d/2.jpg", std::nanf(""))}); // NaN stays out
    bool videos = false;
    const ImageGroups shown = shownGroupsAtMatchingLevel(delivered, 85, &videos);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].size(), 2u);
    EXPECT_EQ(shown[1].size(), 2u);
    EXPECT_EQ(shown[1][0], delivered[2][0]);
    EXPECT_TRUE(videos);
}

TEST(ResultCommands, TickRefusesTheLastUnmarkedMemberAndToggleFollowsFullRule)
{
    ResultState s;
    s.setResults(makeGroups({2, 5}));
    EXPECT_EQ(tickFile(s, 0, 0), TickResult::Marked);
    EXPECT_EQ(tickFile(s, 0, 1), TickResult::Refused);
    EXPECT_EQ(marks(s, 0), std::vector<int>({0}));
    EXPECT_TRUE(isGroupFull(s, 0));

    // Tick, untick, tick: the position once, at the end.
    tickFile(s, 1, 3);
    tickFile(s, 1, 1);
    untickFile(s, 1, 3);
    tickFile(s, 1, 3);
    EXPECT_EQ(marks(s, 1), std::vector<int>({1, 3}));
    EXPECT_FALSE(isGroupFull(s, 1));
    // 3 marked and 2 protected of 5 is full; a protected member is never ticked.
    s.imageDirectories[1][0]->isProtected = true;
    s.imageDirectories[1][4]->isProtected = true;
    EXPECT_EQ(tickFile(s, 1, 0), TickResult::Ignored);
    EXPECT_EQ(tickFile(s, 1, 2), TickResult::Marked);
    EXPECT_TRUE(isGroupFull(s, 1));
    toggleGroup(s, 1); // full: cleared
    EXPECT_TRUE(marks(s, 1).empty());
    toggleGroup(s, 1); // not full: marked by the rules (which files: tests/engine)
    const std::vector<int> byRules = marks(s, 1);
    EXPECT_FALSE(byRules.empty());
    EXPECT_EQ(std::count(byRules.begin(), byRules.end(), 0), 0); // protected: never marked
    clearGroup(s, 1);                                            // clearing empties whatever is there
    EXPECT_TRUE(marks(s, 1).empty());
}

TEST(ResultCommands, SelectAndUnselectByTypeFolderAndTree)
{
    ResultState s;
    ImageGroups groups;
    groups.push_back({fileAt("/x/A/a.JPG"), fileAt("/x/A/b.jpg"), fileAt("/x/A/sub/c.png")});
    groups.push_back({fileAt("/x/B/d.png"), fileAt("/x/B/e.png")});
    groups.push_back({fileAt("/x/a/f.jpg"), fileAt("/x/A/g.jpg")});
    s.setResults(groups);
    s.mark(1, 0); // a hand mark that the select command replaces
    const QUrl clicked = QUrl::fromLocalFile("/x/A/b.jpg");

    selectAllMatching(s, MatchKey::Type, clicked);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1}));
    EXPECT_TRUE(marks(s, 1).empty());
    EXPECT_EQ(marks(s, 2), std::vector<int>({1}));

    selectAllMatching(s, MatchKey::Folder, clicked);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1})); // the sub-folder does not count
    selectAllMatching(s, MatchKey::Tree, clicked);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1, 2}));
    EXPECT_EQ(marks(s, 2), std::vector<int>({1}));
    // The tree matches "/x/a/" too: case is ignored.
    EXPECT_TRUE(fileMatches(*groups[2][0], MatchKey::Tree, clicked));
    EXPECT_FALSE(fileMatches(*groups[2][0], MatchKey::Folder, clicked));
    // A sibling whose name only starts like the folder does not match.
    EXPECT_FALSE(fileMatches(*fileAt("/x/AB/z.jpg"), MatchKey::Tree, clicked));

    unselectAllMatching(s, MatchKey::Type, QUrl::fromLocalFile("/x/A/sub/c.png"));
    EXPECT_EQ(marks(s, 0), std::vector<int>({1}));
    unselectAll(s);
    EXPECT_EQ(s.selectedIndexArray.size(), 3u);
    EXPECT_FALSE(s.hasMarks());
}

TEST(ResultCommands, InvertKeepsOneFileInUntouchedGroupsAndSkipsProtected)
{
    ResultState s;
    s.setResults(makeGroups({3, 3}));
    s.imageDirectories[1][2]->isProtected = true;
    invertMarkedFiles(s);
    EXPECT_EQ(marks(s, 0), std::vector<int>({1, 2}));
    EXPECT_EQ(marks(s, 1), std::vector<int>({0, 1}));
    invertMarkedFiles(s);
    EXPECT_EQ(marks(s, 0), std::vector<int>({0}));
    EXPECT_TRUE(marks(s, 1).empty());
}

TEST(ResultCommands, RemovingAFileMovesTheMarksAndPairsAboveItDown)
{
    ResultState s;
    s.setResults(makeGroups({4, 2}));
    const ImageFilePtr third = s.imageDirectories[0][2];
    const ImageFilePtr fourth = s.imageDirectories[0][3];
    s.mark(0, 2);
    s.setProtectionByHand(0, 3, true);
    EXPECT_EQ(removeFromResults(s, 0, 0), RemoveOutcome::Reload);
    ASSERT_TRUE(s.isConsistent());
    EXPECT_EQ(marks(s, 0), std::vector<int>({1}));
    EXPECT_EQ(s.shownFile(0, 1), third);
    EXPECT_EQ(s.protectionOverrideRows[0], std::vector<int>({2}));
    EXPECT_EQ(s.shownFile(0, 2), fourth);
    EXPECT_EQ(s.allImages[0].size(), 3u);

    // A group dropped by the removal leaves the marks and both override lists together.
    s.setProtectionByHand(1, 1, true);
    s.mark(1, 0);
    EXPECT_EQ(removeFromResults(s, 1, 1), RemoveOutcome::Reload);
    EXPECT_EQ(s.shownGroupCount(), 1);
    EXPECT_EQ(s.selectedIndexArray.size(), 1u);
    EXPECT_EQ(s.protectionOverrideRows.size(), 1u);
    EXPECT_EQ(s.protectionOverrideStates.size(), 1u);
    EXPECT_EQ(s.allImages.size(), 1u);
}

TEST(ResultCommands, RemovingTheLastFilesPostsNoResultsOrRegroups)
{
    ResultState s;
    s.setResults(makeGroups({2}));
    EXPECT_EQ(removeFromResults(s, 0, 0), RemoveOutcome::NoResultsLeft);

    ImageGroups all = makeGroups({2, 2});
    all[1][1]->matchingPercentage = 50; // hidden at the level
    s.allImages = all;
    s.setShownGroups({all[0]});
    EXPECT_EQ(removeFromResults(s, 0, 1), RemoveOutcome::Regroup);
    EXPECT_EQ(s.allImages.size(), 1u);
}

namespace {

// Groups of random sizes whose marks and overrides drifted at random (out of range, repeated,
// lists of the wrong length, unpaired overrides), with some members protected.
ResultState driftedMarks(quint32 seed)
{
    QRandomGenerator random(seed);
    std::vector<int> sizes;
    for (int g = random.bounded(1, 9); g > 0; --g)
        sizes.push_back(random.bounded(1, 6));
    ImageGroups groups;
    for (size_t g = 0; g < sizes.size(); ++g) {
        ImageGroup group;
        for (int r = 0; r < sizes[g]; ++r) {
            group.push_back(fileAt(QStringLiteral("/p/g%1/f%2.%3").arg(g).arg(r).arg(r % 2 ? "jpg" : "png")));
            group.back()->isProtected = random.bounded(4) == 0;
        }
        groups.push_back(group);
    }
    ResultState s;
    s.setResults(groups);
    for (size_t g = 0; g < groups.size(); ++g) {
        for (int k = random.bounded(5); k > 0; --k)
            s.selectedIndexArray[g].push_back(random.bounded(-1, sizes[g] + 2));
        if (random.bounded(3) == 0) {
            s.protectionOverrideRows[g].push_back(random.bounded(-1, sizes[g] + 1));
            if (random.bounded(2) == 0)
                s.protectionOverrideStates[g].push_back(true);
        }
    }
    if (random.bounded(3) == 0)
        s.selectedIndexArray.pop_back();
    return s;
}

// Rules that name positions of their own choosing: out of range, repeated, protected, or all.
std::vector<int> unrulyMarks(const ResultState &s, int group)
{
    QRandomGenerator random(quint32(group * 31 + int(s.imageDirectories[size_t(group)].size())));
    std::vector<int> marks;
    for (int k = random.bounded(7); k > 0; --k)
        marks.push_back(random.bounded(-1, int(s.imageDirectories[size_t(group)].size()) + 1));
    return marks;
}

// Checks scannedGroupHolding for every shown group against comparing every pair of files: the
// last scanned group that holds a file of the shown group, or 0.
void expectScannedGroupsAsComparingEveryPair(const ResultState &s, quint32 seed)
{
    for (int g = 0; g < s.shownGroupCount(); ++g) {
        int expected = 0;
        for (int k = 0; k < int(s.allImages.size()); ++k)
            for (const ImageFilePtr &a : s.allImages[size_t(k)])
                for (const ImageFilePtr &b : s.imageDirectories[size_t(g)])
                    if (sameUrl(*a, *b))
                        expected = k;
        EXPECT_EQ(scannedGroupHolding(s, g), expected) << "seed " << seed << " group " << g;
    }
}

} // namespace

// Auto Select of every group, and the select commands built on it, give what marking the groups one
// by one gives (each group checking and repairing the state first), whatever state the result was in.
TEST(ResultCommands, AutoSelectAllMatchesMarkingGroupByGroup)
{
    for (bool unruly : {false, true}) {
        setGroupMarker(unruly ? GroupMarker(unrulyMarks) : GroupMarker());
        for (quint32 seed = 1; seed <= 300; ++seed) {
            ResultState reference = driftedMarks(seed);
            if (!reference.isConsistent())
                reference.normalize();
            for (int g = 0; g < reference.shownGroupCount(); ++g)
                applyAutoMarkToGroup(reference, g);

            ResultState s = driftedMarks(seed);
            EXPECT_EQ(autoSelectAllFiles(s), reference.hasMarks()) << "seed " << seed;
            EXPECT_EQ(s.selectedIndexArray, reference.selectedIndexArray) << "seed " << seed;
            EXPECT_EQ(s.protectionOverrideRows, reference.protectionOverrideRows) << "seed " << seed;
            EXPECT_EQ(s.protectionOverrideStates, reference.protectionOverrideStates) << "seed " << seed;
            EXPECT_FALSE(anyGroupFullyMarked(s)) << "seed " << seed;

            // Select by type keeps of those marks the ones of the clicked file's type.
            ResultState typed = driftedMarks(seed);
            selectAllMatching(typed, MatchKey::Type, QUrl::fromLocalFile("/p/g0/f1.jpg"));
            ASSERT_EQ(typed.selectedIndexArray.size(), reference.selectedIndexArray.size());
            for (size_t g = 0; g < typed.selectedIndexArray.size(); ++g) {
                std::vector<int> expected;
                for (int r = 1; r < int(reference.imageDirectories[g].size()); r += 2)
                    if (reference.isMarked(int(g), r))
                        expected.push_back(r);
                EXPECT_EQ(typed.selectedIndexArray[g], expected) << "seed " << seed;
            }
        }
    }
    setGroupMarker({});
}

// The scanned group holding a shown group is the last group of allImages holding a file with the
// URL of one of its members (files without a URL count as the same file).
TEST(ResultCommands, ScannedGroupHoldingMatchesComparingEveryPair)
{
    for (quint32 seed = 1; seed <= 300; ++seed) {
        QRandomGenerator random(seed);
        ResultState s;
        ImageGroups scanned(size_t(random.bounded(1, 10)));
        for (ImageGroup &group : scanned) {
            for (int k = random.bounded(2, 5); k > 0; --k) {
                auto file = fileAt(QStringLiteral("/p/f%1.jpg").arg(random.bounded(25)));
                if (random.bounded(20) == 0)
                    file->url.reset();
                group.push_back(file);
            }
        }
        s.setResults(scanned);
        // Shown members: some the scanned records themselves, some new records of the same or
        // other URLs.
        for (ImageGroup &group : s.imageDirectories)
            for (ImageFilePtr &file : group)
                if (random.bounded(3) == 0)
                    file = random.bounded(10) == 0 ? std::make_shared<ImageFile>()
                                                   : fileAt(QStringLiteral("/p/f%1.jpg").arg(random.bounded(40)));
        expectScannedGroupsAsComparingEveryPair(s, seed);
    }
}

namespace {

// URLs of every shape a result can hold: letter cases, no or several dots, encoded characters,
// a trailing slash, another scheme, a query, a host, the root, and an empty URL.
QUrl oddUrl(QRandomGenerator &random)
{
    static const char *const names[] = {"a.jpg",    "b.JPG", "c.Jpg",   "d.jpeg",        "e.png",   "f", ".g",
                                        "h.tar.gz", "i%2Ej", "j k.jpg", "k\xc3\xa9.JPG", "l.J%50G", "m."};
    static const char *const folders[] = {"/x/A/",     "/x/a/", "/x/A/sub/", "/x/AB/", "/", "/x/\xc3\x89t\xc3\xa9/",
                                          "/x/sp ace/"};
    switch (random.bounded(14)) {
    case 0:
        return QUrl(QStringLiteral("http://host/x/A/a.jpg"));
    case 1:
        return QUrl(QStringLiteral("file:///x/A/a.jpg?v=1"));
    case 2:
        return QUrl(QStringLiteral("file://server/x/A/b.jpg"));
    case 3:
        return QUrl::fromLocalFile(QStringLiteral("/x/A/sub/"));
    case 4:
        return QUrl();
    default: {
        const QString folder = QString::fromUtf8(folders[random.bounded(int(std::size(folders)))]);
        const QString name = QString::fromUtf8(names[random.bounded(int(std::size(names)))]);
        return name.contains(QLatin1Char('%')) ? QUrl(QStringLiteral("file://") + folder + name)
                                               : QUrl::fromLocalFile(folder + name);
    }
    }
}

// A result of odd URLs, some members without a URL or protected, with marks that drifted.
ResultState oddResult(QRandomGenerator &random)
{
    ImageGroups groups;
    for (int g = random.bounded(1, 8); g > 0; --g) {
        ImageGroup group;
        for (int r = random.bounded(2, 7); r > 0; --r) {
            auto file = std::make_shared<ImageFile>();
            if (random.bounded(12) != 0)
                file->url = oddUrl(random);
            file->isProtected = random.bounded(5) == 0;
            group.push_back(file);
        }
        groups.push_back(group);
    }
    ResultState s;
    s.setResults(groups);
    for (auto &marks : s.selectedIndexArray)
        for (int k = random.bounded(5); k > 0; --k)
            marks.push_back(random.bounded(-1, 8));
    return s;
}

} // namespace

// The bulk commands, comparing the keys the result keeps, give what the file-by-file rules give on
// odd URLs, also after records changed their URL between two commands.
TEST(ResultCommands, BulkCommandsMatchTheFileByFileRules)
{
    for (quint32 seed = 1; seed <= 400; ++seed) {
        QRandomGenerator random(seed);
        ResultState s = oddResult(random);
        for (int round = 0; round < 3; ++round) {
            const MatchKey key = MatchKey(random.bounded(3));
            QUrl clicked = oddUrl(random);
            if (random.bounded(3) == 0 && s.shownFile(0, 0) && s.shownFile(0, 0)->url)
                clicked = *s.shownFile(0, 0)->url;

            // Select: the automatic marks whose file matches, in ascending order.
            ResultState reference = s;
            autoSelectAllFiles(reference);
            for (int g = 0; g < reference.shownGroupCount(); ++g) {
                std::vector<int> entry;
                for (int j = 0; j < int(reference.imageDirectories[size_t(g)].size()); ++j)
                    if (reference.isMarked(g, j)
                        && fileMatches(*reference.imageDirectories[size_t(g)][size_t(j)], key, clicked))
                        entry.push_back(j);
                reference.selectedIndexArray[size_t(g)] = entry;
            }
            ResultState selected = s;
            selectAllMatching(selected, key, clicked);
            EXPECT_EQ(selected.selectedIndexArray, reference.selectedIndexArray) << "seed " << seed;

            // Unselect: the first occurrence of every marked position that matches goes.
            reference = s;
            if (!reference.isConsistent())
                reference.normalize();
            for (int g = 0; g < reference.shownGroupCount(); ++g)
                for (int j = 0; j < int(reference.imageDirectories[size_t(g)].size()); ++j)
                    if (reference.isMarked(g, j)
                        && fileMatches(*reference.imageDirectories[size_t(g)][size_t(j)], key, clicked))
                        reference.unmark(g, j);
            unselectAllMatching(s, key, clicked);
            EXPECT_EQ(s.selectedIndexArray, reference.selectedIndexArray) << "seed " << seed;

            // Invert: protected marks stay, every other member flips, an untouched group keeps 0.
            reference = s;
            for (int g = 0; g < reference.shownGroupCount(); ++g) {
                const ImageGroup &group = reference.imageDirectories[size_t(g)];
                const bool untouched = reference.selectedIndexArray[size_t(g)].empty()
                    && std::none_of(group.begin(), group.end(), [](const ImageFilePtr &f) { return f->isProtected; });
                std::vector<int> entry;
                for (int m : reference.selectedIndexArray[size_t(g)])
                    if (group[size_t(m)]->isProtected)
                        entry.push_back(m);
                for (int j = 0; j < int(group.size()); ++j)
                    if (!group[size_t(j)]->isProtected && !reference.isMarked(g, j) && !(untouched && j == 0))
                        entry.push_back(j);
                reference.selectedIndexArray[size_t(g)] = entry;
                keepOneUnmarked(reference, g);
            }
            invertMarkedFiles(s);
            EXPECT_EQ(s.selectedIndexArray, reference.selectedIndexArray) << "seed " << seed;

            // Some records change their URL, in place or for another one; the kept keys follow.
            for (ImageGroup &group : s.imageDirectories)
                for (ImageFilePtr &file : group)
                    if (random.bounded(4) == 0) {
                        if (file->url && random.bounded(2) == 0)
                            file->url->setPath(oddUrl(random).path());
                        else
                            file->url = oddUrl(random);
                    }
        }
        // The scanned group holding each shown one, through the kept URL hashes.
        expectScannedGroupsAsComparingEveryPair(s, seed);
    }
}
