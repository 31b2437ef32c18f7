#include "platform/UserDefaults.h"
#include "platform/Log.h"

#include "platform/FileStat.h"
#include "platform/PathSafety.h"
#include "platform/RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

QString defaultPath()
{
    const QByteArray overridden = qgetenv("TWINSIFT_DEFAULTS_FILE");
    if (!overridden.isEmpty())
        return QString::fromLocal8Bit(overridden);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + "/.config/Twinsift";
    return dir + "/defaults.json";
}

QJsonValue encode(const QVariant &value)
{
    QJsonObject tagged;
    switch (UserDefaults::typeOfValue(value)) {
    case UserDefaults::Type::Bool:
        tagged["bool"] = value.toBool();
        break;
    case UserDefaults::Type::Integer:
        // Text keeps all 64 bits; JSON numbers are doubles.
        tagged["int"] = QString::number(value.toLongLong());
        break;
    case UserDefaults::Type::Unsigned:
        tagged["uint"] = QString::number(value.toULongLong());
        break;
    case UserDefaults::Type::Double:
        tagged["real"] = value.toDouble();
        break;
    case UserDefaults::Type::String:
        tagged["string"] = value.toString();
        break;
    case UserDefaults::Type::Data:
        tagged["data"] = QString::fromLatin1(value.toByteArray().toBase64());
        break;
    case UserDefaults::Type::Date:
        tagged["date"] = value.toDateTime().toUTC().toString(Qt::ISODateWithMs);
        break;
    case UserDefaults::Type::Array: {
        QJsonArray array;
        for (const QVariant &element : value.toList())
            array.append(encode(element));
        tagged["array"] = array;
        break;
    }
    case UserDefaults::Type::Dictionary: {
        QJsonObject object;
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            object[it.key()] = encode(it.value());
        tagged["dict"] = object;
        break;
    }
    case UserDefaults::Type::Absent:
        tagged["string"] = value.toString();
        break;
    }
    return tagged;
}

QVariant decode(const QJsonValue &json)
{
    const QJsonObject tagged = json.toObject();
    if (tagged.size() != 1)
        return {};
    const QString tag = tagged.begin().key();
    const QJsonValue v = tagged.begin().value();
    if (tag == "bool")
        return QVariant(v.toBool());
    // A whole number is stored as its decimal text. A text that is no number or does not fit
    // (an edited or damaged file) leaves the value absent, so the reader's default applies; it
    // never reads as 0.
    if (tag == "int" || tag == "uint") {
        bool ok = false;
        const QString text = v.toString().trimmed();
        const QVariant number = tag == "int" ? QVariant(text.toLongLong(&ok)) : QVariant(text.toULongLong(&ok));
        if (!ok)
            logWarning(lcPlatform)
                << QStringLiteral("Settings: a whole number stored as \"%1\" is out of range or no number; ignored")
                       .arg(text.left(40));
        return ok ? number : QVariant();
    }
    if (tag == "real")
        return QVariant(v.toDouble());
    if (tag == "string")
        return QVariant(v.toString());
    if (tag == "data")
        return QVariant(QByteArray::fromBase64(v.toString().toLatin1()));
    if (tag == "date")
        return QVariant(QDateTime::fromString(v.toString(), Qt::ISODateWithMs));
    if (tag == "array") {
        QVariantList list;
        for (const QJsonValue &element : v.toArray())
            list.append(decode(element));
        return QVariant(list);
    }
    if (tag == "dict") {
        QVariantMap map;
        const QJsonObject object = v.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), decode(it.value()));
        return QVariant(map);
    }
    return {};
}

} // namespace

QString UserDefaults::standardFilePath()
{
    return defaultPath();
}

UserDefaults &UserDefaults::standard()
{
    static UserDefaults instance(defaultPath());
    return instance;
}

UserDefaults::UserDefaults(const QString &filePath)
    : m_path(filePath)
{
    load();
}

UserDefaults::~UserDefaults()
{
    std::lock_guard lock(m_mutex);
    m_alive.reset();
    // At the end of the process the folder may be gone with a test's temporary folder; the
    // application itself has written at its quit already.
    if (m_dirty)
        save(false);
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    if (!m_dirty)
        return true;
    return save();
}

int UserDefaults::fileWriteCount() const
{
    std::lock_guard lock(m_mutex);
    return m_writeCount;
}

void UserDefaults::scheduleSave()
{
    m_dirty = true;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) {
        save();
        return;
    }
    const std::weak_ptr<bool> alive = m_alive;
    if (m_quitHookApp != app) {
        m_quitHookApp = app;
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [this, alive] {
            if (alive.lock())
                synchronize();
        });
    }
    if (m_savePending && m_pendingApp == app)
        return;
    m_savePending = true;
    m_pendingApp = app;
    // Every change of this turn is in the one write that runs when the main loop comes round.
    QMetaObject::invokeMethod(
        app,
        [this, alive] {
            if (!alive.lock())
                return;
            std::lock_guard lock(m_mutex);
            m_savePending = false;
            if (m_dirty)
                save();
        },
        Qt::QueuedConnection);
}

void UserDefaults::setFilePath(const QString &filePath)
{
    std::lock_guard lock(m_mutex);
    // What is pending belongs to the old file (unless its folder went away meanwhile).
    if (m_dirty)
        save(false);
    m_dirty = false;
    m_path = filePath;
    m_values.clear();
    m_writable = true;
    m_resetNotice.reset();
    m_writeFailureNotice.reset();
    m_writeFailureRaised = false;
    m_writesFailing = false;
    load();
}

std::optional<QString> UserDefaults::takeResetNotice()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_resetNotice, std::nullopt);
}

std::optional<UserDefaults::WriteFailure> UserDefaults::takeWriteFailureNotice()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_writeFailureNotice, std::nullopt);
}

void UserDefaults::setWriteFailureHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_mutex);
    m_writeFailureHandler = std::move(handler);
}

void UserDefaults::writeFailed(const QString &reason)
{
    const QString folder = QFileInfo(m_path).absolutePath();
    // The folder's own trouble, when it has one ("Read-only file system", "Permission denied"),
    // says more than the save's reason about the file it could not make.
    QString why = reason;
    if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) != 0)
        why = QString::fromLocal8Bit(std::strerror(errno));
    if (!m_writesFailing)
        logWarning(lcPlatform) << QStringLiteral("Settings file %1 could not be written (%2); the settings stay in "
                                                 "memory and are written again at the next change and at quit")
                                      .arg(m_path, why);
    else
        logDebug(lcPlatform) << QStringLiteral("Settings file %1 could not be written (%2)").arg(m_path, why);
    m_writesFailing = true;
    m_dirty = true; // still to be written: tried again at the next change and at quit
    if (m_writeFailureRaised)
        return;
    m_writeFailureRaised = true;
    m_writeFailureNotice = WriteFailure{folder, why};
    if (m_writeFailureHandler)
        m_writeFailureHandler();
}

QString UserDefaults::filePath() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

UserDefaults::Type UserDefaults::typeOfValue(const QVariant &value)
{
    if (!value.isValid())
        return Type::Absent;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return Type::Bool;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return Type::Integer;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return Type::Unsigned;
    case QMetaType::Double:
    case QMetaType::Float:
        return Type::Double;
    case QMetaType::QString:
        return Type::String;
    case QMetaType::QByteArray:
        return Type::Data;
    case QMetaType::QDateTime:
        return Type::Date;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return Type::Array;
    case QMetaType::QVariantMap:
        return Type::Dictionary;
    default:
        return Type::String;
    }
}

std::optional<QVariant> UserDefaults::object(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

bool UserDefaults::contains(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    return m_values.count(key) != 0;
}

UserDefaults::Type UserDefaults::typeOf(const QString &key) const
{
    auto value = object(key);
    return value ? typeOfValue(*value) : Type::Absent;
}

void UserDefaults::set(const QString &key, const QVariant &value)
{
    std::lock_guard lock(m_mutex);
    if (!value.isValid()) {
        removeObject(key);
        return;
    }
    QVariant stored = value;
    if (value.metaType().id() == QMetaType::QStringList)
        stored = QVariant(QVariantList(value.toList()));
    else if (typeOfValue(value) == Type::String && value.metaType().id() != QMetaType::QString)
        stored = QVariant(value.toString());
    m_values[key] = stored;
    scheduleSave();
}

void UserDefaults::setStringArray(const QString &key, const QStringList &value)
{
    QVariantList list;
    for (const QString &s : value)
        list.append(QVariant(s));
    set(key, QVariant(list));
}

void UserDefaults::removeObject(const QString &key)
{
    std::lock_guard lock(m_mutex);
    if (m_values.erase(key) > 0)
        scheduleSave();
}

bool UserDefaults::boolForKey(const QString &key) const
{
    auto value = object(key);
    if (!value)
        return false;
    switch (typeOfValue(*value)) {
    case Type::Bool:
    case Type::Integer:
    case Type::Unsigned:
    case Type::Double:
        return value->toDouble() != 0.0 || value->toBool();
    case Type::String: {
        const QString s = value->toString().trimmed().toLower();
        return s == "yes" || s == "true" || s.toLongLong() != 0;
    }
    default:
        return false;
    }
}

namespace {

// 2^63, the first whole number a qint64 cannot hold; exactly representable as a double.
constexpr double kInt64Limit = 9223372036854775808.0;

// The whole number a real number holds, when it is one and fits a qint64. The range is checked
// before the conversion: converting a real number outside it is undefined.
std::optional<qint64> wholeNumber(double number)
{
    if (!std::isfinite(number) || number != std::trunc(number) || number < -kInt64Limit || number >= kInt64Limit)
        return std::nullopt;
    return static_cast<qint64>(number);
}

// A real number cut to a qint64 in the manner of the platform's reader: the fraction is dropped,
// a number beyond the range reads as the nearest end of it, NaN as 0.
qint64 truncatedNumber(double number)
{
    if (std::isnan(number))
        return 0;
    if (number <= -kInt64Limit)
        return std::numeric_limits<qint64>::min();
    if (number >= kInt64Limit)
        return std::numeric_limits<qint64>::max();
    return static_cast<qint64>(number);
}

} // namespace

std::optional<qint64> UserDefaults::storedIntegerForKey(const QString &key) const
{
    const auto value = object(key);
    if (!value)
        return std::nullopt;
    switch (value->typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return value->toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const quint64 number = value->toULongLong();
        if (number > quint64(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(number);
    }
    case QMetaType::Double:
        return wholeNumber(value->toDouble());
    default:
        return std::nullopt;
    }
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    auto value = object(key);
    if (!value)
        return 0;
    switch (typeOfValue(*value)) {
    case Type::Bool:
        return value->toBool() ? 1 : 0;
    case Type::Integer:
    case Type::Unsigned:
        return value->toLongLong();
    case Type::Double:
        return truncatedNumber(value->toDouble());
    case Type::String:
        return truncatedNumber(value->toString().trimmed().toDouble());
    default:
        return 0;
    }
}

double UserDefaults::doubleForKey(const QString &key) const
{
    auto value = object(key);
    if (!value)
        return 0.0;
    switch (typeOfValue(*value)) {
    case Type::Bool:
    case Type::Integer:
    case Type::Unsigned:
    case Type::Double:
        return value->toDouble();
    case Type::String:
        return value->toString().trimmed().toDouble();
    default:
        return 0.0;
    }
}

std::optional<QString> UserDefaults::stringForKey(const QString &key) const
{
    auto value = object(key);
    if (!value)
        return std::nullopt;
    switch (typeOfValue(*value)) {
    case Type::String:
        return value->toString();
    case Type::Integer:
    case Type::Unsigned:
    case Type::Double:
        return value->toString();
    default:
        return std::nullopt;
    }
}

namespace {

// The stored value when it has the wanted type; absent when there is none or it has another type.
std::optional<QVariant> valueOfType(std::optional<QVariant> value, UserDefaults::Type type)
{
    if (!value || UserDefaults::typeOfValue(*value) != type)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<QByteArray> UserDefaults::dataForKey(const QString &key) const
{
    const auto value = valueOfType(object(key), Type::Data);
    return value ? std::optional(value->toByteArray()) : std::nullopt;
}

std::optional<QVariantList> UserDefaults::arrayForKey(const QString &key) const
{
    const auto value = valueOfType(object(key), Type::Array);
    return value ? std::optional(value->toList()) : std::nullopt;
}

std::optional<QStringList> UserDefaults::stringArrayForKey(const QString &key) const
{
    auto list = arrayForKey(key);
    if (!list)
        return std::nullopt;
    QStringList result;
    for (const QVariant &element : *list) {
        if (typeOfValue(element) != Type::String)
            return std::nullopt;
        result.append(element.toString());
    }
    return result;
}

std::optional<QVariantMap> UserDefaults::dictionaryForKey(const QString &key) const
{
    const auto value = valueOfType(object(key), Type::Dictionary);
    return value ? std::optional(value->toMap()) : std::nullopt;
}

void UserDefaults::reset()
{
    std::lock_guard lock(m_mutex);
    m_values.clear();
    scheduleSave();
}

void UserDefaults::load()
{
    // No file yet (a first start): nothing to read.
    if (!PathSafety::isUsable(m_path) || !FileStat::of(m_path))
        return;
    QString error;
    const std::optional<QByteArray> content =
        RegularFile::read(m_path, maxFileBytes, RegularFile::Links::Follow, &error);
    if (!content) {
        keepDamagedFileAside(error);
        return;
    }
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(*content, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        keepDamagedFileAside(parse.error != QJsonParseError::NoError ? parse.errorString()
                                                                     : QStringLiteral("not a settings document"));
        return;
    }
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        QVariant value = decode(it.value());
        if (value.isValid())
            m_values[it.key()] = value;
    }
}

void UserDefaults::keepDamagedFileAside(const QString &reason)
{
    // The user's file is never deleted or written over: it moves to the first free numbered name.
    // RENAME_NOREPLACE makes "free" hold at the moment of the move, so an older kept file stays.
    QString keptAs;
    const QByteArray from = QFile::encodeName(m_path);
    for (int n = 1; n <= 1000 && keptAs.isEmpty(); ++n) {
        const QString candidate = m_path + QStringLiteral(".damaged-%1").arg(n);
        const QByteArray to = QFile::encodeName(candidate);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            keptAs = candidate;
        else if (errno != EEXIST)
            break;
    }
    if (keptAs.isEmpty()) {
        // It stays where it is, and the store leaves it alone for the rest of the run.
        m_writable = false;
        logWarning(lcPlatform)
            << QStringLiteral(
                   "Settings file %1 cannot be read (%2) nor moved aside; starting with defaults and not saving")
                   .arg(m_path, reason);
    } else {
        logWarning(lcPlatform)
            << QStringLiteral(
                   "Settings file %1 cannot be read (%2); it is kept as %3 and the settings start from their defaults")
                   .arg(m_path, reason, keptAs);
    }
    m_resetNotice = keptAs;
}

bool UserDefaults::save(bool makeFolder)
{
    m_dirty = false;
    if (m_path.isEmpty() || !m_writable)
        return false;
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!makeFolder && !QFileInfo(folder).isDir())
        return false;
    QJsonObject root;
    for (const auto &[key, value] : m_values)
        root[key] = encode(value);
    QDir().mkpath(folder);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        writeFailed(file.errorString());
        return false;
    }
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        writeFailed(file.errorString());
        return false;
    }
    m_writesFailing = false;
    ++m_writeCount;
    return true;
}

} // namespace platform
