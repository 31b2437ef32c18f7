#pragma once

#include <QString>

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

    // The last error of this connection (or of the failed open).
    QString errorMessage() const;
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
    QString m_openError;
};

} // namespace platform
