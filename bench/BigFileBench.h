#pragma once
// The 5 GiB part of lines_bench (--big): see BigFileBench.cpp.
#include <string>

namespace zin::bench {

// Loads the 5 GiB file in `dir` (generated there on first use when the disk
// has room), looks up lines, rows and offsets past 4 GiB, and prints the
// figures. Returns 1 when a lookup or the load gave a wrong answer, else 0
// (a run skipped for want of disk space included).
int BigFileBench(const std::string& dir);

}  // namespace zin::bench
