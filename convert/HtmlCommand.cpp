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

// Hands out what another source reads, keeping a copy in a file: a pipe
// read once can then be read again.
class CopyingSource final : public ByteSource {
public:
    CopyingSource(ByteSource& from, std::FILE* copy) : from_(from), copy_(copy) {}

protected:
    bool refill() override
    {
        const auto chunk = from_.nextChunk();
        if (chunk.empty()) {
            failed_ = from_.failed();
            return false;
        }
        if (std::fwrite(chunk.data(), 1, chunk.size(), copy_) != chunk.size())
            throw QuilletError(ErrorKind::WriteFailed, "a temporary copy of the input");
        pos_ = chunk.data();
        end_ = chunk.data() + chunk.size();
        return true;
    }

private:
    ByteSource& from_;
    std::FILE* copy_;
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
    // listing is gone through twice: from memory when it is there, a file
    // of its own read again from its start, anything else (a pipe) copied
    // to a temporary file the first time through.
    const std::optional<std::span<const std::uint8_t>> inMemory = document.rest().restInMemory();
    std::unique_ptr<std::FILE, TempFileCloser> copy;
    int pass = 0;
    auto walk = [&](const std::function<void(const ListedLine&)>& each) {
        ++pass;
        if (inMemory) {
            MemorySource source(*inMemory);
            forEachListedLine(head, source, listing, each);
        } else if (document.name() != "-" && isRegularFile(document.stream())) {
            if (pass == 1) {
                forEachListedLine(head, document.rest(), listing, each);
                return;
            }
            if (fseeko(document.stream(), 0, SEEK_SET) != 0)
                throw QuilletError(ErrorKind::ReadFailed, document.name());
            FileSource source(document.stream());
            std::uint8_t first = 0;
            source.next(first); // the head has it
            forEachListedLine(head, source, listing, each);
        } else if (pass == 1) {
            copy.reset(std::tmpfile());
            if (!copy)
                throw QuilletError(ErrorKind::CreateFailed, "a temporary copy of the input");
            CopyingSource source(document.rest(), copy.get());
            forEachListedLine(head, source, listing, each);
        } else {
            if (std::fflush(copy.get()) != 0 || fseeko(copy.get(), 0, SEEK_SET) != 0)
                throw QuilletError(ErrorKind::ReadFailed, "a temporary copy of the input");
            FileSource source(copy.get());
            forEachListedLine(head, source, listing, each);
        }
    };
    quillet::writeHtmlListing(out, html, walk);
}

} // namespace quillet::cli
