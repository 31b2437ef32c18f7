#include "screens/home/AddFilesRules.h"

#include "model/InitialDirectory.h"
#include "model/ModuleState.h"
#include "platform/FileManager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <random>

using namespace AddFilesRules;

namespace {

const QStringList kExtensions{"jpg", "png", "mov"};

class AddFilesRulesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char *folder : {"Pictures", "Pictures2", "Pictures/Trips", "Excluded", "Excluded/Inner",
                                   "Lib.photoslibrary", "Other.photoslibrary", "Tool.app", "Photo Booth Library"})
            QDir(dir.path()).mkpath(folder);
        for (const char *file : {"a.jpg", "b.JPG", "notes.txt", "Excluded/c.jpg", "Pictures/d.png"})
            touch(file);
    }

    void touch(const char *name)
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }

    QString p(const char *name) const { return dir.filePath(name); }

    QTemporaryDir dir;
};

} // namespace

TEST(AddFilesPathRulesTest, InsideMeansWholePathComponents)
{
    EXPECT_TRUE(isSameOrInside("/home/u/Pictures", "/home/u/Pictures"));
    EXPECT_TRUE(isSameOrInside("/home/u/Pictures/", "/home/u/Pictures"));
    EXPECT_TRUE(isSameOrInside("/home/u/Pictures/x/y.jpg", "/home/u/Pictures/"));
    EXPECT_FALSE(isSameOrInside("/home/u/Pictures2", "/home/u/Pictures"));
    EXPECT_FALSE(isSameOrInside("/home/u/Pict", "/home/u/Pictures"));
    EXPECT_FALSE(isSameOrInside("/usrlocal/x", "/usr"));
    EXPECT_TRUE(isSameOrInside("/usr/share", "/usr"));
    EXPECT_TRUE(isSameOrInside("/anything", "/"));
    EXPECT_FALSE(isSameOrInside("/a", ""));

    const ExclusionMatch m = matchExcluded("/var/lib", {"/var", "/var/lib", "/opt"});
    EXPECT_TRUE(m.equal);
    EXPECT_TRUE(m.inside);
    EXPECT_FALSE(matchExcluded("/variable", {"/var"}).any());
}

TEST(AddFilesPathRulesTest, ExtensionsAndLibraries)
{
    EXPECT_EQ(lowerExtension("/a/B.JPG"), "jpg");
    EXPECT_EQ(lowerExtension("/a/.hidden"), "");
    EXPECT_EQ(lowerExtension("/a/Lib.PhotosLibrary/"), "photoslibrary");
    EXPECT_TRUE(isPhotosLibrary("/a/Lib.PHOTOSLIBRARY"));
    EXPECT_TRUE(isScannableFile("/a/b.JPG", kExtensions));
    EXPECT_FALSE(isScannableFile("/a/folder", kExtensions));
    EXPECT_TRUE(hasPhotosLibrary({"/a", "/b/x.photoslibrary"}));
    EXPECT_FALSE(hasPhotosLibrary({"/a", "/b/photoslibrary"}));
    EXPECT_EQ(alertKeys(Alert::ParentExcluded), std::make_pair(QString("IDS_TWK_226"), QString("IDS_TWK_228_1")));
    EXPECT_EQ(alertKeys(Alert::AvailabilityNotAvailable), std::make_pair(QString("IDS_TWK_300"), QString()));
}

TEST_F(AddFilesRulesTest, DropAddsNewItemsAndReportsTheRest)
{
    // A listed folder beside a new one: the new one is added, one "not available" alert.
    AddOutcome out = evaluateDrop({p("Pictures"), p("Pictures2")}, {p("Pictures")}, {}, kExtensions);
    EXPECT_EQ(out.accepted, QStringList{p("Pictures2")});
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::AvailabilityNotAvailable});

    // A file of a type the scan does not take, a missing path: nothing added, counts differ.
    out = evaluateDrop({p("notes.txt"), p("gone")}, {}, {}, kExtensions);
    EXPECT_TRUE(out.accepted.isEmpty());
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::AvailabilityNotAvailable});

    // Application bundles, the root folder and the Photo Booth library are refused.
    for (const QString &path : {p("Tool.app"), QString("/"), p("Photo Booth Library")}) {
        out = evaluateDrop({path}, {}, {}, kExtensions);
        EXPECT_TRUE(out.accepted.isEmpty()) << path.toStdString();
        EXPECT_EQ(out.alerts, QList<Alert>{Alert::AvailabilityNotAvailable});
    }

    // Everything taken: no alert. Files by extension in any case, libraries like folders.
    out = evaluateDrop({p("a.jpg"), p("b.JPG"), p("Lib.photoslibrary")}, {p("Other.photoslibrary")}, {}, kExtensions);
    EXPECT_EQ(out.accepted, (QStringList{p("a.jpg"), p("b.JPG"), p("Lib.photoslibrary")}));
    EXPECT_TRUE(out.alerts.isEmpty());

    // The same item twice in one drop is added once.
    out = evaluateDrop({p("a.jpg"), p("a.jpg")}, {}, {}, kExtensions);
    EXPECT_EQ(out.accepted, QStringList{p("a.jpg")});
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::AvailabilityNotAvailable});
}

TEST_F(AddFilesRulesTest, DropChecksExcludedFoldersByPathComponent)
{
    const QStringList excluded{p("Excluded"), p("Pictures")};
    AddOutcome out = evaluateDrop({p("Excluded")}, {}, excluded, kExtensions);
    EXPECT_TRUE(out.accepted.isEmpty());
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::Excluded});

    out = evaluateDrop({p("Excluded/Inner")}, {}, excluded, kExtensions);
    EXPECT_TRUE(out.accepted.isEmpty());
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::ParentExcluded});

    // A sibling whose name merely starts with an excluded folder's name is not excluded.
    out = evaluateDrop({p("Pictures2")}, {}, excluded, kExtensions);
    EXPECT_EQ(out.accepted, QStringList{p("Pictures2")});
    EXPECT_TRUE(out.alerts.isEmpty());

    // An already-listed item in the same drop makes the "not available" alert win.
    out = evaluateDrop({p("Excluded"), p("a.jpg")}, {p("a.jpg")}, excluded, kExtensions);
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::AvailabilityNotAvailable});
}

TEST_F(AddFilesRulesTest, AddPhotosPanel)
{
    const QStringList excluded{p("Excluded")};
    AddOutcome out =
        evaluateAddPhotos({p("a.jpg"), p("Excluded/c.jpg"), p("b.JPG")}, {p("a.jpg")}, excluded, kExtensions);
    EXPECT_EQ(out.accepted, QStringList{p("b.JPG")});
    EXPECT_EQ(out.alerts, (QList<Alert>{Alert::AlreadyListed, Alert::Excluded}));

    out = evaluateAddPhotos({p("notes.txt")}, {}, excluded, kExtensions);
    EXPECT_TRUE(out.accepted.isEmpty());
    EXPECT_TRUE(out.alerts.isEmpty());
}

TEST_F(AddFilesRulesTest, AddFolderPanel)
{
    const QStringList excluded{p("Excluded")};
    AddOutcome out = evaluateAddFolder({QString("/")}, {}, excluded);
    EXPECT_TRUE(out.accepted.isEmpty());
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::Excluded});

    // One listed and one excluded folder: only the already-listed alert.
    out = evaluateAddFolder({p("Pictures"), p("Excluded")}, {p("Pictures")}, excluded);
    EXPECT_TRUE(out.accepted.isEmpty());
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::AlreadyListed});

    out = evaluateAddFolder({p("Excluded/Inner"), p("Pictures2")}, {}, excluded);
    EXPECT_EQ(out.accepted, QStringList{p("Pictures2")});
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::ParentExcluded});

    // Nesting with listed folders is allowed both ways.
    out = evaluateAddFolder({p("Pictures/Trips"), dir.path()}, {p("Pictures")}, excluded);
    EXPECT_EQ(out.accepted, (QStringList{p("Pictures/Trips"), dir.path()}));
    EXPECT_TRUE(out.alerts.isEmpty());
}

TEST_F(AddFilesRulesTest, PhotosLibraryPanel)
{
    AddOutcome out = evaluateAddPhotosLibrary({p("Lib.photoslibrary"), p("Other.photoslibrary")}, {}, {});
    EXPECT_EQ(out.accepted, QStringList{p("Lib.photoslibrary")});
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::AlreadyListed});

    out = evaluateAddPhotosLibrary({p("Lib.photoslibrary")}, {p("Pictures")}, {dir.path()});
    EXPECT_TRUE(out.accepted.isEmpty());
    EXPECT_EQ(out.alerts, QList<Alert>{Alert::Excluded});

    EXPECT_TRUE(shouldEnablePanelPath(p("Lib.photoslibrary")));
    EXPECT_TRUE(shouldEnablePanelPath(p("Pictures")));
    EXPECT_FALSE(shouldEnablePanelPath(p("a.jpg")));
}

TEST(AddFilesReadinessTest, ListEditsLookAtTheNumberOfEntries)
{
    EXPECT_TRUE(isEmptyAfterListEdit({}, kExtensions));
    EXPECT_TRUE(isEmptyAfterListEdit({"/p/a.jpg"}, kExtensions));
    EXPECT_FALSE(isEmptyAfterListEdit({"/p/folder"}, kExtensions));
    EXPECT_FALSE(isEmptyAfterListEdit({"/p/a.jpg", "/p/b.jpg"}, kExtensions));
}

TEST(AddFilesReadinessTest, TickEditsLookAtTheTickedEntries)
{
    const QStringList twoFiles{"/p/a.jpg", "/p/b.jpg"};
    EXPECT_TRUE(isEmptyAfterTickEdit(twoFiles, 1, 0, kExtensions));
    EXPECT_FALSE(isEmptyAfterTickEdit(twoFiles, 2, 1, kExtensions));
    const QStringList twoFolders{"/p/x", "/p/y"};
    EXPECT_TRUE(isEmptyAfterTickEdit(twoFolders, 0, 0, kExtensions));
    EXPECT_FALSE(isEmptyAfterTickEdit(twoFolders, 1, 1, kExtensions));
    EXPECT_TRUE(isEmptyAfterTickEdit({"/p/a.jpg"}, 1, 0, kExtensions));
    EXPECT_FALSE(isEmptyAfterTickEdit({"/p/lib.photoslibrary"}, 1, 0, kExtensions));
    // An index out of range never reads past the list.
    EXPECT_FALSE(isEmptyAfterTickEdit(twoFolders, 1, 7, kExtensions));

    EXPECT_EQ(tickedCountAndIndex({true, false, true, false}), std::make_pair(2, 2));
    EXPECT_EQ(tickedCountAndIndex({false, false}), std::make_pair(0, 0));
}

TEST(AddFilesPersistenceTest, RestoredPathsPassTheRulesOfTheAddPanels)
{
    // A settings file may be damaged or written by someone else: what comes back is what the add
    // panels would have taken.
    using Entries = std::vector<std::pair<QString, bool>>;
    const std::vector<InitialDirectory> keptExcluded = excludedFolders;
    excludedFolders = {InitialDirectory(QUrl::fromLocalFile("/home/ann/Private"))};
    const QString trash = platform::FileManager::homeTrashPath();
    const QString system = excludedSystemFolderList().first();
    const QVariantList paths{
        "/",
        system,
        system + "/share/photos",
        "/home/ann/Private/x.jpg",
        trash,
        trash + "/files/a.jpg",
        "/media/disk/.Trash-1000/files/b.jpg",
        "relative/c.jpg",
        QString("/home/ann/a") + QChar(u'\0') + "/sub",
        "/home/ann/new\nline.jpg",
        "/home/ann/tab\tc.jpg",
        "/home/ann/Pictures",
        "/home/ann/Pictures/",
        "/" + QString(5000, 'a'),
        "/home/ann/b.jpg",
    };
    QVariantList ticks;
    for (qsizetype i = 0; i < paths.size(); ++i)
        ticks << (i % 2 == 0);
    EXPECT_EQ(restoreEntries(paths, ticks), (Entries{{"/home/ann/Pictures", false}, {"/home/ann/b.jpg", true}}));
    excludedFolders = keptExcluded;

    // The list is capped in length.
    QVariantList many;
    for (int i = 0; i < maxRestoredEntries + 5; ++i)
        many << QString("/home/ann/p%1.jpg").arg(i);
    const auto restored = restoreEntries(many, QVariantList{});
    ASSERT_EQ(restored.size(), size_t(maxRestoredEntries));
    EXPECT_EQ(restored.back().first, QString("/home/ann/p%1.jpg").arg(maxRestoredEntries - 1));
}

TEST(AddFilesPersistenceTest, RestoreReadsPathsAndTicks)
{
    using Entries = std::vector<std::pair<QString, bool>>;
    EXPECT_TRUE(restoreEntries(std::nullopt, std::nullopt).empty());
    EXPECT_TRUE(restoreEntries(QVariantList{"/a"}, std::nullopt).empty());
    EXPECT_TRUE(restoreEntries(QVariantList{}, QVariantList{}).empty());
    // A damaged element costs only its own entry, not the whole list.
    EXPECT_EQ(restoreEntries(QVariantList{"/a", 3, "/c"}, QVariantList{false, true, false}),
              (Entries{{"/a", false}, {"/c", false}}));
    EXPECT_EQ(restoreEntries(QVariantList{"/a", "/b"}, QVariantList{"yes", false}),
              (Entries{{"/a", true}, {"/b", false}}));
    EXPECT_EQ(restoreEntries(QVariantList{"/a", "/b"}, QVariantList{true, false}),
              (Entries{{"/a", true}, {"/b", false}}));
    // Surplus ticks are ignored; missing ticks read as ticked.
    EXPECT_EQ(restoreEntries(QVariantList{"/a"}, QVariantList{false, false, true}), (Entries{{"/a", false}}));
    EXPECT_EQ(restoreEntries(QVariantList{"/a", "/b", "/c"}, QVariantList{false}),
              (Entries{{"/a", false}, {"/b", true}, {"/c", true}}));
    EXPECT_EQ(restoreEntries(QVariantList{"/a", "/b"}, QVariantList{}), (Entries{{"/a", true}, {"/b", true}}));
}

namespace {

// The restore rules checked one by one, as the add panels check a single path: every folder of
// both lists resolved again for each path, and each path compared with every one restored before.
// (The generated paths are absolute, usable and short, so the other rules do not come in.)
std::vector<std::pair<QString, bool>> straightforwardRestore(const QVariantList &paths, const QVariantList &ticks,
                                                             const QStringList &excluded, const QStringList &system)
{
    std::vector<std::pair<QString, bool>> entries;
    QStringList restored;
    for (qsizetype i = 0; i < paths.size() && entries.size() < size_t(maxRestoredEntries); ++i) {
        const QString path = paths[i].toString();
        const QString normalized = normalizedPath(path);
        bool refused = normalized == "/" || matchExcluded(normalized, system).any()
            || matchExcluded(normalized, excluded).any() || isInTrashFolder(normalized);
        for (const QString &earlier : restored)
            refused = refused || normalizedPath(earlier) == normalized;
        if (refused)
            continue;
        entries.emplace_back(path, i < ticks.size() ? ticks[i].toBool() : true);
        restored << path;
    }
    return entries;
}

} // namespace

TEST(AddFilesPersistenceTest, ARestoreGivesWhatTheRulesGiveOnePathAtATime)
{
    // Real folders and links to them, so that paths and folders meet under other names.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    ASSERT_TRUE(QDir(root).mkpath("A/B/C") && QDir(root).mkpath("D/E"));
    ASSERT_TRUE(QFile::link(root + "/A", root + "/link"));
    ASSERT_TRUE(QFile::link(root + "/A/B", root + "/D/toB"));

    const QStringList parts{"A", "B", "C", "D", "E", "link", "toB", "x", "..", "."};
    std::mt19937 random(20261209);
    auto pick = [&random](int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(random)); };
    auto makePath = [&] {
        QString path = pick(6) == 0 ? QString("/nowhere") : root;
        const int depth = 1 + pick(4);
        for (int i = 0; i < depth; ++i)
            path += "/" + parts[pick(parts.size())];
        if (pick(5) == 0)
            path += "/";
        return path;
    };
    for (int trial = 0; trial < 200; ++trial) {
        QStringList excluded, system;
        for (int i = pick(12); i > 0; --i)
            excluded << makePath();
        for (int i = pick(3); i > 0; --i)
            system << makePath();
        if (pick(40) == 0)
            excluded << "/";
        QVariantList paths, ticks;
        for (int i = 1 + pick(30); i > 0; --i) {
            paths << makePath();
            ticks << (pick(2) == 0);
        }
        ASSERT_EQ(restoreEntries(paths, ticks, excluded, system),
                  straightforwardRestore(paths, ticks, excluded, system))
            << "trial " << trial;
    }
}
