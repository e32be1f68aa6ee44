// SPDX-License-Identifier: MIT
// Random tapes and files through the tape writer: the first byte picks the
// change and the name, the second where the tape ends and the file begins.
// A change is refused with the writer's own errors or gives a tape the
// reader reads whole, with one file more or less; the sound of a small
// tape is a WAV whose sizes add up.

#include "common/Errors.h"
#include "container/CassetteWriter.h"
#include "container/Readers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace quillet;

// The members of a tape the reader reads whole, or -1.
long readableMembers(const std::string& tape)
{
    if (tape.empty())
        return 0;
    try {
        const std::unique_ptr<Container> cas = openCassetteImage(tape);
        if (!cas->problems().empty())
            return -1;
        for (std::size_t i = 0; i < cas->members().size(); ++i) {
            if (cas->members()[i].status != MemberStatus::Ok)
                return -1;
            cas->read(i);
        }
        return static_cast<long>(cas->members().size());
    } catch (const QuilletError&) {
        return -1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const char* const names[] = {"GAME.BAS", "CAS:.TXT",    "\xEF\xBD\xB6\xEF\xBE\x85.BIN", "A", "A::B", "",
                                        "a",        "\xE2\x82\xAC"};
    if (size < 2)
        return 0;
    const std::uint8_t pick = data[0];
    const std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t cut = rest.size() * data[1] / 255;
    const std::string tape = rest.substr(0, cut), file = rest.substr(cut);
    const long before = readableMembers(tape);

    try {
        if (pick & 0x80) {
            const std::string changed = removeFromTape(tape, names[pick & 7]);
            if (before < 1 || readableMembers(changed) != before - 1)
                std::abort();
        } else {
            const std::string changed = putOnTape(tape, names[pick & 7], file);
            const long after = readableMembers(changed);
            if (before < 0 || (after != before && after != before + 1))
                std::abort();
        }
    } catch (const QuilletError& error) {
        const ErrorKind kind = error.kind();
        if (kind != ErrorKind::NotWritable && kind != ErrorKind::BadName && kind != ErrorKind::UnknownMember)
            std::abort();
    }

    if (tape.size() <= 256 && (pick & 0x40)) {
        try {
            CassetteSoundOptions options;
            options.sampleRate = 8000;
            const std::string wav = cassetteSound(tape, options);
            const auto word = [&](std::size_t at) {
                return static_cast<std::uint32_t>(static_cast<std::uint8_t>(wav[at]))
                       | static_cast<std::uint32_t>(static_cast<std::uint8_t>(wav[at + 1])) << 8
                       | static_cast<std::uint32_t>(static_cast<std::uint8_t>(wav[at + 2])) << 16
                       | static_cast<std::uint32_t>(static_cast<std::uint8_t>(wav[at + 3])) << 24;
            };
            if (wav.size() < 44 || word(4) != wav.size() - 8 || word(40) != wav.size() - 44)
                std::abort();
        } catch (const QuilletError& error) {
            if (error.kind() != ErrorKind::NotAContainer)
                std::abort();
        }
    }
    return 0;
}
