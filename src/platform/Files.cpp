#include "platform/Files.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zin {

bool TPlatformFile::Open(const std::string& path)
{
    Close();
    FError.clear();
    // Non-blocking, so that opening a named pipe without a writer returns
    // at once instead of hanging; it then fails the probe read below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        FError = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        FError = std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        FError = std::strerror(EISDIR);
        ::close(fd);
        return false;
    }
    // A pipe or a device has no size and no positions to read at (the
    // system would say "Illegal seek"); a socket neither.
    if (!S_ISREG(st.st_mode)) {
        FError = NotARegularFileError();
        ::close(fd);
        return false;
    }
    // Probe one read so that a file that opens but cannot be read (some
    // special files) is reported now rather than shown as garbage later.
    char probe;
    if (::pread(fd, &probe, 1, 0) < 0) {
        FError = std::strerror(errno);
        ::close(fd);
        return false;
    }
    FFd = fd;
    FSize = static_cast<uint64_t>(st.st_size);
    return true;
}

const std::string& NotARegularFileError()
{
    static const std::string text = "This is a pipe or a device, not a file: it cannot be opened.";
    return text;
}

void TPlatformFile::Close()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
    FSize = 0;
}

namespace {
void FillIdentity(const struct stat& st, TFileIdentity& id)
{
    id.Device = static_cast<uint64_t>(st.st_dev);
    id.Inode = static_cast<uint64_t>(st.st_ino);
    id.Size = static_cast<uint64_t>(st.st_size);
    id.ModifiedNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}
}  // namespace

bool TPlatformFile::Identity(TFileIdentity& id) const
{
    struct stat st {};
    if (FFd < 0 || ::fstat(FFd, &st) != 0)
        return false;
    FillIdentity(st, id);
    return true;
}

bool PathIdentity(const std::string& path, TFileIdentity& id)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    FillIdentity(st, id);
    return true;
}

uint64_t TPlatformFile::ReadAt(void* buffer, uint64_t n, uint64_t pos) const
{
    if (FFd < 0 || pos > static_cast<uint64_t>(LLONG_MAX))
        return 0;
    uint64_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < n) {
        const ssize_t r = ::pread(FFd, out + done, n - done, static_cast<off_t>(pos + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;  // end of a file that shrank, or a failed read
        done += static_cast<uint64_t>(r);
    }
    return done;
}

std::string ExecutableDir()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return "./";
    std::string path(buf, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path)
{
    if (path.empty())
        return false;
    std::string part;
    part.reserve(path.size());
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            if (!part.empty() && part != "/" && !DirectoryExists(part)) {
                if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                    return false;
            }
        }
        if (i < path.size())
            part.push_back(path[i]);
    }
    return DirectoryExists(path);
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines)
{
    lines.clear();
    TPlatformFile f;
    if (!f.Open(path))
        return false;
    std::string data;
    data.resize(f.Size());
    if (f.ReadAt(data.data(), data.size(), 0) != data.size())
        return false;
    std::string cur;
    for (size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(cur));
            cur.clear();
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty())
        lines.push_back(std::move(cur));
    return true;
}

std::string ExtractFileExt(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return path.substr(dot);
}

}  // namespace zin
