// SPDX-License-Identifier: MIT
#include "convert/ConvertCli.h"

#include "common/Errors.h"
#include "document/ListedLines.h"
#include "fonts/EmbeddedFonts.h"
#include "render/HtmlListing.h"

#include <sys/stat.h>

namespace quillet::cli {

namespace {

struct TempFileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

// Writes a temporary copy of the input, which the second reading reads back.
class TempFileSink final : public ByteSink {
public:
    explicit TempFileSink(std::FILE* file) : file_(file) {}
    void write(const void* data, std::size_t size) override
    {
        if (std::fwrite(data, 1, size, file_) != size)
            throw QuilletError(ErrorKind::WriteFailed, "a temporary copy of the input");
    }
    using ByteSink::write;

private:
    std::FILE* file_;
};

bool isRegularFile(std::FILE* file)
{
    struct stat status {};
    return file && fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

HtmlListingOptions htmlListingOptions(const Options& options)
{
    HtmlListingOptions html = htmlListingOptionsFor(options.colours.value_or(RoleScheme::Standard));
    html.characterSet = options.charset.value_or(msx::CharacterSet::Japanese);
    html.fontBase64 = fonts::msxFontBase64(html.characterSet);
    return html;
}

void writeHtmlListing(const Options& options, Opened& document, ByteSink& out)
{
    const DocumentHead& head = document.head();
    const ListingOptions listing{!options.hide65530, options.addresses};
    HtmlListingOptions html = htmlListingOptions(options);
    html.title = document.where().leafName();

    // The page needs the line numbers before its first line, so the
    // listing is read twice: from memory when it is there, a file of its
    // own again from its start, anything else (a pipe) through a copy in a
    // temporary file made the first time.
    const std::optional<std::span<const std::uint8_t>> inMemory = document.rest().restInMemory();
    const bool reopened = !inMemory && document.name() != "-" && isRegularFile(document.stream());
    std::unique_ptr<std::FILE, TempFileCloser> copy;
    std::unique_ptr<TempFileSink> copySink;
    std::unique_ptr<ByteSource> source;
    auto passes = [&](int pass) -> ByteSource& {
        if (inMemory) {
            source = std::make_unique<MemorySource>(*inMemory);
        } else if (pass == 1) {
            if (reopened)
                return document.rest();
            copy.reset(std::tmpfile());
            if (!copy)
                throw QuilletError(ErrorKind::CreateFailed, "a temporary copy of the input");
            copySink = std::make_unique<TempFileSink>(copy.get());
            source = std::make_unique<CopyingSource>(document.rest(), *copySink);
        } else {
            std::FILE* file = reopened ? document.stream() : copy.get();
            if ((!reopened && std::fflush(file) != 0) || fseeko(file, 0, SEEK_SET) != 0)
                throw QuilletError(ErrorKind::ReadFailed, document.name());
            source = std::make_unique<FileSource>(file);
            std::uint8_t first = 0;
            if (reopened)
                source->next(first); // the head has it
        }
        return *source;
    };
    quillet::writeHtmlListing(out, html, head, listing, passes);
}

} // namespace quillet::cli
