#pragma once

namespace platform {

// A switch that asks a running file operation to give up, shared between the thread that runs the
// operation and the one that stops it. It wraps a GIO cancellable, so GIO calls honour it too.
class Cancellable
{
public:
    Cancellable();
    ~Cancellable();
    Cancellable(const Cancellable &) = delete;
    Cancellable &operator=(const Cancellable &) = delete;

    // Any thread.
    void cancel();
    bool isCancelled() const;

    // The GCancellable for GIO calls.
    void *gCancellable() const { return m_handle; }

private:
    void *m_handle = nullptr;
};

} // namespace platform
