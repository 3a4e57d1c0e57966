// The settings file reader and writer on any bytes: the file is read, one
// key is written (or deleted, or a section erased), and the file read again
// shows the change and nothing else: the value reads back as written (line
// breaks become blanks), and every other key of every section reads as
// before. Then the editor settings are read from it, saved and read
// again: the second save writes the same bytes as the first.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include "FuzzSupport.h"
#include "editor/ZinEditSettings.h"
#include "encoding/CodePage.h"
#include "platform/IniFile.h"
#include "platform/TextUtil.h"

using namespace zin;

namespace {

bool SameName(const std::string& a, const std::string& b)
{
    return LowerCase(a) == LowerCase(b);
}

using TSnapshot = std::map<std::pair<std::string, std::string>, std::string>;

// Every readable (section, key) with its value, names as the file spells
// them at their first occurrence.
TSnapshot Snapshot(const TIniFile& ini)
{
    TSnapshot out;
    for (const std::string& s : ini.ReadSections())
        for (const std::string& k : ini.ReadSection(s))
            out.emplace(std::make_pair(s, k), ini.ReadString(s, k, "\x01none"));
    return out;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool init = [] {
        LoadCodePageNames();
        return true;
    }();
    (void)init;

    FuzzedDataProvider in(data, size);
    const int op = in.ConsumeIntegralInRange<int>(0, 3);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    const std::string value = in.ConsumeRandomLengthString(40);
    const std::string content = in.ConsumeRemainingBytesAsString();
    const std::string path = fuzz::WriteTemp("z.ini", content);

    TIniFile before(path);
    FUZZ_CHECK(before.Readable());
    const TSnapshot old = Snapshot(before);
    bool ok = false;
    switch (op) {
    case 0:
    case 1: ok = before.WriteString(section, key, value); break;
    case 2: ok = before.DeleteKey(section, key); break;
    default: ok = before.EraseSection(section); break;
    }
    if (!ok)
        FUZZ_CHECK(ReadAll(path) == content);

    TIniFile after(path);
    FUZZ_CHECK(after.Readable());
    const TSnapshot now = Snapshot(after);
    // The key the operation touched, as the file names it.
    const std::string sec = Trim(section), k = Trim(key);
    auto touched = [&](const std::pair<std::string, std::string>& sk) {
        if (!ok || !SameName(sk.first, op == 3 ? section : sec))
            return false;
        return op == 3 || SameName(sk.second, op == 2 ? key : k);
    };
    for (const auto& [sk, v] : old) {
        if (touched(sk))
            continue;
        const auto it = now.find(sk);
        FUZZ_CHECK(it != now.end());
        FUZZ_CHECK(it->second == v);
    }
    for (const auto& [sk, v] : now)
        FUZZ_CHECK(old.count(sk) || touched(sk));
    if (ok && op <= 1) {
        std::string expected = value;
        for (char& c : expected)
            if (c == '\r' || c == '\n')
                c = ' ';
        FUZZ_CHECK(after.ReadString(sec, k, "\x01none") == expected);
    }

    // The editor settings: read, saved, read and saved again alike.
    TEditSettings once;
    LoadEditSettings(after, "ZinEdit", "ZinEdit Keys", once);
    SaveEditSettings(after, "ZinEdit", "ZinEdit Keys", once);
    const std::string first = ReadAll(path);
    TIniFile reread(path);
    TEditSettings twice;
    LoadEditSettings(reread, "ZinEdit", "ZinEdit Keys", twice);
    SaveEditSettings(reread, "ZinEdit", "ZinEdit Keys", twice);
    const std::string second = ReadAll(path);
    if (second != first && std::getenv("ZIN_FUZZ_VERBOSE"))
        std::fprintf(stderr, "first save:\n%s\nsecond save:\n%s\n", first.c_str(), second.c_str());
    FUZZ_CHECK(second == first);
    return 0;
}
