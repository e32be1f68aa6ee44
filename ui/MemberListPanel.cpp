// SPDX-License-Identifier: MIT
#include "ui/MemberListPanel.h"

#include "app/LocalPath.h"
#include "app/ViewerFiles.h"
#include "container/Container.h"
#include "fonts/BundledFonts.h"
#include "image/ScreenMode.h"
#include "ui/MemberPreviews.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPixmap>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

using namespace quillet;

namespace {

constexpr int MemberPathRole = Qt::UserRole;
constexpr int SortRole = Qt::UserRole + 1;
constexpr int FolderRole = Qt::UserRole + 2; // a row that is a folder of a disk, with nothing to open

// Sizes and dates sort by value, not by their text. A preview comes in
// as the name's decoration without telling the model: it takes the place
// of a blank of the same size, so nothing is measured again, where a
// change per row would size every column over all rows each time.
class MemberItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    void setPreview(const QIcon& preview, const QString& lines)
    {
        preview_ = preview;
        lines_ = lines;
    }
    QVariant data(int column, int role) const override
    {
        if (column == MemberListPanel::NameColumn && role == Qt::DecorationRole && !preview_.isNull())
            return preview_;
        if (column == MemberListPanel::NameColumn && role == Qt::ToolTipRole && !lines_.isEmpty())
            return lines_;
        return QTreeWidgetItem::data(column, role);
    }
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant mine = data(column, SortRole);
        const QVariant theirs = other.data(column, SortRole);
        if (mine.isValid() && theirs.isValid())
            return mine.toULongLong() < theirs.toULongLong();
        return QTreeWidgetItem::operator<(other);
    }

private:
    QIcon preview_;
    QString lines_;
};

// Drags carry the members as files written for the drop.
class MemberTree : public QTreeWidget {
public:
    explicit MemberTree(MemberListPanel& panel) : QTreeWidget(&panel), panel_(panel) {}

protected:
    // Only copies: a drop that moved would take the rows out of the list.
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    QStringList mimeTypes() const override { return {QStringLiteral("text/uri-list")}; }
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override
    {
        QList<QUrl> urls;
        for (const QTreeWidgetItem* item : items) {
            const QString file = panel_.exportForDrag ? panel_.exportForDrag(panel_.memberPath(item)) : QString();
            if (!file.isEmpty())
                urls << QUrl::fromLocalFile(file);
        }
        if (urls.isEmpty())
            return nullptr;
        auto* dragged = new QMimeData;
        dragged->setUrls(urls);
        return dragged;
    }
    // Files from elsewhere, while the image can take them; the list's own
    // rows dragged onto it are no new files.
    bool takesDrop(const QDropEvent* event) const
    {
        return panel_.takesFiles() && event->source() != this && event->mimeData()->hasUrls();
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (takesDrop(event))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (takesDrop(event))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent* event) override
    {
        if (!takesDrop(event)) {
            event->ignore();
            return;
        }
        event->acceptProposedAction();
        emit panel_.filesDropped(event->mimeData()->urls(), panel_.dropFolder(itemAt(event->position().toPoint())));
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Delete && panel_.takesFiles() && !selectedItems().isEmpty()) {
            emit panel_.deleteRequested();
            return;
        }
        // Backspace goes up, as in a file manager.
        if (event->key() == Qt::Key_Backspace && panel_.upButton()->isEnabled()) {
            panel_.upButton()->click();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }

private:
    MemberListPanel& panel_;
};

QString kindText(const MemberInfo& info)
{
    switch (info.kind) {
    case MemberKind::Basic: return MemberListPanel::tr("BASIC (中間コード)");
    case MemberKind::Text: return MemberListPanel::tr("BASIC (アスキー) / テキスト");
    case MemberKind::Bsave: {
        const int mode = detectScreenModeFromName(info.path);
        if (mode < 0)
            return MemberListPanel::tr("BSAVE画像");
        return MemberListPanel::tr("BSAVE画像 (SCREEN %1)").arg(mode);
    }
    case MemberKind::BsaveBinary: return MemberListPanel::tr("BSAVE バイナリ");
    case MemberKind::Container: return MemberListPanel::tr("イメージ / アーカイブ");
    case MemberKind::Folder: return MemberListPanel::tr("フォルダ");
    case MemberKind::Other: break;
    }
    return MemberListPanel::tr("その他");
}

QString statusText(MemberStatus status)
{
    switch (status) {
    case MemberStatus::Ok: return {};
    case MemberStatus::FatCopiesDisagree: return MemberListPanel::tr("FATの写しが食い違っています (読めます)");
    case MemberStatus::TooLarge: return MemberListPanel::tr("大きすぎるため開けません");
    case MemberStatus::ChainLoops: return MemberListPanel::tr("クラスタのつながりが輪になっています");
    case MemberStatus::ChainLeavesDisk: return MemberListPanel::tr("クラスタのつながりがディスクの外に出ています");
    case MemberStatus::ChainTooShort: return MemberListPanel::tr("クラスタのつながりがサイズより短いです");
    case MemberStatus::PastImageEnd: return MemberListPanel::tr("イメージが途中で切れています");
    case MemberStatus::DirectoryLoop: return MemberListPanel::tr("フォルダが自分自身を含んでいます");
    case MemberStatus::SharedClusters: return MemberListPanel::tr("クラスタがほかのファイルと重なっています");
    case MemberStatus::FoldersTooDeep: return MemberListPanel::tr("フォルダが深すぎます");
    case MemberStatus::CutShort: return MemberListPanel::tr("ブロックが途中で切れています");
    case MemberStatus::BadHeader: return MemberListPanel::tr("ヘッダーが壊れています");
    case MemberStatus::Unreadable: return MemberListPanel::tr("展開できません");
    }
    return {};
}

} // namespace

MemberListPanel::MemberListPanel(QWidget* parent) : QDockWidget(tr("ファイル一覧"), parent)
{
    setObjectName("MemberList1");
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);

    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* bar = new QHBoxLayout;
    up_ = new QToolButton(body);
    up_->setObjectName("MemberListUp");
    up_->setText(tr("上へ"));
    up_->setToolTip(tr("このファイルを収めている一覧に戻ります (Backspace)"));
    up_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    up_->setEnabled(false);
    where_ = new QLabel(body);
    where_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // a long path never widens the panel
    bar->addWidget(up_);
    bar->addWidget(where_, 1);
    layout->addLayout(bar);

    list_ = new MemberTree(*this);
    list_->setObjectName("MemberListView");
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSortingEnabled(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragDrop);
    list_->setDefaultDropAction(Qt::CopyAction);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setHeaderLabels({tr("名前"), tr("サイズ"), tr("種類"), tr("日付"), tr("状態")});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(true);
    list_->sortByColumn(-1, Qt::AscendingOrder); // the container's own order until a header is clicked
    list_->setMinimumWidth(320);                 // name, size and kind in view
    // Previews as the name's decoration: the columns, their sorting and
    // the drags stay as they are, and a row reads as picture then name.
    list_->setIconSize(QSize(ui::PreviewSize, ui::PreviewHeight));
    layout->addWidget(list_);
    setWidget(body);

    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (!item->data(NameColumn, FolderRole).toBool())
            emit memberActivated(memberPath(item));
    });
    connect(list_, &QTreeWidget::currentItemChanged, this, &MemberListPanel::currentMemberChanged);
    connect(up_, &QToolButton::clicked, this, &MemberListPanel::upRequested);

    previews_ = new ui::MemberPreviews(this);
    connect(previews_, &ui::MemberPreviews::previewReady, this, &MemberListPanel::showPreview);
}

void MemberListPanel::showPreview(int index, const QImage& preview, const QString& lines)
{
    if (index < 0 || index >= rowsByIndex_.size())
        return;
    static_cast<MemberItem*>(rowsByIndex_[index])->setPreview(QIcon(QPixmap::fromImage(preview)), lines);
    list_->viewport()->update(list_->visualItemRect(rowsByIndex_[index]));
}

void MemberListPanel::showMembers(const QString& containerPath, const Container& container)
{
    containerPath_ = containerPath;
    where_->setText(containerPath);
    where_->setToolTip(containerPath);
    up_->setEnabled(!app::viewerPath(app::localPath(containerPath)).parentText().empty());

    // The old list's previews are dropped before its rows go.
    previews_->cancel();
    rowsByIndex_.clear();
    list_->setSortingEnabled(false);
    list_->clear();
    // Every row as high as one with a preview, so that the rows do not
    // jump as the previews come in.
    QPixmap blank(list_->iconSize());
    blank.fill(Qt::transparent);
    const QIcon placeholder(blank);
    const QLocale locale;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(container.members().size()));
    for (const MemberInfo& info : container.members()) {
        auto* row = new MemberItem;
        const QString name = QString::fromUtf8(info.path.data(), static_cast<qsizetype>(info.path.size()));
        row->setText(NameColumn, name);
        row->setIcon(NameColumn, placeholder);
        row->setData(NameColumn, MemberPathRole, name);
        const bool folder = info.kind == MemberKind::Folder;
        row->setData(NameColumn, FolderRole, folder);
        row->setText(SizeColumn,
                     folder ? QStringLiteral("<DIR>") : locale.toString(static_cast<qulonglong>(info.size)));
        row->setData(SizeColumn, SortRole, static_cast<qulonglong>(info.size));
        row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(KindColumn, kindText(info));
        if (info.date) {
            const MemberDate& d = *info.date;
            row->setText(DateColumn,
                         QString::asprintf("%04d/%02d/%02d %02d:%02d", d.year, d.month, d.day, d.hour, d.minute));
            row->setData(
                DateColumn, SortRole,
                static_cast<qulonglong>(((((d.year * 13ull + d.month) * 32 + d.day) * 24 + d.hour) * 60 + d.minute) * 60
                                        + d.second));
        }
        row->setText(StatusColumn, statusText(info.status));
        if (!isReadable(info.status)) {
            for (int column = NameColumn; column <= StatusColumn; ++column) {
                row->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
                row->setToolTip(column, statusText(info.status));
            }
        }
        rows << row;
    }
    rowsByIndex_ = rows;
    list_->addTopLevelItems(rows);
    list_->setSortingEnabled(true);
    list_->sortByColumn(-1, Qt::AscendingOrder);
    if (!rows.isEmpty())
        list_->setCurrentItem(rows.first());
    if (std::any_of(container.members().begin(), container.members().end(), ui::wantsPreview)) {
        std::vector<std::string> listed;
        listed.reserve(container.members().size());
        for (const MemberInfo& info : container.members())
            listed.push_back(info.path);
        previews_->start(containerPath, std::move(listed), fonts::bundledFamily(msx::CharacterSet::Japanese));
    }
    show();
    raise();
}

QString MemberListPanel::memberPath(const QTreeWidgetItem* item) const
{
    if (!item)
        return {};
    return containerPath_ + QStringLiteral("::") + item->data(NameColumn, MemberPathRole).toString();
}

QStringList MemberListPanel::selectedMemberPaths() const
{
    QStringList paths;
    for (QTreeWidgetItem* row : rowsByIndex_) {
        if (row->isSelected())
            paths << memberPath(row);
    }
    return paths;
}

void MemberListPanel::setTakesFiles(bool takes)
{
    takesFiles_ = takes;
}

QString MemberListPanel::dropFolder(const QTreeWidgetItem* item) const
{
    if (!item || !item->data(NameColumn, FolderRole).toBool())
        return {};
    return item->data(NameColumn, MemberPathRole).toString();
}

QString MemberListPanel::currentMemberPath() const
{
    return memberPath(list_->currentItem());
}
