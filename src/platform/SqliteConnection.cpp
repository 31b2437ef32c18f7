#include "platform/SqliteConnection.h"
#include "platform/Log.h"

#include <sqlite3.h>

#include <cstdio>
#include <utility>

namespace platform {

namespace {

// How many virtual-machine instructions run between two calls of the progress handler: often
// enough to stop within milliseconds, rarely enough to cost nothing measurable.
constexpr int kProgressInstructions = 1000;

} // namespace

SqliteConnection::~SqliteConnection()
{
    close();
}

SqliteConnection::SqliteConnection(SqliteConnection &&other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
    , m_openError(std::move(other.m_openError))
{
    // The progress handler points at the connection object, so it moves with it.
    setQueryLimits(other.m_timeLimit, std::move(other.m_shouldStop));
    other.m_timeLimit = {};
}

SqliteConnection &SqliteConnection::operator=(SqliteConnection &&other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_openError = std::move(other.m_openError);
        setQueryLimits(other.m_timeLimit, std::move(other.m_shouldStop));
        other.m_timeLimit = {};
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
    if (queryLimited())
        sqlite3_progress_handler(m_db, kProgressInstructions, &SqliteConnection::progress, this);
    return true;
}

bool SqliteConnection::makeDefensive()
{
    if (!m_db)
        return false;
    struct Setting {
        int option;
        int value;
    };
    const Setting settings[] = {
        {SQLITE_DBCONFIG_DEFENSIVE, 1},
        {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
        {SQLITE_DBCONFIG_ENABLE_VIEW, 0},
        {SQLITE_DBCONFIG_ENABLE_TRIGGER, 0},
        {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0},
    };
    for (const Setting &setting : settings) {
        int now = -1;
        if (sqlite3_db_config(m_db, setting.option, setting.value, &now) != SQLITE_OK || now != setting.value)
            return false;
    }
    return execute("PRAGMA query_only = 1; PRAGMA cell_size_check = 1;");
}

void SqliteConnection::setQueryLimits(std::chrono::milliseconds timeLimit, std::function<bool()> shouldStop)
{
    m_timeLimit = timeLimit;
    m_shouldStop = std::move(shouldStop);
    if (m_db)
        sqlite3_progress_handler(m_db, queryLimited() ? kProgressInstructions : 0,
                                 queryLimited() ? &SqliteConnection::progress : nullptr, this);
}

SqliteConnection::StepDeadline SqliteConnection::beginStep(std::chrono::nanoseconds spentBefore)
{
    const StepDeadline previous = m_deadline;
    m_deadline.active = m_timeLimit.count() > 0;
    m_deadline.at = Clock::now() + (m_timeLimit - spentBefore);
    return previous;
}

void SqliteConnection::endStep(StepDeadline previous)
{
    m_deadline = previous;
}

int SqliteConnection::progress(void *connection)
{
    auto *self = static_cast<SqliteConnection *>(connection);
    if (self->m_shouldStop && self->m_shouldStop()) {
        self->m_interruptReason = QStringLiteral("stopped");
        return 1;
    }
    if (self->m_deadline.active && Clock::now() >= self->m_deadline.at) {
        self->m_interruptReason = QStringLiteral("the query ran longer than %1 ms").arg(self->m_timeLimit.count());
        return 1;
    }
    return 0;
}

bool SqliteConnection::close()
{
    if (!m_db)
        return true;
    const int rc = sqlite3_close(m_db);
    if (rc != SQLITE_OK) {
        logWarning(lcPlatform) << "error closing database:" << sqlite3_errmsg(m_db);
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
        logWarning(lcPlatform) << "SQLite statement failed:" << (error ? error : sqlite3_errstr(rc));
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
