#include "clirun.h"

#include "cli/commands.h"
#include "core/path.h"
#include "support/jwsfixture.h"
#include "support/tempdir.h"

#include <sstream>

namespace pravelot::test {

CliResult runCli(const std::string &command, const std::vector<std::string> &args)
{
    std::ostringstream out, err;
    int status = 2;
    if (command == "convert")
        status = runConvert(args, out, err);
    else if (command == "info")
        status = runInfo(args, out, err);
    else if (command == "render")
        status = runRender(args, out, err);
    return {status, out.str(), err.str()};
}

void writeJws(const std::u16string &path, const std::u16string &defName)
{
    TJwsData d = emptyDoc(600);
    addTop(d, line(0, 0, 1, 1));
    if (!defName.empty()) {
        addDef(d, 0, defName);
        addTop(d, blockRef(0, 0, 0));
        d.MakeBlockTree();
    }
    writeBytes(path, writeJws(d, {600}));
}

std::string separator() { return toUtf8(std::u16string(1, kPathDelim)); }

} // namespace pravelot::test
