#include "gui/Controlworks.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct PickCase {
    QStringList installed;
    QString expected;
};

TEST(Controlworks, PicksFirstPreferredInstalledFont) {
    const PickCase cases[] = {
        {{"DejaVu Sans", "Tahoma", "Arial"}, "tahoma"},
        {{"Arial", "Tahoma"}, "tahoma"}, // the preference order wins over the installed order
        {{"Liberation Sans", "ARIAL"}, "arial"},
        {{"Tahoma Bold", "Arial Narrow", "DejaVu Sans"}, ""},
        {{}, ""},
    };
    for (const PickCase& c : cases)
        EXPECT_EQ(pick_window_font(c.installed), c.expected) << c.installed.join(",").toStdString();
}

TEST(Controlworks, ChoosesTheWindowFontOncePerRun) {
    int probes = 0;
    QStringList installed{"Arial"};
    set_installed_fonts_source([&] {
        ++probes;
        return installed;
    });
    QWidget first;
    QFont designed("Liberation Sans", 12);
    designed.setBold(true);
    first.setFont(designed);
    auto* plain = new QLabel("x", &first);
    apply_form_style(&first);
    EXPECT_EQ(first.font().family(), "arial");
    EXPECT_EQ(first.font().pointSize(), 12); // size and style stay as designed
    EXPECT_TRUE(first.font().bold());
    EXPECT_EQ(plain->font().family(), "arial"); // children without a font of their own follow the window

    installed = {"Tahoma", "Arial"};
    QWidget second;
    apply_form_style(&second);
    EXPECT_EQ(second.font().family(), "arial");
    EXPECT_EQ(chosen_font_name(), "arial");
    EXPECT_EQ(probes, 1);
}

TEST(Controlworks, KeepsDesignedWindowFontWhenNoPreferredFontIsInstalled) {
    set_installed_fonts_source([] { return QStringList{"DejaVu Sans", "Liberation Mono"}; });
    QWidget form;
    QFont designed("Liberation Serif", 11);
    designed.setItalic(true);
    form.setFont(designed);
    auto* memo = new QPlainTextEdit(&form);

    apply_form_style(&form);
    EXPECT_TRUE(chosen_font_name().isEmpty());
    EXPECT_EQ(form.font().family(), "Liberation Serif");
    EXPECT_EQ(form.font().pointSize(), 11);
    EXPECT_EQ(memo->font().family(), "Lucida Console");
}

TEST(Controlworks, TextEntryControlsWithTagZeroGetTheMonospacedFont) {
    set_installed_fonts_source([] { return QStringList{}; });
    QWidget form;
    form.setFont(QFont("Liberation Serif", 14));
    auto* group = new QGroupBox(&form);
    auto* inner = new QFrame(group);
    auto* edit = new QLineEdit(inner);
    auto* combo = new QComboBox(group);
    combo->setEditable(true);
    auto* log = new QPlainTextEdit(&form);
    auto* kept = new QPlainTextEdit(&form);
    set_control_tag(kept, 1);

    apply_form_style(&form);
    for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(combo), static_cast<QWidget*>(log)}) {
        EXPECT_EQ(w->font().family(), "Lucida Console") << w->metaObject()->className();
        EXPECT_EQ(w->font().pointSize(), 9) << w->metaObject()->className();
        EXPECT_TRUE(QFontInfo(w->font()).fixedPitch()) << "substitute is not monospaced";
    }
    EXPECT_EQ(kept->font().family(), "Liberation Serif");
    EXPECT_EQ(kept->font().pointSize(), 14);
}

struct LabelCase {
    int tag;
    QColor colour; // invalid: the inherited text colour
    bool bold;
};

TEST(Controlworks, LabelsFollowTheirTagAtAnyDepth) {
    set_installed_fonts_source([] { return QStringList{}; });
    const LabelCase cases[] = {
        {0, QColor(), false},          {1, QColor(0, 128, 0), false}, {2, QColor(255, 0, 0), false},
        {3, QColor(0, 0, 128), false}, {4, QColor(), true},           {5, QColor(0, 128, 0), true},
        {6, QColor(), false},
    };
    QWidget form;
    const QColor inherited = form.palette().color(QPalette::WindowText);
    auto* panel = new QFrame(&form);
    auto* nested = new QFrame(panel);
    std::vector<QLabel*> labels;
    for (const LabelCase& c : cases) {
        auto* label = new QLabel("Глубина", nested);
        set_control_tag(label, c.tag);
        labels.push_back(label);
    }
    apply_form_style(&form);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const LabelCase& c = cases[i];
        const QColor expected = c.colour.isValid() ? c.colour : inherited;
        EXPECT_EQ(labels[i]->palette().color(QPalette::Active, QPalette::WindowText), expected) << "tag " << c.tag;
        EXPECT_EQ(labels[i]->font().bold(), c.bold) << "tag " << c.tag;
    }
}

// The coloured label really paints in its colour: a rendered tag-5 label inside a panel shows pure green text.
TEST(Controlworks, NestedGreenLabelRendersGreen) {
    set_installed_fonts_source([] { return QStringList{}; });
    QWidget form;
    form.resize(300, 120);
    auto* panel = new QFrame(&form);
    panel->setGeometry(0, 0, 300, 120);
    auto* label = new QLabel("ЖЖЖЖ", panel);
    label->setFont(QFont("DejaVu Sans", 40));
    label->setGeometry(0, 0, 300, 120);
    set_control_tag(label, 5);
    apply_form_style(&form);

    QImage image(form.size(), QImage::Format_ARGB32);
    form.render(&image);
    int green = 0, other_ink = 0;
    const QRgb background = form.palette().color(QPalette::Window).rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) | 0xFF000000u;
            if (p == qRgb(0, 128, 0))
                ++green;
            else if (p != background && qGreen(p) < qRed(p))
                ++other_ink; // ink tinted away from green would show a wrong colour
        }
    EXPECT_GT(green, 200);
    EXPECT_EQ(other_ink, 0);
    EXPECT_TRUE(label->font().bold());
}

} // namespace
