#pragma once
// The look every styled window of the program shares: a proportional window font chosen once per run,
// monospaced text-entry controls, and label colours and weight picked by each label's tag.
#include <QString>
#include <QStringList>
#include <functional>

class QObject;
class QWidget;

// The designer's integer tag of a control (0 when never set), kept as the dynamic property "Tag".
int control_tag(const QObject* control);
void set_control_tag(QObject* control, int tag);

// The first of the preferred window fonts found among the installed families (compared case-insensitively,
// returned as the preference spells it), or an empty text.
QString pick_window_font(const QStringList& installed_families);

// Styles a window and every control in it; the window font is chosen on the first call of a run.
void apply_form_style(QWidget* form);
// Styles the controls inside a container at any depth (depth-first).
void apply_controls_style(QWidget* container);

// The window font chosen in this run; empty before the first styled window or when none was installed.
QString chosen_font_name();
// Replaces where the installed font families come from and makes the next styled window choose anew.
void set_installed_fonts_source(std::function<QStringList()> source);
