// zinsyntax-dump prints what the loader made of a file as one JSON object.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Files.h"
#include "support/TempDir.h"

namespace zin {
namespace {

std::string ToolPath()
{
    return ExecutableDir() + "zinsyntax-dump";
}

// Runs the tool on `file`; returns its standard output and sets the exit code.
std::string RunDump(const std::string& file, int& exitCode)
{
    const std::string cmd = "'" + ToolPath() + "' '" + file + "' 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        exitCode = -1;
        return {};
    }
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = pclose(p);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST(DumpTool, PrintsEveryMember)
{
    ASSERT_TRUE(FileExists(ToolPath())) << ToolPath();
    test::TempDir dir;
    const std::string file = dir.Write(
        "t.syn",
        ".title=T\xE9st \"q\" \\ \x01\r\n"
        ".delimiter=;\n"
        ".linecomment=REM\n"
        ".blockcomment=(* *) {\n"
        ".blockcomment.inrange=1,x\n"
        ".escapechar=^\n"
        ".stringchar='\n"
        ".directiveleading=#\n"
        ".keywordprefix=$\n"
        ".specialwordprefix=@\n"
        ".indentstring=BEGIN\n"
        ".unindentstring=END\n"
        ".pair=( )\n"
        ".codepage=1251\n"
        ".range=300 <% %> 010203\n"
        ".string.inrange=300\n"
        ".number.style=bold,underline\n"
        ".Zeta.color=red\n"
        ".Zeta=\n"
        "zulu Alpha \xC9t\xE9 alpha\n"
        ".alpha=\n"
        "b a\n");
    int code = 0;
    const std::string out = RunDump(file, code);
    EXPECT_EQ(code, 0);
    const char* expected =
        "{\n"
        " \"title\":\"T\u00E9st \\\"q\\\" \\\\ \\u0001\",\n"
        " \"casesensitive\":false,\n"
        " \"delimiters\":\";\",\n"
        " \"linecomments\":[\"rem\"],\n"
        " \"blockcommentbegins\":[\"(*\",\"{\"],\n"
        " \"blockcommentends\":[\"*)\"],\n"
        " \"escapechar\":94,\n"
        " \"stringchars\":\"'\",\n"
        " \"directiveleading\":\"#\",\n"
        " \"keywordprefixes\":\"$\",\n"
        " \"specialwordprefixes\":\"@\",\n"
        " \"indentstrings\":[\"begin\"],\n"
        " \"unindentstrings\":[\"end\"],\n"
        " \"pairopens\":[\"(\"],\n"
        " \"paircloses\":[\")\"],\n"
        " \"codepage\":1251,\n"
        " \"ranges\":[[300,\"<%\",\"%>\",197121]],\n"
        " \"stringinrange\":[300],\n"
        " \"linecommentinrange\":[0],\n"
        " \"blockcommentinrange\":[[1],[0]],\n"
        " \"styles\":{\"text\":[0,16777215,0],\"delimiter\":[536870911,536870911,0],"
        "\"space\":[536870911,536870911,0],\"number\":[536870911,536870911,5],"
        "\"string\":[536870911,536870911,0],\"comment\":[536870911,536870911,0],"
        "\"directive\":[536870911,536870911,0],\"specialword\":[536870911,536870911,0],"
        "\"linenumber\":[536870911,536870911,0],\"activeline\":[536870911,12648447,0],"
        "\"bookmark\":[536870911,16777152,0]},\n"
        " \"keywords\":[\n"
        "  {\"name\":\"Zeta\",\"color\":255,\"bgcolor\":536870911,\"style\":0,\"inrange\":[0],"
        "\"words\":[\"alpha\",\"zulu\",\"\u00C9t\u00E9\"]},\n"
        "  {\"name\":\"alpha\",\"color\":536870911,\"bgcolor\":536870911,\"style\":0,\"inrange\":[0],"
        "\"words\":[\"a\",\"b\"]}],\n"
        " \"haslinestate\":true\n"
        "}\n";
    EXPECT_EQ(out, expected);
}

TEST(DumpTool, FailsOnAFileItCannotRead)
{
    ASSERT_TRUE(FileExists(ToolPath())) << ToolPath();
    test::TempDir dir;
    int code = 0;
    EXPECT_EQ(RunDump(dir.Path() + "missing.syn", code), "");
    EXPECT_EQ(code, 1);
}

}  // namespace
}  // namespace zin
