/*
 * Fault points (faults.h): one flag per point, process-wide.
 */
#include "store/engine/faults.h"

#include "store/engine/native.h"

#include <atomic>

namespace kavdb::engine {

namespace {

std::atomic<bool> armed[static_cast<int>(FaultPoint::kCount)];

} // namespace

void armFault(FaultPoint point)
{
    armed[static_cast<int>(point)].store(true);
}

void passFaultPoint(FaultPoint point)
{
    auto& flag = armed[static_cast<int>(point)];
    if (flag.load(std::memory_order_relaxed) && flag.exchange(false)) {
        raiseEngine(code::kFail, "disk I/O error (a fault armed by a test)");
    }
}

} // namespace kavdb::engine
