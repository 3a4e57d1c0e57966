#pragma once
// Paths and folder listings for the window's browser, kept as the bytes the
// file system gives: a name that is not valid UTF-8 is shown with
// replacement characters but opened by its own bytes. Plain C++, tested
// without a display.
#include <string>
#include <vector>

namespace zin {

// The absolute, lexically clean form of a path: a relative path is taken
// from `cwd`; empty and "." parts go, ".." takes the part before it away
// (never above the root). "/" for the root, otherwise no trailing '/'.
std::string CleanPath(const std::string& path, const std::string& cwd);
// The current folder's path ("/" when it cannot be read).
std::string CurrentFolder();

// The folder of a clean absolute path ("/a/b" -> "/a", "/a" -> "/"), and
// its last part ("/a/b" -> "b", "/" -> "").
std::string ParentFolder(const std::string& path);
std::string LastPart(const std::string& path);
// dir + '/' + name, with one '/' after the root.
std::string JoinPath(const std::string& dir, const std::string& name);

// What a path names, following symbolic links.
enum class TPathKind { Missing, Folder, File, Other };
TPathKind KindOfPath(const std::string& path);

// A folder's entries by name, unsorted: the folders (links to folders too,
// "." and ".." left out) and the regular files (links to them too). Other
// entries (pipes, devices, sockets, dangling links) are not listed.
// Readable is false when the folder could not be read.
struct TFolderEntries {
    std::vector<std::string> Folders;
    std::vector<std::string> Files;
    bool Readable = true;
};
TFolderEntries ListFolder(const std::string& dir);

// The path of a file:// address: its path part with %XX escapes turned
// into the bytes they stand for (any byte, valid UTF-8 or not). Empty for
// another scheme or a host other than "" and "localhost".
std::string PathOfFileUrl(const std::string& url);

}  // namespace zin
