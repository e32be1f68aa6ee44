// SPDX-License-Identifier: MIT
// The listing as a web page: anchors, links and marked missing targets,
// read back from the page as a browser would find them.

#include "ConvertRunner.h"
#include "common/ByteStream.h"
#include "common/Utf8.h"
#include "render/HtmlListing.h"
#include "render/MsxCharset.h"
#include "support/ArchiveBuilder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quillet;
using namespace quillet::test;

namespace {

// What a reader of the page finds on one listing line.
struct PageLine {
    std::string id;                   // empty: no anchor
    std::vector<std::string> links;   // href targets, in order
    std::vector<std::string> missing; // texts of the missing references (m-x)
    std::u32string text;              // as shown, tags gone and entities read
};

std::u32string shownText(const std::string& html)
{
    std::string text = std::regex_replace(html, std::regex("<[^>]*>"), "");
    for (const auto& [entity, character] : std::map<std::string, std::string>{{"&lt;", "<"}, {"&gt;", ">"}}) {
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, entity.size(), character);
    }
    for (std::size_t at = 0; (at = text.find("&amp;", at)) != std::string::npos; ++at)
        text.replace(at, 5, "&");
    return decodeUtf8(text);
}

std::vector<PageLine> readPage(const std::string& page)
{
    const std::size_t start = page.find("<pre>"), end = page.find("</pre>");
    if (start == std::string::npos || end == std::string::npos) {
        ADD_FAILURE() << "no listing in the page";
        return {};
    }
    std::vector<PageLine> lines;
    const std::string body = page.substr(start + 5, end - start - 5);
    for (std::size_t at = 0, next; (next = body.find('\n', at)) != std::string::npos; at = next + 1) {
        const std::string html = body.substr(at, next - at);
        PageLine line;
        std::smatch match;
        // Attribute values with or without quotes.
        if (std::regex_search(html, match, std::regex("^<span id=\"?([^\" >]*)\"?>")))
            line.id = match[1];
        const std::regex link("<a [^>]*href=\"?#([^\" >]*)\"?[^>]*>"), missing("<m-x[^>]*>([^<]*)</m-x>");
        for (std::sregex_iterator it(html.begin(), html.end(), link), stop; it != stop; ++it)
            line.links.push_back((*it)[1]);
        for (std::sregex_iterator it(html.begin(), html.end(), missing), stop; it != stop; ++it)
            line.missing.push_back((*it)[1]);
        line.text = shownText(html);
        lines.push_back(line);
    }
    return lines;
}

std::u32string glyphs(std::string_view bytes)
{
    std::u32string text;
    for (const char byte : bytes)
        text += msx::charGlyph(msx::CharacterSet::International, static_cast<std::uint8_t>(byte));
    return text;
}

} // namespace

// A reference is a link to its line's anchor, one to a line the program
// lacks a marked span; a number listed twice is an anchor once, a line
// without a number none; text keeps its characters.
TEST(HtmlListing, AnchorsLinksAndMissingTargets)
{
    struct Line {
        std::optional<std::uint16_t> number;
        std::string text;
        std::vector<RoleSpan> roles;
    };
    const std::vector<Line> program = {
        {10, "10 GOTO 30", {{0, 2, Role::LineNumber}, {3, 4, Role::Keyword}, {8, 2, Role::LineReference}}},
        {20,
         "20 ON A GOSUB 10,40",
         {{3, 2, Role::Keyword}, {14, 2, Role::LineReference}, {17, 2, Role::LineReference}}},
        {30, "30 A$=\"<&>\"+\x01\x41", {{6, 5, Role::String}, {11, 1, Role::Operator}}},
        {std::nullopt, "REM no number", {{0, 3, Role::Comment}}},
        {30, "30 GOTO 20", {{3, 4, Role::Keyword}, {8, 2, Role::LineReference}}},
    };
    HtmlListingOptions options = htmlListingOptionsFor(RoleScheme::Standard);
    options.characterSet = msx::CharacterSet::International;
    options.title = "A<B>.BAS";
    LineNumberSet present;
    for (const Line& line : program) {
        if (line.number)
            present.add(*line.number);
    }
    StringSink sink;
    HtmlListingWriter writer(sink, options, present);
    for (const Line& line : program)
        writer.line({line.number, line.text, line.roles});
    writer.finish();
    const std::string& page = sink.str();
    EXPECT_NE(page.find("<title>A&lt;B&gt;.BAS</title>"), std::string::npos);

    const std::vector<PageLine> lines = readPage(page);
    ASSERT_EQ(lines.size(), program.size());
    const std::vector<std::string> ids = {"L10", "L20", "L30", "", ""};
    const std::vector<std::vector<std::string>> links = {{"L30"}, {"L10"}, {}, {}, {"L20"}};
    const std::vector<std::vector<std::string>> missing = {{}, {"40"}, {}, {}, {}};
    for (std::size_t i = 0; i < program.size(); ++i) {
        SCOPED_TRACE(program[i].text);
        EXPECT_EQ(lines[i].id, ids[i]);
        EXPECT_EQ(lines[i].links, links[i]);
        EXPECT_EQ(lines[i].missing, missing[i]);
    }
    // The graphic pair is one character, its graphic.
    EXPECT_TRUE(lines[2].text == glyphs("30 A$=\"<&>\"+") + msx::graphicGlyph(msx::CharacterSet::International, 0x41));
    EXPECT_TRUE(lines[1].text == glyphs(program[1].text));
    // Every link leads to an anchor of the page.
    std::set<std::string> anchors;
    for (const PageLine& line : lines)
        anchors.insert(line.id);
    for (const PageLine& line : lines) {
        for (const std::string& target : line.links)
            EXPECT_TRUE(anchors.contains(target)) << target;
    }
}

namespace {

// 10 GOTO 30, 20 ON A GOSUB 10,40, 30 GOTO 20 through a line pointer, and
// 50 PRINT "<&>":GOTO 60; no line 40 nor 60.
const char* const CraftedProgram = R"(
    FF
    0B 80  0A 00  89 20 0E 1E 00 00                          # 8001: 10 GOTO 30
    1D 80  14 00  95 20 41 20 8D 20 0E 0A 00 2C 0E 28 00 00  # 800B: 20 ON A GOSUB 10,40
    27 80  1E 00  89 20 0D 0A 80 00                          # 801D: 30 GOTO (the line at 800B)
    39 80  32 00  91 20 22 3C 26 3E 22 3A 89 20 0E 3C 00 00  # 8027: 50 PRINT "<&>":GOTO 60
    00 00
)";

// The bytes of the font the page carries, from its data URL.
std::string embeddedFont(const std::string& page)
{
    const std::string start = "url(data:font/ttf;base64,";
    const std::size_t at = page.find(start);
    if (at == std::string::npos)
        return {};
    const std::size_t end = page.find(')', at);
    const std::string_view text = std::string_view(page).substr(at + start.size(), end - at - start.size());
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    unsigned bits = 0, count = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        bits = bits << 6 | static_cast<unsigned>(alphabet.find(c));
        if ((count += 6) >= 8) {
            count -= 8;
            bytes += static_cast<char>(bits >> count & 0xFF);
        }
    }
    return bytes;
}

} // namespace

// quillet-convert --html on a crafted program: references as 0x0E numbers
// and as a line pointer lead to their lines' anchors, missing lines are
// marked; the page is the same from a file, a pipe (read twice through a
// copy) and an archive member, and needs nothing beside it.
TEST(HtmlListing, ConvertWritesOnePageThatNeedsNothingBesideIt)
{
    ScratchDir dir;
    const std::string program = hexBytes(CraftedProgram);
    writeFile(dir / "GAME.BAS", program);
    writeFile(dir / "games.zip", zipOf({{"GAME.BAS", program}}));
    // Each input's page, or empty when the conversion failed.
    auto pageOf = [&](const std::string& input) {
        const ConvertResult result = runConvert({"--html", input, (dir / "page.html").string()});
        EXPECT_EQ(result.status, cli::ExitOk) << result.err;
        return result.status == cli::ExitOk ? readFile(dir / "page.html") : std::string();
    };
    const std::string page = pageOf((dir / "GAME.BAS").string());

    const std::vector<PageLine> lines = readPage(page);
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> ids = {"L10", "L20", "L30", "L50"};
    const std::vector<std::vector<std::string>> links = {{"L30"}, {"L10"}, {"L20"}, {}};
    const std::vector<std::vector<std::string>> missing = {{}, {"40"}, {}, {"60"}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].id, ids[i]);
        EXPECT_EQ(lines[i].links, links[i]) << ids[i];
        EXPECT_EQ(lines[i].missing, missing[i]) << ids[i];
    }
    EXPECT_TRUE(lines[3].text == decodeUtf8("50 PRINT \"<&>\":GOTO 60"));

    // Nothing to fetch: the only URL is the font's own data.
    EXPECT_EQ(page.find("<link"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("src="), std::string::npos);
    std::size_t urls = 0;
    for (std::size_t at = 0; (at = page.find("url(", at)) != std::string::npos; ++at, ++urls)
        EXPECT_EQ(page.compare(at, 9, "url(data:"), 0);
    EXPECT_EQ(urls, 1u);
    EXPECT_TRUE(embeddedFont(page).starts_with(std::string("\0\1\0\0", 4))) << "no TrueType font in the page";

    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    std::thread writer([&] {
        EXPECT_EQ(write(ends[1], program.data(), program.size()), static_cast<ssize_t>(program.size()));
        close(ends[1]);
    });
    const std::string fromPipe = pageOf("/dev/fd/" + std::to_string(ends[0]));
    writer.join();
    close(ends[0]);
    const std::string fromMember = pageOf((dir / "games.zip").string() + "::GAME.BAS");
    // Only the title, the input's name, differs.
    auto withoutTitle = [](std::string text) {
        const std::size_t at = text.find("<title>"), end = text.find("</title>");
        return at == std::string::npos || end == std::string::npos ? text : text.erase(at, end - at);
    };
    EXPECT_TRUE(withoutTitle(fromPipe) == withoutTitle(page));
    EXPECT_TRUE(fromMember == page);

    // A batch names the pages .html.
    const ConvertResult batch = runConvert({"--html", "--output-dir", (dir / "out").string(),
                                            (dir / "GAME.BAS").string(), (dir / "games.zip").string() + "::GAME.BAS"});
    EXPECT_EQ(batch.status, cli::ExitOk) << batch.err;
    EXPECT_EQ(namesIn(dir / "out"), (std::vector<std::string>{"GAME.html", "GAME~2.html"}));
    EXPECT_TRUE(readFile(dir / "out" / "GAME~2.html") == page);
}
