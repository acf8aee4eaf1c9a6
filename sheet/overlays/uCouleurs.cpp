#include "uCouleurs.h"

#include <cstddef>

using platform::rgb;

const std::array<TNamedColour, NamedColourCount> NamedColours{{
    {"noir", rgb(0, 0, 0)},
    {"brun", rgb(128, 0, 0)},
    {"vert", rgb(0, 128, 0)},
    {"olive", rgb(128, 128, 0)},
    {"bleu foncé", rgb(0, 0, 128)},
    {"violet", rgb(128, 0, 128)},
    {"bleu-vert", rgb(0, 128, 128)},
    {"gris foncé", rgb(128, 128, 128)},
    {"gris clair", rgb(192, 192, 192)},
    {"rouge", rgb(255, 0, 0)},
    {"vert clair", rgb(0, 255, 0)},
    {"jaune", rgb(255, 255, 0)},
    {"bleu", rgb(0, 0, 255)},
    {"magenta", rgb(255, 0, 255)},
    {"bleu clair", rgb(0, 255, 255)},
    {"blanc", rgb(255, 255, 255)},
}};

platform::TColor NamedColourAt(int index, platform::TColor fallback) {
  if (index < 0 || index >= NamedColourCount) return fallback;
  return NamedColours[std::size_t(index)].Colour;
}
