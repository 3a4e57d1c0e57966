#include "support/ToolRun.h"

#include <sys/wait.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Files.h"

namespace zin::test {

TToolRun RunTool(const std::string& tool, const std::string& args, const std::string& input)
{
    TToolRun run;
    // Standard error goes to a file of its own, read when the tool is done.
    const char* tmp = std::getenv("TMPDIR");
    std::string errFile = std::string(tmp && *tmp ? tmp : "/tmp") + "/zintool-err-XXXXXX";
    const int fd = mkstemp(errFile.data());
    if (fd < 0)
        return run;
    close(fd);
    std::string command = ExecutableDir() + tool + " " + args;
    if (!input.empty())
        command += " < '" + input + "'";
    FILE* p = popen((command + " 2>'" + errFile + "'").c_str(), "r");
    if (!p) {
        std::remove(errFile.c_str());
        return run;
    }
    char buf[1 << 16];
    while (std::fgets(buf, sizeof buf, p)) {
        std::string line = buf;
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        run.Out.push_back(line);
    }
    const int st = pclose(p);
    run.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    if (FILE* e = std::fopen(errFile.c_str(), "rb")) {
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, e)) > 0)
            run.Err.append(buf, n);
        std::fclose(e);
    }
    std::remove(errFile.c_str());
    return run;
}

}  // namespace zin::test
