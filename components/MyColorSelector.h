// TMyColorSelector: a small button-like control showing a colour swatch and a drop-down arrow; a click
// drops down the shared palette pop-up TMyColorSelectorFrm below it, which also offers the platform's
// colour dialog ("Другой...") for any other colour.
#pragma once

#include "components/ColorSelector.h"
#include "components/MyButton.h"
#include "components/MyRectangle.h"
#include "gui/Panel.h"
#include "gui/PopupForm.h"

#include <QColorDialog>

class TMyColorSelectorFrm : public gui::PopupForm {
    Q_OBJECT
public:
    explicit TMyColorSelectorFrm(QWidget* owner = nullptr);

    TMyRectangle* MyRectangle;
    TMyButton* MyButton1;
    gui::TPanel* Panel1;
    TColorSelector* ColorPallete;
    QColorDialog* ColorDialog;

    void MyButton1Click(QObject* sender);

protected:
    void FormDeactivate() override;

private:
    // The colour dialog takes the activation while it is open; that is no dismissal.
    bool in_color_dialog_ = false;
};

// The one drop-down form all selectors share, created by the first drop-down.
extern TMyColorSelectorFrm* MyColorSelectorFrm;

class TMyColorSelector : public gui::TPaintBox {
    Q_OBJECT
public:
    explicit TMyColorSelector(QWidget* owner = nullptr);
    // Destroys the shared drop-down, whoever opened it; the next drop-down makes a new one.
    ~TMyColorSelector() override;

    TColor ColorValue() const { return color_value_; }
    void SetColorValue(TColor value) { store(color_value_, value); }
    bool Flat() const { return flat_; }
    void SetFlat(bool value) { store(flat_, value); }

    std::function<void(QObject* sender)> OnChange;
    std::function<void(QObject* sender)> OnClick;

    // Opens the shared palette below the control, bound to this control.
    void DropDown();
    // The palette's choice: closes the drop-down, takes the colour, reports it (even if unchanged).
    void ColorChanged(QObject* sender, TColor color);
    bool is_held() const { return held_; }

protected:
    void Paint(TCanvas& canvas) override;
    virtual void Click();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    TColor color_value_ = 0;
    bool flat_ = false;
    bool held_ = false;
    bool second_press_ = false; // the left button is down for the second time of a double click
};
