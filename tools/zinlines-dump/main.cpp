// zinlines-dump [--charwidth PX] [--syntax FILE.syn] [--wrap none|window:PX|column:N]
//               [--codepage N] [--acp N] [--maxmem BYTES] [--short-memory] [--summary] FILE
//
// Loads FILE through the line store with the fixed-metrics owner (fixed character
// widths) and prints JSON Lines: one summary line, then one line per TLine
// with its length, newline bytes, start state and every row entry.
#include <cstdio>
#include <string>

#include "common/DumpLoad.h"

using namespace zin;
using namespace zin::tools;

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: zinlines-dump [--charwidth PX] [--syntax FILE.syn] [--wrap none|window:PX|column:N]\n"
                 "                     [--codepage N] [--acp N] [--maxmem BYTES] [--short-memory] [--summary] FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    TDumpLoad load;
    bool summary = false;
    for (int i = 1; i < argc; ++i) {
        const int taken = load.Option(argc, argv, i);
        if (taken < 0)
            return Usage();
        if (taken > 0)
            continue;
        if (std::string(argv[i]) == "--summary")
            summary = true;
        else
            return Usage();
    }
    if (load.File.empty())
        return Usage();
    if (const int status = load.Load("zinlines-dump"))
        return status;
    if (!summary) {
        for (const TLine& line : load.Owner->Lines->Lines()) {
            std::printf("{\"len\":%llu,\"nl\":%u,\"state\":", static_cast<unsigned long long>(line.Length()),
                        line.NewLineBytes);
            PrintState(line.State);
            std::printf(",\"rows\":[");
            const TRowList rows = line.Rows();
            for (size_t i = 0; i < rows.size(); ++i)
                std::printf("%s[%llu,%d]", i ? "," : "", static_cast<unsigned long long>(rows[i].Pos),
                            rows[i].Width);
            std::printf("]}\n");
        }
    }
    return 0;
}
