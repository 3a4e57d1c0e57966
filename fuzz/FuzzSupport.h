#pragma once
// What the fuzz targets share: a check that stops the run with a message, a
// private temporary directory for the files a target writes, the line
// store's invariants and a comparison of two stores.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "lines/ZinLines.h"

#define FUZZ_CHECK(cond)                                                                        \
    do {                                                                                        \
        if (!(cond)) {                                                                          \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);      \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace zin::fuzz {

// A directory of this process, removed at exit, with a trailing '/'.
const std::string& TempDirPath();
// Writes the bytes to TempDirPath() + name and returns the path.
std::string WriteTemp(const std::string& name, std::string_view bytes);
// The source tree's folder of shipped definitions, with a trailing '/'.
std::string ShippedSyntaxDir();
// The process's start-up for the targets that load text, once: the code
// page names, the system code page 1252 and the syntax folder.
void StartUp(const std::string& syntaxDir);

// The store's invariants: lines cover the file once and in order, every line
// but the last ends with a newline, rows cover each line's text in order and
// none is longer than the byte limit (a character of up to 3 bytes may stand
// alone), and the line and row counts match the list.
void CheckStore(const TZinLines& store, int32_t maxLineLength);

// Whether two stores hold the same lines (lengths, newlines, states, rows)
// and counts. With ZIN_FUZZ_VERBOSE set in the environment, a difference is
// printed.
// hintMayLinger: `a` went through more scans than `b` (a rescan against a
// fresh load) and may keep a comment-closes flag (state byte 2) that `b`
// does not have.
bool SameLines(const TZinLines& a, const TZinLines& b, bool hintMayLinger = false);
bool SameLinesQuiet(const TZinLines& a, const TZinLines& b, bool hintMayLinger = false);

}  // namespace zin::fuzz
