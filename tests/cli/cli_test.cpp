// pravelot-cli convert: checks, the run log, exit statuses.

#include "cli/commands.h"
#include "core/path.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pravelot;
using namespace pravelot::test;

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result convert(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int status = runConvert(args, out, err);
    return {status, out.str(), err.str()};
}

void writeJws(const std::u16string &path, const std::u16string &defName = u"")
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 1, 1));
    if (!defName.empty()) {
        addDef(d, 0, defName);
        addTop(d, blockRef(0, 0, 0));
        d.MakeBlockTree();
    }
    writeBytes(path, d.FileOutBytes(600));
}

} // namespace

TEST(Cli, ConvertsIntoAFolderAndLogs)
{
    TempDir tmp;
    const std::string a = tmp.path() / "図面 a.jws";
    writeJws(FromUtf8(a));
    std::filesystem::create_directory(tmp.path() / "out");
    const std::string out = (tmp.path() / "out").string();
    const Result r = convert({"-o", out, a, a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, a + "\n→ " + out + "/図面 a.jws\n　…… 変換完了\n" + a + "\n→ " + out +
                         "/図面 a~1.jws\n　…… 変換完了\n");
    TJwsData d;
    ASSERT_TRUE(d.FileIn(FromUtf8(out + "/図面 a.jws")));
    EXPECT_EQ(d.EntBlockDef.at(0).strName, u"図面 a@@SfigorgFlag@@4");
}

TEST(Cli, BesideAndOneNameForAll)
{
    TempDir tmp;
    const std::string a = tmp.path() / "p.jws";
    writeJws(FromUtf8(a));
    const Result r = convert({"--beside", "-n", "BLK", a});
    EXPECT_EQ(r.status, 0) << r.err;
    TJwsData d;
    ASSERT_TRUE(d.FileIn(FromUtf8((tmp.path() / "p~1.jws").string())));
    EXPECT_EQ(d.EntBlockDef.at(0).strName, u"BLK@@SfigorgFlag@@4");
}

TEST(Cli, CheckErrorsStopEverything)
{
    TempDir tmp;
    const std::string good = tmp.path() / "good.jws";
    const std::string used = tmp.path() / "used.jws";
    const std::string txt = tmp.path() / "notes.txt";
    writeJws(FromUtf8(good));
    writeJws(FromUtf8(used), u"used@@SfigorgFlag@@4");
    writeBytes(FromUtf8(txt), {'x'});
    const Result r = convert({"-o", tmp.path().string(), good, used, txt});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(used + " ブロック名【used】は既に図形ファイル内で使用済です"),
              std::string::npos);
    EXPECT_NE(r.err.find(txt + " -- ファイル拡張子が不正です"), std::string::npos);
    EXPECT_FALSE(FileExistsSafe(FromUtf8((tmp.path() / "good~1.jws").string())));
}

TEST(Cli, WarningsLetTheRunGoOn)
{
    TempDir tmp;
    const std::string cut = tmp.path() / "cut.jws";
    writeJws(FromUtf8(cut));
    Bytes b = readBytes(FromUtf8(cut));
    b.resize(b.size() - 1);
    writeBytes(FromUtf8(cut), b);
    const Result r = convert({"--beside", "--verbose", cut});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("ファイルデータが欠落しています"), std::string::npos);
    EXPECT_NE(r.out.find("変換完了"), std::string::npos);
}

TEST(Cli, UsageErrors)
{
    TempDir tmp;
    struct Case {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{}, 2},
        {{"-o"}, 2},
        {{"--beside", "-o", "x", "a.jws"}, 2},
        {{"--frobnicate", "a.jws"}, 2},
        {{"-o", (tmp.path() / "missing").string(), "a.jws"}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.size());
        EXPECT_EQ(convert(c.args).status, c.status);
    }
}

TEST(Cli, InfoInBothForms)
{
    TempDir tmp;
    const std::string a = tmp.path() / "p.jws";
    writeJws(FromUtf8(a), u"door@@SfigorgFlag@@4");
    std::ostringstream out, err;
    ASSERT_EQ(runInfo({a}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("種類: JWS (バージョン 600)"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("door  番号 0  要素 0  参照あり"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("範囲: (0, 0) - (1, 1)"), std::string::npos) << out.str();

    // Files that cannot be shown are in the list too, in order, with their error.
    const std::string none = (tmp.path() / "none.jws").string();
    const std::string txt = (tmp.path() / "notes.txt").string();
    const std::string bad = (tmp.path() / "bad.jwk").string();
    writeBytes(FromUtf8(bad), {'x'});
    std::ostringstream json, err2;
    ASSERT_EQ(runInfo({"--json", none, a, txt, bad}, json, err2), 1);
    EXPECT_EQ(
        json.str(),
        "[{\"file\":\"" + none +
            "\",\"error\":\"missing\",\"message\":\"ファイルが存在しません\"},\n"
            "{\"file\":\"" +
            a +
            "\",\"kind\":\"jws\",\"version\":600,\"complete\":true,\"basePoint\":[0,0],"
            "\"counts\":{\"lines\":1,\"arcs\":0,\"points\":0,\"texts\":0,\"dimensions\":0,"
            "\"solids\":0,\"blockReferences\":1},\"blocks\":[{\"name\":\"door\",\"number\":0,"
            "\"members\":0,\"referenced\":true}],\"extents\":[0,0,1,1]},\n"
            "{\"file\":\"" +
            txt +
            "\",\"error\":\"bad-extension\",\"message\":\"ファイル拡張子が不正です(※JWK/"
            "JWSのみ対応)\"},\n"
            "{\"file\":\"" +
            bad +
            "\",\"error\":\"not-a-figure-file\",\"message\":\"ファイルデータ内容が不正です\"}]\n");
    EXPECT_NE(err2.str().find(none + " -- ファイルが存在しません"), std::string::npos);

    // Only unreadable files: still a list, and the failure in the exit status.
    std::ostringstream onlyBad, err3;
    EXPECT_EQ(runInfo({"--json", none}, onlyBad, err3), 1);
    EXPECT_EQ(onlyBad.str(),
              "[{\"file\":\"" + none +
                  "\",\"error\":\"missing\",\"message\":\"ファイルが存在しません\"}]\n");
}

TEST(Cli, APartThatIsAlreadyOneBlockIsWrittenAsItIs)
{
    TempDir tmp;
    const std::string part = tmp.path() / "扉.jws";
    TJwsData d = emptyDoc(600);
    addMember(addDef(d, 0, u"扉@@SfigorgFlag@@4"), line(0, 0, 1, 1));
    addTop(d, blockRef(0, 0, 0));
    d.MakeBlockTree();
    writeBytes(FromUtf8(part), d.FileOutBytes(600));
    for (const char *name : {"扉", "別名"}) {
        SCOPED_TRACE(name);
        const Result r = convert({"--beside", "-n", name, part});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find(part + " -- 既に1つのブロックです(ブロック名は使われません)"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.out.find("変換完了"), std::string::npos);
    }
    // Both outputs are the part as it was.
    for (const char *out : {"扉~1.jws", "扉~2.jws"})
        EXPECT_EQ(readBytes(FromUtf8((tmp.path() / out).string())), readBytes(FromUtf8(part)));
}
