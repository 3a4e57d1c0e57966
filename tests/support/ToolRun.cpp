#include "support/ToolRun.h"

#include <sys/wait.h>

#include <cstdio>

#include "platform/Files.h"

namespace zin::test {

TToolRun RunTool(const std::string& tool, const std::string& args, const std::string& input)
{
    TToolRun run;
    std::string command = ExecutableDir() + tool + " " + args;
    if (!input.empty())
        command += " < '" + input + "'";
    FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
    if (!p)
        return run;
    char buf[1 << 16];
    while (std::fgets(buf, sizeof buf, p)) {
        std::string line = buf;
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        run.Out.push_back(line);
    }
    const int st = pclose(p);
    run.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return run;
}

}  // namespace zin::test
