#pragma once

#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace platform {

// The application's settings store. Every value keeps its type across a restart (a Bool reads back
// as a Bool, an unsigned integer stays unsigned, data stays data), so callers can tell "holds a Bool"
// from "holds a number" and "absent" from "present with another type". The file is a JSON document
// of type-tagged values under the user's configuration folder, rewritten atomically (the whole
// file) after changes: with an event loop at most once per turn of the main loop, however many
// values changed in it, and at the latest when the application quits or the store is destroyed;
// without one (no application object) at every change. synchronize() writes at once.
//
// Only a regular file of at most maxFileBytes is read (a pipe in its place is never waited on). A
// settings file that cannot be read or is damaged is kept aside under a numbered name beside it
// ("defaults.json.damaged-1", "-2", ...; an older one is never replaced), the store starts from
// the defaults, and takeResetNotice() tells the window once. When the file cannot be kept aside,
// the store does not write over it.
//
// A write that fails (a settings folder that is read-only, made so during the run, or not to be
// made) keeps the values in memory and pending: the next change and the quit try again. The first
// failure is logged as a warning and raises takeWriteFailureNotice() once, with the folder and the
// system's reason, so that the window can tell the user that the changes of this run cannot be kept.
class UserDefaults
{
public:
    enum class Type { Absent, Bool, Integer, Unsigned, Double, String, Data, Date, Array, Dictionary };

    static UserDefaults &standard();
    // The file standard() keeps its values in ($TWINSIFT_DEFAULTS_FILE, else defaults.json in the
    // application's configuration folder), found without reading it.
    static QString standardFilePath();

    explicit UserDefaults(const QString &filePath);
    // Writes what is still pending.
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    // Writes pending changes now; true when nothing was pending or the file was written.
    bool synchronize();
    // How many times this store has written its file.
    int fileWriteCount() const;

    // Points the store at another file and loads it (used by tests to isolate their settings).
    void setFilePath(const QString &filePath);
    QString filePath() const;

    std::optional<QVariant> object(const QString &key) const;
    bool contains(const QString &key) const;
    Type typeOf(const QString &key) const;
    bool holdsBool(const QString &key) const { return typeOf(key) == Type::Bool; }

    void set(const QString &key, const QVariant &value);
    void setBool(const QString &key, bool value) { set(key, QVariant(value)); }
    void setInteger(const QString &key, qint64 value) { set(key, QVariant(value)); }
    void setUnsigned(const QString &key, quint64 value) { set(key, QVariant(value)); }
    void setDouble(const QString &key, double value) { set(key, QVariant(value)); }
    void setString(const QString &key, const QString &value) { set(key, QVariant(value)); }
    void setData(const QString &key, const QByteArray &value) { set(key, QVariant(value)); }
    void setArray(const QString &key, const QVariantList &value) { set(key, QVariant(value)); }
    void setStringArray(const QString &key, const QStringList &value);
    void setDictionary(const QString &key, const QVariantMap &value) { set(key, QVariant(value)); }
    void removeObject(const QString &key);

    // Readers in the manner of the platform's defaults: a Bool is false, a number 0 when the key is
    // absent; numbers and the texts "YES"/"true"/"1" convert where that is unambiguous.
    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    // Present only when the value is a whole number that fits a signed 64-bit integer: stored as an
    // integer (signed, or unsigned up to the signed maximum) or as a real number with no fraction.
    // A Bool, a text, a fraction, NaN or a number out of range (1e300) is not one. Every setting that
    // holds an integer is read through this.
    std::optional<qint64> storedIntegerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    std::optional<QString> stringForKey(const QString &key) const;
    std::optional<QByteArray> dataForKey(const QString &key) const;
    std::optional<QVariantList> arrayForKey(const QString &key) const;
    // Present only when the value is an array whose every element is text.
    std::optional<QStringList> stringArrayForKey(const QString &key) const;
    std::optional<QVariantMap> dictionaryForKey(const QString &key) const;

    // Forgets every value (and rewrites the file). Tests use it between cases.
    void reset();

    // The largest settings file that is read.
    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;

    // Present once after the settings file was found unreadable or damaged and the store started
    // from the defaults: the path the old file was kept under (empty when it could not be moved).
    // Taking it clears it, so the user is told once.
    std::optional<QString> takeResetNotice();

    // Present once after a write of the file failed: the folder it is kept in and why it could not
    // be written. Taking it clears it; later failures of the same file raise it no more.
    struct WriteFailure {
        QString folder;
        QString reason;
    };
    std::optional<WriteFailure> takeWriteFailureNotice();
    // Called once when that notice is raised, on the thread whose write failed and with the store
    // locked: it should only arrange for the notice to be taken (on the main loop, say).
    void setWriteFailureHandler(std::function<void()> handler);

    static Type typeOfValue(const QVariant &value);

private:
    void load();
    // Writes the whole file; with makeFolder false only into a folder that still exists.
    bool save(bool makeFolder = true);
    // Marks the values changed and arranges the write (the caller holds the mutex).
    void scheduleSave();
    void keepDamagedFileAside(const QString &reason);
    // Logs a failed write (the first of a run of them as a warning) and raises the notice once.
    void writeFailed(const QString &reason);

    mutable std::recursive_mutex m_mutex;
    QString m_path;
    std::map<QString, QVariant> m_values;
    bool m_writable = true; // false while an unreadable file that could not be moved stays in place
    std::optional<QString> m_resetNotice;
    std::optional<WriteFailure> m_writeFailureNotice;
    bool m_writeFailureRaised = false; // the notice was raised for this file
    bool m_writesFailing = false;      // the last write failed
    std::function<void()> m_writeFailureHandler;
    bool m_dirty = false;                     // values changed since the file was last written
    bool m_savePending = false;               // a write is queued on the main loop
    QPointer<QCoreApplication> m_pendingApp;  // the application the write is queued on
    QPointer<QCoreApplication> m_quitHookApp; // the application whose quit writes what is pending
    int m_writeCount = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true); // checked by queued writes
};

} // namespace platform
