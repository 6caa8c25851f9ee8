// Test programs that check a path allocates nothing link
// CountingAllocator.cpp, which replaces the global allocator with one that
// counts every allocation.
#pragma once

// Allocations made through operator new since the program started.
long AllocationCount();
