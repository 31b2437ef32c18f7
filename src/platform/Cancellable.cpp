#include "platform/Cancellable.h"

#include <gio/gio.h>

namespace platform {

Cancellable::Cancellable()
    : m_handle(g_cancellable_new())
{
}

Cancellable::~Cancellable()
{
    g_object_unref(static_cast<GCancellable *>(m_handle));
}

void Cancellable::cancel()
{
    g_cancellable_cancel(static_cast<GCancellable *>(m_handle));
}

bool Cancellable::isCancelled() const
{
    return g_cancellable_is_cancelled(static_cast<GCancellable *>(m_handle));
}

} // namespace platform
