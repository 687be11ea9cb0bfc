#pragma once

#include <cstddef>

namespace ondrix_testing {

// Counts the calls of the global operator new (every form) made on the calling thread while an
// AllocationCounter is alive there. Linked into every test program, which gets the replacement
// operators with it.
//
//     AllocationCounter counter;
//     engine.step(...);
//     EXPECT_EQ(counter.count(), 0u);
//
// Thread: one thread; counters on other threads are unaffected. Owner: the test's stack frame.
class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    // Allocations on this thread since construction.
    std::size_t count() const;

private:
    std::size_t start_;
    bool outer_active_;
};

}  // namespace ondrix_testing
