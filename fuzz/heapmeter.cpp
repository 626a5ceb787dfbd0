#include "heapmeter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace pravelot::fuzz {

namespace {

std::atomic<std::size_t> g_inUse{0};
std::atomic<std::size_t> g_peak{0};

void *take(std::size_t n, std::size_t align)
{
    void *p = align <= alignof(std::max_align_t)
                  ? std::malloc(n == 0 ? 1 : n)
                  : std::aligned_alloc(align, (n + align - 1) / align * align);
    if (!p)
        return nullptr;
    const std::size_t now = g_inUse.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    std::size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void give(void *p)
{
    if (!p)
        return;
    g_inUse.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

} // namespace

std::size_t heapInUse() { return g_inUse.load(); }
std::size_t heapPeak() { return g_peak.load(); }
void resetHeapPeak() { g_peak.store(g_inUse.load()); }

} // namespace pravelot::fuzz

using pravelot::fuzz::give;
using pravelot::fuzz::take;

void *operator new(std::size_t n)
{
    if (void *p = take(n, 0))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t n) { return operator new(n); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept { return take(n, 0); }
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept { return take(n, 0); }
void *operator new(std::size_t n, std::align_val_t a)
{
    if (void *p = take(n, static_cast<std::size_t>(a)))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t n, std::align_val_t a) { return operator new(n, a); }
void operator delete(void *p) noexcept { give(p); }
void operator delete[](void *p) noexcept { give(p); }
void operator delete(void *p, std::size_t) noexcept { give(p); }
void operator delete[](void *p, std::size_t) noexcept { give(p); }
void operator delete(void *p, std::align_val_t) noexcept { give(p); }
void operator delete[](void *p, std::align_val_t) noexcept { give(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { give(p); }
void operator delete[](void *p, std::size_t, std::align_val_t) noexcept { give(p); }
