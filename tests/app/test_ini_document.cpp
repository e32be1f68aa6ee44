#include "app/IniDocument.h"

#include <gtest/gtest.h>

#include <string>

using quillet::app::IniDocument;

namespace {

// A literal with its NUL bytes.
template <std::size_t N> std::string bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

std::string afterSet(std::string_view text, std::string_view section, std::string_view name,
                     std::string_view value)
{
    IniDocument document = IniDocument::parse(text);
    document.set(section, name, value);
    return document.serialize();
}

} // namespace

TEST(IniDocument, SerializesExactlyWhatItParsed)
{
    const std::string texts[] = {
        "",
        "\n\n",
        "[A]\nx=1\n",
        "[A]\r\nx=1\r\n; note\r\n",
        "no final newline=1",
        "\xEF\xBB\xBF[A]\nx=1\n",
        bytes("garbage\0\x01\xFF\xFE\n[\n]\n==\n"),
        "  [ Spaced ]  \n\tkey\t=\tvalue\t\n",
    };
    for (const std::string& text : texts)
        EXPECT_EQ(IniDocument::parse(text).serialize(), text) << text;
}

TEST(IniDocument, FindsValuesByExactSectionAndName)
{
    IniDocument document = IniDocument::parse("Top=outside\n"
                                              "[Vantre\\Quillet]\n"
                                              "; Font Size=99\n"
                                              "# Font Size=98\n"
                                              "  Font Size  = 12 \r\n"
                                              "Font Size=13\n"
                                              "Empty=\n"
                                              "Equals=a=b\n"
                                              "no equals sign here\n"
                                              "[Other]\n"
                                              "Only Here=1\n");
    const std::string_view section = "Vantre\\Quillet";
    // The name is trimmed, the value kept as written (its CR excepted); the
    // first of two entries counts; comments are never read.
    EXPECT_EQ(document.find(section, "Font Size"), " 12 ");
    EXPECT_EQ(document.find(section, "Empty"), "");
    EXPECT_EQ(document.find(section, "Equals"), "a=b");
    EXPECT_FALSE(document.find(section, "font size"));
    EXPECT_FALSE(document.find(section, "Only Here"));
    EXPECT_FALSE(document.find(section, "Top"));
    EXPECT_FALSE(document.find("vantre\\quillet", "Font Size"));
    EXPECT_EQ(document.find("Other", "Only Here"), "1");
}

TEST(IniDocument, ReplacingAValueChangesOnlyItsLine)
{
    EXPECT_EQ(afterSet("; kept\n[S]\nA=1\nB = old \nC=3\n[T]\nB=t\n", "S", "B", "new"),
              "; kept\n[S]\nA=1\nB=new\nC=3\n[T]\nB=t\n");
    // The line keeps its CRLF, the first line its byte-order mark.
    EXPECT_EQ(afterSet("[S]\r\nA=1\r\n", "S", "A", "2"), "[S]\r\nA=2\r\n");
    IniDocument bom = IniDocument::parse("\xEF\xBB\xBF[S]\nA=1\n");
    bom.set("S", "A", "2");
    EXPECT_EQ(bom.serialize(), "\xEF\xBB\xBF[S]\nA=2\n");
    EXPECT_EQ(bom.find("S", "A"), "2");
}

TEST(IniDocument, NewValuesGoAfterTheSectionsLastEntry)
{
    EXPECT_EQ(afterSet("[S]\nA=1\n\n; about T\n[T]\nX=1\n", "S", "B", "2"),
              "[S]\nA=1\nB=2\n\n; about T\n[T]\nX=1\n");
    EXPECT_EQ(afterSet("[S]\n[T]\n", "S", "A", "1"), "[S]\nA=1\n[T]\n");
    // A second header of the same name: the first one takes the value.
    EXPECT_EQ(afterSet("[S]\nA=1\n[S]\nB=1\n", "S", "C", "1"), "[S]\nA=1\nC=1\n[S]\nB=1\n");
    EXPECT_EQ(afterSet("[S]\nA=1", "S", "B", "2"), "[S]\nA=1\nB=2\n");
}

TEST(IniDocument, MissingSectionsAreAddedAtTheEnd)
{
    EXPECT_EQ(afterSet("", "Vantre\\Quillet", "Screen Mode", "5"), "[Vantre\\Quillet]\nScreen Mode=5\n");
    EXPECT_EQ(afterSet("[A]\nx=1\n", "B", "y", "2"), "[A]\nx=1\n\n[B]\ny=2\n");
    EXPECT_EQ(afterSet("[A]\nx=1\n\n", "B", "y", "2"), "[A]\nx=1\n\n[B]\ny=2\n");
    EXPECT_EQ(afterSet("x=1", "B", "y", "2"), "x=1\n\n[B]\ny=2\n");
    EXPECT_EQ(afterSet("[A]\r\nx=1\r\n", "B", "y", "2"), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
}

TEST(IniDocument, GarbageLinesNeitherReadNorDisturbed)
{
    std::string garbage = bytes("\x00\x01=\xFF\n[\xFE\n=orphan\n");
    IniDocument document = IniDocument::parse(garbage);
    EXPECT_FALSE(document.find("S", "x"));
    document.set("S", "x", "1");
    EXPECT_EQ(document.serialize(), garbage + "\n[S]\nx=1\n");
    EXPECT_EQ(document.find("S", "x"), "1");
}

TEST(IniDocument, OnlyOneLineNamesAndValuesAreStorable)
{
    EXPECT_TRUE(IniDocument::isStorableSection("Vantre\\Quillet"));
    EXPECT_FALSE(IniDocument::isStorableSection(""));
    EXPECT_FALSE(IniDocument::isStorableSection("a]b"));
    EXPECT_FALSE(IniDocument::isStorableSection(" padded"));
    EXPECT_FALSE(IniDocument::isStorableSection("two\nlines"));

    EXPECT_TRUE(IniDocument::isStorableName("Is View Over Line65530"));
    EXPECT_TRUE(IniDocument::isStorableName("Map Code From 0xAD"));
    for (std::string_view bad : {"", "a=b", " lead", "trail ", "[x", ";x", "#x", "a\rb"})
        EXPECT_FALSE(IniDocument::isStorableName(bad)) << bad;
    EXPECT_FALSE(IniDocument::isStorableName(std::string_view("a\0b", 3)));

    EXPECT_TRUE(IniDocument::isStorableValue(""));
    EXPECT_TRUE(IniDocument::isStorableValue(" C:\\Temp\\ ; =[x] "));
    EXPECT_FALSE(IniDocument::isStorableValue("a\nb"));
    EXPECT_FALSE(IniDocument::isStorableValue("a\r"));
    EXPECT_FALSE(IniDocument::isStorableValue(std::string_view("a\0b", 3)));
}
