#include "library/options.h"

#include "library/ini_file.h"
#include "library/ini_persistence.h"

namespace lib {

meta_class_base::meta_class_base(AnsiString name, AnsiString caption, AnsiString units)
    : name(std::move(name)), caption(std::move(caption)), units(std::move(units)) {}

options_list::options_list()
    : section("default"), section_caption("[\xC1\xE5\xE7 \xED\xE0\xE7\xE2\xE0\xED\xE8\xFF]") /* "[Без названия]" */ {}

void options_list::begin_section(const AnsiString& key, const AnsiString& caption) {
    section = key;
    section_caption = caption;
}

void options_list::add(MetaClassPointer item) {
    item->section = section;
    item->section_caption = section_caption;
    items.push_back(std::move(item));
}

void options_list::for_each(const options_detailed::ForEachFunc& f) const {
    if (!f)
        return;
    for (const auto& item : items)
        f(item);
}

void options_base::after_save(ini_file&) {}
void options_base::after_load(ini_file&) {}

void options_base::set_defaults() {
    options_list list;
    describe(list);
    list.for_each([](MetaClassPointer item) { item->reset(); });
}

void options_base::load(ini_file& file) {
    options_list list;
    describe(list);
    {
        ini_file::batch once(file); // one consistent reading of the file
        list.for_each(ini_reader(&file));
    }
    after_load(file);
}

void options_base::save(ini_file& file) {
    options_list list;
    describe(list);
    {
        // One replacement for all the options: a crash midway leaves the old file or the new one.
        ini_file::batch once(file);
        list.for_each(ini_writer(&file));
        once.commit();
    }
    after_save(file);
}

void options_base::load(const AnsiString& file_name) {
    auto file = std::make_unique<ini_file>(file_name);
    load(*file);
}

void options_base::save(const AnsiString& file_name) {
    auto file = std::make_unique<ini_file>(file_name);
    save(*file);
}

AnsiString escape_text(const AnsiString& text) {
    AnsiString out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (static_cast<unsigned char>(c) >= 32)
            out += c;
    }
    return out;
}

AnsiString unescape_text(const AnsiString& text) {
    AnsiString out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        // A backslash with its partner; a lone backslash at the very end is dropped.
        if (i + 1 < text.size()) {
            char next = text[++i];
            if (next == '\\')
                out += '\\';
            else if (next == 'n')
                out += '\n';
        }
    }
    return out;
}

} // namespace lib
