#pragma once
// A definition parsed from lines given in the test, as if read from a file.
#include <memory>
#include <string>
#include <vector>

#include "syntax/ZinSyntax.h"

namespace zin {

inline std::unique_ptr<TZinSyntax> FromLines(std::vector<std::string> lines)
{
    auto s = std::make_unique<TZinSyntax>();
    s->Reset();
    s->Lines = std::move(lines);
    s->Parse();
    return s;
}

}  // namespace zin
