#include "draw/colour_table.h"

#include <zivro.h>

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

}  // namespace

const char* colour_name(int index) {
  return kNames[index];
}

uint32_t colour_rgb(int index) {
  return kValues[index];
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
