#include "library/options_detailed.h"

#include <charconv>

namespace lib::options_detailed {
namespace {

bool parse_int(const AnsiString& text, int& out) {
    std::size_t b = text.find_first_not_of(" \t");
    std::size_t e = text.find_last_not_of(" \t");
    if (b == AnsiString::npos)
        return false;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+')
        ++first;
    auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last;
}

} // namespace

meta_class<AnsiString>::meta_class(AnsiString* value, AnsiString default_value, AnsiString name, AnsiString caption,
                                   AnsiString units)
    : meta_class_base(std::move(name), std::move(caption), std::move(units)), value(value),
      default_value(std::move(default_value)) {}

AnsiString meta_class<AnsiString>::to_ini() const {
    return escape_text(*value);
}
void meta_class<AnsiString>::from_ini(const AnsiString& text) {
    *value = unescape_text(text);
}

meta_class<bool>::meta_class(bool* value, bool default_value, AnsiString name, AnsiString caption, AnsiString units,
                             AnsiString items)
    : meta_class_base(std::move(name), std::move(caption), std::move(units)), value(value),
      default_value(default_value), items(std::move(items)) {}

AnsiString meta_class<bool>::get_text() const {
    if (has_items()) {
        StringList texts;
        fill_items(texts);
        std::size_t index = *value ? 1 : 0;
        if (index < texts.size())
            return texts[index];
    }
    return *value ? "1" : "0";
}

void meta_class<bool>::set_text(const AnsiString& text) {
    if (has_items()) {
        StringList texts;
        fill_items(texts);
        for (std::size_t i = 0; i < texts.size() && i < 2; ++i)
            if (texts[i] == text) {
                *value = i == 1;
                return;
            }
    }
    int n = 0;
    *value = parse_int(text, n) && n != 0;
}

// The file holds "0" or "1"; item texts such as "1|0" must not be taken for those numbers.
// A hand-written item text is still understood when it is no number.
void meta_class<bool>::from_ini(const AnsiString& text) {
    int n = 0;
    if (parse_int(text, n))
        *value = n != 0;
    else
        set_text(text);
}

void meta_class<bool>::fill_items(StringList& strings) const {
    split_items(items, strings);
}

meta_class_int::meta_class_int(std::int32_t default_value, AnsiString name, AnsiString caption, AnsiString units)
    : meta_class_base(std::move(name), std::move(caption), std::move(units)), default_value(default_value) {}

AnsiString meta_class_int::get_text() const {
    return std::to_string(get_value());
}

void meta_class_int::set_text(const AnsiString& text) {
    int n = 0;
    if (parse_int(text, n))
        set_value(n);
}

meta_class_enum_base::meta_class_enum_base(std::int32_t default_value, StringList items, AnsiString name,
                                           AnsiString caption, AnsiString units)
    : meta_class_int(default_value, std::move(name), std::move(caption), std::move(units)),
      items(std::make_unique<StringList>(std::move(items))) {}

AnsiString meta_class_enum_base::get_text() const {
    int v = get_value();
    if (v >= 0 && static_cast<std::size_t>(v) < items->size())
        return (*items)[v];
    return meta_class_int::get_text();
}

void meta_class_enum_base::set_text(const AnsiString& text) {
    for (std::size_t i = 0; i < items->size(); ++i)
        if ((*items)[i] == text) {
            set_value(static_cast<int>(i));
            return;
        }
    int n = 0;
    if (parse_int(text, n) && n >= 0 && static_cast<std::size_t>(n) < items->size())
        set_value(n);
}

// The file holds the index; item texts such as {"1", "2", "4"} must not be taken for indices.
// An index out of range, or text that is no number, falls back to the item texts.
void meta_class_enum_base::from_ini(const AnsiString& text) {
    int n = 0;
    if (parse_int(text, n) && n >= 0 && static_cast<std::size_t>(n) < items->size())
        set_value(n);
    else
        set_text(text);
}

void split_items(const AnsiString& items, StringList& strings) {
    AnsiString rest = items;
    for (std::size_t bar = rest.find('|'); bar != AnsiString::npos; bar = rest.find('|')) {
        strings.push_back(rest.substr(0, bar));
        rest.erase(0, bar + 1);
    }
    strings.push_back(rest);
}

} // namespace lib::options_detailed

namespace lib {

void add_option(options_list& list, AnsiString& variable, const AnsiString& default_value, const AnsiString& name,
                const AnsiString& caption, const AnsiString& units) {
    list.add(
        std::make_shared<options_detailed::meta_class<AnsiString>>(&variable, default_value, name, caption, units));
}

void add_option(options_list& list, bool& variable, bool default_value, const AnsiString& name,
                const AnsiString& caption, const AnsiString& units, const AnsiString& items) {
    list.add(
        std::make_shared<options_detailed::meta_class<bool>>(&variable, default_value, name, caption, units, items));
}

void add_option(options_list& list, int& variable, int default_value, const AnsiString& name, const AnsiString& caption,
                const AnsiString& units) {
    list.add(std::make_shared<options_detailed::meta_class_int_ref>(&variable, default_value, name, caption, units));
}

} // namespace lib
