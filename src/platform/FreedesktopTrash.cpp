// GIO first: its headers use names (such as "signals") that Qt defines as macros.
#include <gio/gio.h>
#include <gio/gunixmounts.h>

#include "platform/FreedesktopTrash.h"

#include "platform/Cancellable.h"
#include "platform/FileStat.h"
#include "platform/Log.h"
#include "platform/PathSafety.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Names tried for one file before the move is given up. They count up as file managers name them
// (name, name.2, name.3, ...) from the first number not yet taken; past kCountedNames tries that
// another program took first, the number is drawn at random.
constexpr int kMaxNames = 1000;
constexpr int kCountedNames = 100;
// The highest number the search for a free one counts to; past it the numbers are drawn.
constexpr quint64 kHighestCountedNumber = quint64(1) << 40;
// The longest extension kept when a name must be shortened.
constexpr int kMaxKeptExtension = 16;
// An info file larger than this is no trash information.
constexpr qint64 kMaxInfoSize = 64 * 1024;
const QByteArray kInfoSuffix = QByteArrayLiteral(".trashinfo");

void log(const QString &line)
{
    logWarning(lcPlatform) << line;
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString display(const QByteArray &native)
{
    return QFile::decodeName(native);
}

std::optional<struct stat> statOf(const QByteArray &path, bool followLinks)
{
    struct stat st = {};
    const int r = followLinks ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st);
    if (r != 0)
        return std::nullopt;
    return st;
}

QByteArray parentOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    if (slash <= 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

QByteArray baseOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray realPath(const QByteArray &path)
{
    char *resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return QByteArray();
    QByteArray result(resolved);
    ::free(resolved);
    return result;
}

// A folder that exists, is a folder and not a link, made (mode 0700) when missing.
bool ensureFolder(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    const auto st = statOf(path, false);
    return st && S_ISDIR(st->st_mode);
}

// GLib 2.84 renamed the mount-entry functions; these read the same on either side of the rename.
#if GLIB_CHECK_VERSION(2, 84, 0)
constexpr auto mountEntryFor = &g_unix_mount_entry_for;
constexpr auto mountEntryIsSystemInternal = &g_unix_mount_entry_is_system_internal;
constexpr auto mountEntryFsType = &g_unix_mount_entry_get_fs_type;
constexpr auto mountEntryOptions = &g_unix_mount_entry_get_options;
constexpr auto mountEntryPath = &g_unix_mount_entry_get_mount_path;
constexpr auto mountEntryFree = &g_unix_mount_entry_free;
#else
constexpr auto mountEntryFor = &g_unix_mount_for;
constexpr auto mountEntryIsSystemInternal = &g_unix_mount_is_system_internal;
constexpr auto mountEntryFsType = &g_unix_mount_get_fs_type;
constexpr auto mountEntryOptions = &g_unix_mount_get_options;
constexpr auto mountEntryPath = &g_unix_mount_get_mount_path;
constexpr auto mountEntryFree = &g_unix_mount_free;
#endif

// Why the desktop keeps no Trash on the disk whose top folder is `top`, by GIO's own rules (a
// Trash made there would be one the desktop never lists, and on a memory file system one a restart
// wipes): the root file system, a system or memory file system such as tmpfs, a mount marked
// x-gvfs-notrash. Absent when a Trash there is fine.
std::optional<QString> trashRefusedAt(const QByteArray &top)
{
    if (top == "/")
        return QStringLiteral("the root file system");
    GUnixMountEntry *mount = mountEntryFor(top.constData(), nullptr);
    if (!mount)
        return QStringLiteral("a disk the system does not list as mounted");
    std::optional<QString> reason;
    if (mountEntryIsSystemInternal(mount)) {
        reason = QStringLiteral("a system or memory file system (%1)").arg(QString::fromUtf8(mountEntryFsType(mount)));
    } else {
        const char *options = mountEntryOptions(mount);
        GUnixMountPoint *point = nullptr;
        if (!options) {
            point = g_unix_mount_point_at(mountEntryPath(mount), nullptr);
            if (point)
                options = g_unix_mount_point_get_options(point);
        }
        if (options && std::strstr(options, "x-gvfs-notrash"))
            reason = QStringLiteral("a disk mounted without a Trash (x-gvfs-notrash)");
        if (point)
            g_unix_mount_point_free(point);
    }
    mountEntryFree(mount);
    return reason;
}

// A per-user Trash folder on a shared disk: a folder (not a link) owned by this user, made when
// missing.
bool usableUserTrash(const QByteArray &path)
{
    auto st = statOf(path, false);
    if (!st) {
        if (::mkdir(path.constData(), 0700) != 0)
            return false;
        st = statOf(path, false);
    }
    return st && S_ISDIR(st->st_mode) && st->st_uid == ::geteuid();
}

// Cuts UTF-8 text to at most `bytes` bytes without splitting a character.
QByteArray cutUtf8(const QByteArray &text, int bytes)
{
    if (text.size() <= bytes)
        return text;
    int cut = std::max(bytes, 0);
    while (cut > 0 && (uchar(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.left(cut);
}

// The name numbered `n` in the Trash for a file called `base`: 1 is the name itself, a higher one
// "stem.N.ext", each shortened (keeping the extension) so that the info file's name fits in
// `limit` bytes.
QByteArray candidateName(const QByteArray &base, quint64 n, int limit)
{
    const int room = limit - kInfoSuffix.size();
    if (n == 1 && base.size() <= room)
        return base;
    const int dot = base.lastIndexOf('.');
    QByteArray extension = (dot > 0 && base.size() - dot <= kMaxKeptExtension) ? base.mid(dot) : QByteArray();
    const QByteArray number = n == 1 ? QByteArray() : '.' + QByteArray::number(n);
    QByteArray stem = base.left(base.size() - extension.size());
    if (room - number.size() - extension.size() < 1)
        extension.clear();
    stem = cutUtf8(stem, room - number.size() - extension.size());
    return stem + number + extension;
}

// Whether a Trash holds an entry of the name numbered `n`: its info file, or its entry in files/
// (one an ended move or another tool left without an info file).
bool nameHeld(const QByteArray &trash, const QByteArray &base, quint64 n, int limit)
{
    const QByteArray name = candidateName(base, n, limit);
    return statOf(trash + "/info/" + name + kInfoSuffix, false) || statOf(trash + "/files/" + name, false);
}

// The numbers from which the names of a file are next counted in a Trash, per Trash and name, for
// the names this run found taken: the first number past the last one this run took. A file of a name
// the Trash holds thousands of (one name from many folders) then takes one look, not one per file held.
class NameHints
{
public:
    static quint64 from(const QByteArray &key)
    {
        QMutexLocker locker(&lock());
        return hints().value(key, 0);
    }
    static void remember(const QByteArray &key, quint64 next)
    {
        QMutexLocker locker(&lock());
        hints().insert(key, next);
    }

private:
    static QMutex &lock()
    {
        static QMutex mutex;
        return mutex;
    }
    static QHash<QByteArray, quint64> &hints()
    {
        static QHash<QByteArray, quint64> table;
        return table;
    }
};

// The first free number of a file's names in a Trash, from the hint of this run where there is one
// (unless the number before it is free again: the Trash was emptied), else from the name itself.
// Names are taken one number after another, so the step doubles while the numbers are taken and
// then halves back to the first free one: about 2 log2(N) looks for a Trash holding N of the name.
// Only a look: the name is taken by creating its info file, and a number taken meanwhile counts on.
quint64 firstFreeNumber(const QByteArray &trash, const QByteArray &base, int limit, quint64 hint)
{
    quint64 from = hint > 2 && nameHeld(trash, base, hint - 1, limit) ? hint : 1;
    if (!nameHeld(trash, base, from, limit))
        return from;
    if (from == 1)
        from = 2;
    quint64 taken = from - 1;
    quint64 step = 1;
    quint64 free = from;
    while (nameHeld(trash, base, free, limit)) {
        taken = free;
        if (step >= kHighestCountedNumber)
            return kHighestCountedNumber + 1 + QRandomGenerator::global()->bounded(kHighestCountedNumber);
        step *= 2;
        free = from - 1 + step;
    }
    while (free - taken > 1) {
        const quint64 middle = taken + (free - taken) / 2;
        (nameHeld(trash, base, middle, limit) ? taken : free) = middle;
    }
    return free;
}

// The n-th name GIO gives a file called `base` in the Trash.
QByteArray gioName(const QByteArray &base, int n)
{
    if (n == 1)
        return base;
    const int dot = base.indexOf('.');
    if (dot < 0)
        return base + '.' + QByteArray::number(n);
    return base.left(dot) + '.' + QByteArray::number(n) + base.mid(dot);
}

bool writeAll(int fd, const QByteArray &data)
{
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray infoContents(const QByteArray &pathValue)
{
    return QByteArrayLiteral("[Trash Info]\nPath=") + FreedesktopTrash::encodePath(pathValue)
        + QByteArrayLiteral("\nDeletionDate=")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + '\n';
}

// The Path value of a file in `location`: absolute for the home Trash, else relative to the top
// folder of the disk (from the folder's resolved path, so links on the way do not matter).
QByteArray pathValueFor(const QByteArray &absolute, const QByteArray &realParent,
                        const FreedesktopTrash::Location &location)
{
    if (location.top.isEmpty())
        return absolute;
    QByteArray relative = realParent.mid(location.top == "/" ? 0 : location.top.size());
    while (relative.startsWith('/'))
        relative.remove(0, 1);
    return relative.isEmpty() ? baseOf(absolute) : relative + '/' + baseOf(absolute);
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Right before a move: still the file it was meant to be?
bool stillExpected(const QByteArray &path, const FileStat *expected)
{
    if (!expected)
        return true;
    const auto now = FileStat::of(display(path));
    return now && now->isUnchangedFrom(*expected);
}

TrashResult failure(const QString &error)
{
    TrashResult result;
    result.error = error;
    return result;
}

TrashResult cancelledResult(const QByteArray &path)
{
    TrashResult result;
    result.cancelled = true;
    result.error = QStringLiteral("The move to the Trash was cancelled: ") + display(path);
    return result;
}

TrashResult changedResult(const QByteArray &path)
{
    TrashResult result;
    result.changed = true;
    result.error = QStringLiteral("The file changed since it was scanned: ") + display(path);
    return result;
}

// Writes a complete info file under a name not yet taken; -1 when the name is taken, 0 when
// written, else the error number (the info file is then gone again).
int createInfoFile(const QByteArray &infoFile, const QByteArray &contents)
{
    const int fd = ::open(infoFile.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST ? -1 : errno;
    int error = 0;
    if (!writeAll(fd, contents) || ::fsync(fd) != 0)
        error = errno ? errno : EIO;
    if (::close(fd) != 0 && error == 0)
        error = errno ? errno : EIO;
    if (error != 0)
        ::unlink(infoFile.constData());
    return error;
}

// rename(2) that never replaces an existing entry.
int renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot be asked not to replace: look first.
    if (statOf(to, false))
        return EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// The move done by our own code, following the freedesktop.org Trash layout.
TrashResult moveWithOwnCode(const QByteArray &absolute, const struct stat &source, const FileStat *expected,
                            Cancellable *cancel)
{
    const QByteArray realParent = realPath(parentOf(absolute));
    if (realParent.isEmpty())
        return failure(QStringLiteral("The folder of the file cannot be read: ") + display(absolute));
    QString error;
    const auto location = FreedesktopTrash::locate(realParent, &error);
    if (!location)
        return failure(error);
    const QByteArray files = location->trash + "/files";
    const QByteArray info = location->trash + "/info";
    const auto trashStat = statOf(files, false);
    if (!trashStat || trashStat->st_dev != source.st_dev)
        return failure(QStringLiteral("No Trash on the disk of %1; the file is not copied to another disk.")
                           .arg(display(absolute)));
    const long nameMax = ::pathconf(info.constData(), _PC_NAME_MAX);
    const int limit = nameMax > 0 && nameMax < 4096 ? int(nameMax) : NAME_MAX;
    const QByteArray contents = infoContents(pathValueFor(absolute, realParent, *location));
    const QByteArray base = baseOf(absolute);
    const QByteArray hintKey = location->trash + '/' + base;
    quint64 number = firstFreeNumber(location->trash, base, limit, NameHints::from(hintKey));
    // The next number after one another program took first.
    const auto nextNumber = [&](int tries) {
        return tries < kCountedNames && number <= kHighestCountedNumber
            ? number + 1
            : kHighestCountedNumber + 1 + QRandomGenerator::global()->bounded(kHighestCountedNumber);
    };

    for (int tries = 1; tries <= kMaxNames; ++tries) {
        if (cancel && cancel->isCancelled())
            return cancelledResult(absolute);
        const QByteArray name = candidateName(base, number, limit);
        const QByteArray infoFile = info + '/' + name + kInfoSuffix;
        const int written = createInfoFile(infoFile, contents);
        if (written < 0) {
            number = nextNumber(tries);
            continue;
        }
        if (written > 0)
            return failure(QStringLiteral("The Trash information file cannot be written (%1): %2")
                               .arg(errnoText(written), display(infoFile)));
        // The last checks, right before the move.
        if (cancel && cancel->isCancelled()) {
            ::unlink(infoFile.constData());
            return cancelledResult(absolute);
        }
        if (!stillExpected(absolute, expected)) {
            ::unlink(infoFile.constData());
            return changedResult(absolute);
        }
        const QByteArray target = files + '/' + name;
        const int moved = renameNoReplace(absolute, target);
        if (moved == 0) {
            if (number > 1)
                NameHints::remember(hintKey, number + 1);
            TrashResult result;
            result.ok = true;
            result.trashedPath = display(target);
            result.infoPath = display(infoFile);
            return result;
        }
        ::unlink(infoFile.constData());
        if (moved == EEXIST) {
            number = nextNumber(tries); // an entry without an info file holds this name
            continue;
        }
        if (moved == EXDEV)
            return failure(
                QStringLiteral("The Trash is on another disk than %1; the file is not copied.").arg(display(absolute)));
        return failure(QStringLiteral("The file could not be moved to the Trash (%1): %2")
                           .arg(errnoText(moved), display(absolute)));
    }
    return failure(QStringLiteral("Too many files of this name are in the Trash: ") + display(absolute));
}

// Where GIO put a file: the entry of the Trash's files/ folder that is the same file (a rename
// keeps device and inode), looked for under the names GIO gives, then among all entries.
QByteArray findTrashedEntry(const QByteArray &trash, const QByteArray &base, const struct stat &source)
{
    const QByteArray files = trash + "/files/";
    const QByteArray info = trash + "/info/";
    for (int n = 1; n <= 100000; ++n) {
        const QByteArray name = gioName(base, n);
        const auto st = statOf(files + name, false);
        if (st && sameFile(*st, source))
            return files + name;
        if (!st && !statOf(info + name + kInfoSuffix, false))
            break;
    }
    QByteArray found;
    if (DIR *dir = ::opendir(files.constData())) {
        while (dirent *entry = ::readdir(dir)) {
            if (entry->d_ino != source.st_ino)
                continue;
            const auto st = statOf(files + entry->d_name, false);
            if (st && sameFile(*st, source)) {
                found = files + entry->d_name;
                break;
            }
        }
        ::closedir(dir);
    }
    return found;
}

// True when the decoded Path of an info file leads back to the place the file came from.
bool pathLeadsBack(const QByteArray &decoded, const QByteArray &absolute, const QByteArray &top,
                   const struct stat &parent)
{
    if (decoded.isEmpty() || baseOf(decoded) != baseOf(absolute))
        return false;
    const QByteArray full = decoded.startsWith('/') ? decoded : (top == "/" ? top : top + '/') + decoded;
    const auto st = statOf(parentOf(full), true);
    return st && sameFile(*st, parent);
}

// Writes the info file again, whole, in place: no second file is made beside it, so an end of the
// process at any moment leaves no stray entry in info/. The new text is written over the old one
// before the rest is cut off, so the file never stands empty; a reader takes its first Path line.
bool rewriteInfoFile(const QByteArray &infoFile, const QByteArray &contents)
{
    const int fd = ::open(infoFile.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    struct stat info = {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && writeAll(fd, contents)
        && ::ftruncate(fd, off_t(contents.size())) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    return ok;
}

// True for the name of a temporary info file ("NAME.trashinfo.XXXXXX"). Earlier versions of this
// program wrote one and renamed it over the info file, and one ended before the rename stays
// behind; GIO (and so every program that trashes through it) writes the same name for a moment.
bool isStrayInfoCopy(const QByteArray &name)
{
    const qsizetype at = name.lastIndexOf(kInfoSuffix + '.');
    if (at <= 0 || name.size() != at + kInfoSuffix.size() + 7)
        return false;
    for (qsizetype i = at + kInfoSuffix.size() + 1; i < name.size(); ++i)
        if (!std::isalnum(uchar(name[i])))
            return false;
    return true;
}

// A temporary info copy is renamed into place a moment after it is written; one last written this
// long ago belongs to a run that ended.
constexpr time_t kStrayCopyAgeSeconds = 24 * 60 * 60;

// Removes such stray copies from a Trash's info folder, once per Trash in a run: only our own
// regular files of that name pattern, last written a day ago or earlier, never an info file
// itself. A younger one may be another program's move in progress (GIO renames it over the info
// file right after), and taking it away would leave that program's file with an empty record.
void removeStrayInfoCopies(const QByteArray &trash)
{
    static QMutex sweptLock;
    static QSet<QByteArray> swept;
    {
        QMutexLocker locker(&sweptLock);
        if (swept.contains(trash))
            return;
        swept.insert(trash);
    }
    const QByteArray info = trash + "/info";
    DIR *dir = ::opendir(info.constData());
    if (!dir)
        return;
    const time_t now = ::time(nullptr);
    while (dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!isStrayInfoCopy(name))
            continue;
        struct stat st = {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)
            || st.st_uid != ::geteuid())
            continue;
        // A time ahead of the clock counts as young.
        if (st.st_mtime > now || now - st.st_mtime < kStrayCopyAgeSeconds)
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            log(QStringLiteral("Removed a stray Trash information copy: %1").arg(display(info + '/' + name)));
    }
    ::closedir(dir);
}

enum class GioOutcome { Moved, Failed, Unsupported };

// The move through GIO. After it, the file is looked up in the Trash and its info file checked;
// an info file GIO left empty or wrong (GIO does not check its write) is written again, and when
// that fails the file goes back where it was.
GioOutcome moveWithGio(const QByteArray &absolute, const struct stat &source, const QByteArray &realParent,
                       const FreedesktopTrash::Location &location, Cancellable *cancel, TrashResult &result)
{
    GFile *file = g_file_new_for_path(absolute.constData());
    GError *error = nullptr;
    const gboolean moved =
        g_file_trash(file, cancel ? static_cast<GCancellable *>(cancel->gCancellable()) : nullptr, &error);
    g_object_unref(file);
    if (!moved) {
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        // A name too long for GIO's info file is the one case the own code takes over; a mount
        // GIO refuses (a system or memory file system, x-gvfs-notrash) keeps its file.
        const bool unsupported = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_FILENAME_TOO_LONG);
        const bool refused = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED);
        const QString message = error ? QString::fromUtf8(error->message) : QString();
        g_clear_error(&error);
        if (cancelled) {
            result = cancelledResult(absolute);
            return GioOutcome::Failed;
        }
        log(QStringLiteral("GIO could not move %1 to the Trash: %2").arg(display(absolute), message));
        if (unsupported)
            return GioOutcome::Unsupported;
        if (refused) {
            result = failure(QStringLiteral("The desktop keeps no Trash for %1 (%2); the file stays where it is.")
                                 .arg(display(absolute), message));
            return GioOutcome::Failed;
        }
        result =
            failure(message.isEmpty() ? QStringLiteral("The file could not be moved to the Trash: ") + display(absolute)
                                      : message);
        return GioOutcome::Failed;
    }

    const QByteArray trashed = findTrashedEntry(location.trash, baseOf(absolute), source);
    if (trashed.isEmpty()) {
        log(QStringLiteral("Moved to the Trash but not found in %1: %2")
                .arg(display(location.trash), display(absolute)));
        result =
            failure(QStringLiteral("The file left its folder but was not found in the Trash: ") + display(absolute));
        return GioOutcome::Failed;
    }
    const QByteArray infoFile = location.trash + "/info/" + baseOf(trashed) + kInfoSuffix;
    const auto parent = statOf(realParent, true);
    const auto decoded = FreedesktopTrash::infoPath(display(infoFile));
    const bool valid = parent && decoded && pathLeadsBack(*decoded, absolute, location.top, *parent);
    if (!valid) {
        log(QStringLiteral("The Trash information of %1 was incomplete; writing it again").arg(display(trashed)));
        if (!rewriteInfoFile(infoFile, infoContents(pathValueFor(absolute, realParent, location)))) {
            const bool back = renameNoReplace(trashed, absolute) == 0;
            if (back)
                ::unlink(infoFile.constData());
            result = failure(back ? QStringLiteral("The Trash could not record where the file came from; it was "
                                                   "left in place: ")
                                     + display(absolute)
                                  : QStringLiteral("The file is in the Trash at %1, but the Trash could not record "
                                                   "where it came from.")
                                        .arg(display(trashed)));
            return GioOutcome::Failed;
        }
    }
    result = TrashResult();
    result.ok = true;
    result.trashedPath = display(trashed);
    result.infoPath = display(infoFile);
    return GioOutcome::Moved;
}

} // namespace

QByteArray FreedesktopTrash::encodePath(const QByteArray &path)
{
    return path.toPercentEncoding(QByteArrayLiteral("/"));
}

std::optional<QByteArray> FreedesktopTrash::infoPath(const QString &infoFile)
{
    QFile file(infoFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxInfoSize)
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    bool inGroup = false;
    bool sawGroup = false;
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inGroup = line == "[Trash Info]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (inGroup && line.startsWith("Path=")) {
            const QByteArray value = line.mid(5);
            if (value.isEmpty())
                return std::nullopt;
            return QByteArray::fromPercentEncoding(value);
        }
    }
    return std::nullopt;
}

QString FreedesktopTrash::infoFileFor(const QString &trashedPath)
{
    const QFileInfo entry(trashedPath);
    return entry.dir().absolutePath() + QStringLiteral("/../info/") + entry.fileName() + QStringLiteral(".trashinfo");
}

std::optional<FreedesktopTrash::Location> FreedesktopTrash::locate(const QByteArray &parentDir, QString *error)
{
    const auto parent = statOf(parentDir, true);
    if (!parent) {
        *error = QStringLiteral("The folder cannot be read: ") + display(parentDir);
        return std::nullopt;
    }
    // The home Trash, when it is on the same disk: then no other Trash will do. Its disk is that
    // of its nearest folder that exists, so a home Trash that cannot be made still counts.
    const QByteArray home = QFile::encodeName(QDir::cleanPath(FileManager::homeTrashPath()));
    QByteArray existing = home;
    auto homeStat = statOf(existing, true);
    while (!homeStat && existing != "/") {
        existing = parentOf(existing);
        homeStat = statOf(existing, true);
    }
    if (homeStat && homeStat->st_dev == parent->st_dev) {
        if (FileManager::ensureHomeTrash() && ensureFolder(home + "/files") && ensureFolder(home + "/info"))
            return Location{home, QByteArray()};
        *error = QStringLiteral("The Trash folder cannot be used: ") + display(home);
        return std::nullopt;
    }

    // Else the Trash at the top folder of the file's disk, as GIO chooses it.
    QByteArray top = realPath(parentDir);
    if (top.isEmpty()) {
        *error = QStringLiteral("The folder cannot be read: ") + display(parentDir);
        return std::nullopt;
    }
    while (top != "/") {
        const QByteArray up = parentOf(top);
        const auto st = statOf(up, true);
        if (!st || st->st_dev != parent->st_dev)
            break;
        top = up;
    }
    // Never a Trash GIO would not make: none on the root file system, none on a system or memory
    // file system, none where the mount says so.
    if (const auto refused = trashRefusedAt(top)) {
        *error = QStringLiteral("The desktop keeps no Trash for %1: it is on %2, and the home Trash is on "
                                "another disk. The file stays where it is.")
                     .arg(display(parentDir), *refused);
        return std::nullopt;
    }
    const QByteArray prefix = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(qulonglong(::geteuid()));
    const QByteArray shared = prefix + "/.Trash";
    const auto sharedStat = statOf(shared, false);
    if (sharedStat && S_ISDIR(sharedStat->st_mode) && (sharedStat->st_mode & S_ISVTX)) {
        const QByteArray mine = shared + '/' + uid;
        if (usableUserTrash(mine) && ensureFolder(mine + "/files") && ensureFolder(mine + "/info"))
            return Location{mine, top};
    }
    const QByteArray own = prefix + "/.Trash-" + uid;
    if (usableUserTrash(own) && ensureFolder(own + "/files") && ensureFolder(own + "/info"))
        return Location{own, top};
    *error = QStringLiteral("The disk of %1 has no usable Trash folder (%2); the file is not copied to another disk.")
                 .arg(display(parentDir), display(own));
    return std::nullopt;
}

TrashResult FreedesktopTrash::trashItem(const QString &path, const FileStat *expected, Cancellable *cancel)
{
    // A NUL would cut the path short at the system call: another file would move.
    if (!PathSafety::isUsable(path))
        return failure(QStringLiteral("File does not exist ") + path);
    const QByteArray absolute = QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    const auto source = statOf(absolute, false);
    if (!source)
        return failure(QStringLiteral("File does not exist ") + path);
    if (!S_ISREG(source->st_mode))
        return failure(QStringLiteral("Only files are moved to the Trash: ") + path);
    if (cancel && cancel->isCancelled())
        return cancelledResult(absolute);
    if (!stillExpected(absolute, expected))
        return changedResult(absolute);

    const QByteArray realParent = realPath(parentOf(absolute));
    if (realParent.isEmpty())
        return failure(QStringLiteral("The folder of the file cannot be read: ") + path);
    QString error;
    const auto location = locate(realParent, &error);
    if (!location)
        return failure(error);
    removeStrayInfoCopies(location->trash);

    // GIO serves when the Trash it picks is the one found above. It decides "home" by the disk of
    // $HOME and keeps the data folder it read first, so after a change of XDG_DATA_HOME (tests do
    // that) its home Trash can be another folder; then the own code moves the file.
    bool gioAgrees = false;
    const auto parent = statOf(realParent, true);
    const auto gioHome = statOf(QByteArray(g_get_home_dir()), true);
    if (parent && gioHome) {
        const bool gioUsesHome = gioHome->st_dev == parent->st_dev;
        if (location->top.isEmpty()) {
            const QString gioTrash =
                QDir::cleanPath(QFile::decodeName(g_get_user_data_dir()) + QStringLiteral("/Trash"));
            gioAgrees = gioUsesHome && gioTrash == display(location->trash);
        } else {
            gioAgrees = !gioUsesHome;
        }
    }
    // A name with no room left for ".trashinfo" is shortened by the own code, which keeps the
    // extension (older GIO refuses such a name, newer GIO cuts it anywhere).
    const bool nameFitsGio = baseOf(absolute).size() + kInfoSuffix.size() <= NAME_MAX;
    // GIO counts a taken name's numbers up from the first on every move, so a name the Trash holds
    // already goes by the own code, which carries on from the first number free.
    const bool nameFree = nameFitsGio && !nameHeld(location->trash, baseOf(absolute), 1, NAME_MAX);
    TrashResult result;
    if (gioAgrees && nameFree) {
        // The re-stat right before the move (the own code does its own).
        if (!stillExpected(absolute, expected))
            return changedResult(absolute);
        if (moveWithGio(absolute, *source, realParent, *location, cancel, result) == GioOutcome::Unsupported) {
            // GIO moved nothing; the own code tries, if the file is still there.
            const auto again = statOf(absolute, false);
            if (!again || !sameFile(*again, *source))
                return failure(QStringLiteral("File does not exist ") + path);
            result = moveWithOwnCode(absolute, *source, expected, cancel);
        }
    } else {
        result = moveWithOwnCode(absolute, *source, expected, cancel);
    }
    if (result.ok && !FileManager::isInTrash(result.trashedPath)) {
        // Not a Trash folder after all: the file goes back.
        const QByteArray trashed = QFile::encodeName(result.trashedPath);
        const bool back = renameNoReplace(trashed, absolute) == 0;
        if (back)
            ::unlink(QFile::encodeName(result.infoPath).constData());
        log(QStringLiteral("Trash move of %1 ended outside the Trash at %2%3")
                .arg(path, result.trashedPath, back ? QStringLiteral(" (put back)") : QString()));
        return failure(QStringLiteral("No Trash folder is available for ") + path);
    }
    return result;
}

} // namespace platform
