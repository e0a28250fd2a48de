// TMyColorListBox: a list box of named colours, each item drawn as a swatch and the name. The
// colour is kept in the item's text (see ItemWords.h), so the list fills from plain strings and an
// item's colour is read and changed by index. Items are owner-drawn at one fixed height.
#pragma once

#include "gui/Canvas.h"

#include <QListWidget>

using gui::TCanvas;
using gui::TColor;
using gui::TRect;

enum TOwnerDrawState : unsigned { odSelected = 0x1, odFocused = 0x2 };

class TMyColorListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TMyColorListBox(QWidget* owner = nullptr);

    int Count() const { return count(); }
    int ItemHeight() const { return item_height_; }
    void SetItemHeight(int value);

    // Word `index` of an item's text (see ItemWords.h).
    static QString get_word(const QString& text, int index);

    // clNone outside the list or when the second word names no colour; 0 without a second word.
    TColor GetColors(int index) const;
    // The item becomes its name in double quotes, a blank and the colour's name; outside the list,
    // nothing happens.
    void SetColors(int index, TColor color);

    // Draws item `index` into rect on a canvas whose brush and font the list has set to the
    // selection or the plain colours.
    virtual void DrawItem(TCanvas& canvas, int index, const TRect& rect, unsigned state);

private:
    class item_painter;
    int item_height_ = 16;
};
