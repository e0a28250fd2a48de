// The component gallery: every control of the component set in one window, a few instances each
// (the default look, the interesting settings, disabled), so a maintainer can see and try them.
//
// On standard output it reports where its controls are and what the colour pickers chose, one line
// each, so a whole-program test can drive it with real clicks:
//   control NAME X Y W H      (screen coordinates, once the window is shown)
//   screen N X Y W H          (each screen the gallery sees, once at start)
//   popup NAME X Y W H        (the palette of a pop-up that has just opened)
//   popup_form NAME X Y W H   (that pop-up's own place and full size)
//   unrolled NAME             (a pop-up reached its full height)
//   chosen NAME $00BBGGRR     (a colour picked; "dismissed NAME" when the grid pop-up was closed)
#include "components/ColorSelector.h"
#include "components/Indicator.h"
#include "components/MyButton.h"
#include "components/MyColorListBox.h"
#include "components/MyColorSelector.h"
#include "components/MyGrid.h"
#include "components/MyGridColorForm.h"
#include "components/MyGroupBox.h"
#include "components/MyRectangle.h"
#include "components/QVVirtualGrid.h"
#include "components/SuperLabel.h"
#include "components/SuperPanel.h"
#include "gui/FormBase.h"
#include "library/ColorNames.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

void report(const char* kind, const QString& name, const QWidget* w) {
    const QPoint p = w->mapToGlobal(QPoint(0, 0));
    std::printf("%s %s %d %d %d %d\n", kind, qPrintable(name), p.x(), p.y(), w->width(), w->height());
    std::fflush(stdout);
}

std::string hex(TColor c) {
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", c);
    return text;
}

QLabel* heading(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->move(x, y);
    return label;
}

// Shown from inside its unroll, a pop-up reports when that unroll (and any later one) is complete.
void watch_unroll(const QString& name, gui::PopupForm* form) {
    if (form->OnUnrollStep)
        return;
    form->OnUnrollStep = [name, form](int height) {
        if (height == form->full_size().height()) {
            std::printf("unrolled %s\n", qPrintable(name));
            std::fflush(stdout);
        }
    };
}

void report_popup(const QString& name, const gui::PopupForm* form, const QWidget* palette) {
    report("popup", name, palette);
    const QSize full = form->full_size();
    std::printf("popup_form %s %d %d %d %d\n", qPrintable(name), form->x(), form->y(), full.width(), full.height());
    std::fflush(stdout);
}

// Reports the palette of a pop-up whenever one opens, for the test that clicks into it.
class PopupWatch : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* grid = qobject_cast<TMyGridColorForm*>(watched)) {
                watch_unroll("grid", grid);
                QTimer::singleShot(0, grid, [grid] { report_popup("grid", grid, grid->ColorSelector); });
            } else if (auto* drop = qobject_cast<TMyColorSelectorFrm*>(watched)) {
                watch_unroll("dropdown", drop);
                QTimer::singleShot(0, drop, [drop] { report_popup("dropdown", drop, drop->ColorPallete); });
            }
        }
        return false;
    }
};

class Gallery : public gui::MainWindowForm {
public:
    Gallery() {
        setWindowTitle(QStringLiteral("Component gallery"));
        auto* page = new QWidget(this);
        setCentralWidget(page);
        page->setAutoFillBackground(true);
        resize(900, 710); // fits a 1024x768 screen with its frame, and twice that at 2x
        build_buttons(page);
        build_panels(page);
        build_labels_and_boxes(page);
        build_colour_pickers(page);
        build_property_grid(page);
        build_readouts(page);
    }

    void report_controls() {
        report("control", "grid_button", grid_button);
        report("control", "selector", selector);
        report("control", "flat_selector", flat_selector);
        report("control", "palette", palette);
        report("control", "color_list", color_list);
        report("control", "virtual_grid", virtual_grid);
        report("control", "property_grid", property_grid);
        // The colour row's value cell, in screen coordinates.
        const gui::TRect cell = property_grid->CellRect(1, 3);
        const QPoint p = property_grid->viewport()->mapToGlobal(QPoint(cell.left, cell.top));
        std::printf("control grid_colour_cell %d %d %d %d\n", p.x(), p.y(), cell.width(), cell.height());
        std::fflush(stdout);
    }

    // Once shown, when the grid knows its visible rows.
    void size_grid_columns() {
        measuring_grid = true;
        virtual_grid->ResizeCols();
        measuring_grid = false;
        virtual_grid->SetColWidths(2, 120);
    }

private:
    void build_buttons(QWidget* page) {
        heading(page, "TMyButton", 10, 8);
        auto add = [&](const QString& caption, int x) {
            auto* b = new TMyButton(page);
            b->move(x, 30);
            b->SetCaption(caption);
            return b;
        };
        add("Обычная", 10);
        add("По умолчанию", 120)->SetDefault(true);
        TMyButton* simple = add("Тень", 230);
        simple->SetType(mbtSimple);
        simple->SetTextShadow(true);
        simple->SetColorHue(0x008000);
        TMyButton* vertical = add("Вертикальный", 340);
        vertical->SetGradientType(mbgtVertical);
        vertical->SetColor(0xE0C090);
        add("Недоступна", 450)->setEnabled(false);
        TMyButton* flat = add("Плоская", 560);
        flat->SetGradientType(mbgtNone);
        flat->SetBorderWidth(0);
    }

    void build_panels(QWidget* page) {
        heading(page, "TSuperPanel", 10, 70);
        auto* across = new TSuperPanel(page);
        across->setGeometry(10, 92, 200, 60);
        across->SetCaption("Горизонтальный");
        auto* down = new TSuperPanel(page);
        down->setGeometry(220, 92, 200, 60);
        down->SetVerticalGradiented(true);
        down->SetColor1(0x00FFFF);
        down->SetColor2(0x0080FF);
        down->SetBorderWidth(2);
        down->SetBorderColor(0x004080);
        QFont big = down->font();
        big.setPointSize(14);
        down->setFont(big);
        down->SetFontColor(gui::clWhite);
        down->SetCaption("14 пунктов");
        auto* plain = new TSuperPanel(page);
        plain->setGeometry(430, 92, 200, 60);
        plain->SetWowEffects(false);
        plain->SetBorderWidth(1);
        plain->SetCaption("Без эффектов");

        heading(page, "TMyRectangle", 650, 70);
        auto* rect = new TMyRectangle(page);
        rect->setGeometry(650, 92, 100, 60);
        rect->SetColor(0x806040);
        rect->SetColorLight(40);
        rect->SetBorderWidth(2);
        auto* fixed = new TMyRectangle(page);
        fixed->setGeometry(760, 92, 120, 60);
        fixed->SetFixedWidth(50);
        fixed->SetColor(gui::clWindow);
        fixed->SetBorderWidth(1);
        fixed->SetBorderColor(gui::clWindowFrame);
    }

    void build_labels_and_boxes(QWidget* page) {
        heading(page, "TSuperLabel", 10, 165);
        auto label = [&](int x, gui::TAlignment alignment, TLabelType type, TColor colour) {
            auto* l = new TSuperLabel(page, "SuperLabel");
            l->setGeometry(x, 187, 200, 40);
            QFont f = l->font();
            f.setPixelSize(24);
            l->setFont(f);
            l->SetFontColor(colour);
            l->SetAlignment(alignment);
            l->SetType(type);
            l->SetCaption(type == ltRoundShadow ? "Ореол" : alignment == gui::taLeftJustify ? "Слева" : "Тень");
        };
        label(10, gui::taCenter, ltShadow, 0x00C0FF);
        // White text is for dark faces: shown on one, as it would be used.
        auto* dark = new TMyRectangle(page);
        dark->setGeometry(220, 187, 200, 40);
        dark->SetColor(0x604020);
        label(220, gui::taLeftJustify, ltShadow, gui::clWhite);
        label(430, gui::taCenter, ltRoundShadow, gui::clYellow);

        heading(page, "TMyGroupBox", 650, 165);
        auto* box = new TMyGroupBox(page);
        box->setGeometry(650, 187, 110, 90);
        box->SetCaption("Группа");
        auto* thick = new TMyGroupBox(page);
        thick->setGeometry(770, 187, 110, 90);
        thick->SetCaption("Рамка 3");
        thick->SetBorderWidth(3);
        thick->SetBorderColor(0x808000);
        thick->SetCaptionColorAuto(false);
        thick->SetCaptionColor(0xC0FFC0);
        new QLabel("внутри", thick);
        thick->findChild<QLabel*>()->move(20, 40);
    }

    void build_colour_pickers(QWidget* page) {
        heading(page, "TColorSelector", 10, 290);
        palette = new TColorSelector(page);
        palette->setGeometry(10, 312, 261, 161);
        palette->SetValueColor(0xE0FFFF);
        palette->OnChangeColor = [](QObject*, TColor c) { std::printf("chosen palette %s\n", hex(c).c_str()); };

        heading(page, "TMyGridColorForm", 300, 290);
        grid_button = new TMyButton(page);
        grid_button->setGeometry(300, 312, 140, 25);
        grid_button->SetCaption("Выбор цвета...");
        grid_swatch = new TMyRectangle(page);
        grid_swatch->setGeometry(450, 312, 40, 25);
        grid_swatch->SetBorderWidth(1);
        grid_swatch->SetColor(grid_colour);
        grid_button->OnClick = [this](QObject*) { open_grid_popup(); };

        heading(page, "TMyColorSelector", 300, 360);
        selector = new TMyColorSelector(page);
        selector->move(300, 382);
        selector->SetColorValue(0x0000FF);
        flat_selector = new TMyColorSelector(page);
        flat_selector->move(360, 382);
        flat_selector->SetFlat(true);
        flat_selector->SetColorValue(0x00C000);
        auto* disabled = new TMyColorSelector(page);
        disabled->move(420, 382);
        disabled->SetColorValue(0xFF0000);
        disabled->setEnabled(false);
        for (TMyColorSelector* s : {selector, flat_selector})
            s->OnChange = [s](QObject*) {
                std::printf("chosen %s %s\n", qPrintable(s->objectName()), hex(s->ColorValue()).c_str());
                std::fflush(stdout);
            };
        selector->setObjectName("selector");
        flat_selector->setObjectName("flat_selector");
    }

    // The indicator, the colour list box and the virtual data grid. One bar sweeps its range, so its
    // colour change at the alarm level can be watched.
    void build_readouts(QWidget* page) {
        heading(page, "TIndicator", 10, 525);
        auto* value = new TIndicator(page);
        value->setGeometry(10, 547, 130, 40);
        value->SetColor(0x604020);
        value->SetFontColor(0x80FFFF);
        QFont big = value->font();
        big.setPointSize(16);
        value->setFont(big);
        value->SetDigNum(2);
        value->SetValue(3.14159L);
        auto* sweeping = new TIndicator(page);
        sweeping->setGeometry(150, 547, 130, 40);
        sweeping->SetIndicatorType(itHLine);
        sweeping->SetIndicatorColor(0x40B040);
        sweeping->SetColor(gui::clWindow);
        sweeping->AlarmValue = 7.5;
        auto* sweep = new QTimer(sweeping);
        QObject::connect(sweep, &QTimer::timeout, sweeping, [sweeping] {
            const long double next = sweeping->Value() + 0.25L;
            sweeping->SetValue(next > 10 ? 0 : next);
        });
        sweep->start(150);
        auto* alarmed = new TIndicator(page);
        alarmed->setGeometry(10, 597, 270, 30);
        alarmed->SetIndicatorType(itHLine);
        alarmed->SetFrameWidth(2);
        alarmed->SetTextShadow(false);
        alarmed->SetValueRight(100);
        alarmed->AlarmValue = 80;
        alarmed->SetDigNum(0);
        alarmed->SetValue(86);
        // Before its first value a bar shows neither bar nor number, only a caption given to it.
        auto* waiting = new TIndicator(page);
        waiting->setGeometry(10, 635, 270, 26);
        waiting->SetIndicatorType(itHLine);
        waiting->SetColor(gui::clWindow);
        waiting->SetValueRight(30);
        waiting->AlarmValue = 25;
        waiting->SetFontColor(gui::clGrayText);
        waiting->SetTextShadow(false);
        waiting->SetCaption(QString::fromUtf8("нет данных"));

        heading(page, "TMyColorListBox", 300, 525);
        color_list = new TMyColorListBox(page);
        color_list->setGeometry(300, 547, 180, 150);
        color_list->addItems({"Red clRed", "\"Тёмно-красный\" $00000080", "\"Морская волна\" clTeal",
                              "\"Окно\" clWindow", "\"Без цвета\" bogus", "\"Только имя\""});
        color_list->SetColors(2, 0x808000);
        QObject::connect(color_list, &QListWidget::currentRowChanged, color_list, [this](int row) {
            std::printf("listed %s %s\n", qPrintable(TMyColorListBox::get_word(color_list->item(row)->text(), 0)),
                        hex(color_list->GetColors(row)).c_str());
            std::fflush(stdout);
        });

        heading(page, "TQVVirtualGrid", 520, 525);
        virtual_grid = new TQVVirtualGrid(page);
        virtual_grid->setGeometry(520, 547, 370, 150);
        virtual_grid->SetColCount(4);
        virtual_grid->SetRowCount(30);
        virtual_grid->SetFloatPrecision(3);
        // Measuring numbers columns from the first data column and rows as grid rows (see the grid).
        virtual_grid->VGGetFixedParams = [this](QObject*, int col, int row, QVariant& value, TVGCellProperty&) {
            if (measuring_grid)
                col += virtual_grid->FixedCols();
            if (row == 0)
                value = col == 0 ? QString("№") : QString("Столбец %1").arg(col);
            else
                value = row;
        };
        virtual_grid->VGGetCellParams = [this](QObject*, int col, int row, QVariant& value, TVGCellProperty& prop) {
            if (measuring_grid)
                row -= virtual_grid->FixedRows();
            switch (col) {
            case 0:
                value = row * 1.23456;
                prop.Alignment = gui::taRightJustify;
                break;
            case 1:
                value = QString("строка %1, очень длинный текст").arg(row);
                break;
            default:
                value = row % 3 == 0 ? QVariant(true) : QVariant(row * 10);
                prop.Color = row % 2 ? 0xE0FFE0 : 0xFFFFFF;
                prop.Alignment = gui::taCenter;
            }
        };
        virtual_grid->CorrectRowHeight();
        virtual_grid->OnClick = [this](QObject*) {
            std::printf("cell %d %d\n", virtual_grid->Col(), virtual_grid->Row());
            std::fflush(stdout);
        };
    }

    void open_grid_popup() {
        TMyGridColorForm form(this);
        MyGridColorForm = &form;
        const QPoint corner = grid_button->mapToGlobal(QPoint(0, grid_button->height()));
        TColor colour = grid_colour;
        const bool chosen = choose_color(&form, colour, corner.x(), corner.y());
        MyGridColorForm = nullptr;
        if (chosen) {
            grid_colour = colour;
            grid_swatch->SetColor(colour);
            std::printf("chosen grid %s\n", hex(colour).c_str());
        } else {
            std::printf("dismissed grid\n");
        }
        std::fflush(stdout);
    }

    // A property grid with a row of each editor kind; the kinds are the rows' own.
    void build_property_grid(QWidget* page) {
        heading(page, "TMyGrid", 520, 290);
        property_grid = new TMyGrid(page);
        property_grid->setGeometry(520, 312, 370, 200);
        property_grid->SetOptions(property_grid->Options() | gui::goEditing);
        property_grid->PropEditorMode = true;
        property_grid->SetAddCharasters(true);
        property_grid->SetAlignment(gui::taLeftJustify);
        property_grid->SetTopStrings({"Параметр", "Значение"});
        static const struct {
            const char* name;
            const char* value;
            CELL_PROPS kind;
        } rows[] = {
            {"\\bТекст", "правка", cpEdit},
            {"Список с правкой", "Два", cpComboEdit},
            {"Цвет", "clRed", cpColor},
            {"Список", "Вниз", cpComboList},
            {"\\iТолько чтение", "42", cpReadOnly},
            {"Текст и кнопка", "файл.txt", cpEditButton},
            {"Кнопка", "выбрать", cpReadOnlyButton},
            {"Цвет без имени", "$00C08040", cpColor},
        };
        property_grid->SetRowCount(1 + static_cast<int>(std::size(rows)));
        for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
            property_grid->SetCells(0, i + 1, QString::fromUtf8(rows[i].name));
            property_grid->SetCells(1, i + 1, QString::fromUtf8(rows[i].value));
        }
        property_grid->SetColWidths(0, 150);
        property_grid->SetColWidths(1, 200);
        property_grid->OnGetCellProps = [](QObject*, int col, int row, CELL_PROPS& kind) {
            if (col == 1 && row >= 1 && row <= static_cast<int>(std::size(rows)))
                kind = rows[row - 1].kind;
        };
        property_grid->OnGetPopupStrings = [](QObject*, int, int row, QStringList& items) {
            items = row == 2 ? QStringList{"Один", "Два", "Три"} : QStringList{"Вверх", "Вниз"};
        };
        property_grid->OnGetDrawParams = [](QObject*, int col, int, TColor& colour, gui::TFont&) {
            if (col == 0)
                colour = 0xF0F0F0;
        };
        property_grid->OnChange = [this](QObject*) {
            std::printf("changed grid %s\n", qPrintable(property_grid->GetCells(1, property_grid->Row())));
            std::fflush(stdout);
        };
        property_grid->OnBtnClick = [this](QObject*) {
            std::printf("button grid %d\n", property_grid->Row());
            std::fflush(stdout);
        };
        property_grid->FocusCell(1, 2, true);
    }

    TMyGrid* property_grid = nullptr;
    TColorSelector* palette = nullptr;
    TMyButton* grid_button = nullptr;
    TMyRectangle* grid_swatch = nullptr;
    TColor grid_colour = 0x808080;
    TMyColorSelector* selector = nullptr;
    TMyColorSelector* flat_selector = nullptr;
    TMyColorListBox* color_list = nullptr;
    TQVVirtualGrid* virtual_grid = nullptr;
    bool measuring_grid = false;
};

} // namespace

// usage: component_gallery [--at X,Y]   (the window's top-left corner on the desktop)
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PopupWatch watch;
    app.installEventFilter(&watch);
    Gallery gallery;
    gallery.set_main_form(true);
    const QStringList args = QApplication::arguments();
    if (const qsizetype at = args.indexOf("--at"); at > 0 && at + 1 < args.size()) {
        const QStringList xy = args[at + 1].split(',');
        if (xy.size() == 2)
            gallery.move(xy[0].toInt(), xy[1].toInt());
    }
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const QRect g = screens[i]->geometry();
        std::printf("screen %d %d %d %d %d\n", int(i), g.x(), g.y(), g.width(), g.height());
    }
    std::fflush(stdout);
    gallery.show();
    QTimer::singleShot(300, &gallery, [&] {
        gallery.size_grid_columns();
        gallery.report_controls();
    });
    return app.exec();
}
