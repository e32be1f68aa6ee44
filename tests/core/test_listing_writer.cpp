// SPDX-License-Identifier: MIT
// The writer both listing sinks share, through each of them.

#include "common/ByteStream.h"
#include "render/RtfListing.h"
#include "render/Utf8Listing.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

using namespace quillet;
using namespace quillet::test;

namespace {

// The listing written whole, and one byte a piece with an empty piece
// after each; the texts and, for RTF, the line counts.
template <typename Sink, typename Setting>
void expectEmptyPiecesChangeNothing(const std::string& listing, const Setting& setting)
{
    StringSink whole, pieced;
    Sink wholeSink(whole, setting);
    Sink piecedSink(pieced, setting);
    wholeSink.write(listing);
    piecedSink.write(listing.data(), 0);
    for (std::size_t at = 0; at < listing.size(); ++at) {
        piecedSink.write(listing.data() + at, 1);
        piecedSink.write(listing.data() + at + 1, 0);
    }
    if constexpr (std::is_same_v<Sink, RtfListingSink>) {
        EXPECT_EQ(piecedSink.finish(), wholeSink.finish());
    } else {
        piecedSink.finish();
        wholeSink.finish();
    }
    EXPECT_EQ(pieced.str(), whole.str());
}

} // namespace

// An empty piece between a lead byte (the graphic prefix, CR) and the byte
// it pairs with neither pairs the lead with anything nor ends a line.
TEST(ListingWriter, EmptyPiecesBetweenEveryTwoBytesChangeNothing)
{
    RtfListingOptions kanji;
    kanji.isAnkMode = false;
    const char* const listings[] = {
        "01 41 0D 0A 32 0D 0A", // pairs, and CR LF in each
        "0D 42 0A 01 01 41",    // a lone CR and LF, a prefix before a prefix
        "01 0D 0A 0D 0D 0A",    // a pair whose code is CR, a CR before a CR LF
        "41 01",                // a prefix at the end
        "41 0D",                // a CR at the end
        "",
    };
    for (const char* hex : listings) {
        SCOPED_TRACE(hex);
        const std::string listing = hexBytes(hex);
        expectEmptyPiecesChangeNothing<RtfListingSink>(listing, RtfListingOptions{});
        expectEmptyPiecesChangeNothing<RtfListingSink>(listing, kanji);
        expectEmptyPiecesChangeNothing<Utf8ListingSink>(listing, msx::CharacterSet::Japanese);
    }
}
