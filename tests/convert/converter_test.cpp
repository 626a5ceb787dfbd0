#include "convert/converter.h"
#include "convert/datacheck.h"
#include "convert/outputname.h"
#include "convert/runfiles.h"
#include "convert/takennames.h"
#include "core/path.h"
#include "jwk/jwkbuilder.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

using namespace pravelot;
using namespace pravelot::test;

namespace {

Bytes smallJws(std::int32_t ver = 600, bool utf16 = false)
{
    TJwsData d = emptyDoc(ver);
    addTop(d, line(0, 0, 10, 10));
    TEntJwwMoji t;
    t.str = u"扉";
    addTop(d, t);
    d.SetFileOutOption(utf16 ? 32 : 0);
    return writeJws(d, {ver});
}

void touch(const std::u16string &path) { writeBytes(path, {}); }

// Collects what the loops report.
struct RecordingHost : RunHost {
    std::vector<std::u16string> check, log;
    int escapeAfter = -1; // answer yes from this question on
    int questions = 0;
    void appendCheckLine(const std::u16string &l, bool) override { check.push_back(l); }
    void appendLogLine(const std::u16string &l) override { log.push_back(l); }
    void fileFailed(const std::u16string &, const std::u16string &,
                    const ConversionFailure &f) override
    {
        failures.push_back(f.step);
    }
    bool escapePressed() override { return escapeAfter >= 0 && questions++ >= escapeAfter; }
    std::vector<ConversionFailure::Step> failures;
};

} // namespace

TEST(OutputName, BranchNumbers)
{
    TempDir tmp;
    const std::u16string out = tmp.folder();
    EXPECT_EQ(outputPathFor(u"/parts/door.jws", out), out + u"door.jws");
    EXPECT_EQ(outputPathFor(u"/parts/Part.JWK", out), out + u"Part.jws");
    EXPECT_EQ(outputPathFor(u"/parts/a.b.jws", out), out + u"a.b.jws");
    EXPECT_EQ(outputPathFor(u"/parts/noext", out), out + u"noext.jws");
    touch(out + u"Part.jws");
    EXPECT_EQ(outputPathFor(u"/x/Part.JWK", out), out + u"Part~1.jws");
    touch(out + u"Part~1.jws");
    EXPECT_EQ(outputPathFor(u"/x/Part.jwk", out), out + u"Part~2.jws");
    // A folder that bears the name cannot be written over either.
    std::filesystem::create_directory(tmp.path() / "dir.jws");
    EXPECT_EQ(outputPathFor(u"/x/dir.jws", out), out + u"dir~1.jws");
    // Beside its source, a .jws source never overwrites itself.
    touch(out + u"self.jws");
    EXPECT_EQ(outputPathFor(out + u"self.jws", std::nullopt), out + u"self~1.jws");
}

TEST(OutputName, NamesThatDifferOnlyInCaseAreTaken)
{
    struct Case {
        const char *what;
        std::vector<std::string> existing;
        std::u16string src;
        std::u16string expected; // the output's name
    } cases[] = {
        {"upper-case extension", {"A.JWS"}, u"/x/A.JWS", u"A~1.jws"},
        {"other case of the name", {"door.jws"}, u"/x/DOOR.jws", u"DOOR~1.jws"},
        {"numbered names too", {"p.jws", "P~1.JWS", "p~2.jws"}, u"/x/P.jwk", u"P~3.jws"},
        {"kana and full-width letters", {"扉Ａ.JWS"}, u"/x/扉ａ.jws", u"扉ａ~1.jws"},
        {"exact name still counts", {"exact.jws"}, u"/x/exact.jws", u"exact~1.jws"},
        {"other names do not count",
         {"door.jws~", "door1.jws", "door~1.jws.bak"},
         u"/x/door.jws",
         u"door.jws"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        for (const std::string &name : c.existing)
            touch(tmp.file(name));
        EXPECT_EQ(outputPathFor(c.src, tmp.folder()), tmp.folder() + c.expected);
    }
    // Beside the source: A.JWS is the output's own name in another case.
    TempDir tmp;
    touch(tmp.file("A.JWS"));
    EXPECT_EQ(outputPathFor(tmp.file("A.JWS"), std::nullopt), tmp.file("A~1.jws"));
}

TEST(OutputName, ARunListsAFolderAgainOnlyWhenSomethingElseChangedIt)
{
    TempDir tmp;
    TakenNames names;
    EXPECT_FALSE(names.taken(tmp.file("a.jws")));
    // The run's own output is taken from then on.
    touch(tmp.file("a.jws"));
    names.placed(tmp.file("a.jws"));
    EXPECT_TRUE(names.taken(tmp.file("A.jws")));
    // Another program's file, a clock tick later, is seen too.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    touch(tmp.file("B.JWS"));
    EXPECT_TRUE(names.taken(tmp.file("b.jws")));
    EXPECT_FALSE(names.taken(tmp.file("c.jws")));
}

TEST(OutputName, AllBranchNumbersTaken)
{
    if (underWine())
        GTEST_SKIP() << "100 000 files in one folder take hours under Wine";
    TempDir tmp;
    for (int n = 0; n <= kMaxBranchNumber; ++n)
        std::ofstream(tmp.path() / (n == 0 ? "full.jws" : "full~" + std::to_string(n) + ".jws"));
    EXPECT_EQ(outputPathFor(u"/x/full.jws", tmp.folder()), std::nullopt);

    Converter conv;
    RecordingHost host;
    const std::vector<SourceRow> rows = {{u"/x/full.jws", u"full"}};
    const RunSummary s = runFiles(rows, tmp.folder(), conv, host);
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(host.log.back(), u"　…… 変換失敗");
    EXPECT_EQ(host.failures, std::vector{ConversionFailure::Step::Name});
}

TEST(Converter, ResultsOfOneFile)
{
    TempDir tmp;
    writeBytes(tmp.file("src.jws"), smallJws());
    writeBytes(tmp.file("other.dxf"), smallJws());
    writeBytes(tmp.file("bad.jws"), {'n', 'o', 't'});
    Converter conv;
    struct Case {
        const char *what;
        std::u16string src, dst;
        std::u16string_view result;
    } cases[] = {
        {"a .jws source", tmp.file("src.jws"), tmp.file("out.jws"), kResultDone},
        {"an empty source path", u"", tmp.file("o1.jws"), kResultFailed},
        {"another kind of file", tmp.file("other.dxf"), tmp.file("o2.jws"), kResultFailed},
        {"not a figure file", tmp.file("bad.jws"), tmp.file("o3.jws"), kResultFailed},
        {"a missing source", tmp.file("gone.jws"), tmp.file("o4.jws"), kResultFailed},
        {"an output that exists", tmp.file("src.jws"), tmp.file("src.jws"), kResultFailed},
        {"a folder that does not exist", tmp.file("src.jws"), tmp.file("no/such/o5.jws"),
         kResultFailed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(conv.RunProc1(c.src, c.dst, u"blk"), c.result);
    }
    // Nothing but the one output was created, and the source is untouched.
    EXPECT_EQ(readBytes(tmp.file("src.jws")), smallJws());
    int files = 0;
    for (const auto &e : std::filesystem::directory_iterator(tmp.path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 4);
    TJwsData out;
    ASSERT_TRUE(FileIn(out, tmp.file("out.jws")));
    EXPECT_EQ(out.EntBlockDef.at(0).strName, u"blk@@SfigorgFlag@@4");
    EXPECT_FALSE(out.MojiEncode);
}

TEST(Converter, StringFormFollowsTheSource)
{
    TempDir tmp;
    Converter conv;
    for (bool utf16 : {false, true}) {
        const std::u16string src = tmp.file(utf16 ? "w.jws" : "a.jws");
        writeBytes(src, smallJws(600, utf16));
        const std::u16string dst = tmp.file(utf16 ? "w-out.jws" : "a-out.jws");
        ASSERT_EQ(conv.RunProc1(src, dst, u"b"), kResultDone);
        TJwsData out;
        ASSERT_TRUE(FileIn(out, dst));
        EXPECT_EQ(out.MojiEncode, utf16);
        EXPECT_EQ(out.EntBlockDef.at(0).mMoji()[0].str, u"扉");
    }
}

TEST(RunFiles, SameNamesFromTwoFoldersAndTheLog)
{
    TempDir tmp;
    const std::u16string a = tmp.file("a/name.jws"), b = tmp.file("b/name.jws");
    writeBytes(a, smallJws());
    writeBytes(b, smallJws());
    std::filesystem::create_directory(tmp.path() / "out");
    const std::u16string out = tmp.folder() + u"out/";
    const std::vector<SourceRow> rows = {{a, u"name"}, {b, u"name"}, {u"", u""}};
    Converter conv;
    RecordingHost host;
    const RunSummary s = runFiles(rows, out, conv, host);
    EXPECT_EQ(s.converted, 2);
    EXPECT_EQ(s.failed, 1);
    const std::vector<std::u16string> expected = {
        a,   u"→ " + out + u"name.jws",   u"　…… 変換完了",
        b,   u"→ " + out + u"name~1.jws", u"　…… 変換完了",
        u"", u"→ " + out + u".jws",       u"　…… 変換失敗",
    };
    EXPECT_EQ(host.log, expected);
}

TEST(RunFiles, OutputsGoIntoTheirFoldersBelowTheDestination)
{
    TempDir tmp;
    const std::u16string a = tmp.file("lib/平面/机.jws");
    writeBytes(a, smallJws());
    writeBytes(tmp.file("out/blocked"), {'x'});
    const std::u16string out = tmp.folder() + u"out/";
    const std::u16string sub = u"lib/平面/";
    const std::vector<SourceRow> rows = {
        {a, u"机", sub}, {a, u"机", sub}, {a, u"机", u""}, {a, u"机", u"blocked/x/"}};
    Converter conv;
    RecordingHost host;
    const RunSummary s = runFiles(rows, out, conv, host);
    EXPECT_EQ(s.converted, 3);
    const std::vector<std::u16string> expected = {
        a, u"→ " + out + sub + u"机.jws",     u"　…… 変換完了",
        a, u"→ " + out + sub + u"机~1.jws",   u"　…… 変換完了",
        a, u"→ " + out + u"机.jws",           u"　…… 変換完了",
        a, u"→ " + out + u"blocked/x/机.jws", u"　…… 変換失敗",
    };
    EXPECT_EQ(host.log, expected);
    // A file where a folder belongs fails that file alone, with the system's reason.
    EXPECT_EQ(host.failures, std::vector{ConversionFailure::Step::Create});
    // Beside their sources, outputs ignore the folder.
    RecordingHost beside;
    const std::vector<SourceRow> one = {{a, u"机", u"elsewhere/"}};
    EXPECT_EQ(runFiles(one, std::nullopt, conv, beside).converted, 1);
    EXPECT_EQ(beside.log.at(1), u"→ " + tmp.file("lib/平面/机~1.jws"));
}

TEST(RunFiles, EscapeBeforeTheFirstFile)
{
    TempDir tmp;
    writeBytes(tmp.file("a.jws"), smallJws());
    const std::vector<SourceRow> rows = {{tmp.file("a.jws"), u"a"}};
    Converter conv;
    RecordingHost host;
    host.escapeAfter = 0;
    const RunSummary s = runFiles(rows, tmp.folder() + u"", conv, host);
    EXPECT_TRUE(s.interrupted);
    EXPECT_EQ(host.log, std::vector<std::u16string>{std::u16string(kEscapeLogLine)});
    EXPECT_FALSE(FileExistsSafe(tmp.file("a~1.jws")));
}

namespace {

// The sources the check is tried on: a clean part, a file that is no figure, a foreign
// extension, a cut one, one whose names are in use, a folder, one already one block and
// one that draws nothing.
void writeCheckSources(const TempDir &tmp)
{
    writeBytes(tmp.file("ok.jws"), smallJws());
    writeBytes(tmp.file("bad.jws"), {'x'});
    writeBytes(tmp.file("draw.dxf"), smallJws());
    Bytes truncated = smallJws();
    truncated.resize(truncated.size() - 10);
    writeBytes(tmp.file("cut.jws"), truncated);
    TJwsData withDef = emptyDoc(600);
    addDef(withDef, 0, u"door@@SfigorgFlag@@4");
    addDef(withDef, 1, u"DOOR@@sfigorgflag@@4");
    addTop(withDef, blockRef(0, 0, 0));
    addTop(withDef, blockRef(1, 0, 0));
    withDef.MakeBlockTree();
    writeBytes(tmp.file("door.jws"), writeJws(withDef, {600}));
    std::filesystem::create_directory(tmp.path() / "folder.jws");
    // Already one block, its definition named after the file, as many parts are.
    TJwsData oneBlock = emptyDoc(600);
    addMember(addDef(oneBlock, 0, u"one@@SfigorgFlag@@4"), line(0, 0, 1, 1));
    addTop(oneBlock, blockRef(0, 0, 0));
    oneBlock.MakeBlockTree();
    writeBytes(tmp.file("one.jws"), writeJws(oneBlock, {600}));
    writeBytes(tmp.file("empty.jws"), writeJws(emptyDoc(600), {600}));
}

} // namespace

TEST(DataCheck, OutcomesAndLines)
{
    TempDir tmp;
    writeCheckSources(tmp);
    const std::u16string alreadyOne = u" -- 既に1つのブロックです(ブロック名は使われません)";

    struct Case {
        const char *what;
        SourceRow row;
        std::u16string line; // empty: no line
        bool error, warning;
    } cases[] = {
        {"clean", {tmp.file("ok.jws"), u"ok"}, u"", false, false},
        {"blank row", {u" \u3000\t", u"x"}, u"", false, false},
        {"bad extension",
         {tmp.file("draw.dxf"), u"d"},
         tmp.file("draw.dxf") + u" -- ファイル拡張子が不正です",
         true,
         false},
        {"missing",
         {tmp.file("gone.jws"), u"g"},
         tmp.file("gone.jws") + u" -- ファイルが存在しません",
         true,
         false},
        {"a folder is no file",
         {tmp.file("folder.jws"), u"f"},
         tmp.file("folder.jws") + u" -- ファイルが存在しません",
         true,
         false},
        {"not a JWS file",
         {tmp.file("bad.jws"), u"b"},
         tmp.file("bad.jws") + u" -- ファイルデータ内容が不正です",
         true,
         false},
        {"incomplete",
         {tmp.file("cut.jws"), u"c"},
         tmp.file("cut.jws") + u" -- ファイルデータが欠落しています(データ変換は行われます)",
         false,
         true},
        {"name in use",
         {tmp.file("door.jws"), u"door"},
         tmp.file("door.jws") + u" ブロック名【door】は既に図形ファイル内で使用済です",
         true,
         false},
        {"marker in lower case",
         {tmp.file("door.jws"), u"DOOR"},
         tmp.file("door.jws") + u" ブロック名【DOOR】は既に図形ファイル内で使用済です",
         true,
         false},
        {"case matters", {tmp.file("door.jws"), u"Door"}, u"", false, false},
        {"already one block of that name",
         {tmp.file("one.jws"), u"one"},
         tmp.file("one.jws") + alreadyOne,
         false,
         true},
        {"already one block, given another name",
         {tmp.file("one.jws"), u"other"},
         tmp.file("one.jws") + alreadyOne,
         false,
         true},
        {"no entities",
         {tmp.file("empty.jws"), u"e"},
         tmp.file("empty.jws") + alreadyOne,
         false,
         true},
    };
    Converter conv;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHost host;
        const std::vector<SourceRow> rows = {c.row};
        const CheckOutcome out = DataCheck(rows, conv, host);
        EXPECT_EQ(out.error, c.error);
        EXPECT_EQ(out.warning, c.warning);
        EXPECT_EQ(out.nameInUse, c.line.find(u"使用済") != std::u16string::npos);
        EXPECT_EQ(host.check, c.line.empty() ? std::vector<std::u16string>{} : std::vector{c.line});
    }
}

TEST(DataCheck, TellsWhichRowsHadErrorsAndWarnings)
{
    TempDir tmp;
    writeCheckSources(tmp);
    const std::vector<SourceRow> rows = {
        {tmp.file("ok.jws"), u"ok"},
        {tmp.file("gone.jws"), u"g"},
        {tmp.file("cut.jws"), u"c"},
        {tmp.file("door.jws"), u"door"},
        {u"", u""},
        {tmp.file("bad.jws"), u"b"},
        {tmp.file("one.jws"), u"one"},
        {tmp.file("draw.dxf"), u"d"},
    };
    Converter conv;
    RecordingHost host;
    const CheckOutcome out = DataCheck(rows, conv, host);
    EXPECT_EQ(out.errorRows, (std::vector<std::size_t>{1, 3, 5, 7}));
    EXPECT_EQ(out.warningRows, (std::vector<std::size_t>{2, 6}));
}

TEST(DataCheck, StatusTextsAndEscape)
{
    TempDir tmp;
    writeBytes(tmp.file("bad.jws"), {'x'});
    Converter conv;
    RecordingHost host;
    const std::vector<SourceRow> ten(10, {tmp.file("bad.jws"), u"b"});
    const CheckOutcome bad = DataCheck(ten, conv, host);
    EXPECT_EQ(checkStatusText(bad, 10), u"エラー発生のため変換は行われません。確認して下さい(10)");
    EXPECT_EQ(checkStatusText(CheckOutcome{}, 3), u"変換チェック完了(3)");
    RecordingHost esc;
    esc.escapeAfter = 0;
    const CheckOutcome stopped = DataCheck(ten, conv, esc);
    EXPECT_TRUE(stopped.interrupted);
    EXPECT_TRUE(esc.check.empty());
    EXPECT_EQ(checkStatusText(stopped, 10), u"変換チェック～変換を中断しました(ESC)");
}

TEST(DataCheck, ListingOfBlockNames)
{
    TempDir tmp;
    TJwsData d = emptyDoc(600);
    addDef(d, 0, u"door@@SfigorgFlag@@4");
    addDef(d, 1, u"window");
    addTop(d, blockRef(0, 0, 0));
    addTop(d, blockRef(1, 0, 0));
    d.MakeBlockTree();
    writeBytes(tmp.file("p.jws"), writeJws(d, {600}));
    Converter conv;
    RecordingHost host;
    const std::vector<SourceRow> rows = {{u"/elsewhere/x.jws", u"window"}};
    Data1Check(tmp.file("p.jws"), rows, conv, host);
    Data1Check(tmp.file("p.txt"), rows, conv, host);
    const std::vector<std::u16string> expected = {
        u"ファイル名：" + tmp.file("p.jws"),
        u"　ブロック図形定義数：2",
        u"　ブロック名：door",
        u"◆ブロック名：window",
        u"ファイル名：" + tmp.file("p.txt"),
        u"　ファイル拡張子が不正です(※JWK/JWSのみ対応)",
    };
    EXPECT_EQ(host.check, expected);
}

// The check, the listing and `info` find a file's problems in one place, and tell them
// in the same words.
TEST(DataCheck, InspectionOfAFigureFile)
{
    TempDir tmp;
    writeBytes(tmp.file("ok.jws"), smallJws());
    Bytes truncated = smallJws();
    truncated.resize(truncated.size() - 10);
    writeBytes(tmp.file("cut.jws"), truncated);
    writeBytes(tmp.file("bad.jws"), {'x'});
    writeBytes(tmp.file("draw.dxf"), smallJws());
    std::filesystem::create_directory(tmp.path() / "folder.jws");
    writeBytes(tmp.file("ok.JWK"), test::JwkBuilder().line(0, 0, 1, 1).line(2, 2, 3, 3).bytes());
    Bytes cut = test::JwkBuilder().line(0, 0, 1, 1).line(2, 2, 3, 3).bytes();
    cut.resize(cut.size() - 22);
    writeBytes(tmp.file("cut.jwk"), cut);
    writeBytes(tmp.file("bad.jwk"), smallJws());

    using P = FigureProblem;
    struct Case {
        const char *file;
        FigureProblem problem;
        std::u16string text;
        bool jwk;
        std::int64_t lines, texts; // as read; -1: nothing read
    } cases[] = {
        {"ok.jws", P::None, u"", false, 1, 1},
        {"cut.jws", P::Incomplete, u"ファイルデータが欠落しています(データ変換は行われます)", false,
         1, 0},
        {"bad.jws", P::NotFigure, u"ファイルデータ内容が不正です", false, -1, -1},
        {"draw.dxf", P::BadExtension, u"ファイル拡張子が不正です(※JWK/JWSのみ対応)", false, -1, -1},
        {"gone.jws", P::Missing, u"ファイルが存在しません", false, -1, -1},
        {"folder.jws", P::Missing, u"ファイルが存在しません", false, -1, -1},
        {"ok.JWK", P::None, u"", true, 2, 0},
        {"cut.jwk", P::Incomplete, u"ファイルデータが欠落しています(データ変換は行われます)", true,
         1, 0},
        {"bad.jwk", P::NotFigure, u"ファイルデータ内容が不正です", true, -1, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const std::u16string file = tmp.file(c.file);
        const FigureInspection i = inspectFigure(file);
        EXPECT_EQ(i.problem, c.problem);
        EXPECT_EQ(figureProblemText(i.problem), c.text);
        const bool read = c.lines >= 0;
        // What can be told before reading is told the same way by the check.
        const bool beforeReading = c.problem == P::BadExtension || c.problem == P::Missing;
        EXPECT_EQ(precheckFigure(file), beforeReading ? c.problem : P::None);
        EXPECT_EQ(i.detail.empty(), c.problem != P::Incomplete);
        if (!read) {
            EXPECT_TRUE(i.counts.empty());
            EXPECT_EQ(i.jws, nullptr);
            continue;
        }
        EXPECT_EQ(i.jwk, c.jwk);
        EXPECT_EQ(i.jws == nullptr, c.jwk);
        ASSERT_EQ(i.counts.size(), c.jwk ? 4u : 7u);
        EXPECT_EQ(i.counts[0].kind, EntityCount::Kind::Lines);
        EXPECT_EQ(i.counts[0].n, c.lines);
        EXPECT_EQ(i.counts[3].kind, EntityCount::Kind::Texts);
        EXPECT_EQ(i.counts[3].n, c.texts);
        if (!c.jwk) {
            EXPECT_EQ(i.version, 600);
            EXPECT_EQ(i.counts[6].kind, EntityCount::Kind::BlockReferences);
        }
    }
    // A .jws file's extents are its entities' own.
    const FigureInspection ok = inspectFigure(tmp.file("ok.jws"));
    EXPECT_EQ(ok.minX, 0);
    EXPECT_EQ(ok.maxX, 10);
    EXPECT_EQ(ok.maxY, 10);
    EXPECT_EQ(figureProblemText(P::None), u"");
}

TEST(DataCheck, MembersOfADefinitionAreCountedOverEveryKind)
{
    TJwsData d = emptyDoc(600);
    TEntJwwBlockDef &def = addDef(d, 0, u"d");
    EXPECT_EQ(countMembers(def), 0);
    addMember(def, line(0, 0, 1, 1));
    addMember(def, line(0, 0, 2, 2));
    addMember(def, blockRef(1, 0, 0));
    EXPECT_EQ(countMembers(def), 3);
}

TEST(Converter, ACheckedFileChangedBeforeTheRunIsReadAgain)
{
    TempDir tmp;
    const std::u16string src = tmp.file("p.jws");
    writeBytes(src, smallJws());
    Converter conv;
    RecordingHost host;
    const std::vector<SourceRow> rows = {{src, u"p"}};
    ASSERT_TRUE(DataCheck(rows, conv, host).runMayStart());
    TJwsData changed = emptyDoc(600);
    addTop(changed, line(0, 0, 1, 1));
    addTop(changed, line(0, 0, 2, 2));
    addTop(changed, line(0, 0, 3, 3));
    writeBytes(src, writeJws(changed, {600}));
    ASSERT_EQ(conv.RunProc1(src, tmp.file("out.jws"), u"p"), kResultDone);
    TJwsData out;
    ASSERT_TRUE(FileIn(out, tmp.file("out.jws")));
    EXPECT_EQ(out.EntBlockDef.at(0).mLineN(), 3);
}

TEST(Converter, JwkSourcesBecomeVersion420WithAnsiStrings)
{
    TempDir tmp;
    const std::u16string src = tmp.file("Part.JWK");
    writeBytes(src, test::JwkBuilder()
                        .line(0, 0, 1000, 2000, 1, 1, 0x2A, 0, 0x40)
                        .arc(0, 0, 500, 0, 90)
                        .moji(0, 0, 100, 0, "\x8e\xe8\x82\xb7\x82\xe8") // 手すり
                        .ten(10, 10)
                        .scale("100")
                        .bytes());
    touch(tmp.file("Part.jws"));
    const std::optional<std::u16string> dst = outputPathFor(src, tmp.folder());
    ASSERT_EQ(dst, tmp.file("Part~1.jws"));
    Converter conv;
    ASSERT_EQ(conv.RunProc1(src, *dst, u"rail"), kResultDone);
    TJwsData out;
    ASSERT_TRUE(FileIn(out, *dst));
    EXPECT_EQ(out.Enthd.jwVer, 420);
    EXPECT_FALSE(out.MojiEncode);
    ASSERT_EQ(out.EntBlockDefN(), 1);
    const TEntJwwBlockDef &def = out.EntBlockDef[0];
    EXPECT_EQ(def.strName, u"rail@@SfigorgFlag@@4");
    ASSERT_EQ(def.mLineN(), 1);
    EXPECT_EQ(def.mLine()[0].end_x, 10);
    EXPECT_EQ(def.mLine()[0].end_y, 20);
    EXPECT_EQ(def.mLine()[0].att.nLayer, 10);
    EXPECT_EQ(def.mLine()[0].att.lGroup, 1u);
    EXPECT_EQ(def.mMoji()[0].str, u"手すり");
    EXPECT_EQ(def.mNo().size(), 4u);
    EXPECT_EQ(out.EntLgrp.at(3).adScale, 100);

    // The curve-group counter goes on from one file to the next.
    const std::u16string second = tmp.file("second.jwk");
    writeBytes(second, test::JwkBuilder().line(0, 0, 1, 1, 1, 1, 0, 0, 0x40).bytes());
    ASSERT_EQ(conv.RunProc1(second, tmp.file("second.jws"), u"s"), kResultDone);
    TJwsData out2;
    ASSERT_TRUE(FileIn(out2, tmp.file("second.jws")));
    EXPECT_EQ(out2.EntBlockDef.at(0).mLine()[0].att.lGroup, 2u);
}

TEST(DataCheck, JwkSources)
{
    TempDir tmp;
    writeBytes(tmp.file("ok.jwk"), test::JwkBuilder().line(0, 0, 1, 1).bytes());
    Bytes cut = test::JwkBuilder().line(0, 0, 1, 1).line(2, 2, 3, 3).bytes();
    cut.resize(cut.size() - 22);
    writeBytes(tmp.file("cut.jwk"), cut);
    writeBytes(tmp.file("bad.jwk"), smallJws());
    Converter conv;
    struct Case {
        const char *what;
        std::u16string file, line, listing;
        bool error, warning;
    } cases[] = {
        {"complete", tmp.file("ok.jwk"), u"", u"　JWKファイルにブロック図形は存在しません", false,
         false},
        {"incomplete", tmp.file("cut.jwk"),
         u" -- ファイルデータが欠落しています(データ変換は行われます)",
         u"　ファイルデータが欠落しています(データ変換は行われます)", false, true},
        {"not a JWK file", tmp.file("bad.jwk"), u" -- ファイルデータ内容が不正です",
         u"　ファイルデータ内容が不正です", true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        RecordingHost host;
        const std::vector<SourceRow> rows = {{c.file, u"x"}};
        const CheckOutcome out = DataCheck(rows, conv, host);
        EXPECT_EQ(out.error, c.error);
        EXPECT_EQ(out.warning, c.warning);
        EXPECT_EQ(out.nameInUse, c.line.find(u"使用済") != std::u16string::npos);
        EXPECT_EQ(host.check,
                  c.line.empty() ? std::vector<std::u16string>{} : std::vector{c.file + c.line});
        RecordingHost listing;
        Data1Check(c.file, rows, conv, listing);
        EXPECT_EQ(listing.check,
                  (std::vector<std::u16string>{u"ファイル名：" + c.file, c.listing}));
    }
    // A truncated file still converts: what was read is written.
    EXPECT_EQ(conv.RunProc1(tmp.file("cut.jwk"), tmp.file("cut.jws"), u"c"), kResultDone);
}
