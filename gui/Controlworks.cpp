#include "gui/Controlworks.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVariant>
#include <QWidget>
#include <array>
#include <utility>

namespace {

const char* const tag_property = "Tag";

// Stored in lower case and applied as stored.
const std::array<const char*, 2> preferred_window_fonts = {"tahoma", "arial"};

const char* const text_entry_family = "Lucida Console";
const int text_entry_point_size = 9;

struct LabelStyle {
    int tag;
    QColor colour; // invalid: colour unchanged
    bool bold;
};

const std::array<LabelStyle, 5> label_styles = {{
    {1, QColor(0x00, 0x80, 0x00), false},
    {2, QColor(0xFF, 0x00, 0x00), false},
    {3, QColor(0x00, 0x00, 0x80), false},
    {4, QColor(), true},
    {5, QColor(0x00, 0x80, 0x00), true},
}};

struct FontChoice {
    std::function<QStringList()> installed = [] { return QFontDatabase::families(); };
    bool pending = true;
    QString chosen;
};

FontChoice& font_choice() {
    static FontChoice choice;
    return choice;
}

// A fixed-pitch family installed here: the one fontconfig gives for "monospace" when Qt agrees it is fixed,
// else the first fixed-pitch family.
QString fixed_pitch_family() {
    static const QString family = [] {
        QFont generic(QStringLiteral("monospace"));
        generic.setStyleHint(QFont::TypeWriter);
        const QString resolved = QFontInfo(generic).family();
        if (QFontDatabase::isFixedPitch(resolved))
            return resolved;
        for (const QString& f : QFontDatabase::families())
            if (QFontDatabase::isFixedPitch(f))
                return f;
        return resolved;
    }();
    return family;
}

bool is_text_entry(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

void style_text_entry(QWidget* control) {
    QFont f = control->font();
    // Linux rarely has the requested face, and fontconfig would substitute a proportional one for it:
    // the system's fixed-pitch family comes next so the substitute stays monospaced.
    f.setFamilies({QString::fromLatin1(text_entry_family), fixed_pitch_family()});
    f.setStyleHint(QFont::TypeWriter);
    f.setPointSize(text_entry_point_size);
    control->setFont(f);
}

void style_label(QLabel* label) {
    const int tag = control_tag(label);
    for (const LabelStyle& style : label_styles) {
        if (style.tag != tag)
            continue;
        if (style.colour.isValid()) {
            // A disabled label keeps the greyed text of the platform.
            QPalette p = label->palette();
            p.setColor(QPalette::Active, QPalette::WindowText, style.colour);
            p.setColor(QPalette::Inactive, QPalette::WindowText, style.colour);
            label->setPalette(p);
        }
        if (style.bold) {
            QFont f = label->font();
            f.setBold(true);
            label->setFont(f);
        }
        return;
    }
}

} // namespace

int control_tag(const QObject* control) {
    return control->property(tag_property).toInt();
}

void set_control_tag(QObject* control, int tag) {
    control->setProperty(tag_property, tag);
}

QString pick_window_font(const QStringList& installed_families) {
    for (const char* preferred : preferred_window_fonts) {
        const QString name = QString::fromLatin1(preferred);
        for (const QString& family : installed_families)
            if (family.toLower() == name)
                return name;
    }
    return {};
}

void apply_form_style(QWidget* form) {
    FontChoice& choice = font_choice();
    if (choice.pending) {
        choice.chosen = pick_window_font(choice.installed());
        choice.pending = false;
    }
    // Qt fonts are Unicode, so there is no character set to select: Cyrillic text renders in any face
    // that has the glyphs, and fontconfig substitutes one that does.
    if (!choice.chosen.isEmpty()) {
        QFont f = form->font();
        f.setFamily(choice.chosen);
        form->setFont(f);
    }
    apply_controls_style(form);
}

void apply_controls_style(QWidget* container) {
    const QList<QWidget*> children = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        // Text-entry controls are styled as a whole; their inner editors and scroll bars are no controls
        // of the form.
        if (is_text_entry(child)) {
            if (control_tag(child) == 0)
                style_text_entry(child);
            continue;
        }
        apply_controls_style(child);
        if (auto* label = qobject_cast<QLabel*>(child))
            style_label(label);
    }
}

QString chosen_font_name() {
    return font_choice().chosen;
}

void set_installed_fonts_source(std::function<QStringList()> source) {
    FontChoice& choice = font_choice();
    choice.installed = std::move(source);
    choice.pending = true;
    choice.chosen.clear();
}
