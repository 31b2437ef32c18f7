#pragma once

#include <QString>

#include <chrono>
#include <functional>

struct sqlite3;

namespace platform {

// One SQLite connection that closes itself. Statements made on it (SqliteStatement) must be
// destroyed before it; declare them after the connection in the same scope, so that they are
// finalized first and the close never meets an unfinalized statement.
class SqliteConnection
{
public:
    enum class Mode {
        ReadOnly,        // the file must exist; nothing is written
        ReadWrite,       // the file must exist
        ReadWriteCreate, // the file is made when missing
    };

    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;
    SqliteConnection(SqliteConnection &&other) noexcept;
    SqliteConnection &operator=(SqliteConnection &&other) noexcept;

    // Opens the file (closing any earlier connection first). On failure the connection stays
    // closed and errorMessage() tells why.
    bool open(const QString &path, Mode mode);
    bool isOpen() const { return m_db != nullptr; }

    // Closes the connection; false (with a diagnostic line) when SQLite refuses.
    bool close();

    // Runs statements that return no rows (one or several separated by ';'). Only for fixed texts
    // of the program: values never enter them, they are bound through SqliteStatement.
    bool execute(const char *sql);

    // Waits up to this long for a lock held by another connection before giving up.
    void setBusyTimeout(int milliseconds);

    // For a database that comes from outside the program (a copy of another application's file):
    // its schema is not trusted (functions and virtual tables are not run from views, triggers or
    // defaults), views and triggers are turned off, the file cannot be altered by any statement,
    // and nothing is written (query only). False when a setting is refused.
    bool makeDefensive();

    // Bounds the time each statement may spend running (summed over its steps, from its first step
    // after preparing or a reset) and stops any statement as soon as `shouldStop` answers true.
    // A statement stopped either way fails with interruptReason() as its message.
    void setQueryLimits(std::chrono::milliseconds timeLimit, std::function<bool()> shouldStop = {});
    // Why the last interrupted statement was stopped; empty when none was.
    QString interruptReason() const { return m_interruptReason; }

    // The last error of this connection (or of the failed open).
    QString errorMessage() const;
    sqlite3 *handle() const { return m_db; }

private:
    friend class SqliteStatement;
    using Clock = std::chrono::steady_clock;
    // Set around each step of a statement: the moment that step must end by.
    struct StepDeadline {
        bool active = false;
        Clock::time_point at;
    };
    StepDeadline beginStep(std::chrono::nanoseconds spentBefore);
    void endStep(StepDeadline previous);
    bool queryLimited() const { return m_timeLimit.count() > 0 || bool(m_shouldStop); }
    static int progress(void *connection);

    sqlite3 *m_db = nullptr;
    QString m_openError;
    std::chrono::milliseconds m_timeLimit{0};
    std::function<bool()> m_shouldStop;
    StepDeadline m_deadline;
    QString m_interruptReason;
};

} // namespace platform
