#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "page_protocol.h"

static PageMessage parse(const char* text, uint64_t count = 4)
{
    return page_message_parse(text, count);
}

TEST(PageProtocol, SetBeginEndCarryIndexAndBits)
{
    PageMessage m = parse("s 1 40e00000");
    EXPECT_EQ(m.kind, PAGE_MESSAGE_SET);
    EXPECT_EQ(m.index, 1u);
    EXPECT_EQ(m.valueBits, 0x40e00000u);
    EXPECT_EQ(parse("b 3 0").kind, PAGE_MESSAGE_BEGIN);
    EXPECT_EQ(parse("e 0 3f800000").kind, PAGE_MESSAGE_END);
    EXPECT_EQ(parse("e 0 3f800000").valueBits, 0x3f800000u);
}

TEST(PageProtocol, SeparatorAfterFirstByteIsAnything)
{
    for (const char* text : {"s,1 40e00000", "sx1 40e00000", "s\t1 40e00000", "s 1\t 40e00000", "s 0x1 0X40E00000"}) {
        PageMessage m = parse(text);
        EXPECT_EQ(m.kind, PAGE_MESSAGE_SET) << text;
        EXPECT_EQ(m.index, 1u) << text;
        EXPECT_EQ(m.valueBits, 0x40e00000u) << text;
    }
    // Leading white space before the index is skipped, as "%x" does; trailing text is ignored.
    EXPECT_EQ(parse("s    2 0 trailing").index, 2u);
    // "0x" without digits after it is the number 0 followed by text, as with "%x".
    EXPECT_EQ(parse("s 1 0x").kind, PAGE_MESSAGE_SET);
    EXPECT_EQ(parse("s 1 0x").valueBits, 0u);
}

TEST(PageProtocol, GetIgnoresTheRest)
{
    EXPECT_EQ(parse("g").kind, PAGE_MESSAGE_GET_ALL);
    EXPECT_EQ(parse("g whatever 99").kind, PAGE_MESSAGE_GET_ALL);
}

TEST(PageProtocol, GarbageIsIgnored)
{
    const char* bad[] = {
        "",                  // empty
        "x 1 40e00000",      // unknown kind
        "S 1 40e00000",      // kinds are lower case
        "s",                 // nothing after the kind: no separator to skip
        "s ",                // no numbers
        "s 1",               // no value
        "s 1,40e00000",      // the value must follow white space
        "s z 40e00000",      // index not hexadecimal
        "s 1 zz",            // value not hexadecimal
        "s 100000000 0",     // index overflows 32 bits
        "s 1 100000000",     // value overflows 32 bits
        "s -1 40e00000",     // no signs
    };
    for (const char* text : bad) {
        EXPECT_EQ(parse(text).kind, PAGE_MESSAGE_IGNORED) << '"' << text << '"';
    }
}

TEST(PageProtocol, IndexMustBeBelowParameterCount)
{
    EXPECT_EQ(parse("s 3 0", 4).kind, PAGE_MESSAGE_SET);
    EXPECT_EQ(parse("s 4 0", 4).kind, PAGE_MESSAGE_IGNORED);
    EXPECT_EQ(parse("b ffffffff 0", 4).kind, PAGE_MESSAGE_IGNORED);
    EXPECT_EQ(parse("e 0 0", 0).kind, PAGE_MESSAGE_IGNORED);
}

TEST(PageProtocol, NonFiniteValuesAreIgnored)
{
    EXPECT_EQ(parse("s 0 7f800000").kind, PAGE_MESSAGE_IGNORED); // +inf
    EXPECT_EQ(parse("s 0 ff800000").kind, PAGE_MESSAGE_IGNORED); // -inf
    EXPECT_EQ(parse("s 0 7fc00000").kind, PAGE_MESSAGE_IGNORED); // NaN
    EXPECT_EQ(parse("s 0 80000000").kind, PAGE_MESSAGE_SET);     // -0 is a number
}

TEST(PageProtocol, ValueFormat)
{
    char text[PAGE_VALUE_TEXT_SIZE];
    page_value_format(text, 1, 0x40e00000u);
    EXPECT_STREQ(text, "s 00000001 40e00000");
    page_value_format(text, 0xffffffffu, 0xDEADBEEFu);
    EXPECT_STREQ(text, "s ffffffff deadbeef");
    page_value_format(text, 0, 0);
    EXPECT_STREQ(text, "s 00000000 00000000");
}

TEST(NavigationPolicy, OnlyLowerCaseFileStaysInside)
{
    EXPECT_TRUE(navigation_stays_inside("file:///C:/velmo/index.html"));
    EXPECT_TRUE(navigation_stays_inside("file:"));
    EXPECT_FALSE(navigation_stays_inside("FILE:///C:/velmo/index.html"));
    EXPECT_FALSE(navigation_stays_inside("File:///x"));
    EXPECT_FALSE(navigation_stays_inside("http://example.org/"));
    EXPECT_FALSE(navigation_stays_inside("file"));
    EXPECT_FALSE(navigation_stays_inside(""));
}

static std::string command_line(const char* uri)
{
    char* line = outside_link_command_line(uri);
    std::string text = line ? line : "(refused)";
    free(line);
    return text;
}

TEST(NavigationPolicy, CommandLineQuotesTheUri)
{
    EXPECT_EQ(command_line("https://brindle.digital/velmo?a=1&b=2"),
              "rundll32 url.dll,FileProtocolHandler \"https://brindle.digital/velmo?a=1&b=2\"");
    EXPECT_EQ(command_line(""), "rundll32 url.dll,FileProtocolHandler \"\"");
}

TEST(NavigationPolicy, QuoteCannotEndTheArgument)
{
    std::string line = command_line("http://x/\" & calc.exe & \"");
    EXPECT_EQ(line, "rundll32 url.dll,FileProtocolHandler \"http://x/%22 & calc.exe & %22\"");
    // Exactly the two quotes that delimit the argument.
    size_t quotes = 0;
    for (char c : line) quotes += c == '"';
    EXPECT_EQ(quotes, 2u);
}

TEST(NavigationPolicy, ControlCharactersAreRefused)
{
    EXPECT_EQ(command_line("http://x/\n"), "(refused)");
    EXPECT_EQ(command_line("http://x/\r\nrundll32"), "(refused)");
    EXPECT_EQ(command_line("http://x/\x7f"), "(refused)");
    EXPECT_EQ(command_line("http://x/\t"), "(refused)");
    // Bytes of UTF-8 text are not control characters.
    EXPECT_NE(command_line("http://x/\xc3\xa9"), "(refused)");
}

static std::string file_uri(const char* directory, const char* name = "index.html")
{
    char* uri = file_uri_from_path(directory, name);
    std::string text = uri ? uri : "(null)";
    free(uri);
    return text;
}

TEST(FileUri, DrivePathsBecomeFileUris)
{
    EXPECT_EQ(file_uri("C:\\Program Files\\Common Files\\VST3\\Velmo.vst3\\Contents\\Resources"),
              "file:///C:/Program%20Files/Common%20Files/VST3/Velmo.vst3/Contents/Resources/index.html");
    EXPECT_EQ(file_uri("C:\\velmo\\"), "file:///C:/velmo/index.html");
    EXPECT_EQ(file_uri("C:/velmo"), "file:///C:/velmo/index.html");
}

TEST(FileUri, ReservedAndNonAsciiBytesAreEncoded)
{
    EXPECT_EQ(file_uri("C:\\a#b%c?d\"e"), "file:///C:/a%23b%25c%3Fd%22e/index.html");
    EXPECT_EQ(file_uri("C:\\B\xc3\xa9la"), "file:///C:/B%C3%A9la/index.html");
    // Characters allowed in a path stay as they are.
    EXPECT_EQ(file_uri("C:\\a-b_c.d~e!$&'()+,;=@"), "file:///C:/a-b_c.d~e!$&'()+,;=@/index.html");
}

TEST(FileUri, UncPathsKeepTheirHost)
{
    EXPECT_EQ(file_uri("\\\\studio\\plugins\\velmo"), "file://studio/plugins/velmo/index.html");
}

TEST(FileUri, ResultPassesTheNavigationPolicy)
{
    EXPECT_TRUE(navigation_stays_inside(file_uri("D:\\x y").c_str()));
    EXPECT_TRUE(navigation_stays_inside(file_uri("\\\\host\\share").c_str()));
}
