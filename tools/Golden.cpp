// SPDX-License-Identifier: MIT
#include "tools/Golden.h"

#include "common/ByteStream.h"
#include "common/Errors.h"
#include "convert/ConvertCli.h"
#include "decoder/ListingConverter.h"
#include "document/Open.h"
#include "image/BsaveConverter.h"
#include "tools/PictureGen.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace quillet::golden {

namespace {

namespace fs = std::filesystem;

std::string readWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw QuilletError(ErrorKind::ReadFailed, path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The ASCII listing quillet-convert writes by default: a tokenized program
// converted with every line kept, any other file as it is.
std::string asciiListing(const std::string& file)
{
    Opened document = openBytes("golden", file);
    StringSink listing;
    writeListing(document.head(), document.rest(), listing, ListingOptions{});
    return listing.str();
}

std::string rtfListing(const std::string& listing, bool kanji)
{
    cli::Options options;
    options.rtf = true;
    options.kanji = kanji;
    StringSink rtf;
    cli::writeRtfListing(options, listing, rtf);
    return rtf.str();
}

} // namespace

std::vector<Output> outputs(const fs::path& samplesDir)
{
    std::vector<gen::GoldenPicture> pictures = gen::goldenPictures();
    pictures.push_back({"sample.sc5", 5, gen::sampleScreen5()});
    pictures.push_back({"sample.s12", 12, gen::sampleScreen12()});

    std::vector<Output> result;
    auto converter = std::make_unique<BsaveConverter>();
    for (const gen::GoldenPicture& picture : pictures) {
        MemorySource source(std::string_view(picture.file).substr(1));
        StringSink bmp;
        converter->convert(source, picture.mode, bmp);
        result.push_back({std::to_string(picture.mode), picture.name, bmp.str()});
    }

    std::vector<fs::path> listings;
    for (const fs::directory_entry& entry : fs::directory_iterator(samplesDir)) {
        if (entry.is_regular_file() && entry.path().extension() == ".bas")
            listings.push_back(entry.path());
    }
    std::sort(listings.begin(), listings.end()); // directory order is not stable
    for (const fs::path& path : listings) {
        const std::string name = path.filename().string();
        const std::string ascii = asciiListing(readWhole(path));
        result.push_back({"ascii", name, ascii});
        result.push_back({"rtf-ank", name, rtfListing(ascii, false)});
        result.push_back({"rtf-kanji", name, rtfListing(ascii, true)});
    }
    return result;
}

std::string manifest(const std::vector<Output>& outputs)
{
    std::string text = "# What quillet-convert writes for the generated pictures (tools/PictureGen.cpp)\n"
                       "# and the sample listings (samples/*.bas), one output per line: the screen\n"
                       "# mode of a BMP or the kind of listing (ascii, rtf-ank, rtf-kanji), input name,\n"
                       "# size in bytes, CRC-32 (the zlib/PNG CRC) in hex.\n"
                       "# Regenerate: bash scripts/write-golden.sh\n";
    for (const Output& output : outputs) {
        char line[160];
        std::snprintf(line, sizeof line, "%s %s %zu %08x\n", output.kind.c_str(), output.name.c_str(),
                      output.bytes.size(), static_cast<unsigned>(gen::crc32(output.bytes)));
        text += line;
    }
    return text;
}

} // namespace quillet::golden
