#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace platform::Dispatch {

// Runs fn on the main thread's event loop, after the work already queued there.
void mainAsync(std::function<void()> fn);

// Runs fn on the main thread after the given delay. With a context object the call is dropped when
// the context is destroyed first.
void mainAfter(double seconds, std::function<void()> fn, QObject *context = nullptr);

bool isMainThread();

// Spins the main event loop until pred() holds or the time-out passes; returns pred(). For tests and
// for bounded waits that must keep the interface responsive.
bool runMainLoopUntil(const std::function<bool()> &pred, int timeoutMs);

// One background thread that runs submitted work in order.
class SerialQueue
{
public:
    SerialQueue();
    ~SerialQueue();
    SerialQueue(const SerialQueue &) = delete;
    SerialQueue &operator=(const SerialQueue &) = delete;

    void async(std::function<void()> fn);
    // Blocks until everything submitted so far has run.
    void waitUntilIdle();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_work;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace platform::Dispatch
