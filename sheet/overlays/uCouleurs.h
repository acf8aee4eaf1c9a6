#pragma once
// The 16 named colours offered by the grid, frame and random-point dialogs. The position in
// the table is the index those dialogs select and their records store.
#include <array>

#include "platform/Colour.h"

struct TNamedColour {
  const char* Name;  // French, UTF-8
  platform::TColor Colour;
};

inline constexpr int NamedColourCount = 16;
extern const std::array<TNamedColour, NamedColourCount> NamedColours;

// The colour of entry `index`; `fallback` when no entry has that index (-1: nothing selected).
platform::TColor NamedColourAt(int index, platform::TColor fallback);
