#include "search/ZinSearch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 0
#include <pcre2.h>

#include "encoding/Decoder.h"
#include "lines/ZinData.h"
#include "lines/ZinLinesDecode.h"

namespace zin {

// ---- Sources ----------------------------------------------------------------

std::unique_ptr<TFileSearchSource> TFileSearchSource::Open(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISREG(st.st_mode) ? std::strerror(errno) : "Not a regular file";
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TFileSearchSource>(new TFileSearchSource(fd, static_cast<uint64_t>(st.st_size)));
}

TFileSearchSource::~TFileSearchSource()
{
    ::close(FFd);
}

size_t TFileSearchSource::Read(uint64_t pos, uint8_t* buf, size_t n)
{
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(FFd, buf + got, n - got, static_cast<off_t>(pos + got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += static_cast<size_t>(r);
    }
    return got;
}

struct TDataSearchSource::TWindowHolder {
    TByteWindow Window;
};

TDataSearchSource::TDataSearchSource(const TInData& data, uint64_t size)
    : FData(data), FSize(size), FWindow(std::make_unique<TWindowHolder>())
{
}

TDataSearchSource::~TDataSearchSource() = default;

size_t TDataSearchSource::Read(uint64_t pos, uint8_t* buf, size_t n)
{
    if (pos >= FSize)
        return 0;
    n = static_cast<size_t>(std::min<uint64_t>(n, FSize - pos));
    if (const auto* mem = dynamic_cast<const TMemData*>(&FData)) {
        // Memory chunks lie still while nothing loads: copy them directly.
        size_t done = 0;
        while (done < n) {
            const uint64_t p = pos + done;
            const size_t at = static_cast<size_t>(p % ChunkSize);
            const size_t k = std::min<size_t>(n - done, ChunkSize - at);
            std::memcpy(buf + done, mem->FChunks[static_cast<size_t>(p / ChunkSize)].get() + at, k);
            done += k;
        }
        return n;
    }
    for (size_t i = 0; i < n; ++i)
        buf[i] = FData.ByteAt(pos + i, FWindow->Window);
    return n;
}

size_t TBytesSearchSource::Read(uint64_t pos, uint8_t* buf, size_t n)
{
    if (pos >= FBytes.size())
        return 0;
    n = static_cast<size_t>(std::min<uint64_t>(n, FBytes.size() - pos));
    std::memcpy(buf, FBytes.data() + pos, n);
    return n;
}

// ---- The compiled pattern -----------------------------------------------------

namespace {

enum TNl : uint8_t { nlNone = 0, nlCR = 13, nlLF = 10 };

// Decodes UTF-8 text into code points; false when it is not valid UTF-8.
bool Utf8ToCodePoints(const std::string& s, std::vector<char32_t>& out)
{
    out.clear();
    size_t i = 0;
    while (i < s.size()) {
        const uint8_t b = static_cast<uint8_t>(s[i]);
        int n;
        char32_t c;
        if (b < 0x80) {
            n = 1;
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            n = 2;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            n = 3;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            n = 4;
            c = b & 0x07;
        } else {
            return false;
        }
        if (i + n > s.size())
            return false;
        for (int k = 1; k < n; ++k) {
            const uint8_t t = static_cast<uint8_t>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (t & 0x3F);
        }
        if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.push_back(c);
        i += n;
    }
    return true;
}

void AppendUtf16(char32_t c, std::u16string& out)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

// Whether a regular expression can neither match nor look at a newline
// character: then matching a run of whole lines in one go (newlines being
// the engine's line breaks) finds exactly what matching each line alone
// would. Conservative: anything it does not know gives false, and the
// pattern is then matched one line at a time.
bool IsLineSafe(const std::string& p)
{
    const size_t n = p.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        const unsigned char next = i + 1 < n ? static_cast<unsigned char>(p[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F)
            return false;
        if (c == '\\') {
            if (next == 0)
                return false;
            const bool alnum = (next >= '0' && next <= '9') || (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z');
            if (next < 0x80 && !alnum) {
                ++i;
                continue;
            }
            if (next == 'N' && i + 2 < n && p[i + 2] == '{')
                return false;
            if (std::strchr("dwbBthNKQE", next) && next != 0) {
                ++i;
                continue;
            }
            if (next >= '1' && next <= '9' && !(i + 2 < n && p[i + 2] >= '0' && p[i + 2] <= '9')) {
                ++i;
                continue;
            }
            return false;
        }
        if (c == '[' && (next == '^' || next == ':'))
            return false;
        if (c == '(' && next == '*')
            return false;
        if (c == '(' && next == '?') {
            // Option settings: (?s) lets '.' match newlines.
            for (size_t k = i + 2; k < n; ++k) {
                const char f = p[k];
                if (f == 's')
                    return false;
                if (!((f >= 'a' && f <= 'z') || (f >= 'A' && f <= 'Z') || f == '-' || f == '^'))
                    break;
            }
        }
    }
    return true;
}

std::string PcreMessage(int code)
{
    PCRE2_UCHAR8 buf[256];
    if (pcre2_get_error_message_8(code, buf, sizeof buf) < 0)
        return "error " + std::to_string(code);
    return reinterpret_cast<const char*>(buf);
}

}  // namespace

struct TSearchPattern::TCompiled {
    TSearchOptions Options;
    int32_t CodePage = 0;
    TDecoder Decoder;
    int Kind = cpkSingleByte;
    bool NeverMatches = false;  // a literal holding a newline
    bool LineSafe = true;
    // Windows of ASCII bytes match as bytes with Code8 when the code page
    // decodes ASCII to itself; in hex mode Code8 matches every byte.
    bool AsciiSame = false;
    TNl Nl[256] = {};            // the newline a byte is, standing at a character's start
    bool TrailPossible[256] = {};  // double-byte: some lead byte pairs with it
    WideChar Single[256] = {};     // single-byte decoding (or the bytes themselves)

    pcre2_code_8* Code8 = nullptr;
    pcre2_code_16* Code16 = nullptr;
    bool Jit8 = false, Jit16 = false;

    ~TCompiled()
    {
        pcre2_code_free_8(Code8);
        pcre2_code_free_16(Code16);
    }
};

TSearchPattern::TSearchPattern() = default;
TSearchPattern::~TSearchPattern() = default;
TSearchPattern::TSearchPattern(const TSearchPattern&) = default;
TSearchPattern& TSearchPattern::operator=(const TSearchPattern&) = default;

const TSearchOptions& TSearchPattern::Options() const
{
    static const TSearchOptions none;
    return FCompiled ? FCompiled->Options : none;
}

int32_t TSearchPattern::CodePage() const
{
    return FCompiled ? FCompiled->CodePage : 0;
}

namespace {

// The code page's facts the scan needs: how ASCII and the newline bytes
// decode, and which bytes can follow a lead byte.
void LearnCodePage(TSearchPattern::TCompiled& c)
{
    const TDecoder& d = c.Decoder;
    c.Kind = d.Valid() ? d.Kind() : int(cpkSingleByte);
    for (int b = 0; b < 256; ++b)
        c.Single[b] = d.Valid() && c.Kind == cpkSingleByte ? d.SingleByte(static_cast<uint8_t>(b)) : WideChar(b);
    bool same = true;
    switch (c.Kind) {
    case cpkSingleByte:
        for (int b = 0; b < 128; ++b)
            same = same && c.Single[b] == b;
        for (int b = 0; b < 256; ++b)
            c.Nl[b] = c.Single[b] == 10 ? nlLF : c.Single[b] == 13 ? nlCR : nlNone;
        break;
    case cpkDoubleByte:
        for (int l = 0; l < 256; ++l) {
            if (!d.IsLeadByte(static_cast<uint8_t>(l)))
                continue;
            for (int t = 0; t < 256; ++t)
                if (d.DoubleByte(static_cast<uint8_t>(l), static_cast<uint8_t>(t)) != l)
                    c.TrailPossible[t] = true;
        }
        for (int b = 0; b < 128; ++b)
            same = same && !d.IsLeadByte(static_cast<uint8_t>(b)) && d.LoneByte(static_cast<uint8_t>(b)) == b;
        for (int b = 0; b < 256; ++b) {
            const uint8_t u8 = static_cast<uint8_t>(b);
            if (!d.IsLeadByte(u8) && !c.TrailPossible[b]) {
                const WideChar u = d.LoneByte(u8);
                c.Nl[b] = u == 10 ? nlLF : u == 13 ? nlCR : nlNone;
            }
        }
        break;
    case cpkUTF8:
        c.Nl[10] = nlLF;
        c.Nl[13] = nlCR;
        break;
    default:  // UTF-16: newlines are whole units
        same = false;
        break;
    }
    c.AsciiSame = same;
}

// The pattern's text in the code page's bytes; false when a character has
// no encoding there.
bool EncodeInCodePage(const TSearchPattern::TCompiled& c, const std::vector<char32_t>& cps, std::string& out)
{
    out.clear();
    const TDecoder& d = c.Decoder;
    for (const char32_t cp : cps) {
        switch (c.Kind) {
        case cpkUTF8: {
            if (cp < 0x80) {
                out += static_cast<char>(cp);
            } else if (cp < 0x800) {
                out += static_cast<char>(0xC0 | (cp >> 6));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            } else if (cp < 0x10000) {
                out += static_cast<char>(0xE0 | (cp >> 12));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            } else {
                out += static_cast<char>(0xF0 | (cp >> 18));
                out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            }
            break;
        }
        case cpkUTF16LE:
        case cpkUTF16BE: {
            std::u16string u;
            AppendUtf16(cp, u);
            for (const char16_t unit : u) {
                const char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>(unit >> 8);
                out += c.Kind == cpkUTF16LE ? lo : hi;
                out += c.Kind == cpkUTF16LE ? hi : lo;
            }
            break;
        }
        case cpkDoubleByte: {
            bool found = false;
            for (int b = 0; b < 256 && !found; ++b) {
                if (!d.IsLeadByte(static_cast<uint8_t>(b)) && d.LoneByte(static_cast<uint8_t>(b)) == cp) {
                    out += static_cast<char>(b);
                    found = true;
                }
            }
            for (int l = 0; l < 256 && !found; ++l) {
                if (!d.IsLeadByte(static_cast<uint8_t>(l)))
                    continue;
                for (int t = 0; t < 256 && !found; ++t) {
                    if (d.DoubleByte(static_cast<uint8_t>(l), static_cast<uint8_t>(t)) == cp && cp != char32_t(l)) {
                        out += static_cast<char>(l);
                        out += static_cast<char>(t);
                        found = true;
                    }
                }
            }
            if (!found)
                return false;
            break;
        }
        default: {
            bool found = false;
            for (int b = 0; b < 256 && !found; ++b) {
                if (c.Single[b] == cp) {
                    out += static_cast<char>(b);
                    found = true;
                }
            }
            if (!found)
                return false;
            break;
        }
        }
    }
    return true;
}

// Literal text as a regular expression: ASCII punctuation escaped, control
// characters as \x{..}, everything else as it is.
std::string EscapeLiteral(const std::string& s)
{
    std::string out;
    for (const char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (c >= 0x80 || alnum) {
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char buf[12];
            std::snprintf(buf, sizeof buf, "\\x{%02x}", c);
            out += buf;
        } else {
            out += '\\';
            out += ch;
        }
    }
    return out;
}

pcre2_compile_context_8* Context8()
{
    static pcre2_compile_context_8* const ctx = [] {
        pcre2_compile_context_8* c = pcre2_compile_context_create_8(nullptr);
        pcre2_set_newline_8(c, PCRE2_NEWLINE_ANYCRLF);
        pcre2_set_bsr_8(c, PCRE2_BSR_ANYCRLF);
        return c;
    }();
    return ctx;
}

pcre2_compile_context_16* Context16()
{
    static pcre2_compile_context_16* const ctx = [] {
        pcre2_compile_context_16* c = pcre2_compile_context_create_16(nullptr);
        pcre2_set_newline_16(c, PCRE2_NEWLINE_ANYCRLF);
        pcre2_set_bsr_16(c, PCRE2_BSR_ANYCRLF);
        return c;
    }();
    return ctx;
}

pcre2_code_8* Compile8(const std::string& p, uint32_t options, std::string& error)
{
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code_8* re = pcre2_compile_8(reinterpret_cast<PCRE2_SPTR8>(p.data()), p.size(), options, &code, &offset,
                                       Context8());
    if (!re)
        error = PcreMessage(code) + " (at offset " + std::to_string(offset) + ")";
    return re;
}

}  // namespace

bool TSearchPattern::Compile(const TSearchOptions& options, int32_t codePage)
{
    auto c = std::make_shared<TCompiled>();
    c->Options = options;
    c->CodePage = codePage;
    c->Decoder = TDecoder::For(codePage);
    LearnCodePage(*c);

    if (options.Pattern.empty()) {
        FError = "Nothing to find.";
        return false;
    }
    std::vector<char32_t> cps;
    if (!Utf8ToCodePoints(options.Pattern, cps)) {
        FError = "The text to find is not valid UTF-8.";
        return false;
    }
    std::string error;
    if (options.Bytes) {
        if (options.Regex) {
            FError = "Regular expressions are not available in hex mode.";
            return false;
        }
        std::string bytes;
        if (!EncodeInCodePage(*c, cps, bytes)) {
            FError = "The text has characters that this code page cannot hold.";
            return false;
        }
        std::string body;
        for (const char b : bytes) {
            char buf[12];
            std::snprintf(buf, sizeof buf, "\\x{%02x}", static_cast<unsigned char>(b));
            body += buf;
        }
        if (options.WholeWord)
            body = "(?<![A-Za-z0-9_])(?:" + body + ")(?![A-Za-z0-9_])";
        c->Code8 = Compile8(body, options.MatchCase ? 0 : PCRE2_CASELESS, error);
        if (!c->Code8) {
            FError = error;
            return false;
        }
        c->Jit8 = pcre2_jit_compile_8(c->Code8, PCRE2_JIT_COMPLETE) == 0;
        c->LineSafe = true;
        FCompiled = std::move(c);
        FError.clear();
        return true;
    }

    const uint32_t flags =
        PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX | (options.MatchCase ? 0 : PCRE2_CASELESS);
    std::string body;
    if (options.Regex) {
        // The expression alone first: its errors are the ones to show.
        pcre2_code_8* alone = Compile8(options.Pattern, flags, error);
        if (!alone) {
            FError = error;
            return false;
        }
        pcre2_code_free_8(alone);
        body = options.Pattern;
        c->LineSafe = IsLineSafe(options.Pattern);
    } else {
        for (const char32_t cp : cps)
            if (cp == 10 || cp == 13)
                c->NeverMatches = true;  // no line's text holds a newline
        body = EscapeLiteral(options.Pattern);
        c->LineSafe = true;
    }
    if (options.WholeWord)
        body = "(?<![\\p{L}\\p{Nd}_])(?:" + body + "\\E)(?![\\p{L}\\p{Nd}_])";
    c->Code8 = Compile8(body, flags, error);
    if (!c->Code8) {
        FError = options.WholeWord ? "This expression cannot be used with whole word: " + error : error;
        return false;
    }
    std::vector<char32_t> bodyCps;
    Utf8ToCodePoints(body, bodyCps);
    std::u16string body16;
    for (const char32_t cp : bodyCps)
        AppendUtf16(cp, body16);
    int code = 0;
    PCRE2_SIZE offset = 0;
    c->Code16 = pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(body16.data()), body16.size(), flags, &code, &offset,
                                 Context16());
    if (!c->Code16) {
        FError = PcreMessage(code);
        return false;
    }
    c->Jit8 = pcre2_jit_compile_8(c->Code8, PCRE2_JIT_COMPLETE) == 0;
    c->Jit16 = pcre2_jit_compile_16(c->Code16, PCRE2_JIT_COMPLETE) == 0;
    FCompiled = std::move(c);
    FError.clear();
    return true;
}

// ---- The scan -------------------------------------------------------------------

namespace {

constexpr size_t Chunk = size_t{1} << 20;  // bytes a window holds (cut at a line end)
constexpr size_t Peek = 16;                // bytes read past it to finish a character or a CR LF
constexpr size_t Overlap = 4096;           // units a window cut inside a line hands to the next
constexpr size_t Context = 256;            // units before those kept for look-behind
constexpr uint64_t NextLineLookBack = 64 << 10;  // how far Next looks back for its line's start
constexpr uint64_t PrevLineLookBack = 4 << 20;   // how far Previous looks back for a line's start
// The engine's limits: past them a search stops with a message rather than
// running on (JIT stack, backtracking steps, nesting).
constexpr size_t JitStackMax = 8 << 20;
constexpr uint32_t MatchLimit = 20'000'000;
constexpr uint32_t DepthLimit = 100'000;

enum class TMode : uint8_t { Raw8, Units1, Units2, Mapped };

}  // namespace

struct TSearcher::TState {
    const TSearchPattern::TCompiled& C;
    TSearchSource& Source;
    uint64_t Size;

    // The raw bytes of the window (aligned for UTF-16 units), its decoded
    // units and, for UTF-8 and double-byte text, each unit's byte offset.
    std::unique_ptr<char16_t[]> RawStore;
    uint8_t* Raw;
    std::unique_ptr<char16_t[]> Text;
    std::unique_ptr<uint32_t[]> Offs;

    pcre2_match_data_8* Md8 = nullptr;
    pcre2_match_data_16* Md16 = nullptr;
    pcre2_match_context_8* Mc8 = nullptr;
    pcre2_match_context_16* Mc16 = nullptr;
    pcre2_jit_stack_8* Js8 = nullptr;
    pcre2_jit_stack_16* Js16 = nullptr;

    // The window being matched.
    uint64_t TextStart = 0;  // after the byte-order mark of a UTF file
    uint64_t Start = 0;   // file offset of unit 0
    uint64_t ByteLen = 0;  // bytes of units 0..N
    size_t N = 0;          // units belonging to the window
    size_t Decoded = 0;    // units decoded (N and a few past it)
    TMode Mode = TMode::Raw8;
    bool StartsLine = true, EndsLine = true, AtEof = false;

    TState(const TSearchPattern::TCompiled& c, TSearchSource& source)
        : C(c), Source(source), Size(source.Size())
    {
        // As large as a window can be, or as the file.
        const size_t cap = static_cast<size_t>(std::min<uint64_t>(Size, Chunk)) + Peek;
        RawStore.reset(new char16_t[cap / 2 + 8]);
        Raw = reinterpret_cast<uint8_t*>(RawStore.get());
        Text.reset(new char16_t[cap + 8]);
        Offs.reset(new uint32_t[cap + 8]);
        if (C.Code8) {
            Md8 = pcre2_match_data_create_from_pattern_8(C.Code8, nullptr);
            Mc8 = pcre2_match_context_create_8(nullptr);
            pcre2_set_match_limit_8(Mc8, MatchLimit);
            pcre2_set_depth_limit_8(Mc8, DepthLimit);
            Js8 = pcre2_jit_stack_create_8(32 << 10, JitStackMax, nullptr);
            pcre2_jit_stack_assign_8(Mc8, nullptr, Js8);
        }
        if (C.Code16) {
            Md16 = pcre2_match_data_create_from_pattern_16(C.Code16, nullptr);
            Mc16 = pcre2_match_context_create_16(nullptr);
            pcre2_set_match_limit_16(Mc16, MatchLimit);
            pcre2_set_depth_limit_16(Mc16, DepthLimit);
            Js16 = pcre2_jit_stack_create_16(32 << 10, JitStackMax, nullptr);
            pcre2_jit_stack_assign_16(Mc16, nullptr, Js16);
        }
        if (!C.Options.Bytes) {
            uint8_t m[3] = {};
            const size_t n = Source.Read(0, m, 3);
            if (C.Kind == cpkUTF8 && n == 3 && m[0] == 0xEF && m[1] == 0xBB && m[2] == 0xBF)
                TextStart = 3;
            else if (C.Kind == cpkUTF16LE && n >= 2 && m[0] == 0xFF && m[1] == 0xFE)
                TextStart = 2;
            else if (C.Kind == cpkUTF16BE && n >= 2 && m[0] == 0xFE && m[1] == 0xFF)
                TextStart = 2;
        }
    }
    ~TState()
    {
        pcre2_match_data_free_8(Md8);
        pcre2_match_data_free_16(Md16);
        pcre2_match_context_free_8(Mc8);
        pcre2_match_context_free_16(Mc16);
        pcre2_jit_stack_free_8(Js8);
        pcre2_jit_stack_free_16(Js16);
    }

    // The byte offset in the window of unit i (i <= N).
    uint64_t Off(size_t i) const
    {
        switch (Mode) {
        case TMode::Raw8:
        case TMode::Units1: return i;
        case TMode::Units2: return std::min<uint64_t>(2 * uint64_t(i), ByteLen);
        default: return Offs[i];
        }
    }
    // The first unit at or after window byte offset b (N when none).
    size_t UnitAt(uint64_t b) const
    {
        if (b >= ByteLen)
            return N;
        switch (Mode) {
        case TMode::Raw8:
        case TMode::Units1: return static_cast<size_t>(b);
        case TMode::Units2: return static_cast<size_t>((b + 1) / 2);
        default: return static_cast<size_t>(std::lower_bound(Offs.get(), Offs.get() + N, uint32_t(b)) - Offs.get());
        }
    }
    uint32_t UnitValue(size_t i) const { return Mode == TMode::Raw8 ? Raw[i] : Text[i]; }

    uint8_t ByteAtFile(uint64_t pos)
    {
        uint8_t b = 0;
        Source.Read(pos, &b, 1);
        return b;
    }

    // Loads the window starting at `start` (a character's start; a line's
    // when startsLine).
    void Load(uint64_t start, bool startsLine);
    void DecodeSingle(size_t got);
    void DecodeUTF16(size_t got, bool be);
    void DecodeUTF8(size_t got);
    void DecodeDouble(size_t got);

    // Line starts and character starts found by reading backwards.
    uint64_t LineStartBefore(uint64_t pos, uint64_t lookBack, bool& found);
    uint64_t CharStartBefore(uint64_t pos);
};

namespace {

bool AllAscii(const uint8_t* p, size_t n)
{
    uint64_t acc = 0;
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        uint64_t w[4];
        std::memcpy(w, p + i, 32);
        acc |= w[0] | w[1] | w[2] | w[3];
        if (acc & 0x8080808080808080ull)
            return false;
    }
    for (; i < n; ++i)
        acc |= p[i];
    return (acc & 0x8080808080808080ull) == 0 && (acc & 0x80) == 0;
}

}  // namespace

void TSearcher::TState::DecodeSingle(size_t got)
{
    const WideChar* t = C.Single;
    for (size_t i = 0; i < got; ++i)
        Text[i] = t[Raw[i]];
    Decoded = got;
}

void TSearcher::TState::DecodeUTF16(size_t got, bool be)
{
    const size_t units = got / 2;
    if (be) {
        for (size_t i = 0; i < units; ++i)
            Text[i] = static_cast<char16_t>((Raw[2 * i] << 8) | Raw[2 * i + 1]);
    } else {
        std::memcpy(Text.get(), Raw, units * 2);
    }
    Decoded = units;
    if ((got & 1) && AtEof) {
        // A last byte without its pair is a character of its own value.
        Text[units] = Raw[got - 1];
        Decoded = units + 1;
    }
}

void TSearcher::TState::DecodeUTF8(size_t got)
{
    size_t i = 0, k = 0;
    while (i < got) {
        const uint8_t b = Raw[i];
        if (b < 0x80) {
            Text[k] = b;
            Offs[k++] = static_cast<uint32_t>(i++);
            continue;
        }
        const size_t avail = got - i;
        if (avail < 3 && !AtEof)
            break;  // finished by the next window
        int32_t u, n;
        zin::DecodeUTF8(Raw + i, static_cast<int>(std::min<size_t>(avail, 3)), u, n);
        Text[k] = static_cast<char16_t>(u);
        Offs[k++] = static_cast<uint32_t>(i);
        i += static_cast<size_t>(n);
    }
    Offs[k] = static_cast<uint32_t>(i);
    Decoded = k;
}

void TSearcher::TState::DecodeDouble(size_t got)
{
    const TDecoder& d = C.Decoder;
    size_t i = 0, k = 0;
    while (i < got) {
        const uint8_t b = Raw[i];
        if (d.IsLeadByte(b)) {
            if (i + 1 < got) {
                const WideChar u = d.DoubleByte(b, Raw[i + 1]);
                if (u != b) {
                    Text[k] = u;
                    Offs[k++] = static_cast<uint32_t>(i);
                    i += 2;
                    continue;
                }
            } else if (!AtEof) {
                break;  // its pair is in the next window
            }
        }
        Text[k] = d.LoneByte(b);
        Offs[k++] = static_cast<uint32_t>(i++);
    }
    Offs[k] = static_cast<uint32_t>(i);
    Decoded = k;
}

void TSearcher::TState::Load(uint64_t start, bool startsLine)
{
    Start = start;
    StartsLine = startsLine;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(Size - std::min(start, Size), Chunk + Peek));
    const size_t got = want ? Source.Read(start, Raw, want) : 0;
    AtEof = start + got >= Size || got < want;
    // Where the window may end: anywhere up to the chunk (everything at the end).
    const size_t limit = AtEof ? got : std::min(got, Chunk);

    const bool bytes = C.Options.Bytes;
    if (bytes || (C.AsciiSame && AllAscii(Raw, got)))
        Mode = TMode::Raw8;
    else if (C.Kind == cpkUTF16LE || C.Kind == cpkUTF16BE)
        Mode = TMode::Units2;
    else if (C.Kind == cpkSingleByte)
        Mode = TMode::Units1;
    else
        Mode = TMode::Mapped;

    switch (Mode) {
    case TMode::Raw8: Decoded = got; break;
    case TMode::Units1: DecodeSingle(got); break;
    case TMode::Units2: DecodeUTF16(got, C.Kind == cpkUTF16BE); break;
    default:
        if (C.Kind == cpkUTF8)
            DecodeUTF8(got);
        else
            DecodeDouble(got);
        break;
    }
    // Offsets as if every decoded unit belonged (Off needs ByteLen for UTF-16).
    N = Decoded;
    ByteLen = Mode == TMode::Units2 ? got : (Mode == TMode::Mapped ? Offs[Decoded] : Decoded);

    if (AtEof) {
        EndsLine = true;
        return;
    }
    if (bytes) {
        N = limit;
        ByteLen = limit;
        EndsLine = false;
        return;
    }
    // The last newline that starts before the limit.
    size_t cut = UnitAt(limit);
    size_t i = cut;
    while (i > 0) {
        const uint32_t u = UnitValue(i - 1);
        if (u == 10 || u == 13)
            break;
        --i;
    }
    if (i > 0) {
        if (UnitValue(i - 1) == 13 && i < Decoded && UnitValue(i) == 10)
            ++i;  // CR LF is one newline
        N = i;
        EndsLine = true;
    } else {
        N = cut;
        EndsLine = false;
    }
    ByteLen = Off(N);
}

uint64_t TSearcher::TState::LineStartBefore(uint64_t pos, uint64_t lookBack, bool& found)
{
    // Reads blocks backwards; a line starts after a newline byte (unit)
    // that is surely a character of its own.
    found = false;
    pos = std::min(pos, Size);
    const bool utf16 = C.Kind == cpkUTF16LE || C.Kind == cpkUTF16BE;
    if (utf16)
        pos &= ~uint64_t{1};
    const uint64_t low = pos > lookBack ? pos - lookBack : 0;
    uint8_t buf[4096 + 2];
    uint64_t hi = pos;  // bytes below hi are yet to look at
    while (hi > low) {
        const uint64_t lo = std::max(low, hi >= 4096 ? hi - 4096 : 0);
        const size_t n = static_cast<size_t>(hi - lo);
        // One byte (unit) more: whether a CR is followed by an LF.
        const size_t extra = utf16 ? 2 : 1;
        const size_t got = Source.Read(lo, buf, n + extra);
        if (got < n)
            return pos;  // the file shrank: start where asked
        auto unit = [&](size_t k) -> uint32_t {
            if (!utf16)
                return C.Nl[buf[k]];
            if (k + 1 >= got)
                return 0;
            const uint32_t u = C.Kind == cpkUTF16LE ? buf[k] | (buf[k + 1] << 8) : (buf[k] << 8) | buf[k + 1];
            return u == 10 || u == 13 ? u : 0;
        };
        const size_t step = utf16 ? 2 : 1;
        for (size_t k = n; k >= step; k -= step) {
            const size_t q = k - step;
            const uint32_t nl = unit(q);
            if (nl == 0)
                continue;
            uint64_t after = lo + q + step;
            if (nl == 13 && q + step < got && unit(q + step) == 10)
                after += step;
            if (after <= pos) {
                found = true;
                return after;
            }
        }
        hi = lo;
    }
    if (low == 0) {
        found = true;
        return 0;
    }
    return pos;
}

uint64_t TSearcher::TState::CharStartBefore(uint64_t pos)
{
    pos = std::min(pos, Size);
    switch (C.Kind) {
    case cpkUTF16LE:
    case cpkUTF16BE: return pos & ~uint64_t{1};
    case cpkUTF8:
        // A byte that is no continuation byte starts a character; of three
        // continuation bytes in a row the last stands alone.
        for (uint64_t q = pos;; --q) {
            if (q == 0 || q >= Size || (ByteAtFile(q) & 0xC0) != 0x80)
                return q;
            if (q + 2 == pos)
                return pos;
        }
    case cpkDoubleByte: {
        // A byte that no lead byte pairs with starts a character.
        uint8_t buf[4096];
        const uint64_t low = pos > 4096 ? pos - 4096 : 0;
        const size_t n = static_cast<size_t>(pos - low);
        const size_t got = Source.Read(low, buf, n);
        for (size_t k = std::min(n, got); k > 0; --k)
            if (!C.TrailPossible[buf[k - 1]])
                return low + k - 1;
        return low == 0 ? 0 : pos;
    }
    default: return pos;
    }
}

namespace {

// Runs the engine of the window's mode: the match's units in s and e; the
// engine's code (>= 0 found, PCRE2_ERROR_NOMATCH, or another error).
int MatchAt(TSearcher::TState& st, size_t subjectStart, size_t subjectEnd, size_t offset, uint32_t options, size_t& s,
            size_t& e)
{
    int rc;
    if (st.Mode == TMode::Raw8) {
        const auto* subject = reinterpret_cast<PCRE2_SPTR8>(st.Raw + subjectStart);
        rc = st.C.Jit8 ? pcre2_jit_match_8(st.C.Code8, subject, subjectEnd - subjectStart, offset, options, st.Md8, st.Mc8)
                       : pcre2_match_8(st.C.Code8, subject, subjectEnd - subjectStart, offset, options, st.Md8, st.Mc8);
        if (rc >= 0) {
            const PCRE2_SIZE* ov = pcre2_get_ovector_pointer_8(st.Md8);
            s = subjectStart + ov[0];
            e = subjectStart + ov[1];
        }
    } else {
        const auto* subject = reinterpret_cast<PCRE2_SPTR16>(st.Text.get() + subjectStart);
        rc = st.C.Jit16
                 ? pcre2_jit_match_16(st.C.Code16, subject, subjectEnd - subjectStart, offset, options, st.Md16, st.Mc16)
                 : pcre2_match_16(st.C.Code16, subject, subjectEnd - subjectStart, offset, options, st.Md16, st.Mc16);
        if (rc >= 0) {
            const PCRE2_SIZE* ov = pcre2_get_ovector_pointer_16(st.Md16);
            s = subjectStart + ov[0];
            e = subjectStart + ov[1];
        }
    }
    return rc;
}

std::string EngineStop(int rc)
{
    switch (rc) {
    case PCRE2_ERROR_MATCHLIMIT:
    case PCRE2_ERROR_DEPTHLIMIT:
    case PCRE2_ERROR_HEAPLIMIT:
    case PCRE2_ERROR_JIT_STACKLIMIT:
        return "The search stopped: the expression takes too long on this text (" + PcreMessage(rc) + ").";
    default: return "The search stopped: " + PcreMessage(rc) + ".";
    }
}

}  // namespace

TSearcher::TSearcher(const TSearchPattern& pattern, TSearchSource& source) : FPattern(pattern), FSource(source)
{
    if (FPattern.Compiled())
        FState = std::make_unique<TState>(*FPattern.Compiled(), FSource);
}

TSearcher::~TSearcher() = default;

namespace {

// The forward scan under Next, Previous and Count: windows from `start` on
// (a character's start; a line's when startsLine), matches starting at or
// after byte `resume`, each handed to onMatch (false: stop, Found). Stops
// before a window that would start at or after stopAt.
template <class F>
TSearchStatus ScanForward(TSearcher::TState& st, const std::atomic<bool>* cancel, std::atomic<uint64_t>* done,
                          std::string& error, uint64_t start, bool startsLine, uint64_t resume, uint64_t stopAt,
                          uint64_t progressBase, F&& onMatch)
{
    const auto& c = st.C;
    if (start < st.TextStart) {
        start = st.TextStart;
        startsLine = true;
    }
    resume = std::max(resume, start);
    uint64_t ws = start;
    bool first = true;
    for (;;) {
        if (!first && (ws >= stopAt || ws >= st.Size))
            return TSearchStatus::NotFound;
        if (cancel && cancel->load(std::memory_order_relaxed))
            return TSearchStatus::Cancelled;
        st.Load(ws, startsLine);
        first = false;
        const size_t n = st.N;
        // A window cut inside a line hands its last Overlap units on.
        size_t handoff = n;
        if (!st.EndsLine && n > Overlap + Context)
            handoff = n - Overlap;
        size_t unit = st.UnitAt(resume > ws ? resume - ws : 0);
        const uint32_t bol = st.StartsLine ? 0 : PCRE2_NOTBOL;
        const uint32_t eol = st.EndsLine ? 0 : PCRE2_NOTEOL;
        bool stopped = false;

        // Reports the match [s, e) in units; false when the scan ends.
        auto report = [&](size_t s, size_t e) {
            const TSearchMatch m{st.Start + st.Off(s), st.Off(e) - st.Off(s)};
            // Later windows look for matches after this one only.
            resume = e > s ? m.Pos + m.Length : (s < n ? st.Start + st.Off(s + 1) : m.Pos + 1);
            return onMatch(m);
        };
        // Lines are the subjects (the expression may see newlines), or the
        // whole window is one (it cannot).
        if (c.LineSafe) {
            while (unit <= n) {
                size_t s = 0, e = 0;
                const int rc = MatchAt(st, 0, n, unit, bol | eol, s, e);
                if (rc == PCRE2_ERROR_NOMATCH)
                    break;
                if (rc < 0) {
                    error = EngineStop(rc);
                    return TSearchStatus::Failed;
                }
                // Belongs to the next window: after the last newline, or in
                // the overlap.
                if ((s >= n && !st.AtEof) || (handoff < n && s >= handoff))
                    break;
                bool inside = false;  // a match at a CR LF's middle or holding a newline
                if (!c.Options.Bytes) {
                    if (s > 0 && s < st.Decoded && st.UnitValue(s - 1) == 13 && st.UnitValue(s) == 10)
                        inside = true;
                    for (size_t k = s; k < e && !inside; ++k) {
                        const uint32_t u = st.UnitValue(k);
                        inside = u == 10 || u == 13;
                    }
                }
                if (!inside && !report(s, e))
                    return TSearchStatus::Found;
                unit = e > s && !inside ? e : s + 1;
                if (unit < n && st.Mode != TMode::Raw8 && (st.Text[unit] & 0xFC00) == 0xDC00 &&
                    (st.Text[unit - 1] & 0xFC00) == 0xD800)
                    ++unit;
            }
        } else {
            size_t ls = 0;
            while (ls <= n) {
                size_t le = ls;
                while (le < n && st.UnitValue(le) != 10 && st.UnitValue(le) != 13)
                    ++le;
                const bool lastInWindow = le >= n;
                if (ls == n && !(st.AtEof && (ls > 0 || st.StartsLine)))
                    break;  // no line after the window's last newline but the next window's
                const uint32_t opts = (ls == 0 ? bol : 0) | (lastInWindow ? eol : 0);
                size_t off = unit > ls ? unit - ls : 0;
                while (ls + off <= le) {
                    size_t s = 0, e = 0;
                    const int rc = MatchAt(st, ls, le, off, opts, s, e);
                    if (rc == PCRE2_ERROR_NOMATCH)
                        break;
                    if (rc < 0) {
                        error = EngineStop(rc);
                        return TSearchStatus::Failed;
                    }
                    if (handoff < n && s >= handoff) {
                        stopped = true;
                        break;
                    }
                    if (!report(s, e))
                        return TSearchStatus::Found;
                    off = (e > s ? e : s + 1) - ls;
                    if (ls + off < le && st.Mode != TMode::Raw8 && (st.Text[ls + off] & 0xFC00) == 0xDC00 &&
                        (st.Text[ls + off - 1] & 0xFC00) == 0xD800)
                        ++off;
                    unit = ls + off;
                }
                if (stopped || lastInWindow)
                    break;
                // Past the newline (CR LF as one).
                ls = le + 1;
                if (st.UnitValue(le) == 13 && ls < st.Decoded && st.UnitValue(ls) == 10)
                    ++ls;
            }
        }
        const uint64_t end = st.Start + st.ByteLen;
        if (done)
            done->store(progressBase + (end > start ? end - start : 0), std::memory_order_relaxed);
        if (st.AtEof)
            return TSearchStatus::NotFound;
        if (st.EndsLine) {
            ws = end;
            startsLine = true;
        } else if (handoff < n) {
            ws = st.Start + st.Off(handoff - Context);
            resume = std::max(resume, st.Start + st.Off(handoff));
            startsLine = false;
        } else {
            ws = end;
            startsLine = false;
        }
    }
}

}  // namespace

TSearchStatus TSearcher::Next(uint64_t from, TSearchMatch& match)
{
    if (!FState)
        return FError = "No pattern.", TSearchStatus::Failed;
    TState& st = *FState;
    if (st.C.NeverMatches)
        return TSearchStatus::NotFound;
    from = std::min(from, st.Size);
    // From the start of the caret's line, or from a character a little
    // before the caret (context for look-behind) in a very long line.
    bool found = false;
    uint64_t start;
    if (st.C.Options.Bytes) {
        start = from > 64 ? from - 64 : 0;
        found = start == 0;
    } else {
        start = st.LineStartBefore(from, NextLineLookBack, found);
        if (!found)
            start = st.CharStartBefore(from > 1024 ? from - 1024 : 0);
    }
    bool hit = false;
    const TSearchStatus r = ScanForward(st, FCancel, FDone, FError, start, found, from, UINT64_MAX, 0,
                                        [&](const TSearchMatch& m) {
                                            match = m;
                                            hit = true;
                                            return false;
                                        });
    return hit ? TSearchStatus::Found : r;
}

TSearchStatus TSearcher::Previous(uint64_t from, TSearchMatch& match)
{
    if (!FState)
        return FError = "No pattern.", TSearchStatus::Failed;
    TState& st = *FState;
    if (st.C.NeverMatches)
        return TSearchStatus::NotFound;
    from = std::min(from, st.Size);
    uint64_t hi = from;
    uint64_t progress = 0;
    for (;;) {
        const uint64_t lo = hi > Chunk ? hi - Chunk : 0;
        bool isLine = false;
        uint64_t start;
        if (st.C.Options.Bytes) {
            start = lo;
            isLine = lo == 0;
        } else {
            start = st.LineStartBefore(lo, PrevLineLookBack, isLine);
            if (!isLine)
                start = st.CharStartBefore(lo);
        }
        bool hit = false;
        const TSearchStatus r =
            ScanForward(st, FCancel, nullptr, FError, start, isLine, start, std::max(hi, start + 1), 0,
                        [&](const TSearchMatch& m) {
                            // Matches come in order: the first past `from` ends the region.
                            if (m.Length > 0 ? m.Pos + m.Length > from : m.Pos >= from)
                                return false;
                            match = m;
                            hit = true;
                            return true;
                        });
        if (r == TSearchStatus::Cancelled || r == TSearchStatus::Failed)
            return r;
        progress += hi - start;
        if (FDone)
            FDone->store(progress, std::memory_order_relaxed);
        if (hit)
            return TSearchStatus::Found;
        if (start == 0)
            return TSearchStatus::NotFound;
        hi = start;
    }
}

TSearchStatus TSearcher::Count(uint64_t& count)
{
    count = 0;
    if (!FState)
        return FError = "No pattern.", TSearchStatus::Failed;
    TState& st = *FState;
    if (st.C.NeverMatches)
        return TSearchStatus::NotFound;
    const TSearchStatus r = ScanForward(st, FCancel, FDone, FError, 0, true, 0, UINT64_MAX, 0,
                                        [&](const TSearchMatch& m) {
                                            ++count;
                                            if (FListener)
                                                FListener(FListenerContext, m);
                                            return true;
                                        });
    if (r == TSearchStatus::NotFound && count > 0)
        return TSearchStatus::Found;
    return r;
}

}  // namespace zin
