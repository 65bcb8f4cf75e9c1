// Test seams of the platform layer.  Not part of the engine's interface and
// not exported from the library: tests link the engine's static archive.
#pragma once

#include <cstddef>

namespace kav::fault {

// Make the Nth allocation from now (1 = the next one) fail, counting
// GlobalAlloc and growing GlobalReAlloc calls on every thread; 0 disarms.
void FailAllocationAfter(long n);

// Number of allocations the armed countdown has let through so far (for
// sweeps that raise N until an operation succeeds).
long AllocationsSinceArmed();

// Live global-memory blocks in the process: a leak check for tests.
long LiveBlocks();

}  // namespace kav::fault
