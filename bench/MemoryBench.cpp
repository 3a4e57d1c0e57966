// The whole process's resident memory after loading one file the way
// `zinviewer --info` loads it: a fixed-metrics owner of the store with the
// locale's code page and the viewer's in-memory limit (larger files are
// read from disk). scripts/bench-load.sh runs it once on the generated
// 1 GiB log and once on an empty file, each in a fresh process, and divides
// the difference by the log's lines: the memory per line the loaded file
// keeps, allocator and all.
//
// memory_bench DIR          loads DIR/zin-bench-log-1g-lf.txt (made when missing)
// memory_bench --empty DIR  loads DIR/zin-bench-empty.txt (made when missing)
// Prints "key value" lines: file, lines, file-bytes, rss-bytes (resident
// after the load), peak-rss-bytes.
#include <cstdio>
#include <cstring>
#include <string>

#include "BenchFiles.h"
#include "encoding/CodePage.h"
#include "lines/ZinFixedOwner.h"
#include "platform/SystemCodePage.h"
#include "viewer/FileInfo.h"

using namespace zin;
using namespace zin::bench;

int main(int argc, char** argv)
{
    bool empty = false;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--empty") == 0)
            empty = true;
        else
            dir = argv[i];
    }
    dir = BenchDir(dir);
    const std::string path =
        empty ? MakeFile(dir, "zin-bench-empty.txt", 0, [](std::string&) {}) : LogFile1G(dir);

    // As `zinviewer --info` does (main.cpp, GatherFileInfo).
    LoadCodePageNames();
    const int32_t systemCodePage = FindCodePage(SystemCodePage()) ? SystemCodePage() : 1252;
    TFixedMetricsOwner owner(InfoCharWidth, systemCodePage);
    owner.MaxMemFileSize = DefaultMaxMemFileSize;
    if (!owner.Load(path)) {
        std::fprintf(stderr, "memory_bench: cannot load %s: %s\n", path.c_str(),
                     owner.Lines->LoadErrorReason().c_str());
        return 1;
    }
    const TZinLines& lines = *owner.Lines;
    std::printf("file %s\n", path.c_str());
    std::printf("code-page %d\n", owner.GetCodePage());
    std::printf("lines %d\n", lines.LineCount());
    std::printf("file-bytes %llu\n", static_cast<unsigned long long>(lines.FileSize()));
    std::printf("rss-bytes %ld\n", ResidentBytes());
    std::printf("peak-rss-bytes %ld\n", PeakResidentBytes());
    return 0;
}
