#include "platform/Async.h"
#include "platform/Log.h"

#include <QRunnable>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <thread>

namespace platform {

CustomQueue queueOf(Dispatch::SerialQueue &queue)
{
    return [&queue](std::function<void()> fn) { queue.async(std::move(fn)); };
}

QoSClass qosClassMain()
{
    return QoSClass::userInteractive;
}

QString qosDescription(int rawClassValue)
{
    if (rawClassValue == static_cast<int>(qosClassMain()))
        return QStringLiteral("Main");
    switch (rawClassValue) {
    case static_cast<int>(QoSClass::userInteractive):
        return QStringLiteral("User Interactive");
    case static_cast<int>(QoSClass::userInitiated):
        return QStringLiteral("User Initiated");
    case static_cast<int>(QoSClass::defaultClass):
        return QStringLiteral("Default");
    case static_cast<int>(QoSClass::utility):
        return QStringLiteral("Utility");
    case static_cast<int>(QoSClass::background):
        return QStringLiteral("Background");
    case static_cast<int>(QoSClass::unspecified):
        return QStringLiteral("Unspecified");
    default:
        return QStringLiteral("Unknown");
    }
}

QString qosDescription(QoSClass qosClass)
{
    return qosDescription(static_cast<int>(qosClass));
}

namespace async_detail {

namespace {

int poolPriority(QueueChoice choice)
{
    switch (choice) {
    case QueueChoice::userInteractive:
        return 3;
    case QueueChoice::userInitiated:
        return 2;
    case QueueChoice::utility:
        return 1;
    default:
        return 0;
    }
}

// One thread that hands delayed work to its queue when the delay has passed.
class DelayThread
{
public:
    static DelayThread &shared()
    {
        static DelayThread thread;
        return thread;
    }

    void schedule(double seconds, std::function<void()> fn)
    {
        const auto due = std::chrono::steady_clock::now()
            + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                             std::chrono::duration<double>(std::max(0.0, seconds)));
        {
            std::lock_guard lock(m_mutex);
            m_pending.emplace(due, std::move(fn));
        }
        m_wake.notify_one();
    }

    ~DelayThread()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    DelayThread()
        : m_thread([this] { run(); })
    {
    }

    void run()
    {
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            if (m_pending.empty()) {
                m_wake.wait(lock);
                continue;
            }
            const auto first = m_pending.begin();
            if (std::chrono::steady_clock::now() < first->first) {
                m_wake.wait_until(lock, first->first);
                continue;
            }
            std::function<void()> fn = std::move(first->second);
            m_pending.erase(first);
            lock.unlock();
            fn();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> m_pending;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace

void submit(QueueChoice choice, const CustomQueue &custom, std::function<void()> fn)
{
    switch (choice) {
    case QueueChoice::main:
        Dispatch::mainAsync(std::move(fn));
        return;
    case QueueChoice::custom:
        if (!custom) {
            logWarning(lcPlatform) << "No queue given for custom work; it runs on the background queue";
            QThreadPool::globalInstance()->start(std::move(fn), poolPriority(QueueChoice::background));
            return;
        }
        custom(std::move(fn));
        return;
    default:
        QThreadPool::globalInstance()->start(std::move(fn), poolPriority(choice));
        return;
    }
}

void submitAfter(QueueChoice choice, const CustomQueue &custom, double seconds, std::function<void()> fn)
{
    if (choice == QueueChoice::main) {
        Dispatch::mainAfter(seconds, std::move(fn));
        return;
    }
    DelayThread::shared().schedule(
        seconds, [choice, custom, fn = std::move(fn)]() mutable { submit(choice, custom, std::move(fn)); });
}

void concurrentPerform(std::size_t count, const std::function<void(std::size_t)> &fn)
{
    if (count == 0)
        return;
    const std::size_t workers = std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t index = next++; index < count; index = next++)
            fn(index);
    };
    std::vector<std::thread> threads;
    threads.reserve(workers - 1);
    for (std::size_t i = 1; i < workers; ++i)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();
}

} // namespace async_detail

// ---- WorkItem ----

WorkItem::WorkItem(std::function<void()> body)
    : m_body(std::move(body))
{
}

void WorkItem::perform()
{
    bool run = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_started)
            return;
        m_started = true;
        run = !m_cancelled;
    }
    if (run && m_body)
        m_body();
    std::vector<std::function<void()>> followUps;
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
        followUps.swap(m_followUps);
        m_body = nullptr;
    }
    m_done.notify_all();
    for (auto &followUp : followUps)
        followUp();
}

void WorkItem::cancel()
{
    std::lock_guard lock(m_mutex);
    m_cancelled = true;
}

bool WorkItem::isCancelled() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

bool WorkItem::isFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

DispatchTimeoutResult WorkItem::wait(std::optional<double> seconds)
{
    std::unique_lock lock(m_mutex);
    if (!seconds) {
        m_done.wait(lock, [this] { return m_finished; });
        return DispatchTimeoutResult::success;
    }
    const auto timeout = std::chrono::duration<double>(std::max(0.0, *seconds));
    return m_done.wait_for(lock, timeout, [this] { return m_finished; }) ? DispatchTimeoutResult::success
                                                                         : DispatchTimeoutResult::timedOut;
}

void WorkItem::notify(std::function<void()> fn)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_finished) {
            m_followUps.push_back(std::move(fn));
            return;
        }
    }
    fn();
}

// ---- Apply ----

void Apply::run(QueueChoice choice, const CustomQueue &queue, std::size_t count, std::function<void(std::size_t)> fn)
{
    async_detail::submit(choice, queue, [count, fn = std::move(fn)] { async_detail::concurrentPerform(count, fn); });
}

// ---- AsyncGroup ----

AsyncGroup::AsyncGroup()
    : group(std::make_shared<State>())
{
}

void AsyncGroup::enter()
{
    std::lock_guard lock(group->mutex);
    ++group->count;
}

void AsyncGroup::leave()
{
    {
        std::lock_guard lock(group->mutex);
        if (group->count == 0) {
            logWarning(lcPlatform) << "AsyncGroup: leave without a matching enter is ignored";
            return;
        }
        if (--group->count > 0)
            return;
    }
    group->empty.notify_all();
}

void AsyncGroup::submit(QueueChoice choice, CustomQueue queue, std::function<void()> fn)
{
    enter();
    AsyncGroup self = *this;
    async_detail::submit(choice, queue, [self, fn = std::move(fn)]() mutable {
        fn();
        self.leave();
    });
}

DispatchTimeoutResult AsyncGroup::wait(std::optional<double> seconds)
{
    std::unique_lock lock(group->mutex);
    auto done = [this] { return group->count == 0; };
    if (!seconds) {
        group->empty.wait(lock, done);
        return DispatchTimeoutResult::success;
    }
    const auto timeout = std::chrono::duration<double>(std::max(0.0, *seconds));
    return group->empty.wait_for(lock, timeout, done) ? DispatchTimeoutResult::success
                                                      : DispatchTimeoutResult::timedOut;
}

} // namespace platform
