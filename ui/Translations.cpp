// SPDX-License-Identifier: MIT
#include "ui/Translations.h"

#include "app/LocalPath.h"
#include "app/SettingsStore.h"
#include "app/SettingsTable.h"
#include "common/Errors.h"
#include "common/QuilletUnitGrobal.h"
#include "document/Picture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace quillet::ui {

namespace {

// The context of the core's texts in the translation file.
constexpr const char* CoreContext = "status";

bool loadInto(QCoreApplication& app, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(name, folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace

std::string interfaceLanguage(const Settings& settings)
{
    return settings.language == EnglishLanguage ? std::string(EnglishLanguage) : std::string(JapaneseLanguage);
}

std::string storedInterfaceLanguage(const std::string& storePath)
{
    const app::SettingsStore store(storePath);
    Settings settings;
    app::readSetting(store, settings, app::setting::Language);
    return interfaceLanguage(settings);
}

bool installTranslations(QCoreApplication& app, std::string_view language)
{
    if (language == EnglishLanguage)
        return loadInto(app, QStringLiteral("quillet_en"), QStringLiteral(":/i18n"));
    // Qt's own dialogs (files, printing, colours, fonts, message boxes).
    return loadInto(app, QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

QString uiText(std::string_view text)
{
    // translate() takes a NUL-terminated key; the texts are string literals,
    // but a copy keeps that from being an assumption.
    const std::string key(text);
    return QCoreApplication::translate(CoreContext, key.c_str());
}

QString causeText(const QuilletError& error)
{
    QString text = uiText(status::failureCause(error.kind()));
    if (const auto line = error.lineNumber())
        text += QCoreApplication::translate(CoreContext, "（%1 行）").arg(*line);
    return text;
}

QString leftOutText(const LeftOutCompanion& leftOut)
{
    std::string_view cause = status::failureCause(leftOut.cause);
    if (leftOut.fault == CompanionFault::NoPalette)
        cause = status::CompanionHoldsNoPalette;
    else if (leftOut.fault == CompanionFault::NotAPage)
        cause = status::CompanionNotAPage;
    const QString name = QFileInfo(app::localToQString(leftOut.name)).fileName();
    return uiText(status::CompanionLeftOut).arg(name) + uiText(cause);
}

} // namespace quillet::ui
