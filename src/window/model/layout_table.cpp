#include "window/model/layout_table.h"

#include <algorithm>

namespace purgix::window {

namespace {

constexpr int kRowPitch = 360;
constexpr int kFirstRowTop = 1080;

constexpr std::array<LayoutRow, kLayoutRowCount> buildTable()
{
    using enum Control;
    using enum ControlKind;
    std::array<LayoutRow, kLayoutRowCount> rows{{
        {Label2, "Label2", kNoIndex, Label, "File:", {0, 240, 735, 255}, 15},
        {TxtFile, "txtFile", kNoIndex, TextBox, "C:\\Temp\\Subs.txt", {840, 240, 4815, 285}, 0},
        {Browse, "Browse", kNoIndex, Button, "&Browse", {5880, 120, 1215, 375}, 12},
        {CmdPurgix, "cmdPurgix", kNoIndex, Button, "&Purgix", {5880, 600, 1215, 375}, 13},
        {Command1, "Command1", kNoIndex, Button, "Clear all targets", {2400, 600, 1335, 375}, 25},
        {Label1, "Label1", 1, Label, "Target strings:", {0, 1080, 1005, 195}, 1},
    }};
    for (int i = 0; i < kTargetCount; ++i) {
        const int top = kFirstRowTop + kRowPitch * i;
        rows[6 + i] = {TxtTarget, "txtTarget",           i,
                       TextBox,   kStartUpTarget.data(), {1080, top, 4575, 285},
                       2 + i};
        // The first paste button's tab index sits before Label2's 15; the others follow it.
        rows[6 + kTargetCount + i] = {
            Paste, "paste", i, Button, "P&aste", {5880, top, 1215, 255}, i == 0 ? 14 : 15 + i};
    }
    return rows;
}

constexpr std::array<LayoutRow, kLayoutRowCount> kTable = buildTable();

constexpr bool isWholePixels(const TwipRect& r)
{
    return r.left % kTwipsPerPixel == 0 && r.top % kTwipsPerPixel == 0 &&
           r.width % kTwipsPerPixel == 0 && r.height % kTwipsPerPixel == 0;
}

static_assert(std::ranges::all_of(kTable,
                                  [](const LayoutRow& row) { return isWholePixels(row.place); }));
static_assert(kClientWidthTwips % kTwipsPerPixel == 0 && kClientHeightTwips % kTwipsPerPixel == 0);

} // namespace

const std::array<LayoutRow, kLayoutRowCount>& layoutTable()
{
    return kTable;
}

} // namespace purgix::window
