// SPDX-License-Identifier: MIT
#pragma once
// The roles of a listing as the view shows it, and the colours the
// settings give them. The view draws one character for a graphic pair and
// one for a double-byte character, so the roles are kept per character
// shown, not per byte of the listing.

#include "common/QuilletUnitGrobal.h"
#include "decoder/Roles.h"
#include "render/RoleColours.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet::app {

struct ShownRoles {
    std::vector<Role> roles;                // per character shown, the lines one after another
    std::vector<std::uint32_t> lineLengths; // characters per line
    // Each numbered line's number and index, in the listing's order.
    std::vector<std::pair<int, std::ptrdiff_t>> numbers;

    bool empty() const { return lineLengths.empty(); }
};

// Gathers the roles line by line as the listing is written, for the
// character mode the view will read the listing in.
class ShownRolesBuilder {
public:
    explicit ShownRolesBuilder(bool ankMode) : ankMode_(ankMode) {}

    // `text` as the ASCII listing has the line, without its line end.
    void addLine(std::string_view text, std::span<const RoleSpan> spans, std::optional<std::uint16_t> number);
    ShownRoles take() { return std::move(shown_); }
    // Room for about this many characters, taken from memory only as filled.
    void reserve(std::size_t characters) { shown_.roles.reserve(characters); }

private:
    bool ankMode_;
    ShownRoles shown_;
    std::vector<Role> byteRoles_; // of the line being added
};

// The colours the settings choose: the scheme's on the listing's colours,
// then each colour the user set in "Role Colors".
RoleColourSet roleColoursSetting(const Settings& settings);
// "Role Colors" for `chosen`: "-" where a colour is the scheme's own.
std::string roleColorsText(const RoleColourSet& chosen, const RoleColourSet& scheme);
RoleScheme roleSchemeSetting(const Settings& settings);
// A colour of the settings (0x00BBGGRR) as 0xRRGGBB.
std::uint32_t rgbOfSetting(std::uint32_t bgr);

} // namespace quillet::app
