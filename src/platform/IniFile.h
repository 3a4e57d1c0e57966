#pragma once
// A settings file in the INI text format: "[Section]" lines open sections,
// "Key=Value" lines hold settings. Section and key names match without
// regard to ASCII letter case; values are trimmed of surrounding white space.
//
// The file is read once at construction. Every write updates the file at
// once (its directory and the file itself are created by the first write),
// keeping comments, blank lines and lines it does not understand, and the
// keys in the order they were written: a new key goes to the end of its
// section, a rewritten key keeps its place.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zin {

class TIniFile {
public:
    explicit TIniFile(const std::string& fileName);

    const std::string& FileName() const { return FFileName; }
    // False when the file exists but could not be read; writes then fail
    // rather than replace a file whose content is unknown.
    bool Readable() const { return FReadable; }

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(std::string_view section) const;  // keys, in order

    std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
    // Decimal, or hexadecimal after "0x" or "$"; `def` for anything else.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
    // A non-zero integer, "true", "yes" or "on" is true; zero, "false", "no"
    // or "off" is false; anything else gives `def`.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    // Each returns whether the file was written. A section or key name that
    // the format cannot hold (empty, with a line break, '=' or a bracket
    // where it would change the meaning) is refused. Line breaks in a value
    // become blanks.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);

private:
    struct TLine {
        std::string Key;   // empty for comments, blank and unreadable lines
        std::string Text;  // the value, or the whole line when Key is empty
    };
    struct TSection {
        std::string Name;  // empty for the lines before the first section
        bool Header = true;
        std::vector<TLine> Lines;
    };

    void Parse(const std::string& data);
    const TSection* FindSection(std::string_view name) const;
    TSection* FindSection(std::string_view name);
    const TLine* FindLine(std::string_view section, std::string_view key) const;
    bool Save() const;

    std::string FFileName;
    bool FReadable = true;
    bool FBom = false;
    std::vector<TSection> FSections;
};

}  // namespace zin
