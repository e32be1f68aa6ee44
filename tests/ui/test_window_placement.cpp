// SPDX-License-Identifier: MIT
// Where the main window goes on screens that may have changed since it was
// stored, and how far it grows when the file list opens beside the pages.

#include "ui/WindowPlacement.h"

#include <gtest/gtest.h>

#include <optional>

using quillet::ui::geometryText;
using quillet::ui::restoredGeometry;
using quillet::ui::widenedWithin;

namespace {

// A title bar of 30 and borders of 5 around the client area.
const QMargins Frame(5, 30, 5, 5);
// The primary screen less a 30-pixel panel at its top, a second one to its
// left, a little higher up.
const QRect Primary(0, 30, 1920, 1050);
const QRect LeftScreen(-1280, -200, 1280, 1024);

std::string text(const std::optional<QRect>& rect)
{
    return rect ? geometryText(*rect) : std::string("none");
}

} // namespace

TEST(WindowPlacement, StoredGeometryIsBroughtOntoTheScreensThereAreNow)
{
    const struct {
        const char* stored;
        QList<QRect> screens;
        const char* expected;
        const char* why;
    } rows[] = {
        {"", {Primary}, "none", "the first start keeps the window's own size"},
        {"100,200,634", {Primary}, "none", "three numbers"},
        {"100,200,wide,394", {Primary}, "none", "not a number"},
        {"100,200,0,394", {Primary}, "none", "no width"},
        {"100,200,634,394", {}, "100,200,634,394", "no screen known: as stored"},
        {"100,200,634,394", {Primary}, "100,200,634,394", "on the screen: as stored"},
        {" 100, 200 ,634,394", {Primary}, "100,200,634,394", "blanks around the numbers"},
        {"100,40,634,394", {Primary}, "100,60,634,394", "its title bar under the panel"},
        {"1500,900,634,394", {Primary}, "1281,681,634,394", "past the bottom right corner"},
        {"5000,3000,634,394", {Primary, LeftScreen}, "1281,681,634,394", "off every screen: onto the first"},
        {"-5000,100,634,394", {Primary, LeftScreen}, "5,100,634,394", "off to the left of all: the first"},
        {"-900,100,634,394", {Primary, LeftScreen}, "-900,100,634,394", "on the second screen"},
        {"-500,100,634,394", {Primary, LeftScreen}, "-639,100,634,394", "mostly on the second: kept there"},
        {"-200,100,634,394", {Primary, LeftScreen}, "5,100,634,394", "mostly on the first: kept there"},
        {"10,10,4000,3000", {Primary}, "5,60,1910,1015", "larger than the screen: as large as it"},
        {"10,10,4000,300", {Primary}, "5,60,1910,300", "only too wide: the height stays"},
        {"0,0,634,394", {QRect(0, 0, 8, 8)}, "0,0,8,8", "a screen smaller than the frame"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(text(restoredGeometry(row.stored, Frame, row.screens)), row.expected)
            << row.why << ": \"" << row.stored << '"';
    }
}

TEST(WindowPlacement, WindowGrowsForTheListOnlyAsFarAsTheScreenAllows)
{
    const QRect screen(0, 0, 1000, 700);
    const struct {
        QRect frame;
        int extra;
        QRect expected;
        const char* why;
    } rows[] = {
        {{10, 50, 644, 429}, 330, {10, 50, 974, 429}, "room to the right"},
        {{300, 50, 644, 429}, 330, {26, 50, 974, 429}, "moves left to keep its right edge on the screen"},
        {{0, 50, 800, 429}, 330, {0, 50, 1000, 429}, "as wide as the screen, the list takes the rest"},
        {{600, 50, 644, 429}, 0, {356, 50, 644, 429}, "already past the edge: brought back"},
        {{-100, 50, 1200, 429}, 330, {0, 50, 1200, 429}, "wider than the screen: never narrower"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(widenedWithin(row.frame, row.extra, screen), row.expected) << row.why;
}
