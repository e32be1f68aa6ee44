// SPDX-License-Identifier: MIT
#pragma once
// The interface language. Japanese is the program's own: its texts are
// written in the source, and Qt's own dialogs use Qt's Japanese
// translation. English comes from translations/quillet_en.ts. The choice
// is read once at start, before any window is made.

#include <QString>

#include <string>
#include <string_view>

class QCoreApplication;

namespace quillet {
class QuilletError;
struct LeftOutCompanion;
struct Settings;
} // namespace quillet

namespace quillet::ui {

// Values of the "Language" setting.
inline constexpr std::string_view JapaneseLanguage = "ja";
inline constexpr std::string_view EnglishLanguage = "en";

// What the setting asks for; anything unknown is Japanese.
std::string interfaceLanguage(const Settings& settings);
// The same, read from the settings store at `storePath`.
std::string storedInterfaceLanguage(const std::string& storePath);

// Installs the translators of `language` into the application: Qt's own
// texts and this program's. False when a translation could not be loaded
// (the texts then stay as written).
bool installTranslations(QCoreApplication& app, std::string_view language);

// A fixed text of the core (status texts, failure causes) in the
// interface language.
QString uiText(std::string_view text);

// Why a failure happened, in the interface language; a damaged program
// names its line.
QString causeText(const QuilletError& error);

// That a picture is shown without the file beside it, and why: to follow
// the status text of the load.
QString leftOutText(const LeftOutCompanion& leftOut);

} // namespace quillet::ui
