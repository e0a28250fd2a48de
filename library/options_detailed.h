#pragma once
// The concrete option descriptors and the add_option forms that declare them.

#include "library/options.h"

#include <cstdint>

namespace lib::options_detailed {

template <class T> class meta_class;

// A text option; stored in the INI file escaped and quoted.
template <> class meta_class<AnsiString> : public meta_class_base {
public:
    AnsiString* value;
    AnsiString default_value;

    meta_class(AnsiString* value, AnsiString default_value, AnsiString name, AnsiString caption, AnsiString units);
    AnsiString get_text() const override { return *value; }
    void set_text(const AnsiString& text) override { *value = text; }
    AnsiString to_ini() const override;
    void from_ini(const AnsiString& text) override;
    void reset() override { *value = default_value; }
    int kind() const override { return kind_text; }
};

// A boolean option. Without items it shows as "0"/"1" (a check box in the grid); with items
// ("off text|on text") it shows the item text. The INI file always holds "0" or "1".
template <> class meta_class<bool> : public meta_class_base {
public:
    bool* value;
    bool default_value;
    AnsiString items;

    meta_class(bool* value, bool default_value, AnsiString name, AnsiString caption, AnsiString units,
               AnsiString items = {});
    AnsiString get_text() const override;
    void set_text(const AnsiString& text) override;
    AnsiString to_ini() const override { return *value ? "1" : "0"; }
    void from_ini(const AnsiString& text) override; // the stored number first, an item text only then
    void reset() override { *value = default_value; }
    int kind() const override { return kind_bool; }

    bool has_items() const { return !items.empty(); }
    void fill_items(StringList& strings) const;
};

template <class T> class getter_n_setter {
public:
    virtual ~getter_n_setter() = default;
    virtual T get_value() const = 0;
    virtual void set_value(T value) = 0;
};

// An integer option; its one field is the default. Subclasses bind the actual member.
class meta_class_int : public getter_n_setter<int>, public meta_class_base {
public:
    std::int32_t default_value;

    meta_class_int(std::int32_t default_value, AnsiString name, AnsiString caption, AnsiString units);
    AnsiString get_text() const override;
    void set_text(const AnsiString& text) override; // text that is no integer leaves the value unchanged
    void reset() override { set_value(default_value); }
    int kind() const override { return kind_int; }
};

// An enumeration shown as one of its item texts; the INI file holds the item's index.
class meta_class_enum_base : public meta_class_int {
public:
    std::unique_ptr<StringList> items;

    meta_class_enum_base(std::int32_t default_value, StringList items, AnsiString name, AnsiString caption,
                         AnsiString units);
    AnsiString get_text() const override;
    void set_text(const AnsiString& text) override; // an item text or an index; anything else is ignored
    AnsiString to_ini() const override { return meta_class_int::get_text(); }
    void from_ini(const AnsiString& text) override; // the stored index first, an item text only then
    int kind() const override { return kind_enum; }
    void fill_items(StringList& strings) const { strings = *items; }
};

// Binds an int member.
class meta_class_int_ref : public meta_class_int {
public:
    meta_class_int_ref(int* value, int default_value, AnsiString name, AnsiString caption, AnsiString units)
        : meta_class_int(default_value, std::move(name), std::move(caption), std::move(units)), value(value) {}
    int get_value() const override { return *value; }
    void set_value(int v) override { *value = v; }

private:
    int* value;
};

// Binds a member of an enumeration type whose values are 0..items-1.
template <class E> class meta_class_enum : public meta_class_enum_base {
public:
    meta_class_enum(E* value, E default_value, StringList items, AnsiString name, AnsiString caption, AnsiString units)
        : meta_class_enum_base(static_cast<std::int32_t>(default_value), std::move(items), std::move(name),
                               std::move(caption), std::move(units)),
          value(value) {}
    int get_value() const override { return static_cast<int>(*value); }
    void set_value(int v) override { *value = static_cast<E>(v); }

private:
    E* value;
};

// Splits "a|b|c" at every bar; a trailing bar gives an empty last entry.
void split_items(const AnsiString& items, StringList& strings);

} // namespace lib::options_detailed

namespace lib {

void add_option(options_list& list, AnsiString& variable, const AnsiString& default_value, const AnsiString& name,
                const AnsiString& caption, const AnsiString& units);
void add_option(options_list& list, bool& variable, bool default_value, const AnsiString& name,
                const AnsiString& caption, const AnsiString& units, const AnsiString& items = {});
void add_option(options_list& list, int& variable, int default_value, const AnsiString& name, const AnsiString& caption,
                const AnsiString& units);

template <class E>
void add_enum_option(options_list& list, E& variable, E default_value, StringList items, const AnsiString& name,
                     const AnsiString& caption, const AnsiString& units) {
    list.add(std::make_shared<options_detailed::meta_class_enum<E>>(&variable, default_value, std::move(items), name,
                                                                    caption, units));
}

} // namespace lib
