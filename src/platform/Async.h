#pragma once

// Small helpers over our queues: chains of blocks where each link receives the result of the one
// before (Async / AsyncBlock), a concurrent loop started in the background (Apply), a group of
// blocks that can be waited for (AsyncGroup) and a shared result box (Reference).
//
// Queues: `main` is the main thread's event loop (platform::Dispatch); the four service classes
// (userInteractive, userInitiated, utility, background) share the global thread pool, with the
// class as the task's queue priority; `custom` is any queue the caller hands in as a submit
// function (see queueOf). Delays on the main queue use the main loop's timers; delays on the
// other queues use one timer thread, so they fire even while the main thread is blocked.

#include "platform/Dispatch.h"

#include <QString>

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

enum class QueueChoice { main, userInteractive, userInitiated, utility, background, custom };

// A queue of the caller's: a function that runs the given work on that queue later.
using CustomQueue = std::function<void(std::function<void()>)>;

// The submit function of a serial background queue (the queue must outlive every use).
CustomQueue queueOf(Dispatch::SerialQueue &queue);

enum class DispatchTimeoutResult { success, timedOut };

// Service classes of work, and their descriptions ("Main" for the class of the main thread, which
// is userInteractive).
enum class QoSClass : int {
    unspecified = 0,
    background = 1,
    utility = 2,
    defaultClass = 3,
    userInitiated = 4,
    userInteractive = 5,
};
QoSClass qosClassMain();
// The description of a raw class value: "Main", "User Interactive", "User Initiated", "Default",
// "Utility", "Background", "Unspecified", or "Unknown" for a value that is no class.
QString qosDescription(int rawClassValue);
QString qosDescription(QoSClass qosClass);

// The empty result of a block that returns nothing (and the input of a chain's first link).
using Empty = std::monostate;

namespace async_detail {

// Runs fn on the chosen queue (custom: through `custom`).
void submit(QueueChoice choice, const CustomQueue &custom, std::function<void()> fn);
// Runs fn on the chosen queue no earlier than `seconds` from now.
void submitAfter(QueueChoice choice, const CustomQueue &custom, double seconds, std::function<void()> fn);
// Calls fn(0) .. fn(count - 1) concurrently on worker threads and returns when all have run.
void concurrentPerform(std::size_t count, const std::function<void(std::size_t)> &fn);

} // namespace async_detail

// One unit of work that can be cancelled before it runs, waited for, and followed by other work.
class WorkItem
{
public:
    explicit WorkItem(std::function<void()> body);

    // Runs the body (unless cancelled before), then the follow-ups. Only the first call counts.
    void perform();
    // The body will not run when it has not started yet; follow-ups still run when the item is
    // performed.
    void cancel();
    bool isCancelled() const;
    bool isFinished() const;
    // Waits until the item was performed; no timeout waits for ever.
    DispatchTimeoutResult wait(std::optional<double> seconds = std::nullopt);
    // Calls fn once the item was performed (at once, on this thread, when it already was).
    void notify(std::function<void()> fn);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_done;
    std::function<void()> m_body;
    std::vector<std::function<void()>> m_followUps;
    bool m_started = false;
    bool m_finished = false;
    bool m_cancelled = false;
};

// A box shared by the links of a chain; written once by its own link.
template <class T>
class Reference
{
public:
    std::optional<T> value() const
    {
        std::lock_guard lock(m_mutex);
        return m_value;
    }
    void setValue(T value)
    {
        std::lock_guard lock(m_mutex);
        m_value = std::move(value);
    }

private:
    mutable std::mutex m_mutex;
    std::optional<T> m_value;
};

namespace async_detail {

template <class F, class... A>
using StoredResult =
    std::conditional_t<std::is_void_v<std::invoke_result_t<F, A...>>, Empty, std::invoke_result_t<F, A...>>;

template <class F, class... A>
auto invokeStoring(F &fn, A &&...args)
{
    if constexpr (std::is_void_v<std::invoke_result_t<F, A...>>) {
        std::invoke(fn, std::forward<A>(args)...);
        return Empty{};
    } else {
        return std::invoke(fn, std::forward<A>(args)...);
    }
}

// A block of a link takes the previous result, or nothing when it does not want it.
template <class F, class In>
auto invokeLink(F &fn, const In &input)
{
    if constexpr (std::is_invocable_v<F &, const In &>)
        return invokeStoring(fn, input);
    else
        return invokeStoring(fn);
}

template <class F, class In>
using LinkResult = decltype(invokeLink(std::declval<F &>(), std::declval<const In &>()));

} // namespace async_detail

// One link of a chain: its work item, the box of the previous link's result (absent for the
// first link) and the box of its own result.
template <class In, class Out>
class AsyncBlock
{
public:
    std::shared_ptr<WorkItem> block;
    std::shared_ptr<Reference<In>> input;
    std::shared_ptr<Reference<Out>> output_;

    // This link's result; absent until it has run.
    std::optional<Out> output() const { return output_->value(); }

    void cancel() { block->cancel(); }
    DispatchTimeoutResult wait(std::optional<double> seconds = std::nullopt) { return block->wait(seconds); }

    // Appends a link that runs fn with this link's result on the chosen queue once this link has
    // finished, optionally `after` seconds later. When this link was cancelled before it ran, the
    // new link's block is not called.
    template <class F>
    auto main(F fn, std::optional<double> after = std::nullopt)
    {
        return then(QueueChoice::main, {}, after, std::move(fn));
    }
    template <class F>
    auto userInteractive(F fn, std::optional<double> after = std::nullopt)
    {
        return then(QueueChoice::userInteractive, {}, after, std::move(fn));
    }
    template <class F>
    auto userInitiated(F fn, std::optional<double> after = std::nullopt)
    {
        return then(QueueChoice::userInitiated, {}, after, std::move(fn));
    }
    template <class F>
    auto utility(F fn, std::optional<double> after = std::nullopt)
    {
        return then(QueueChoice::utility, {}, after, std::move(fn));
    }
    template <class F>
    auto background(F fn, std::optional<double> after = std::nullopt)
    {
        return then(QueueChoice::background, {}, after, std::move(fn));
    }
    template <class F>
    auto custom(CustomQueue queue, F fn, std::optional<double> after = std::nullopt)
    {
        return then(QueueChoice::custom, std::move(queue), after, std::move(fn));
    }

private:
    template <class F>
    auto then(QueueChoice choice, CustomQueue queue, std::optional<double> after, F fn)
    {
        using O = async_detail::LinkResult<F, Out>;
        auto result = std::make_shared<Reference<O>>();
        auto previous = output_;
        auto item = std::make_shared<WorkItem>([previous, result, fn = std::move(fn)]() mutable {
            std::optional<Out> value = previous->value();
            if (!value)
                return;
            result->setValue(async_detail::invokeLink(fn, *value));
        });
        block->notify([choice, queue, after, item] {
            auto run = [item] { item->perform(); };
            if (after)
                async_detail::submitAfter(choice, queue, *after, run);
            else
                async_detail::submit(choice, queue, run);
        });
        return AsyncBlock<Out, O>{item, previous, result};
    }
};

// Starts chains: each operation runs fn (taking nothing) on the chosen queue, optionally `after`
// seconds from now, and returns the first link.
struct Async {
    template <class F>
    static auto main(F fn, std::optional<double> after = std::nullopt)
    {
        return start(QueueChoice::main, {}, after, std::move(fn));
    }
    template <class F>
    static auto userInteractive(F fn, std::optional<double> after = std::nullopt)
    {
        return start(QueueChoice::userInteractive, {}, after, std::move(fn));
    }
    template <class F>
    static auto userInitiated(F fn, std::optional<double> after = std::nullopt)
    {
        return start(QueueChoice::userInitiated, {}, after, std::move(fn));
    }
    template <class F>
    static auto utility(F fn, std::optional<double> after = std::nullopt)
    {
        return start(QueueChoice::utility, {}, after, std::move(fn));
    }
    template <class F>
    static auto background(F fn, std::optional<double> after = std::nullopt)
    {
        return start(QueueChoice::background, {}, after, std::move(fn));
    }
    template <class F>
    static auto custom(CustomQueue queue, F fn, std::optional<double> after = std::nullopt)
    {
        return start(QueueChoice::custom, std::move(queue), after, std::move(fn));
    }

private:
    template <class F>
    static auto start(QueueChoice choice, CustomQueue queue, std::optional<double> after, F fn)
    {
        using O = async_detail::StoredResult<F>;
        auto result = std::make_shared<Reference<O>>();
        auto item = std::make_shared<WorkItem>(
            [result, fn = std::move(fn)]() mutable { result->setValue(async_detail::invokeStoring(fn)); });
        auto run = [item] { item->perform(); };
        if (after)
            async_detail::submitAfter(choice, queue, *after, run);
        else
            async_detail::submit(choice, queue, run);
        return AsyncBlock<Empty, O>{item, nullptr, result};
    }
};

// Runs fn(0) .. fn(count - 1) concurrently, started from the chosen queue; returns at once.
struct Apply {
    static void userInteractive(std::size_t count, std::function<void(std::size_t)> fn)
    {
        run(QueueChoice::userInteractive, {}, count, std::move(fn));
    }
    static void userInitiated(std::size_t count, std::function<void(std::size_t)> fn)
    {
        run(QueueChoice::userInitiated, {}, count, std::move(fn));
    }
    static void utility(std::size_t count, std::function<void(std::size_t)> fn)
    {
        run(QueueChoice::utility, {}, count, std::move(fn));
    }
    static void background(std::size_t count, std::function<void(std::size_t)> fn)
    {
        run(QueueChoice::background, {}, count, std::move(fn));
    }
    static void custom(CustomQueue queue, std::size_t count, std::function<void(std::size_t)> fn)
    {
        run(QueueChoice::custom, std::move(queue), count, std::move(fn));
    }

private:
    static void run(QueueChoice choice, const CustomQueue &queue, std::size_t count,
                    std::function<void(std::size_t)> fn);
};

// Blocks submitted as members of one group, and a wait for all of them. Copies share the group.
class AsyncGroup
{
public:
    AsyncGroup();

    void enter();
    // Ends one enter(); an unbalanced leave is ignored with a diagnostic line.
    void leave();

    void main(std::function<void()> fn) { submit(QueueChoice::main, {}, std::move(fn)); }
    void userInteractive(std::function<void()> fn) { submit(QueueChoice::userInteractive, {}, std::move(fn)); }
    void userInitiated(std::function<void()> fn) { submit(QueueChoice::userInitiated, {}, std::move(fn)); }
    void utility(std::function<void()> fn) { submit(QueueChoice::utility, {}, std::move(fn)); }
    void background(std::function<void()> fn) { submit(QueueChoice::background, {}, std::move(fn)); }
    void custom(CustomQueue queue, std::function<void()> fn)
    {
        submit(QueueChoice::custom, std::move(queue), std::move(fn));
    }

    // Waits until every member has finished; no timeout waits for ever.
    DispatchTimeoutResult wait(std::optional<double> seconds = std::nullopt);

private:
    struct State {
        std::mutex mutex;
        std::condition_variable empty;
        int count = 0;
    };

    void submit(QueueChoice choice, CustomQueue queue, std::function<void()> fn);

    std::shared_ptr<State> group;
};

} // namespace platform
