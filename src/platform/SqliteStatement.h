#pragma once

#include "platform/SqliteConnection.h"

#include <QString>

#include <chrono>
#include <optional>

struct sqlite3_stmt;

namespace platform {

// One prepared statement that finalizes itself. Values enter it only through the bind calls;
// the text of the statement is fixed by the program. It must not outlive its connection.
//
//     SqliteStatement select(db, "SELECT name FROM t WHERE id = ?");
//     select.bindText(1, id);
//     while (select.next()) use(select.columnText(0));
//     if (select.failed()) ...
class SqliteStatement
{
public:
    SqliteStatement(SqliteConnection &connection, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // False when the text did not prepare; errorMessage() tells why.
    bool isValid() const { return m_stmt != nullptr; }
    QString errorMessage() const { return m_error; }

    // Parameters are numbered from 1.
    bool bindText(int index, const QString &value);
    bool bindInt64(int index, qint64 value);

    // Steps to the next row: true while there is one. After the last row, or on an error (a
    // statement stopped by the connection's query limits included), it returns false; failed()
    // then tells the two apart.
    bool next();
    // Runs a statement that returns no rows; true when it completed.
    bool run();
    bool failed() const { return m_failed; }

    // Rewinds the statement and clears its bindings, for running it again with other values.
    void reset();

    bool columnIsNull(int column) const;
    // The column as text; "" for NULL.
    QString columnText(int column) const;
    // The column as text; absent for NULL.
    std::optional<QString> columnOptionalText(int column) const;
    qint64 columnInt64(int column) const;

private:
    void noteError();

    SqliteConnection &m_connection;
    sqlite3_stmt *m_stmt = nullptr;
    std::chrono::nanoseconds m_spent{0}; // running time since the first step (see setQueryLimits)
    QString m_error;
    bool m_failed = false;
};

} // namespace platform
