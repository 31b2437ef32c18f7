#include "platform/SqliteStatement.h"

#include <sqlite3.h>

namespace platform {

SqliteStatement::SqliteStatement(SqliteConnection &connection, const char *sql)
    : m_connection(connection)
{
    if (!connection.isOpen()) {
        m_error = QStringLiteral("database not open");
        m_failed = true;
        return;
    }
    if (sqlite3_prepare_v2(connection.handle(), sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
        noteError();
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::noteError()
{
    m_failed = true;
    m_error = m_connection.errorMessage();
}

bool SqliteStatement::bindText(int index, const QString &value)
{
    if (!m_stmt)
        return false;
    const QByteArray utf8 = value.toUtf8();
    if (sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) != SQLITE_OK) {
        noteError();
        return false;
    }
    return true;
}

bool SqliteStatement::bindInt64(int index, qint64 value)
{
    if (!m_stmt)
        return false;
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK) {
        noteError();
        return false;
    }
    return true;
}

bool SqliteStatement::next()
{
    if (!m_stmt || m_failed)
        return false;
    int rc = SQLITE_OK;
    if (m_connection.queryLimited()) {
        const auto started = SqliteConnection::Clock::now();
        const SqliteConnection::StepDeadline previous = m_connection.beginStep(m_spent);
        m_connection.m_interruptReason.clear();
        rc = sqlite3_step(m_stmt);
        m_connection.endStep(previous);
        m_spent += SqliteConnection::Clock::now() - started;
    } else {
        rc = sqlite3_step(m_stmt);
    }
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        noteError();
        if ((rc & 0xff) == SQLITE_INTERRUPT && !m_connection.interruptReason().isEmpty())
            m_error = m_connection.interruptReason();
    }
    return false;
}

bool SqliteStatement::run()
{
    while (next()) { }
    return isValid() && !m_failed;
}

void SqliteStatement::reset()
{
    if (!m_stmt)
        return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    m_spent = {};
    m_failed = false;
    m_error.clear();
}

bool SqliteStatement::columnIsNull(int column) const
{
    return !m_stmt || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

QString SqliteStatement::columnText(int column) const
{
    return columnOptionalText(column).value_or(QString());
}

std::optional<QString> SqliteStatement::columnOptionalText(int column) const
{
    if (!m_stmt || column < 0 || column >= sqlite3_column_count(m_stmt))
        return std::nullopt;
    const unsigned char *text = sqlite3_column_text(m_stmt, column);
    if (!text)
        return std::nullopt;
    return QString::fromUtf8(reinterpret_cast<const char *>(text), sqlite3_column_bytes(m_stmt, column));
}

qint64 SqliteStatement::columnInt64(int column) const
{
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

} // namespace platform
