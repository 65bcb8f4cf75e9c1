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

// Make the Nth file operation from now fail (1 = the next one), counting
// OpenFile, _lwrite, MoveFileExA, CreateFileMappingA and MapViewOfFile on
// every thread; 0 disarms.  A failing _lwrite writes half of what it was
// asked (a disk that filled up midway) and reports that short count.
void FailFileOperationAfter(long n);

// Number of file operations the armed countdown has let through so far.
long FileOperationsSinceArmed();

}  // namespace kav::fault
