// SPDX-License-Identifier: MIT
#pragma once
// Where the main window goes: the geometry stored at the last close brought
// onto the screens there are now, and the room the file list takes when it
// opens beside the pages. Pure rectangle arithmetic, so that any screen
// layout can be tried without one.

#include <QList>
#include <QMargins>
#include <QRect>

#include <optional>
#include <string>
#include <string_view>

namespace quillet::ui {

// A client rectangle as the settings store it: "x,y,width,height".
std::string geometryText(const QRect& client);

// The client rectangle to restore from the stored text; nullopt when none
// is usable (nothing stored yet, or not four whole numbers with a positive
// size), so that the window keeps its first size. The rectangle goes onto
// the screen it overlaps most, the first of `screens` (their available
// areas, the primary first) when it overlaps none; with its `frame` around
// it, it lies inside that area, made smaller where it is larger.
std::optional<QRect> restoredGeometry(std::string_view stored, const QMargins& frame, const QList<QRect>& screens);

// A window's frame widened by `extra` pixels for a panel at its side: it
// grows to the right as far as `available` allows, then to the left, and
// ends inside the area (a window wider than the area keeps its width and
// starts at the area's left edge); what does not fit is taken from the
// window's content.
QRect widenedWithin(const QRect& frame, int extra, const QRect& available);

} // namespace quillet::ui
