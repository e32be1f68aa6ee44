// SPDX-License-Identifier: MIT
#include "ui/QuilletUnit3.h"

#include "app/ListingRoles.h"
#include "app/SettingsTable.h"
#include "app/TempFiles.h"
#include "common/Version.h"
#include "ui/AppIcon.h"
#include "ui/InterfaceFontAndColour.h"
#include "ui/ListingView.h"
#include "ui/Translations.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace quillet;

namespace {

constexpr int SettingsHelpContext = 8;

struct ScreenChoice {
    int mode;
    const char* caption;
};

constexpr ScreenChoice ScreenChoices[] = {
    {5, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN &5 （256 x 212ドット、512色中16色）")},
    {6, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN &6 （512 x 212ドット、512色中4色）")},
    {7, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN &7 （512 x 212ドット、512色中16色）")},
    {8, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN &8 （256 x 212ドット、256色中256色）")},
    {9, "SCREEN &9"},
    {10, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN 1&0 （256 x 212ドット、YJK12499色+512色中16色）")},
    {11, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN 1&1 （256 x 212ドット、YJK12499色+512色中16色）")},
    {12, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN 1&2 （256 x 212ドット、YJK19268色）")},
    // The MSX1 modes after the MSX2 ones.
    {1, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN 1 （32 x 24文字、15色）")},
    {2, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN 2 （256 x 192ドット、15色）")},
    {3, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN &3 （64 x 48ブロック、15色）")},
    {4, QT_TRANSLATE_NOOP("TPagesDlg", "SCREEN &4 （256 x 192ドット、512色中16色）")},
};

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

// A control with the name the design gives it.
template <typename T, typename... Args> T* named(const char* name, Args&&... args)
{
    auto* widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A whole number as the edits take it; nullopt for anything else.
std::optional<int> parseInteger(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QLabel* buddyLabel(const QString& caption, QWidget* buddy, const char* name, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

QLineEdit* sampleEdit(const char* name, const char* text, QWidget* parent)
{
    auto* edit = new QLineEdit(u(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setFrame(false);
    return edit;
}

} // namespace

UpDownButtons::UpDownButtons(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent), buddy_(buddy), minimum_(minimum), maximum_(maximum), position_(minimum)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setAutoRepeat(true);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setAutoRepeat(true);
    for (QToolButton* button : {up, down}) {
        button->setFixedSize(16, 11);
        layout->addWidget(button);
    }
    connect(up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDownButtons::stepBy(int steps)
{
    if (const auto typed = parseInteger(buddy_->text()))
        position_ = std::clamp(*typed, minimum_, maximum_);
    position_ = std::clamp(position_ + steps, minimum_, maximum_);
    buddy_->setText(QString::number(position_));
}

TPagesDlg::TPagesDlg(SettingsHost& host, QWidget* parent) : QDialog(parent), host_(host)
{
    setObjectName("PagesDlg");
    setWindowTitle(tr("設定"));
    setModal(true);
    chooseColor = [this](const QColor& initial, const QString& title) {
        return QColorDialog::getColor(initial, this, title);
    };
    chooseFolder = [this] {
        return QFileDialog::getExistingDirectory(parentWidget(), tr("フォルダを選択してください"),
                                                 QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
                                                 QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    };

    pages_ = named<QTabWidget>("PageControl1", this);
    pages_->addTab(buildBasic1(), u("BASIC1"));
    pages_->addTab(buildBasic2(), u("BASIC2"));
    pages_->addTab(buildColors(), tr("色分け"));
    pages_->addTab(buildCg(), u("CG"));
    pages_->addTab(buildConfig(), tr("設定"));
    pages_->addTab(buildInfo(), tr("情報"));

    ckbReload = named<QCheckBox>("ckbReload", tr("再読込する(&R)"), this);
    ckbReload->setToolTip(tr("OKボタンクリック後にファイルを再読込するかを指定します"));
    OKBtn = named<QPushButton>("OKBtn", u("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = named<QPushButton>("CancelBtn", tr("キャンセル"), this);
    HelpBtn = named<QPushButton>("HelpBtn", tr("ヘルプ(&H)"), this);
    HelpBtn->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ckbReload);
    bottom->addStretch(1);
    bottom->addWidget(OKBtn);
    bottom->addWidget(CancelBtn);
    bottom->addWidget(HelpBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addLayout(bottom);

    connect(OKBtn, &QPushButton::clicked, this, &TPagesDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TPagesDlg::HelpBtnClick);
    FormCreate();
    // 427 x 401, or larger where this platform's fonts need the room.
    const QSize hint = sizeHint();
    setFixedSize(std::max(427, hint.width()), std::max(401, hint.height()));
}

QWidget* TPagesDlg::buildBasic1()
{
    auto* page = new QWidget;
    page->setObjectName("tbsBASIC1");

    auto* grbFont = named<QGroupBox>("grbFont", tr("フォント"), page);
    auto fontList = [grbFont](const char* name) {
        auto* combo = new QComboBox(grbFont);
        combo->setObjectName(QString::fromLatin1(name));
        // Editable: a configured font that is not installed here keeps its
        // name instead of turning into the first installed family.
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMaxVisibleItems(20);
        return combo;
    };
    cmbAnkFont = fontList("cmbAnkFont");
    cmbAnkGraphFont = fontList("cmbAnkGraphFont");
    cmbKanjiFont = fontList("cmbKanjiFont");
    edtFontSize = named<QLineEdit>("edtFontSize", u("1"), grbFont);
    edtFontSize->setMaxLength(3);
    edtFontSize->setFixedWidth(40);
    UpDown1 = named<UpDownButtons>("UpDown1", edtFontSize, 1, 999, grbFont);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(0);
    sizeRow->addWidget(edtFontSize);
    sizeRow->addWidget(UpDown1);
    sizeRow->addStretch(1);
    auto* fontGrid = new QGridLayout(grbFont);
    fontGrid->addWidget(buddyLabel(tr("ANKモード用(&A):"), cmbAnkFont, "Label1", grbFont), 0, 0);
    fontGrid->addWidget(cmbAnkFont, 0, 1);
    fontGrid->addWidget(buddyLabel(tr("グラフィック文字用(&G):"), cmbAnkGraphFont, "Label5", grbFont), 1, 0);
    fontGrid->addWidget(cmbAnkGraphFont, 1, 1);
    fontGrid->addWidget(buddyLabel(tr("漢字モード用(&K):"), cmbKanjiFont, "Label2", grbFont), 2, 0);
    fontGrid->addWidget(cmbKanjiFont, 2, 1);
    fontGrid->addWidget(buddyLabel(tr("サイズ(&P):"), edtFontSize, "Label4", grbFont), 3, 0);
    fontGrid->addLayout(sizeRow, 3, 1);
    auto* btnDefaultFonts = named<QPushButton>("btnDefaultFonts", tr("標準のフォントに戻す(&E)"), grbFont);
    btnDefaultFonts->setAutoDefault(false);
    fontGrid->addWidget(btnDefaultFonts, 4, 1, Qt::AlignLeft);
    connect(btnDefaultFonts, &QPushButton::clicked, this, &TPagesDlg::btnDefaultFontsClick);
    fontGrid->setColumnStretch(1, 1);

    auto* grbMode = named<QGroupBox>("grbMode", tr("モード"), page);
    rdbtnAnk = named<QRadioButton>("rdbtnAnk", tr("ANKモード(&N)"), grbMode);
    rdbtnAnk->setChecked(true);
    rdbtnKanji = named<QRadioButton>("rdbtnKanji", tr("漢字モード(&J)"), grbMode);
    // The machine whose glyphs ANK mode shows; Kanji mode is code page 932.
    cmbCharacterSet = named<QComboBox>("cmbCharacterSet", grbMode);
    const std::pair<msx::CharacterSet, const char*> sets[] = {
        {msx::CharacterSet::Japanese, QT_TRANSLATE_NOOP("TPagesDlg", "日本")},
        {msx::CharacterSet::International, QT_TRANSLATE_NOOP("TPagesDlg", "インターナショナル")},
        {msx::CharacterSet::Brazilian, QT_TRANSLATE_NOOP("TPagesDlg", "ブラジル")}};
    for (const auto& [set, caption] : sets) {
        const std::string_view name = msx::characterSetName(set);
        cmbCharacterSet->addItem(tr(caption), QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
    auto* modeLayout = new QVBoxLayout(grbMode);
    modeLayout->addWidget(rdbtnAnk);
    modeLayout->addWidget(rdbtnKanji);
    modeLayout->addWidget(buddyLabel(tr("文字セット(&S):"), cmbCharacterSet, "lblCharacterSet", grbMode));
    modeLayout->addWidget(cmbCharacterSet);

    auto colourGroup = [page](const char* name, const char* caption, QFrame*& swatch, const char* swatchName,
                              const char* buttonName, const char* buttonCaption) {
        auto* group = new QGroupBox(tr(caption), page);
        group->setObjectName(QString::fromLatin1(name));
        swatch = new QFrame(group);
        swatch->setObjectName(QString::fromLatin1(swatchName));
        swatch->setFrameShape(QFrame::Box);
        swatch->setFixedSize(40, 22);
        swatch->setAutoFillBackground(true);
        auto* button = new QPushButton(tr(buttonCaption), group);
        button->setObjectName(QString::fromLatin1(buttonName));
        button->setAutoDefault(false);
        auto* column = new QVBoxLayout(group);
        column->addWidget(swatch, 0, Qt::AlignHCenter);
        column->addWidget(button);
        return std::pair{group, button};
    };
    auto [grbFontColor, btnChoiceFontColor] =
        colourGroup("grbFontColor", QT_TRANSLATE_NOOP("TPagesDlg", "文字色"), shpFontColor, "shpFontColor",
                    "btnChoiceFontColor", QT_TRANSLATE_NOOP("TPagesDlg", "色選択(&C)..."));
    auto [grbBgColor, btnChoiceBgColor] =
        colourGroup("grbBgColor", QT_TRANSLATE_NOOP("TPagesDlg", "背景色"), shpBgColor, "shpBgColor",
                    "btnChoiceBgColor", QT_TRANSLATE_NOOP("TPagesDlg", "色選択(&L)..."));
    setSwatch(shpFontColor, palette().color(QPalette::WindowText));
    setSwatch(shpBgColor, palette().color(QPalette::Base));
    shpFontColor->installEventFilter(this);
    shpBgColor->installEventFilter(this);
    connect(btnChoiceFontColor, &QPushButton::clicked, this, &TPagesDlg::btnChoiceFontColorClick);
    connect(btnChoiceBgColor, &QPushButton::clicked, this, &TPagesDlg::btnChoiceBgColorClick);

    auto* grbFontSample = named<QGroupBox>("grbFontSample", tr("サンプル"), page);
    edtAnkFontSample = sampleEdit("edtAnkFontSample", "10 CLS", grbFontSample);
    edtAnkGraphFontSample = sampleEdit("edtAnkGraphFontSample", "ABCDEFG", grbFontSample);
    edtKanjiFontSample = sampleEdit("edtKanjiFontSample", "漢字BASIC", grbFontSample);
    auto* sampleLayout = new QVBoxLayout(grbFontSample);
    for (QLineEdit* sample : {edtAnkFontSample, edtAnkGraphFontSample, edtKanjiFontSample})
        sampleLayout->addWidget(sample);
    // The samples show the fonts, size and colours chosen, as the listing
    // will show them, while they are being chosen.
    for (QComboBox* list : {cmbAnkFont, cmbAnkGraphFont, cmbKanjiFont})
        connect(list, &QComboBox::currentTextChanged, this, &TPagesDlg::updateSamples);
    connect(cmbCharacterSet, &QComboBox::currentIndexChanged, this, &TPagesDlg::updateSamples);
    connect(edtFontSize, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (const auto size = parseInteger(text); size && *size > 0) {
            sampleSize_ = *size;
            updateSamples();
        }
    });

    auto* grid = new QGridLayout(page);
    grid->addWidget(grbFont, 0, 0, 1, 3);
    grid->addWidget(grbMode, 1, 0);
    grid->addWidget(grbFontColor, 1, 1);
    grid->addWidget(grbBgColor, 1, 2);
    grid->addWidget(grbFontSample, 2, 0, 1, 3);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* TPagesDlg::buildBasic2()
{
    auto* page = new QWidget;
    page->setObjectName("tbsBASIC2");

    auto* grbWordWrap = named<QGroupBox>("grbWordWrap", tr("ワードラップ"), page);
    ckbWordWrap = named<QCheckBox>("ckbWordWrap", tr("ワードラップを有効にする(&W)"), grbWordWrap);
    auto* Label10 = named<QLabel>("Label10", tr("出力したファイルには反映されません。"), grbWordWrap);
    ckbLineNumberGutter = named<QCheckBox>("ckbLineNumberGutter", tr("行番号を別の列に表示する(&N)"), grbWordWrap);
    ckbLineNumberGutter->setToolTip(tr("本文の頭をそろえ、折り返した行を本文の下から続けます"));
    auto* wrapLayout = new QVBoxLayout(grbWordWrap);
    wrapLayout->addWidget(ckbWordWrap);
    wrapLayout->addWidget(ckbLineNumberGutter);
    wrapLayout->addWidget(Label10);

    auto* grbOthers = named<QGroupBox>("grbOthers", tr("その他"), page);
    ckbVisibleOver65530 = named<QCheckBox>("ckbVisibleOver65530", tr("行65530以降を表示する(&V)"), grbOthers);
    ckbVisibleOver65530->setToolTip(tr("行番号が65530以上の行も表示するかどうかを指定します"));
    ckbViewLineAddress = named<QCheckBox>("ckbViewLineAddress", tr("行のメモリアドレスを表示する(&D)"), grbOthers);
    ckbViewLineAddress->setToolTip(
        tr("各行の先頭に、プログラムを &H8001 から読み込んだときのアドレスを16進4桁で表示します"));
    ckbMap0xAD = named<QCheckBox>("ckbMap0xAD",
                                  tr("半角の小さい「ｭ」(&&HAD)を別のフォント・コードにマッピングする(&M)"), grbOthers);
    ckbMap0xAD->setToolTip(tr("ANKモードの時のみ機能します"));
    cmbMapFontFrom0xAD = named<QComboBox>("cmbMapFontFrom0xAD", grbOthers);
    cmbMapFontFrom0xAD->setEditable(true);
    cmbMapFontFrom0xAD->setInsertPolicy(QComboBox::NoInsert);
    cmbMapFontFrom0xAD->setMaxVisibleItems(20);
    lblMapFontFrom0xAD =
        buddyLabel(tr("マッピング先フォント(&F):"), cmbMapFontFrom0xAD, "lblMapFontFrom0xAD", grbOthers);
    edtMapCodeFrom0xAD = named<QLineEdit>("edtMapCodeFrom0xAD", u("32"), grbOthers);
    edtMapCodeFrom0xAD->setMaxLength(3);
    edtMapCodeFrom0xAD->setFixedWidth(40);
    lblMapCodeFrom0xAD = buddyLabel(tr("マッピング先コード(&C):"), edtMapCodeFrom0xAD, "lblMapCodeFrom0xAD", grbOthers);
    updMapCodeFrom0xAD = named<UpDownButtons>("updMapCodeFrom0xAD", edtMapCodeFrom0xAD, 32, 255, grbOthers);
    auto* codeRow = new QHBoxLayout;
    codeRow->setSpacing(0);
    codeRow->addWidget(edtMapCodeFrom0xAD);
    codeRow->addWidget(updMapCodeFrom0xAD);
    codeRow->addStretch(1);
    auto* others = new QGridLayout(grbOthers);
    others->addWidget(ckbVisibleOver65530, 0, 0, 1, 2);
    others->addWidget(ckbViewLineAddress, 1, 0, 1, 2);
    others->addWidget(ckbMap0xAD, 2, 0, 1, 2);
    others->addWidget(lblMapFontFrom0xAD, 3, 0);
    others->addWidget(cmbMapFontFrom0xAD, 3, 1);
    others->addWidget(lblMapCodeFrom0xAD, 4, 0);
    others->addLayout(codeRow, 4, 1);
    others->setColumnStretch(1, 1);
    connect(ckbMap0xAD, &QCheckBox::clicked, this, &TPagesDlg::ckbMap0xADClick);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grbWordWrap);
    layout->addWidget(grbOthers);
    layout->addStretch(1);
    return page;
}

QWidget* TPagesDlg::buildColors()
{
    auto* page = new QWidget;
    page->setObjectName("tbsColors");
    auto* grbSyntaxColors = named<QGroupBox>("grbSyntaxColors", tr("色分け表示"), page);
    ckbSyntaxColors = named<QCheckBox>("ckbSyntaxColors", tr("色分け表示する(&L)"), grbSyntaxColors);
    ckbSyntaxColors->setToolTip(tr("キーワード、行番号、文字列などをそれぞれの色で表示します"));
    cmbColorScheme = named<QComboBox>("cmbColorScheme", grbSyntaxColors);
    cmbColorScheme->addItem(tr("標準（設定した背景色の上）"), 0);
    cmbColorScheme->addItem(tr("MSXの画面（青地に白）"), 1);
    auto* lblColorScheme = buddyLabel(tr("配色(&S):"), cmbColorScheme, "lblColorScheme", grbSyntaxColors);

    auto* grbRoleColors = named<QGroupBox>("grbRoleColors", tr("色"), page);
    const char* roleNames[quillet::RoleCount] = {
        QT_TR_NOOP("その他の文字"), QT_TR_NOOP("行番号"),         QT_TR_NOOP("キーワード"), QT_TR_NOOP("行番号の参照"),
        QT_TR_NOOP("数値"),         QT_TR_NOOP("文字列"),         QT_TR_NOOP("コメント"),   QT_TR_NOOP("DATA"),
        QT_TR_NOOP("変数"),         QT_TR_NOOP("演算子・区切り"),
    };
    auto* roles = new QGridLayout(grbRoleColors);
    for (std::size_t role = 0; role < quillet::RoleCount; ++role) {
        auto* button = named<QPushButton>(QStringLiteral("btnRoleColor%1").arg(role).toLatin1().constData(),
                                          tr(roleNames[role]), grbRoleColors);
        roleButtons_[role] = button;
        roles->addWidget(button, static_cast<int>(role / 2), static_cast<int>(role % 2));
        connect(button, &QPushButton::clicked, this, [this, role] {
            const QColor chosen =
                chooseColor(QColor::fromRgb(roleColours_[role]), roleButtons_[role]->text().remove(u'&'));
            if (!chosen.isValid())
                return;
            roleColours_[role] = chosen.rgb() & 0xFFFFFF;
            showRoleColours();
        });
    }
    auto* btnDefaultRoleColors = named<QPushButton>("btnDefaultRoleColors", tr("配色の色に戻す(&D)"), grbRoleColors);
    roles->addWidget(btnDefaultRoleColors, static_cast<int>(quillet::RoleCount / 2), 1);
    const auto schemeColours = [this] {
        const auto& choices = host_.listingChoices();
        return quillet::roleColoursFor(cmbColorScheme->currentData().toInt() == 1 ? quillet::RoleScheme::MsxScreen
                                                                                  : quillet::RoleScheme::Standard,
                                       choices.ColorDialog2.rgb() & 0xFFFFFF, choices.ColorDialog1.rgb() & 0xFFFFFF);
    };
    connect(btnDefaultRoleColors, &QPushButton::clicked, this, [this, schemeColours] {
        roleColours_ = schemeColours();
        showRoleColours();
    });
    // Another scheme starts from its own colours.
    connect(cmbColorScheme, &QComboBox::activated, this, [this, schemeColours] {
        roleColours_ = schemeColours();
        showRoleColours();
    });

    auto* top = new QGridLayout(grbSyntaxColors);
    top->addWidget(ckbSyntaxColors, 0, 0, 1, 2);
    top->addWidget(lblColorScheme, 1, 0);
    top->addWidget(cmbColorScheme, 1, 1);
    top->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grbSyntaxColors);
    layout->addWidget(grbRoleColors);
    layout->addStretch(1);
    return page;
}

void TPagesDlg::showRoleColours()
{
    const bool msx = cmbColorScheme->currentData().toInt() == 1;
    const QColor paper = msx ? QColor::fromRgb(quillet::MsxScreenBackground) : host_.listingChoices().ColorDialog1;
    for (std::size_t role = 0; role < quillet::RoleCount; ++role) {
        // Each button shows its role's colour on the listing's background.
        roleButtons_[role]->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: %2; }")
                                              .arg(QColor::fromRgb(roleColours_[role]).name(), paper.name()));
    }
}

QWidget* TPagesDlg::buildCg()
{
    auto* page = new QWidget;
    page->setObjectName("tbsCG1");
    auto* grbScreenMode = named<QGroupBox>("grbScreenMode", tr("スクリーンモード"), page);
    ckbAutoDetectScreenMode =
        named<QCheckBox>("ckbAutoDetectScreenMode", tr("スクリーンモードを自動判別する(&A)"), grbScreenMode);
    auto* layout = new QVBoxLayout(grbScreenMode);
    layout->addWidget(ckbAutoDetectScreenMode);
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < std::size(ScreenChoices); ++i) {
        auto* button = new QRadioButton(tr(ScreenChoices[i].caption), grbScreenMode);
        button->setObjectName(QStringLiteral("rdbtnScreen%1").arg(ScreenChoices[i].mode));
        group->addButton(button, ScreenChoices[i].mode);
        layout->addWidget(button);
        screenButtons_[i] = button;
    }
    screenButton(5)->setChecked(true);
    screenButton(9)->setEnabled(false);
    connect(ckbAutoDetectScreenMode, &QCheckBox::clicked, this, &TPagesDlg::ckbAutoDetectScreenModeClick);
    ckbMsx2Colors =
        named<QCheckBox>("ckbMsx2Colors", tr("パレットのない SCREEN 1～4 を MSX2 の色で表示する(&M)"), page);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(grbScreenMode);
    pageLayout->addWidget(ckbMsx2Colors);
    pageLayout->addStretch(1);
    return page;
}

QWidget* TPagesDlg::buildConfig()
{
    auto* page = new QWidget;
    page->setObjectName("tbsConfig1");
    auto* grbTempFile = named<QGroupBox>("grbTempFile", tr("一時ファイル"), page);
    edtTempFileDir = named<QLineEdit>("edtTempFileDir", grbTempFile);
    edtTempFileDir->setReadOnly(true);
    QPalette face = edtTempFileDir->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    edtTempFileDir->setPalette(face);
    auto* btnBrowseFolder = named<QPushButton>("btnBrowseFolder", tr("参照(&B)"), grbTempFile);
    btnBrowseFolder->setAutoDefault(false);
    auto* btnDefaultTempFolder = named<QPushButton>("btnDefaultTempFolder", tr("標準に戻す(&D)"), grbTempFile);
    btnDefaultTempFolder->setAutoDefault(false);
    auto* Label9 = named<QLabel>("Label9", tr("通常は変更する必要はありません。"), grbTempFile);
    auto* grid = new QGridLayout(grbTempFile);
    grid->addWidget(buddyLabel(tr("フォルダ(&F):"), edtTempFileDir, "Label7", grbTempFile), 0, 0);
    grid->addWidget(edtTempFileDir, 0, 1, 1, 2);
    grid->addWidget(btnBrowseFolder, 1, 1);
    grid->addWidget(btnDefaultTempFolder, 1, 2);
    grid->addWidget(Label9, 2, 0, 1, 3);
    connect(btnBrowseFolder, &QPushButton::clicked, this, &TPagesDlg::btnBrowseFolderClick);
    connect(btnDefaultTempFolder, &QPushButton::clicked, this, &TPagesDlg::btnDefaultTempFolderClick);

    // Each language is named in its own words, so that it can be found
    // whichever is shown.
    auto* grbLanguage = named<QGroupBox>("grbLanguage", tr("言語"), page);
    cmbLanguage = named<QComboBox>("cmbLanguage", grbLanguage);
    cmbLanguage->addItem(QStringLiteral("日本語"), QString::fromLatin1(ui::JapaneseLanguage.data()));
    cmbLanguage->addItem(QStringLiteral("English"), QString::fromLatin1(ui::EnglishLanguage.data()));
    auto* languageNote = named<QLabel>("lblLanguageNote", tr("次回の起動から有効になります。"), grbLanguage);
    auto* languageGrid = new QGridLayout(grbLanguage);
    languageGrid->addWidget(buddyLabel(tr("表示言語(&G):"), cmbLanguage, "lblLanguage", grbLanguage), 0, 0);
    languageGrid->addWidget(cmbLanguage, 0, 1);
    languageGrid->addWidget(languageNote, 1, 0, 1, 2);
    languageGrid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grbTempFile);
    layout->addWidget(grbLanguage);
    layout->addStretch(1);
    return page;
}

QWidget* TPagesDlg::buildInfo()
{
    auto* page = new QWidget;
    page->setObjectName("tbsInfo1");
    auto* icon = named<QLabel>("Image1", page);
    icon->setPixmap(quilletIcon().pixmap(32, 32));
    auto* lblInfo1 = named<QLabel>("lblInfo1", u("Quillet"), page);
    auto* Label6 = named<QLabel>("Label6", tr("ビルド"), page);
    edtVersion = named<QLineEdit>("edtVersion", u("0.0.0.0"), page);
    edtVersion->setReadOnly(true);
    edtVersion->setFrame(false);
    auto* lblTradeMark1 = named<QLabel>("lblTradeMark1", u("MSXはMSXアソシエーションの商標です。"), page);
    auto* lblTradeMark2 = named<QLabel>("lblTradeMark2", u("MSX is a trademark of the MSX Association."), page);
    auto* notice = named<QLabel>("lblNotice", tr("MSX のファイル（BASIC のリストと画面イメージ）を表示します。"), page);
    notice->setWordWrap(true);
    // The pixel fonts' glyphs come from C-BIOS, whose licence asks for this.
    auto* fontCredit = named<QLabel>("lblFontCredit",
                                     tr("MSX フォントの字形は C-BIOS（Copyright 2002-2014 the C-BIOS "
                                        "authors、BSD-2-Clause ライセンス）によります。"),
                                     page);
    fontCredit->setWordWrap(true);

    auto* grid = new QGridLayout(page);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(lblInfo1, 0, 1, 1, 2);
    grid->addWidget(Label6, 1, 1);
    grid->addWidget(edtVersion, 1, 2);
    grid->addWidget(lblTradeMark1, 2, 1, 1, 2);
    grid->addWidget(lblTradeMark2, 3, 1, 1, 2);
    grid->addWidget(notice, 4, 1, 1, 2);
    grid->addWidget(fontCredit, 5, 1, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);
    return page;
}

QString TPagesDlg::programVersion()
{
#ifdef QUILLET_VERSION
    const QString version = QStringLiteral(QUILLET_VERSION);
    static const QRegularExpression fourNumbers(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"));
    if (fourNumbers.match(version).hasMatch())
        return version;
#endif
    return {};
}

void TPagesDlg::FormCreate()
{
    pages_->setCurrentIndex(0);
    if (const QString version = programVersion(); !version.isEmpty())
        edtVersion->setText(version);
    QStringList families = QFontDatabase::families();
    std::sort(families.begin(), families.end());
    for (QComboBox* list : {cmbAnkFont, cmbAnkGraphFont, cmbKanjiFont, cmbMapFontFrom0xAD}) {
        list->addItems(families);
        list->setCurrentIndex(families.isEmpty() ? -1 : 0);
    }
}

QRadioButton* TPagesDlg::screenButton(int mode) const
{
    for (QRadioButton* button : screenButtons_) {
        if (button->objectName() == QStringLiteral("rdbtnScreen%1").arg(mode))
            return button;
    }
    return nullptr;
}

void TPagesDlg::setSwatch(QFrame* swatch, const QColor& color)
{
    QPalette colours = swatch->palette();
    colours.setColor(QPalette::Window, color);
    swatch->setPalette(colours);
    swatch->setProperty("color", color);
}

void TPagesDlg::updateSamples()
{
    if (!edtKanjiFontSample)
        return; // still being built
    const msx::CharacterSet set = msx::characterSetFromName(cmbCharacterSet->currentData().toString().toStdString())
                                      .value_or(msx::CharacterSet::Japanese);
    const struct {
        QLineEdit* sample;
        const QComboBox* list;
        std::string_view bytes;
        int font;
        int charset;
    } samples[] = {
        {edtAnkFontSample, cmbAnkFont, "10 CLS", 0, 2},
        {edtAnkGraphFontSample, cmbAnkGraphFont, "ABCDEFG", 1, 2},
        {edtKanjiFontSample, cmbKanjiFont,
         "\x8A\xBF\x8E\x9A"
         "BASIC",
         0, 128}, // 漢字BASIC in code page 932
    };
    for (const auto& row : samples) {
        const ListingSample shown = ListingView::sample(row.bytes, row.list->currentText(), row.font, row.charset, set);
        QFont font = shown.font;
        font.setPointSize(sampleSize_);
        row.sample->setFont(font);
        row.sample->setText(shown.text);
        QPalette colours = row.sample->palette();
        colours.setColor(QPalette::Text, shpFontColor->property("color").value<QColor>());
        colours.setColor(QPalette::Base, shpBgColor->property("color").value<QColor>());
        row.sample->setPalette(colours);
    }
}

void TPagesDlg::FormShow()
{
    const Settings& settings = host_.settingsOwner().values();
    ListingChoices& choices = host_.listingChoices();
    choices.ColorDialog1 = host_.listingBackgroundColor();
    choices.ColorDialog2 = host_.listingTextColor();
    setSwatch(shpBgColor, choices.ColorDialog1);
    setSwatch(shpFontColor, choices.ColorDialog2);

    const std::pair<QComboBox*, const std::string*> lists[] = {{cmbAnkFont, &settings.fontNameAnk},
                                                               {cmbAnkGraphFont, &settings.fontNameAnkGraph},
                                                               {cmbKanjiFont, &settings.fontNameKanji},
                                                               {cmbMapFontFrom0xAD, &settings.mapFontFrom0xAD}};
    for (auto [list, name] : lists) {
        const QString wanted = QString::fromStdString(*name);
        int found = -1;
        for (int i = 0; i < list->count(); ++i) {
            if (list->itemText(i) == wanted)
                found = i; // the last equal entry wins
        }
        if (found >= 0) {
            list->setCurrentIndex(found);
        } else {
            list->setCurrentIndex(-1);
            list->setEditText(wanted);
        }
    }

    {
        const std::string_view set = msx::characterSetName(app::characterSetSetting(settings));
        cmbCharacterSet->setCurrentIndex(std::max(
            0, cmbCharacterSet->findData(QString::fromLatin1(set.data(), static_cast<qsizetype>(set.size())))));
    }
    sampleSize_ = settings.fontSize > 0 ? settings.fontSize : 1;
    edtFontSize->setText(QString::number(settings.fontSize));
    updateSamples();
    ckbWordWrap->setChecked(settings.useWordWrap);
    ckbLineNumberGutter->setChecked(settings.isLineNumberGutter);
    ckbSyntaxColors->setChecked(settings.useSyntaxColors);
    cmbColorScheme->setCurrentIndex(std::max(0, cmbColorScheme->findData(settings.syntaxColorScheme)));
    roleColours_ = app::roleColoursSetting(settings);
    showRoleColours();
    edtTempFileDir->setText(QString::fromStdString(host_.tempNameDir()));
    ckbVisibleOver65530->setChecked(settings.isViewOverLine65530);
    ckbViewLineAddress->setChecked(settings.isViewLineAddress);
    ckbMap0xAD->setChecked(settings.isMap0xAD);
    ckbMap0xADClick();
    edtMapCodeFrom0xAD->setText(QString::number(settings.mapCodeFrom0xAD));
    if (QRadioButton* button = screenButton(settings.screenMode))
        button->setChecked(true);
    ckbAutoDetectScreenMode->setChecked(settings.isAutoDetectScreenMode);
    enableScreenMode(!settings.isAutoDetectScreenMode);
    ckbMsx2Colors->setChecked(settings.isMsx2Colors);
    ckbReload->setChecked(settings.isReload);
    cmbLanguage->setCurrentIndex(
        std::max(0, cmbLanguage->findData(QString::fromStdString(ui::interfaceLanguage(settings)))));
    pages_->setCurrentIndex(lastPage_);
}

void TPagesDlg::btnDefaultFontsClick()
{
    const Settings defaults;
    cmbAnkFont->setEditText(QString::fromStdString(defaults.fontNameAnk));
    cmbAnkGraphFont->setEditText(QString::fromStdString(defaults.fontNameAnkGraph));
    cmbKanjiFont->setEditText(QString::fromStdString(defaults.fontNameKanji));
    cmbMapFontFrom0xAD->setEditText(QString::fromStdString(defaults.mapFontFrom0xAD));
}

void TPagesDlg::FormActivate()
{
    const bool ank = host_.settingsOwner().values().isAnkMode;
    rdbtnAnk->setChecked(ank);
    rdbtnKanji->setChecked(!ank);
}

void TPagesDlg::showEvent(QShowEvent* event)
{
    FormShow();
    FormActivate();
    QDialog::showEvent(event);
}

void TPagesDlg::hideEvent(QHideEvent* event)
{
    lastPage_ = pages_->currentIndex();
    QDialog::hideEvent(event);
}

bool TPagesDlg::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

bool TPagesDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == shpFontColor) {
            btnChoiceFontColorClick();
            return true;
        }
        if (watched == shpBgColor) {
            btnChoiceBgColorClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPagesDlg::chooseInto(QColor& holder, QFrame* swatch, const QString& title)
{
    const QColor chosen = chooseColor(holder, title);
    if (!chosen.isValid())
        return;
    holder = chosen; // kept by the main window even if the dialog is cancelled
    setSwatch(swatch, chosen);
    updateSamples();
}

void TPagesDlg::btnChoiceFontColorClick()
{
    chooseInto(host_.listingChoices().ColorDialog2, shpFontColor, tr("文字色"));
}

void TPagesDlg::btnChoiceBgColorClick()
{
    chooseInto(host_.listingChoices().ColorDialog1, shpBgColor, tr("背景色"));
}

void TPagesDlg::btnBrowseFolderClick()
{
    const QString folder = chooseFolder();
    if (!folder.isEmpty())
        edtTempFileDir->setText(folder);
}

void TPagesDlg::btnDefaultTempFolderClick()
{
    edtTempFileDir->setText(QString::fromStdString(app::getTempPath()));
}

void TPagesDlg::ckbMap0xADClick()
{
    const bool on = ckbMap0xAD->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{lblMapFontFrom0xAD, cmbMapFontFrom0xAD, lblMapCodeFrom0xAD,
                                                            edtMapCodeFrom0xAD, updMapCodeFrom0xAD})
        control->setEnabled(on);
}

void TPagesDlg::ckbAutoDetectScreenModeClick()
{
    enableScreenMode(!ckbAutoDetectScreenMode->isChecked());
}

void TPagesDlg::enableScreenMode(bool enabled)
{
    for (QRadioButton* button : screenButtons_) {
        if (button != screenButton(9))
            button->setEnabled(enabled);
    }
}

void TPagesDlg::HelpBtnClick()
{
    host_.showHelpTopic(SettingsHelpContext);
}

void TPagesDlg::OKBtnClick()
{
    app::SettingsOwner& owner = host_.settingsOwner();
    Settings settings = owner.values();
    ListingChoices& choices = host_.listingChoices();
    std::array<FontHolder, 4>& holders = choices.FontDialogs;

    // 1. Font names; an empty list text keeps the name held before.
    const std::array<QComboBox*, 4> lists = {cmbAnkFont, cmbAnkGraphFont, cmbKanjiFont, cmbMapFontFrom0xAD};
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (!lists[i]->currentText().isEmpty())
            holders[i].name = lists[i]->currentText();
    }
    settings.fontNameAnk = holders[0].name.toStdString();
    settings.fontNameAnkGraph = holders[1].name.toStdString();
    settings.fontNameKanji = holders[2].name.toStdString();

    // 2. Character mode, and the set its ANK glyphs come from (shown at the
    // next load, like the fonts).
    settings.characterSet = cmbCharacterSet->currentData().toString().toStdString();
    if (rdbtnAnk->isChecked()) {
        settings.fontCharset = static_cast<std::uint8_t>(holders[0].charset);
        settings.isAnkMode = true;
    } else if (rdbtnKanji->isChecked()) {
        settings.fontCharset = static_cast<std::uint8_t>(holders[2].charset);
        settings.isAnkMode = false;
    }

    // 3. Size, taken as typed.
    if (const auto size = parseInteger(edtFontSize->text()))
        settings.fontSize = *size;
    else
        edtFontSize->setText(QString::number(settings.fontSize));

    // 4 to 7. The listing takes the colours, the size and word wrap at once.
    settings.fontColor = settingFromColor(choices.ColorDialog2);
    settings.backgroundColor = settingFromColor(choices.ColorDialog1);
    settings.useWordWrap = ckbWordWrap->isChecked();
    settings.isLineNumberGutter = ckbLineNumberGutter->isChecked();
    settings.useSyntaxColors = ckbSyntaxColors->isChecked();
    settings.syntaxColorScheme = cmbColorScheme->currentData().toInt();
    {
        // Only the colours that differ from the scheme's are kept as the user's.
        const RoleColourSet scheme =
            roleColoursFor(app::roleSchemeSetting(settings), choices.ColorDialog2.rgb() & 0xFFFFFF,
                           choices.ColorDialog1.rgb() & 0xFFFFFF);
        settings.roleColors = app::roleColorsText(roleColours_, scheme);
    }

    // 8. The folder always ends in the platform's separator; an empty text
    // (only a hand-edited store gives one) means the system's folder.
    QString folder = edtTempFileDir->text();
    if (folder.isEmpty())
        folder = QString::fromStdString(app::getTempPath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    settings.tempFileDir = folder.toStdString();

    // 9 to 11.
    settings.isViewOverLine65530 = ckbVisibleOver65530->isChecked();
    settings.isViewLineAddress = ckbViewLineAddress->isChecked();
    settings.isMap0xAD = ckbMap0xAD->isChecked();
    if (const auto code = parseInteger(edtMapCodeFrom0xAD->text()))
        settings.mapCodeFrom0xAD = std::clamp(*code, 32, 255);
    else
        edtMapCodeFrom0xAD->setText(QString::number(settings.mapCodeFrom0xAD));
    settings.mapFontFrom0xAD = holders[3].name.toStdString();

    // 12 to 15.
    for (QRadioButton* button : screenButtons_) {
        if (button->isChecked())
            settings.screenMode = button->objectName().mid(11).toInt();
    }
    // The mode is stored at once on its own, as a SCREEN command stores it,
    // and again with the rest below.
    owner.set(&Settings::screenMode, settings.screenMode);
    settings.isAutoDetectScreenMode = ckbAutoDetectScreenMode->isChecked();
    settings.isMsx2Colors = ckbMsx2Colors->isChecked();
    settings.isReload = ckbReload->isChecked();
    // Taken at the next start: the windows are made in one language.
    settings.language = cmbLanguage->currentData().toString().toStdString();

    // 16. Set and stored together, in the dialog's order; the window shows
    // them as the owner tells it.
    owner.update(settings, app::SettingsDialogWriteOrder);

    // 17. Listing first, then the picture.
    if (settings.isReload)
        host_.reloadShownDocuments();

    accept();
}
