// TextLayout: where the characters of a text, or the frame of a picture, stand.
#pragma once

#include "jws/imagetext.h"
#include "jws/jwwtype.h"
#include "render/drawing.h"
#include "render/place.h"
#include "render/primitiveout.h"
#include "render/textbounds.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace pravelot {

// Lays texts out as a file written in version ver carries them: each text record's
// cleaned string and measures are taken once however often it is placed; its characters
// stand along its base line from its start; an image text draws its picture's frame.
// Strings go to the drawing once each; the texts' corners widen bounds().
class TextLayout {
public:
    TextLayout(PrimitiveOut &out, Drawing &drawing, std::int32_t ver)
        : m_out(out), m_drawing(drawing), m_ver(ver)
    {
    }

    void text(const TEntJwwMoji &e, const Place &p);
    // A text that lives only for this call: what it shares with other placements of the
    // same record is not kept.
    void passingText(const TEntJwwMoji &e);
    const TextBounds &bounds() const { return m_bounds; }

private:
    // Characters of a text in units of the full width, and how many there are.
    struct TextRun {
        double cells = 0;
        std::size_t chars = 0;
    };
    // What every placement of one text record shares: its cleaned string and measures.
    struct TextInfo {
        bool drawn = false;
        bool image = false;
        std::uint32_t string = 0, font = 0;
        TextRun run;
        ImageTextFields picture;
    };

    static constexpr std::size_t kKeptTexts = 1 << 14;

    static TextRun measure(std::u16string_view s);
    std::uint32_t intern(std::u16string s);
    const TextInfo &info(const TEntJwwMoji &e);
    const TextInfo &fill(const TEntJwwMoji &e, TextInfo &t);
    void picture(const TEntJwwMoji &e, const TextInfo &t, const Place &p);

    PrimitiveOut &m_out;
    Drawing &m_drawing;
    std::int32_t m_ver;
    std::unordered_map<std::u16string, std::uint32_t> m_strings;
    std::unordered_map<const TEntJwwMoji *, TextInfo> m_texts;
    TextInfo m_passing;
    TextBounds m_bounds;
};

} // namespace pravelot
