// The ".syn" loader and the catalogue on any bytes. The input is a
// definition file, loaded directly and through the catalogue by an
// extension file that names it. The loaded definition must be usable: every
// block comment begin has its range list, every range begin its range, and
// every style and range can be selected.
#include "FuzzSupport.h"
#include "syntax/ZinSyntax.h"

using namespace zin;

namespace {

void CheckDefinition(const TZinSyntax& s)
{
    FUZZ_CHECK(s.BlockCommentInRange.size() >= std::min(s.BlockCommentBegins.size(), s.BlockCommentEnds.size()));
    FUZZ_CHECK(s.RangeBegins.size() <= s.Ranges.size());
    // One byte taken as a signed number: 0x80-0xFF give negative values.
    FUZZ_CHECK(s.EscapeChar >= -128 && s.EscapeChar < 128);
    for (const TSyntaxRange& r : s.Ranges) {
        const TSyntaxRange* found = s.FindRange(r.Id);
        FUZZ_CHECK(found != nullptr && found->Id == r.Id);
        for (const TSyntaxStyle& st : s.Styles)
            s.SelectStyle(r.Id, st);
        s.CurrentBackground(r.Id);
    }
    for (int32_t id = 0; id < 256; ++id)
        if (const TSyntaxRange* r = s.FindRange(id))
            FUZZ_CHECK(r->Id == id);
    for (const TSyntaxKeyword& k : s.Keywords) {
        s.SelectStyle(0, k);
        FUZZ_CHECK(s.FindKeyword(k.Name) != nullptr);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool init = [] {
        SetSyntaxDir(fuzz::TempDirPath());
        return true;
    }();
    (void)init;

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::WriteTemp("fuzz.syn", bytes);
    TZinSyntax direct;
    FUZZ_CHECK(direct.Load(path));
    CheckDefinition(direct);
    // Loading again gives the same definition.
    TZinSyntax again(path);
    FUZZ_CHECK(again.Title == direct.Title && again.Ranges.size() == direct.Ranges.size() &&
               again.Keywords.size() == direct.Keywords.size() && again.StringChars == direct.StringChars &&
               again.BlockCommentBegins == direct.BlockCommentBegins && again.CodePage == direct.CodePage);

    // Through the catalogue: the extension file names the definition on its
    // first line (what follows is ignored).
    fuzz::WriteTemp("extension.fz", "fuzz.syn\n" + bytes.substr(0, 64));
    TSyntaxRef plain = GetPlainTextSyntax();
    TSyntaxRef s = SelectSyntaxByExtension(std::move(plain), ".fz");
    FUZZ_CHECK(s != nullptr);
    CheckDefinition(*s);
    FUZZ_CHECK(s->Title == direct.Title);
    // A second reference shares it; an unknown extension gives the fallback.
    TSyntaxRef t = SelectSyntaxByExtension(GetPlainTextSyntax(), "FZ");
    FUZZ_CHECK(t == s);
    TSyntaxRef u = SelectSyntaxByExtension(std::move(t), ".nothing");
    FUZZ_CHECK(u != s);
    u.reset();
    s.reset();
    // The last reference gone, the next input loads its own file.
    FUZZ_CHECK(SyntaxCache().empty());
    return 0;
}
