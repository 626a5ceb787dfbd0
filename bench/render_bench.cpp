// Rendering against converting, for one figure file: the time of reading a file and
// writing its SVG picture (what `pravelot-cli render` does) beside the time of
// converting it (what `pravelot-cli convert` does), and of what the window's preview
// does (reading and drawing, nothing written), alternating in one run. Both the
// time that passes and the processor time: both wait for the disk to take their output
// (fdatasync), which the processor time leaves out.
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
#include <ctime>
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
        if (e.is_regular_file() && FileExtLower(fromUtf8(e.path().string())) == u".jws" &&
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
    std::filesystem::remove(toUtf8(out));
    const FigureDrawing f = loadFigureDrawing(src);
    const std::string svg = drawingToSvg(f.drawing, 1024);
    replaceFile(out, std::span(reinterpret_cast<const std::uint8_t *>(svg.data()), svg.size()));
    return f.drawing.primitiveCount();
}

std::size_t preview(const std::u16string &src)
{
    return loadFigureDrawing(src).drawing.primitiveCount();
}

void convert(const std::u16string &src, const std::u16string &out)
{
    std::filesystem::remove(toUtf8(out));
    Converter conv;
    if (conv.RunProc1(src, out, u"bench") != kResultDone)
        std::fprintf(stderr, "conversion failed\n");
}

struct Took {
    double wall = 0, cpu = 0; // seconds
};

Took seconds(auto &&f)
{
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    f();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(),
            static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC};
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
    const std::u16string src = fromUtf8(file.string());
    const std::u16string svg = fromUtf8((tmp / "out.svg").string());
    const std::u16string jws = fromUtf8((tmp / "out.jws").string());
    if (only == "render") {
        render(src, svg);
        return 0;
    }
    if (only == "convert") {
        convert(src, jws);
        return 0;
    }
    std::vector<double> r, c, p, rc, cc, pc;
    std::size_t primitives = 0;
    render(src, svg); // warm the page cache and the code page tables
    convert(src, jws);
    for (int i = 0; i < rounds; ++i) {
        const Took a = seconds([&] { primitives = render(src, svg); });
        const Took b = seconds([&] { convert(src, jws); });
        const Took v = seconds([&] { preview(src); });
        r.push_back(a.wall), rc.push_back(a.cpu);
        c.push_back(b.wall), cc.push_back(b.cpu);
        p.push_back(v.wall), pc.push_back(v.cpu);
    }
    std::printf("%s\n  %ju bytes, %zu primitives drawn; median of %d rounds, in ms\n",
                file.string().c_str(), std::filesystem::file_size(file), primitives, rounds);
    std::printf("                        time   processor\n");
    std::printf("  render (read + SVG): %6.3f   %6.3f\n", median(r) * 1e3, median(rc) * 1e3);
    std::printf("  convert:             %6.3f   %6.3f\n", median(c) * 1e3, median(cc) * 1e3);
    std::printf("  preview (read):      %6.3f   %6.3f\n", median(p) * 1e3, median(pc) * 1e3);
    std::printf("  render / convert:    %6.2f   %6.2f\n", median(r) / median(c),
                median(rc) / median(cc));
    std::printf("  preview / convert:   %6.2f   %6.2f\n", median(p) / median(c),
                median(pc) / median(cc));
    std::filesystem::remove_all(tmp);
    return 0;
}
