#pragma once
// Bytes as Qt text. Paths and names are kept and used as their bytes; they
// are shown as UTF-8, a sequence that is not UTF-8 as replacement
// characters.
#include <QString>

#include <string>

namespace zin {

inline QString FromBytes(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace zin
