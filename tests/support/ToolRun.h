#pragma once
// Runs one of the developer tools built next to the test program, for the
// tests of their output contracts.
#include <string>
#include <vector>

namespace zin::test {

struct TToolRun {
    int Status = -1;                // exit status, -1 when it did not exit
    std::vector<std::string> Out;  // standard output, line by line
    std::string Err;                // standard error, whole
};

// Runs `tool` (a program in the test program's directory) with `args`, a
// shell command line tail; standard input from the file `input` when it is
// given.
TToolRun RunTool(const std::string& tool, const std::string& args, const std::string& input = "");

}  // namespace zin::test
