#include "convert/ConvertCli.h"

#include "common/Errors.h"
#include "convert/OutputFile.h"
#include "decoder/Tokenizer.h"
#include "render/Utf8Listing.h"

namespace quillet::cli {

void writeTokenizedProgram(const Options& options, ByteSource& input, const std::string& out, OutputPlacement placement)
{
    std::string text;
    std::uint8_t byte;
    while (input.next(byte))
        text += static_cast<char>(byte);
    if (input.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    // Tokenizing a program or a picture would only report its first line as
    // having no number; say what the file is instead.
    if (!text.empty() && static_cast<std::uint8_t>(text[0]) == TokenizedBasicMark)
        throw Unsupported("--tokenize takes a listing, and this is already a tokenized program");
    if (!text.empty() && static_cast<std::uint8_t>(text[0]) == BsaveImageMark)
        throw Unsupported("--tokenize takes a listing, not a BSAVE image");
    if (options.utf8)
        text = readUtf8Listing(text, options.charset.value_or(msx::CharacterSet::Japanese));
    const std::string program = tokenizeListing(text, TokenizeOptions{});
    OutputFile output(out, placement);
    output.sink().write(program);
    output.commit();
}

} // namespace quillet::cli
