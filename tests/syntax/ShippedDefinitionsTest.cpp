// Every shipped definition loads with its title and keyword sets, and every
// shipped extension file leads through the catalogue to one of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "platform/Files.h"
#include "platform/TextUtil.h"
#include "syntax/ZinSyntax.h"

namespace zin {
namespace {

std::string ShippedDir()
{
    if (const char* src = std::getenv("ZIN_SOURCE_DIR"); src && *src)
        return std::string(src) + "/syntax/";
    return ExecutableDir() + "syntax/";
}

struct Shipped {
    const char* file;
    const char* title;
    std::vector<std::string> sets;  // keyword set names, in file order
    std::vector<std::string> extensions;
};

const std::vector<Shipped>& ShippedTable()
{
    static const std::vector<Shipped> table = {
        {"syntax_text.syn", "Plain Text", {}, {"txt", "log", "text"}},
        {"syntax_c.syn", "C", {"keywords", "types", "constants", "library"}, {"c"}},
        {"syntax_cpp.syn", "C++", {"keywords", "types", "constants", "std"},
         {"h", "cpp", "hpp", "cc", "cxx", "hh", "hxx", "c++", "h++", "ipp", "inl"}},
        {"syntax_cs.syn", "C#", {"keywords", "types", "constants", "contextual"}, {"cs", "csx"}},
        {"syntax_java.syn", "Java", {"keywords", "types", "constants"}, {"java"}},
        {"syntax_js.syn", "JavaScript", {"keywords", "constants", "globals"}, {"js", "mjs", "cjs", "jsx"}},
        {"syntax_ts.syn", "TypeScript", {"keywords", "types", "constants", "globals"},
         {"ts", "tsx", "mts", "cts"}},
        {"syntax_python.syn", "Python", {"keywords", "constants", "builtins", "exceptions"},
         {"py", "pyw", "pyi"}},
        {"syntax_shell.syn", "Shell Script", {"keywords", "builtins", "commands"},
         {"sh", "bash", "zsh", "ksh"}},
        {"syntax_pascal.syn", "Pascal", {"keywords", "types", "constants"},
         {"pas", "pp", "dpr", "inc", "lpr", "dpk"}},
        {"syntax_sql.syn", "SQL", {"keywords", "types", "functions", "constants"}, {"sql"}},
        {"syntax_html.syn", "HTML", {"tags", "attributes", "script", "styles"},
         {"html", "htm", "xhtml", "shtml"}},
        {"syntax_xml.syn", "XML", {"declarations", "namespaces"},
         {"xml", "xsd", "xsl", "xslt", "svg", "xaml", "csproj", "plist", "rss"}},
        {"syntax_css.syn", "CSS", {"properties", "values", "functions", "elements"}, {"css"}},
        {"syntax_json.syn", "JSON", {"constants"}, {"json", "jsonc", "geojson"}},
        {"syntax_ini.syn", "INI", {"values"}, {"ini", "cfg", "conf", "properties", "desktop", "cnf"}},
        {"syntax_go.syn", "Go", {"keywords", "types", "constants", "builtins"}, {"go"}},
        {"syntax_rust.syn", "Rust", {"keywords", "types", "constants", "macros"}, {"rs"}},
        {"syntax_php.syn", "PHP", {"keywords", "constants", "functions"}, {"php", "phtml"}},
        {"syntax_ruby.syn", "Ruby", {"keywords", "constants", "methods"}, {"rb", "rake"}},
        {"syntax_lua.syn", "Lua", {"keywords", "constants", "library"}, {"lua"}},
        {"syntax_yaml.syn", "YAML", {"constants"}, {"yaml", "yml"}},
        {"syntax_markdown.syn", "Markdown", {}, {"md", "markdown", "mkd"}},
        {"syntax_diff.syn", "Diff", {"headers"}, {"diff", "patch"}},
    };
    return table;
}

bool Contains(const std::string& set, char16_t u)
{
    return u < 256 && set.find(static_cast<char>(u)) != std::string::npos;
}

TEST(ShippedDefinitions, EachLoadsWithItsTitleAndKeywordSets)
{
    const std::string dir = ShippedDir();
    for (const Shipped& s : ShippedTable()) {
        SCOPED_TRACE(s.file);
        TZinSyntax syn;
        ASSERT_TRUE(syn.Load(dir + s.file));
        EXPECT_EQ(syn.Title, s.title);
        std::vector<std::string> names;
        for (const TSyntaxKeyword& kw : syn.Keywords)
            names.push_back(kw.Name);
        // A mistyped key starts a keyword set of its own and shows up here.
        EXPECT_EQ(names, s.sets);
        for (const TSyntaxKeyword& kw : syn.Keywords) {
            SCOPED_TRACE(kw.Name);
            EXPECT_FALSE(kw.WordsCS.empty() && kw.WordsCIS.empty()) << "a set without words";
            EXPECT_NE(kw.Color, clNone) << "a set without colour";
            // Every word can be met as a word: no delimiter or blank inside,
            // not a number, not a special word.
            std::vector<std::u16string> all(kw.WordsCS.begin(), kw.WordsCS.end());
            all.insert(all.end(), kw.WordsCIS.begin(), kw.WordsCIS.end());
            {
                for (const std::u16string& w : all) {
                    std::string text(w.begin(), w.end());
                    EXPECT_FALSE(w[0] >= u'0' && w[0] <= u'9') << text;
                    EXPECT_FALSE(Contains(syn.SpecialWordPrefixes, w[0])) << text;
                    for (char16_t u : w)
                        EXPECT_FALSE(Contains(syn.Delimiters, u)) << text;
                }
            }
            for (int32_t id : kw.InRange)
                EXPECT_TRUE(id == 0 || syn.FindRange(id)) << "range " << id;
        }
        for (int32_t id : syn.StringInRange)
            EXPECT_TRUE(id == 0 || syn.FindRange(id)) << "range " << id;
        // Every block comment begin has its end.
        EXPECT_EQ(syn.BlockCommentBegins.size(), syn.BlockCommentEnds.size());
        EXPECT_EQ(syn.PairOpens.size(), syn.PairCloses.size());
        for (const TSyntaxRange& r : syn.Ranges) {
            EXPECT_TRUE(r.Id >= 1 && r.Id <= 255) << r.Id;
            EXPECT_FALSE(r.Begin.empty());
            EXPECT_FALSE(r.End.empty());
        }
        EXPECT_EQ(syn.Styles[seText].Color, 0x000000u) << "text must read well on white";
        EXPECT_EQ(syn.Styles[seText].BgColor, 0xFFFFFFu);
    }
}

// Every definition line is one the loader acts on as meant. A misspelled
// key or element name starts a keyword set and shows up in the set names
// above; this also catches what would pass silently there: a misspelled
// attribute (".comment.colour="), an "inrange" on a style other than
// "string", a colour or style value that reads as nothing, blanks that
// become part of a name, and words written after a section header's "=".
TEST(ShippedDefinitions, EveryLineIsUnderstood)
{
    static const std::set<std::string> keys = {
        "title",       "casesensitive",     "delimiter",    "linecomment",    "blockcomment",
        "escapechar",  "stringchar",        "directiveleading", "keywordprefix",
        "specialwordprefix", "indentstring", "unindentstring", "pair", "codepage", "range"};
    static const std::set<std::string> colourNames = {
        "aqua", "black", "blue", "fuchsia", "gray", "green", "lime", "maroon",
        "navy", "olive", "purple", "red", "silver", "teal", "white", "yellow"};
    auto isColour = [](const std::string& v) {
        if (colourNames.count(v))
            return true;
        if (v.size() != 6)
            return false;
        for (char c : v)
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
                return false;
        return true;
    };
    auto isStyle = [](const std::string& v) {
        static const std::set<std::string> words = {"bold", "italic", "underline", "strikeout"};
        for (const std::string& w : SplitTokens(v))
            if (!words.count(w))
                return false;
        return !v.empty();
    };
    const std::string dir = ShippedDir();
    for (const Shipped& s : ShippedTable()) {
        SCOPED_TRACE(s.file);
        std::vector<std::string> lines;
        ASSERT_TRUE(ReadTextLines(dir + s.file, lines));
        const std::set<std::string> sets(s.sets.begin(), s.sets.end());
        for (const std::string& line : lines) {
            if (line.size() < 2 || line[0] != '.' || line.find('=') == std::string::npos)
                continue;
            SCOPED_TRACE(line);
            const size_t eq = line.find('=');
            const size_t dot = line.find('.', 1);
            const std::string value = Trim(line.substr(eq + 1));
            if (dot != std::string::npos && dot < eq) {
                const std::string name = line.substr(1, dot - 1);
                const std::string attribute = line.substr(dot + 1, eq - dot - 1);
                bool isElement = false;
                for (const char* e : SyntaxStyleNames)
                    isElement = isElement || name == e;
                const bool isComment = name == "linecomment" || name == "blockcomment";
                EXPECT_TRUE(isElement || isComment || sets.count(name)) << "unknown name";
                if (attribute == "color" || attribute == "bgcolor") {
                    EXPECT_FALSE(isComment);
                    EXPECT_TRUE(isColour(value)) << "not a colour";
                } else if (attribute == "style") {
                    EXPECT_FALSE(isComment);
                    EXPECT_TRUE(isStyle(value)) << "not a font style";
                } else if (attribute == "inrange") {
                    EXPECT_TRUE(!isElement || name == "string") << "ignored for this element";
                    EXPECT_TRUE(!value.empty() && value[0] >= '0' && value[0] <= '9');
                } else {
                    ADD_FAILURE() << "unknown attribute \"" << attribute << '"';
                }
            } else {
                const std::string key = line.substr(1, eq - 1);
                if (sets.count(key)) {
                    EXPECT_EQ(value, "") << "text after a section header is ignored";
                } else {
                    EXPECT_TRUE(keys.count(key)) << "unknown key \"" << key << '"';
                    EXPECT_NE(value, "") << "a key without value";
                }
            }
        }
    }
}

// What each language needs of its definition: its comment tokens, block
// comment pairs in begin-end order, quote and escape characters, and
// words that must stay whole because no character in them is a delimiter.
TEST(ShippedDefinitions, EachDoesWhatItsLanguageNeeds)
{
    using L = std::vector<std::string>;
    struct Need {
        const char* file;
        L lineComments;
        L blockComments;  // begin, end, begin, end ...
        const char* stringChars;
        int escapeChar;
        L wholeWords;
    } needs[] = {
        {"syntax_text.syn", {}, {}, "", -1, {}},
        {"syntax_c.syn", {"//"}, {"/*", "*/"}, "\"'", '\\', {"_Static_assert", "uint8_t"}},
        {"syntax_cpp.syn", {"//"}, {"/*", "*/"}, "\"'", '\\', {"co_await", "__cplusplus"}},
        {"syntax_cs.syn", {"//"}, {"/*", "*/"}, "\"'", '\\', {"_field"}},
        {"syntax_java.syn", {"//"}, {"/*", "*/"}, "\"'", '\\', {"_field"}},
        {"syntax_js.syn", {"//"}, {"/*", "*/"}, "\"'`", '\\', {"$scope", "jQuery$", "_private"}},
        {"syntax_ts.syn", {"//"}, {"/*", "*/"}, "\"'`", '\\', {"$scope", "jQuery$", "_private"}},
        {"syntax_python.syn", {"#"}, {}, "\"'", '\\', {"__init__"}},
        {"syntax_shell.syn", {"#"}, {}, "\"'`", '\\', {"MY_VAR"}},
        {"syntax_pascal.syn", {"//"}, {"{", "}", "(*", "*)"}, "'", -1, {"my_var"}},
        {"syntax_sql.syn", {"--"}, {"/*", "*/"}, "'\"", -1, {"current_date"}},
        {"syntax_html.syn", {"//"}, {"<!--", "-->", "/*", "*/"}, "\"'`", '\\', {"h1"}},
        {"syntax_xml.syn", {}, {"<!--", "-->"}, "\"'", -1,
         {"xsl:value-of", "xml-stylesheet", "xsi:schemaLocation", "my.name"}},
        {"syntax_css.syn", {}, {"/*", "*/"}, "\"'", '\\',
         {"background-color", "--main-colour", "linear-gradient"}},
        {"syntax_json.syn", {"//"}, {"/*", "*/"}, "\"", '\\', {}},
        {"syntax_ini.syn", {";", "#"}, {}, "\"", -1, {"skip-name-resolve", "my_key"}},
        {"syntax_go.syn", {"//"}, {"/*", "*/"}, "\"'`", '\\', {"_"}},
        {"syntax_rust.syn", {"//"}, {"/*", "*/"}, "\"", '\\', {"macro_rules"}},
        {"syntax_php.syn", {"//", "#"}, {"/*", "*/", "<!--", "-->"}, "\"'`", '\\', {"__class__"}},
        {"syntax_ruby.syn", {"#"}, {"=begin", "=end"}, "\"'`", '\\', {"attr_reader"}},
        {"syntax_lua.syn", {"--"}, {"--[[", "]]"}, "\"'", '\\', {"_ENV"}},
        {"syntax_yaml.syn", {"#"}, {}, "\"", '\\', {"runs-on", "ubuntu-latest"}},
        {"syntax_markdown.syn", {}, {"<!--", "-->"}, "`", -1, {}},
        {"syntax_diff.syn", {}, {}, "", -1, {"a/src/file.c"}},
    };
    const std::string dir = ShippedDir();
    std::set<std::string> seen;
    for (const Need& n : needs) {
        SCOPED_TRACE(n.file);
        seen.insert(n.file);
        TZinSyntax syn;
        ASSERT_TRUE(syn.Load(dir + n.file));
        EXPECT_EQ(syn.LineComments, n.lineComments);
        L pairs;
        for (size_t k = 0; k < syn.BlockCommentBegins.size(); ++k) {
            pairs.push_back(syn.BlockCommentBegins[k]);
            pairs.push_back(k < syn.BlockCommentEnds.size() ? syn.BlockCommentEnds[k] : "");
        }
        EXPECT_EQ(pairs, n.blockComments);
        EXPECT_EQ(syn.StringChars, n.stringChars);
        EXPECT_EQ(syn.EscapeChar, n.escapeChar);
        for (const std::string& w : n.wholeWords)
            for (char c : w)
                EXPECT_EQ(syn.Delimiters.find(c), std::string::npos)
                    << "'" << c << "' cuts " << w;
    }
    EXPECT_EQ(seen.size(), ShippedTable().size()) << "every shipped definition is listed";
}

TEST(ShippedDefinitions, EveryFileIsKnownAndEveryExtensionNamesOne)
{
    const std::string dir = ShippedDir();
    std::set<std::string> definitions;
    std::map<std::string, std::string> extensions;  // extension -> definition
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("extension.", 0) == 0) {
            std::vector<std::string> lines;
            ASSERT_TRUE(ReadTextLines(entry.path().string(), lines)) << name;
            ASSERT_EQ(lines.size(), 1u) << name << " holds one line";
            extensions[name.substr(10)] = lines[0];
        } else {
            EXPECT_EQ(entry.path().extension(), ".syn") << name;
            definitions.insert(name);
        }
    }
    std::set<std::string> known;
    for (const Shipped& s : ShippedTable())
        known.insert(s.file);
    EXPECT_EQ(definitions, known);
    std::map<std::string, std::string> expected;
    for (const Shipped& s : ShippedTable())
        for (const std::string& e : s.extensions)
            expected[e] = s.file;
    EXPECT_EQ(extensions, expected);
    for (const auto& [ext, file] : extensions)
        EXPECT_TRUE(FileExists(dir + file)) << "extension." << ext << " names " << file;
}

TEST(ShippedDefinitions, EachExtensionSelectsItsDefinition)
{
    SetSyntaxDir(ShippedDir());
    std::vector<TSyntaxRef> held;
    for (const Shipped& s : ShippedTable()) {
        TSyntaxRef first;
        for (const std::string& ext : s.extensions) {
            TSyntaxRef syn = SelectSyntaxByExtension(nullptr, "." + ext);
            EXPECT_EQ(syn->Title, s.title) << ext;
            // Extensions naming one file share one definition.
            if (first) {
                EXPECT_EQ(syn, first) << ext;
            }
            first = syn;
            held.push_back(syn);
        }
    }
    TSyntaxRef plain = GetPlainTextSyntax();
    EXPECT_EQ(plain->Title, "Plain Text");
    // extension.txt names syntax_text.syn: the same file, but a cached
    // definition of its own, apart from the fallback.
    TSyntaxRef txt = SelectSyntaxByExtension(nullptr, ".TXT");
    EXPECT_EQ(txt->Title, "Plain Text");
    EXPECT_NE(txt, plain);
    EXPECT_EQ(SyntaxCache().at("syntax_text.syn"), txt.get());
    const TSyntaxRef none = SelectSyntaxByExtension(nullptr, ".no-such-extension");
    const TSyntaxRef empty = SelectSyntaxByExtension(nullptr, "");
    EXPECT_EQ(none, plain);
    EXPECT_EQ(empty, plain);
    EXPECT_EQ(plain.use_count(), 3);
    // The last holders gone, nothing stays cached.
    held.clear();
    txt.reset();
    EXPECT_TRUE(SyntaxCache().empty());
}

}  // namespace
}  // namespace zin
