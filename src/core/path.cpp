#include "core/path.h"

#include "core/numeric.h"
#include "core/text.h"

namespace pravelot {

namespace {

#ifdef _WIN32
bool isDelim(char16_t c) { return c == u'\\' || c == u'/'; }
bool isNameEnd(char16_t c) { return c == u'\\' || c == u'/' || c == u':'; }
// A "/" ends a folder name here too: "C:/parts.old/door" must not lose its last folder.
bool isExtBarrier(char16_t c) { return isNameEnd(c); }
bool isInvalidPathChar(char16_t c)
{
    return c < 0x20 || c == u'"' || c == u'<' || c == u'>' || c == u'|';
}
#else
bool isDelim(char16_t c) { return c == u'/'; }
bool isNameEnd(char16_t c) { return c == u'/'; }
bool isExtBarrier(char16_t c) { return c == u'/'; }
bool isInvalidPathChar(char16_t c) { return c == 0; }
#endif

std::size_t lastOf(std::u16string_view s, bool (*pred)(char16_t))
{
    for (std::size_t i = s.size(); i > 0; --i)
        if (pred(s[i - 1]))
            return i - 1;
    return std::u16string_view::npos;
}

// Position of the extension's dot, or npos.
std::size_t extDot(std::u16string_view path, bool (*barrier)(char16_t))
{
    std::size_t dot = path.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return dot;
    std::size_t b = lastOf(path, barrier);
    if (b != std::u16string_view::npos && b > dot)
        return std::u16string_view::npos;
    return dot;
}

} // namespace

std::u16string AddPathDelim(std::u16string_view path)
{
    std::u16string out(path);
    if (out.empty() || !isDelim(out.back()))
        out.push_back(kPathDelim);
    return out;
}

std::u16string FileNameOf(std::u16string_view path)
{
    for (char16_t c : path)
        if (isInvalidPathChar(c))
            return {};
    std::size_t p = lastOf(path, isNameEnd);
    return std::u16string(p == std::u16string_view::npos ? path : path.substr(p + 1));
}

std::u16string folderOf(std::u16string_view path)
{
    std::size_t p = lastOf(path, isNameEnd);
    return p == std::u16string_view::npos ? std::u16string()
                                          : std::u16string(path.substr(0, p + 1));
}

std::u16string FileExtLower(std::u16string_view path)
{
#ifdef _WIN32
    std::size_t dot = extDot(path, isDelim);
#else
    std::size_t dot = extDot(path, isExtBarrier);
#endif
    if (dot == std::u16string_view::npos)
        return {};
    return StrLower(path.substr(dot));
}

std::u16string ChangeExtSafe(std::u16string_view path, std::u16string_view ext)
{
    std::size_t dot = extDot(path, isExtBarrier);
    std::u16string out(path.substr(0, dot == std::u16string_view::npos ? path.size() : dot));
    out.append(ext);
    return out;
}

std::u16string withBranchNumber(std::u16string_view path, int n)
{
    return withBranchNumber(path, n, maxNameLength(folderOf(path)));
}

std::u16string withBranchNumber(std::u16string_view path, int n, std::size_t maxName)
{
    const std::u16string folder = folderOf(path);
    const std::u16string ext = FileExtLower(path);
    std::u16string stem = ChangeExtSafe(path, u"").substr(folder.size());
    const std::u16string tail = u"~" + IntToText(n) + ext;
    std::size_t length = nativeNameLength(stem + tail);
    while (length > maxName && !stem.empty()) {
        // A surrogate pair goes whole; an escaped byte or any other unit is one character.
        const bool pair = stem.size() >= 2 && stem.back() >= 0xDC00 && stem.back() <= 0xDFFF &&
                          stem[stem.size() - 2] >= 0xD800 && stem[stem.size() - 2] <= 0xDBFF;
        const std::size_t cut = pair ? 2 : 1;
        length -= nativeNameLength(std::u16string_view(stem).substr(stem.size() - cut));
        stem.resize(stem.size() - cut);
    }
    return folder + stem + tail;
}

std::size_t nativeNameLength(std::u16string_view name)
{
#ifdef _WIN32
    return name.size();
#else
    return nativePath(name).size();
#endif
}

std::u16string nameAsText(std::u16string_view name)
{
    // Only a name of ASCII and held bytes is read again: one with other characters was
    // UTF-8 in part, and reading it as code page 932 would garble those.
    Bytes bytes;
    bool held = false;
    for (char16_t c : name) {
        if (c >= 0xDC80 && c <= 0xDCFF)
            held = true;
        else if (c >= 0x80)
            return std::u16string(name);
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    }
    if (!held)
        return std::u16string(name);
    // A pair the code page lacks, or a lead byte at the end, would not read back.
    std::u16string read = AnsiBytesToText(bytes);
    return TextToAnsiBytes(read) == bytes ? read : std::u16string(name);
}

std::u16string printableText(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out.push_back(c);
            out.push_back(text[++i]);
            continue;
        }
        if (!high && !low) {
            out.push_back(c);
            continue;
        }
        static constexpr char16_t kHex[] = u"0123456789abcdef";
#ifdef _WIN32
        // A Windows name may hold a lone surrogate itself.
        out += u"\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            out.push_back(kHex[(c >> shift) & 0xF]);
#else
        if (c >= 0xDC80 && c <= 0xDCFF) {
            out += u"\\x";
            out.push_back(kHex[(c >> 4) & 0xF]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.push_back(u'\uFFFD');
        }
#endif
    }
    return out;
}

std::string printableUtf8(std::u16string_view text) { return toUtf8(printableText(text)); }

} // namespace pravelot
