// SPDX-License-Identifier: MIT
// The owner of the settings: each change is one write of the store and one
// notice to every listener.

#include "app/SettingsOwner.h"
#include "app/SettingsStore.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <sys/inotify.h>
#include <unistd.h>

namespace quillet::app {
void PrintTo(const SettingNames& names, std::ostream* out)
{
    for (std::string_view name : names.list)
        *out << '"' << name << "\" ";
}
} // namespace quillet::app

using namespace quillet::app;
using quillet::Settings;
using quillet::test::ScratchDir;

namespace {

// Counts the times a file named `name` is renamed into `dir`: the store
// puts every write that changes it in place so. The moves out of the
// temporaries are watched too, since the kernel folds a move into the same
// name into the one before it when nothing lies between them.
class Renames {
public:
    Renames(const std::filesystem::path& dir, std::string name)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(std::move(name))
    {
        EXPECT_GE(::inotify_add_watch(fd_, dir.c_str(), IN_MOVED_FROM | IN_MOVED_TO), 0);
    }
    ~Renames() { ::close(fd_); }
    Renames(const Renames&) = delete;
    Renames& operator=(const Renames&) = delete;

    // The renames since the last call.
    int take()
    {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) {
            for (const char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if ((event->mask & IN_MOVED_TO) && event->len > 0 && name_ == event->name)
                    ++count;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    int fd_;
    std::string name_;
};

} // namespace

TEST(SettingsOwner, EachChangeIsOneStoreWriteAndOneNoticeToEveryListener)
{
    ScratchDir dir;
    const std::string path = (dir / "Quillet.ini").string();
    SettingsOwner owner(path);
    std::vector<SettingNames> first, second;
    QObject::connect(&owner, &SettingsOwner::changed, [&](const SettingNames& names) { first.push_back(names); });
    QObject::connect(&owner, &SettingsOwner::changed, [&](const SettingNames& names) { second.push_back(names); });
    Renames renames(dir.path(), "Quillet.ini");
    auto stored = [&](std::string_view name) {
        return SettingsStore(path).readString(SettingsSection, name, "<none>");
    };

    Settings next = owner.values();
    next.fontSize = 20;
    next.isAnkMode = false;
    next.language = "en"; // not named below, so not taken
    const struct {
        const char* what;
        std::function<void()> change;
        std::vector<std::string_view> told;
        std::vector<std::pair<std::string_view, std::string>> inStore;
    } cases[] = {
        {"one value",
         [&] { owner.set(&Settings::screenMode, 7); },
         {setting::ScreenMode},
         {{setting::ScreenMode, "7"}}},
        {"the value held, over another instance's",
         [&] {
             SettingsStore(path).writeInteger(SettingsSection, setting::ScreenMode, 9);
             renames.take();
             owner.set(&Settings::screenMode, 7);
         },
         {setting::ScreenMode},
         {{setting::ScreenMode, "7"}}},
        {"a group, in its order",
         [&] {
             owner.update(next, {setting::IsAnkMode, setting::FontSize});
         },
         {setting::IsAnkMode, setting::FontSize},
         {{setting::IsAnkMode, "0"}, {setting::FontSize, "20"}, {setting::Language, "<none>"}}},
    };
    for (const auto& c : cases) {
        first.clear();
        second.clear();
        c.change();
        EXPECT_EQ(renames.take(), 1) << c.what;
        const std::vector<SettingNames> once = {{c.told}};
        EXPECT_EQ(first, once) << c.what;
        EXPECT_EQ(second, once) << c.what;
        for (const auto& [name, value] : c.inStore)
            EXPECT_EQ(stored(name), value) << c.what << ": " << name;
    }
    EXPECT_EQ(owner.values().fontSize, 20);
    EXPECT_EQ(owner.values().language, Settings().language) << "a value not named is not taken";
}

// A store that cannot be written is told once for a run of failed writes,
// and again only after a write that worked; the values set hold either way.
TEST(SettingsOwner, AFailedSaveIsToldOnceAndTheValuesHold)
{
    ScratchDir dir;
    const std::filesystem::path path = dir / "Quillet.ini";
    SettingsOwner owner(path.string());
    std::vector<quillet::ErrorKind> told;
    std::vector<SettingNames> changed;
    QObject::connect(&owner, &SettingsOwner::saveFailed, [&](quillet::ErrorKind cause) { told.push_back(cause); });
    QObject::connect(&owner, &SettingsOwner::changed, [&](const SettingNames& names) { changed.push_back(names); });

    std::filesystem::create_directory(path); // a folder in its place
    owner.readAll();
    EXPECT_FALSE(owner.set(&Settings::screenMode, 7));
    EXPECT_FALSE(owner.set(&Settings::fontSize, 20));
    EXPECT_EQ(told, std::vector{quillet::ErrorKind::NotRegularFile}) << "once for the run";
    EXPECT_EQ(changed.size(), 2u);
    EXPECT_EQ(owner.values().screenMode, 7);
    EXPECT_EQ(owner.values().fontSize, 20);

    std::filesystem::remove(path);
    EXPECT_TRUE(owner.set(&Settings::screenMode, 8));
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_FALSE(owner.set(&Settings::screenMode, 9));
    EXPECT_EQ(told, (std::vector{quillet::ErrorKind::NotRegularFile, quillet::ErrorKind::NotRegularFile}))
        << "again after a save that worked";
}
