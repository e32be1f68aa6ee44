// SPDX-License-Identifier: MIT
#include "ui/QuilletUnit.h"

#include "app/ListingRoles.h"
#include "app/LocalPath.h"
#include "app/SaveCopy.h"
#include "app/SettingsStore.h"
#include "app/SettingsTable.h"
#include "app/ViewerFiles.h"
#include "common/Errors.h"
#include "container/Container.h"
#include "document/ImageChanges.h"
#include "document/ListedLines.h"
#include "fonts/EmbeddedFonts.h"
#include "image/ScreenMode.h"
#include "render/HtmlListing.h"
#include "ui/FileFilters.h"
#include "ui/FindDialog.h"
#include "ui/HelpViewer.h"
#include "ui/InterfaceFontAndColour.h"
#include "ui/LazyIcons.h"
#include "ui/ListingView.h"
#include "ui/PictureView.h"
#include "ui/QuilletUnit2.h"
#include "ui/QuilletUnit3.h"
#include "ui/Translations.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

using namespace quillet;
using quillet::app::localToQString;
using quillet::ui::causeText;
using quillet::ui::uiText;

namespace {

struct ScreenItem {
    int mode;
    const char* mainCaption;
    const char* popupCaption;
};

// The MSX1 modes come after the MSX2 ones, which keep their places.
constexpr ScreenItem ScreenItems[] = {
    {5, "SCREEN &5", "SCREEN &5"},       {6, "SCREEN &6", "SCREEN &6"},       {7, "SCREEN &7", "SCREEN &7"},
    {8, "SCREEN &8", "SCREEN &8"},       {9, "SCREEN &9", "SCREEN &9"},       {10, "SCREEN 10(&A)", "SCREEN 1&0"},
    {11, "SCREEN 11(&B)", "SCREEN 1&1"}, {12, "SCREEN 12(&C)", "SCREEN 1&2"}, {1, "SCREEN &1", "SCREEN 1(&D)"},
    {2, "SCREEN &2", "SCREEN 2(&E)"},    {3, "SCREEN &3", "SCREEN &3"},       {4, "SCREEN &4", "SCREEN &4"},
};

struct ActionItem {
    const char* name;
    const char* caption;
    QKeySequence shortcut;
};

// A recent file's menu text: its number as the access key, the name, and
// where it is with the middle of a long folder left out.
QString recentEntryText(int number, const QString& path, const QFontMetrics& metrics)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype member = path.lastIndexOf(QStringLiteral("::"));
    const qsizetype cut = std::max(slash, member);
    const QString name = cut < 0 ? path : path.mid(cut + (member > slash ? 2 : 1));
    QString where = cut < 0 ? QString() : cut == 0 ? QStringLiteral("/") : path.left(cut);
    const QString home = QDir::homePath();
    if (where == home || where.startsWith(home + QLatin1Char('/')) || where.startsWith(home + QStringLiteral("::")))
        where = QLatin1Char('~') + where.mid(home.size());
    where = metrics.elidedText(QDir::toNativeSeparators(where), Qt::ElideMiddle, metrics.averageCharWidth() * 40);
    const auto shown = [](QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); };
    const QString key =
        number < 10 ? QStringLiteral("&%1").arg(number) : QStringLiteral("%1&%2").arg(number / 10).arg(number % 10);
    QString text = key + QLatin1Char(' ') + shown(name);
    if (!where.isEmpty())
        text += QStringLiteral("  (") + shown(where) + QLatin1Char(')');
    return text;
}

// A save's status names the file it wrote.
QString savedText(std::string_view saved, const QString& path)
{
    return uiText(saved) + QLatin1Char(' ') + QDir::toNativeSeparators(path);
}

} // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent), settings_(app::SettingsStore::defaultPath()), recent_(app::SettingsStore::defaultPath())
{
    setObjectName("Form1");
    setWindowTitle(uiText(ProductName));
    resize(634, 394);
    startInstance = [](const QString& path) {
        // After "--", so that a name beginning with "-" is no option.
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {QStringLiteral("--"), path});
    };
    buildActions();
    buildMenus();
    buildToolBar();
    buildPages();
    buildStatusBar();
    connectCommands();
    connect(&settings_, &app::SettingsOwner::changed, this, &TForm1::settingsChanged);
    connect(&settings_, &app::SettingsOwner::saveFailed, this, &TForm1::settingsSaveFailed);
    restoreWindowGeometry();
}

TForm1::~TForm1() = default;

QAction* TForm1::action(const char* name) const
{
    return findChild<QAction*>(QString::fromLatin1(name));
}

QAction* TForm1::screenItem(int mode, int menu) const
{
    return findChild<QAction*>(QStringLiteral("SCREEN%1_%2").arg(mode).arg(menu));
}

QString TForm1::panelText(int index) const
{
    return panels_.at(static_cast<std::size_t>(index))->text();
}

void TForm1::setPanelText(int index, const QString& text)
{
    panels_.at(static_cast<std::size_t>(index))->setText(text);
}

void TForm1::buildActions()
{
    const ActionItem items[] = {
        {"Clear1", QT_TRANSLATE_NOOP("TForm1", "クリア(&L)"), QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"Open1", QT_TRANSLATE_NOOP("TForm1", "開く(&O)"), QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"NewDisk1", QT_TRANSLATE_NOOP("TForm1", "新しいディスク..."), {}},
        {"SaveAs1", QT_TRANSLATE_NOOP("TForm1", "アスキーセーブ(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"Save1", QT_TRANSLATE_NOOP("TForm1", "RTF形式で保存(&R)"), {}},
        {"SaveHTML1", QT_TRANSLATE_NOOP("TForm1", "HTML形式で保存(&H)"), {}},
        {"SaveBMP1", QT_TRANSLATE_NOOP("TForm1", "BMP形式で保存(&B)"), QKeySequence(Qt::CTRL | Qt::Key_B)},
        {"SavePNG1", QT_TRANSLATE_NOOP("TForm1", "PNG形式で保存(&G)"), {}},
        {"ExtractSave1", QT_TRANSLATE_NOOP("TForm1", "取り出して保存(&E)..."), {}},
        {"Reload1", QT_TRANSLATE_NOOP("TForm1", "再読み込み(&D)"), QKeySequence(Qt::Key_F5)},
        {"Print1", QT_TRANSLATE_NOOP("TForm1", "印刷(&P)..."), QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"PrintPreview1", QT_TRANSLATE_NOOP("TForm1", "印刷プレビュー(&V)..."), {}},
        {"PrintSetup1", QT_TRANSLATE_NOOP("TForm1", "プリンタの設定(&U)..."), {}},
        {"Exit1", QT_TRANSLATE_NOOP("TForm1", "終了(&X)"), QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"Undo1", QT_TRANSLATE_NOOP("TForm1", "元に戻す(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"Cut1", QT_TRANSLATE_NOOP("TForm1", "切り取り(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"Copy1", QT_TRANSLATE_NOOP("TForm1", "コピー(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"Paste1", QT_TRANSLATE_NOOP("TForm1", "貼り付け(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"SelectAll1", QT_TRANSLATE_NOOP("TForm1", "すべて選択(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A)},
        {"Find1", QT_TRANSLATE_NOOP("TForm1", "検索(&F)..."), QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"GoToLine1", QT_TRANSLATE_NOOP("TForm1", "行へ移動(&G)..."), QKeySequence(Qt::CTRL | Qt::Key_G)},
        {"GoBack1", QT_TRANSLATE_NOOP("TForm1", "戻る(&B)"), QKeySequence(Qt::ALT | Qt::Key_Left)},
        {"GoForward1", QT_TRANSLATE_NOOP("TForm1", "進む(&N)"), QKeySequence(Qt::ALT | Qt::Key_Right)},
        {"ListingZoomIn1", QT_TRANSLATE_NOOP("TForm1", "拡大(&I)"), QKeySequence(QKeySequence::ZoomIn)},
        {"ListingZoomOut1", QT_TRANSLATE_NOOP("TForm1", "縮小(&O)"), QKeySequence(QKeySequence::ZoomOut)},
        {"ListingZoomReset1", QT_TRANSLATE_NOOP("TForm1", "文字の大きさに戻す(&R)"),
         QKeySequence(Qt::CTRL | Qt::Key_0)},
        {"LineNumberGutter1", QT_TRANSLATE_NOOP("TForm1", "行番号を別の列に表示(&N)"), {}},
        {"SyntaxColors1", QT_TRANSLATE_NOOP("TForm1", "色分け表示(&H)"), {}},
        {"ImgSizeChg1", QT_TRANSLATE_NOOP("TForm1", "実寸拡大切替(&F)"), QKeySequence(Qt::CTRL | Qt::Key_L)},
        {"Config", QT_TRANSLATE_NOOP("TForm1", "設定(&C)..."), {}},
        {"Help2", QT_TRANSLATE_NOOP("TForm1", "目次(&C)"), QKeySequence(Qt::Key_F1)},
        {"About1", QT_TRANSLATE_NOOP("TForm1", "バージョン情報(&A)"), {}},
    };
    for (const auto& item : items) {
        auto* a = new QAction(tr(item.caption), this);
        a->setObjectName(QString::fromLatin1(item.name));
        if (!item.shortcut.isEmpty())
            a->setShortcut(item.shortcut);
    }
    for (const char* name : {"ExtractSave1", "Reload1", "GoBack1", "GoForward1"})
        action(name)->setEnabled(false);
    // Ctrl and "=" too: on most keyboards "+" needs Shift.
    action("ListingZoomIn1")
        ->setShortcuts({QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    for (const char* name : {"LineNumberGutter1", "SyntaxColors1"})
        action(name)->setCheckable(true);
    auto* clearRecent = new QAction(tr("履歴を消去(&C)"), this);
    clearRecent->setObjectName("ClearRecent1");
    // The file list's own: open the member, as a double click does.
    auto* openMember = new QAction(tr("このファイルを開く(&O)"), this);
    openMember->setObjectName("OpenMember1");
    // Only for a disk or tape image that can be written; Delete in the list.
    auto* deleteMember = new QAction(tr("削除(&D)..."), this);
    deleteMember->setObjectName("DeleteMember1");
    deleteMember->setEnabled(false);
}

void TForm1::buildMenus()
{
    auto* bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto addMenu = [&](const char* name, const char* caption) {
        QMenu* menu = bar->addMenu(tr(caption));
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    QMenu* file = addMenu("File1", QT_TRANSLATE_NOOP("TForm1", "ファイル(&F)"));
    file->addAction(action("Clear1"));
    file->addAction(action("Open1"));
    file->addAction(action("NewDisk1"));
    RecentMenu1 = file->addMenu(tr("最近使ったファイル(&F)"));
    RecentMenu1->setObjectName("RecentMenu1");
    RecentMenu1->setToolTipsVisible(true);
    // Filled when shown: another instance may have changed the list.
    for (QMenu* shown : {file, RecentMenu1})
        connect(shown, &QMenu::aboutToShow, this, &TForm1::fillRecentMenu);
    file->addAction(action("Reload1"));
    for (const char* name : {"SaveAs1", "Save1", "SaveHTML1", "SaveBMP1", "SavePNG1", "ExtractSave1"})
        file->addAction(action(name));
    separator(file, "N1");
    file->addAction(action("Print1"));
    file->addAction(action("PrintPreview1"));
    file->addAction(action("PrintSetup1"));
    separator(file, "N7");
    file->addAction(action("Exit1"));

    QMenu* edit = addMenu("Edit1", QT_TRANSLATE_NOOP("TForm1", "編集(&E)"));
    edit->addAction(action("Undo1"));
    separator(edit, "N3");
    for (const char* name : {"Cut1", "Copy1", "Paste1", "SelectAll1"})
        edit->addAction(action(name));
    separator(edit, "N4");
    edit->addAction(action("Find1"));
    separator(edit, "N11");
    for (const char* name : {"GoToLine1", "GoBack1", "GoForward1"})
        edit->addAction(action(name));

    QMenu* format = addMenu("O1", QT_TRANSLATE_NOOP("TForm1", "書式(&O)"));
    QMenu* screens = format->addMenu(tr("スクリーンモード(&S)"));
    screens->setObjectName("S1");
    for (const auto& item : ScreenItems) {
        auto* a = screens->addAction(QString::fromUtf8(item.mainCaption));
        a->setObjectName(QStringLiteral("SCREEN%1_1").arg(item.mode));
        a->setCheckable(true);
        a->setEnabled(item.mode != 9);
    }
    format->addAction(action("ImgSizeChg1"));
    format->addMenu(buildZoomMenu());
    format->addMenu(buildPaletteMenu());
    separator(format, "N12");
    QMenu* listingZoom = format->addMenu(tr("リストの表示倍率(&L)"));
    listingZoom->setObjectName("ListingZoom1");
    for (const char* name : {"ListingZoomIn1", "ListingZoomOut1", "ListingZoomReset1"})
        listingZoom->addAction(action(name));
    format->addAction(action("LineNumberGutter1"));
    format->addAction(action("SyntaxColors1"));
    separator(format, "N10");
    format->addAction(action("Config"));

    QMenu* help = addMenu("Help1", QT_TRANSLATE_NOOP("TForm1", "ヘルプ(&H)"));
    help->addAction(action("Help2"));
    separator(help, "N2");
    help->addAction(action("About1"));

    // The listing view's context menu.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    const ActionItem listingItems[] = {
        {"Undo2", QT_TRANSLATE_NOOP("TForm1", "元に戻す(&U)"), {}},
        {nullptr, "N5", {}},
        {"Cut2", QT_TRANSLATE_NOOP("TForm1", "切り取り(&T)"), {}},
        {"Copy2", QT_TRANSLATE_NOOP("TForm1", "コピー(&C)"), {}},
        {"Paste2", QT_TRANSLATE_NOOP("TForm1", "貼り付け(&P)"), {}},
        {"SelectAll2", QT_TRANSLATE_NOOP("TForm1", "すべて選択(&A)"), {}},
        {nullptr, "N6", {}},
        {"Font2", QT_TRANSLATE_NOOP("TForm1", "フォント(&F)..."), {}},
    };
    for (const auto& item : listingItems) {
        if (!item.name) {
            separator(PopupMenu1, item.caption);
            continue;
        }
        auto* a = PopupMenu1->addAction(tr(item.caption));
        a->setObjectName(QString::fromLatin1(item.name));
    }
    action("Font2")->setEnabled(false);

    // The picture view's context menu.
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    PopupMenu2->addAction(tr("コピー(&Y)"))->setObjectName("Copy3");
    separator(PopupMenu2, "N8");
    for (const auto& item : ScreenItems) {
        auto* a = PopupMenu2->addAction(QString::fromUtf8(item.popupCaption));
        a->setObjectName(QStringLiteral("SCREEN%1_2").arg(item.mode));
        a->setCheckable(true);
        a->setEnabled(item.mode != 9);
    }
    separator(PopupMenu2, "N9");
    QAction* toggle = PopupMenu2->addAction(tr("実寸拡大切替(&F)"));
    toggle->setObjectName("ImgSizeChg2");
    PopupMenu2->setDefaultAction(toggle);
    PopupMenu2->addMenu(findChild<QMenu*>("Zoom1"));
    PopupMenu2->addMenu(findChild<QMenu*>("Palette1"));

    // The file list's context menu.
    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName("PopupMenu3");
    PopupMenu3->addAction(action("OpenMember1"));
    PopupMenu3->setDefaultAction(action("OpenMember1"));
    PopupMenu3->addAction(action("ExtractSave1"));
    PopupMenu3->addAction(action("DeleteMember1"));
}

QMenu* TForm1::buildZoomMenu()
{
    auto* menu = new QMenu(tr("表示倍率(&Z)"), this);
    menu->setObjectName("Zoom1");
    auto* zooms = new QActionGroup(this);
    const struct {
        int zoom;
        const char* caption;
    } items[] = {
        {1, QT_TRANSLATE_NOOP("TForm1", "1倍(&1)")},
        {2, QT_TRANSLATE_NOOP("TForm1", "2倍(&2)")},
        {3, QT_TRANSLATE_NOOP("TForm1", "3倍(&3)")},
        {4, QT_TRANSLATE_NOOP("TForm1", "4倍(&4)")},
        {PictureView::FitZoom, QT_TRANSLATE_NOOP("TForm1", "ページに合わせる(&W)")},
    };
    for (const auto& item : items) {
        QAction* a = menu->addAction(tr(item.caption));
        a->setObjectName(QStringLiteral("ZoomBy%1").arg(item.zoom));
        a->setCheckable(true);
        zooms->addAction(a);
        connect(a, &QAction::triggered, this, [this, zoom = item.zoom] { zoomCommand(zoom); });
    }
    menu->addSeparator();
    QAction* tv = menu->addAction(tr("テレビの縦横比で表示(&T)"));
    tv->setObjectName("TvAspect1");
    tv->setCheckable(true);
    connect(tv, &QAction::triggered, this, &TForm1::TvAspect1Click);
    QAction* sprites = menu->addAction(tr("スプライトを表示(&S)"));
    sprites->setObjectName("DrawSprites1");
    sprites->setCheckable(true);
    connect(sprites, &QAction::triggered, this, &TForm1::DrawSprites1Click);
    QMenu* sizes = menu->addMenu(tr("スプライトの大きさ(&I)"));
    sizes->setObjectName("SpriteSizes1");
    auto* sizeGroup = new QActionGroup(this);
    const char* sizeCaptions[] = {
        QT_TRANSLATE_NOOP("TForm1", "8×8(&1)"),
        QT_TRANSLATE_NOOP("TForm1", "8×8 拡大(&2)"),
        QT_TRANSLATE_NOOP("TForm1", "16×16(&3)"),
        QT_TRANSLATE_NOOP("TForm1", "16×16 拡大(&4)"),
    };
    for (int size = 0; size < 4; ++size) {
        QAction* a = sizes->addAction(tr(sizeCaptions[size]));
        a->setObjectName(QStringLiteral("SpriteSize%1").arg(size));
        a->setCheckable(true);
        sizeGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, size] { spriteSizeCommand(size); });
    }
    QAction* msx2 = menu->addAction(tr("MSX2 の色で表示(&M)"));
    msx2->setObjectName("Msx2Colors1");
    msx2->setCheckable(true);
    connect(msx2, &QAction::triggered, this, &TForm1::Msx2Colors1Click);
    return menu;
}

QMenu* TForm1::buildPaletteMenu()
{
    auto* menu = new QMenu(tr("パレット(&P)"), this);
    menu->setObjectName("Palette1");
    auto* palettes = new QActionGroup(this);
    for (int index = 0; index < 8; ++index) {
        QAction* a = menu->addAction(tr("パレット %1(&%1)").arg(index));
        a->setObjectName(QStringLiteral("PaletteIndex%1").arg(index));
        a->setCheckable(true);
        palettes->addAction(a);
        connect(a, &QAction::triggered, this, [this, index] { paletteCommand(index); });
    }
    menu->setEnabled(false);
    return menu;
}

void TForm1::buildToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    // Each command's icon by its freedesktop name, else a picture of the
    // program's own that means the same.
    struct Button {
        const char* name;
        const char* hint;
        std::initializer_list<const char*> themeNames;
        bool enabled;
    };
    const Button buttons[] = {
        {"tbNew", QT_TRANSLATE_NOOP("TForm1", "クリア"), {"edit-clear"}, true},
        {"tbOpen", QT_TRANSLATE_NOOP("TForm1", "開く"), {"document-open"}, true},
        {"tbSave", QT_TRANSLATE_NOOP("TForm1", "アスキーセーブ"), {"document-save"}, true},
        {nullptr, nullptr, {}, false},
        {"tbPrint", QT_TRANSLATE_NOOP("TForm1", "印刷"), {"document-print"}, true},
        {nullptr, nullptr, {}, false},
        {"tbFind", QT_TRANSLATE_NOOP("TForm1", "検索"), {"edit-find"}, true},
        {nullptr, nullptr, {}, false},
        {"tbCut", QT_TRANSLATE_NOOP("TForm1", "切り取り"), {"edit-cut"}, false},
        {"tbCopy", QT_TRANSLATE_NOOP("TForm1", "コピー"), {"edit-copy"}, true},
        {"tbPaste", QT_TRANSLATE_NOOP("TForm1", "貼り付け"), {"edit-paste"}, false},
        {"tbUndo", QT_TRANSLATE_NOOP("TForm1", "元に戻す"), {"edit-undo"}, false},
        {nullptr, nullptr, {}, false},
        // KDE's name first, then the one GNOME's themes carry.
        {"tbConfig", QT_TRANSLATE_NOOP("TForm1", "設定"), {"configure", "preferences-system"}, true},
    };
    for (const auto& b : buttons) {
        if (!b.name) {
            ToolBar1->addSeparator();
            continue;
        }
        const QString hint = tr(b.hint);
        QStringList names;
        for (const char* name : b.themeNames)
            names << QString::fromLatin1(name);
        auto* a = new QAction(quillet::ui::commandIcon(names), hint, this);
        a->setObjectName(QString::fromLatin1(b.name));
        a->setToolTip(hint);
        a->setEnabled(b.enabled);
        ToolBar1->addAction(a);
    }

    // Undo, Cut and Paste of a read-only view, wherever they are offered:
    // an action of a disabled group stays disabled whatever enables it.
    auto* edits = new QActionGroup(this);
    edits->setObjectName("ReadOnlyEdits");
    edits->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (const char* name : {"Undo1", "Cut1", "Paste1", "Undo2", "Cut2", "Paste2", "tbUndo", "tbCut", "tbPaste"})
        edits->addAction(action(name));
    edits->setEnabled(false);
}

void TForm1::buildPages()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setTabPosition(QTabWidget::South);
    tbsBASIC = new QWidget(PageControl1);
    tbsBASIC->setObjectName("tbsBASIC");
    tbsCG = new QWidget(PageControl1);
    tbsCG->setObjectName("tbsCG");
    PageControl1->addTab(tbsBASIC, QStringLiteral("BASIC"));
    PageControl1->addTab(tbsCG, QStringLiteral("CG"));
    RichEdit1 = new ListingView(tbsBASIC);
    connect(RichEdit1, &ListingView::loadProgress, this, [this](int percent) {
        setPanelText(0, uiText(status::Loading) + QString::number(percent) + QLatin1Char('%'));
    });
    imgMSXCG = new PictureView;
    // A zoomed picture larger than the page scrolls.
    auto* pictureArea = new QScrollArea(tbsCG);
    pictureArea->setObjectName("PictureArea1");
    pictureArea->setFrameShape(QFrame::NoFrame);
    pictureArea->setWidgetResizable(true);
    pictureArea->setWidget(imgMSXCG);
    for (auto [page, view] : {std::pair<QWidget*, QWidget*>{tbsBASIC, RichEdit1}, {tbsCG, pictureArea}}) {
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
    }
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    imgMSXCG->setContextMenuPolicy(Qt::CustomContextMenu);
    setCentralWidget(PageControl1);
}

MemberListPanel* TForm1::memberList()
{
    // Made when a container is first opened: most sessions never show it.
    if (!MemberList1) {
        MemberList1 = new MemberListPanel(this);
        MemberList1->exportForDrag = [this](const QString& member) { return exportMember(member); };
        addDockWidget(Qt::LeftDockWidgetArea, MemberList1);
        MemberList1->hide(); // until it lists a container
        connect(MemberList1, &MemberListPanel::memberActivated, this, &TForm1::openDocument);
        connect(MemberList1, &MemberListPanel::upRequested, this, [this] {
            const std::string parent = app::viewerPath(app::localPath(MemberList1->containerPath())).parentText();
            if (!parent.empty())
                openDocument(localToQString(parent));
        });
        connect(MemberList1, &MemberListPanel::currentMemberChanged, this, &TForm1::enableMemberCommands);
        connect(MemberList1->list(), &QTreeWidget::itemSelectionChanged, this, &TForm1::enableMemberCommands);
        connect(MemberList1, &MemberListPanel::filesDropped, this, &TForm1::addDroppedFiles);
        connect(MemberList1, &MemberListPanel::deleteRequested, this, &TForm1::DeleteMember1Click);
        connect(MemberList1->list(), &QWidget::customContextMenuRequested, this,
                [this](const QPoint& at) { PopupMenu3->popup(MemberList1->list()->viewport()->mapToGlobal(at)); });
    }
    return MemberList1;
}

QString TForm1::currentMemberPath() const
{
    return MemberList1 ? MemberList1->currentMemberPath() : QString();
}

void TForm1::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(true);
    // The widths are the least each panel takes; a longer text widens the
    // panel (a six-digit line count) or, in the message panel, which takes
    // the room left, wraps onto a second line: no panel cuts its text.
    const int widths[] = {200, 100, 100, 50};
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumWidth(widths[i]);
        label->setContentsMargins(2, 0, 2, 0);
        label->setWordWrap(i == 0);
        bar->addWidget(label, i == 0 ? 1 : 0);
        panels_[i] = label;
    }
}

QFileDialog* TForm1::openDialog()
{
    // Made on first use: a file dialog lists folders and loads icons.
    if (!OpenDialog1) {
        OpenDialog1 = new QFileDialog(this, tr("開く"));
        OpenDialog1->setObjectName("OpenDialog1");
        OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
        OpenDialog1->setOption(QFileDialog::HideNameFilterDetails);
        OpenDialog1->setFileMode(QFileDialog::ExistingFile);
        OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
        ui::setFileFilters(*OpenDialog1, ui::openFileFilters());
        for (const auto& setup : openDialogSetup_)
            setup(*OpenDialog1);
        openDialogSetup_.clear();
    }
    return OpenDialog1;
}

QFileDialog* TForm1::saveDialog()
{
    if (!SaveDialog1) {
        SaveDialog1 = new QFileDialog(this);
        SaveDialog1->setObjectName("SaveDialog1");
        SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
        SaveDialog1->setOption(QFileDialog::HideNameFilterDetails);
        SaveDialog1->setFileMode(QFileDialog::AnyFile);
        SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog1->setSizeGripEnabled(true);
    }
    return SaveDialog1;
}

FindDialog* TForm1::findDialog()
{
    if (!FindDialog1) {
        FindDialog1 = new FindDialog(this);
        connect(FindDialog1, &FindDialog::find, this, &TForm1::FindDialog1Find);
    }
    return FindDialog1;
}

HelpViewer* TForm1::helpViewer()
{
    if (!help_)
        help_ = new HelpViewer(this);
    return help_;
}

TForm2* TForm1::aboutBox()
{
    if (!Form2 && formCreated_)
        Form2 = new TForm2(this);
    return Form2;
}

TPagesDlg* TForm1::settingsDialog()
{
    if (!PagesDlg && formCreated_)
        PagesDlg = new TPagesDlg(static_cast<SettingsHost&>(*this), this);
    return PagesDlg;
}

QPrinter& TForm1::printer()
{
    // Made on first use: asking the system for its printers can be slow.
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>();
        printer_->setDocName(uiText(ProductName));
    }
    return *printer_;
}

void TForm1::connectCommands()
{
    auto on = [this](const char* name, void (TForm1::*handler)()) {
        connect(action(name), &QAction::triggered, this, handler);
    };
    for (const char* name : {"Clear1", "tbNew"})
        on(name, &TForm1::Clear1Click);
    for (const char* name : {"Open1", "tbOpen"})
        on(name, &TForm1::Open1Click);
    on("SaveAs1", &TForm1::SaveAs1Click);
    on("Save1", &TForm1::Save1Click);
    on("SaveHTML1", &TForm1::SaveHTML1Click);
    on("SaveBMP1", &TForm1::SaveBMP1Click);
    on("SavePNG1", &TForm1::SavePNG1Click);
    connect(action("tbSave"), &QAction::triggered, this, [this] { isBasicPage() ? SaveAs1Click() : SaveBMP1Click(); });
    // The button asks as the menu does: printing at once reaches nothing on
    // a desktop without a printer, where the dialog offers a PDF file.
    for (const char* name : {"Print1", "tbPrint"})
        on(name, &TForm1::Print1Click);
    on("Reload1", &TForm1::Reload1Click);
    on("ClearRecent1", &TForm1::ClearRecent1Click);
    on("PrintPreview1", &TForm1::PrintPreview1Click);
    on("PrintSetup1", &TForm1::PrintSetup1Click);
    connect(action("Exit1"), &QAction::triggered, this, &QWidget::close);
    for (const char* name : {"Copy1", "Copy2", "Copy3", "tbCopy"})
        on(name, &TForm1::Copy1Click);
    for (const char* name : {"SelectAll1", "SelectAll2"})
        on(name, &TForm1::SelectAll1Click);
    for (const char* name : {"Find1", "tbFind"})
        on(name, &TForm1::Find1Click);
    for (const char* name : {"ImgSizeChg1", "ImgSizeChg2"})
        on(name, &TForm1::ImgSizeChg1Click);
    on("Help2", &TForm1::Help2Click);
    on("GoToLine1", &TForm1::GoToLine1Click);
    connect(action("GoBack1"), &QAction::triggered, RichEdit1, &ListingView::goBack);
    connect(action("GoForward1"), &QAction::triggered, RichEdit1, &ListingView::goForward);
    connect(RichEdit1, &ListingView::jumped, this, &TForm1::indicateNavigation);
    connect(RichEdit1, &ListingView::contentsChanged, this, &TForm1::indicateNavigation);
    connect(RichEdit1, &ListingView::missingLineFollowed, this,
            [this](int number) { setPanelText(0, uiText(status::LineNotInListing).arg(number)); });
    connect(action("ListingZoomIn1"), &QAction::triggered, this, [this] { listingZoomCommand(1); });
    connect(action("ListingZoomOut1"), &QAction::triggered, this, [this] { listingZoomCommand(-1); });
    connect(action("ListingZoomReset1"), &QAction::triggered, this, [this] { listingZoomCommand(0); });
    connect(RichEdit1, &ListingView::zoomStepRequested, this, &TForm1::listingZoomCommand);
    connect(action("LineNumberGutter1"), &QAction::triggered, this,
            [this](bool checked) { settings_.set(&Settings::isLineNumberGutter, checked); });
    connect(action("SyntaxColors1"), &QAction::triggered, this,
            [this](bool checked) { settings_.set(&Settings::useSyntaxColors, checked); });
    connect(action("About1"), &QAction::triggered, this, [this] {
        if (TForm2* about = aboutBox())
            about->exec();
    });
    for (const char* name : {"Config", "tbConfig"}) {
        connect(action(name), &QAction::triggered, this, [this] {
            if (TPagesDlg* dialog = settingsDialog())
                dialog->exec();
        });
    }
    for (const auto& item : ScreenItems) {
        for (int menu = 1; menu <= 2; ++menu) {
            connect(screenItem(item.mode, menu), &QAction::triggered, this,
                    [this, mode = item.mode] { screenCommand(mode); });
        }
    }
    connect(imgMSXCG, &PictureView::doubleClicked, this, &TForm1::ImgSizeChg1Click);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (!pageChangeByLoad_)
            PageControl1Change();
    });
    connect(RichEdit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(at)); });
    connect(imgMSXCG, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu2->popup(imgMSXCG->mapToGlobal(at)); });

    on("ExtractSave1", &TForm1::ExtractSave1Click);
    on("NewDisk1", &TForm1::NewDisk1Click);
    on("DeleteMember1", &TForm1::DeleteMember1Click);
    connect(action("OpenMember1"), &QAction::triggered, this, [this] {
        const QString member = currentMemberPath();
        if (!member.isEmpty())
            openDocument(member);
    });
}

void TForm1::FormCreate(const QStringList& args)
{
    settings_.readAll();
    const Settings& settings = settings_.values();
    Choices.FontDialogs[0] = {QString::fromStdString(settings.fontNameAnk), 2};
    Choices.FontDialogs[1] = {QString::fromStdString(settings.fontNameAnkGraph), 2};
    Choices.FontDialogs[2] = {QString::fromStdString(settings.fontNameKanji), 128};
    Choices.FontDialogs[3] = {QString::fromStdString(settings.mapFontFrom0xAD), 2};
    Choices.ColorDialog1 = colorFromSetting(settings.backgroundColor);
    Choices.ColorDialog2 = colorFromSetting(settings.fontColor);
    ListingFormat format = listingFormat();
    format.fontName.clear(); // the fonts come with the first listing
    RichEdit1->applyListingFormat(format);
    indicateListingView();
    setPanelText(0, uiText(status::PleaseOpen));
    indicateAnkMode(settings.isAnkMode);
    State = app::DocumentState{};
    indidateCanSave(false, false);
    Temps.makeTempNames(settings.tempFileDir); // the window opens even without temporary files
    loader_ = std::make_unique<app::DocumentLoader>(settings_, State, Temps, app::RecentDocuments(),
                                                    static_cast<app::LoaderHost&>(*this));
    {
        const QString dir = QString::fromStdString(settings.lastOpenDir);
        const int filter = settings.lastOpenFilterIndex;
        if (filter >= 1 && filter <= ui::openFileFilters().size())
            openFilterIndex_ = filter;
        openDialogSetup_.push_back([dir, filter](QFileDialog& dialog) {
            dialog.setDirectory(dir);
            ui::selectFileFilter(dialog, filter);
        });
    }
    // The help of the language the windows were made in.
    helpFile_ = HelpViewer::helpFile(QCoreApplication::applicationDirPath(), ui::interfaceLanguage(settings));
    // Shown and stored at every start.
    settings_.set(&Settings::screenMode, settings.screenMode);
    imgMSXCG->setStretch(settings.isStretch);
    indicatePictureView();
    setAcceptDrops(true);

    if (!args.isEmpty() && !args.first().isEmpty()) {
        for (qsizetype i = 1; i < args.size(); ++i)
            startInstance(args.at(i));
        openDocument(args.first());
    }
    // A stored page other than the two is shown as the first.
    const int page = settings.activePageIndex == CgPageIndex ? CgPageIndex : BasicPageIndex;
    showPage(page);
    PageControl1ChangeProc();

    // The About box and the settings dialog come after the main window.
    formCreated_ = true;
}

bool TForm1::isBasicPage() const
{
    return PageControl1->currentIndex() == BasicPageIndex;
}

void TForm1::openDocument(const QString& name)
{
    // A command-line name or a drop may be a file URI.
    QString path;
    try {
        path = localToQString(localName(app::localPath(name)));
    } catch (const QuilletError& error) {
        loadFailed(name, error);
        return;
    }
    loadDocument(path, false);
}

void TForm1::loadDocument(const QString& path, bool reload)
{
    if (!loader_ || closeAfterLoad_)
        return;
    loader_->loadDocument(path, reload);
    // The window was closed while the load let events through: the load
    // has ended, its own temporary files are gone, and now the close runs.
    if (closeAfterLoad_)
        close();
}

void TForm1::settingsChanged(const app::SettingNames& names)
{
    using namespace app::setting;
    const Settings& settings = settings_.values();
    if (names.containsAny({FontColor, BackgroundColor, FontSize, UseWordWrap}))
        applyListingLook();
    if (names.containsAny({FontColor, BackgroundColor, ListingZoom, IsLineNumberGutter, UseSyntaxColors,
                           SyntaxColorScheme, RoleColors}))
        indicateListingView();
    if (names.containsAny({IsAnkMode, CharacterSet}))
        indicateAnkMode(settings.isAnkMode);
    if (names.contains(ScreenMode))
        indicateScreenMode(settings.screenMode);
    if (names.contains(TempFileDir))
        Temps.setTempNameDir(settings.tempFileDir);
    if (names.contains(IsStretch))
        imgMSXCG->setStretch(settings.isStretch);
    if (names.containsAny({PictureZoom, IsTvAspect, IsDrawSprites, SpriteSize, IsMsx2Colors}))
        indicatePictureView();
}

void TForm1::indicateScreenMode(int mode)
{
    for (const auto& item : ScreenItems) {
        for (int menu = 1; menu <= 2; ++menu) {
            screenItem(item.mode, menu)->setChecked(item.mode == mode);
        }
    }
    setPanelText(2, uiText(status::ScreenPrefix) + QString::number(mode));
}

void TForm1::indicateAnkMode(bool isAnkMode)
{
    // The character set applies to ANK mode only: Kanji mode is code page 932.
    QString text = uiText(isAnkMode ? status::AnkIndicator : status::KanjiIndicator);
    if (isAnkMode) {
        const std::string_view set = msx::characterSetShortName(app::characterSetSetting(settings()));
        text += QLatin1Char(' ') + QString::fromLatin1(set.data(), static_cast<qsizetype>(set.size())).toUpper();
    }
    setPanelText(1, text);
}

void TForm1::indidateCanSave(bool listing, bool picture)
{
    action("Save1")->setEnabled(listing);
    action("SaveAs1")->setEnabled(listing);
    action("SaveHTML1")->setEnabled(listing);
    action("SaveBMP1")->setEnabled(picture);
    action("SavePNG1")->setEnabled(picture);
    action("tbSave")->setEnabled(isBasicPage() ? listing : picture);
    action("Reload1")->setEnabled(isBasicPage() ? listing : picture);
}

void TForm1::PageControl1Change()
{
    PageControl1ChangeProc();
}

void TForm1::PageControl1ChangeProc()
{
    const bool basic = isBasicPage();
    for (const char* name : {"Find1", "Print1", "PrintPreview1", "SelectAll1", "tbPrint", "tbFind", "GoToLine1",
                             "ListingZoomIn1", "ListingZoomOut1", "ListingZoomReset1"})
        action(name)->setEnabled(basic);
    indicateNavigation();
    indidateCanSave(State.listingLoaded, State.imageLoaded);
    settings_.set(&Settings::activePageIndex, PageControl1->currentIndex());
}

void TForm1::Clear1Click()
{
    if (isBasicPage()) {
        State.clearListing();
        indidateCanSave(State.listingLoaded, State.imageLoaded);
        RichEdit1->clear();
        setPanelText(3, QString());
    } else {
        State.clearImage();
        indidateCanSave(State.listingLoaded, State.imageLoaded);
        imgMSXCG->clear();
    }
    setWindowTitle(uiText(ProductName));
    setPanelText(0, uiText(status::PleaseOpen));
}

void TForm1::Reload1Click()
{
    // A copy: the load changes the state it is read from.
    const std::string source = isBasicPage() ? State.listingSourcePath : State.imageSourcePath;
    if (!source.empty())
        loadDocument(localToQString(source), true);
}

void TForm1::fillRecentMenu()
{
    // Left to be deleted later: the entry that opened a file may still be
    // running when a long load lets the menu open again.
    for (QAction* old : RecentMenu1->actions()) {
        RecentMenu1->removeAction(old);
        if (old->parent() == RecentMenu1)
            old->deleteLater();
    }
    const std::vector<std::string> files = recent_.files();
    int number = 0;
    for (const std::string& file : files) {
        const QString path = localToQString(file);
        QAction* entry = RecentMenu1->addAction(recentEntryText(++number, path, RecentMenu1->fontMetrics()));
        entry->setObjectName(QStringLiteral("RecentFile%1").arg(number));
        const QString shown = QDir::toNativeSeparators(path);
        entry->setToolTip(shown);
        entry->setStatusTip(shown);
        connect(entry, &QAction::triggered, this, [this, path] { openDocument(path); });
    }
    if (!files.empty())
        RecentMenu1->addSeparator();
    RecentMenu1->addAction(action("ClearRecent1"));
    RecentMenu1->menuAction()->setEnabled(!files.empty());
}

void TForm1::ClearRecent1Click()
{
    recent_.clear();
    fillRecentMenu();
}

void TForm1::Open1Click()
{
    QFileDialog* dialog = openDialog();
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    openDocument(dialog->selectedFiles().first());
}

QString TForm1::runSaveDialog(const QString& title, const QString& suffix, const QList<ui::FileFilter>& filters,
                              const std::string& sourcePath, const QString& proposedSuffix)
{
    QFileDialog* dialog = saveDialog();
    dialog->setWindowTitle(title);
    dialog->setDefaultSuffix(suffix);
    ui::setFileFilters(*dialog, filters);
    // Beside the document shown, under its name; a member's is beside the
    // file on disk that holds it.
    if (!sourcePath.empty()) {
        const MemberPath where = app::viewerPath(sourcePath);
        const QFileInfo file(localToQString(where.file));
        const QFileInfo name(where.isMember() ? QFileInfo(localToQString(safeFileName(where.leafName()))) : file);
        dialog->setDirectory(file.absolutePath());
        dialog->selectFile(name.completeBaseName() + QLatin1Char('.') + proposedSuffix);
    }
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().first();
}

void TForm1::runSave(const QString& path, std::string_view saved, std::string_view failed,
                     const std::function<void()>& save)
{
    try {
        save();
    } catch (const std::exception& error) {
        reportFailure(failed, error);
        return;
    }
    setPanelText(0, savedText(saved, path));
}

void TForm1::SaveAs1Click()
{
    // ".asc", the name of a listing kept as text: ".bas" beside a tokenized
    // GAME.BAS would offer to overwrite the program with its listing.
    const QString path = runSaveDialog(tr("アスキーセーブ"), QStringLiteral("bas"), ui::asciiSaveFilters(),
                                       State.listingSourcePath, QStringLiteral("asc"));
    if (path.isEmpty())
        return;
    statusBar()->setProperty("simpleText", uiText(status::AsciiSaving));
    runSave(path, status::AsciiSaved, status::AsciiSaveFailed,
            [&] { app::copyReplacing(localToQString(Temps.asciiTempPath()), path); });
}

void TForm1::Save1Click()
{
    const QString path = runSaveDialog(tr("RTF形式で保存"), QStringLiteral("rtf"), ui::rtfSaveFilters(),
                                       State.listingSourcePath, QStringLiteral("rtf"));
    if (path.isEmpty())
        return;
    runSave(path, status::RtfSaved, status::RtfSaveFailed, [&] { RichEdit1->saveRtfFile(path); });
}

void TForm1::SaveHTML1Click()
{
    const QString path = runSaveDialog(tr("HTML形式で保存"), QStringLiteral("html"), ui::htmlSaveFilters(),
                                       State.listingSourcePath, QStringLiteral("html"));
    if (path.isEmpty())
        return;
    runSave(path, status::HtmlSaved, status::HtmlSaveFailed, [&] { saveHtmlListing(path); });
}

void TForm1::saveHtmlListing(const QString& path)
{
    const Settings& settings = settings_.values();
    const std::string source = State.listingSourcePath;
    const ListingOptions options{settings.isViewOverLine65530, settings.isViewLineAddress};
    // The page's colours are the view's, the colours on or not.
    HtmlListingOptions html;
    html.characterSet = app::characterSetSetting(settings);
    html.fontBase64 = fonts::msxFontBase64(html.characterSet);
    html.colours = app::roleColoursSetting(settings);
    html.background = app::roleSchemeSetting(settings) == RoleScheme::MsxScreen
                          ? MsxScreenBackground
                          : app::rgbOfSetting(settings.backgroundColor);
    html.title = app::viewerPath(source).leafName();
    // The page wants the line numbers first: the document is read twice,
    // from its file each time, as a load reads it.
    Opened first = openName(app::viewerPath(source), source, app::viewerFiles());
    std::optional<Opened> again;
    const auto passes = [&](int pass) -> ByteSource& {
        if (pass == 1)
            return first.rest();
        again.emplace(openName(app::viewerPath(source), source, app::viewerFiles()));
        return again->rest();
    };
    app::FreshOutput page = Temps.createFreshOutput();
    struct Discard {
        std::string path;
        ~Discard() { app::TempFiles::discardTempFile(path); }
    } discard{page.path};
    writeHtmlListing(*page.sink, html, first.head(), options, passes);
    page.sink->close();
    app::copyReplacing(localToQString(page.path), path);
}

void TForm1::ExtractSave1Click()
{
    const QString member = currentMemberPath();
    if (member.isEmpty())
        return;
    const std::string local = app::localPath(member);
    const MemberPath where = app::viewerPath(local);
    QFileDialog* dialog = saveDialog();
    dialog->setWindowTitle(tr("取り出して保存"));
    dialog->setDefaultSuffix(QString());
    ui::setFileFilters(*dialog, ui::memberSaveFilters());
    dialog->setDirectory(QFileInfo(localToQString(where.file)).absolutePath());
    dialog->selectFile(localToQString(safeFileName(where.leafName())));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    saveMember(member, dialog->selectedFiles().first());
}

void TForm1::enableMemberCommands()
{
    action("ExtractSave1")->setEnabled(!currentMemberPath().isEmpty());
    action("DeleteMember1")
        ->setEnabled(MemberList1 && MemberList1->takesFiles() && !MemberList1->selectedMemberPaths().isEmpty());
}

void TForm1::NewDisk1Click()
{
    QFileDialog* dialog = saveDialog();
    dialog->setWindowTitle(tr("新しいディスク"));
    dialog->setDefaultSuffix(QStringLiteral("dsk"));
    ui::setFileFilters(*dialog, ui::newDiskFilters());
    if (!State.containerPath.empty())
        dialog->setDirectory(QFileInfo(localToQString(app::viewerPath(State.containerPath).file)).absolutePath());
    dialog->selectFile(QStringLiteral("NEWDISK.DSK"));
    // An existing file is never replaced: the disk is refused instead.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    const bool chosen = dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty();
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!chosen)
        return;
    const QString path = dialog->selectedFiles().first();
    const DiskFormat format =
        ui::chosenFilterIndex(*dialog) == 2 ? DiskFormat::SingleSided360 : DiskFormat::DoubleSided720;
    try {
        makeBlankDisk(app::localPath(path), format);
    } catch (const std::exception& error) {
        reportFailure(status::NewDiskFailed, error);
        return;
    }
    openDocument(path);
}

// The names of files, one a line under a question, at most a screenful.
QString TForm1::namesForQuestion(const QStringList& names)
{
    constexpr qsizetype Shown = 15;
    QStringList lines = names.mid(0, Shown);
    if (names.size() > Shown)
        lines << tr("ほか %1 個").arg(names.size() - Shown);
    return lines.join(QLatin1Char('\n'));
}

void TForm1::addDroppedFiles(const QList<QUrl>& urls, const QString& folder)
{
    QStringList files;
    std::vector<std::string> local;
    try {
        for (const QUrl& url : urls) {
            local.push_back(localName(url.toString(QUrl::FullyEncoded).toStdString()));
            files << QFileInfo(localToQString(local.back())).fileName();
        }
    } catch (const std::exception& error) {
        reportFailure(status::FilesAddFailed, error);
        return;
    }
    if (local.empty())
        return;
    const QString image = MemberList1->containerPath();
    const QString target = folder.isEmpty() ? image : image + QStringLiteral("::") + folder;
    const QString question =
        tr("次のファイルを %1 に追加しますか？\n同じ名前のファイルは置き換えられます。\n\n%2")
            .arg(QFileInfo(image).fileName() + (folder.isEmpty() ? QString() : QLatin1Char('/') + folder),
                 namesForQuestion(files));
    if (QMessageBox::question(this, uiText(ProductName), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    try {
        std::vector<ImageInput> inputs;
        for (const std::string& file : local)
            inputs.push_back(readImageInput(file, app::viewerFiles()));
        putFiles(app::localPath(target), inputs);
    } catch (const std::exception& error) {
        reportFailure(status::FilesAddFailed, error);
        return;
    }
    openDocument(image);
    setPanelText(0, uiText(status::FilesAdded));
}

void TForm1::DeleteMember1Click()
{
    if (!MemberList1 || !MemberList1->takesFiles())
        return;
    const QStringList members = MemberList1->selectedMemberPaths();
    if (members.isEmpty())
        return;
    const QString image = MemberList1->containerPath();
    QStringList names;
    std::vector<std::string> paths;
    for (const QString& member : members) {
        names << member.mid(image.size() + 2);
        paths.push_back(app::localPath(member));
    }
    const QString question = tr("次のファイルを %1 から削除しますか？\n元に戻すことはできません。\n\n%2")
                                 .arg(QFileInfo(image).fileName(), namesForQuestion(names));
    if (QMessageBox::question(this, uiText(ProductName), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    try {
        removeMembers(paths);
    } catch (const std::exception& error) {
        reportFailure(status::MembersDeleteFailed, error);
        return;
    }
    openDocument(image);
    setPanelText(0, uiText(status::MembersDeleted));
}

void TForm1::saveMember(const QString& member, const QString& path)
{
    runSave(path, status::MemberSaved, status::MemberSaveFailed, [&] {
        app::writeReplacing(readMember(app::viewerPath(app::localPath(member)), app::viewerFiles()), path);
    });
}

QString TForm1::exportMember(const QString& member)
{
    try {
        const MemberPath where = app::viewerPath(app::localPath(member));
        const std::string bytes = readMember(where, app::viewerFiles());
        const QString file = localToQString(Temps.makeExportFolder() + '/' + safeFileName(where.leafName()));
        app::writeReplacing(bytes, file);
        return file;
    } catch (const std::exception& error) {
        setPanelText(0, failureLine(status::MemberSaveFailed, error));
        return {};
    }
}

void TForm1::SavePNG1Click()
{
    const QString path = runSaveDialog(tr("PNG形式で保存"), QStringLiteral("png"), ui::pngSaveFilters(),
                                       State.imageSourcePath, QStringLiteral("png"));
    if (path.isEmpty())
        return;
    runSave(path, status::PngSaved, status::PngSaveFailed, [&] { PictureView::writePng(imgMSXCG->picture(), path); });
}

void TForm1::SaveBMP1Click()
{
    const QString path = runSaveDialog(tr("BMP形式で保存"), QStringLiteral("bmp"), ui::bmpSaveFilters(),
                                       State.imageSourcePath, QStringLiteral("bmp"));
    if (path.isEmpty())
        return;
    runSave(path, status::BmpSaved, status::BmpSaveFailed,
            [&] { app::copyReplacing(localToQString(Temps.bmpPicturePath()), path); });
}

void TForm1::Print1Click()
{
    if (!isBasicPage())
        return;
    QPrintDialog dialog(&printer(), this);
    dialog.setObjectName("PrintDialog1");
    // Printing to a PDF file is how a desktop without printers prints.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The whole listing is printed, whatever range was asked for.
    printer().setPrintRange(QPrinter::AllPages);
    if (!printerReady()) {
        reportFailure(status::PrintFailed, QuilletError(ErrorKind::NoPrinter));
        return;
    }
    printer().setDocName(uiText(ProductName));
    RichEdit1->print(&printer());
    if (printer().printerState() == QPrinter::Error)
        reportFailure(status::PrintFailed, QuilletError(ErrorKind::PrintFailed, printer().printerName().toStdString()));
}

bool TForm1::printerReady()
{
    return printer().outputFormat() == QPrinter::PdfFormat || !printer().printerName().isEmpty();
}

void TForm1::PrintPreview1Click()
{
    if (!isBasicPage())
        return;
    QPrintPreviewDialog preview(&printer(), this);
    preview.setObjectName("PrintPreviewDialog1");
    preview.setWindowTitle(tr("印刷プレビュー"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { RichEdit1->print(target); });
    preview.exec();
}

void TForm1::PrintSetup1Click()
{
    QPageSetupDialog dialog(&printer(), this);
    dialog.setObjectName("PrinterSetupDialog1");
    dialog.exec();
}

void TForm1::Copy1Click()
{
    if (isBasicPage()) {
        RichEdit1->copy(); // plain text, HTML and RTF of the selection
    } else if (imgMSXCG->hasPicture()) {
        QApplication::clipboard()->setImage(imgMSXCG->picture());
    }
}

void TForm1::SelectAll1Click()
{
    if (isBasicPage())
        RichEdit1->selectAll();
}

void TForm1::Find1Click()
{
    FindDialog* dialog = findDialog();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void TForm1::FindDialog1Find()
{
    FindDialog* dialog = findDialog();
    const QString text = dialog->findText();
    if (text.isEmpty())
        return;
    const QTextDocument::FindFlags flags = dialog->flags();
    switch (RichEdit1->findWrapping(text, flags)) {
    case ListingView::FindOutcome::Found: dialog->setNotice({}); break;
    case ListingView::FindOutcome::Wrapped: {
        const QString notice = uiText(flags.testFlag(QTextDocument::FindBackward) ? status::SearchWrappedToBottom
                                                                                  : status::SearchWrappedToTop);
        dialog->setNotice(notice);
        setPanelText(0, notice);
        break;
    }
    case ListingView::FindOutcome::NotFound:
        dialog->setNotice(uiText(status::SearchNotFound));
        QMessageBox::information(dialog, uiText(ProductName), uiText(status::SearchNotFound));
        return;
    }
    keepMatchClearOf(dialog);
}

void TForm1::keepMatchClearOf(const QWidget* window)
{
    if (!window->isVisible())
        return;
    // The part of the view the window covers, in the view's coordinates.
    QWidget* viewport = RichEdit1->viewport();
    const QRect match = RichEdit1->cursorRowRect();
    const QRect covered =
        QRect(viewport->mapFromGlobal(window->frameGeometry().topLeft()), window->frameGeometry().size());
    if (match.isNull() || !covered.intersects(match) || covered.right() < 0 || covered.left() > viewport->width())
        return;
    // Into the larger free band above or below the window.
    const int above = std::max(0, covered.top());
    const int below = std::max(0, viewport->height() - covered.bottom() - 1);
    if (above >= below)
        RichEdit1->scrollCursorRowTo(std::max(0, above / 2 - match.height() / 2));
    else
        RichEdit1->scrollCursorRowTo(covered.bottom() + 1 + below / 2 - match.height() / 2);
}

void TForm1::GoToLine1Click()
{
    if (!isBasicPage() || RichEdit1->text().isEmpty())
        return;
    QInputDialog dialog(this);
    dialog.setObjectName("GoToLineDialog1");
    dialog.setWindowTitle(tr("行へ移動"));
    dialog.setLabelText(tr("行番号(&L):"));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(0, 65535);
    const auto current = RichEdit1->lineNumberOf(RichEdit1->cursorLine());
    dialog.setIntValue(current.value_or(0));
    if (dialog.exec() != QDialog::Accepted)
        return;
    goToLineNumber(dialog.intValue());
}

void TForm1::goToLineNumber(int number)
{
    const auto line = RichEdit1->lineOfNumber(number);
    if (!line) {
        setPanelText(0, uiText(status::LineNotInListing).arg(number));
        return;
    }
    RichEdit1->jumpToLine(*line);
    const auto found = RichEdit1->lineNumberOf(*line);
    if (found != number)
        setPanelText(0, uiText(status::LineMovedToNext).arg(number).arg(found.value_or(0)));
}

void TForm1::indicateNavigation()
{
    const bool basic = isBasicPage();
    action("GoBack1")->setEnabled(basic && RichEdit1->canGoBack());
    action("GoForward1")->setEnabled(basic && RichEdit1->canGoForward());
}

void TForm1::listingZoomCommand(int steps)
{
    settings_.set(&Settings::listingZoom, steps == 0 ? 0 : RichEdit1->zoomStep(steps));
}

SyntaxColors TForm1::syntaxColors() const
{
    const Settings& settings = settings_.values();
    SyntaxColors colors;
    colors.on = settings.useSyntaxColors;
    colors.colours = app::roleColoursSetting(settings);
    const bool msxScreen = app::roleSchemeSetting(settings) == RoleScheme::MsxScreen;
    if (msxScreen)
        colors.background = QColor::fromRgb(MsxScreenBackground);
    // White text reads on the screen's blue, not on paper.
    colors.paper = msxScreen ? roleColoursFor(RoleScheme::Standard, 0x000000, 0xFFFFFF) : colors.colours;
    return colors;
}

void TForm1::indicateListingView()
{
    const Settings& settings = settings_.values();
    RichEdit1->setZoom(settings.listingZoom);
    RichEdit1->setLineNumberGutter(settings.isLineNumberGutter);
    RichEdit1->setSyntaxColors(syntaxColors());
    action("LineNumberGutter1")->setChecked(settings.isLineNumberGutter);
    action("SyntaxColors1")->setChecked(settings.useSyntaxColors);
}

void TForm1::zoomCommand(int zoom)
{
    settings_.set(&Settings::pictureZoom, zoom);
}

void TForm1::TvAspect1Click()
{
    settings_.set(&Settings::isTvAspect, !settings().isTvAspect);
}

void TForm1::DrawSprites1Click()
{
    settings_.set(&Settings::isDrawSprites, !settings().isDrawSprites);
    if (!State.imageSourcePath.empty() && settings().isReload)
        loadDocument(localToQString(State.imageSourcePath), true);
}

void TForm1::indicatePictureView()
{
    imgMSXCG->setZoom(settings().pictureZoom);
    imgMSXCG->setTvAspect(settings().isTvAspect);
    if (QAction* zoom = findChild<QAction*>(QStringLiteral("ZoomBy%1").arg(imgMSXCG->zoom())))
        zoom->setChecked(true);
    action("TvAspect1")->setChecked(settings().isTvAspect);
    action("DrawSprites1")->setChecked(settings().isDrawSprites);
    if (QAction* size =
            findChild<QAction*>(QStringLiteral("SpriteSize%1").arg(std::clamp(settings().spriteSize, 0, 3))))
        size->setChecked(true);
    action("Msx2Colors1")->setChecked(settings().isMsx2Colors);
}

void TForm1::spriteSizeCommand(int size)
{
    settings_.set(&Settings::spriteSize, size);
    if (!State.imageSourcePath.empty() && settings().isReload && settings().isDrawSprites)
        loadDocument(localToQString(State.imageSourcePath), true);
}

void TForm1::Msx2Colors1Click()
{
    settings_.set(&Settings::isMsx2Colors, !settings().isMsx2Colors);
    if (!State.imageSourcePath.empty() && settings().isReload)
        loadDocument(localToQString(State.imageSourcePath), true);
}

void TForm1::paletteCommand(int index)
{
    if (State.imageSourcePath.empty())
        return;
    if (State.pictureChoice.path != State.imageSourcePath)
        State.pictureChoice = app::PictureChoice{State.imageSourcePath};
    State.pictureChoice.paletteIndex = index;
    loadDocument(localToQString(State.imageSourcePath), true);
}

void TForm1::indicatePaletteChoice()
{
    bool beside = false;
    if (!State.imageSourcePath.empty()) {
        const MemberPath where = app::viewerPath(State.imageSourcePath);
        // A member has no files beside it.
        if (!where.isMember()) {
            for (const std::string& name : paletteFileNames(where.file))
                beside = beside || QFileInfo(localToQString(name)).isFile();
        }
    }
    findChild<QMenu*>("Palette1")->setEnabled(beside);
    const int index = State.pictureChoice.path == State.imageSourcePath ? State.pictureChoice.paletteIndex : 0;
    if (QAction* chosen = findChild<QAction*>(QStringLiteral("PaletteIndex%1").arg(index)))
        chosen->setChecked(true);
}

void TForm1::ImgSizeChg1Click()
{
    settings_.set(&Settings::isStretch, !settings().isStretch);
}

void TForm1::settingsSaveFailed(ErrorKind cause)
{
    // A load or the start sets its own status after saving; the notice
    // follows it rather than being hidden by it, and stands alone after a
    // command that says nothing itself.
    const QString before = panelText(0);
    const QString notice = failureLine(status::SettingsSaveFailed, QuilletError(cause)) + QLatin1Char(' ')
                           + QDir::toNativeSeparators(localToQString(settings_.storePath()));
    QTimer::singleShot(0, this, [this, before, notice] {
        const QString now = panelText(0);
        setPanelText(0, now == before ? notice : now + notice);
    });
}

void TForm1::screenCommand(int mode)
{
    settings_.set(&Settings::screenMode, mode);
    // Detection would guess the same wrong mode again; the pick holds for
    // this picture until another file is opened.
    if (settings().isAutoDetectScreenMode && !State.imageSourcePath.empty()) {
        if (State.pictureChoice.path != State.imageSourcePath)
            State.pictureChoice = app::PictureChoice{State.imageSourcePath};
        State.pictureChoice.mode = mode;
    }
    if (!State.imageSourcePath.empty() && settings().isReload)
        openDocument(localToQString(State.imageSourcePath));
}

void TForm1::Help2Click()
{
    if (!helpViewer()->showContents(helpFile_))
        reportFailure(status::HelpFailed, QuilletError(ErrorKind::ReadFailed, app::localPath(helpFile_)));
}

QString TForm1::failureLine(std::string_view whatFailed, const std::exception& cause) const
{
    const auto* error = dynamic_cast<const QuilletError*>(&cause);
    return uiText(whatFailed) + (error ? causeText(*error) : QString::fromUtf8(cause.what()));
}

void TForm1::reportFailure(std::string_view whatFailed, const std::exception& cause)
{
    setPanelText(0, uiText(whatFailed));
    QString text = uiText(whatFailed) + QLatin1Char('\n');
    if (const auto* error = dynamic_cast<const QuilletError*>(&cause)) {
        text += causeText(*error);
        // A change refused names the file it could not take.
        if (const auto* refused = dynamic_cast<const ChangeRefused*>(error))
            text += QLatin1Char('\n') + localToQString(refused->name());
        if (!error->detail().empty())
            text += QLatin1Char('\n') + localToQString(error->detail());
    } else {
        text += QString::fromUtf8(cause.what());
    }
    QMessageBox::critical(this, uiText(ProductName), text);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (RichEdit1->isLoading()) {
        RichEdit1->cancelLoad();
        closeAfterLoad_ = true;
        event->ignore();
        return;
    }
    storeWindowGeometry();
    Temps.deleteTempFiles();
    QMainWindow::closeEvent(event);
}

void TForm1::restoreWindowGeometry()
{
    // Read before the window is first shown, so that it opens where it was
    // left; FormCreate reads them again with every other value.
    Settings stored;
    {
        const app::SettingsStore store(app::SettingsStore::defaultPath());
        for (std::string_view name : {app::setting::WindowGeometry, app::setting::IsWindowMaximized})
            app::readSetting(store, stored, name);
    }
    QList<QRect> screens;
    for (const QScreen* display : QGuiApplication::screens())
        screens << display->availableGeometry();
    // The frame is not known before the window is shown: a title bar is
    // reckoned with, so that it stays on the screen to be dragged.
    const QMargins frame(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), 0, 0);
    if (const auto client = ui::restoredGeometry(stored.windowGeometry, frame, screens))
        setGeometry(*client);
    if (stored.isWindowMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TForm1::storeWindowGeometry()
{
    Settings next = settings();
    QRect client = normalGeometry().isValid() ? normalGeometry() : geometry();
    if (MemberList1 && MemberList1->isVisible()) {
        next.memberListWidth = MemberList1->width();
        // The window is stored as it is without the list, which widens it
        // again when it next opens.
        client.setWidth(std::max(minimumSizeHint().width(), client.width() - listGrowth_));
    }
    next.windowGeometry = ui::geometryText(client);
    next.isWindowMaximized = isMaximized();
    using namespace app::setting;
    settings_.update(next, {WindowGeometry, IsWindowMaximized, MemberListWidth});
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    // Any URL: one that is no local file is refused with a reason.
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    if (AcceptFiles(event->mimeData()->urls()))
        event->acceptProposedAction();
}

bool TForm1::AcceptFiles(const QList<QUrl>& urls)
{
    // Through the core's reading of file URIs, as command-line names go.
    QStringList paths;
    std::optional<QuilletError> refused;
    for (const QUrl& url : urls) {
        try {
            paths << localToQString(localName(url.toString(QUrl::FullyEncoded).toStdString()));
        } catch (const QuilletError& error) {
            refused = refused.value_or(error);
        }
    }
    if (paths.isEmpty()) {
        if (refused)
            loadFailed(QString::fromStdString(refused->detail()), *refused);
        return false;
    }
    openDocument(paths.first());
    for (qsizetype i = 1; i < paths.size(); ++i)
        startInstance(paths.at(i));
    return true;
}

void TForm1::showDebugMessage(const QString& text)
{
    QMessageBox::information(this, uiText(ProductName), text);
}

void TForm1::rememberOpenedFile(const QString& path)
{
    const QFileInfo info(path);
    const QString dir = info.absolutePath(), name = info.fileName();
    auto remember = [dir, name](QFileDialog& dialog) {
        dialog.setDirectory(dir);
        dialog.selectFile(name);
    };
    if (OpenDialog1)
        remember(*OpenDialog1);
    else
        openDialogSetup_.push_back(remember);
}

int TForm1::openDialogFilterIndex() const
{
    // Until the dialog is made, its filter is the one it was told to take.
    return OpenDialog1 ? ui::chosenFilterIndex(*OpenDialog1) : openFilterIndex_;
}

ListingFormat TForm1::listingFormat() const
{
    const Settings& settings = settings_.values();
    const std::string& font = settings.isAnkMode ? settings.fontNameAnk : settings.fontNameKanji;
    return {Choices.ColorDialog2, Choices.ColorDialog1,         settings.fontSize,
            settings.fontCharset, QString::fromStdString(font), settings.useWordWrap};
}

void TForm1::showListing(const app::ListingFiles& listing)
{
    RichEdit1->showListing(listing.rtfPath, {listing.mappedCodeFor0xAD, listing.characterSet}, listingFormat());
    RichEdit1->setRoles(std::move(listing.roles));
    setPanelText(3, lineCountText(listing.lineCount));
}

void TForm1::preparePicture(const QString& bmpPath)
{
    QImage picture = PictureView::readBmp(bmpPath);
    if (picture.isNull())
        throw QuilletError(ErrorKind::DamagedPicture, app::localPath(bmpPath));
    preparedPicture_ = std::move(picture);
}

void TForm1::showPreparedPicture()
{
    imgMSXCG->setPicture(std::exchange(preparedPicture_, QImage()));
}

void TForm1::showContainer(const QString& path, const Container& container)
{
    // The list comes in beside the pages, which keep their width where the
    // screen has room for both; the window never grows past the screen.
    MemberListPanel* panel = memberList();
    const bool opening = panel->isHidden();
    const int listWidth = settings().memberListWidth > 0 ? settings().memberListWidth : panel->sizeHint().width();
    if (opening) {
        listGrowth_ = 0;
        if (!isMaximized() && !isFullScreen()) {
            const int extra = listWidth + style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
            const QRect frame = frameGeometry();
            const QScreen* display = screen();
            const QRect wider = display ? ui::widenedWithin(frame, extra, display->availableGeometry())
                                        : frame.adjusted(0, 0, extra, 0);
            listGrowth_ = wider.width() - frame.width();
            move(wider.topLeft());
            resize(width() + listGrowth_, height());
        }
    }
    // A disk or tape image on disk takes files; one inside another does not.
    panel->setTakesFiles(
        !app::viewerPath(app::localPath(path)).isMember()
        && (container.kind() == ContainerKind::DiskImage || container.kind() == ContainerKind::CassetteImage));
    panel->showMembers(path, container);
    if (opening)
        resizeDocks({panel}, {listWidth}, Qt::Horizontal);
    enableMemberCommands();
}

void TForm1::showPage(int index)
{
    pageChangeByLoad_ = true;
    PageControl1->setCurrentIndex(index);
    pageChangeByLoad_ = false;
}

void TForm1::documentLoaded(const QString& path, std::string_view status,
                            const std::vector<quillet::LeftOutCompanion>& leftOut)
{
    // Whole, so that it opens again whatever the folder the program runs in.
    MemberPath where = app::viewerPath(app::localPath(path));
    where.file = app::localPath(QFileInfo(localToQString(where.file)).absoluteFilePath());
    recent_.add(where.text());
    setWindowTitle(path + QStringLiteral(" - ") + uiText(ProductName));
    QString text = uiText(status);
    for (const LeftOutCompanion& companion : leftOut)
        text += ui::leftOutText(companion);
    setPanelText(0, text);
    indidateCanSave(State.listingLoaded, State.imageLoaded);
    indicatePaletteChoice();
    PageControl1ChangeProc();
}

void TForm1::loadFailed(const QString&, const std::exception& error)
{
    setPanelText(0, failureLine(status::OpenFailed, error));
}

QColor TForm1::listingTextColor() const
{
    return RichEdit1->defaultTextColor();
}

QColor TForm1::listingBackgroundColor() const
{
    return RichEdit1->backgroundColor();
}

void TForm1::applyListingLook()
{
    // The fonts stay as they are until the listing is shown again.
    ListingFormat format = RichEdit1->listingFormat();
    format.textColor = Choices.ColorDialog2;
    format.backgroundColor = Choices.ColorDialog1;
    format.pointSize = settings().fontSize;
    format.wordWrap = settings().useWordWrap;
    RichEdit1->applyListingFormat(format);
}

std::string TForm1::tempNameDir() const
{
    return Temps.tempNameDir();
}

void TForm1::reloadShownDocuments()
{
    // Copies: a load changes the state it reads from.
    const std::string listing = State.listingSourcePath;
    const std::string picture = State.imageSourcePath;
    if (!listing.empty())
        loadDocument(localToQString(listing), true);
    if (!picture.empty())
        loadDocument(localToQString(picture), true);
}

void TForm1::showHelpTopic(int context)
{
    helpViewer()->showContext(helpFile_, context);
}
