#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace platform::Dispatch {

void mainAsync(std::function<void()> fn)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || !fn)
        return;
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void mainAfter(double seconds, std::function<void()> fn, QObject *context)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || !fn)
        return;
    const int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.5);
    QPointer<QObject> guard(context);
    const bool guarded = context != nullptr;
    auto schedule = [ms, guard, guarded, fn = std::move(fn), app]() mutable {
        QTimer::singleShot(ms, app, [guard, guarded, fn = std::move(fn)] {
            if (guarded && guard.isNull())
                return;
            fn();
        });
    };
    if (QThread::currentThread() == app->thread())
        schedule();
    else
        QMetaObject::invokeMethod(app, std::move(schedule), Qt::QueuedConnection);
}

bool isMainThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool runMainLoopUntil(const std::function<bool()> &pred, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

SerialQueue::SerialQueue()
    : m_thread([this] { run(); })
{
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SerialQueue::async(std::function<void()> fn)
{
    // Notified under the lock: the work may run, and its owner destroy the queue, as soon as the
    // lock is released, so nothing of the queue may be touched after that.
    std::lock_guard lock(m_mutex);
    m_work.push_back(std::move(fn));
    m_wake.notify_one();
}

void SerialQueue::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_work.empty() && !m_busy; });
}

void SerialQueue::run()
{
    for (;;) {
        std::function<void()> fn;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_work.empty(); });
            if (m_work.empty()) {
                if (m_stopping)
                    return;
                continue;
            }
            fn = std::move(m_work.front());
            m_work.pop_front();
            m_busy = true;
        }
        if (fn)
            fn();
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
        }
        m_idle.notify_all();
    }
}

} // namespace platform::Dispatch
