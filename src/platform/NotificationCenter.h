#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <vector>

namespace platform {

struct Notification {
    QString name;
    QVariantMap userInfo;
};

// Named notifications with a dictionary of values, delivered synchronously on the main thread in the
// order observers were added. A post from another thread is queued to the main thread. An observer
// belongs to an owner object and is dropped automatically when the owner is destroyed.
class NotificationCenter
{
public:
    using Handler = std::function<void(const Notification &)>;

    static NotificationCenter &defaultCenter();

    void addObserver(QObject *owner, const QString &name, Handler handler);
    void removeObserver(QObject *owner);
    void removeObserver(QObject *owner, const QString &name);

    void post(const QString &name, const QVariantMap &userInfo = {});

    // Number of live observers of a name (for tests and diagnostics).
    int observerCount(const QString &name) const;

private:
    struct Entry {
        quint64 id;
        QPointer<QObject> owner;
        QString name;
        Handler handler;
    };

    void deliver(const Notification &notification);
    void prune();

    std::vector<Entry> m_entries;
    quint64 m_nextId = 1;
};

} // namespace platform
