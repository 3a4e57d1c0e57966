// The catalogue: which definition colours a file, chosen by the file's
// extension, and shared definitions that live as long as their holders.
#include <mutex>

#include "platform/Files.h"
#include "platform/TextUtil.h"
#include "syntax/ZinSyntax.h"

namespace zin {

namespace {

// Live definitions are listed here (the cache does not keep one alive: its
// last holder's release removes the entry and destroys it). One lock for
// every access, so that definitions may be asked for on any thread.
struct TCatalogue {
    std::mutex Lock;
    std::string Dir;
    bool DirSet = false;
    std::weak_ptr<const TZinSyntax> PlainText;
    std::map<std::string, std::weak_ptr<const TZinSyntax>> Cache;
};

TCatalogue& Catalogue()
{
    static TCatalogue c;
    return c;
}

// Hands out a definition just loaded; the last holder's release takes it
// off the list (only the entry that still names it) and destroys it.
TSyntaxRef Share(TZinSyntax* syntax, std::string key)
{
    return TSyntaxRef(syntax, [key = std::move(key)](const TZinSyntax* s) {
        {
            TCatalogue& c = Catalogue();
            const std::lock_guard<std::mutex> lock(c.Lock);
            if (key.empty()) {
                if (c.PlainText.expired())
                    c.PlainText.reset();
            } else if (auto it = c.Cache.find(key); it != c.Cache.end() && it->second.expired()) {
                c.Cache.erase(it);
            }
        }
        delete s;
    });
}

}  // namespace

namespace {

const std::string& SyntaxDirLocked(TCatalogue& c)
{
    if (!c.DirSet) {
        c.Dir = ExecutableDir() + "syntax/";
        c.DirSet = true;
    }
    return c.Dir;
}

}  // namespace

const std::string& SyntaxDir()
{
    TCatalogue& c = Catalogue();
    const std::lock_guard<std::mutex> lock(c.Lock);
    return SyntaxDirLocked(c);
}

void SetSyntaxDir(const std::string& dir)
{
    TCatalogue& c = Catalogue();
    const std::lock_guard<std::mutex> lock(c.Lock);
    c.Dir = dir;
    if (!c.Dir.empty() && c.Dir.back() != '/')
        c.Dir.push_back('/');
    c.DirSet = true;
}

std::map<std::string, const TZinSyntax*> SyntaxCache()
{
    // The references taken here are let go after the lock (the last one
    // takes the lock to remove its entry).
    std::vector<TSyntaxRef> held;
    std::map<std::string, const TZinSyntax*> live;
    {
        TCatalogue& c = Catalogue();
        const std::lock_guard<std::mutex> lock(c.Lock);
        for (const auto& [key, weak] : c.Cache) {
            if (TSyntaxRef s = weak.lock()) {
                live.emplace(key, s.get());
                held.push_back(std::move(s));
            }
        }
    }
    return live;
}

TSyntaxRef GetPlainTextSyntax()
{
    TCatalogue& c = Catalogue();
    const std::lock_guard<std::mutex> lock(c.Lock);
    if (TSyntaxRef s = c.PlainText.lock())
        return s;
    // A missing or unreadable "syntax_text.syn" still gives a definition:
    // every default, title "Plain Text".
    TSyntaxRef s = Share(new TZinSyntax(SyntaxDirLocked(c) + "syntax_text.syn"), std::string());
    c.PlainText = s;
    return s;
}

TSyntaxRef SelectSyntaxByExtension(TSyntaxRef current, const std::string& extension)
{
    // The caller's reference goes first: a definition with one holder that
    // is selected again is destroyed and read afresh from disk.
    current.reset();

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
    const std::lock_guard<std::mutex> lock(c.Lock);
    auto it = c.Cache.find(name);
    if (it != c.Cache.end())
        if (TSyntaxRef s = it->second.lock())
            return s;
    // A definition file that cannot be read still gives a definition with
    // every default; it is cached and shared like any other.
    auto* syntax = new TZinSyntax(SyntaxDirLocked(c) + name);
    syntax->CacheKey = name;
    TSyntaxRef s = Share(syntax, name);
    c.Cache[name] = s;
    return s;
}

}  // namespace zin
