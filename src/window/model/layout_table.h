#pragma once

#include "core/targets.h"

#include <array>

namespace purgix::window {

// The caption of the window and of every message box.
inline constexpr char kApplicationTitle[] = "Purgix";

// Every length of the window is given in twips: 1,440 to the inch, 15 to a pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 7185;
inline constexpr int kClientHeightTwips = 5550;

enum class Control { Label2, TxtFile, Browse, CmdPurgix, Command1, Label1, TxtTarget, Paste };
enum class ControlKind { Label, TextBox, Button };

struct TwipRect
{
    int left;
    int top;
    int width;
    int height;
};

// One control of the window. Elements of a control array share `name` and differ in `index`.
struct LayoutRow
{
    Control control;
    const char* name;
    int index; // kNoIndex for a control that is not part of an array
    ControlKind kind;
    const char* text; // caption or initial text
    TwipRect place;
    int tabIndex;
};

inline constexpr int kNoIndex = -1;
inline constexpr int kLayoutRowCount = 6 + 2 * kTargetCount;

// The window's controls, their captions, places and tab indexes.
const std::array<LayoutRow, kLayoutRowCount>& layoutTable();

constexpr int twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

} // namespace purgix::window
