// Running out of memory on purpose: the test executable's operator new fails the n-th
// allocation of a thread when asked to.
#pragma once

#include <cstddef>

namespace pravelot::test {

// While one lives, allocations of this thread are counted, and the n-th of them from
// now on (n ≥ 1) throws std::bad_alloc, once; n = 0 only counts.
class FailAllocation {
public:
    explicit FailAllocation(long n);
    ~FailAllocation();
    FailAllocation(const FailAllocation &) = delete;
    FailAllocation &operator=(const FailAllocation &) = delete;

    long allocations() const;
    bool failed() const;
    // The size of the largest allocation asked for since construction, failed or not.
    std::size_t largest() const;
};

} // namespace pravelot::test
