#include "engine/AutoMarkRunSignals.h"

AutoMarkRunSignals &AutoMarkRunSignals::instance()
{
    static AutoMarkRunSignals signals_;
    return signals_;
}
