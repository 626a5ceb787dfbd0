// File names as a POSIX system has them: any bytes, not only UTF-8. convert, info and
// render take a name as the bytes it is, write outputs under the same bytes, and show
// it readably (valid UTF-8 on the terminal and in JSON).

#ifndef _WIN32

#include "convert/blocking.h"
#include "core/path.h"
#include "jws/jwsreader.h"
#include "support/cliprocess.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {

void writeSmallJws(const std::string &path)
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 10, 5));
    writeBytes(fromNativePath(path), writeJws(d, {600}));
}

// s as it stands inside a JSON string (the names here need only "\" escaped).
std::string inJson(const std::string &s)
{
    std::string out;
    for (char c : s)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

} // namespace

TEST(FileNames, AnyBytesConvertInspectAndRender)
{
    struct Case {
        const char *what;
        std::string name;  // the file's name without its extension, as bytes
        std::string shown; // how messages and logs show it
        // The block name proposed from it, as the output stores it ("" for one that code
        // page 932 cannot hold: the check warns).
        std::u16string block;
    } cases[] = {
        {"Shift_JIS, as an unzip leaves it", "\x95\x94\x95i", "\\x95\\x94\\x95i", u"部品"},
        {"Latin-1", "caf\xe9", "caf\\xe9", u""},
        {"Japanese in UTF-8", "部品", "部品", u"部品"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        const std::string dir = tmp.path().string();
        std::filesystem::create_directory(tmp.path() / "out");
        const std::string src = dir + "/" + c.name + ".jws";
        const std::string shownSrc = dir + "/" + c.shown + ".jws";
        writeSmallJws(src);

        // Converted twice: the second output takes a branch number, both under the bytes
        // of the source's name.
        for (const std::string suffix : {"", "~1"}) {
            const ProcessResult r = runCliProcess(tmp.path(), {"convert", "-o", dir + "/out", src});
            EXPECT_EQ(r.status, 0) << r.err;
            const std::string warned = c.block.empty() ? "1" : "0";
            std::string log = shownSrc;
            log += "\n→ " + dir;
            log += "/out/" + c.shown;
            log += suffix;
            log += ".jws\n　…… 変換完了\nconverted 1, failed 0, skipped 0, warned ";
            log += warned + "\n";
            EXPECT_EQ(r.out, log);
            std::string written = dir;
            written += "/out/" + c.name;
            written += suffix;
            written += ".jws";
            const JwsReading out = readJwsFile(fromNativePath(written));
            EXPECT_EQ(out.status, JwsReadStatus::Complete);
            if (!c.block.empty()) {
                EXPECT_EQ(userBlockName(out.doc.EntBlockDef.at(0).strName), c.block);
            }
        }

        const ProcessResult info = runCliProcess(tmp.path(), {"info", "--json", src});
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_TRUE(isValidUtf8(info.out));
        EXPECT_NE(info.out.find("{\"file\":\"" + inJson(shownSrc) + "\",\"kind\":\"jws\""),
                  std::string::npos)
            << info.out;

        const ProcessResult render =
            runCliProcess(tmp.path(), {"render", src, "-o", dir + "/" + c.name + ".svg"});
        EXPECT_EQ(render.status, 0) << render.err;
        EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/" + c.name + ".svg"));

        // A missing file of such a name is told in valid UTF-8 too.
        const std::string gone = dir + "/" + c.name + "-gone.jws";
        const ProcessResult missing = runCliProcess(tmp.path(), {"info", gone});
        EXPECT_EQ(missing.status, 1);
        EXPECT_TRUE(isValidUtf8(missing.err));
        EXPECT_NE(missing.err.find(dir + "/" + c.shown + "-gone.jws -- "), std::string::npos)
            << missing.err;
    }
}

#endif
