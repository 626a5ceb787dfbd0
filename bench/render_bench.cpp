// Rendering against converting, for one figure file: the time of reading a file and
// writing its SVG picture (what `pravelot-cli render` does) beside the time of
// converting it (what `pravelot-cli convert` does), alternating in one run.
//
// Usage: pravelot-renderbench [FILE] [--rounds N] [--only render|convert]
// Without FILE, the largest .jws under ../shared/samples. --only runs one of the two
// once, for an instruction count under callgrind.

#include "convert/converter.h"
#include "core/file.h"
#include "core/path.h"
#include "core/text.h"
#include "render/figuredrawing.h"
#include "render/svgwriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace pravelot;

namespace {

std::filesystem::path largestSample()
{
    std::filesystem::path best;
    std::uintmax_t size = 0;
    std::error_code ec;
    for (const auto &e : std::filesystem::recursive_directory_iterator(PRAVELOT_SAMPLES_DIR, ec)) {
        if (e.is_regular_file() && FileExtLower(FromUtf8(e.path().string())) == u".jws" &&
            e.file_size() > size) {
            size = e.file_size();
            best = e.path();
        }
    }
    return best;
}

std::size_t render(const std::u16string &src, const std::u16string &out)
{
    // Both write a new file: replacing one that exists costs the file system a flush
    // (ext4 forces the data out before the rename), which would dwarf the rest.
    std::filesystem::remove(ToUtf8(out));
    const FigureDrawing f = LoadFigureDrawing(src);
    const std::string svg = DrawingToSvg(f.drawing, 1024);
    replaceFile(out, std::span(reinterpret_cast<const std::uint8_t *>(svg.data()), svg.size()));
    return f.drawing.primitiveCount();
}

void convert(const std::u16string &src, const std::u16string &out)
{
    std::filesystem::remove(ToUtf8(out));
    Converter conv;
    if (conv.RunProc1(src, out, u"bench") != kResultDone)
        std::fprintf(stderr, "conversion failed\n");
}

double seconds(auto &&f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    std::filesystem::path file;
    int rounds = 21;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--only" && i + 1 < argc)
            only = argv[++i];
        else
            file = a;
    }
    if (file.empty())
        file = largestSample();
    if (file.empty()) {
        std::fprintf(stderr, "no file given and no samples found\n");
        return 2;
    }
    const std::filesystem::path tmp = std::filesystem::temp_directory_path() / "pravelot-rb";
    std::filesystem::create_directories(tmp);
    const std::u16string src = FromUtf8(file.string());
    const std::u16string svg = FromUtf8((tmp / "out.svg").string());
    const std::u16string jws = FromUtf8((tmp / "out.jws").string());
    if (only == "render") {
        render(src, svg);
        return 0;
    }
    if (only == "convert") {
        convert(src, jws);
        return 0;
    }
    std::vector<double> r, c;
    std::size_t primitives = 0;
    render(src, svg); // warm the page cache and the code page tables
    convert(src, jws);
    for (int i = 0; i < rounds; ++i) {
        r.push_back(seconds([&] { primitives = render(src, svg); }));
        c.push_back(seconds([&] { convert(src, jws); }));
    }
    std::printf("%s\n  %ju bytes, %zu primitives drawn\n", file.string().c_str(),
                std::filesystem::file_size(file), primitives);
    std::printf("  render (read + SVG): %.3f ms\n  convert:             %.3f ms\n  ratio render / "
                "convert: %.2f (median of %d rounds)\n",
                median(r) * 1e3, median(c) * 1e3, median(r) / median(c), rounds);
    std::filesystem::remove_all(tmp);
    return 0;
}
