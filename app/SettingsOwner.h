// SPDX-License-Identifier: MIT
#pragma once
// The one holder of the Settings record while the program runs. Every change
// goes through it: it takes the values, stores them (one opening of the store
// per change, as SettingsTable writes them) and then tells its listeners the
// stored names, so that whatever shows a value follows it whoever set it.

#include "app/SettingsTable.h"
#include "common/Errors.h"
#include "common/QuilletUnitGrobal.h"

#include <QObject>

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace quillet::app {

// The stored names (setting::...) of the values one change set, in the order
// they were stored.
struct SettingNames {
    std::vector<std::string_view> list;

    bool contains(std::string_view name) const;
    bool containsAny(std::initializer_list<std::string_view> names) const;
    bool operator==(const SettingNames&) const = default;
};

class SettingsOwner : public QObject {
    Q_OBJECT
public:
    // The built-in values until readAll(); the store is the one at `storePath`.
    explicit SettingsOwner(std::string storePath, QObject* parent = nullptr);

    const Settings& values() const noexcept { return values_; }

    // Program start, on one opening of the store: writes "version" and reads
    // every value. Tells no listener: each reader takes the values as it is
    // set up.
    void readAll();

    // Sets one value and stores it, even when it is the value held: another
    // instance may have stored another since.
    template <typename T> bool set(T Settings::*field, std::type_identity_t<T> value)
    {
        const SettingEntry* entry = findSetting(SettingField(field));
        if (!entry)
            return false;
        Settings next = values_;
        next.*field = std::move(value);
        return update(next, {entry->name});
    }

    // Takes the named values of `next` (the others stay as they are) and
    // stores them together, in the order given. True when they are in the
    // store; the values are taken and told either way, and hold for the run.
    bool update(const Settings& next, std::span<const std::string_view> names);
    bool update(const Settings& next, std::initializer_list<std::string_view> names);

    const std::string& storePath() const noexcept { return storePath_; }

signals:
    // After each change, once, with the names it stored.
    void changed(const quillet::app::SettingNames& names);
    // The store could not be written, and why (SettingsStore::failure). Told
    // once for a run of failed writes: again only after one succeeded.
    void saveFailed(quillet::ErrorKind cause);

private:
    // Closes `store`, telling a failure as saveFailed says. Whether it saved.
    bool closeStore(SettingsStore& store);

    std::string storePath_;
    Settings values_;
    bool saveFailing_ = false; // the last write failed, and that was told
};

} // namespace quillet::app
