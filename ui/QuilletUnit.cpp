#include "ui/QuilletUnit.h"

#include "common/QuilletUnitGrobal.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct ScreenItem {
    int mode;
    const char* mainCaption;
    const char* popupCaption;
};

constexpr ScreenItem ScreenItems[] = {
    {5, "SCREEN &5", "SCREEN &5"},       {6, "SCREEN &6", "SCREEN &6"},       {7, "SCREEN &7", "SCREEN &7"},
    {8, "SCREEN &8", "SCREEN &8"},       {9, "SCREEN &9", "SCREEN &9"},       {10, "SCREEN 10(&A)", "SCREEN 1&0"},
    {11, "SCREEN 11(&B)", "SCREEN 1&1"}, {12, "SCREEN 12(&C)", "SCREEN 1&2"},
};

struct ActionSpec {
    const char* name;
    const char* caption;
    QKeySequence shortcut;
};

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("Form1");
    setWindowTitle(qs(quillet::ProductName));
    resize(634, 394);
    buildActions();
    buildMenus();
    buildToolBar();
    buildPages();
    buildStatusBar();
}

QAction* TForm1::action(const char* name) const
{
    return findChild<QAction*>(QString::fromLatin1(name));
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
    const ActionSpec specs[] = {
        {"Clear1", "クリア(&L)", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"Open1", "開く(&O)", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"SaveAs1", "アスキーセーブ(&S)", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"Save1", "RTF形式で保存(&R)", {}},
        {"SaveBMP1", "BMP形式で保存(&B)", QKeySequence(Qt::CTRL | Qt::Key_B)},
        {"Print1", "印刷(&P)...", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"PrintSetup1", "プリンタの設定(&U)...", {}},
        {"Exit1", "終了(&X)", {}},
        {"Undo1", "元に戻す(&U)", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"Cut1", "切り取り(&T)", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"Copy1", "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"Paste1", "貼り付け(&P)", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"SelectAll1", "すべて選択(&A)", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {"Find1", "検索(&F)...", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"ImgSizeChg1", "実寸拡大切替(&F)", QKeySequence(Qt::CTRL | Qt::Key_L)},
        {"Config", "設定(&C)...", {}},
        {"Help2", "目次(&C)", QKeySequence(Qt::Key_F1)},
        {"About1", "バージョン情報(&A)", {}},
    };
    for (const auto& spec : specs) {
        auto* a = new QAction(QString::fromUtf8(spec.caption), this);
        a->setObjectName(QString::fromLatin1(spec.name));
        if (!spec.shortcut.isEmpty())
            a->setShortcut(spec.shortcut);
    }
    for (const char* name : {"Undo1", "Cut1", "Paste1"})
        action(name)->setEnabled(false);
}

void TForm1::buildMenus()
{
    auto* bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto addMenu = [&](const char* name, const char* caption) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    QMenu* file = addMenu("File1", "ファイル(&F)");
    for (const char* name : {"Clear1", "Open1", "SaveAs1", "Save1", "SaveBMP1"})
        file->addAction(action(name));
    separator(file, "N1");
    file->addAction(action("Print1"));
    file->addAction(action("PrintSetup1"));
    separator(file, "N7");
    file->addAction(action("Exit1"));

    QMenu* edit = addMenu("Edit1", "編集(&E)");
    edit->addAction(action("Undo1"));
    separator(edit, "N3");
    for (const char* name : {"Cut1", "Copy1", "Paste1", "SelectAll1"})
        edit->addAction(action(name));
    separator(edit, "N4");
    edit->addAction(action("Find1"));

    QMenu* format = addMenu("O1", "書式(&O)");
    QMenu* screens = format->addMenu(QStringLiteral("スクリーンモード(&S)"));
    screens->setObjectName("S1");
    for (const auto& item : ScreenItems) {
        auto* a = screens->addAction(QString::fromUtf8(item.mainCaption));
        a->setObjectName(QStringLiteral("SCREEN%1_1").arg(item.mode));
        a->setCheckable(true);
        a->setEnabled(item.mode != 9);
    }
    format->addAction(action("ImgSizeChg1"));
    separator(format, "N10");
    format->addAction(action("Config"));

    QMenu* help = addMenu("Help1", "ヘルプ(&H)");
    help->addAction(action("Help2"));
    separator(help, "N2");
    help->addAction(action("About1"));

    // The listing view's context menu.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    const ActionSpec listingItems[] = {
        {"Undo2", "元に戻す(&U)", {}}, {nullptr, "N5", {}},         {"Cut2", "切り取り(&T)", {}},
        {"Copy2", "コピー(&C)", {}},   {"Paste2", "貼り付け(&P)", {}}, {"SelectAll2", "すべて選択(&A)", {}},
        {nullptr, "N6", {}},           {"Font2", "フォント(&F)...", {}},
    };
    for (const auto& item : listingItems) {
        if (!item.name) {
            separator(PopupMenu1, item.caption);
            continue;
        }
        auto* a = PopupMenu1->addAction(QString::fromUtf8(item.caption));
        a->setObjectName(QString::fromLatin1(item.name));
    }
    for (const char* name : {"Undo2", "Cut2", "Paste2", "Font2"})
        action(name)->setEnabled(false);

    // The picture view's context menu.
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName("PopupMenu2");
    PopupMenu2->addAction(QStringLiteral("コピー(&Y)"))->setObjectName("Copy3");
    separator(PopupMenu2, "N8");
    for (const auto& item : ScreenItems) {
        auto* a = PopupMenu2->addAction(QString::fromUtf8(item.popupCaption));
        a->setObjectName(QStringLiteral("SCREEN%1_2").arg(item.mode));
        a->setCheckable(true);
        a->setEnabled(item.mode != 9);
    }
    separator(PopupMenu2, "N9");
    QAction* toggle = PopupMenu2->addAction(QStringLiteral("実寸拡大切替(&F)"));
    toggle->setObjectName("ImgSizeChg2");
    PopupMenu2->setDefaultAction(toggle);
}

void TForm1::buildToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    QStyle* style = QApplication::style();
    struct Button {
        const char* name;
        const char* hint;
        const char* theme;
        QStyle::StandardPixmap fallback;
        bool enabled;
    };
    const Button buttons[] = {
        {"tbNew", "クリア", "document-new", QStyle::SP_FileIcon, true},
        {"tbOpen", "開く", "document-open", QStyle::SP_DialogOpenButton, true},
        {"tbSave", "アスキーセーブ", "document-save", QStyle::SP_DialogSaveButton, true},
        {nullptr, nullptr, nullptr, QStyle::SP_CustomBase, false},
        {"tbPrint", "印刷", "document-print", QStyle::SP_FileDialogDetailedView, true},
        {nullptr, nullptr, nullptr, QStyle::SP_CustomBase, false},
        {"tbFind", "検索", "edit-find", QStyle::SP_FileDialogContentsView, true},
        {nullptr, nullptr, nullptr, QStyle::SP_CustomBase, false},
        {"tbCut", "切り取り", "edit-cut", QStyle::SP_DialogDiscardButton, false},
        {"tbCopy", "コピー", "edit-copy", QStyle::SP_FileDialogNewFolder, true},
        {"tbPaste", "貼り付け", "edit-paste", QStyle::SP_DialogApplyButton, false},
        {"tbUndo", "元に戻す", "edit-undo", QStyle::SP_ArrowBack, false},
        {nullptr, nullptr, nullptr, QStyle::SP_CustomBase, false},
        {"tbConfig", "設定", "preferences-system", QStyle::SP_ComputerIcon, true},
    };
    for (const auto& b : buttons) {
        if (!b.name) {
            ToolBar1->addSeparator();
            continue;
        }
        const QString hint = QString::fromUtf8(b.hint);
        auto* a = new QAction(QIcon::fromTheme(QString::fromLatin1(b.theme), style->standardIcon(b.fallback)), hint, this);
        a->setObjectName(QString::fromLatin1(b.name));
        a->setToolTip(hint);
        a->setEnabled(b.enabled);
        ToolBar1->addAction(a);
    }
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
    for (QWidget* page : {tbsBASIC, tbsCG}) {
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    setCentralWidget(PageControl1);
}

void TForm1::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("StatusBar1");
    bar->setSizeGripEnabled(true);
    const int widths[] = {200, 100, 100, 50};
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setFixedWidth(widths[i]);
        label->setContentsMargins(2, 0, 2, 0);
        bar->addWidget(label);
        panels_[i] = label;
    }
}
