#include "decoder/ListingConverter.h"

#include "common/Errors.h"
#include "decoder/LineDecoder.h"

#include <charconv>

namespace quillet {

namespace {

constexpr unsigned FirstHiddenLine = 65530;

bool read16(ByteSource& input, unsigned& value)
{
    std::uint8_t low, high;
    if (!input.next(low) || !input.next(high))
        return false;
    value = high * 256u + low;
    return true;
}

} // namespace

ProgramEnd convertTokenizedBasic(ByteSource& input, ByteSink& output, const ListingOptions& options)
{
    std::string line;
    line.reserve(512);
    ProgramEnd programEnd = ProgramEnd::Complete;
    for (;;) {
        unsigned link, number;
        if (!read16(input, link)) {
            programEnd = ProgramEnd::Truncated;
            break;
        }
        if (link == 0)
            break;
        if (!read16(input, number)) {
            programEnd = ProgramEnd::Truncated;
            break;
        }

        line.clear();
        char digits[8];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
        line.append(digits, end);
        line += ' ';
        const std::size_t bodyStart = line.size();
        bool lineEnded = false;
        try {
            lineEnded = decodeLine(input, line);
        } catch (const QuilletError& error) {
            throw QuilletError(error.kind(), number, error.detail());
        }
        if (line.size() == bodyStart) {
            // An empty body ends the program, unless the file ended first.
            if (!lineEnded)
                programEnd = ProgramEnd::Truncated;
            break;
        }
        if (number < FirstHiddenLine || options.isViewOverLine65530) {
            line += "\r\n";
            output.write(line);
        }
        if (!lineEnded) {
            programEnd = ProgramEnd::Truncated;
            break;
        }
    }
    if (input.failed())
        throw QuilletError(ErrorKind::ReadFailed);
    return programEnd;
}

} // namespace quillet
