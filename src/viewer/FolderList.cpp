#include "viewer/FolderList.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zin {

std::string CleanPath(const std::string& path, const std::string& cwd)
{
    const std::string full = !path.empty() && path[0] == '/' ? path : cwd + '/' + path;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= full.size()) {
        size_t j = full.find('/', i);
        if (j == std::string::npos)
            j = full.size();
        const std::string part = full.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string& p : parts)
        out += '/' + p;
    return out.empty() ? std::string("/") : out;
}

std::string CurrentFolder()
{
    std::string buffer(4096, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()))
            return CleanPath(buffer.c_str(), "/");
        if (errno != ERANGE || buffer.size() > (size_t{1} << 20))
            return "/";
        buffer.resize(buffer.size() * 2);
    }
}

std::string ParentFolder(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string LastPart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + '/' + name;
}

TPathKind KindOfPath(const std::string& path)
{
    struct stat st{};
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return TPathKind::Missing;
    if (S_ISDIR(st.st_mode))
        return TPathKind::Folder;
    if (S_ISREG(st.st_mode))
        return TPathKind::File;
    return TPathKind::Other;
}

TFolderEntries ListFolder(const std::string& dir)
{
    TFolderEntries out;
    DIR* d = opendir(dir.c_str());
    if (!d) {
        out.Readable = false;
        return out;
    }
    const int fd = dirfd(d);
    while (const dirent* e = readdir(d)) {
        const char* name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        unsigned char type = e->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            // What the link points at (or what the file system did not say).
            struct stat st{};
            if (fstatat(fd, name, &st, 0) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            out.Folders.emplace_back(name);
        else if (type == DT_REG)
            out.Files.emplace_back(name);
    }
    closedir(d);
    return out;
}

std::string PathOfFileUrl(const std::string& url)
{
    static const char scheme[] = "file://";
    const size_t n = sizeof(scheme) - 1;
    if (url.size() < n)
        return {};
    for (size_t i = 0; i < n; ++i)
        if (static_cast<char>(url[i] | (i < 4 ? 0x20 : 0)) != scheme[i])
            return {};
    const size_t slash = url.find('/', n);
    if (slash == std::string::npos)
        return {};
    const std::string host = url.substr(n, slash - n);
    if (!host.empty() && host != "localhost")
        return {};
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string path;
    for (size_t i = slash; i < url.size(); ++i) {
        const char c = url[i];
        if (c == '?' || c == '#')
            break;
        if (c == '%' && i + 2 < url.size() && hex(url[i + 1]) >= 0 && hex(url[i + 2]) >= 0) {
            path += static_cast<char>(hex(url[i + 1]) * 16 + hex(url[i + 2]));
            i += 2;
        } else {
            path += c;
        }
    }
    return path;
}

}  // namespace zin
