// SPDX-License-Identifier: MIT
#pragma once
// Process-wide values shared by the subsystems: the settings record with its
// built-in defaults, page indices, the product name and the status texts.
// Texts are UTF-8.

#include "common/Errors.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr std::string_view ProductName = "Quillet";

inline constexpr int BasicPageIndex = 0;
inline constexpr int CgPageIndex = 1;

namespace status {
inline constexpr std::string_view PleaseOpen = "ファイルを開いてください。";
inline constexpr std::string_view Opened = "ファイルを開きました。";
inline constexpr std::string_view TempFolderMadeAgain =
    "一時ファイルのフォルダがなくなっていたので、作り直して開きました。";
inline constexpr std::string_view TempFolderFellBack =
    "一時ファイルのフォルダが使えないため、システムの一時フォルダで開きました。";
inline constexpr std::string_view OpenedTruncated = "プログラムが途中で切れています。読めた行まで表示しました。";
inline constexpr std::string_view OpenedHeaderOnly =
    "画像データがありません。ヘッダーだけのファイルなので、黒い画面を表示しました。";
// A document shown as its hex view (document/HexView.h).
inline constexpr std::string_view OpenedBsaveBinary =
    "画像ではない BSAVE ファイル (機械語など) です。ヘッダーと16進ダンプを表示しました。";
inline constexpr std::string_view OpenedBinary = "リストでも画像でもないファイルです。16進ダンプを表示しました。";
// A file beside a picture (%1, its name) that the picture is shown
// without, followed by why.
inline constexpr std::string_view CompanionLeftOut = "%1 は使えないため、使わずに表示しました。";
inline constexpr std::string_view CompanionHoldsNoPalette = "パレットが入っていません。";
inline constexpr std::string_view CompanionNotAPage = "BSAVE形式の画像ではありません。";
inline constexpr std::string_view Loading = "読み込み中です… ";
inline constexpr std::string_view ContainerOpened = "中のファイルを一覧に表示しました。ダブルクリックで開きます。";
inline constexpr std::string_view ContainerDamaged = "壊れている部分があります。読めるファイルは一覧から開けます。";
inline constexpr std::string_view MemberSaved = "取り出して保存しました。";
inline constexpr std::string_view FilesAdded = "ファイルを追加しました。";
inline constexpr std::string_view MembersDeleted = "ファイルを削除しました。";
inline constexpr std::string_view AsciiSaved = "アスキーセーブしました。";
inline constexpr std::string_view AsciiSaving = "アスキーセーブ中です。しばらくお待ちください。";
inline constexpr std::string_view RtfSaved = "RTF形式で保存しました。";
inline constexpr std::string_view HtmlSaved = "HTML形式で保存しました。";
inline constexpr std::string_view BmpSaved = "BMP形式で保存しました。";
inline constexpr std::string_view PngSaved = "PNG形式で保存しました。";
inline constexpr std::string_view SearchedToEnd = "最後まで検索しました。";
inline constexpr std::string_view SearchWrappedToTop = "最後まで検索しました。先頭から続けて検索しました。";
inline constexpr std::string_view SearchWrappedToBottom = "先頭まで検索しました。最後から続けて検索しました。";
inline constexpr std::string_view SearchNotFound = "見つかりませんでした。";
// A line asked for by its number (%1) that the listing lacks, and the line
// shown instead (%2).
inline constexpr std::string_view LineMovedToNext = "%1 行はないので、次の %2 行へ移動しました。";
inline constexpr std::string_view LineNotInListing = "%1 行はありません。";
inline constexpr std::string_view AnkIndicator = "ANK";
inline constexpr std::string_view KanjiIndicator = "漢字";
inline constexpr std::string_view LineCountSuffix = " 行";
inline constexpr std::string_view ScreenPrefix = "SCREEN ";

// What failed, as panel 0 says it.
inline constexpr std::string_view OpenFailed = "ファイルを開けませんでした。";
inline constexpr std::string_view AsciiSaveFailed = "アスキーセーブできませんでした。";
inline constexpr std::string_view RtfSaveFailed = "RTF形式で保存できませんでした。";
inline constexpr std::string_view HtmlSaveFailed = "HTML形式で保存できませんでした。";
inline constexpr std::string_view BmpSaveFailed = "BMP形式で保存できませんでした。";
inline constexpr std::string_view PngSaveFailed = "PNG形式で保存できませんでした。";
inline constexpr std::string_view MemberSaveFailed = "取り出して保存できませんでした。";
inline constexpr std::string_view FilesAddFailed = "ファイルを追加できませんでした。";
inline constexpr std::string_view MembersDeleteFailed = "ファイルを削除できませんでした。";
inline constexpr std::string_view NewDiskFailed = "新しいディスクを作れませんでした。";
inline constexpr std::string_view PrintFailed = "印刷できませんでした。";
inline constexpr std::string_view HelpFailed = "ヘルプファイルを開けません。";
inline constexpr std::string_view SettingsSaveFailed = "設定を保存できませんでした。";

// Why it failed: one text for each kind of failure.
std::string_view failureCause(ErrorKind kind);
// The cause of a damaged program names its line: "（20 行）".
std::string failureCause(const QuilletError& error);
} // namespace status

// The system's temporary directory with a trailing separator.
std::string systemTempDir();

// Colours are 0x00BBGGRR.
struct Settings {
    std::string fontNameAnk = "MSX ROM 8dot";
    std::string fontNameAnkGraph = "MSX ROM Graph 8dot";
    std::string fontNameKanji = "ＭＳ ゴシック";
    std::uint8_t fontCharset = 2;
    std::int32_t fontSize = 12;
    bool isAnkMode = true;
    std::uint32_t fontColor = 0x000000;
    std::uint32_t backgroundColor = 0xFFFFFF;
    bool useWordWrap = false;
    bool isViewOverLine65530 = true;
    bool isMap0xAD = true;
    std::string mapFontFrom0xAD = "MSX ROM 8dot";
    std::int32_t mapCodeFrom0xAD = 0x7F;
    // On: detection never picks a mode the data cannot fit, and a wrong
    // guess is corrected from the picture's menu.
    bool isAutoDetectScreenMode = true;
    std::int32_t screenMode = 5;
    bool isReload = true;
    std::int32_t lastOpenFilterIndex = 1;
    bool isStretch = false;
    int pictureZoom = 1;     // 1 to 4 screen pixels a dot, or 0 to fit the page
    bool isTvAspect = false; // dots shaped as an MSX shows them on a 4:3 screen
    bool isDrawSprites = false;
    std::int32_t spriteSize = 0; // as SCREEN's second argument: 0 8x8, 1 8x8 magnified, 2 16x16, 3 16x16 magnified
    bool isMsx2Colors = false;   // SCREEN 1 to 4 without a palette table in the MSX2's colours, not the MSX1's
    std::int32_t activePageIndex = 0;
    std::string tempFileDir = systemTempDir();
    std::string lastOpenDir;
    std::string language = "ja";           // the interface's: "ja" or "en", read at start
    std::string characterSet = "Japanese"; // the ANK glyphs: Japanese, International, Brazilian
    bool isViewLineAddress = false;        // each listed line starts with its memory address
    std::string windowGeometry;            // "x,y,width,height" of the window's client area; empty at first
    bool isWindowMaximized = false;
    std::int32_t memberListWidth = 0;   // the file list's width in pixels; 0 until the user has had one
    std::int32_t listingZoom = 0;       // screen pixels per MSX dot of the listing's font; 0 as "Font Size" says
    bool isLineNumberGutter = false;    // line numbers in a column of their own, wrapped lines under the body
    bool useSyntaxColors = false;       // the listing coloured by what each stretch is
    std::int32_t syntaxColorScheme = 0; // 0 on the configured colours, 1 the MSX's own screen
    std::string roleColors;             // the user's colour per role, "RRGGBB" or "-" each; empty: the scheme's
};

} // namespace quillet
