#pragma once
// Files and paths. A file is opened read-only while others may read, write,
// delete or truncate it; sizes and positions are 64-bit.
#include <cstdint>
#include <string>
#include <vector>

namespace zin {

// Which file a path names, and its size: two identities with the same
// device and inode are the same file.
struct TFileIdentity {
    uint64_t Device = 0;
    uint64_t Inode = 0;
    uint64_t Size = 0;
    int64_t ModifiedNs = 0;  // the last change of its bytes
    bool SameFile(const TFileIdentity& o) const { return Device == o.Device && Inode == o.Inode; }
    bool SameState(const TFileIdentity& o) const
    {
        return SameFile(o) && Size == o.Size && ModifiedNs == o.ModifiedNs;
    }
};

class TPlatformFile {
public:
    TPlatformFile() = default;
    ~TPlatformFile() { Close(); }
    TPlatformFile(const TPlatformFile&) = delete;
    TPlatformFile& operator=(const TPlatformFile&) = delete;

    // Opens an existing regular file for reading. A missing file, a
    // directory, a pipe, a device or an unreadable file fail; Error() then
    // says why.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return FFd >= 0; }

    // The size taken when the file was opened.
    uint64_t Size() const { return FSize; }
    // Reads up to n bytes at pos; returns the number of bytes read (0 at or
    // past the end, or on a failed read). Never reads past n.
    uint64_t ReadAt(void* buffer, uint64_t n, uint64_t pos) const;

    // The reason of the last failed Open, as the system words it.
    const std::string& Error() const { return FError; }
    // What the open file is now: its identity and its current size. False
    // when the system cannot say.
    bool Identity(TFileIdentity& id) const;

private:
    int FFd = -1;
    uint64_t FSize = 0;
    std::string FError;
};

// The identity of the regular file a path names; false when there is none
// (missing, or not a regular file).
bool PathIdentity(const std::string& path, TFileIdentity& id);

// The reason Open gives for a named pipe, a device or a socket: only
// regular files are opened.
const std::string& NotARegularFileError();

// The directory of the running program, with a trailing '/'.
std::string ExecutableDir();
bool FileExists(const std::string& path);       // an existing regular file
bool DirectoryExists(const std::string& path);
// Creates the directory and its missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
// Reads a text file as 8-bit lines split at CR LF, LF or CR. False when the
// file cannot be opened or read; the lines are then empty.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines);
// The extension of a file name: from the last '.' of its last path component
// on ("" when there is none), as in "dir/a.tar.gz" -> ".gz".
std::string ExtractFileExt(const std::string& path);

}  // namespace zin
