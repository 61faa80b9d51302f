#include "draw/colour_table.h"

#include <zivro.h>

#include <cstdio>

#include "draw/colour_table_testing.h"

namespace {

constexpr uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) {
  return red | (green << 8) | (blue << 16);
}

constexpr const char* kNames[kColourCount] = {
    "black",     "white",        "red",       "green",     "blue",       "yellow",
    "magenta",   "cyan",         "purple",    "navy blue", "dusty plum", "ice blue",
    "turquoise", "orange",       "brown",     "pink",      "chalk",      "gold",
    "peach",     "forest green", "sea green", "olive",     "50% gray",   "20% gray"};

constexpr uint32_t kValues[kColourCount] = {
    rgb(0, 0, 0),       rgb(255, 255, 255), rgb(255, 0, 0),     rgb(0, 255, 0),
    rgb(0, 0, 255),     rgb(255, 255, 0),   rgb(255, 0, 255),   rgb(0, 255, 255),
    rgb(153, 0, 204),   rgb(0, 51, 153),    rgb(153, 102, 153), rgb(153, 255, 255),
    rgb(153, 255, 204), rgb(255, 102, 0),   rgb(153, 102, 51),  rgb(255, 153, 204),
    rgb(255, 255, 153), rgb(204, 153, 51),  rgb(255, 153, 102), rgb(0, 102, 51),
    rgb(51, 204, 153),  rgb(153, 153, 51),  rgb(128, 128, 128), rgb(204, 204, 204)};

// The colours the program defined, at indices kColourCount and up, in the
// order it defined them; each is defined once however often it is asked for.
struct DefinedColours {
  int count = 0;
  uint32_t values[kMaxColours - kColourCount];
  char names[kMaxColours - kColourCount][sizeof "rgb(255,255,255)"];
};
DefinedColours defined;

int checked_component(int value) {
  const int used = value < 0 ? 0 : value > 255 ? 255 : value;
  if (used != value) ZIVRO_printf("Illegal color component %d; using %d.\n", value, used);
  return used;
}

}  // namespace

bool is_colour(int index) {
  return index >= 0 && index < kColourCount + defined.count;
}

const char* colour_name(int index) {
  return index < kColourCount ? kNames[index] : defined.names[index - kColourCount];
}

uint32_t colour_rgb(int index) {
  return index < kColourCount ? kValues[index] : defined.values[index - kColourCount];
}

void reset_colour_table() {
  defined.count = 0;
}

extern "C" int ZIVRO_rgb(int red, int green, int blue) {
  red = checked_component(red);
  green = checked_component(green);
  blue = checked_component(blue);
  const uint32_t value = rgb(red, green, blue);
  for (int slot = 0; slot < defined.count; ++slot) {
    if (defined.values[slot] == value) return kColourCount + slot;
  }
  if (kColourCount + defined.count == kMaxColours) {
    ZIVRO_printf("Too many colors; using RED.\n");
    return ZIVRO_RED;
  }
  const int slot = defined.count++;
  defined.values[slot] = value;
  std::snprintf(defined.names[slot], sizeof defined.names[slot], "rgb(%d,%d,%d)", red, green, blue);
  return kColourCount + slot;
}

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `typed` spells `name` (lower case, single spaces), ignoring case,
// blanks around it and extra blanks between its words.
bool spells(const char* typed, const char* name) {
  while (is_blank(*typed)) ++typed;
  for (; *name; ++name) {
    if (*name == ' ') {
      if (!is_blank(*typed)) return false;
      while (is_blank(*typed)) ++typed;
    } else if (lower(*typed++) != *name) {
      return false;
    }
  }
  while (is_blank(*typed)) ++typed;
  return *typed == '\0';
}

}  // namespace

extern "C" int ZIVRO_colour_index(const char* name) {
  if (!name) return -1;
  for (int index = 0; index < kColourCount; ++index) {
    if (spells(name, kNames[index])) return index;
  }
  return -1;
}
