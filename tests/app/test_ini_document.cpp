// SPDX-License-Identifier: MIT
#include "app/IniDocument.h"

#include <gtest/gtest.h>

#include <string>

using quillet::app::IniDocument;

namespace {

std::string afterSet(std::string_view text, std::string_view section, std::string_view name, std::string_view value)
{
    IniDocument document = IniDocument::parse(text);
    document.set(section, name, value);
    return document.serialize();
}

} // namespace

TEST(IniDocument, SerializesExactlyWhatItParsed)
{
    const std::string garbage("garbage\0\x01\xFF\xFE\n[\n]\n==\n", 19);
    for (const std::string& text :
         {std::string(), std::string("[A]\r\nx=1\r\n; note\r\n"), std::string("no final newline=1"),
          std::string("\xEF\xBB\xBF[A]\nx=1\n"), std::string("  [ Spaced ]  \n\tkey\t=\tvalue\t\n"), garbage})
        EXPECT_EQ(IniDocument::parse(text).serialize(), text) << text;
}

TEST(IniDocument, FindsValuesByExactSectionAndName)
{
    IniDocument document = IniDocument::parse("Top=outside\n"
                                              "[Vantre\\Quillet]\n"
                                              "; Font Size=99\n"
                                              "  Font Size  = 12 \r\n"
                                              "Font Size=13\n"
                                              "Equals=a=b\n"
                                              "[Other]\n"
                                              "Only Here=1\n");
    const std::string_view section = "Vantre\\Quillet";
    // The name is trimmed, the value kept as written (its CR excepted); the
    // first of two entries counts; comments are never read.
    EXPECT_EQ(document.find(section, "Font Size"), " 12 ");
    EXPECT_EQ(document.find(section, "Equals"), "a=b");
    EXPECT_FALSE(document.find(section, "font size"));
    EXPECT_FALSE(document.find(section, "Only Here"));
    EXPECT_FALSE(document.find(section, "Top"));
    EXPECT_EQ(document.find("Other", "Only Here"), "1");
}

TEST(IniDocument, SettingAValueTouchesOnlyItsPlace)
{
    // In place, keeping the line's CRLF and every other line.
    EXPECT_EQ(afterSet("; kept\n[S]\nA=1\nB = old \r\n[T]\nB=t\n", "S", "B", "new"),
              "; kept\n[S]\nA=1\nB=new\r\n[T]\nB=t\n");
    // After the section's last entry, in front of the next section's comment;
    // the first of two same-named sections takes it.
    EXPECT_EQ(afterSet("[S]\nA=1\n\n; about T\n[S]\nX=1\n", "S", "B", "2"), "[S]\nA=1\nB=2\n\n; about T\n[S]\nX=1\n");
    EXPECT_EQ(afterSet("[S]\nA=1", "S", "B", "2"), "[S]\nA=1\nB=2\n");
    // A missing section goes at the end, after a blank line, in the file's
    // line-ending style; garbage before it stays.
    EXPECT_EQ(afterSet("", "Vantre\\Quillet", "Screen Mode", "5"), "[Vantre\\Quillet]\nScreen Mode=5\n");
    EXPECT_EQ(afterSet("[A]\r\nx=1\r\n", "B", "y", "2"), "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    EXPECT_EQ(afterSet(std::string("\x00\x01=\xFF\n[\xFE", 7), "S", "x", "1"),
              std::string("\x00\x01=\xFF\n[\xFE\n\n[S]\nx=1\n", 17));
}
