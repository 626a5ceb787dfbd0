// JwsIn: the reader's cursor over the bytes of a .jws file.
#pragma once

#include "core/bytereader.h"
#include "core/text.h"
#include "jws/classnames.h"
#include "jws/jwwtype.h"
#include "jws/recordlayout.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace pravelot {

// Whether the strings a reading meets are decoded and kept, or only passed over.
enum class Strings { Keep, Skip };

// An object's tag as the file holds it: the definition of a new class, whose name
// follows, or a reference to a class by its index (which may name no class at all).
struct ClassTag {
    bool isNew = false;
    std::int64_t index = 0;
    std::span<const std::uint8_t> name; // valid until the next read
};

// Reads the fields of a fixed part from bytes known to hold it whole.
class FixedIn {
public:
    FixedIn(const std::uint8_t *p, bool wide) : m_p(p), m_wide(wide) {}
    template <class T> void operator()(T &v)
    {
        std::memcpy(&v, m_p, sizeof(T));
        m_p += sizeof(T);
    }
    void attr(TEntJwwAttr &a, std::int32_t) { attrFields(*this, a); }
    void textSize(double &v) { (*this)(v); }
    bool wide() const { return m_wide; }
    void id(std::u16string &s)
    {
        s = AnsiBytesToText(std::span(m_p, 7));
        m_p += 7;
    }
    void filler(std::size_t n) { m_p += n; }

private:
    const std::uint8_t *m_p;
    bool m_wide;
};

// Counts the bytes of a fixed part: an Io that reads and writes nothing.
class FieldSize {
public:
    explicit FieldSize(bool wide) : m_wide(wide) {}
    template <class T> void operator()(const T &) { m_size += sizeof(T); }
    template <class Attr> void attr(const Attr &a, std::int32_t) { attrFields(*this, a); }
    void textSize(double v) { (*this)(v); }
    bool wide() const { return m_wide; }
    std::size_t size() const { return m_size; }

private:
    bool m_wide;
    std::size_t m_size = 0;
};

// The size of the fixed part that f lists.
template <class F> std::size_t fixedSize(bool wide, F &&f)
{
    FieldSize c(wide);
    f(c);
    return c.size();
}

// Reads through the sticky ByteReader: a read that fails ends the reading, and the
// lists check for it once per object. What failed first is kept for the account of
// where reading stopped. Holds the state that the objects of one file share: the
// format of its version, the classes defined so far and the running index.
class JwsIn {
public:
    explicit JwsIn(ByteReader &r) : m_r(r) {}

    ByteReader &bytes() { return m_r; }

    // The layout of the file's version: 15-byte attributes from 351 on, dimensions with
    // their extended part from 420 on.
    void setVersion(std::int32_t ver)
    {
        m_wide = ver >= 351;
        m_extendedSunpo = ver >= 420;
    }
    bool wide() const { return m_wide; }
    bool extendedSunpo() const { return m_extendedSunpo; }

    // A field whose read the format does not check: when the file ends, the reading
    // ends, and `what` is what it ended in.
    template <class T> T need(const char *what)
    {
        T v;
        if (!m_r.get(v))
            ended(what);
        return v;
    }
    std::span<const std::uint8_t> needBytes(std::size_t n, const char *what)
    {
        if (n == 0)
            return {};
        auto s = m_r.take(n);
        if (s.empty())
            ended(what);
        return s;
    }

    // A fixed part whose read the format checks: it fails only when it delivers nothing
    // at all (false), and the bytes a part cut short by the end of the file misses read
    // as zero.
    template <class F> bool fixedPart(F &&f)
    {
        const std::size_t n = fixedSize(m_wide, f);
        auto s = m_r.peek(n);
        if (s.size() < n)
            return cutPart(s, f);
        m_r.take(n);
        FixedIn in(s.data(), m_wide);
        f(in);
        return true;
    }
    // A fixed part the file must hold whole: when it does not, the reading ends, in what.
    template <class F> void wholePart(const char *what, F &&f)
    {
        auto s = needBytes(fixedSize(m_wide, f), what);
        if (s.empty())
            return;
        FixedIn in(s.data(), m_wide);
        f(in);
    }
    // Passes over a fixed part as fixedPart reads it: the whole part, or what the end of
    // the file leaves of it.
    template <class F> void skipPart(F &&f) { m_r.take(m_r.peek(fixedSize(m_wide, f)).size()); }

    // The escaped forms of the archive (archiveforms.h, beside their writing).
    // An archive count; zero when the file ends in it. With firstChecked, a file that
    // holds nothing of it stops the reading with a detail of its own, and one that
    // holds a single byte of its first word reads that byte.
    std::uint64_t CountIn(const char *what, bool firstChecked);
    // An object's tag, read from a word that is labelled `what`.
    ClassTag ClassTagIn(const char *what);
    // An archive string, without control characters; empty when strings are skipped.
    std::u16string StringIn(Strings strings);
    // Whether any string read so far was in the UTF-16 form.
    bool sawUtf16() const { return m_utf16; }

    // The kind (1–7) of the object a tag announces: a new class takes the next index;
    // 0 for a reference to no class defined so far (the object is then skipped).
    std::int32_t objectKind(const ClassTag &tag);
    // The running index of classes and objects, which every object moves on.
    std::uint64_t &running() { return m_running; }
    // The classes defined so far, by kind (0 = none yet), and the running index: where
    // a list is read again from, they are restored to what they were when it was first
    // read.
    using ClassSlots = std::array<std::uint64_t, 7>;
    const ClassSlots &slots() const { return m_slots; }
    void restore(const ClassSlots &slots, std::uint64_t running)
    {
        m_slots = slots;
        m_running = running;
    }

    // Notes where the object at `index` of a list starts (kind as far as known), for
    // the account of a reading that stops.
    void at(const char *listName, std::int64_t index, std::int32_t kind = 0)
    {
        m_listName = listName;
        m_objectIndex = index;
        m_objectOffset = m_r.offset();
        m_objectKind = kind;
    }
    void atKind(std::int32_t kind) { m_objectKind = kind; }
    // Notes where a list's count starts, the object noted last staying as it was.
    void atList(const char *listName)
    {
        m_listName = listName;
        m_objectOffset = m_r.offset();
    }

    // Ends the reading for a value it cannot go on with.
    void stop(std::string detail)
    {
        if (!m_r.ok())
            return;
        m_stop = std::move(detail);
        m_r.fail();
    }
    bool failed() const { return !m_r.ok(); }
    // Why the reading ended and where: "file ends in a string: top-level object 3
    // (CDataMoji) at byte 517".
    std::string failure() const;

private:
    // The tag 0xFFFF (a new class) or 0x7FFF (a long reference) and what follows it.
    ClassTag escapedClassTagIn(std::uint16_t tag);
    void ended(const char *what)
    {
        if (m_endedIn == nullptr && m_stop.empty())
            m_endedIn = what;
    }
    // A fixed part cut short by the end of the file: what is there, and zeros.
    template <class F> bool cutPart(std::span<const std::uint8_t> s, F &&f)
    {
        if (s.empty())
            return false;
        std::array<std::uint8_t, kLargestFixedPart> cut{};
        std::memcpy(cut.data(), s.data(), s.size());
        m_r.take(s.size());
        FixedIn in(cut.data(), m_wide);
        f(in);
        return true;
    }

    // The largest fixed part of a record: a text's.
    static constexpr std::size_t kLargestFixedPart = 83;

    ByteReader &m_r;
    bool m_wide = true;
    bool m_extendedSunpo = true;
    bool m_utf16 = false;
    ClassSlots m_slots{};
    std::uint64_t m_running = 1;
    const char *m_endedIn = nullptr; // what the file ended in, when it did
    std::string m_stop;              // why reading was ended, when it was for a value
    const char *m_listName = "header";
    std::int64_t m_objectIndex = 0;
    std::uint64_t m_objectOffset = 0;
    std::int32_t m_objectKind = 0;
};

inline std::int32_t JwsIn::objectKind(const ClassTag &tag)
{
    if (tag.isNew) {
        if (failed())
            return 0;
        const std::int32_t kind = entityKindNamed(AnsiBytesToText(tag.name));
        if (kind == 0) {
            stop("unknown class name");
            return 0;
        }
        m_slots[static_cast<std::size_t>(kind - 1)] = m_running++;
        return kind;
    }
    // Only classes defined so far count. Every slot holds an index of its own, so at
    // most one matches.
    for (std::size_t i = 0; i < m_slots.size(); ++i)
        if (m_slots[i] != 0 && static_cast<std::int64_t>(m_slots[i]) == tag.index)
            return static_cast<std::int32_t>(i + 1);
    return 0;
}

} // namespace pravelot
