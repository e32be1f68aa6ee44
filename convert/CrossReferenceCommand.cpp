// SPDX-License-Identifier: MIT
// --xref and --check: what a program's lines refer to and which of its
// names MSX BASIC takes as one variable.

#include "common/Errors.h"
#include "convert/ConvertCli.h"
#include "document/CrossReference.h"
#include "document/ListedLines.h"

#include <new>

namespace quillet::cli {

CrossReference crossReferenceOf(const Options& options, Opened& document)
{
    const std::string_view asked = options.xref ? "--xref" : "--check";
    if (document.role() == DocumentRole::Picture)
        throw Unsupported(std::string(asked) + " takes a program or a listing, not a BSAVE image");
    if (document.role() == DocumentRole::Bytes)
        throw Unsupported(std::string(asked) + " takes a program or a listing, not a "
                          + std::string(documentKindInfo(document.head().kind).description) + " file");
    CrossReference table;
    forEachListedLine(document.head(), document.rest(), ListingOptions{!options.hide65530, false},
                      [&table](const ListedLine& line) { table.add(line); });
    return table;
}

void writeCrossReference(const Options& options, Opened& document, OutputFile& output)
{
    crossReferenceOf(options, document).writeXref(output.sink());
}

int checkFiles(const Options& options, std::FILE* out, std::FILE* err)
{
    const std::optional<std::vector<std::string>> inputs = batchInputs(options, err);
    if (!inputs)
        return ExitFailed;
    // Each input's problems as found; with more than one input, each line
    // says whose it is.
    const bool named = inputs->size() > 1;
    int status = ExitOk;
    for (const std::string& input : *inputs) {
        try {
            Opened document = openName(localName(input), commandLineFiles());
            requireDocument(document);
            for (const std::string& problem : crossReferenceOf(options, document).problems()) {
                std::fprintf(out, "%s%s%s\n", named ? input.c_str() : "", named ? ": " : "", problem.c_str());
                status = ExitFailed;
            }
        } catch (const QuilletError& error) {
            std::fprintf(err, "quillet-convert: %s: %s\n", input.c_str(), error.what());
            status = ExitFailed;
        } catch (const Unsupported& error) {
            std::fprintf(err, "quillet-convert: %s: %s\n", input.c_str(), error.what());
            status = ExitFailed;
        } catch (const std::bad_alloc&) {
            std::fprintf(err, "quillet-convert: %s: out of memory\n", input.c_str());
            status = ExitFailed;
        }
    }
    return status;
}

} // namespace quillet::cli
