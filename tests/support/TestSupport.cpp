// SPDX-License-Identifier: MIT
#include "support/TestSupport.h"

#include "common/AnnotatedHex.h"
#include "common/HexDigits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace quillet::test {

std::string hexBytes(std::string_view annotated)
{
    return bytesFromAnnotatedHex(annotated);
}

std::filesystem::path sourceDir()
{
    return QUILLET_SOURCE_DIR;
}

std::filesystem::path samplePath(std::string_view name)
{
    return sourceDir() / "samples" / name;
}

std::filesystem::path corpusDir()
{
    if (const char* dir = std::getenv("QUILLET_CORPUS_DIR"))
        return dir;
    auto dir = sourceDir().parent_path() / "shared" / "corpus";
    return std::filesystem::is_directory(dir) ? dir : std::filesystem::path();
}

void expectListingLines(std::string_view listing, bool withAddresses)
{
    std::size_t i = 0;
    while (i < listing.size()) {
        const std::size_t start = i;
        if (withAddresses) {
            ASSERT_TRUE(listing.size() - i > 5 && hexDigitValue(listing[i]) >= 0 && hexDigitValue(listing[i + 1]) >= 0
                        && hexDigitValue(listing[i + 2]) >= 0 && hexDigitValue(listing[i + 3]) >= 0
                        && listing[i + 4] == ' ')
                << "no address at offset " << start;
            for (std::size_t k = 0; k < 4; ++k)
                ASSERT_FALSE(listing[i + k] >= 'a' && listing[i + k] <= 'f') << "lower-case address at " << start;
            i += 5;
        }
        unsigned number = 0;
        const std::size_t digits = i;
        while (i < listing.size() && listing[i] >= '0' && listing[i] <= '9')
            number = number * 10 + static_cast<unsigned>(listing[i++] - '0');
        ASSERT_TRUE(i > digits && i - digits <= 5 && number <= 65535 && i < listing.size())
            << "no line number at offset " << start;
        ASSERT_TRUE(listing[i] == ' ' || listing[i] == '\t') << "no blank after the number at offset " << start;
        if (listing[i] == ' ') {
            ++i;
            ASSERT_TRUE(i >= listing.size() || listing[i] != '\t') << "a blank before TAB at offset " << start;
        }
        const std::size_t body = i;
        for (; i < listing.size() && listing[i] != '\r'; ++i) {
            const auto c = static_cast<std::uint8_t>(listing[i]);
            ASSERT_FALSE(c == 0x00 || (c >= 0x0B && c <= 0x1F)) << "byte " << int(c) << " at offset " << i;
        }
        ASSERT_LE(i - body, 255u) << "body too long at offset " << start;
        ASSERT_TRUE(i + 1 < listing.size() && listing[i + 1] == '\n') << "line at offset " << start << " not ended";
        i += 2;
    }
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> namesIn(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quillet-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch directory");
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace quillet::test
