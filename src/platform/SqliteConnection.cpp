#include "platform/SqliteConnection.h"

#include <sqlite3.h>

#include <cstdio>
#include <utility>

namespace platform {

SqliteConnection::~SqliteConnection()
{
    close();
}

SqliteConnection::SqliteConnection(SqliteConnection &&other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)), m_openError(std::move(other.m_openError))
{
}

SqliteConnection &SqliteConnection::operator=(SqliteConnection &&other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_openError = std::move(other.m_openError);
    }
    return *this;
}

bool SqliteConnection::open(const QString &path, Mode mode)
{
    close();
    m_openError.clear();
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    sqlite3 *db = nullptr;
    const QByteArray encoded = path.toUtf8();
    const int rc = sqlite3_open_v2(encoded.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        m_openError = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        // A handle is returned even when the open fails; it must be closed all the same.
        sqlite3_close(db);
        return false;
    }
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    return true;
}

bool SqliteConnection::close()
{
    if (!m_db)
        return true;
    const int rc = sqlite3_close(m_db);
    if (rc != SQLITE_OK) {
        std::fprintf(stdout, "error closing database: %s\n", sqlite3_errmsg(m_db));
        // Leave it to SQLite to close once the last statement is gone.
        sqlite3_close_v2(m_db);
    }
    m_db = nullptr;
    return rc == SQLITE_OK;
}

bool SqliteConnection::execute(const char *sql)
{
    if (!m_db)
        return false;
    char *error = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::fprintf(stdout, "SQLite statement failed: %s\n", error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        return false;
    }
    return true;
}

void SqliteConnection::setBusyTimeout(int milliseconds)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

QString SqliteConnection::errorMessage() const
{
    if (!m_db)
        return m_openError.isEmpty() ? QStringLiteral("database not open") : m_openError;
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

} // namespace platform
