// pravelot-cli: the options of its commands, the checks, the run log, exit statuses,
// info and render.

#include "cli/clirun.h"
#include "cli/clitexts.h"
#include "cli/commands.h"
#include "core/path.h"
#include "render/drawing.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pravelot;
using namespace pravelot::test;

namespace {

using Result = CliResult;

const std::string kSep = separator();

// s as a JSON string holds it (the paths of the tests need only backslashes escaped).
std::string jsonText(const std::string &s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

} // namespace

TEST(Cli, ConvertsIntoAFolderAndLogs)
{
    TempDir tmp;
    const std::string a = toUtf8(tmp.file("図面 a.jws"));
    writeJws(fromUtf8(a));
    std::filesystem::create_directory(tmp.path() / "out");
    const std::string out = toUtf8(tmp.file("out"));
    const Result r = convert({"-o", out, a, a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, a + "\n→ " + out + kSep + "図面 a.jws\n　…… 変換完了\n" + a + "\n→ " + out +
                         kSep + "図面 a~1.jws\n　…… 変換完了\n" +
                         "converted 2, failed 0, skipped 0, warned 0\n");
    TJwsData d;
    ASSERT_TRUE(FileIn(d, fromUtf8(out + kSep + "図面 a.jws")));
    EXPECT_EQ(d.EntBlockDef.at(0).strName, u"図面 a@@SfigorgFlag@@4");
}

#ifndef _WIN32
TEST(Cli, ConvertsIntoACurrentFolderWhoseNameIsNotUtf8)
{
    // Linux allows any bytes in a folder's name: it is named by its bytes, and shown
    // readably.
    TempDir tmp;
    const std::filesystem::path folder = tmp.path() / "\xff\xfe";
    std::filesystem::create_directory(folder);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    writeJws(u"p.jws");
    const Result r = convert({"p.jws"});
    std::filesystem::current_path(before);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "p.jws\n→ " + utf8(tmp.path()) +
                         "/\\xff\\xfe/p~1.jws\n　…… 変換完了\n"
                         "converted 1, failed 0, skipped 0, warned 0\n");
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "p~1.jws"));
}
#endif

TEST(Cli, ANameAtTheLimitStillGetsItsBranchNumbers)
{
    // Names of 255 bytes (UTF-16 units on Windows), the most a file system takes.
    std::vector<std::string> stems = {std::string(251, 'a')};
#ifndef _WIN32
    std::string kanji;
    for (int i = 0; i < 83; ++i)
        kanji += "部";
    stems.push_back("ab" + kanji); // a character of 3 bytes goes whole
#endif
    for (const std::string &stem : stems) {
        SCOPED_TRACE(stem.size());
        TempDir tmp;
        const std::u16string src = tmp.folder() + fromUtf8(stem) + u".jws";
        writeJws(src);
        for (int n : {1, 2}) {
            const Result r = convert({"--beside", toUtf8(src)});
            ASSERT_EQ(r.status, 0) << r.err;
            // Whole characters are cut from the stem, so that "~n.jws" fits.
            const std::u16string out = withBranchNumber(src, n);
            EXPECT_NE(r.out.find("→ " + toUtf8(out) + "\n"), std::string::npos) << r.out;
            EXPECT_EQ(nativeNameLength(FileNameOf(out)),
                      stem[0] == 'a' && stem[1] == 'a' ? 255u : 254u);
            TJwsData d;
            EXPECT_TRUE(FileIn(d, out));
        }
    }
}

TEST(Cli, BesideAndOneNameForAll)
{
    TempDir tmp;
    const std::string a = toUtf8(tmp.file("p.jws"));
    writeJws(fromUtf8(a));
    const Result r = convert({"--beside", "-n", "BLK", a});
    EXPECT_EQ(r.status, 0) << r.err;
    TJwsData d;
    ASSERT_TRUE(FileIn(d, tmp.file("p~1.jws")));
    EXPECT_EQ(d.EntBlockDef.at(0).strName, u"BLK@@SfigorgFlag@@4");
}

TEST(Cli, SaysWhatTheBlockNameBecomes)
{
    TempDir tmp;
    const std::string a = toUtf8(tmp.file("p.jws"));
    writeJws(fromUtf8(a));
    const Result r = convert({"--beside", "-n", "é\t1", a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, a + " ブロック名【é\t1】は【?1】として書き込まれます\n");
    EXPECT_EQ(r.out.substr(r.out.rfind("converted")),
              "converted 1, failed 0, skipped 0, warned 1\n");
    TJwsData d;
    ASSERT_TRUE(FileIn(d, tmp.file("p~1.jws")));
    EXPECT_EQ(d.EntBlockDef.at(0).strName, u"?1@@SfigorgFlag@@4");
}

TEST(Cli, CheckErrorsStopEverything)
{
    TempDir tmp;
    const std::string good = toUtf8(tmp.file("good.jws"));
    const std::string used = toUtf8(tmp.file("used.jws"));
    const std::string txt = toUtf8(tmp.file("notes.txt"));
    writeJws(fromUtf8(good));
    writeJws(fromUtf8(used), u"used@@SfigorgFlag@@4");
    writeBytes(fromUtf8(txt), {'x'});
    const Result r = convert({"-o", utf8(tmp.path()), good, used, txt});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "converted 0, failed 2, skipped 0, warned 0\n");
    EXPECT_NE(r.err.find(used + " ブロック名【used】は既に図形ファイル内で使用済です"),
              std::string::npos);
    EXPECT_NE(r.err.find(txt + " -- ファイル拡張子が不正です"), std::string::npos);
    EXPECT_FALSE(FileExistsSafe(tmp.file("good~1.jws")));
}

TEST(Cli, ACutFileIsConvertedAndItsWarningAlwaysTold)
{
    struct Case {
        const char *what;
        std::vector<std::string> options;
        bool folder; // the folder is given, with -r, not the file
    } cases[] = {
        {"plain", {"--beside"}, false},
        {"verbose", {"--beside", "--verbose"}, false},
        {"verbose, the file in a folder given with -r", {"-r", "--beside", "--verbose"}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir tmp;
        const std::string cut = toUtf8(tmp.file("cut.jws"));
        writeJws(fromUtf8(cut));
        Bytes b = readBytes(fromUtf8(cut));
        b.resize(b.size() - 1);
        writeBytes(fromUtf8(cut), b);
        std::vector<std::string> args = c.options;
        args.push_back(c.folder ? utf8(tmp.path()) : cut);
        const Result r = convert(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, cut + "\n→ " + toUtf8(tmp.file("cut~1.jws")) +
                             "\n　…… 変換完了\nconverted 1, failed 0, skipped 0, warned 1\n");
        // Told by the check and again by the conversion, whatever the options; --verbose
        // adds where reading stopped, between the two.
        const std::string warning =
            cut + " -- ファイルデータが欠落しています(データ変換は行われます)\n";
        const bool verbose = c.options.back() == "--verbose";
        EXPECT_EQ(r.err.substr(0, warning.size()), warning);
        EXPECT_EQ(r.err.substr(r.err.size() - warning.size()), warning);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), verbose ? 3 : 2) << r.err;
        const std::string where = cut + ": File I/O Error (";
        EXPECT_EQ(r.err.find(where) == warning.size(), verbose) << r.err;
    }
}

#ifndef _WIN32
TEST(Cli, AFailedFileSaysWhichStepFailedAndWhy)
{
    TempDir tmp;
    const std::string a = toUtf8(tmp.file("a.jws"));
    writeJws(fromUtf8(a));
    // A folder where no file can be made.
    const Result r = convert({"-o", "/proc", a});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("pravelot-cli convert: " + a + ": cannot create the output in /proc/: "),
              std::string::npos)
        << r.err;
}
#endif

TEST(Cli, UsageErrorsOfEveryCommand)
{
    TempDir tmp;
    const std::string a = toUtf8(tmp.file("a.jws"));
    writeJws(fromUtf8(a));
    const std::string folder = utf8(tmp.path());
    const std::string missing = toUtf8(tmp.file("missing"));
    const std::string svg = toUtf8(tmp.file("a.svg"));
    using L = UserLanguage;
    struct Case {
        std::string command;
        std::vector<std::string> args;
        int status;
        std::string err;
        L language = L::English;
    } cases[] = {
        {"convert", {}, 2, "pravelot-cli convert: no files given (see --help)\n"},
        {"convert", {"-o"}, 2, "pravelot-cli convert: -o needs a value\n"},
        {"convert", {a, "-n"}, 2, "pravelot-cli convert: -n needs a value\n"},
        {"convert",
         {a, "-n"},
         2,
         "pravelot-cli convert: -n の後に値を指定して下さい\n",
         L::Japanese},
        {"convert",
         {"--beside", "-o", "x", a},
         2,
         "pravelot-cli convert: -o and --beside exclude each other\n"},
        {"convert", {"--frobnicate", a}, 2, "pravelot-cli convert: unknown option --frobnicate\n"},
        {"convert", {"--beside=yes", a}, 2, "pravelot-cli convert: unknown option --beside=yes\n"},
        {"convert",
         {"-n", " \t", a},
         2,
         "pravelot-cli convert: -n needs a block name that is not blank\n"},
        {"convert",
         {"-n", "", a},
         2,
         "pravelot-cli convert: -n には空白でないブロック名を指定して下さい\n",
         L::Japanese},
        {"convert",
         {a, folder},
         2,
         "pravelot-cli convert: " + folder +
             " is a folder: give -r to convert every figure file "
             "below it\n"},
        {"convert",
         {"-o", missing, a},
         1,
         "The folder given was not found.\n" + missing + kSep + "\n"},
        {"convert",
         {"-o", missing, a},
         1,
         "指定したフォルダが見つかりません。\n" + missing + kSep + "\n",
         L::Japanese},
        // After "--" every argument is a file, even one that looks like an option.
        {"convert",
         {"--beside", "--", "-n"},
         1,
         "-n -- ファイル拡張子が不正です\n"
         "エラー発生のため変換は行われません。確認して下さい(1)\n"},
        {"info", {}, 2, "pravelot-cli info: no files given (see --help)\n"},
        {"info", {"--jsn", a}, 2, "pravelot-cli info: unknown option --jsn\n"},
        {"info", {"--", "--json"}, 1, "--json -- ファイル拡張子が不正です(※JWK/JWSのみ対応)\n"},
        {"render", {a}, 2, "pravelot-cli render: needs FILE and -o OUT.svg (see --help)\n"},
        {"render", {a, "-o"}, 2, "pravelot-cli render: -o needs a value\n"},
        {"render",
         {a, "-o", svg, "--size=9"},
         2,
         "pravelot-cli render: --size takes a number of pixels, 16 to 16384\n"},
        {"render", {"-o", svg, "--", "-a.jws"}, 1, "-a.jws -- ファイルが存在しません\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command + " " + (c.args.empty() ? "" : c.args.back()));
        const InLanguage in(c.language);
        const Result r = runCli(c.command, c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(Cli, InfoInBothForms)
{
    TempDir tmp;
    const std::string a = toUtf8(tmp.file("p.jws"));
    writeJws(fromUtf8(a), u"door@@SfigorgFlag@@4");
    for (const UserLanguage language : {UserLanguage::English, UserLanguage::Japanese}) {
        const InLanguage in(language);
        std::ostringstream out, err;
        ASSERT_EQ(runInfo({a}, out, err), 0) << err.str();
        const std::string expected =
            language == UserLanguage::Japanese
                ? a + "\n  種類: JWS (バージョン 600)\n  基点: (0, 0)\n"
                      "  図形数: 線 1 円弧 0 点 0 文字 0 寸法 0 ソリッド 0 ブロック 1\n"
                      "  ブロック図形定義数: 1\n    door  番号 0  要素 0  参照あり\n"
                      "  範囲: (0, 0) - (1, 1)\n  画像: 1024 × 1024 px (render の既定)\n"
                : a + "\n  kind: JWS (version 600)\n  base point: (0, 0)\n"
                      "  entities: lines 1 arcs 0 points 0 texts 0 dimensions 0 solids 0 "
                      "block references 1\n"
                      "  block definitions: 1\n    door  number 0  members 0  referenced\n"
                      "  extents: (0, 0) - (1, 1)\n  picture: 1024 × 1024 px (render's default)\n";
        EXPECT_EQ(out.str(), expected);
    }

    // Files that cannot be shown are in the list too, in order, with their error.
    const std::string none = toUtf8(tmp.file("none.jws"));
    const std::string txt = toUtf8(tmp.file("notes.txt"));
    const std::string bad = toUtf8(tmp.file("bad.jwk"));
    writeBytes(fromUtf8(bad), {'x'});
    std::ostringstream json, err2;
    ASSERT_EQ(runInfo({"--json", none, a, txt, bad}, json, err2), 1);
    EXPECT_EQ(
        json.str(),
        "[{\"file\":\"" + jsonText(none) +
            "\",\"error\":\"missing\",\"message\":\"ファイルが存在しません\"},\n"
            "{\"file\":\"" +
            jsonText(a) +
            "\",\"kind\":\"jws\",\"version\":600,\"complete\":true,\"basePoint\":[0,0],"
            "\"counts\":{\"lines\":1,\"arcs\":0,\"points\":0,\"texts\":0,\"dimensions\":0,"
            "\"solids\":0,\"blockReferences\":1},\"blocks\":[{\"name\":\"door\",\"number\":0,"
            "\"members\":0,\"referenced\":true}],\"extents\":[0,0,1,1],\"picture\":[1024,1024]},\n"
            "{\"file\":\"" +
            jsonText(txt) +
            "\",\"error\":\"bad-extension\",\"message\":\"ファイル拡張子が不正です(※JWK/"
            "JWSのみ対応)\"},\n"
            "{\"file\":\"" +
            jsonText(bad) +
            "\",\"error\":\"not-a-figure-file\",\"message\":\"ファイルデータ内容が不正です\"}]\n");
    EXPECT_NE(err2.str().find(none + " -- ファイルが存在しません"), std::string::npos);

    // Only unreadable files: still a list, and the failure in the exit status.
    std::ostringstream onlyBad, err3;
    EXPECT_EQ(runInfo({"--json", none}, onlyBad, err3), 1);
    EXPECT_EQ(onlyBad.str(),
              "[{\"file\":\"" + jsonText(none) +
                  "\",\"error\":\"missing\",\"message\":\"ファイルが存在しません\"}]\n");
}

TEST(Cli, APartThatIsAlreadyOneBlockIsWrittenAsItIs)
{
    TempDir tmp;
    const std::string part = toUtf8(tmp.file("扉.jws"));
    TJwsData d = emptyDoc(600);
    addMember(addDef(d, 0, u"扉@@SfigorgFlag@@4"), line(0, 0, 1, 1));
    addTop(d, blockRef(0, 0, 0));
    d.MakeBlockTree();
    writeBytes(fromUtf8(part), writeJws(d, {600}));
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
        EXPECT_EQ(readBytes(tmp.file(out)), readBytes(fromUtf8(part)));
}

TEST(Cli, RenderWritesAnSvgPicture)
{
    TempDir tmp;
    const std::string a = toUtf8(tmp.file("扉.jws"));
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 200, 100));
    TEntJwwMoji t;
    t.att = {0, 1, 2, 0, 0, 0, 0};
    t.start_x = 10, t.start_y = 10, t.end_x = 30, t.end_y = 10;
    t.dSizeX = t.dSizeY = 5;
    t.str = u"扉 <A&B>";
    addTop(d, t);
    writeBytes(fromUtf8(a), writeJws(d, {600}));

    std::ostringstream out, err;
    const std::string svg = toUtf8(tmp.file("扉.svg"));
    ASSERT_EQ(runRender({a, "-o", svg, "--size", "400"}, out, err), 0) << err.str();
    const std::vector<std::uint8_t> bytes = readBytes(fromUtf8(svg));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"200\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(">扉 &lt;A&amp;B&gt;</text>"), std::string::npos) << text;
    EXPECT_NE(text.find("<path fill=\"none\" stroke=\"#0096c8\""), std::string::npos) << text;

    std::ostringstream piped, err2;
    ASSERT_EQ(runRender({a, "-o", "-"}, piped, err2), 0);
    EXPECT_EQ(piped.str().rfind("<?xml", 0), 0u);

    struct Case {
        std::vector<std::string> args;
        int status;
        const char *message;
    };
    const std::string bad = toUtf8(tmp.file("bad.jws"));
    writeBytes(fromUtf8(bad), {'n', 'o'});
    const Case cases[] = {
        {{a}, 2, "needs FILE and -o"},
        {{a, "-o", toUtf8(tmp.file("x.png"))}, 2, "writes SVG pictures only"},
        {{a, "-o", svg, "--size", "9"}, 2, "--size takes"},
        {{a, a, "-o", svg}, 2, "one file at a time"},
        {{bad, "-o", svg}, 1, "ファイルデータ内容が不正です"},
        {{toUtf8(tmp.file("none.jws")), "-o", svg}, 1, "ファイルが存在しません"},
        {{a, "-o", toUtf8(tmp.file("no folder/x.svg"))}, 1, "cannot be written"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.message);
        std::ostringstream o, e;
        EXPECT_EQ(runRender(c.args, o, e), c.status);
        EXPECT_NE(e.str().find(c.message), std::string::npos) << e.str();
    }
}

TEST(Cli, OneLanguagePerRun)
{
    struct Case {
        const char *lcAll, *lcMessages, *lang;
        UserLanguage language;
    } cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", UserLanguage::Japanese},
        {nullptr, nullptr, "ja", UserLanguage::Japanese},
        {nullptr, nullptr, "en_US.UTF-8", UserLanguage::English},
        {nullptr, nullptr, nullptr, UserLanguage::English},
        {"C", nullptr, "ja_JP.UTF-8", UserLanguage::English},
        {"", "ja_JP.UTF-8", "C", UserLanguage::Japanese},
        {"", "", "ja_JP.eucJP", UserLanguage::Japanese},
        {"de_DE.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", UserLanguage::English},
        {nullptr, nullptr, "POSIX", UserLanguage::English},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.lcAll ? c.lcAll : "-") + " " +
                     (c.lcMessages ? c.lcMessages : "-") + " " + (c.lang ? c.lang : "-"));
        EXPECT_EQ(userLanguageOf(c.lcAll, c.lcMessages, c.lang), c.language);
    }

    // Usage errors and the check's own words in the run's language; the texts of the
    // conversion itself are the same in both.
    TempDir tmp;
    const std::string used = toUtf8(tmp.file("used.jws"));
    writeJws(fromUtf8(used), u"used@@SfigorgFlag@@4");
    struct Run {
        UserLanguage language;
        const char *noFiles;
        const char *anotherName;
        const char *summary;
    } runs[] = {
        {UserLanguage::English, "pravelot-cli convert: no files given (see --help)\n",
         "Give the block another name with -n NAME",
         "converted 0, failed 1, skipped 0, warned 0\n"},
        {UserLanguage::Japanese,
         "pravelot-cli convert: ファイルが指定されていません(--help を参照)\n",
         "別のブロック名は -n NAME で指定できます", "変換完了 0、変換失敗 1、スキップ 0、警告 0\n"},
    };
    for (const Run &run : runs) {
        const InLanguage in(run.language);
        EXPECT_EQ(convert({"--verbose"}).err, run.noFiles);
        const Result r = convert({"--beside", used});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, run.summary);
        EXPECT_EQ(r.err, used +
                             " ブロック名【used】は既に図形ファイル内で使用済です\n"
                             "エラー発生のため変換は行われません。確認して下さい(1)\n" +
                             run.anotherName +
                             (run.language == UserLanguage::Japanese
                                  ? "(指定したすべてのファイルに使われます)。\n"
                                  : " (the name is used for every file given).\n"));
        // Another name is the way through.
        EXPECT_EQ(convert({"--beside", "-n", "used2", used}).status, 0);
    }
}

TEST(Cli, WhatACutLeavesOutIsToldWithItsReason)
{
    const InLanguage english(UserLanguage::English);
    TempDir tmp;
    const std::string deep = toUtf8(tmp.file("deep.jws"));
    const std::string many = toUtf8(tmp.file("many.jws"));
    writeBytes(fromUtf8(deep), writeJws(doublingNesting(18), {600}));
    writeBytes(fromUtf8(many),
               writeJws(placedTimes(2000, static_cast<int>(kDrawingBudget / 2000 + 1)), {600}));
    const std::string svg = toUtf8(tmp.file("out.svg"));
    const struct Case {
        std::string file;
        const char *drawn;   // what render says
        const char *extents; // what info says of the extents, "" for nothing
        const char *json;
    } cases[] = {
        {deep, "blocks are nested too deeply: only the first 131072 placed blocks were drawn",
         "  (blocks are nested too deeply: the extents leave out the blocks placed past the "
         "first 131072)\n",
         ",\"extentsCut\":\"instances\","},
        {many, "the figure holds too many primitives: only the first 1048576 were drawn", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        std::ostringstream out, err;
        EXPECT_EQ(runRender({c.file, "-o", svg}, out, err), 0);
        EXPECT_EQ(err.str(), c.file + " -- " + c.drawn + "\n");
        std::ostringstream text, json, err2;
        ASSERT_EQ(runInfo({c.file}, text, err2), 0);
        ASSERT_EQ(runInfo({"--json", c.file}, json, err2), 0);
        if (*c.extents) {
            EXPECT_NE(text.str().find(c.extents), std::string::npos) << text.str();
            EXPECT_NE(json.str().find(c.json), std::string::npos) << json.str();
        } else {
            EXPECT_EQ(text.str().find("extents leave out"), std::string::npos) << text.str();
            EXPECT_EQ(json.str().find("extentsCut"), std::string::npos) << json.str();
        }
    }
}
