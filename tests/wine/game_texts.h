// Every text the car game draws, one line each at the size it is drawn, for
// the differential test of text (canvas_texts.cpp draws them on the software
// canvas, gdi_vs_canvas.cpp with GDI). Both programs draw case i on a white
// surface of kTextSurfaceWidth by text_surface_height(em) pixels, in black,
// with the upper-left corner of its cell at (kTextLeft, kTextTop).
#pragma once

struct GameText {
  const char* text;
  int em;  // the point size the game asks for: the em height in pixels
};

constexpr GameText kGameTexts[] = {
    {"SPEED LIMIT 100", 12},
    {"Click a button to control the car.", 12},
    {"CURRENT SPEED: 0mph", 12},
    {"CURRENT SPEED: 50mph", 12},
    {"CURRENT SPEED: 110mph", 12},
    {"Go", 12},
    {"Stop", 12},
    {"Faster", 12},
    {"Slower", 12},
    {"Reverse", 12},
    {"New Color", 12},
    {"COP: Do you know how fast you were going?", 30},
    {"It's going to be a $75 ticket.", 30},
    {"You can make that a check payable to:", 30},
    {"ZIVRO Traffic Court", 25},
    {"1 Example Street", 25},
    {"Springfield, EX 00000", 25},
    {"Your speeding ticket's going to be --", 30},
    {"    Hey, is that reefer I smell?...", 30},
    {"Sorry but I'm going to have to confiscate that.", 30},
    {"Thank you, have a nice day.", 30},
    // Not the game's: the bytes 0x80..0x9F and some of 0xA0..0xFF.
    {"\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F", 25},
    {"\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F", 25},
    {"\xA0\xA9\xB0\xBD\xC4\xC9\xD6\xDF\xE0\xE9\xF1\xF6\xFC\xFF", 25},
    {"\xC0\xC9\xD6 gjy| \x80\x99\x8A", 12},
};

constexpr int kTextSurfaceWidth = 640;
constexpr int kTextLeft = 8;
constexpr int kTextTop = 4;
constexpr int text_surface_height(int em) {
  return 2 * em + 8;
}
