// SPDX-License-Identifier: MIT
// Every input that once broke a conversion, or would without its guard, is
// kept under tests/crashers/<fuzz target>/ and goes through what that fuzz
// target runs, with the options taken from the input the same way. Each
// must give a clean result or the one named error its target allows.

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "common/Utf8.h"
#include "container/Container.h"
#include "container/Readers.h"
#include "decoder/ListingConverter.h"
#include "image/BsaveConverter.h"
#include "render/RtfListing.h"
#include "render/RtfReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <system_error>
#include <typeinfo>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

struct Crasher {
    std::string target; // the folder: the fuzz target's name
    fs::path path;
};

// Also what CTest shows after the test's name.
void PrintTo(const Crasher& crasher, std::ostream* out)
{
    *out << crasher.target << '/' << crasher.path.filename().string();
}

// Read when the tests are listed, so a new file needs no code.
std::vector<Crasher> findCrashers()
{
    std::vector<Crasher> found;
    std::error_code error;
    for (const fs::directory_entry& folder : fs::directory_iterator(sourceDir() / "tests/crashers", error)) {
        if (!folder.is_directory())
            continue;
        for (const fs::directory_entry& file : fs::directory_iterator(folder.path())) {
            if (file.is_regular_file())
                found.push_back({folder.path().filename().string(), file.path()});
        }
    }
    std::sort(found.begin(), found.end(), [](const Crasher& a, const Crasher& b) { return a.path < b.path; });
    return found;
}

std::uint8_t lastByte(std::string_view input)
{
    return input.empty() ? 0 : static_cast<std::uint8_t>(input.back());
}

void runDecoder(std::string_view input)
{
    ListingOptions options;
    if (!input.empty()) {
        options.isViewOverLine65530 = (lastByte(input) & 1) != 0;
        options.isViewLineAddress = (lastByte(input) & 2) != 0;
    }
    MemorySource source(input);
    StringSink listing;
    convertTokenizedBasic(source, listing, options);
    expectListingLines(listing.str(), options.isViewLineAddress);
}

void runImage(std::string_view input)
{
    static constexpr int modes[] = {5, 6, 7, 8, 9, 10, 11, 12, 13};
    const int mode = input.empty() ? 5 : modes[lastByte(input) % std::size(modes)];
    const ScreenModeLayout* layout = screenModeLayout(mode);
    auto converter = std::make_unique<BsaveConverter>();
    MemorySource source(input);
    StringSink bmp;
    try {
        converter->convert(source, mode, bmp);
    } catch (const QuilletError&) {
        EXPECT_EQ(layout, nullptr) << "SCREEN " << mode << " has a picture";
        EXPECT_EQ(bmp.str(), "") << "written before failing";
        throw;
    }
    ASSERT_NE(layout, nullptr) << "SCREEN " << mode << " has no picture, yet one was made";
    EXPECT_EQ(bmp.str().size(), bmpGeometry(*layout).fileSize);
    EXPECT_EQ(bmp.str().substr(0, 2), "BM");
}

void runRtfBuilder(std::string_view input)
{
    RtfListingOptions options;
    const std::uint8_t bits = lastByte(input);
    if (!input.empty()) {
        options.isAnkMode = (bits & 1) != 0;
        options.isMap0xAD = (bits & 2) != 0;
        options.mapCodeFrom0xAD = (bits & 4) != 0 ? bits * 3 - 200 : 0x7F;
        options.fontCharset = (bits & 8) != 0 ? 128 : 2;
    }
    MemorySource source(input);
    StringSink sink;
    quillet::writeRtfListing(source, sink, options);

    // One character per byte of the listing, a graphic pair being one, and
    // a paragraph per CR plus the closing one; LF and a lone prefix give none.
    std::size_t characters = 0, paragraphs = 1;
    for (std::size_t i = 0; i < input.size(); ++i) {
        if (input[i] == '\x01')
            characters += ++i < input.size() ? 1 : 0;
        else if (input[i] == '\r')
            ++paragraphs;
        else if (input[i] != '\n')
            ++characters;
    }
    const RtfDocument doc = readRtf(sink.str());
    std::size_t readParagraphs = 0;
    for (const RtfRun& run : doc.runs) {
        EXPECT_NE(run.kind, RtfRun::Kind::Text);
        readParagraphs += run.kind == RtfRun::Kind::ParagraphEnd ? 1 : 0;
    }
    EXPECT_EQ(doc.bytes.size(), characters);
    EXPECT_EQ(readParagraphs, paragraphs);
}

void runRtfReader(std::string_view input)
{
    std::string rtf(input);
    if (!input.empty() && (static_cast<std::uint8_t>(input[0]) & 0x80) == 0)
        rtf.insert(0, "{\\rtf1 ");
    const RtfDocument doc = readRtf(rtf);
    std::size_t bytes = 0, text = 0;
    for (const RtfRun& run : doc.runs) {
        EXPECT_GE(run.font, 0);
        EXPECT_GT(run.halfPoints, 0);
        if (run.kind == RtfRun::Kind::Bytes) {
            EXPECT_EQ(run.offset, bytes);
            bytes += run.length;
        } else if (run.kind == RtfRun::Kind::Text) {
            EXPECT_EQ(run.offset, text);
            text += run.length;
        }
    }
    EXPECT_EQ(bytes, doc.bytes.size());
    EXPECT_EQ(text, doc.text.size());
}

// Unique readable names, and each member read as its status says.
void expectMembersAsListed(const Container& container)
{
    std::set<std::string> names;
    for (std::size_t i = 0; i < container.members().size(); ++i) {
        const MemberInfo& info = container.members()[i];
        EXPECT_TRUE(!info.path.empty() && isValidUtf8(info.path)) << info.path;
        EXPECT_TRUE(names.insert(info.path).second) << info.path << " twice";
        if (isReadable(info.status) && info.kind != MemberKind::Folder) {
            EXPECT_EQ(container.read(i).size(), info.size) << info.path;
            continue;
        }
        try {
            container.read(i);
            ADD_FAILURE() << info.path << " read despite: " << memberStatusText(info.status);
        } catch (const QuilletError& error) {
            EXPECT_TRUE(error.kind() == ErrorKind::DamagedMember || error.kind() == ErrorKind::TooLarge
                        || (error.kind() == ErrorKind::NotRegularFile && info.kind == MemberKind::Folder))
                << error.what();
        }
    }
}

void runDiskImage(std::string_view input)
{
    expectMembersAsListed(*openDiskImage(std::string(input)));
}

void runCassetteImage(std::string_view input)
{
    expectMembersAsListed(*openCassetteImage(std::string(input)));
}

void runArchive(std::string_view input)
{
    static constexpr ContainerKind kinds[] = {ContainerKind::Zip, ContainerKind::Lzh, ContainerKind::SevenZip,
                                              ContainerKind::Gzip, ContainerKind::Tar};
    const ContainerKind kind = kinds[lastByte(input) % std::size(kinds)];
    const std::string_view bytes = input.empty() ? input : input.substr(0, input.size() - 1);
    expectMembersAsListed(*openArchive(std::string(bytes), kind, "crasher.gz"));
}

// A member's name made the name of the file extracted: one file systems
// take as it is.
void runExtractNames(std::string_view input)
{
    const std::string name = safeFileName(input);
    ASSERT_FALSE(name.empty());
    EXPECT_TRUE(isValidUtf8(name));
    EXPECT_LE(name.size(), 240u);
    EXPECT_EQ(name.find_first_of(std::string_view("/\0", 2)), std::string::npos) << name;
    EXPECT_NE(name.back(), '.') << name;
    EXPECT_NE(name.back(), ' ') << name;
    EXPECT_EQ(safeFileName(name), name);
}

struct Target {
    std::string_view name;
    std::optional<ErrorKind> allowed; // the one error the target accepts, if any
    void (*run)(std::string_view input);
};

constexpr Target Targets[] = {
    {"fuzz_decoder", std::nullopt, runDecoder},
    {"fuzz_image", ErrorKind::UnsupportedScreenMode, runImage},
    {"fuzz_rtf_builder", std::nullopt, runRtfBuilder},
    {"fuzz_rtf_reader", ErrorKind::NotRtf, runRtfReader},
    {"fuzz_disk_image", ErrorKind::DamagedContainer, runDiskImage},
    {"fuzz_cassette_image", ErrorKind::DamagedContainer, runCassetteImage},
    {"fuzz_archive", ErrorKind::DamagedContainer, runArchive},
    {"fuzz_extract_names", std::nullopt, runExtractNames},
};

class Crashers : public testing::TestWithParam<Crasher> {};

} // namespace

TEST(CrasherFiles, AreThere)
{
    // An empty or missing folder would otherwise pass with nothing run.
    EXPECT_FALSE(findCrashers().empty()) << "nothing under " << (sourceDir() / "tests/crashers");
}

TEST_P(Crashers, GiveACleanResultOrTheirTargetsError)
{
    const Crasher& crasher = GetParam();
    ASSERT_TRUE(fs::exists(sourceDir() / "fuzz" / (crasher.target + ".cpp")))
        << crasher.target << " is not a fuzz target";
    const auto target =
        std::find_if(std::begin(Targets), std::end(Targets), [&](const Target& t) { return t.name == crasher.target; });
    ASSERT_NE(target, std::end(Targets)) << "no operation for " << crasher.target;
    // In a block of exactly its size, so that the sanitizers see a read
    // past its end as the fuzzer did.
    const std::string bytes = readFile(crasher.path);
    const std::unique_ptr<char[]> exact(new char[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    const std::string_view input(exact.get(), bytes.size());
    try {
        target->run(input);
    } catch (const QuilletError& error) {
        EXPECT_EQ(std::optional(error.kind()), target->allowed) << error.what();
    } catch (const std::exception& error) {
        FAIL() << "threw " << typeid(error).name() << ": " << error.what();
    } catch (...) {
        FAIL() << "threw something that is not an exception";
    }
}

INSTANTIATE_TEST_SUITE_P(Kept, Crashers, testing::ValuesIn(findCrashers()),
                         [](const testing::TestParamInfo<Crasher>& param) {
                             std::string name = param.param.target + "_" + param.param.path.filename().string();
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });
