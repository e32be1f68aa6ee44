// SPDX-License-Identifier: MIT
#pragma once
// A main window started in a scratch home, with the starts of further
// instances recorded instead of carried out.

#include "UiTestSupport.h"
#include "app/SettingsStore.h"
#include "common/QuilletUnitGrobal.h"
#include "ui/QuilletUnit.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace quillet::test {

namespace fs = std::filesystem;

inline const std::string Program = hexBytes(R"(
    FF
    01 80  0A 00  91 20 22 41 22 00     # 10 PRINT "A"
    01 80  14 00  91 20 22 41 42 22 00  # 20 PRINT "AB"
    01 80  1E 00  81 00                 # 30 END
    00 00
)");
inline const std::string ProgramListing = "10 PRINT \"A\"\r\n20 PRINT \"AB\"\r\n30 END\r\n";

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { ensureApplication(); }

    void start(const QStringList& args = {})
    {
        window = std::make_unique<TForm1>();
        window->startInstance = [this](const QString& path) { started.push_back({path, window->windowTitle()}); };
        window->FormCreate(args);
    }

    QString file(const std::string& name, std::string_view bytes)
    {
        writeFile(home.path() / name, bytes);
        return QString::fromStdString((home.path() / name).string());
    }

    QTabWidget* pages() const { return window->findChild<QTabWidget*>("PageControl1"); }
    bool enabled(const char* name) const { return window->action(name)->isEnabled(); }
    std::string stored(std::string_view name) const
    {
        app::SettingsStore store(home.storeFile().string());
        return store.readString(app::SettingsSection, name, "<none>");
    }
    std::vector<fs::path> tempFiles() const
    {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(home.tmp()))
            files.push_back(entry.path());
        return files;
    }
    // Answers the save dialog with `path`.
    void saveAs(const fs::path& path)
    {
        whenModalShown([path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            auto* name = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
            if (!name) {
                ADD_FAILURE() << "no file dialog";
                modal->close();
                return;
            }
            // Typed as a user would: the dialog adds the default extension.
            dialog->setDirectory(QString::fromStdString(path.parent_path().string()));
            name->setText(QString::fromStdString(path.filename().string()));
            static_cast<QDialog*>(dialog)->accept();
        });
    }

    IsolatedHome home;
    std::unique_ptr<TForm1> window;
    struct Start {
        QString path;
        QString titleThen;
    };
    std::vector<Start> started;
};

} // namespace quillet::test
