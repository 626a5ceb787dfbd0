// BlockMembers: the members of a block definition, held compactly.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pravelot {

struct TEntJwwNo;
template <bool Const> struct EntityListsT;
using EntityLists = EntityListsT<false>;
using ConstEntityLists = EntityListsT<true>;

// The order list (mNo) and the seven entity arrays (mLine … mBlock) of a block
// definition. A file may hold millions of small definitions, and eight arrays of their
// own would take several times the bytes of such a definition in the file: a short list
// taken over from the reader is packed into one allocation, and a definition without
// members takes no allocation at all. A list that is built up, or taken over long (the
// top level that the blocking transform gathers), keeps its arrays as they are, so that
// nothing is copied. Copies are deep.
class BlockMembers {
public:
    BlockMembers();
    BlockMembers(const BlockMembers &other);
    BlockMembers &operator=(const BlockMembers &other);
    BlockMembers(BlockMembers &&other) noexcept;
    BlockMembers &operator=(BlockMembers &&other) noexcept;
    ~BlockMembers();

    // Views of the arrays, valid until the members change.
    ConstEntityLists lists() const;
    std::span<const TEntJwwNo> order() const;
    bool empty() const;

    // The arrays and the order list to change or append to; a packed list is unpacked
    // first.
    EntityLists edit();
    std::vector<TEntJwwNo> &editOrder();

    // Takes the records of `from` and the entries of `order` over, leaving them empty:
    // packed when they take at most kPackBytes, else as the arrays they are.
    void take(EntityLists from, std::vector<TEntJwwNo> &order);
    static constexpr std::size_t kPackBytes = 1 << 16;

    class Store;

private:
    class Arrays;
    Arrays &arrays();

    std::unique_ptr<Store> m_store;
};

} // namespace pravelot
