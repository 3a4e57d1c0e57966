#include "viewer/FileInfo.h"

#include <algorithm>
#include <ostream>

#include "encoding/CodePage.h"
#include "lines/ZinData.h"

namespace zin {

TFileInfo GatherFileInfo(const std::string& path, int32_t systemCodePage, int64_t maxMemFileSize)
{
    TFileInfo info;
    info.Path = path;
    TFileData data(path);
    if (!data.IsOpen()) {
        info.Error = data.Error();
        return info;
    }
    info.Opened = true;
    info.Size = data.FSize;
    info.InMemory = static_cast<int64_t>(std::min<uint64_t>(data.FSize, INT64_MAX)) <= maxMemFileSize;

    // The window holds the file's first bytes from the opening on.
    const int32_t n = static_cast<int32_t>(std::min<uint64_t>(data.FSize, EncodingSampleSize));
    const uint8_t* sample = data.FBuffer.get();
    if (n == 0)
        info.Decided = TContentTest::None;
    else if (IsUTF16LEText(sample, n))
        info.Decided = TContentTest::UTF16LE;
    else if (IsUTF16BEText(sample, n))
        info.Decided = TContentTest::UTF16BE;
    else if (IsUTF8Text(sample, n))
        info.Decided = TContentTest::UTF8;
    else if (HasBinaryControlBytes(sample, n))
        info.Decided = TContentTest::Binary;

    switch (info.Decided) {
    case TContentTest::UTF16LE: info.CodePage = 1200; break;
    case TContentTest::UTF16BE: info.CodePage = 1201; break;
    case TContentTest::UTF8: info.CodePage = 65001; break;
    case TContentTest::Binary: info.HexMode = true; break;
    case TContentTest::None: info.CodePage = FindCodePage(systemCodePage) ? systemCodePage : 1252; break;
    }
    if (const TCodePageInfo* cp = info.HexMode ? nullptr : FindCodePage(info.CodePage))
        info.CodePageName = cp->Name;
    return info;
}

const char* ContentTestName(TContentTest test)
{
    switch (test) {
    case TContentTest::UTF16LE: return "UTF-16LE";
    case TContentTest::UTF16BE: return "UTF-16BE";
    case TContentTest::UTF8: return "UTF-8";
    case TContentTest::Binary: return "binary";
    case TContentTest::None: break;
    }
    return "none";
}

void PrintFileInfo(const TFileInfo& info, std::ostream& out)
{
    out << "file: " << info.Path << '\n'
        << "size: " << info.Size << '\n'
        << "storage: " << (info.InMemory ? "memory" : "disk") << '\n'
        << "content: " << ContentTestName(info.Decided) << '\n'
        << "mode: " << (info.HexMode ? "hex" : "text") << '\n';
    if (!info.HexMode)
        out << "code page: " << info.CodePage << '\n' << "code page name: " << info.CodePageName << '\n';
}

}  // namespace zin
