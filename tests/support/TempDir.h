#pragma once
// A temporary directory for one test, removed with everything in it when the
// object goes out of scope. Tests write the files they need into it.
#include <string>
#include <string_view>

namespace zin::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory's path, with a trailing '/'.
    const std::string& Path() const { return FPath; }
    // Writes bytes to Path() + name (creating parent directories) and returns the full path.
    std::string Write(const std::string& name, std::string_view bytes) const;

private:
    std::string FPath;
};

// Reads a whole file into a byte string; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

}  // namespace zin::test
