// The catalogue: which definition colours a file, chosen by the file's
// extension, and shared definitions kept alive by reference counts.
#include "platform/Files.h"
#include "platform/TextUtil.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

struct TCatalogue {
    std::string Dir;
    bool DirSet = false;
    TZinSyntax* PlainText = nullptr;
    std::map<std::string, TZinSyntax*> Cache;
};

TCatalogue& Catalogue()
{
    static TCatalogue c;
    return c;
}

}  // namespace

const std::string& SyntaxDir()
{
    TCatalogue& c = Catalogue();
    if (!c.DirSet) {
        c.Dir = ExecutableDir() + "syntax/";
        c.DirSet = true;
    }
    return c.Dir;
}

void SetSyntaxDir(const std::string& dir)
{
    TCatalogue& c = Catalogue();
    c.Dir = dir;
    if (!c.Dir.empty() && c.Dir.back() != '/')
        c.Dir.push_back('/');
    c.DirSet = true;
}

const std::map<std::string, TZinSyntax*>& SyntaxCache()
{
    return Catalogue().Cache;
}

TZinSyntax* GetPlainTextSyntax()
{
    TCatalogue& c = Catalogue();
    if (!c.PlainText) {
        // A missing or unreadable "syntax_text.syn" still gives a definition:
        // every default, title "Plain Text".
        c.PlainText = new TZinSyntax(SyntaxDir() + "syntax_text.syn");
        c.PlainText->RefCount = 0;
    }
    ++c.PlainText->RefCount;
    return c.PlainText;
}

TZinSyntax* SelectSyntaxByExtension(TZinSyntax* current, const std::string& extension)
{
    // The caller's reference goes first: a definition with one holder that
    // is selected again is destroyed and read afresh from disk.
    ReleaseSyntax(current);

    std::string ext = LowerCase(Trim(extension));
    if (ext.empty())
        return GetPlainTextSyntax();
    if (ext[0] != '.')
        ext.insert(ext.begin(), '.');

    const std::string extFile = SyntaxDir() + "extension" + ext;
    if (!FileExists(extFile))
        return GetPlainTextSyntax();
    std::vector<std::string> lines;
    // An unreadable extension file, one without lines or one whose first
    // line is blank names no definition: "Plain Text" it is.
    if (!ReadTextLines(extFile, lines) || lines.empty())
        return GetPlainTextSyntax();
    const std::string name = Trim(lines[0]);
    if (name.empty())
        return GetPlainTextSyntax();

    TCatalogue& c = Catalogue();
    auto it = c.Cache.find(name);
    if (it != c.Cache.end()) {
        ++it->second->RefCount;
        return it->second;
    }
    // A definition file that cannot be read still gives a definition with
    // every default; it is cached and counted like any other.
    auto* syntax = new TZinSyntax(SyntaxDir() + name);
    syntax->CacheKey = name;
    syntax->RefCount = 1;
    c.Cache.emplace(name, syntax);
    return syntax;
}

void ReleaseSyntax(TZinSyntax* syntax)
{
    if (!syntax)
        return;
    if (syntax->RefCount-- != 1)
        return;
    TCatalogue& c = Catalogue();
    if (syntax == c.PlainText) {
        c.PlainText = nullptr;
    } else {
        // Exactly the entry that holds this definition goes.
        auto it = c.Cache.find(syntax->CacheKey);
        if (it != c.Cache.end() && it->second == syntax) {
            c.Cache.erase(it);
        } else {
            for (it = c.Cache.begin(); it != c.Cache.end(); ++it) {
                if (it->second == syntax) {
                    c.Cache.erase(it);
                    break;
                }
            }
        }
    }
    delete syntax;
}

}  // namespace zin
