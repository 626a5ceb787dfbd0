// File names by the rules of the system the program runs on, and the file-system helpers.

#include "core/file.h"
#include "core/numeric.h"
#include "core/path.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cstring>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace pravelot;
using namespace pravelot::test;

TEST(Path, NamesByTheSystemsRules)
{
    struct Case {
        std::u16string path, name, ext, noExt, withDelim;
    } cases[] = {
#ifdef _WIN32
        // Drive letters, "\" and "/" as separators, ":" ending a drive.
        {u"C:\\a\\b.jws", u"b.jws", u".jws", u"C:\\a\\b", u"C:\\a\\b.jws\\"},
        {u"C:b.jws", u"b.jws", u".jws", u"C:b", u"C:b.jws\\"},
        {u"C:\\a\\B.JWK", u"B.JWK", u".jwk", u"C:\\a\\B", u"C:\\a\\B.JWK\\"},
        {u"C:\\dir.old\\file", u"file", u"", u"C:\\dir.old\\file", u"C:\\dir.old\\file\\"},
        {u"C:/dir.old/file", u"file", u"", u"C:/dir.old/file", u"C:/dir.old/file\\"},
        {u"C:\\out\\", u"", u"", u"C:\\out\\", u"C:\\out\\"},
        {u"C:/out/", u"", u"", u"C:/out/", u"C:/out/"},
        {u"\\\\server\\share\\a.b.jws", u"a.b.jws", u".jws", u"\\\\server\\share\\a.b",
         u"\\\\server\\share\\a.b.jws\\"},
        {u"a|b.jws", u"", u".jws", u"a|b", u"a|b.jws\\"}, // never valid in a path
#else
        // "/" alone separates; "\" and ":" are ordinary name characters.
        {u"/a/b.jws", u"b.jws", u".jws", u"/a/b", u"/a/b.jws/"},
        {u"C:b.jws", u"C:b.jws", u".jws", u"C:b", u"C:b.jws/"},
        {u"/a/B.JWK", u"B.JWK", u".jwk", u"/a/B", u"/a/B.JWK/"},
        {u"/dir.old/file", u"file", u"", u"/dir.old/file", u"/dir.old/file/"},
        {u"/x/a\\b.jws", u"a\\b.jws", u".jws", u"/x/a\\b", u"/x/a\\b.jws/"},
        {u"/out/", u"", u"", u"/out/", u"/out/"},
#endif
        {u"a.b.jws", u"a.b.jws", u".jws", u"a.b", std::u16string(u"a.b.jws") + kPathDelim},
        {u"name.", u"name.", u".", u"name", std::u16string(u"name.") + kPathDelim},
        {u"a.jws ", u"a.jws ", u".jws ", u"a", std::u16string(u"a.jws ") + kPathDelim},
        {u"", u"", u"", u"", std::u16string(1, kPathDelim)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(toUtf8(c.path));
        EXPECT_EQ(FileNameOf(c.path), c.name);
        EXPECT_EQ(FileExtLower(c.path), c.ext);
        EXPECT_EQ(ChangeExtSafe(c.path, u""), c.noExt);
        EXPECT_EQ(ChangeExtSafe(c.path, u".jws"), c.noExt + u".jws");
        EXPECT_EQ(AddPathDelim(c.path), c.withDelim);
    }
}

#ifndef _WIN32
TEST(Path, NamesAreTakenAsTheBytesTheyAre)
{
    struct Case {
        const char *what;
        std::string bytes;
        std::u16string text; // as the program holds it
        std::string printed; // as messages show it
    } cases[] = {
        {"UTF-8", "部品/扉.jws", u"部品/扉.jws", "部品/扉.jws"},
        {"beyond U+FFFF", "\xf0\x9f\x9a\xaa", u"\U0001F6AA", "\xf0\x9f\x9a\xaa"},
        {"Shift_JIS", "\x95\x94\x95i.jws", u"\xDC95\xDC94\xDC95i.jws", "\\x95\\x94\\x95i.jws"},
        {"Latin-1", "caf\xe9", u"caf\xDCE9", "caf\\xe9"},
        {"a sequence cut short",
         "\xe6\x89"
         "a",
         u"\xDCE6\xDC89"
         u"a",
         "\\xe6\\x89a"},
        {"an overlong form", "\xc0\xaf", u"\xDCC0\xDCAF", "\\xc0\\xaf"},
        {"an encoded surrogate", "\xed\xb2\x80", u"\xDCED\xDCB2\xDC80", "\\xed\\xb2\\x80"},
        {"a byte after a character beyond U+FFFF", "\xf0\x9f\x9a\xaa\x80", u"\U0001F6AA\xDC80",
         "\xf0\x9f\x9a\xaa\\x80"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fromNativePath(c.bytes), c.text);
        EXPECT_EQ(nativePath(c.text), c.bytes);
        EXPECT_EQ(printableUtf8(c.text), c.printed);
    }
    // A block name proposed from such a name reads its bytes as code page 932 when they
    // read so exactly.
    EXPECT_EQ(nameAsText(fromNativePath("\x95\x94\x95i")), u"部品");
    EXPECT_EQ(nameAsText(fromNativePath("caf\xe9")), fromNativePath("caf\xe9"));
    EXPECT_EQ(nameAsText(fromNativePath("扉\x95\x94")), fromNativePath("扉\x95\x94"));
    EXPECT_EQ(nameAsText(u"door"), u"door");

    // A lone surrogate that no name gives is written as U+FFFD.
    EXPECT_EQ(nativePath(u"a\xD800"
                         u"b"),
              "a\xef\xbf\xbd"
              "b");
    EXPECT_EQ(printableUtf8(u"a\xD800"
                            u"b"),
              "a\xef\xbf\xbd"
              "b");

    // Such a name can be listed, created, read and removed.
    TempDir tmp;
    const std::u16string name = fromNativePath("\x95\x94\x95i.jws");
    writeBytes(tmp.folder() + name, {1, 2});
    EXPECT_TRUE(std::filesystem::is_regular_file(tmp.path() / "\x95\x94\x95i.jws"));
    EXPECT_EQ(folderEntryNames(tmp.folder()), std::vector<std::u16string>{name});
    EXPECT_EQ(readBytes(tmp.folder() + name), (Bytes{1, 2}));
    EXPECT_TRUE(FileDeleteSafe(tmp.folder() + name));
}
#endif

#ifndef _WIN32
TEST(Path, WhatStandsAtANameIsToldBeforeItIsOpened)
{
    TempDir tmp;
    const std::string dir = tmp.path().string();
    writeBytes(tmp.file("file.jws"), {1});
    std::filesystem::create_directory(tmp.path() / "folder.jws");
    ASSERT_EQ(::mkfifo((dir + "/fifo.jws").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/null", tmp.path() / "device.jws");
    std::filesystem::create_symlink(tmp.path() / "gone.jws", tmp.path() / "dangling.jws");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string sockPath = dir + "/socket.jws";
    ASSERT_LT(sockPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, sockPath.c_str(), sockPath.size() + 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    struct Case {
        const char *name;
        std::error_code error;
    } cases[] = {
        {"file.jws", {}},
        {"folder.jws", std::make_error_code(std::errc::is_a_directory)},
        {"fifo.jws", FileKindError::NamedPipe},
        {"socket.jws", FileKindError::Socket},
        {"device.jws", FileKindError::Device},
        {"gone.jws", std::make_error_code(std::errc::no_such_file_or_directory)},
        {"dangling.jws", std::make_error_code(std::errc::no_such_file_or_directory)},
        {"file.jws/x.jws", std::make_error_code(std::errc::not_a_directory)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checkRegularFile(tmp.file(c.name)), c.error);
        // Opening says the same, and a pipe nobody writes to does not make it wait.
        std::error_code opened;
        EXPECT_EQ(InputFile::open(tmp.file(c.name), opened).has_value(), !c.error);
        EXPECT_EQ(opened, c.error);
    }
    ::close(sock);
}
#endif

TEST(Path, ABranchNumberFitsANameAtItsLimit)
{
    // Limits as the system counts them: bytes on POSIX systems, UTF-16 units on Windows.
#ifdef _WIN32
    const std::size_t kanjiUnits = 1, pairUnits = 2;
#else
    const std::size_t kanjiUnits = 3, pairUnits = 4;
#endif
    const std::u16string kanji(83, u'部');
    const std::u16string a251(251, u'a');
    struct Case {
        const char *what;
        std::u16string stem;
        int n;
        std::size_t limit;
        std::u16string expectedStem;
    } cases[] = {
        {"short names keep their stem", u"Door", 7, 255, u"Door"},
        {"a stem at the limit loses what the number needs", a251, 1, 255, a251.substr(0, 249)},
        {"and more for more digits", a251, 10, 255, a251.substr(0, 248)},
        {"whole characters only", u"a" + kanji + u"b", 1, 6 + 1 + 83 * kanjiUnits - 1,
         u"a" + kanji.substr(0, 82)},
        {"a surrogate pair goes whole", u"x\U0001F6AA\U0001F6AA", 1, 6 + 1 + 2 * pairUnits - 1,
         u"x\U0001F6AA"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string folder = std::u16string(u"dir") + kPathDelim;
        const std::u16string got = withBranchNumber(folder + c.stem + u".JWK", c.n, c.limit);
        EXPECT_EQ(got, folder + c.expectedStem + u"~" + IntToText(c.n) + u".jwk");
        EXPECT_LE(nativeNameLength(FileNameOf(got)), c.limit);
    }
}

TEST(Path, FileSystemHelpers)
{
    TempDir tmp;
    const std::u16string file = tmp.file("部品 A.jws");
    writeBytes(file, {1, 2, 3});
    // Folders made with their parents, far beyond the 260 characters of old Windows paths.
    std::u16string deep = tmp.folder();
    for (int i = 0; i < 8; ++i)
        deep += std::u16string(40, static_cast<char16_t>(u'あ' + i)) + kPathDelim;
    ASSERT_TRUE(DirCreateSafe(deep));
    ASSERT_GT(deep.size(), 300u);
    EXPECT_TRUE(folderExistsSafe(deep));
    EXPECT_TRUE(DirCreateSafe(deep)); // it stands there already

    EXPECT_TRUE(FileExistsSafe(file));
    EXPECT_TRUE(regularFileExistsSafe(file));
    EXPECT_TRUE(pathTakenSafe(file));
    EXPECT_FALSE(FileExistsSafe(tmp.folder()));
    EXPECT_TRUE(pathTakenSafe(tmp.folder()));
    EXPECT_FALSE(FileExistsSafe(tmp.file("none.jws")));
    EXPECT_FALSE(pathTakenSafe(tmp.file("none.jws")));
    EXPECT_FALSE(FileExistsSafe(u""));

    // A new file in the deep folder; never over one that stands there.
    const std::u16string out = deep + u"出力.jws";
    const auto write = [](std::uint8_t b) {
        return [b](ByteWriter &w) {
            w.u8(b);
            return true;
        };
    };
    ASSERT_TRUE(writeNewFile(out, write(7)));
    EXPECT_FALSE(writeNewFile(out, write(8)));
    EXPECT_EQ(readBytes(out), (Bytes{7}));
    ASSERT_TRUE(replaceFile(out, Bytes{9}));
    EXPECT_EQ(readBytes(out), (Bytes{9}));

    // Only an empty folder goes.
    EXPECT_FALSE(DirRemoveSafe(deep));
    EXPECT_TRUE(folderExistsSafe(deep));
    ASSERT_TRUE(FileDeleteSafe(out));
    EXPECT_FALSE(FileDeleteSafe(out));
    EXPECT_TRUE(DirRemoveSafe(deep));
    EXPECT_FALSE(folderExistsSafe(deep));
}

#ifdef _WIN32
TEST(Path, WindowsComparesNamesWithoutCase)
{
    TempDir tmp;
    writeBytes(tmp.file("Door.jws"), {1});
    EXPECT_TRUE(pathTakenSafe(tmp.file("DOOR.JWS")));
    EXPECT_FALSE(writeNewFile(tmp.file("door.jws"), [](ByteWriter &w) {
        w.u8(2);
        return true;
    }));
    EXPECT_EQ(readBytes(tmp.file("Door.jws")), (Bytes{1}));
    // A reserved device name is neither a file nor a place for one.
    EXPECT_FALSE(regularFileExistsSafe(tmp.file("CON.jws")));
    EXPECT_FALSE(InputFile::open(tmp.file("nul.jws")));
    EXPECT_EQ(checkRegularFile(tmp.file("CON.jws")), FileKindError::ReservedName);
    EXPECT_EQ(checkRegularFile(u"\\\\.\\NUL"), FileKindError::Device);
}
#endif
