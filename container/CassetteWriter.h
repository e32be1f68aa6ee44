// SPDX-License-Identifier: MIT
#pragma once
// Writing MSX cassette images (.cas), and the sound a cassette of one makes.

#include <string>
#include <string_view>

namespace quillet {

// The six-character tape name for the file name `name` (UTF-8, no
// folder): the base, cut to six characters (six code page 932 bytes), as
// the tape will list it. Throws QuilletError(BadName) for a name with
// nothing left, or with a control character or a character that has no
// code page 932 form.
std::string tapeName(std::string_view name);

// Throws QuilletError(NotWritable) naming why for a tape that is not to be
// written: bytes that are no tape, a damaged file, block headers with
// nothing after them. An empty tape is a blank one.
void requireWritableTape(const std::string& tape);

// `tape` (a .cas image, empty for a blank tape) with the file `bytes` put on
// it as `name` (as tapeName forms it): a tokenized program (first byte
// 0xFF) as a BASIC file, a BSAVE file (0xFE) as a binary file, anything else
// as an ASCII file. A file of that name on the tape is replaced where it
// lies; a new one goes at the end. Throws QuilletError: NotWritable for a
// tape that cannot be read as one, or a BSAVE file whose addresses do not
// fit its length; BadName.
std::string putOnTape(std::string tape, std::string_view name, std::string_view bytes);

// `tape` without the file `name` (a member name as the reader lists it).
// Throws QuilletError: UnknownMember, NotWritable as putOnTape does.
std::string removeFromTape(std::string tape, std::string_view name);

struct CassetteSoundOptions {
    int baud = 1200; // 1200 or 2400
    // 48000: a whole number of samples in every half cycle, at 1200, 2400
    // and 4800 Hz.
    int sampleRate = 48000;
};

// The sound of `tape` as a WAV file (8-bit mono PCM): every file's long
// header tone, its blocks with short tones between them, and silences
// between files, as an MSX's cassette interface reads them. Throws
// QuilletError(NotAContainer) for bytes that are no tape.
std::string cassetteSound(std::string_view tape, const CassetteSoundOptions& options);

} // namespace quillet
