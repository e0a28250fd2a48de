// The About box: the program's purpose, the application icon and an exit button. Shown modally
// for one use: create it with the main window as owner, ShowModal(), destroy it.
#pragma once

#include "gui/FormBase.h"

#include <QIcon>
#include <QPixmap>

class QLabel;
class TMyButton;

class TAboutForm : public gui::DialogForm {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* owner);

    // The application's icon, or, when the application has none, the program's own drawn one.
    static QIcon application_icon();

    QLabel* Label1;
    QLabel* Image;
    TMyButton* MyButton1;
};

// The program's own icon drawn at `size` x `size` pixels (the installed icon files are made from it).
QPixmap draw_application_icon(int size);
