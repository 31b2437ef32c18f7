// The result commands as the program runs them: with the marking engine part of the program, every
// command that marks "by the rules" marks through the engine's cascade, and no sequence of commands,
// regroupings, Auto Select or wizard marking leaves a shown group fully marked or a protected file
// marked.
#include "engine/AutoMarkEngine.h"
#include "model/ModuleState.h"
#include "model/ResultCommands.h"
#include "model/ResultRegrouping.h"
#include "platform/UserDefaults.h"
#include "services/ProtectionCommands.h"
#include "services/ResultProtection.h"
#include "support/AutoMarkFixtures.h"
#include "support/ResultCommandSequences.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace ResultCommands;
using automarkfixtures::K;
using automarkfixtures::sized;

namespace {

// The module-wide lists the commands read, restored after each test.
struct ModuleGuard {
    ModuleGuard()
    {
        platform::UserDefaults::standard().setFilePath(settings.filePath(QStringLiteral("defaults.json")));
        platform::UserDefaults::standard().reset();
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
    }
    ~ModuleGuard()
    {
        selectionPriorityOrder = order;
        protectedFolders = folders;
        protectedSubFolderFlags = flags;
        similarityThreshold = 81;
    }
    QTemporaryDir settings;
    std::vector<SelectionPriority> order = selectionPriorityOrder;
    std::vector<InitialDirectory> folders = protectedFolders;
    std::vector<bool> flags = protectedSubFolderFlags;
};

// What Auto Select marks in `state` (on a copy of the state).
std::vector<std::vector<int>> autoSelectMarks(const ResultState &state)
{
    ResultState copy;
    copy.allImages = state.allImages;
    copy.setShownGroups(state.imageDirectories);
    autoMarkAllGroups(copy);
    return copy.selectedIndexArray;
}

bool anyProtectedMarked(const ResultState &state)
{
    for (int g = 0; g < state.shownGroupCount(); ++g)
        for (int r : state.selectedIndexArray[size_t(g)])
            if (state.imageDirectories[size_t(g)][size_t(r)]->isProtected)
                return true;
    return false;
}

} // namespace

TEST(RuleCascadeCommands, EveryRulesCommandMarksWhatAutoSelectMarks)
{
    ModuleGuard guard;
    // Nothing in this test installs a cascade: the engine being linked in is enough.
    ASSERT_TRUE(hasGroupMarker());
    selectionPriorityOrder = {SelectionPriority(K::ImageDimension)};
    ResultState s;
    s.setResults(
        {{sized("/t/a/small.jpg", 320, 240), sized("/t/a/large.jpg", 1280, 960)},
         {sized("/t/b/large.jpg", 1280, 960), sized("/t/b/small.jpg", 320, 240), sized("/t/b/mid.jpg", 640, 480)}});
    const auto expected = autoSelectMarks(s);
    ASSERT_EQ(expected[0], std::vector<int>({0}));
    ASSERT_EQ(expected[1], std::vector<int>({1, 2}));

    for (int g = 0; g < 2; ++g) {
        EXPECT_EQ(markGroupByRules(s, g), expected[size_t(g)]);
        s.unselectAllMarks();
        toggleGroup(s, g);
        EXPECT_EQ(s.selectedIndexArray[size_t(g)], expected[size_t(g)]) << "toggle " << g;
        s.unselectAllMarks();
        EXPECT_TRUE(markGroup(s, g));
        EXPECT_EQ(s.selectedIndexArray[size_t(g)], expected[size_t(g)]) << "group mark " << g;
    }
    s.unselectAllMarks();
    EXPECT_TRUE(autoSelectAllFiles(s));
    EXPECT_EQ(s.selectedIndexArray, expected);
    // Select > type / folder / folder tree keep the rules' marks that match.
    s.unselectAllMarks();
    s.mark(1, 0); // a hand mark, replaced
    selectAllMatching(s, MatchKey::Folder, QUrl::fromLocalFile("/t/a/small.jpg"));
    EXPECT_EQ(s.selectedIndexArray, (std::vector<std::vector<int>>{{0}, {}}));
    selectAllMatching(s, MatchKey::Tree, QUrl::fromLocalFile("/t/x.jpg"));
    EXPECT_EQ(s.selectedIndexArray, expected);
    selectAllMatching(s, MatchKey::Type, QUrl::fromLocalFile("/t/b/large.jpg"));
    EXPECT_EQ(s.selectedIndexArray, expected);

    // A protected copy is never marked; the group is marked as Auto Select marks it then.
    s.imageDirectories[1][0]->isProtected = true;
    s.unselectAllMarks();
    toggleGroup(s, 1);
    EXPECT_EQ(s.selectedIndexArray[1], autoSelectMarks(s)[1]);
    EXPECT_EQ(std::count(s.selectedIndexArray[1].begin(), s.selectedIndexArray[1].end(), 0), 0);
}

// No sequence of commands, regroupings (matching level, videos filter), Auto Select or marking from
// the selection wizard leaves a shown group with every member marked or a protected file marked,
// and the state stays consistent throughout.
TEST(RuleCascadeCommands, NoSequenceFullyMarksAShownGroupOrMarksAProtectedFile)
{
    ModuleGuard guard;
    ASSERT_TRUE(hasGroupMarker());
    std::mt19937 random(20261209);
    const std::vector<SelectionPriority> kinds = {
        SelectionPriority(K::ImageDimension), SelectionPriority(K::ImageResolution), SelectionPriority(K::FileFormat),
        SelectionPriority(K::FolderPriority), SelectionPriority(K::iPhotoLibrary)};
    auto randomRules = [&] {
        std::vector<SelectionPriority> order = kinds;
        std::shuffle(order.begin(), order.end(), random);
        order.resize(1 + random() % order.size());
        return order;
    };
    auto regroup = [](ResultState &s, ImageGroups groups, bool keepMarks) {
        // As the results screen regroups: marks and hand protection by file, then the folders.
        const ResultRegrouping::FileMemory memory = ResultRegrouping::remember(s);
        ResultRegrouping::showGroups(s, std::move(groups), memory, keepMarks);
        rederiveProtection(s);
    };
    for (int round = 0; round < 150; ++round) {
        protectedFolders.clear();
        protectedSubFolderFlags.clear();
        similarityThreshold = 81;
        selectionPriorityOrder = randomRules();
        ResultState s;
        ImageGroups all;
        const int groups = 1 + int(random() % 5);
        for (int g = 0; g < groups; ++g) {
            ImageGroup group;
            const int size = 2 + int(random() % 5);
            for (int r = 0; r < size; ++r) {
                const double side = 100.0 * double(1 + random() % 3);
                ImageFilePtr f = sized(QStringLiteral("/r/d%1/s%2/f%3.%4")
                                           .arg(random() % 3)
                                           .arg(random() % 2)
                                           .arg(g * 10 + r)
                                           .arg(random() % 2 ? "jpg" : "mov"),
                                       side, side);
                f->isVideo = f->url->path().endsWith(QLatin1String(".mov"));
                f->matchingPercentage = float(78 + random() % 22);
                group.push_back(f);
            }
            group[0]->matchingPercentage = group[1]->matchingPercentage;
            all.push_back(group);
        }
        s.allImages = all;
        s.setShownGroups(shownGroupsAtMatchingLevel(all, similarityThreshold));
        bool videosOnly = false;
        for (int step = 0; step < 60 && s.shownGroupCount() > 0; ++step) {
            const int g = int(random() % unsigned(s.shownGroupCount()));
            const int n = int(s.imageDirectories[size_t(g)].size());
            const int r = int(random() % unsigned(n));
            const unsigned choice = random() % (resultcommandsequences::commandChoices + 3);
            switch (choice) {
            case resultcommandsequences::commandChoices: // the matching-level slider
                similarityThreshold = int(81 + random() % 18);
                videosOnly = false;
                regroup(s, ResultRegrouping::groupsAtMatchingLevel(s.allImages, similarityThreshold), false);
                break;
            case resultcommandsequences::commandChoices + 1: // "Show only videos", on or off
                videosOnly = !videosOnly;
                regroup(s, videosOnly ? ResultRegrouping::videoGroups(s.allImages) : s.allImages, true);
                break;
            case resultcommandsequences::commandChoices
                + 2: // Auto Select, or the wizard's Mark with the rules just edited
                if (random() % 2)
                    selectionPriorityOrder = randomRules();
                autoMarkAllGroups(s);
                break;
            default:
                resultcommandsequences::applyCommand(s, random, choice, g, r);
                break;
            }
            ASSERT_TRUE(s.isConsistent()) << "round " << round << " step " << step;
            ASSERT_FALSE(anyGroupFullyMarked(s)) << "round " << round << " step " << step;
            ASSERT_FALSE(anyProtectedMarked(s)) << "round " << round << " step " << step;
        }
    }
}
