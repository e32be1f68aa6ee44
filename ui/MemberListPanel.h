// SPDX-License-Identifier: MIT
#pragma once
// The file list (MemberList1): the members of the opened disk image,
// cassette image or archive, in a panel beside the pages. Activating a
// member asks for it to be opened like a file; a container inside opens in
// the same list, and "上へ" goes back to the one that holds it. Members can
// be dragged out as files. Each picture and program carries a small preview
// beside its name, made in the background (ui/MemberPreviews.h). A disk or
// tape image that is a file of its own takes files dropped on the list, and
// Delete asks to remove the selected members; the window does both.

#include <QDockWidget>
#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

namespace quillet {
class Container;
namespace ui {
class MemberPreviews;
}
} // namespace quillet

class QLabel;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class MemberListPanel : public QDockWidget {
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, KindColumn, DateColumn, StatusColumn };

    explicit MemberListPanel(QWidget* parent = nullptr);

    // Lists the members of `container`, found at the document path
    // `containerPath`, and shows the panel.
    void showMembers(const QString& containerPath, const quillet::Container& container);
    const QString& containerPath() const { return containerPath_; }
    // The member path ("disk.dsk::DIR/GAME.BAS") of the current row; empty
    // when no row is current.
    QString currentMemberPath() const;
    // The member path of a row.
    QString memberPath(const QTreeWidgetItem* item) const;
    // The member paths of the selected rows, in the list's order.
    QStringList selectedMemberPaths() const;
    // Whether files dropped on the list are offered to the window: only for
    // an image that can be written.
    void setTakesFiles(bool takes);
    bool takesFiles() const { return takesFiles_; }
    // The folder of the disk a drop at `item` goes into: the folder row's
    // own path, or "" for the root.
    QString dropFolder(const QTreeWidgetItem* item) const;
    QTreeWidget* list() const { return list_; }
    quillet::ui::MemberPreviews* previews() const { return previews_; }
    QToolButton* upButton() const { return up_; }

    // Writes a member where a drop can take it: the path of a file under the
    // member's own name, or empty when that failed. Set by the window.
    std::function<QString(const QString& memberPath)> exportForDrag;

signals:
    void memberActivated(const QString& memberPath);
    // Files dropped from outside onto the list, for `folder` ("" the root).
    void filesDropped(const QList<QUrl>& urls, const QString& folder);
    void deleteRequested();
    void upRequested();
    void currentMemberChanged();

private:
    void showPreview(int index, const QImage& preview, const QString& lines);

    QString containerPath_;
    quillet::ui::MemberPreviews* previews_ = nullptr;
    // The rows in the container's order, whatever the sorting shows.
    QList<QTreeWidgetItem*> rowsByIndex_;
    bool takesFiles_ = false;
    QLabel* where_ = nullptr;
    QToolButton* up_ = nullptr;
    QTreeWidget* list_ = nullptr;
};
