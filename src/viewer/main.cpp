// zinviewer: a viewer for text files of any size. Until the window exists
// the program answers `--info FILE` with what it would make of the file.
#include <cstring>
#include <iostream>

#include "encoding/CodePage.h"
#include "viewer/FileInfo.h"

namespace {

const char* const Usage = "usage: zinviewer --info FILE\n";

}  // namespace

int main(int argc, char** argv)
{
    zin::LoadCodePageNames();
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << Usage;
        return 0;
    }
    if (argc != 3 || std::strcmp(argv[1], "--info") != 0) {
        std::cerr << "zinviewer: expected --info and one file name\n" << Usage;
        return 2;
    }
    const zin::TFileInfo info = zin::GatherFileInfo(argv[2]);
    if (!info.Opened) {
        std::cerr << "zinviewer: cannot open " << argv[2] << ": " << info.Error << '\n';
        return 1;
    }
    zin::PrintFileInfo(info, std::cout);
    return std::cout.good() ? 0 : 1;
}
