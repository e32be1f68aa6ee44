// SPDX-License-Identifier: MIT
#pragma once
// The golden manifest, tests/data/golden.txt: the size and CRC-32 of every
// output the tests hold against a stored result, one line each, so that an
// intended change shows as one readable diff.

#include <filesystem>
#include <string>
#include <vector>

namespace quillet::golden {

struct Output {
    std::string kind;  // the screen mode of a BMP; ascii, rtf-ank or rtf-kanji for a listing
    std::string name;  // the input: a generated picture, or a file of samples/
    std::string bytes; // what quillet-convert writes for it
};

// In manifest order: the BMP of every generated picture and of the two
// sample pictures, then the ASCII listing and the RTF listing in ANK and in
// Kanji mode of every *.bas in `samplesDir`. Throws what the conversions throw.
std::vector<Output> outputs(const std::filesystem::path& samplesDir);

// A comment header, then per output: kind, name, size in bytes, CRC-32 in hex.
std::string manifest(const std::vector<Output>& outputs);

} // namespace quillet::golden
