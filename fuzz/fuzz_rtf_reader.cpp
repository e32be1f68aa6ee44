// SPDX-License-Identifier: MIT
// Random RTF into the reader: it must end, and every run must lie inside
// the document's buffers; read in parts, it must give the same runs and
// contents, a run perhaps in pieces. Inputs that do not start like RTF are mostly given the start,
// so that the fuzzer spends its time past the check.

#include "common/Errors.h"
#include "render/RtfReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string rtf(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 0x80) == 0)
        rtf.insert(0, "{\\rtf1 ");
    try {
        const quillet::RtfDocument doc = quillet::readRtf(rtf);
        std::size_t bytes = 0, text = 0;
        for (const quillet::RtfRun& run : doc.runs) {
            switch (run.kind) {
            case quillet::RtfRun::Kind::Bytes:
                if (run.offset != bytes || run.length == 0)
                    std::abort();
                bytes += run.length;
                break;
            case quillet::RtfRun::Kind::Text:
                if (run.offset != text || run.length == 0)
                    std::abort();
                text += run.length;
                break;
            case quillet::RtfRun::Kind::ParagraphEnd:
                if (run.length != 0)
                    std::abort();
                break;
            }
            if (run.font < 0 || run.halfPoints <= 0)
                std::abort();
        }
        if (bytes != doc.bytes.size() || text != doc.text.size())
            std::abort();
        for (const char32_t c : doc.text) {
            if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
                std::abort();
        }

        // A run may come in pieces, where a long paragraph is cut.
        std::size_t at = 0, done = 0;
        quillet::readRtf(rtf, 1 + size % 3, [&](const quillet::RtfDocument& part, std::size_t, bool) {
            for (const quillet::RtfRun& run : part.runs) {
                if (at >= doc.runs.size())
                    std::abort();
                const quillet::RtfRun& same = doc.runs[at];
                if (run.kind != same.kind || run.font != same.font || run.halfPoints != same.halfPoints
                    || run.length > same.length - done)
                    std::abort();
                if ((run.kind == quillet::RtfRun::Kind::Bytes
                     && part.bytesOf(run) != doc.bytesOf(same).substr(done, run.length))
                    || (run.kind == quillet::RtfRun::Kind::Text
                        && part.textOf(run) != doc.textOf(same).substr(done, run.length)))
                    std::abort();
                done += run.length;
                if (done == same.length) {
                    ++at;
                    done = 0;
                }
            }
        });
        if (at != doc.runs.size() || done != 0)
            std::abort();
    } catch (const quillet::QuilletError& error) {
        if (error.kind() != quillet::ErrorKind::NotRtf)
            std::abort();
    }
    return 0;
}
