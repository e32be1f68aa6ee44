// SPDX-License-Identifier: MIT
// Cassette images: the blocks of a tape, each after an 8-byte header at an
// offset divisible by 8. A file starts with a block of ten type bytes and a
// six-byte name; its data follow in the next blocks.

#include "common/Errors.h"
#include "container/CassetteLayout.h"
#include "container/MemberNames.h"
#include "container/Readers.h"
#include "document/Kinds.h"
#include "image/BsaveHeader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace quillet {

namespace {

using namespace cas;

bool headerAt(std::string_view bytes, std::size_t at)
{
    return bytes.substr(std::min(at, bytes.size()), BlockHeader.size()) == BlockHeader;
}

struct Block {
    std::size_t offset; // of the data, after the header
    std::size_t size;
};

class CassetteImage final : public Container {
public:
    CassetteImage(std::string bytes, WorkBudget& budget);
    const std::vector<std::pair<std::size_t, std::size_t>>& spans() const noexcept { return spans_; }

protected:
    std::string readMember(std::size_t index) const override;

private:
    struct Source {
        std::string prefix; // bytes a file of its own starts with that the tape leaves out
        std::vector<std::pair<std::size_t, std::size_t>> pieces; // offset and length in the image
    };

    std::string_view data(const Block& block) const
    {
        return std::string_view(bytes_).substr(block.offset, block.size);
    }
    // `byContent`: the kind is told by the bytes, not by the file's type.
    void add(MemberInfo info, Source source, bool byContent, WorkBudget& budget);

    // The blocks in order, and where each gives its member's bytes.
    void span(const Block& first, const Block& last)
    {
        spans_.push_back({first.offset - BlockHeader.size(), last.offset + last.size});
    }

    std::string bytes_;
    std::vector<Source> sources_;
    std::vector<std::pair<std::size_t, std::size_t>> spans_; // per member: its first header to its last block's end
};

CassetteImage::CassetteImage(std::string bytes, WorkBudget& budget)
    : Container(ContainerKind::CassetteImage), bytes_(std::move(bytes))
{
    std::vector<Block> blocks;
    bool bare = false;
    for (std::size_t at = 0; at < bytes_.size(); at += 8) {
        if (!headerAt(bytes_, at))
            continue;
        // A header straight after a header starts no block: a tape of
        // nothing but headers holds nothing.
        if (!blocks.empty() && blocks.back().offset == at) {
            blocks.back().offset = at + BlockHeader.size();
            bare = true;
            continue;
        }
        if (!blocks.empty())
            blocks.back().size = at - blocks.back().offset;
        blocks.push_back({at + BlockHeader.size(), 0});
    }
    // An empty file is a blank tape.
    if (blocks.empty() && !bytes_.empty())
        throw QuilletError(ErrorKind::NotAContainer, "no cassette block header");
    if (blocks.empty())
        return;
    blocks.back().size = bytes_.size() - std::min(bytes_.size(), blocks.back().offset);
    if (bare)
        problems_.push_back("block headers with no block after them were passed over");

    std::size_t i = 0;
    while (i < blocks.size()) {
        const std::string_view header = data(blocks[i]);
        const std::uint8_t type = fileType(header);
        if (type == 0) {
            MemberInfo info;
            char name[32];
            std::snprintf(name, sizeof name, "BLOCK-%03zu", i + 1);
            info.path = name;
            span(blocks[i], blocks[i]);
            add(std::move(info), {{}, {{blocks[i].offset, blocks[i].size}}}, true, budget);
            ++i;
            continue;
        }
        const std::size_t first = i;
        MemberInfo info;
        std::string name(header.substr(TypeLength, NameLength));
        name.erase(name.find_last_not_of(std::string_view(" \0", 2)) + 1);
        info.path = name.empty() ? "NONAME" : tapeNameToUtf8(name);
        if (header.size() < TypeLength + NameLength)
            info.status = MemberStatus::CutShort;
        ++i;
        const bool dataFollows = i < blocks.size() && fileType(data(blocks[i])) == 0;

        Source source;
        if (type == TokenizedType) {
            // The program without the 0xFF that a file of its own starts with.
            info.kind = MemberKind::Basic;
            source.prefix = std::string(1, static_cast<char>(TokenizedBasicMark));
            if (dataFollows) {
                source.pieces.push_back({blocks[i].offset, blocks[i].size});
                ++i;
            } else
                info.status = MemberStatus::CutShort;
        } else if (type == AsciiType) {
            info.kind = MemberKind::Text;
            bool ended = false;
            while (!ended && i < blocks.size() && fileType(data(blocks[i])) == 0) {
                const std::string_view text = data(blocks[i]);
                const std::size_t end = text.find(AsciiEnd);
                ended = end != std::string_view::npos;
                source.pieces.push_back({blocks[i].offset, ended ? end : text.size()});
                ++i;
            }
            if (!ended)
                info.status = MemberStatus::CutShort;
        } else {
            // Start, end and execution addresses, then the bytes from start
            // to end: a BSAVE file's header without its 0xFE.
            info.kind = MemberKind::Bsave;
            source.prefix = std::string(1, static_cast<char>(BsaveImageMark));
            if (!dataFollows) {
                info.status = MemberStatus::CutShort;
            } else {
                const std::string_view block = data(blocks[i]);
                ++i;
                if (block.size() < 6) {
                    info.status = MemberStatus::CutShort;
                } else {
                    const BsaveHeader addresses = bsaveHeaderOf(block);
                    const std::uint32_t start = addresses.startAddress, end = addresses.endAddress;
                    if (end < start) {
                        info.status = MemberStatus::BadHeader;
                    } else {
                        const std::size_t length = 6 + (end - start + 1);
                        info.size = 1 + length;
                        if (block.size() < length)
                            info.status = MemberStatus::CutShort;
                        source.pieces.push_back({blocks[i - 1].offset, std::min(length, block.size())});
                        // Machine code or a picture, told as a BSAVE file
                        // of its own would be.
                        const std::size_t held = std::min({length, block.size(), ContainerHeadSize - 1});
                        const std::string head = source.prefix + std::string(block.substr(0, held));
                        if (documentKindOf(head, 1 + std::min(length, block.size()), info.path)
                            == DocumentKind::BsaveBinary)
                            info.kind = MemberKind::BsaveBinary;
                    }
                }
            }
        }
        span(blocks[first], blocks[i - 1]);
        add(std::move(info), std::move(source), false, budget);
    }
    // Tape names are shown as the tape holds them, ":" and backslashes too.
    settleMemberPaths(true);
}

void CassetteImage::add(MemberInfo info, Source source, bool byContent, WorkBudget& budget)
{
    budget.spendMembers(1);
    if (info.size == 0) {
        info.size = source.prefix.size();
        for (const auto& piece : source.pieces)
            info.size += piece.second;
    }
    if (info.size > MaxMemberSize)
        info.status = MemberStatus::TooLarge;
    if (!isReadable(info.status))
        source.pieces.clear();
    sources_.push_back(std::move(source));
    members_.push_back(std::move(info));
    if (byContent && isReadable(members_.back().status)) {
        const auto& [offset, length] = sources_.back().pieces.front();
        members_.back().kind = memberKindOf(
            std::string_view(bytes_).substr(offset, std::min(length, ContainerHeadSize)), length, members_.back().path);
    }
}

std::string CassetteImage::readMember(std::size_t index) const
{
    const Source& source = sources_[index];
    std::string out = source.prefix;
    for (const auto& [offset, length] : source.pieces)
        out.append(bytes_, offset, length);
    return out;
}

} // namespace

bool looksLikeCassetteImage(std::span<const std::uint8_t> head, std::uint64_t size, std::string_view name)
{
    // A blank tape made by the writer is an empty file: its name tells it.
    if (size == 0) {
        const std::string_view suffix = name.substr(name.size() - std::min<std::size_t>(name.size(), 4));
        return suffix.size() == 4 && suffix[0] == '.' && (suffix[1] | 0x20) == 'c' && (suffix[2] | 0x20) == 'a'
               && (suffix[3] | 0x20) == 's';
    }
    return head.size() >= BlockHeader.size()
           && std::equal(BlockHeader.begin(), BlockHeader.end(), head.begin(),
                         [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::unique_ptr<Container> openCassetteImage(std::string bytes, WorkBudget& budget)
{
    return std::make_unique<CassetteImage>(std::move(bytes), budget);
}

std::vector<std::pair<std::size_t, std::size_t>> cassetteMemberSpans(const Container& tape)
{
    return dynamic_cast<const CassetteImage&>(tape).spans();
}

std::unique_ptr<Container> openCassetteImage(std::string bytes)
{
    WorkBudget budget;
    return openCassetteImage(std::move(bytes), budget);
}

} // namespace quillet
