#include "convert/settingsfile.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pravelot;
using namespace pravelot::test;

namespace {

const std::u16string kAppFolder = u"/opt/pravelot/";

Bytes bytesOf(const std::string &s) { return Bytes(s.begin(), s.end()); }

// A settings file from its lines, each ended by CR LF.
Bytes file(const std::vector<std::string> &lines)
{
    std::string s;
    for (const std::string &l : lines)
        s += l + "\r\n";
    return bytesOf(s);
}

std::vector<std::string> fullFile()
{
    return {"10",  "20",  "600",      "500",    "0",        "0",   "0",
            "1",   "0",   "2F6F7574", "2F696E", "2F707265", "3",   "Fusion",
            "200", "120", "2F6C6B",   "30",     "40",       "300", "200"};
}

} // namespace

TEST(SettingsFile, DefaultsWithoutAFile)
{
    TempDir tmp;
    const SettingsFile s = OpenDatFile(tmp.file("none.dat"), kAppFolder);
    SettingsFile expected;
    expected.LabelPreFolder = kAppFolder;
    EXPECT_EQ(s, expected);
    EXPECT_EQ(s.Destination, 1);
    EXPECT_EQ(s.gstyle, u"Windows");
    EXPECT_EQ(s.ColWidth0, 256);
    EXPECT_EQ(s.ColWidth1, 96);
    EXPECT_EQ(s.Fm2w, 320);
    // A folder, or a pipe, at the settings path is no settings file.
    std::filesystem::create_directory(tmp.path() / "dir.dat");
    EXPECT_EQ(OpenDatFile(tmp.file("dir.dat"), kAppFolder), expected);
}

TEST(SettingsFile, ReadsEveryLine)
{
    const SettingsFile s = parseDatFile(file(fullFile()), kAppFolder);
    EXPECT_EQ(s.Fm1x, 10);
    EXPECT_EQ(s.Fm1y, 20);
    EXPECT_EQ(s.Fm1w, 600);
    EXPECT_EQ(s.Fm1h, 500);
    EXPECT_EQ(s.Destination, 4);
    EXPECT_EQ(s.EditFl1, u"/out");
    EXPECT_EQ(s.Label1, u"/in");
    EXPECT_EQ(s.LabelPreFolder, u"/pre");
    EXPECT_EQ(s.Fidx, 3);
    EXPECT_EQ(s.gstyle, u"Fusion");
    EXPECT_EQ(s.ColWidth0, 200);
    EXPECT_EQ(s.ColWidth1, 120);
    EXPECT_EQ(s.LookupFolder, u"/lk");
    EXPECT_EQ(s.Fm2x, 30);
    EXPECT_EQ(s.Fm2y, 40);
    EXPECT_EQ(s.Fm2w, 300);
    EXPECT_EQ(s.Fm2h, 200);
}

TEST(SettingsFile, RoundTripThroughAFile)
{
    TempDir tmp;
    SettingsFile s;
    s.Fm1x = -12;
    s.Destination = 5;
    s.EditFl1 = u"/home/ユーザー/出力 フォルダ/";
    s.Label1 = u"";
    s.LabelPreFolder = u"/tmp/a b/";
    s.Fidx = 4;
    s.gstyle = u"Fusion";
    s.ColWidth0 = 300;
    s.LookupFolder = u"/部品/";
    s.Fm2h = 999;
    const std::u16string path = tmp.file("設定 file.dat");
    ASSERT_TRUE(SaveDatFile(path, s));
    EXPECT_EQ(OpenDatFile(path, kAppFolder), s);

    // Exactly 21 lines ended by CR LF, ASCII only.
    const std::vector<std::uint8_t> written = readBytes(path);
    const std::string text(written.begin(), written.end());
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        EXPECT_LT(static_cast<unsigned char>(text[i]), 0x80);
        if (text[i] == '\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(text[i - 1], '\r');
            ++lines;
        }
    }
    EXPECT_EQ(lines, 21u);
    EXPECT_TRUE(text.starts_with("-12\r\n50\r\n480\r\n480\r\n0\r\n0\r\n0\r\n0\r\n1\r\n"));
}

TEST(SettingsFile, ShortAndDamagedFiles)
{
    struct Case {
        const char *name;
        std::string bytes;
        SettingsFile expected;
    };
    auto with = [](auto change) {
        SettingsFile s;
        s.LabelPreFolder = kAppFolder;
        change(s);
        return s;
    };
    // Lines the file lacks read as empty lines: integers 0, flags false, texts empty.
    auto fourLines = [](SettingsFile &s) {
        s.Fm1x = 1;
        s.Fm1y = 2;
        s.Fm1w = 300;
        s.Fm1h = 400;
        s.Destination = 0;
        s.LabelPreFolder.clear();
        s.Fidx = 0;
        s.gstyle.clear();
        s.ColWidth0 = kMinColumnWidth;
        s.ColWidth1 = kMinColumnWidth;
        s.Fm2x = s.Fm2y = s.Fm2w = s.Fm2h = 0;
    };
    const std::vector<Case> cases = {
        {"four lines", "1\r\n2\r\n300\r\n400\r\n", with(fourLines)},
        {"LF only and no last line end", "1\n2\n300\n400", with(fourLines)},
        {"lone CR", "1\r2\r300\r400\r", with(fourLines)},
        {"empty file", "", with([&](SettingsFile &s) {
             fourLines(s);
             s.Fm1x = s.Fm1y = s.Fm1w = s.Fm1h = 0;
         })},
        {"not a number", "x\r\n0x10\r\n12a\r\n4294967296\r\n", with([&](SettingsFile &s) {
             fourLines(s);
             s.Fm1x = 0;
             s.Fm1y = 16;
             s.Fm1w = 0;
             s.Fm1h = 0;
         })},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseDatFile(bytesOf(c.bytes), kAppFolder), c.expected);
    }
}

TEST(SettingsFile, FolderText)
{
    struct Case {
        std::string line;
        std::u16string text;
    };
    const std::vector<Case> cases = {
        {"433A5C", u"C:\\"},
        {"433a5c", u"C:\\"},
        {"43G1", u"C"},   // the invalid pair reads as a zero byte and ends the text
        {"430041", u"C"}, // so does a real zero byte
        {"434", u"C"},    // a last lone digit is ignored
        {"", u""},
        {"E983A8E59381", u"部品"},
        {"FF41", u"\uFFFDA"}, // bytes that are not UTF-8
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(decodeFolderText(c.line), c.text);
    }
    EXPECT_EQ(encodeFolderText(u"C:\\"), "433A5C");
    EXPECT_EQ(encodeFolderText(u"部品"), "E983A8E59381");
    EXPECT_EQ(encodeFolderText(u""), "");
}

TEST(SettingsFile, DestinationFlags)
{
    struct Case {
        std::vector<std::string> flags; // lines 5 to 9
        int destination;
    };
    const std::vector<Case> cases = {
        {{"0", "0", "0", "0", "0"}, 0},
        {{"0", "1", "0", "0", "0"}, 2},
        {{"true", "0", "0", "0", "0"}, 1},
        {{"0", "on", "0", "0", "0"}, 2},
        {{"0", "0", "○", "0", "0"}, 3},
        {{"0", "0", "0", "１", "0"}, 4},
        {{"0", "0", "0", "0", "tru"}, 5},
        {{"0", "0", "0", "0", "yes"}, 0},
        {{"0", "0", "0", "0", " 1"}, 0},
        // Each true flag clears the others; a later false one clears only itself.
        {{"1", "1", "0", "0", "0"}, 2},
        {{"0", "0", "1", "0", "1"}, 5},
    };
    for (const Case &c : cases) {
        std::vector<std::string> lines = fullFile();
        std::copy(c.flags.begin(), c.flags.end(), lines.begin() + 4);
        SCOPED_TRACE(lines[4] + "," + lines[5] + "," + lines[6] + "," + lines[7] + "," + lines[8]);
        EXPECT_EQ(parseDatFile(file(lines), kAppFolder).Destination, c.destination);
    }
}

TEST(SettingsFile, ColumnWidthsNeverBelow32)
{
    for (const char *width : {"5", "0", "-40", "31"}) {
        std::vector<std::string> lines = fullFile();
        lines[14] = width;
        lines[15] = width;
        SCOPED_TRACE(width);
        const SettingsFile s = parseDatFile(file(lines), kAppFolder);
        EXPECT_EQ(s.ColWidth0, 32);
        EXPECT_EQ(s.ColWidth1, 32);
    }
    std::vector<std::string> lines = fullFile();
    lines[14] = "32";
    EXPECT_EQ(parseDatFile(file(lines), kAppFolder).ColWidth0, 32);
}

TEST(SettingsFile, SavingWhereNothingCanBeWritten)
{
    TempDir tmp;
    // A path beneath a regular file cannot be created, not even by root.
    writeBytes(tmp.file("plain"), {'x'});
    EXPECT_FALSE(SaveDatFile(tmp.file("plain/pravelot.dat"), SettingsFile{}));
    EXPECT_EQ(readBytes(tmp.file("plain")), std::vector<std::uint8_t>{'x'});
    // A failed save keeps the previous settings: a folder standing at the path is not
    // replaced, and nothing is left beside it.
    std::filesystem::create_directories(tmp.path() / "taken.dat" / "inside");
    EXPECT_FALSE(SaveDatFile(tmp.file("taken.dat"), SettingsFile{}));
    EXPECT_TRUE(std::filesystem::is_directory(tmp.path() / "taken.dat" / "inside"));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(tmp.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST(SettingsFile, ReadingStopsAtTheSizeLimit)
{
    // A huge first line is cut at the limit; every later line then reads as missing.
    std::string big(kMaxSettingsBytes + 100, '4');
    big += "\r\n1\r\n";
    TempDir tmp;
    const std::u16string path = tmp.file("big.dat");
    writeBytes(path, bytesOf(big));
    const SettingsFile s = OpenDatFile(path, kAppFolder);
    EXPECT_EQ(s.Fm1x, 0);
    EXPECT_EQ(s.Fm1y, 0);
    EXPECT_EQ(s.Destination, 0);
}
