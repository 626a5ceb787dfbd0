#include "support/allocfail.h"

#include <cstddef>
#include <cstdlib>
#include <new>

#ifdef _WIN32
#include <malloc.h>
#endif

namespace {

thread_local bool t_armed = false;
thread_local bool t_failed = false;
thread_local long t_countdown = 0;
thread_local long t_count = 0;
thread_local std::size_t t_largest = 0;

void *allocate(std::size_t n, std::size_t align)
{
    if (t_armed) {
        ++t_count;
        if (n > t_largest)
            t_largest = n;
        if (t_countdown > 0 && --t_countdown == 0) {
            t_failed = true;
            throw std::bad_alloc();
        }
    }
    if (n == 0)
        n = 1;
    void *p = nullptr;
    if (align <= alignof(std::max_align_t))
        p = std::malloc(n);
#ifdef _WIN32
    else
        p = ::_aligned_malloc(n, align);
#else
    else if (::posix_memalign(&p, align, n) != 0)
        p = nullptr;
#endif
    if (!p)
        throw std::bad_alloc();
    return p;
}

} // namespace

void *operator new(std::size_t n) { return allocate(n, alignof(std::max_align_t)); }
void *operator new(std::size_t n, std::align_val_t a)
{
    return allocate(n, static_cast<std::size_t>(a));
}
// The standard library's temporary buffers (std::stable_sort) come from the nothrow
// form and go back through the plain delete: both forms must be ours.
void *operator new(std::size_t n, const std::nothrow_t &) noexcept
{
    try {
        return allocate(n, alignof(std::max_align_t));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void *operator new(std::size_t n, std::align_val_t a, const std::nothrow_t &) noexcept
{
    try {
        return allocate(n, static_cast<std::size_t>(a));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
#ifdef _WIN32
// What _aligned_malloc gives back goes back to _aligned_free.
void operator delete(void *p, std::align_val_t) noexcept { ::_aligned_free(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { ::_aligned_free(p); }
void operator delete(void *p, std::align_val_t, const std::nothrow_t &) noexcept
{
    ::_aligned_free(p);
}
#else
void operator delete(void *p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void *p, std::align_val_t, const std::nothrow_t &) noexcept { std::free(p); }
#endif

namespace pravelot::test {

FailAllocation::FailAllocation(long n)
{
    t_count = 0;
    t_largest = 0;
    t_failed = false;
    t_countdown = n;
    t_armed = true;
}

FailAllocation::~FailAllocation()
{
    t_armed = false;
    t_countdown = 0;
}

long FailAllocation::allocations() const { return t_count; }
bool FailAllocation::failed() const { return t_failed; }
std::size_t FailAllocation::largest() const { return t_largest; }

} // namespace pravelot::test
