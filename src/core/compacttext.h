// CompactText: a UTF-16 text held in 16 bytes, for records that a file may hold millions
// of (a std::u16string takes 32 bytes even when empty).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace pravelot {

// Up to seven code units inside; a longer text in one block on the heap. Reads as a
// std::u16string_view; copies are deep.
class CompactText {
public:
    CompactText() = default;
    CompactText(std::u16string_view s) { set(s); }
    CompactText(const CompactText &o) { set(o.view()); }
    CompactText(CompactText &&o) noexcept
    {
        std::memcpy(m_raw, o.m_raw, sizeof m_raw);
        o.m_raw[kTag] = 0;
    }
    CompactText &operator=(const CompactText &o)
    {
        if (this != &o) {
            CompactText copy(o);
            swap(copy);
        }
        return *this;
    }
    CompactText &operator=(CompactText &&o) noexcept
    {
        CompactText moved(std::move(o));
        swap(moved);
        return *this;
    }
    CompactText &operator=(std::u16string_view s)
    {
        CompactText t(s);
        swap(t);
        return *this;
    }
    ~CompactText() { release(); }

    std::u16string_view view() const
    {
        if (onHeap())
            return {heapData(), heapSize()};
        return {m_raw, m_raw[kTag]};
    }
    operator std::u16string_view() const { return view(); }
    std::u16string str() const { return std::u16string(view()); }
    std::size_t size() const { return view().size(); }
    bool empty() const { return size() == 0; }

    friend bool operator==(const CompactText &a, const CompactText &b)
    {
        return a.view() == b.view();
    }
    friend bool operator==(const CompactText &a, std::u16string_view b) { return a.view() == b; }

private:
    // m_raw[0 … 6] hold a short text and m_raw[7] its length; a long one has its block's
    // address in m_raw[0 … 3], its length in m_raw[4 … 5] and kOnHeap in m_raw[7].
    static constexpr std::size_t kTag = 7;
    static constexpr char16_t kOnHeap = 0xFFFF;

    bool onHeap() const { return m_raw[kTag] == kOnHeap; }
    const char16_t *heapData() const
    {
        const char16_t *p;
        std::memcpy(&p, m_raw, sizeof p);
        return p;
    }
    std::size_t heapSize() const
    {
        std::uint32_t n;
        std::memcpy(&n, m_raw + 4, sizeof n);
        return n;
    }
    void set(std::u16string_view s)
    {
        if (s.size() <= kTag) {
            std::memcpy(m_raw, s.data(), s.size() * sizeof(char16_t));
            m_raw[kTag] = static_cast<char16_t>(s.size());
            return;
        }
        // A text longer than four billion code units is cut; no file holds one.
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(s.size(), UINT32_MAX));
        char16_t *p = heapCopy(s.data(), n);
        std::memcpy(m_raw, &p, sizeof p);
        std::memcpy(m_raw + 4, &n, sizeof n);
        m_raw[kTag] = kOnHeap;
    }
    // A new block holding the n code units at s (out of line: inlined with a short
    // constant text, GCC warns about the copy that a long one would make).
    static char16_t *heapCopy(const char16_t *s, std::uint32_t n);
    void release()
    {
        if (onHeap())
            delete[] heapData();
        m_raw[kTag] = 0;
    }
    void swap(CompactText &o) noexcept
    {
        char16_t t[8];
        std::memcpy(t, m_raw, sizeof t);
        std::memcpy(m_raw, o.m_raw, sizeof t);
        std::memcpy(o.m_raw, t, sizeof t);
    }

    alignas(8) char16_t m_raw[8] = {};
};

static_assert(sizeof(CompactText) == 16);

} // namespace pravelot
