#include "convert/settingsfile.h"

#include "core/fdio.h"
#include "core/file.h"
#include "core/numeric.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace pravelot {

namespace {

// The lines of the file, at most kSettingsLines of them. A line ends at CR LF, LF or a
// lone CR; a last line without an end counts.
std::vector<std::string_view> splitLines(std::span<const std::uint8_t> bytes)
{
    const std::string_view text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size() && lines.size() < kSettingsLines) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::u16string fromLine(std::string_view line) { return fromUtf8(line); }

// The 21 lines: what each carries, so that reading and writing follow one table.
enum class LineKind { Integer, Flag, Folder, Text };
struct Line {
    LineKind kind;
    std::int32_t SettingsFile::*integer = nullptr;
    std::u16string SettingsFile::*text = nullptr;
    int option = 0; // a flag line: the destination option it selects
};
constexpr Line integerLine(std::int32_t SettingsFile::*field) { return {LineKind::Integer, field}; }
constexpr Line flagLine(int option) { return {LineKind::Flag, nullptr, nullptr, option}; }
constexpr Line folderLine(std::u16string SettingsFile::*field)
{
    return {LineKind::Folder, nullptr, field};
}
const std::array<Line, kSettingsLines> kLines = {
    integerLine(&SettingsFile::Fm1x),
    integerLine(&SettingsFile::Fm1y),
    integerLine(&SettingsFile::Fm1w),
    integerLine(&SettingsFile::Fm1h),
    flagLine(1),
    flagLine(2),
    flagLine(3),
    flagLine(4),
    flagLine(5),
    folderLine(&SettingsFile::EditFl1),
    folderLine(&SettingsFile::Label1),
    folderLine(&SettingsFile::LabelPreFolder),
    integerLine(&SettingsFile::Fidx),
    Line{LineKind::Text, nullptr, &SettingsFile::gstyle},
    integerLine(&SettingsFile::ColWidth0),
    integerLine(&SettingsFile::ColWidth1),
    folderLine(&SettingsFile::LookupFolder),
    integerLine(&SettingsFile::Fm2x),
    integerLine(&SettingsFile::Fm2y),
    integerLine(&SettingsFile::Fm2w),
    integerLine(&SettingsFile::Fm2h),
};

void readLine(SettingsFile &s, const Line &l, std::string_view line)
{
    switch (l.kind) {
    case LineKind::Integer:
        s.*l.integer = TextToInt(fromLine(line));
        break;
    case LineKind::Flag:
        // Setting an option clears the other four; clearing it leaves them alone.
        if (TextToBool(fromLine(line)))
            s.Destination = l.option;
        else if (s.Destination == l.option)
            s.Destination = 0;
        break;
    case LineKind::Folder:
        s.*l.text = decodeFolderText(line);
        break;
    case LineKind::Text:
        s.*l.text = fromLine(line);
        break;
    }
}

std::string writeLine(const SettingsFile &s, const Line &l)
{
    switch (l.kind) {
    case LineKind::Integer:
        return toUtf8(IntToText(s.*l.integer));
    case LineKind::Flag:
        return toUtf8(BoolToText(s.Destination == l.option));
    case LineKind::Folder:
        return encodeFolderText(s.*l.text);
    case LineKind::Text: {
        // A line break inside the text would shift every later line.
        std::string t = toUtf8(s.*l.text);
        std::erase_if(t, [](char c) { return c == '\r' || c == '\n'; });
        return t;
    }
    }
    return {};
}

SettingsFile defaults(const std::u16string &appFolder)
{
    SettingsFile s;
    s.LabelPreFolder = appFolder;
    return s;
}

void raiseColumnWidths(SettingsFile &s)
{
    s.ColWidth0 = std::max(s.ColWidth0, kMinColumnWidth);
    s.ColWidth1 = std::max(s.ColWidth1, kMinColumnWidth);
}

// The first kMaxSettingsBytes of a regular file; nullopt when it cannot be opened.
// A read error ends the bytes where it happened.
std::optional<Bytes> readHead(const std::u16string &path)
{
    std::optional<InputFile> in = InputFile::open(path);
    if (!in)
        return std::nullopt;
    Bytes bytes(static_cast<std::size_t>(std::min<std::uint64_t>(in->size(), kMaxSettingsBytes)));
    bytes.resize(readUpTo(in->fd(), bytes.data(), bytes.size()));
    return bytes;
}

} // namespace

std::string encodeFolderText(std::u16string_view text)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::string utf8 = toUtf8(text);
    std::string out;
    out.reserve(utf8.size() * 2);
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        out += kDigits[c >> 4];
        out += kDigits[c & 0x0F];
    }
    return out;
}

std::u16string decodeFolderText(std::string_view line)
{
    std::string utf8;
    for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
        const int hi = hexDigit(line[i]);
        const int lo = hexDigit(line[i + 1]);
        // A pair that is not hexadecimal reads as a zero byte, which ends the text.
        if (hi < 0 || lo < 0)
            break;
        const char byte = static_cast<char>(hi * 16 + lo);
        if (byte == '\0')
            break;
        utf8 += byte;
    }
    return fromUtf8(utf8);
}

SettingsFile parseDatFile(std::span<const std::uint8_t> bytes, const std::u16string &appFolder)
{
    SettingsFile s = defaults(appFolder);
    const std::vector<std::string_view> lines = splitLines(bytes);
    // Lines the file does not have read as empty lines.
    for (std::size_t i = 0; i < kLines.size(); ++i)
        readLine(s, kLines[i], i < lines.size() ? lines[i] : std::string_view());
    raiseColumnWidths(s);
    return s;
}

SettingsFile OpenDatFile(const std::u16string &path, const std::u16string &appFolder)
{
    if (const std::optional<Bytes> bytes = readHead(path))
        return parseDatFile(*bytes, appFolder);
    SettingsFile s = defaults(appFolder);
    raiseColumnWidths(s);
    return s;
}

Bytes datFileBytes(const SettingsFile &s)
{
    std::string out;
    for (const Line &l : kLines) {
        out += writeLine(s, l);
        out += "\r\n";
    }
    return Bytes(out.begin(), out.end());
}

bool SaveDatFile(const std::u16string &path, const SettingsFile &settings)
{
    return replaceFile(path, datFileBytes(settings));
}

} // namespace pravelot
