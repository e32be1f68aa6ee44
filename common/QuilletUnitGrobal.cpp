// SPDX-License-Identifier: MIT
#include "common/QuilletUnitGrobal.h"

#include <filesystem>
#include <system_error>

namespace quillet {

std::string systemTempDir()
{
    std::error_code error;
    std::filesystem::path dir = std::filesystem::temp_directory_path(error);
    if (error || dir.empty())
        dir = std::filesystem::path("/tmp");
    std::string text = dir.string();
    if (text.empty() || text.back() != std::filesystem::path::preferred_separator)
        text += static_cast<char>(std::filesystem::path::preferred_separator);
    return text;
}

namespace status {

std::string_view failureCause(ErrorKind kind)
{
    switch (kind) {
    case ErrorKind::FileNotFound: return "ファイルが見つかりません。";
    case ErrorKind::PermissionDenied: return "アクセスする権限がありません。";
    case ErrorKind::NotRegularFile: return "通常のファイルではありません。";
    case ErrorKind::NoWriter: return "パイプに書き込むプログラムがありません。";
    case ErrorKind::ReadFailed: return "ファイルを読み込めませんでした。";
    case ErrorKind::CreateFailed: return "ファイルを作成できませんでした。";
    case ErrorKind::WriteFailed: return "ファイルに書き込めませんでした。";
    case ErrorKind::DamagedProgram: return "BASICプログラムが壊れています。";
    case ErrorKind::UnsupportedScreenMode: return "このスクリーンモードの画像は表示できません。";
    case ErrorKind::NotRtf: return "RTF形式の文書ではありません。";
    case ErrorKind::DamagedPicture: return "画像を読み込めませんでした。";
    case ErrorKind::LoadInProgress: return "前のファイルをまだ読み込んでいます。";
    case ErrorKind::LoadCancelled: return "読み込みを中止しました。";
    case ErrorKind::NoPrinter: return "プリンタが設定されていません。印刷でPDFファイルへの出力を選んでください。";
    case ErrorKind::PrintFailed: return "プリンタが印刷を受け付けませんでした。";
    case ErrorKind::BadListing: return "BASICリストを中間コードに変換できません。";
    case ErrorKind::NotAContainer: return "ディスクイメージ、カセットイメージ、アーカイブのどれでもありません。";
    case ErrorKind::DamagedContainer: return "ディスクイメージ、カセットイメージまたはアーカイブが壊れています。";
    case ErrorKind::UnknownMember: return "指定されたファイルが中にありません。";
    case ErrorKind::DamagedMember: return "中のファイルが壊れていて読み込めません。";
    case ErrorKind::TooLarge: return "ファイルが大きすぎるため開けません。";
    case ErrorKind::ContainerGiven: return "ほかのファイルを収めたファイルです。中のファイルを指定してください。";
    case ErrorKind::NotAPicture: return "MSXの画像ファイルではありません。";
    case ErrorKind::NotLocalFile: return "このコンピュータのファイルではありません。";
    case ErrorKind::BadFileUri: return "ファイルのURIが正しくありません。";
    case ErrorKind::WorkLimitReached: return "ファイルの数または展開する量が上限を超えたため、途中で止めました。";
    case ErrorKind::PartMissing: return "プログラムの一部が見つかりません。Quilletをインストールし直してください。";
    case ErrorKind::DiskFull: return "ディスクまたはテープの空きが足りません。";
    case ErrorKind::BadName: return "MSXのディスクやテープには付けられない名前です。";
    case ErrorKind::NameTaken: return "同じ名前のファイルまたはフォルダがすでにあります。";
    case ErrorKind::NotWritable: return "このファイルには書き込めません。";
    }
    return "原因不明のエラーです。";
}

std::string failureCause(const QuilletError& error)
{
    std::string text(failureCause(error.kind()));
    if (const auto line = error.lineNumber()) {
        text += "（";
        text += std::to_string(*line);
        text += LineCountSuffix;
        text += "）";
    }
    return text;
}

} // namespace status

} // namespace quillet
