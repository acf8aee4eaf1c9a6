#pragma once
// The sheet's own cursors and the numbers they are registered under.
constexpr int crPeinture = -24;  // "CURSPEINTURE": paint bucket
constexpr int crEfface = -23;    // "CURSEFFACE": eraser
constexpr int crTexte = -25;     // "CURSTEXTE": text placing

void LoadCursors();
