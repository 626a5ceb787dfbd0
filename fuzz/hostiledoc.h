// Figure documents built from arbitrary bytes, for the structure-aware fuzz target and
// the property tests: every choice the builder makes is read from the bytes, so a fuzzer
// steers the structure (nesting, sharing, cycles, dangling references, duplicated block
// numbers, long names, shared .jwk pool strings) instead of the file syntax.
#pragma once

#include "core/text.h"
#include "jws/jwsdata.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pravelot::fuzz {

// Choices read from bytes, one after another; past the end every choice is 0.
class ByteChoices {
public:
    explicit ByteChoices(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint8_t byte() { return m_pos < m_bytes.size() ? m_bytes[m_pos++] : 0; }
    // A number from 0 to n − 1 (n ≤ 65536).
    std::uint32_t below(std::uint32_t n);
    bool chance(std::uint32_t oneIn) { return below(oneIn) == 0; }
    bool empty() const { return m_pos >= m_bytes.size(); }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

// How far the long parts grow. The defaults are as large as the faults they stand for
// needed (a name copied into every instance, a pool string copied into every text); the
// fuzz target takes them smaller, for many more inputs a second.
struct HostileSizes {
    std::uint32_t nameChars = 1000; // a long block name: 1 to 16 times this
    std::uint32_t poolChars = 500;  // a long pool string: up to 39 times this
    std::uint32_t manyTexts = 100;  // many texts: up to 49 times this
};

// A .jws document whose records are all of its version: block definitions numbered from
// a small range (so that references meet them, and some numbers twice), holding lines,
// arcs, texts, dimensions and references to each other, to themselves and to nothing;
// names sometimes tens of thousands of characters long; the block tree built.
TJwsData hostileJws(ByteChoices &c, const HostileSizes &sizes = {});

// The bytes of a .jwk file with lines, arcs, points and texts whose strings begin at
// offsets of a shared pool, the same offset for many texts, in the middle of a string,
// or past the pool's end.
Bytes hostileJwk(ByteChoices &c, const HostileSizes &sizes = {});

// Whether some definition reaches itself through its references (the first definition
// of a number being the one a reference names), found without the block tree, in time
// that follows the definitions and references. Never in a file the conversion writes.
bool someDefinitionReachesItself(const TJwsData &d);

} // namespace pravelot::fuzz
