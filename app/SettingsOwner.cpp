// SPDX-License-Identifier: MIT
#include "app/SettingsOwner.h"

#include "app/SettingsStore.h"

#include <algorithm>
#include <utility>
#include <variant>

namespace quillet::app {

bool SettingNames::contains(std::string_view name) const
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

bool SettingNames::containsAny(std::initializer_list<std::string_view> names) const
{
    return std::any_of(names.begin(), names.end(), [this](std::string_view name) { return contains(name); });
}

SettingsOwner::SettingsOwner(std::string storePath, QObject* parent) : QObject(parent), storePath_(std::move(storePath))
{}

void SettingsOwner::readAll()
{
    SettingsStore store(storePath_);
    readAllSettings(store, values_);
    closeStore(store);
}

bool SettingsOwner::closeStore(SettingsStore& store)
{
    if (store.close()) {
        saveFailing_ = false;
        return true;
    }
    if (!std::exchange(saveFailing_, true))
        emit saveFailed(store.failure().value_or(ErrorKind::WriteFailed));
    return false;
}

bool SettingsOwner::update(const Settings& next, std::span<const std::string_view> names)
{
    SettingNames taken;
    for (std::string_view name : names) {
        const SettingEntry* entry = findSetting(name);
        if (!entry)
            continue; // saveSettings reports it
        std::visit([&](auto field) { values_.*field = next.*field; }, entry->field);
        // The table's own text, so that a listener may keep the name.
        taken.list.push_back(entry->name);
    }
    SettingsStore store(storePath_);
    const bool written = writeSettings(store, values_, names);
    const bool stored = closeStore(store) && written;
    if (!taken.list.empty())
        emit changed(taken);
    return stored;
}

bool SettingsOwner::update(const Settings& next, std::initializer_list<std::string_view> names)
{
    return update(next, std::span(names.begin(), names.size()));
}

} // namespace quillet::app
