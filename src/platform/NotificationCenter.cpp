#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace platform {

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::addObserver(QObject *owner, const QString &name, Handler handler)
{
    if (!owner || !handler)
        return;
    prune();
    m_entries.push_back(Entry{m_nextId++, QPointer<QObject>(owner), name, std::move(handler)});
}

void NotificationCenter::removeObserver(QObject *owner)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [owner](const Entry &e) { return e.owner.isNull() || e.owner == owner; }),
                    m_entries.end());
}

void NotificationCenter::removeObserver(QObject *owner, const QString &name)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [owner, &name](const Entry &e) {
                                       return e.owner.isNull() || (e.owner == owner && e.name == name);
                                   }),
                    m_entries.end());
}

void NotificationCenter::post(const QString &name, const QVariantMap &userInfo)
{
    Notification notification{name, userInfo};
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [this, notification] { deliver(notification); }, Qt::QueuedConnection);
        return;
    }
    deliver(notification);
}

int NotificationCenter::observerCount(const QString &name) const
{
    return static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                          [&name](const Entry &e) { return !e.owner.isNull() && e.name == name; }));
}

void NotificationCenter::deliver(const Notification &notification)
{
    // Handlers may add or remove observers while running: take the ids first and look each one up
    // again just before calling it.
    std::vector<quint64> ids;
    for (const Entry &e : m_entries)
        if (e.name == notification.name && !e.owner.isNull())
            ids.push_back(e.id);
    for (quint64 id : ids) {
        auto it = std::find_if(m_entries.begin(), m_entries.end(), [id](const Entry &e) { return e.id == id; });
        if (it == m_entries.end() || it->owner.isNull())
            continue;
        Handler handler = it->handler; // the entry may be erased by the handler itself
        handler(notification);
    }
    prune();
}

void NotificationCenter::prune()
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [](const Entry &e) { return e.owner.isNull(); }),
                    m_entries.end());
}

} // namespace platform
