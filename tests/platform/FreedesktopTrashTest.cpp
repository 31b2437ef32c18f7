#include "platform/Cancellable.h"
#include "platform/FileManager.h"
#include "platform/FileStat.h"
#include "platform/FreedesktopTrash.h"

#include "support/ServicesFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <memory>

using platform::FileManager;
using platform::FreedesktopTrash;
using platform::TrashResult;

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The raw Path= value of an info file.
QByteArray rawPathLine(const QString &infoFile)
{
    QFile file(infoFile);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith("Path="))
            return line.mid(5);
    return QByteArray();
}

// Checks a finished move the way a desktop restores it: the info file belongs to the entry, its
// Path is percent-encoded ASCII, and renaming the entry to the decoded Path (relative to `top`
// for a Trash on another disk) brings the file back with its contents.
void expectRestorable(const TrashResult &result, const QString &original, const QByteArray &contents,
                      const QString &top = QString())
{
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(original));
    EXPECT_TRUE(FileManager::isInTrash(result.trashedPath));
    EXPECT_EQ(QFileInfo(result.infoPath).canonicalFilePath(),
              QFileInfo(FreedesktopTrash::infoFileFor(result.trashedPath)).canonicalFilePath());
    EXPECT_LE(native(QFileInfo(result.infoPath).fileName()).size(), 255);
    const QByteArray raw = rawPathLine(result.infoPath);
    ASSERT_FALSE(raw.isEmpty());
    for (char c : raw) {
        EXPECT_TRUE(uchar(c) > 32 && uchar(c) < 127) << "unencoded byte " << int(uchar(c));
        EXPECT_NE(c, '#');
    }
    const auto decoded = FreedesktopTrash::infoPath(result.infoPath);
    ASSERT_TRUE(decoded);
    const QByteArray expected = top.isEmpty() ? native(original) : native(QDir(top).relativeFilePath(original));
    EXPECT_EQ(*decoded, expected);
    const QByteArray restoreTo = top.isEmpty() ? *decoded : native(top) + '/' + *decoded;
    ASSERT_EQ(::rename(native(result.trashedPath).constData(), restoreTo.constData()), 0);
    QFile back(original);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), contents);
}

// A file system of its own mounted on `where` (root only); unmounted by the destructor.
class Mount
{
public:
    Mount(const QString &where, const QString &type, const QString &options = QString())
        : m_where(where)
    {
        QDir().mkpath(where);
        if (::geteuid() != 0)
            return;
        if (type == QLatin1String("tmpfs")) {
            m_ok = ::mount("tmpfs", native(where).constData(), "tmpfs", 0, "size=4m") == 0;
        } else if (type == QLatin1String("ext4")) {
            const QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.ext4"),
                                                                {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
            if (mkfs.isEmpty())
                return;
            m_image = where + QStringLiteral(".img");
            QFile image(m_image);
            if (!image.open(QIODevice::WriteOnly) || !image.resize(8 * 1024 * 1024))
                return;
            image.close();
            if (QProcess::execute(mkfs, {QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("0"), m_image})
                != 0)
                return;
            const QString mountOptions = options.isEmpty() ? QStringLiteral("loop") : QStringLiteral("loop,") + options;
            m_ok =
                QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), mountOptions, m_image, where}) == 0;
        }
    }
    ~Mount()
    {
        if (m_ok)
            ::umount2(native(m_where).constData(), MNT_DETACH);
        if (!m_image.isEmpty())
            QFile::remove(m_image);
    }
    bool ok() const { return m_ok; }

private:
    QString m_where;
    QString m_image;
    bool m_ok = false;
};

QString uidText()
{
    return QString::number(::geteuid());
}

} // namespace

// Names that a naive info writer breaks: "%", "#", a line break and non-ASCII letters. Both ways
// of moving are checked: GIO (first move in this process) and the own code (after the data folder
// changed, GIO's remembered home Trash no longer is ours).
TEST(FreedesktopTrash, OddNamesAreRecordedPercentEncodedAndRestorable)
{
    const QString name = QString::fromUtf8("50% off #1\nÄpfel ✓.jpg");
    {
        fixtures::TempHome home;
        const QString file = home.file("photos/" + name);
        ASSERT_TRUE(fixtures::writeFile(file, "first"));
        const TrashResult result = FileManager::trashItem(file);
        ASSERT_TRUE(result.trashedPath.startsWith(FileManager::homeTrashPath() + "/files/"))
            << result.trashedPath.toStdString() << result.error.toStdString();
        expectRestorable(result, file, "first");
    }
    {
        fixtures::TempHome other;
        const QString file = other.file("photos/" + name);
        ASSERT_TRUE(fixtures::writeFile(file, "second"));
        const TrashResult result = FileManager::trashItem(file);
        ASSERT_TRUE(result.trashedPath.startsWith(FileManager::homeTrashPath() + "/files/"))
            << result.trashedPath.toStdString() << result.error.toStdString();
        expectRestorable(result, file, "second");
    }
}

TEST(FreedesktopTrash, ASecondFileOfTheSameNameGetsItsOwnEntry)
{
    fixtures::TempHome home;
    const QString a = home.file("a/shot.jpg");
    const QString b = home.file("b/shot.jpg");
    ASSERT_TRUE(fixtures::writeFile(a, "a"));
    ASSERT_TRUE(fixtures::writeFile(b, "b"));
    const TrashResult first = FileManager::trashItem(a);
    const TrashResult second = FileManager::trashItem(b);
    ASSERT_TRUE(first.ok && second.ok) << first.error.toStdString() << second.error.toStdString();
    EXPECT_NE(first.trashedPath, second.trashedPath);
    EXPECT_NE(first.infoPath, second.infoPath);
    expectRestorable(first, a, "a");
    expectRestorable(second, b, "b");

    // A Trash that already holds the first thousand names of a file (its info files) takes one
    // more under the first number free, through our own code, within its bounded number of tries.
    fixtures::TempHome crowded;
    const QString info = FileManager::homeTrashPath() + "/info/";
    ASSERT_TRUE(QDir().mkpath(info) && QDir().mkpath(FileManager::homeTrashPath() + "/files"));
    ASSERT_TRUE(fixtures::writeFile(info + "shot.jpg.trashinfo", ""));
    for (int n = 2; n <= 1000; ++n)
        ASSERT_TRUE(fixtures::writeFile(info + QStringLiteral("shot.%1.jpg.trashinfo").arg(n), ""));
    const QString c = crowded.file("c/shot.jpg");
    ASSERT_TRUE(fixtures::writeFile(c, "c"));
    const TrashResult third = FileManager::trashItem(c);
    EXPECT_EQ(QFileInfo(third.trashedPath).fileName(), QStringLiteral("shot.1001.jpg"));
    expectRestorable(third, c, "c");
}

// Many files of one name (a camera's IMG_0001.JPG from many folders), moved while another program
// (GIO's own command, when installed) trashes files of that name into the same Trash: each lands
// once, with the info file that leads back to it, and nothing is overwritten.
TEST(FreedesktopTrash, ManyFilesOfOneNameEachLandWithTheirOwnInfoFile)
{
    fixtures::TempHome home;
    ASSERT_TRUE(FileManager::ensureHomeTrash());
    QHash<QByteArray, QByteArray> contents; // original path -> contents
    QStringList ours, theirs;
    for (int i = 0; i < 150; ++i) {
        for (const char *side : {"ours", "theirs"}) {
            const QString file = home.file(QStringLiteral("%1/%2/IMG_0001.JPG").arg(side).arg(i));
            const QByteArray text = QByteArray(side) + QByteArray::number(i);
            ASSERT_TRUE(fixtures::writeFile(file, text));
            contents.insert(native(file), text);
            (side == std::string("ours") ? ours : theirs) << file;
        }
    }
    QProcess other;
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (!gio.isEmpty())
        other.start(gio, QStringList{QStringLiteral("trash")} + theirs);
    for (const QString &file : ours)
        ASSERT_TRUE(FileManager::trashItem(file).ok) << file.toStdString();
    if (!gio.isEmpty())
        ASSERT_TRUE(other.waitForFinished(-1) && other.exitCode() == 0) << other.readAllStandardError().toStdString();
    else
        contents.removeIf([](const auto &entry) { return entry.value().startsWith("theirs"); });

    const QString trash = FileManager::homeTrashPath();
    QSet<QByteArray> restored;
    const QStringList infos = QDir(trash + "/info").entryList({QStringLiteral("*.trashinfo")}, QDir::Files);
    for (const QString &name : infos) {
        const auto original = FreedesktopTrash::infoPath(trash + "/info/" + name);
        ASSERT_TRUE(original && contents.contains(*original)) << name.toStdString();
        EXPECT_FALSE(restored.contains(*original)) << original->toStdString();
        restored.insert(*original);
        QFile entry(trash + "/files/" + name.chopped(10));
        ASSERT_TRUE(entry.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(entry.readAll(), contents.value(*original)) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(*original)));
    }
    EXPECT_EQ(restored.size(), contents.size());
    EXPECT_EQ(QDir(trash + "/files").entryList(QDir::Files).size(), contents.size());

    // A number another program took after this run's last move, and an entry left in files/ without
    // its info file, are stepped over and left as they are; once the Trash is emptied the next file
    // of the name takes the name itself again.
    const QString info = trash + "/info/";
    const auto held = [&](const QString &name) {
        return QFileInfo::exists(info + name + ".trashinfo") || QFileInfo::exists(trash + "/files/" + name);
    };
    int next = 2;
    while (held(QStringLiteral("IMG_0001.%1.JPG").arg(next)))
        ++next;
    ASSERT_TRUE(fixtures::writeFile(info + QStringLiteral("IMG_0001.%1.JPG.trashinfo").arg(next), "foreign"));
    ASSERT_TRUE(fixtures::writeFile(trash + QStringLiteral("/files/IMG_0001.%1.JPG").arg(next + 1), "orphan"));
    const QString late = home.file("late/IMG_0001.JPG");
    ASSERT_TRUE(fixtures::writeFile(late, "late"));
    const TrashResult stepped = FileManager::trashItem(late);
    ASSERT_TRUE(stepped.ok) << stepped.error.toStdString();
    EXPECT_EQ(QFileInfo(stepped.trashedPath).fileName(), QStringLiteral("IMG_0001.%1.JPG").arg(next + 2));
    EXPECT_EQ(contentsOf(info + QStringLiteral("IMG_0001.%1.JPG.trashinfo").arg(next)), "foreign");
    EXPECT_EQ(contentsOf(trash + QStringLiteral("/files/IMG_0001.%1.JPG").arg(next + 1)), "orphan");
    expectRestorable(stepped, late, "late");

    ASSERT_TRUE(QDir(trash).removeRecursively() && FileManager::ensureHomeTrash());
    const QString again = home.file("again/IMG_0001.JPG");
    ASSERT_TRUE(fixtures::writeFile(again, "again"));
    const TrashResult fresh = FileManager::trashItem(again);
    EXPECT_EQ(QFileInfo(fresh.trashedPath).fileName(), QStringLiteral("IMG_0001.JPG"));
    expectRestorable(fresh, again, "again");
}

// A temporary info copy an ended run left in info/ a day ago is taken away when the Trash is next
// used; a fresh one (another program's move through GIO, renamed into place a moment later), the
// info files and other names stay.
TEST(FreedesktopTrash, StrayInfoCopiesOfAnEndedRunAreRemoved)
{
    fixtures::TempHome home;
    const QString info = FileManager::homeTrashPath() + "/info/";
    ASSERT_TRUE(QDir().mkpath(info));
    for (const char *name :
         {"old.jpg.trashinfo.Ab12Cd", "fresh.jpg.trashinfo.Ef34Gh", "kept.jpg.trashinfo", "kept.jpg.trashinfo.notours"})
        ASSERT_TRUE(fixtures::writeFile(info + name, "[Trash Info]\n"));
    const timespec old{::time(nullptr) - 2 * 24 * 3600, 0};
    const timespec twoDaysAgo[2] = {old, old};
    ASSERT_EQ(::utimensat(AT_FDCWD, native(info + "old.jpg.trashinfo.Ab12Cd").constData(), twoDaysAgo, 0), 0);
    const QString file = home.file("photos/shot.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, "shot"));
    const TrashResult result = FileManager::trashItem(file);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(info + "old.jpg.trashinfo.Ab12Cd"));
    EXPECT_TRUE(QFileInfo::exists(info + "fresh.jpg.trashinfo.Ef34Gh"));
    EXPECT_TRUE(QFileInfo::exists(info + "kept.jpg.trashinfo"));
    EXPECT_TRUE(QFileInfo::exists(info + "kept.jpg.trashinfo.notours"));
    expectRestorable(result, file, "shot");
}

// Names of 246 to 255 bytes leave no room for ".trashinfo": the entry gets a shorter name (the
// extension kept), and the info file still leads back to the full original name.
TEST(FreedesktopTrash, LongNamesAreShortenedInTheTrashAndRestoredInFull)
{
    fixtures::TempHome home;
    const QString e = QString::fromUtf8("é"); // two bytes
    const QStringList names = {QString(242, 'a') + ".jpg", QString(251, 'b') + ".jpg", QString(125, e[0]) + "x.jpg",
                               QString(255, 'c')};
    for (const QString &name : names) {
        SCOPED_TRACE(native(name).size());
        ASSERT_GE(native(name).size(), 246);
        ASSERT_LE(native(name).size(), 255);
        const QString file = home.file("long/" + name);
        ASSERT_TRUE(fixtures::writeFile(file, native(name)));
        const TrashResult result = FileManager::trashItem(file);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        const QString entry = QFileInfo(result.trashedPath).fileName();
        EXPECT_LE(native(entry).size(), 245);
        EXPECT_TRUE(QString::fromUtf8(native(entry)).toUtf8() == native(entry)) << "a character was cut";
        if (name.endsWith(".jpg")) {
            EXPECT_TRUE(entry.endsWith(".jpg"));
        }
        expectRestorable(result, file, native(name));
    }
}

// An info folder that cannot be written: the move is reported as failed at once and the file
// stays (Qt 6.4's own Trash move loops for ever here).
TEST(FreedesktopTrash, AnUnwritableInfoFolderFailsAndLeavesTheFile)
{
    fixtures::TempHome home;
    ASSERT_TRUE(FileManager::ensureHomeTrash());
    const QString info = FileManager::homeTrashPath() + "/info";
    ASSERT_TRUE(fixtures::writeFile(info + "/held.jpg.trashinfo", "[Trash Info]\n"));
    bool readOnly = false;
    if (::geteuid() == 0) {
        // Permissions do not bind the super-user; a read-only bind mount does.
        readOnly = ::mount(native(info).constData(), native(info).constData(), nullptr, MS_BIND, nullptr) == 0
            && ::mount(nullptr, native(info).constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    } else {
        readOnly = ::chmod(native(info).constData(), 0500) == 0;
    }
    if (!readOnly)
        GTEST_SKIP() << "the info folder cannot be made read-only here";
    const QString file = home.file("photos/keep.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, "keep"));
    // A name the Trash holds already takes the own code's road.
    const QString held = home.file("photos/held.jpg");
    ASSERT_TRUE(fixtures::writeFile(held, "held"));
    const TrashResult result = FileManager::trashItem(file);
    const TrashResult heldResult = FileManager::trashItem(held);
    if (::geteuid() == 0)
        ::umount2(native(info).constData(), MNT_DETACH);
    else
        ::chmod(native(info).constData(), 0700);
    for (const TrashResult &each : {result, heldResult}) {
        EXPECT_FALSE(each.ok);
        EXPECT_FALSE(each.error.isEmpty());
    }
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(QFile::exists(held));
    EXPECT_TRUE(QDir(FileManager::homeTrashPath() + "/files").isEmpty());
}

TEST(FreedesktopTrash, AnInfoFolderThatIsAFileFailsAndLeavesTheFile)
{
    fixtures::TempHome home;
    const QString trash = FileManager::homeTrashPath();
    QDir().mkpath(trash + "/files");
    ASSERT_TRUE(fixtures::writeFile(trash + "/info", "not a folder"));
    const QString file = home.file("photos/keep.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, "keep"));
    const TrashResult result = FileManager::trashItem(file);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(QDir(trash + "/files").isEmpty());
}

// A file on another disk goes to that disk's .Trash-UID with a Path relative to the disk's top
// (ext4 on a loop device, served by GIO).
TEST(FreedesktopTrash, AFileOnAnotherMountGoesToThatMountsTrash)
{
    fixtures::TempHome home;
    const QString top = home.file("mnt-ext4");
    Mount mount(top, QStringLiteral("ext4"));
    if (!mount.ok())
        GTEST_SKIP() << "cannot mount an ext4 image here (needs root and mkfs.ext4)";
    const QString file = top + "/sub/shot #1.jpg";
    ASSERT_TRUE(fixtures::writeFile(file, "far"));
    const TrashResult result = FileManager::trashItem(file);
    ASSERT_TRUE(result.trashedPath.startsWith(top + "/.Trash-" + uidText() + "/files/"))
        << result.trashedPath.toStdString() << result.error.toStdString();
    expectRestorable(result, file, "far", top);
    EXPECT_FALSE(QFileInfo::exists(FileManager::homeTrashPath() + "/files/shot #1.jpg"));
    // A second file of the name there (its name held in that Trash: the own code's road).
    const QString second = top + "/other/shot #1.jpg";
    ASSERT_TRUE(fixtures::writeFile(second, "farther"));
    const TrashResult again = FileManager::trashItem(second);
    ASSERT_TRUE(again.trashedPath.startsWith(top + "/.Trash-" + uidText() + "/files/")) << again.error.toStdString();
    expectRestorable(again, second, "farther", top);
}

// Where the desktop keeps no Trash, a file stays, with the reason, and no Trash folder is made:
// a memory file system (/dev/shm, a tmpfs of our own), a disk mounted with x-gvfs-notrash, and the
// root file system when the home Trash lies on another disk.
TEST(FreedesktopTrash, NoTrashIsMadeWhereTheDesktopKeepsNone)
{
    fixtures::TempHome home;
    const auto expectKept = [](const QString &file, const QString &top) {
        const QString own = top + "/.Trash-" + uidText();
        const bool hadTrash = QFileInfo::exists(own);
        const TrashResult result = FileManager::trashItem(file);
        EXPECT_FALSE(result.ok) << result.trashedPath.toStdString();
        EXPECT_TRUE(result.error.contains(QStringLiteral("no Trash"))) << result.error.toStdString();
        EXPECT_TRUE(QFile::exists(file));
        EXPECT_EQ(QFileInfo::exists(own), hadTrash) << own.toStdString();
        if (!hadTrash && QFileInfo::exists(own))
            QDir(own).removeRecursively();
        if (result.ok && !QFile::exists(file))
            ::rename(native(result.trashedPath).constData(), native(file).constData());
    };

    QTemporaryDir shm(QStringLiteral("/dev/shm/twinsift-trash-XXXXXX"));
    if (shm.isValid()) {
        SCOPED_TRACE("/dev/shm");
        const QString file = shm.filePath(QStringLiteral("shot.jpg"));
        ASSERT_TRUE(fixtures::writeFile(file, "in memory"));
        expectKept(file, QStringLiteral("/dev/shm"));
    }
    if (::geteuid() != 0)
        GTEST_SKIP() << "the other mounts need root";

    {
        SCOPED_TRACE("tmpfs");
        const QString top = home.file("mnt-tmpfs");
        Mount mount(top, QStringLiteral("tmpfs"));
        ASSERT_TRUE(mount.ok());
        const QString file = top + "/sub/shot.jpg";
        ASSERT_TRUE(fixtures::writeFile(file, "in memory"));
        expectKept(file, top);
    }
    {
        SCOPED_TRACE("x-gvfs-notrash");
        const QString top = home.file("mnt-notrash");
        Mount mount(top, QStringLiteral("ext4"), QStringLiteral("x-gvfs-notrash"));
        if (mount.ok()) {
            const QString file = top + "/shot.jpg";
            ASSERT_TRUE(fixtures::writeFile(file, "kept"));
            expectKept(file, top);
        }
    }
    {
        // The home Trash on a disk of its own; the file on the root file system.
        SCOPED_TRACE("root file system");
        const QString data = home.file("mnt-data");
        Mount mount(data, QStringLiteral("ext4"));
        if (mount.ok()) {
            const QByteArray saved = qgetenv("XDG_DATA_HOME");
            qputenv("XDG_DATA_HOME", QFile::encodeName(data));
            const QString file = home.file("on-root/shot.jpg");
            ASSERT_TRUE(fixtures::writeFile(file, "kept"));
            struct stat rootStat {
            }, fileStat{};
            ASSERT_EQ(::stat("/", &rootStat), 0);
            ASSERT_EQ(::stat(native(file).constData(), &fileStat), 0);
            if (rootStat.st_dev == fileStat.st_dev)
                expectKept(file, QString());
            qputenv("XDG_DATA_HOME", saved);
        }
    }
}

// Without a usable .Trash-UID (a file, or a link to a folder elsewhere) the file stays: it is
// never copied to the home Trash on another disk.
TEST(FreedesktopTrash, AnotherMountWithoutAUsableTrashKeepsTheFile)
{
    fixtures::TempHome home;
    QTemporaryDir elsewhere;
    for (int variant = 0; variant < 2; ++variant) {
        const QString top = home.file("mnt" + QString::number(variant));
        Mount mount(top, QStringLiteral("ext4"));
        if (!mount.ok())
            GTEST_SKIP() << "cannot mount an ext4 image here (needs root and mkfs.ext4)";
        const QString trash = top + "/.Trash-" + uidText();
        if (variant == 0)
            ASSERT_TRUE(fixtures::writeFile(trash, "not a folder"));
        else
            ASSERT_TRUE(QFile::link(elsewhere.path(), trash));
        const QString file = top + "/shot.jpg";
        ASSERT_TRUE(fixtures::writeFile(file, "only here"));
        const TrashResult result = FileManager::trashItem(file);
        EXPECT_FALSE(result.ok) << variant;
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_TRUE(QFile::exists(file));
        EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
        EXPECT_FALSE(QFileInfo::exists(FileManager::homeTrashPath() + "/files/shot.jpg"));
    }
}

// A full disk: GIO does not check the write of its info file. The move ends either as a failure
// with the file in place or as a file with complete restore information, never as a photo in the
// Trash with an empty info file.
TEST(FreedesktopTrash, AFullDiskNeverLeavesAnEmptyInfoFile)
{
    fixtures::TempHome home;
    const QString top = home.file("full");
    Mount mount(top, QStringLiteral("ext4"));
    if (!mount.ok())
        GTEST_SKIP() << "cannot mount an ext4 image here (needs root and mkfs.ext4)";
    // The Trash folders exist, then the disk is filled.
    const QString first = top + "/first.jpg";
    ASSERT_TRUE(fixtures::writeFile(first, "1"));
    ASSERT_TRUE(FileManager::trashItem(first).ok);
    const QString file = top + "/photo.jpg";
    ASSERT_TRUE(fixtures::writeFile(file, "photo"));
    {
        QFile filler(top + "/filler");
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(64 * 1024, 'x');
        while (filler.write(block) == block.size()) { }
        filler.close();
        QFile small(top + "/filler2");
        if (small.open(QIODevice::WriteOnly)) {
            while (small.write("x", 1) == 1 && small.flush()) { }
        }
    }
    const TrashResult result = FileManager::trashItem(file);
    if (result.ok) {
        expectRestorable(result, file, "photo", top);
    } else {
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_TRUE(QFile::exists(file));
        for (const QString &entry : QDir(top + "/.Trash-" + uidText() + "/info").entryList(QDir::Files))
            EXPECT_GT(QFileInfo(top + "/.Trash-" + uidText() + "/info/" + entry).size(), 0) << entry.toStdString();
    }
}

// A path holding a NUL names no file: the file named by the part before it stays.
TEST(FreedesktopTrash, APathWithANulCharacterMovesNothing)
{
    fixtures::TempHome home;
    const QString file = home.file("photos/keep.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, "keep"));
    const TrashResult result = FileManager::trashItem(file + QChar(0) + QStringLiteral("x.jpg"));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(QFile::exists(file));
}

TEST(FreedesktopTrash, ACancelledMoveLeavesTheFile)
{
    fixtures::TempHome home;
    const QString file = home.file("photos/keep.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, "keep"));
    platform::Cancellable cancel;
    cancel.cancel();
    const TrashResult result = FileManager::trashItem(file, nullptr, &cancel);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(QFile::exists(file));
}

// The re-stat right before the move: a file edited in place since it was described, with its size
// and modification time put back, is not moved.
TEST(FreedesktopTrash, AFileChangedSinceItWasDescribedStays)
{
    fixtures::TempHome home;
    const QString file = home.file("photos/edited.jpg");
    ASSERT_TRUE(fixtures::writeFile(file, "original"));
    const auto scanned = platform::FileStat::of(file);
    ASSERT_TRUE(scanned);
    ::usleep(20000);
    ASSERT_TRUE(fixtures::writeFile(file, "ORIGINAL"));
    struct timespec times[2] = {{0, UTIME_OMIT},
                                {scanned->modificationSeconds, long(scanned->modificationNanoseconds)}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native(file).constData(), times, 0), 0);
    const auto now = platform::FileStat::of(file);
    ASSERT_TRUE(now);
    ASSERT_EQ(now->size, scanned->size);
    ASSERT_EQ(now->modificationNanoseconds, scanned->modificationNanoseconds);
    EXPECT_FALSE(now->isUnchangedFrom(*scanned));

    const TrashResult result = FileManager::trashItem(file, &*scanned);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.changed);
    EXPECT_TRUE(QFile::exists(file));

    const TrashResult moved = FileManager::trashItem(file, &*now);
    EXPECT_TRUE(moved.ok) << moved.error.toStdString();
}
