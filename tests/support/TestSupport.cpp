#include "support/TestSupport.h"

#include "common/AnnotatedHex.h"

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
