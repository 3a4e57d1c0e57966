#include "platform/IniFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"
#include "platform/TextUtil.h"

namespace zin {

namespace {

// A settings file larger than this is not a settings file: it is left alone.
constexpr uint64_t MaxIniFileSize = 16u << 20;

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerByte(a[i]) != LowerByte(b[i]))
            return false;
    return true;
}

bool HasLineBreak(std::string_view s)
{
    return s.find('\n') != std::string_view::npos || s.find('\r') != std::string_view::npos;
}

// Writes the whole file through a temporary file in the same directory, so
// that a failed write leaves the old file as it was.
bool WriteWholeFile(const std::string& path, const std::string& data)
{
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(path.substr(0, slash)))
        return false;
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

}  // namespace

TIniFile::TIniFile(const std::string& fileName) : FFileName(fileName)
{
    FSections.push_back(TSection{std::string(), false, {}});
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0) {
        // A missing file reads as empty; anything else is unreadable.
        FReadable = errno == ENOENT || errno == ENOTDIR;
        return;
    }
    TPlatformFile file;
    if (!S_ISREG(st.st_mode) || !file.Open(fileName) || file.Size() > MaxIniFileSize) {
        FReadable = false;
        return;
    }
    std::string data(file.Size(), '\0');
    data.resize(file.ReadAt(data.data(), data.size(), 0));
    Parse(data);
}

void TIniFile::Parse(const std::string& data)
{
    size_t pos = 0;
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        FBom = true;
        pos = 3;
    }
    while (pos < data.size()) {
        size_t end = data.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = data.size();
        const std::string line = data.substr(pos, end - pos);
        pos = end;
        if (pos < data.size())  // one line break: CR LF, LF or CR
            pos += (data[pos] == '\r' && pos + 1 < data.size() && data[pos + 1] == '\n') ? 2 : 1;

        const std::string t = Trim(line);
        if (!t.empty() && t[0] == '[') {
            const size_t close = t.find(']');
            const std::string name = close == std::string::npos ? std::string() : Trim(t.substr(1, close - 1));
            if (!name.empty()) {
                FSections.push_back(TSection{name, true, {}});
                continue;
            }
        } else if (!t.empty() && t[0] != ';' && t[0] != '#') {
            const size_t eq = t.find('=');
            if (eq != std::string::npos && eq > 0) {
                const std::string key = Trim(t.substr(0, eq));
                if (!key.empty()) {
                    FSections.back().Lines.push_back(TLine{key, Trim(t.substr(eq + 1))});
                    continue;
                }
            }
        }
        // Comments, blank lines and lines of no known form are kept as written.
        FSections.back().Lines.push_back(TLine{std::string(), line});
    }
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view name) const
{
    for (const TSection& s : FSections)
        if (s.Header && SameName(s.Name, name))
            return &s;
    return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(std::string_view name)
{
    return const_cast<TSection*>(static_cast<const TIniFile*>(this)->FindSection(name));
}

const TIniFile::TLine* TIniFile::FindLine(std::string_view section, std::string_view key) const
{
    const TSection* s = FindSection(section);
    if (!s)
        return nullptr;
    for (const TLine& l : s->Lines)
        if (!l.Key.empty() && SameName(l.Key, key))
            return &l;
    return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return FindLine(section, key) != nullptr;
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const TSection& s : FSections)
        if (s.Header && FindSection(s.Name) == &s)
            names.push_back(s.Name);
    return names;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const TSection* s = FindSection(section))
        for (const TLine& l : s->Lines)
            if (!l.Key.empty())
                keys.push_back(l.Key);
    return keys;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const
{
    const TLine* l = FindLine(section, key);
    if (!l)
        return def;
    const std::string& v = l->Text;
    // A value in matching quotes is read without them.
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const
{
    const TLine* l = FindLine(section, key);
    int value = 0;
    if (!l || !StrToInt(l->Text, value))
        return def;
    return value;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    const TLine* l = FindLine(section, key);
    if (!l)
        return def;
    const std::string v = LowerCase(l->Text);
    if (v == "true" || v == "yes" || v == "on")
        return true;
    if (v == "false" || v == "no" || v == "off")
        return false;
    int value = 0;
    return StrToInt(v, value) ? value != 0 : def;
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string sec = Trim(section);
    const std::string k = Trim(key);
    if (!FReadable || sec.empty() || k.empty() || HasLineBreak(sec) || sec.find(']') != std::string::npos ||
        HasLineBreak(k) || k.find('=') != std::string::npos || k[0] == '[' || k[0] == ';' || k[0] == '#')
        return false;
    std::string v(value);
    for (char& c : v)
        if (c == '\r' || c == '\n')
            c = ' ';
    // The reader trims values and takes a value in matching quotes without
    // them: such a value is written in quotes, so that it reads back as it
    // was written.
    if (!v.empty() && (IsWhiteByte(static_cast<unsigned char>(v.front())) ||
                       IsWhiteByte(static_cast<unsigned char>(v.back())) ||
                       (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())))
        v = '"' + v + '"';

    TSection* s = FindSection(sec);
    if (!s) {
        FSections.push_back(TSection{sec, true, {}});
        s = &FSections.back();
    }
    bool found = false;
    for (TLine& l : s->Lines)
        if (!l.Key.empty() && SameName(l.Key, k)) {
            l.Text = v;
            found = true;
            break;
        }
    if (!found) {
        // After the section's last setting, before the comments and blank
        // lines that close it.
        size_t at = 0;
        for (size_t i = 0; i < s->Lines.size(); ++i)
            if (!s->Lines[i].Key.empty())
                at = i + 1;
        s->Lines.insert(s->Lines.begin() + static_cast<std::ptrdiff_t>(at), TLine{k, v});
    }
    return Save();
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    TSection* s = FReadable ? FindSection(section) : nullptr;
    if (!s)
        return false;
    for (auto it = s->Lines.begin(); it != s->Lines.end(); ++it)
        if (!it->Key.empty() && SameName(it->Key, key)) {
            s->Lines.erase(it);
            return Save();
        }
    return false;
}

bool TIniFile::EraseSection(std::string_view section)
{
    if (!FReadable)
        return false;
    for (auto it = FSections.begin(); it != FSections.end(); ++it)
        if (it->Header && SameName(it->Name, section)) {
            FSections.erase(it);
            return Save();
        }
    return false;
}

bool TIniFile::Save() const
{
    std::string out;
    if (FBom)
        out += "\xEF\xBB\xBF";
    for (const TSection& s : FSections) {
        if (s.Header)
            out += "[" + s.Name + "]\n";
        for (const TLine& l : s.Lines) {
            if (!l.Key.empty())
                out += l.Key + "=" + l.Text;
            else
                out += l.Text;
            out += '\n';
        }
    }
    return WriteWholeFile(FFileName, out);
}

}  // namespace zin
