// pravelot-gen: writes large figure files for benchmarks.
//   pravelot-gen jws ENTITIES VERSION OUT [SEED]
//   pravelot-gen jwk ENTITIES OUT [SEED]
//   pravelot-gen parts COUNT FOLDER      (small .jws parts of 2–20 KB)
//   pravelot-gen crafted SHAPE BYTES OUT (a hostile file of about BYTES bytes; crafted.h)
//   pravelot-gen crafted list            (the shapes, one a line: name, extension, what)

#include "core/file.h"
#include "core/path.h"
#include "crafted.h"
#include "figuregen.h"
#include "jws/jwswriter.h"

#include <iostream>
#include <string>

using namespace pravelot;

namespace {
bool save(const std::string &path, const Bytes &b)
{
    FileDeleteSafe(fromUtf8(path));
    return writeNewFile(fromUtf8(path), [&](ByteWriter &w) {
        w.put(b);
        return true;
    });
}
} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.size() >= 4 && a[0] == "jws") {
        TJwsData d =
            bench::generateJws(std::stoll(a[1]), std::stoi(a[2]),
                               a.size() > 4 ? static_cast<std::uint32_t>(std::stoul(a[4])) : 1);
        return save(a[3], writeJws(d, {d.Enthd.jwVer})) ? 0 : 1;
    }
    if (a.size() >= 3 && a[0] == "jwk")
        return save(a[2], bench::generateJwk(
                              std::stoll(a[1]),
                              a.size() > 3 ? static_cast<std::uint32_t>(std::stoul(a[3])) : 1))
                   ? 0
                   : 1;
    if (a.size() >= 3 && a[0] == "parts") {
        const int count = std::stoi(a[1]);
        for (int i = 0; i < count; ++i) {
            // 20–220 entities and three small definitions: about 2–20 KB.
            TJwsData d = bench::generateJws(20 + (i * 37) % 200, 600,
                                            static_cast<std::uint32_t>(i + 1), 3, 8);
            if (!save(a[2] + "/part" + std::to_string(i) + ".jws", writeJws(d, {600})))
                return 1;
        }
        return 0;
    }
    if (a.size() == 2 && a[0] == "crafted" && a[1] == "list") {
        for (const bench::CraftedShape &s : bench::craftedShapes())
            std::cout << s.name << " " << s.extension << " " << s.what << "\n";
        return 0;
    }
    if (a.size() >= 4 && a[0] == "crafted") {
        FileDeleteSafe(fromUtf8(a[3]));
        bool known = true;
        const bool ok = writeNewFile(fromUtf8(a[3]), [&](ByteWriter &w) {
            known = bench::writeCrafted(a[1], std::stoull(a[2]), w);
            return known;
        });
        if (!known)
            std::cerr << "pravelot-gen: unknown shape " << a[1] << "\n";
        return ok ? 0 : 1;
    }
    std::cerr << "usage: pravelot-gen jws ENTITIES VERSION OUT [SEED] | jwk ENTITIES OUT [SEED] | "
                 "parts COUNT FOLDER | crafted SHAPE BYTES OUT | crafted list\n";
    return 2;
}
