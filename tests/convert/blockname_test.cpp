// The block name as the output stores it: the check says what changes, refuses a blank
// name and one the file already uses, and the conversion looks again at what it converts.

#include "convert/blocking.h"
#include "convert/datacheck.h"
#include "convert/runfiles.h"
#include "core/path.h"
#include "jwk/jwkbuilder.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

using namespace pravelot;
using namespace pravelot::test;

namespace {

// A part of one line and a text (whose string form, UTF-16 or code page 932, the output
// keeps); with a definition of the stored name def when it is given.
Bytes part(const std::u16string &def, bool utf16)
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 10, 10));
    TEntJwwMoji t;
    t.str = u"扉";
    addTop(d, t);
    if (!def.empty()) {
        addMember(addDef(d, 0, def), line(0, 0, 1, 1));
        addTop(d, blockRef(0, 0, 0));
        d.MakeBlockTree();
    }
    d.SetFileOutOption(utf16 ? 32 : 0);
    return writeJws(d, {600});
}

struct Host : RunHost {
    std::vector<std::u16string> check, log, findings;
    void appendCheckLine(const std::u16string &l, bool) override { check.push_back(l); }
    void appendLogLine(const std::u16string &l) override { log.push_back(l); }
    void fileFailed(const std::u16string &, const std::u16string &,
                    const ConversionFailure &f) override
    {
        findings.push_back(f.step == ConversionFailure::Step::BlockName ? f.finding : u"?");
    }
    bool escapePressed() override { return false; }
};

} // namespace

TEST(BlockName, CheckedAsTheOutputWillStoreIt)
{
    TempDir tmp;
    writeBytes(tmp.file("ansi.jws"), part(u"", false));
    writeBytes(tmp.file("wide.jws"), part(u"", true));
    writeBytes(tmp.file("q-ansi.jws"), part(u"?@@SfigorgFlag@@4", false));
    writeBytes(tmp.file("q-wide.jws"), part(u"?@@SfigorgFlag@@4", true));
    writeBytes(tmp.file("dos.jwk"), JwkBuilder().line(0, 0, 1, 1).bytes());
    // Cut in the definition's members: read in part, its name kept.
    const Bytes whole = part(u"cut@@SfigorgFlag@@4", false);
    writeBytes(tmp.file("cut.jws"), Bytes(whole.begin(), whole.end() - 50));
    const std::u16string changed = u"】は【", written = u"】として書き込まれます";
    const std::u16string inUse = u"】は既に図形ファイル内で使用済です";
    const std::u16string blank = u"】は空白のため使えません";
    const std::u16string incomplete = u" -- ファイルデータが欠落しています(データ変換は行われます)";
    struct Case {
        const char *what;
        const char *file;
        std::u16string name;
        std::vector<std::u16string> lines; // after the file's path
        bool error, warning;
    } cases[] = {
        {"a name the code page holds", "ansi.jws", u"扉-01", {}, false, false},
        {"a letter code page 932 lacks",
         "ansi.jws",
         u"é",
         {u" ブロック名【é" + changed + u"?" + written},
         false,
         true},
        {"the same in a file of UTF-16 strings", "wide.jws", u"é", {}, false, false},
        {"a character beyond U+FFFF is one ?",
         "ansi.jws",
         u"😀x",
         {u" ブロック名【😀x" + changed + u"?x" + written},
         false,
         true},
        {"control characters and ^m are dropped",
         "ansi.jws",
         u"a\tb^mc",
         {u" ブロック名【a\tb^mc" + changed + u"abc" + written},
         false,
         true},
        {"empty", "ansi.jws", u"", {u" ブロック名【" + blank}, true, false},
        {"spaces only", "wide.jws", u" \u3000", {u" ブロック名【 \u3000" + blank}, true, false},
        {"nothing left once cleaned",
         "ansi.jws",
         u"\t^m",
         {u" ブロック名【\t^m" + blank},
         true,
         false},
        {"stored as a name the file has",
         "q-ansi.jws",
         u"é",
         {u" ブロック名【é" + changed + u"?" + written, u" ブロック名【é" + inUse},
         true,
         true},
        {"kept whole where the file has UTF-16 strings", "q-wide.jws", u"é", {}, false, false},
        {"a .jwk part is written with code page 932",
         "dos.jwk",
         u"é",
         {u" ブロック名【é" + changed + u"?" + written},
         false,
         true},
        {"a file read in part is converted in part: its names count",
         "cut.jws",
         u"cut",
         {incomplete, u" ブロック名【cut" + inUse},
         true,
         true},
    };
    Converter conv;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Host host;
        const std::vector<SourceRow> rows = {{tmp.file(c.file), c.name}};
        const CheckOutcome out = DataCheck(rows, conv, host);
        std::vector<std::u16string> lines;
        for (const std::u16string &l : c.lines)
            lines.push_back(tmp.file(c.file) + l);
        EXPECT_EQ(host.check, lines);
        EXPECT_EQ(out.error, c.error);
        EXPECT_EQ(out.warning, c.warning);
    }
    // A name too long for a file's strings is cut before the marker, in whole
    // characters, to what both string forms hold.
    for (const bool utf16 : {false, true}) {
        EXPECT_TRUE(storedUserName(std::u16string(40000, u'名'), utf16) ==
                    std::u16string((65533 - 16) / 2, u'名'));
        EXPECT_EQ(storedUserName(std::u16string(70000, u'x'), utf16).size(), 65533u - 16);
    }
}

TEST(BlockName, TheOutputHoldsTheNameTheCheckTold)
{
    TempDir tmp;
    Converter conv;
    for (const bool utf16 : {false, true}) {
        const std::u16string src = tmp.file(utf16 ? "wide.jws" : "ansi.jws");
        writeBytes(src, part(u"", utf16));
        const std::u16string dst = tmp.file(utf16 ? "wide-out.jws" : "ansi-out.jws");
        ASSERT_EQ(conv.RunProc1(src, dst, u"é\t1"), kResultDone);
        TJwsData d;
        ASSERT_TRUE(FileIn(d, dst));
        EXPECT_EQ(userBlockName(d.EntBlockDef.back().strName), storedUserName(u"é\t1", utf16));
    }
}

TEST(BlockName, CheckedAgainOnTheBytesConverted)
{
    TempDir tmp;
    const std::u16string src = tmp.file("p.jws");
    writeBytes(src, part(u"", false));
    std::filesystem::create_directory(tmp.path() / "out");
    const std::vector<SourceRow> rows = {{src, u"p"}};
    Converter conv;
    Host host;
    ASSERT_TRUE(DataCheck(rows, conv, host).runMayStart());
    // Replaced after the check by a part that uses the name already.
    writeBytes(src, part(u"p@@SfigorgFlag@@4", false));
    const RunSummary s = runFiles(rows, tmp.folder() + u"out/", conv, host);
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(host.log.back(), u"　…… 変換失敗");
    EXPECT_EQ(host.findings, std::vector<std::u16string>{blockNameInUseText(u"p")});
    EXPECT_TRUE(folderEntryNames(tmp.folder() + u"out/").empty());
    // So it is without any check, and for a blank name.
    EXPECT_EQ(conv.RunProc1(src, tmp.file("out/a.jws"), u"p"), kResultFailed);
    EXPECT_EQ(conv.RunProc1(src, tmp.file("out/b.jws"), u"\t"), kResultFailed);
    EXPECT_TRUE(folderEntryNames(tmp.folder() + u"out/").empty());
}
