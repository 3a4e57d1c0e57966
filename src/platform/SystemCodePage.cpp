#include "platform/SystemCodePage.h"

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <string>

namespace zin {

namespace {

int32_t FixedCodePage = 0;

struct TCharsetCodePage {
    const char* Charset;  // upper case, without '-' and '_'
    int32_t CodePage;
};

constexpr TCharsetCodePage CharsetCodePages[] = {
    {"UTF8", 65001},
    {"ISO88591", 28591},   {"ISO88592", 28592},  {"ISO88593", 28593},  {"ISO88594", 28594},
    {"ISO88595", 28595},   {"ISO88596", 28596},  {"ISO88597", 28597},  {"ISO88598", 28598},
    {"KOI8R", 20866},      {"KOI8U", 21866},
    {"CP1250", 1250},      {"CP1251", 1251},     {"CP1252", 1252},     {"CP1253", 1253},
    {"CP1254", 1254},      {"CP1255", 1255},     {"CP1256", 1256},     {"CP1257", 1257},
    {"CP1258", 1258},
    {"WINDOWS1250", 1250}, {"WINDOWS1251", 1251}, {"WINDOWS1252", 1252}, {"WINDOWS1253", 1253},
    {"WINDOWS1254", 1254}, {"WINDOWS1255", 1255}, {"WINDOWS1256", 1256}, {"WINDOWS1257", 1257},
    {"WINDOWS1258", 1258},
    {"CP437", 437},        {"IBM437", 437},      {"CP720", 720},       {"CP852", 852},
    {"IBM852", 852},       {"CP862", 862},       {"IBM862", 862},      {"CP866", 866},
    {"IBM866", 866},       {"CP874", 874},       {"TIS620", 874},      {"CP037", 37},
    {"IBM037", 37},
    {"SHIFTJIS", 932},     {"SJIS", 932},        {"CP932", 932},       {"WINDOWS31J", 932},
    {"GBK", 936},          {"CP936", 936},       {"GB18030", 936},
    {"CP949", 949},        {"UHC", 949},
    {"BIG5", 950},         {"CP950", 950},       {"BIG5HKSCS", 950},
    {"EUCJP", 20932},      {"GB2312", 20936},    {"EUCCN", 20936},     {"EUCKR", 20949},
};

// The character set named by the locale variables themselves ("de_DE.UTF-8"
// -> "UTF-8"), for a locale that is not installed.
std::string CharsetOfLocaleName()
{
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(var);
        if (!value || !*value)
            continue;
        std::string name(value);
        const size_t dot = name.find('.');
        if (dot == std::string::npos)
            return std::string();
        const size_t at = name.find('@', dot);
        return name.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
    }
    return std::string();
}

}  // namespace

int32_t CodePageOfCharset(std::string_view charset)
{
    std::string key;
    key.reserve(charset.size());
    for (char c : charset) {
        if (c == '-' || c == '_')
            continue;
        key.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    }
    for (const TCharsetCodePage& m : CharsetCodePages)
        if (key == m.Charset)
            return m.CodePage;
    return 0;
}

int32_t SetSystemCodePage(int32_t codePage)
{
    const int32_t previous = FixedCodePage;
    FixedCodePage = codePage;
    return previous;
}

int32_t SystemCodePage()
{
    if (FixedCodePage != 0)
        return FixedCodePage;
    // The user's locale from the environment, whether or not the program
    // has called setlocale.
    int32_t codePage = 0;
    if (locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0))) {
        if (const char* charset = nl_langinfo_l(CODESET, loc))
            codePage = CodePageOfCharset(charset);
        freelocale(loc);
    } else {
        codePage = CodePageOfCharset(CharsetOfLocaleName());
    }
    return codePage != 0 ? codePage : 1252;
}

}  // namespace zin
