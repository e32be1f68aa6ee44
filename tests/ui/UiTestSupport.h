// SPDX-License-Identifier: MIT
#pragma once
// Shared pieces of the widget tests: one QApplication for the program, and
// a per-test home for settings, recent files and temporary files.

#include "app/SettingsTable.h"
#include "common/QuilletUnitGrobal.h"
#include "fonts/BundledFonts.h"
#include "render/RtfListing.h"
#include "support/TestSupport.h"
#include "ui/ListingView.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace quillet::test {

inline void ensureApplication()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "quillet_ui_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the test program ends
    // The pixel fonts as the viewer registers them, from this build.
    quillet::fonts::loadBundledFonts({QStringLiteral(QUILLET_BINARY_DIR "/fonts")});
}

// Points the settings store, the recent-documents list and the system's
// temporary directory into a scratch directory for the test's lifetime.
class IsolatedHome {
public:
    IsolatedHome()
    {
        std::filesystem::create_directories(dir_ / "tmp");
        std::filesystem::create_directories(dir_ / "runtime");
        std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all);
        set("XDG_RUNTIME_DIR", dir_ / "runtime");
        set("XDG_CONFIG_HOME", dir_ / "config");
        set("XDG_DATA_HOME", dir_ / "share");
        set("TMPDIR", dir_ / "tmp");
    }
    ~IsolatedHome()
    {
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR"})
            unsetenv(name);
    }
    const std::filesystem::path& path() const { return dir_.path(); }
    std::filesystem::path tmp() const { return dir_ / "tmp"; }
    std::filesystem::path storeFile() const { return dir_ / "config/Vantre/Quillet.ini"; }

private:
    static void set(const char* name, const std::filesystem::path& value) { setenv(name, value.c_str(), 1); }
    ScratchDir dir_;
};

// The format the main window shows a listing in with these settings.
inline ListingFormat formatOf(const Settings& settings, QColor text, QColor background)
{
    return {text,
            background,
            settings.fontSize,
            settings.fontCharset,
            QString::fromStdString(settings.isAnkMode ? settings.fontNameAnk : settings.fontNameKanji),
            settings.useWordWrap};
}

// A listing shown as a load shows it: its RTF written to `rtfPath`, then
// loaded and formatted. Returns the status text of the line count.
inline QString showListingBytes(ListingView& view, std::string_view listing, const Settings& settings, QColor text,
                                QColor background, const std::filesystem::path& rtfPath)
{
    const RtfListingOptions options = RtfListingOptions::fromSettings(settings);
    MemorySource source(listing);
    FileSink sink(rtfPath.string());
    const std::int64_t lines = writeRtfListing(source, sink, options);
    sink.close();
    view.showListing(QString::fromStdString(rtfPath.string()),
                     {mappedCodeFor0xAD(options), app::characterSetSetting(settings)},
                     formatOf(settings, text, background));
    return lineCountText(lines);
}

// Runs `answer` on the next modal dialog once it is shown.
inline void whenModalShown(std::function<void(QWidget*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start();
}

// Runs `answer` on the next message box once it is shown, passing over
// other modal dialogs shown before it.
inline void whenMessageBoxShown(std::function<void(QMessageBox*)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(box);
        }
    });
    timer->start();
}

} // namespace quillet::test
