#include "cli/clitexts.h"

#include <cstdlib>
#include <iterator>

namespace pravelot {

namespace {

UserLanguage g_language = UserLanguage::English;

struct Entry {
    CliText id;
    const char *english;
    const char *japanese;
};

// Every text of the command line's own, in both languages.
const Entry kTexts[] = {
    {CliText::Usage,
     "Usage:\n"
     "  pravelot-cli convert [-r] [-o DIR | --beside] [-n NAME] [--skip-existing] [--verbose]\n"
     "                       [--] FILE|DIR...\n"
     "  pravelot-cli info [--json] [--] FILE...\n"
     "  pravelot-cli render [--size PX] -o OUT.svg [--] FILE\n"
     "  pravelot-cli --help | --version\n"
     "\n"
     "convert  Gathers the whole content of each .jws or .jwk figure file into one named\n"
     "         block and writes it as a new .jws file. Existing files are never\n"
     "         overwritten: a taken name gets a branch number (name~1.jws, name~2.jws ...).\n"
     "         Every file is checked first; an error stops the run before anything is\n"
     "         written (with -r only that file is passed over), a warning (incomplete\n"
     "         data, a part that is already one block, a block name the file stores\n"
     "         otherwise) does not. A summary line ends the run.\n"
     "  -r, --recursive  convert every .jws/.jwk file below each folder DIR given; with\n"
     "                   -o the outputs mirror the tree (DIR/sub/a.jws -> OUT/DIR/sub/a.jws)\n"
     "  -o DIR           write the outputs into DIR (default: the current folder)\n"
     "  --beside         write each output beside its source\n"
     "  -n NAME          block name for every file (default: each file's own name)\n"
     "  --skip-existing  leave out every source whose output name (without a branch\n"
     "                   number) exists already\n"
     "  --verbose        tell where reading stopped in a damaged file, and with -r the\n"
     "                   folders not followed and the other files passed over\n"
     "  --               every argument after it is a file, even one beginning with -\n"
     "info     Shows kind, version, base point, entity counts, block definitions and\n"
     "         extents of each figure file (--json for scripts).\n"
     "render   Draws a figure file as an SVG picture (texts kept as text); -o - writes\n"
     "         it to the standard output. --size PX: its longer side (default 1024).\n"
     "         An existing OUT.svg is replaced, at one stroke: until the new picture is\n"
     "         complete the old one stays whole.\n"
     "\n"
     "Exit status: 0 every file converted (or skipped), 1 a check error, a failed file\n"
     "             or a folder that could not be read, 2 usage error, 130 stopped with\n"
     "             Ctrl-C (every file listed as converted is; no other is).\n"
     "\n"
     "Examples:\n"
     "  pravelot-cli convert -o ~/blocks parts/door-01.jws parts/window.jwk\n"
     "  pravelot-cli convert --beside -n DOOR parts/*.jws\n"
     "  pravelot-cli convert -r --skip-existing -o ~/blocks parts\n"
     "  pravelot-cli render parts/door-01.jws -o door-01.svg\n",
     "使い方:\n"
     "  pravelot-cli convert [-r] [-o DIR | --beside] [-n NAME] [--skip-existing] [--verbose]\n"
     "                       [--] FILE|DIR...\n"
     "  pravelot-cli info [--json] [--] FILE...\n"
     "  pravelot-cli render [--size PX] -o OUT.svg [--] FILE\n"
     "  pravelot-cli --help | --version\n"
     "\n"
     "convert  .jws/.jwk 図形ファイルごとに、その内容全体を名前を付けた1つのブロックに\n"
     "         まとめ、新しい .jws ファイルに書き出します。既存のファイルは上書きせず、\n"
     "         同じ名前があるときは枝番を付けます(name~1.jws, name~2.jws ...)。\n"
     "         最初にすべてのファイルを確認し、エラーがあれば何も書き出さずに止めます\n"
     "         (-r ではそのファイルだけを除きます)。警告(データの欠落、既に1つの\n"
     "         ブロック、ブロック名が変わって保存される)では止めません。最後に集計を\n"
     "         1行表示します。\n"
     "  -r, --recursive  指定したフォルダ DIR 以下のすべての .jws/.jwk ファイルを変換する。\n"
     "                   -o では元のフォルダ構成のまま書き出す(DIR/sub/a.jws -> "
     "OUT/DIR/sub/a.jws)\n"
     "  -o DIR           DIR に書き出す(既定: 現在のフォルダ)\n"
     "  --beside         変換元と同じフォルダに書き出す\n"
     "  -n NAME          すべてのファイルのブロック名(既定: それぞれのファイル名)\n"
     "  --skip-existing  出力ファイル名(枝番なし)が既にある変換元は変換しない\n"
     "  --verbose        壊れたファイルで読み込みが止まった位置を表示する。-r では辿らなかった\n"
     "                   フォルダと対象外としたファイルも表示する\n"
     "  --               これより後の引数はすべてファイル(- で始まるものも)\n"
     "info     図形ファイルの種類、バージョン、基点、図形数、ブロック図形定義、範囲を\n"
     "         表示します(--json でスクリプト向け)。\n"
     "render   図形ファイルを SVG 画像に描きます(文字は文字のまま)。-o - で標準出力へ\n"
     "         書き出します。--size PX: 長い辺のピクセル数(既定 1024)。\n"
     "         既にある OUT.svg は置き換えます。新しい画像が書き終わるまで、前の画像は\n"
     "         そのまま残ります。\n"
     "\n"
     "終了コード: 0 すべて変換完了(またはスキップ)、1 確認のエラー、変換失敗または\n"
     "            読み込めないフォルダあり、2 使い方の誤り、130 Ctrl-C で中断\n"
     "            (変換完了と表示したファイルだけが変換されます)。\n"
     "\n"
     "例:\n"
     "  pravelot-cli convert -o ~/blocks parts/door-01.jws parts/window.jwk\n"
     "  pravelot-cli convert --beside -n DOOR parts/*.jws\n"
     "  pravelot-cli convert -r --skip-existing -o ~/blocks parts\n"
     "  pravelot-cli render parts/door-01.jws -o door-01.svg\n"},
    {CliText::UnknownCommand, "pravelot-cli: unknown command '%1'",
     "pravelot-cli: 不明なコマンドです: '%1'"},
    {CliText::NeedsValue, "%1: %2 needs a value", "%1: %2 の後に値を指定して下さい"},
    {CliText::UnknownOption, "%1: unknown option %2", "%1: 不明なオプションです: %2"},
    {CliText::OutAndBeside, "%1: -o and --beside exclude each other",
     "%1: -o と --beside は同時に指定できません"},
    {CliText::NoFiles, "%1: no files given (see --help)",
     "%1: ファイルが指定されていません(--help を参照)"},
    {CliText::Stopped, "Stopped: Ctrl-C was pressed.", "[Ctrl-C]を押しましたので中断します。"},
    {CliText::AnotherName,
     "Give the block another name with -n NAME (the name is used for every file given).",
     "別のブロック名は -n NAME で指定できます(指定したすべてのファイルに使われます)。"},
    {CliText::FolderNeedsRecursive,
     "%1: %2 is a folder: give -r to convert every figure file below it",
     "%1: %2 はフォルダです。その中のすべての図形ファイルを変換するには -r を指定して下さい"},
    {CliText::FolderUnreadable, "%1: cannot read the folder %2",
     "%1: フォルダ %2 を読み込めません"},
    {CliText::NotFollowed, "%1: not followed (a hidden folder or a link to a folder): %2",
     "%1: 隠しフォルダまたはフォルダへのリンクのため辿りません: %2"},
    {CliText::OutputsNotTaken, "%1: the outputs' folder is not taken as sources: %2",
     "%1: 出力先のフォルダは変換元にしません: %2"},
    {CliText::OtherFiles, "%1: %3: files passed over (no figure files): %2",
     "%1: %3: 対象外のファイル(図形ファイル以外): %2 個"},
    {CliText::PassedOver, "%1: %2 of %3 files failed the check and are passed over",
     "%1: %3 個中 %2 個のファイルは確認でエラーとなったため変換しません"},
    {CliText::Summary, "converted %1, failed %2, skipped %3, warned %4",
     "変換完了 %1、変換失敗 %2、スキップ %3、警告 %4"},
    {CliText::FolderNotFound, "The folder given was not found.",
     "指定したフォルダが見つかりません。"},
    {CliText::BlankName, "%1: -n needs a block name that is not blank",
     "%1: -n には空白でないブロック名を指定して下さい"},
    {CliText::SourceUnreadable, "cannot read the source", "変換元を読み込めません"},
    {CliText::SourceNotFigure, "the source is not a figure file of its kind (.jws or .jwk)",
     "変換元がその種類(.jws/.jwk)の図形ファイルではありません"},
    {CliText::NoFreeName, "no free output name: %1 and its branch numbers ~1 to ~99999 are taken",
     "空いている出力ファイル名がありません: %1 も枝番 ~1 ～ ~99999 もすべて使われています"},
    {CliText::CannotCreate, "cannot create the output in %1", "%1 に出力ファイルを作成できません"},
    {CliText::CannotWrite, "cannot write the output %1", "出力ファイル %1 を書き込めません"},
    {CliText::CannotName, "cannot give the output its name %1",
     "出力ファイルに名前 %1 を付けられません"},
    {CliText::OutOfMemory, "out of memory while converting it; nothing was written",
     "変換中にメモリが不足しました。何も書き込んでいません"},
    {CliText::OutOfMemoryRead, "out of memory: cannot read it", "メモリ不足のため読み込めません"},
    {CliText::InfoJws, "  kind: JWS (version %1)", "  種類: JWS (バージョン %1)"},
    {CliText::InfoJwk, "  kind: JWK (scale 1/%1)", "  種類: JWK (縮尺 1/%1)"},
    {CliText::InfoBasePoint, "  base point: (%1, %2)", "  基点: (%1, %2)"},
    {CliText::InfoCounts, "  entities:", "  図形数:"},
    {CliText::InfoLines, "lines", "線"},
    {CliText::InfoArcs, "arcs", "円弧"},
    {CliText::InfoPoints, "points", "点"},
    {CliText::InfoTexts, "texts", "文字"},
    {CliText::InfoDimensions, "dimensions", "寸法"},
    {CliText::InfoSolids, "solids", "ソリッド"},
    {CliText::InfoBlockReferences, "block references", "ブロック"},
    {CliText::InfoDefinitions, "  block definitions: %1", "  ブロック図形定義数: %1"},
    {CliText::InfoDefinition, "    %1  number %2  members %3  %4", "    %1  番号 %2  要素 %3  %4"},
    {CliText::InfoReferenced, "referenced", "参照あり"},
    {CliText::InfoUnreferenced, "not referenced", "参照なし"},
    {CliText::InfoExtents, "  extents: (%1, %2) - (%3, %4)", "  範囲: (%1, %2) - (%3, %4)"},
    {CliText::InfoExtentsInstances,
     "  (blocks are nested too deeply: the extents leave out the blocks placed past the first "
     "%1)",
     "  (ブロックの入れ子が深すぎるため、範囲は配置の最初の %1 個までです)"},
    {CliText::InfoExtentsPoints,
     "  (blocks place too many entities: the extents leave out the blocks past the first %1 "
     "points)",
     "  (ブロックの配置する図形が多すぎるため、範囲は最初の %1 点までです)"},
    {CliText::InfoPicture, "  picture: %1 × %2 px (render's default)",
     "  画像: %1 × %2 px (render の既定)"},
    {CliText::RenderOneFile, "%1: one file at a time", "%1: ファイルは1つずつ指定して下さい"},
    {CliText::RenderNeeds, "%1: needs FILE and -o OUT.svg (see --help)",
     "%1: FILE と -o OUT.svg を指定して下さい(--help を参照)"},
    {CliText::RenderSize, "%1: --size takes a number of pixels, 16 to 16384",
     "%1: --size にはピクセル数(16 ～ 16384)を指定して下さい"},
    {CliText::RenderSvgOnly,
     "%1: writes SVG pictures only (OUT.svg, or - for the standard output); the desktop "
     "program saves PNG",
     "%1: 書き出せるのは SVG 画像だけです(OUT.svg、または標準出力へは -)。PNG "
     "はデスクトップのプログラムで保存できます"},
    {CliText::RenderIncomplete, "incomplete data (drawn as far as it could be read)",
     "ファイルデータが欠落しています(読めた部分を描きました)"},
    {CliText::RenderTooManyPrimitives,
     "the figure holds too many primitives: only the first %1 were drawn",
     "図形の要素が多すぎるため、最初の %1 個のみ描きました"},
    {CliText::RenderTooDeep,
     "blocks are nested too deeply: only the first %1 placed blocks were drawn",
     "ブロックの入れ子が深すぎるため、配置の最初の %1 個のみ描きました"},
    {CliText::RenderCannotWrite, "cannot be written", "書き込めません"},
    {CliText::RenderOutOfMemory, "out of memory while writing its picture",
     "画像の書き出し中にメモリが不足しました"},
    {CliText::OutOfMemoryCommand, "%1: out of memory", "%1: メモリが不足しました"},
    {CliText::CannotWriteStdout, "%1: cannot write the standard output",
     "%1: 標準出力に書き込めません"},
};

} // namespace

void setUserLanguage(UserLanguage language) { g_language = language; }

UserLanguage cliLanguage() { return g_language; }

std::string cliText(CliText id, std::initializer_list<std::string_view> args)
{
    const char *text = "";
    for (const Entry &e : kTexts)
        if (e.id == id)
            text = g_language == UserLanguage::Japanese ? e.japanese : e.english;
    std::string out;
    for (const char *p = text; *p; ++p) {
        const auto n = static_cast<std::size_t>(p[1] - '1');
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '9' && n < args.size()) {
            out += *std::next(args.begin(), static_cast<std::ptrdiff_t>(n));
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace pravelot
