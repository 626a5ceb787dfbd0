#include "jws/blockmembers.h"

#include "jws/jwwtype.h"

#include <array>
#include <memory>
#include <new>
#include <tuple>

namespace pravelot {

class BlockMembers::Store {
public:
    virtual ~Store() = default;
    virtual ConstEntityLists lists() const = 0;
    virtual std::span<const TEntJwwNo> order() const = 0;
    virtual std::unique_ptr<Store> clone() const = 0;
    virtual bool packed() const = 0;
};

namespace {

// The arrays of a list, in the order the packed form lays them out: the order list, then
// the seven kinds.
template <class F> void forEachArray(std::vector<TEntJwwNo> &order, EntityLists l, F f)
{
    f(order);
    f(l.line);
    f(l.enko);
    f(l.ten);
    f(l.moji);
    f(l.sunpo);
    f(l.solid);
    f(l.block);
}

} // namespace

// The order list and the seven kinds as arrays of their own.
class BlockMembers::Arrays final : public BlockMembers::Store {
public:
    ConstEntityLists lists() const override
    {
        return {mLine, mEnko, mTen, mMoji, mSunpo, mSolid, mBlock};
    }
    std::span<const TEntJwwNo> order() const override { return mNo; }
    std::unique_ptr<Store> clone() const override { return std::make_unique<Arrays>(*this); }
    bool packed() const override { return false; }
    EntityLists edit() { return {mLine, mEnko, mTen, mMoji, mSunpo, mSolid, mBlock}; }

    std::vector<TEntJwwNo> mNo;
    std::vector<TEntJwwLine> mLine;
    std::vector<TEntJwwEnko> mEnko;
    std::vector<TEntJwwTen> mTen;
    std::vector<TEntJwwMoji> mMoji;
    std::vector<TEntJwwSunpo> mSunpo;
    std::vector<TEntJwwSolid> mSolid;
    std::vector<TEntJwwBlock> mBlock;
};

namespace {

// The order list and the seven kinds in one allocation: this header with the counts,
// then each array in turn.
class Packed final : public BlockMembers::Store {
public:
    // A packed copy of the arrays; with Move, their records are moved instead.
    template <bool Move>
    static std::unique_ptr<Packed> make(std::span<const TEntJwwNo> order, ConstEntityLists l)
    {
        const std::array<std::size_t, 8> n = {order.size(),   l.line.size(), l.enko.size(),
                                              l.ten.size(),   l.moji.size(), l.sunpo.size(),
                                              l.solid.size(), l.block.size()};
        std::size_t bytes = sizeof(Packed);
        for (std::size_t k = 0; k < n.size(); ++k)
            bytes += roundUp(n[k] * sizeOf(k));
        std::unique_ptr<Packed> p(new (::operator new(bytes)) Packed);
        // An array counts only once it is whole, so that the destructor of a block whose
        // filling failed destroys exactly what was built.
        auto fill = [&](std::size_t k, auto from) {
            using T = std::remove_const_t<typename decltype(from)::element_type>;
            T *to = p->array<T>(k);
            std::size_t i = 0;
            try {
                for (; i < from.size(); ++i) {
                    if constexpr (Move)
                        new (to + i) T(std::move(const_cast<T &>(from[i])));
                    else
                        new (to + i) T(from[i]);
                }
            } catch (...) {
                std::destroy_n(to, i);
                throw;
            }
            p->m_count[k] = static_cast<std::uint32_t>(from.size());
        };
        fill(0, order);
        fill(1, l.line);
        fill(2, l.enko);
        fill(3, l.ten);
        fill(4, l.moji);
        fill(5, l.sunpo);
        fill(6, l.solid);
        fill(7, l.block);
        return p;
    }

    ~Packed() override
    {
        destroy<TEntJwwNo>(0);
        destroy<TEntJwwLine>(1);
        destroy<TEntJwwEnko>(2);
        destroy<TEntJwwTen>(3);
        destroy<TEntJwwMoji>(4);
        destroy<TEntJwwSunpo>(5);
        destroy<TEntJwwSolid>(6);
        destroy<TEntJwwBlock>(7);
    }
    // The block was allocated with the arrays behind the header.
    static void operator delete(void *p) { ::operator delete(p); }

    ConstEntityLists lists() const override
    {
        return {span<TEntJwwLine>(1), span<TEntJwwEnko>(2),  span<TEntJwwTen>(3),
                span<TEntJwwMoji>(4), span<TEntJwwSunpo>(5), span<TEntJwwSolid>(6),
                span<TEntJwwBlock>(7)};
    }
    std::span<const TEntJwwNo> order() const override { return span<TEntJwwNo>(0); }
    std::unique_ptr<Store> clone() const override { return make<false>(order(), lists()); }
    bool packed() const override { return true; }

private:
    Packed() = default;

    static std::size_t sizeOf(std::size_t k)
    {
        static constexpr std::array<std::size_t, 8> sizes = {
            sizeof(TEntJwwNo),   sizeof(TEntJwwLine),  sizeof(TEntJwwEnko),  sizeof(TEntJwwTen),
            sizeof(TEntJwwMoji), sizeof(TEntJwwSunpo), sizeof(TEntJwwSolid), sizeof(TEntJwwBlock)};
        return sizes[k];
    }
    // Where array k starts: behind the header and the arrays before it, whose counts are
    // final by the time array k is built.
    template <class T> T *array(std::size_t k) const
    {
        static_assert(alignof(T) <= kAlign && alignof(Packed) <= kAlign);
        std::size_t at = sizeof(Packed);
        for (std::size_t j = 0; j < k; ++j)
            at += roundUp(m_count[j] * sizeOf(j));
        auto *base = const_cast<std::byte *>(reinterpret_cast<const std::byte *>(this));
        return std::launder(reinterpret_cast<T *>(base + at));
    }
    template <class T> std::span<const T> span(std::size_t k) const
    {
        return {array<T>(k), m_count[k]};
    }
    template <class T> void destroy(std::size_t k) { std::destroy_n(array<T>(k), m_count[k]); }

    static constexpr std::size_t kAlign = 8;
    static constexpr std::size_t roundUp(std::size_t n) { return (n + kAlign - 1) & ~(kAlign - 1); }

    std::array<std::uint32_t, 8> m_count{};
};

} // namespace

BlockMembers::BlockMembers() = default;
BlockMembers::BlockMembers(const BlockMembers &other)
    : m_store(other.m_store ? other.m_store->clone() : nullptr)
{
}
BlockMembers &BlockMembers::operator=(const BlockMembers &other)
{
    if (this != &other)
        m_store = other.m_store ? other.m_store->clone() : nullptr;
    return *this;
}
BlockMembers::BlockMembers(BlockMembers &&other) noexcept = default;
BlockMembers &BlockMembers::operator=(BlockMembers &&other) noexcept = default;
BlockMembers::~BlockMembers() = default;

ConstEntityLists BlockMembers::lists() const
{
    if (!m_store)
        return {{}, {}, {}, {}, {}, {}, {}};
    return m_store->lists();
}

std::span<const TEntJwwNo> BlockMembers::order() const
{
    return m_store ? m_store->order() : std::span<const TEntJwwNo>{};
}

bool BlockMembers::empty() const
{
    if (!m_store)
        return true;
    const ConstEntityLists l = m_store->lists();
    return m_store->order().empty() && l.line.empty() && l.enko.empty() && l.ten.empty() &&
           l.moji.empty() && l.sunpo.empty() && l.solid.empty() && l.block.empty();
}

BlockMembers::Arrays &BlockMembers::arrays()
{
    if (!m_store || m_store->packed()) {
        auto a = std::make_unique<Arrays>();
        if (m_store) {
            const ConstEntityLists l = m_store->lists();
            const std::span<const TEntJwwNo> o = m_store->order();
            a->mNo.assign(o.begin(), o.end());
            a->mLine.assign(l.line.begin(), l.line.end());
            a->mEnko.assign(l.enko.begin(), l.enko.end());
            a->mTen.assign(l.ten.begin(), l.ten.end());
            a->mMoji.assign(l.moji.begin(), l.moji.end());
            a->mSunpo.assign(l.sunpo.begin(), l.sunpo.end());
            a->mSolid.assign(l.solid.begin(), l.solid.end());
            a->mBlock.assign(l.block.begin(), l.block.end());
        }
        m_store = std::move(a);
    }
    return static_cast<Arrays &>(*m_store);
}

EntityLists BlockMembers::edit() { return arrays().edit(); }

std::vector<TEntJwwNo> &BlockMembers::editOrder() { return arrays().mNo; }

void BlockMembers::take(EntityLists from, std::vector<TEntJwwNo> &order)
{
    std::size_t bytes = 0;
    forEachArray(order, from, [&](auto &v) { bytes += v.size() * sizeof(v[0]); });
    if (bytes == 0 && order.empty()) {
        m_store.reset();
        return;
    }
    if (bytes <= kPackBytes) {
        m_store = Packed::make<true>(order, from);
        forEachArray(order, from, [](auto &v) { v.clear(); });
        return;
    }
    auto a = std::make_unique<Arrays>();
    a->mNo = std::move(order);
    a->mLine = std::move(from.line);
    a->mEnko = std::move(from.enko);
    a->mTen = std::move(from.ten);
    a->mMoji = std::move(from.moji);
    a->mSunpo = std::move(from.sunpo);
    a->mSolid = std::move(from.solid);
    a->mBlock = std::move(from.block);
    forEachArray(order, from, [](auto &v) { v.clear(); });
    m_store = std::move(a);
}

} // namespace pravelot
