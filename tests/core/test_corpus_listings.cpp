// SPDX-License-Identifier: MIT
// Real programs of the shared corpus: the listings MSX BASIC itself saved of
// them, and the others listed without failing.

#include "common/ByteStream.h"
#include "decoder/ListingConverter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> filesIn(const fs::path& dir, std::string_view extension = {})
{
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(dir))
        if (extension.empty() || entry.path().extension() == extension)
            paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string listingOf(const std::string& file, const ListingOptions& options, ProgramEnd* end = nullptr)
{
    MemorySource source(std::string_view(file).substr(1));
    StringSink sink;
    const ProgramEnd programEnd = convertTokenizedBasic(source, sink, options);
    if (end)
        *end = programEnd;
    return sink.str();
}

std::vector<std::string> linesOf(const std::string& listing)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = listing.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(listing.substr(start, end - start));
    return lines;
}

// The listing MSX BASIC saved: without the end-of-file mark, where it has one.
std::string savedListing(const fs::path& path)
{
    std::string text = readFile(path);
    if (!text.empty() && text.back() == '\x1A')
        text.pop_back();
    return text;
}

} // namespace

TEST(Corpus, EverySavedProgramListsAsMsxBasicListedIt)
{
    const fs::path corpus = corpusDir();
    if (corpus.empty() || !fs::is_directory(corpus / "bas-pairs"))
        GTEST_SKIP() << "no shared corpus beside the checkout";
    int pairs = 0;
    for (const fs::path& program : filesIn(corpus / "bas-pairs", ".bas")) {
        const fs::path saved = fs::path(program).replace_extension(".baa");
        ASSERT_TRUE(fs::exists(saved)) << saved;
        const std::string file = readFile(program);
        ASSERT_EQ(static_cast<std::uint8_t>(file.at(0)), 0xFF) << program;
        ProgramEnd end{};
        const std::string listing = listingOf(file, {}, &end);
        const std::string expected = savedListing(saved);
        EXPECT_EQ(end, ProgramEnd::Complete) << program;
        if (listing != expected) {
            // Name the first line that differs rather than two whole files.
            const auto got = linesOf(listing), want = linesOf(expected);
            std::size_t i = 0;
            while (i < got.size() && i < want.size() && got[i] == want[i])
                ++i;
            ADD_FAILURE() << program.filename() << " line " << i + 1
                          << ":\n  listed: " << (i < got.size() ? got[i] : "(none)")
                          << "\n  saved:  " << (i < want.size() ? want[i] : "(none)");
        }
        ++pairs;
    }
    EXPECT_GT(pairs, 0);
}

TEST(Corpus, AddressesAreTheLinksMsxBasicSaved)
{
    const fs::path corpus = corpusDir();
    if (corpus.empty() || !fs::is_directory(corpus / "bas-pairs"))
        GTEST_SKIP() << "no shared corpus beside the checkout";
    ListingOptions options;
    options.isViewLineAddress = true;
    for (const fs::path& program : filesIn(corpus / "bas-pairs", ".bas")) {
        const std::string file = readFile(program);
        // A saved program's links are the addresses of the lines after them.
        std::vector<unsigned> addresses;
        for (unsigned address = ProgramStartAddress;;) {
            const std::size_t at = address - ProgramStartAddress + 1;
            ASSERT_LT(at + 1, file.size()) << program;
            addresses.push_back(address);
            address = static_cast<std::uint8_t>(file[at]) | static_cast<std::uint8_t>(file[at + 1]) << 8;
            if (address == 0)
                break;
        }
        addresses.pop_back(); // the end mark's

        const auto listed = linesOf(listingOf(file, options));
        const auto saved = linesOf(savedListing(fs::path(program).replace_extension(".baa")));
        ASSERT_EQ(listed.size(), addresses.size()) << program;
        ASSERT_EQ(listed.size(), saved.size()) << program;
        for (std::size_t i = 0; i < listed.size(); ++i) {
            char address[8];
            std::snprintf(address, sizeof address, "%04X ", addresses[i]);
            EXPECT_EQ(listed[i], address + saved[i]) << program.filename() << " line " << i + 1;
        }
    }
}

TEST(Corpus, EveryRealProgramListsInWholeLines)
{
    const fs::path corpus = corpusDir();
    if (corpus.empty() || !fs::is_directory(corpus / "bas"))
        GTEST_SKIP() << "no shared corpus beside the checkout";
    int count = 0;
    for (const fs::path& path : filesIn(corpus / "bas")) {
        const std::string file = readFile(path);
        ASSERT_FALSE(file.empty());
        ASSERT_EQ(static_cast<std::uint8_t>(file[0]), 0xFF) << path;
        for (const bool withAddresses : {false, true}) {
            ListingOptions options;
            options.isViewLineAddress = withAddresses;
            std::string listing;
            ProgramEnd end{};
            EXPECT_NO_THROW(listing = listingOf(file, options, &end)) << path;
            EXPECT_EQ(end, ProgramEnd::Complete) << path;
            EXPECT_FALSE(listing.empty()) << path;
            SCOPED_TRACE(path.string());
            expectListingLines(listing, withAddresses);
        }
        ++count;
    }
    EXPECT_GT(count, 0);
}
