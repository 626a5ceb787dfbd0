// JwsOut: the writer's cursor over the bytes of a .jws file.
#pragma once

#include "core/bytewriter.h"
#include "core/text.h"
#include "jws/jwsin.h"
#include "jws/jwwtype.h"
#include "jws/recordlayout.h"
#include "jws/writtenattr.h"

#include <cstdint>
#include <span>
#include <string>

namespace pravelot {

// Writes the fields of the record layouts and the archive's escaped forms in the
// version and string form chosen, with the option bits of the text entities' strings.
class JwsOut {
public:
    // ver as writtenVersion gives it; options as TJwsData::FileOutOpt.
    JwsOut(ByteWriter &w, std::int32_t ver, std::int32_t options)
        : m_w(w), m_version(ver), m_options(options), m_utf16((options & 32) != 0)
    {
    }

    std::int32_t version() const { return m_version; }

    // The writing side of the record layouts (see recordlayout.h).
    template <class T> void operator()(const T &v) { m_w.put(v); }
    void attr(const TEntJwwAttr &a, std::int32_t kind)
    {
        const TEntJwwAttr written = writtenAttr(a, kind, m_version);
        attrFields(*this, written);
    }
    void textSize(double v) { m_w.f64(writtenTextSize(v)); }
    bool wide() const { return m_version >= 351; }
    void id(const std::u16string &)
    {
        const std::uint8_t id[] = {'J', 'w', 's', 'D', 'a', 't', 'a'};
        m_w.put(std::span(id));
    }
    void filler(std::size_t n) { m_w.fill(0x2E, n); }
    template <class F> void part(SunpoPart, F &&f) { f(*this); }
    void string(std::u16string_view s, TextUse use)
    {
        StringOut(use == TextUse::Entity ? textWithOptions(s) : TextOutClean(s));
    }

    // The escaped forms of the archive (archiveforms.h, beside their reading).
    // An archive count: the short form below 0xFFFF, else the long one.
    void CountOut(std::uint64_t n);
    // An object's tag: a new class with its name, the schema word being the version's
    // low 16 bits, or a reference to a class by its index.
    void ClassTagOut(const ClassTag &tag);
    // An archive string, in the UTF-16 form with option 32, else in code page 932; cut
    // to what the form can hold.
    void StringOut(const std::u16string &s);

private:
    void ClassRefOut(std::uint64_t k);
    // A text entity's string after cleaning and the text options 8 and 1.
    std::u16string textWithOptions(std::u16string_view str) const;

    ByteWriter &m_w;
    std::int32_t m_version;
    std::int32_t m_options;
    bool m_utf16;
    Bytes m_scratch;
};

} // namespace pravelot
