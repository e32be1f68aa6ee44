// SPDX-License-Identifier: MIT
#pragma once
// Small pictures of a container's members for the file list: a picture
// member fitted into a few dozen pixels, a program as the first screen of
// its listing. They are made on a thread of their own, from one reading of
// the container, so the window goes on answering; a list shown later
// drops whatever an earlier one was still making.

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillet {
struct MemberInfo;
}

namespace quillet::ui {

// The longer side of a preview, in pixels: a 256 by 212 picture comes out
// 48 by 40.
inline constexpr int PreviewSize = 48;
inline constexpr int PreviewHeight = 40;

// Whether a member is read for a preview: one whose bytes can be had and
// that is small enough to be a picture or a program. What it holds is
// told from its bytes, so that every kind the picture road reads gets one.
bool wantsPreview(const MemberInfo& info);

// A program's first lines, shown beside its preview: the picture's
// characters are too small to read.
inline constexpr int PreviewLines = 8;

// The preview of a member named `name` (its leaf name tells a picture's
// mode) whose bytes are `bytes`; a program is drawn in `fontFamily`. A
// null image for what is neither a picture nor a program, or cannot be
// read. Safe on any thread.
QImage memberPreview(const std::string& name, std::string bytes, const QString& fontFamily);

class MemberPreviews : public QObject {
    Q_OBJECT
public:
    explicit MemberPreviews(QObject* parent = nullptr);
    // Stops the work and waits for the one member being drawn.
    ~MemberPreviews() override;

    // Makes the previews of the members of the container at the document
    // path `containerPath` (a file or member path), reading it once. The
    // work of an earlier start is dropped. `listed` are the member paths
    // as the list shows them: a container changed on disk since gives no
    // previews rather than some on the wrong rows. Returns the new
    // generation.
    std::uint64_t start(const QString& containerPath, std::vector<std::string> listed, const QString& fontFamily);
    // Drops the work under way; nothing more is delivered for it.
    void cancel();
    std::uint64_t generation() const { return generation_->load(); }

    // Takes a preview made for `generation`: emitted when it is still the
    // current one, else dropped. False when dropped.
    bool deliver(std::uint64_t generation, int index, const QImage& preview, const QString& lines = {});
    // Waits for the work under way to end (tests, and the destructor).
    void waitForDone();

signals:
    // A member's preview (its index in the container's list), and for a
    // program its first lines, one a line.
    void previewReady(int index, const QImage& preview, const QString& lines);
    // The current generation is done: every preview it made was delivered.
    void finished();

private:
    void done(std::uint64_t generation);

    std::shared_ptr<std::atomic<std::uint64_t>> generation_;
    QThreadPool pool_;
};

} // namespace quillet::ui
