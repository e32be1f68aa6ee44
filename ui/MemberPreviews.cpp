// SPDX-License-Identifier: MIT
#include "ui/MemberPreviews.h"

#include "app/LocalPath.h"
#include "app/ViewerFiles.h"
#include "container/Container.h"
#include "document/Open.h"
#include "document/Picture.h"
#include "thumbnailer/Thumbnail.h"

#include <QMetaObject>

#include <exception>
#include <vector>

namespace quillet::ui {

namespace {

// Ends a walk through the members once its list is no longer shown.
struct Cancelled {};

// The leaf of a member path inside its container ("PICS/TITLE.SC7" gives
// "TITLE.SC7"): the name a picture's mode is told from.
std::string leafOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool wantsPreview(const MemberInfo& info)
{
    if (!isReadable(info.status))
        return false;
    switch (info.kind) {
    case MemberKind::Bsave: return info.size <= PictureReadLimit;
    case MemberKind::Basic: return true; // only its first screen is drawn
    case MemberKind::BsaveBinary:        // machine code has no picture
    case MemberKind::Text:
    case MemberKind::Container:
    case MemberKind::Other:
    case MemberKind::Folder: break;
    }
    return false;
}

QImage memberPreview(const std::string& name, std::string bytes, const QString& fontFamily)
{
    try {
        Opened document = openBytes(name, std::move(bytes));
        QImage preview = thumb::documentThumbnail(document, PreviewSize, fontFamily);
        // A program's screen is 256 by 192; anything wider than tall stays
        // within the row's height.
        if (!preview.isNull() && preview.height() > PreviewHeight)
            preview = thumb::fitPicture(preview, PreviewHeight);
        return preview;
    } catch (const std::exception&) {
        // A member that cannot be drawn simply has no preview; opening it
        // tells why.
        return {};
    }
}

MemberPreviews::MemberPreviews(QObject* parent)
    : QObject(parent), generation_(std::make_shared<std::atomic<std::uint64_t>>(0))
{
    // One list at a time: a new list waits for the member being drawn for
    // the old one, never for the whole old list.
    pool_.setMaxThreadCount(1);
}

MemberPreviews::~MemberPreviews()
{
    cancel();
    waitForDone();
}

void MemberPreviews::cancel()
{
    ++*generation_;
}

void MemberPreviews::waitForDone()
{
    pool_.waitForDone();
}

std::uint64_t MemberPreviews::start(const QString& containerPath, std::vector<std::string> listed,
                                    const QString& fontFamily)
{
    const std::uint64_t mine = ++*generation_;
    const std::string path = app::localPath(containerPath);
    pool_.start([this, generation = generation_, mine, path, listed = std::move(listed), fontFamily] {
        const auto current = [&] { return generation->load() == mine; };
        try {
            // The same door the list was opened through: a member path
            // reaches a container inside another.
            Opened opened = openName(app::viewerPath(path), path, app::viewerFiles());
            if (!opened.isContainer() || !current())
                throw Cancelled{};
            const std::unique_ptr<Container> container = opened.openContainer();
            const std::vector<MemberInfo>& members = container->members();
            if (members.size() != listed.size())
                throw Cancelled{};
            for (std::size_t i = 0; i < members.size(); ++i) {
                if (members[i].path != listed[i])
                    throw Cancelled{};
            }
            std::vector<bool> wanted(members.size());
            for (std::size_t i = 0; i < members.size(); ++i)
                wanted[i] = wantsPreview(members[i]);
            // Read once, in order: an archive is unpacked once for all.
            container->readInOrder(wanted, [&](std::size_t index, Container::Read&& read) {
                if (!current())
                    throw Cancelled{};
                if (!wanted[index] || read.failure)
                    return;
                // A few lines lie within the program's first 16 KB, all that
                // its screen is listed from: a long program is not listed whole.
                static_assert(PreviewLines * 256 < thumb::ProgramReadLimit);
                const qsizetype head =
                    std::min<qsizetype>(static_cast<qsizetype>(read.bytes.size()), thumb::ProgramReadLimit);
                const QString lines =
                    thumb::programLines(QByteArrayView(read.bytes.data(), head), PreviewLines).join(QLatin1Char('\n'));
                QImage preview = memberPreview(leafOf(members[index].path), std::move(read.bytes), fontFamily);
                if (preview.isNull())
                    return;
                QMetaObject::invokeMethod(
                    this,
                    [this, mine, index, preview, lines] { deliver(mine, static_cast<int>(index), preview, lines); },
                    Qt::QueuedConnection);
            });
        } catch (const Cancelled&) {
        } catch (const std::exception&) {
            // The list is shown already; without its previews it still works.
        }
        QMetaObject::invokeMethod(
            this, [this, mine] { done(mine); }, Qt::QueuedConnection);
    });
    return mine;
}

bool MemberPreviews::deliver(std::uint64_t generation, int index, const QImage& preview, const QString& lines)
{
    if (generation != generation_->load())
        return false;
    emit previewReady(index, preview, lines);
    return true;
}

void MemberPreviews::done(std::uint64_t generation)
{
    if (generation == generation_->load())
        emit finished();
}

} // namespace quillet::ui
