// SPDX-License-Identifier: MIT
#include "convert/ConvertCli.h"

#include "convert/OutputFile.h"
#include "decoder/Tokenizer.h"
#include "document/ImageChanges.h"
#include "render/Utf8Listing.h"

#include <sys/stat.h>

namespace quillet::cli {

void writeTokenizedProgram(const Options& options, Opened& document, const std::string& out, OutputPlacement placement)
{
    // Tokenizing a program or a picture would only report its first line as
    // having no number; say what the file is instead.
    switch (document.head().kind) {
    case DocumentKind::TokenizedBasic:
        throw Unsupported("--tokenize takes a listing, and this is already a tokenized program");
    case DocumentKind::BsaveImage: throw Unsupported("--tokenize takes a listing, not a BSAVE image");
    case DocumentKind::GraphSaurusImage:
    case DocumentKind::CopiedImage: throw Unsupported("--tokenize takes a listing, not a picture");
    case DocumentKind::BsaveBinary:
    case DocumentKind::Binary: throw Unsupported("--tokenize takes a listing, not a binary file");
    case DocumentKind::AsciiText: break;
    }
    StringSink program;
    if (options.utf8) {
        const std::string text = document.readAll();
        program.write(tokenizeListing(readUtf8Listing(text, options.charset.value_or(msx::CharacterSet::Japanese))));
    } else {
        // Read as it goes: a listing far past what a program holds is
        // refused at the line that passes it, not after reading it all.
        std::string start;
        if (document.head().firstByte)
            start += static_cast<char>(*document.head().firstByte);
        tokenizeListing(start, document.rest(), program, TokenizeOptions{});
    }
    // DISK::NAME.BAS: the program goes into the disk (or tape).
    struct stat file {};
    if (placement == OutputPlacement::AsGiven && out.find("::") != std::string::npos
        && ::stat(out.c_str(), &file) != 0) {
        try {
            putBytes(out, program.str(), dateNow());
        } catch (const ChangeRefused& refused) {
            throw QuilletError(refused.kind(),
                               refused.name() + (refused.detail().empty() ? "" : ": " + refused.detail()));
        }
        return;
    }
    OutputFile output(out, placement);
    output.sink().write(program.str());
    output.commit();
}

} // namespace quillet::cli
