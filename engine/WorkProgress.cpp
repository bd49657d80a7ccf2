#include "WorkProgress.h"

#include <algorithm>

namespace mizel {

double WorkProgress::fraction() const
{
    const std::uint64_t total = planned.load(std::memory_order_relaxed);
    if (total == 0)
        return 0;
    return std::min(1.0, static_cast<double>(done.load(std::memory_order_relaxed)) / static_cast<double>(total));
}

WorkProgress &unwatchedWork()
{
    static WorkProgress work;
    return work;
}

} // namespace mizel
