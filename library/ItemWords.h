// The words of a colour list item's text, and the colour kept in it. Qt-free, so the parsing can
// be fuzzed on its own.
//
// A text is words separated by blanks; a word that begins with a double quote runs to the next
// double quote (or to the end) and may hold blanks; the quotes are not part of it. Word 0 is the
// item's name, word 1 its colour in the colour-name notation ("clRed", "$00000080").
#pragma once

#include "library/Color.h"

#include <string>
#include <string_view>

// Word `index` of text, or an empty text for a negative index or one beyond the last word. The
// last text split and its words are cached for all callers (one item is usually asked for its
// name and then its colour), so this is for one thread only.
std::string get_word(std::string_view text, int index);

// The colour named by word 1: 0 (black) when there is none, clNone when it names no colour.
gui::TColor item_color(std::string_view text);

// The text of an item called `name` with `color`: the name in double quotes, a blank and the
// colour's name. A name holding a double quote cannot be quoted; it is written bare (such a name
// never holds a blank, so it still reads back whole).
std::string item_text(std::string_view name, gui::TColor color);
