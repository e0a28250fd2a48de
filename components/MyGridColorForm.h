// TMyGridColorForm: the property grid's colour pop-up, a borderless form around a palette that opens at
// a screen point, unrolls, and is waited on until the user picks a colour or dismisses it.
#pragma once

#include "gui/PopupForm.h"

#include "components/ColorSelector.h"
#include "components/MyButton.h"
#include "components/SuperPanel.h"

#include <QLabel>

class TMyGridColorForm : public gui::PopupForm {
    Q_OBJECT
public:
    explicit TMyGridColorForm(QWidget* owner = nullptr);

    TSuperPanel* SuperPanel;
    QLabel* Label1;
    TColorSelector* ColorSelector;
    TMyButton* MyButton2;

    // Set by a colour click; the pop-up then closes with that colour.
    bool color_chosen = false;

    void MyButton2Click(QObject* sender);
    void ColorSelectorChangeColor(QObject* sender, TColor color);
    // Shows the form from height 0 to its full height in ten steps; false when it was destroyed meanwhile.
    bool roll_down();

protected:
    void FormDeactivate() override;
};

// The grid's pop-up while it is open (its opener creates, stores, and destroys it).
extern TMyGridColorForm* MyGridColorForm;

// Opens the pop-up with its top-left corner at the screen point (left, top), kept on the screen, and
// waits until it closes: true with the chosen colour in `color`, false (colour unchanged) if dismissed.
bool choose_color(TMyGridColorForm* form, TColor& color, int left, int top);
