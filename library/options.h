#pragma once
// The self-describing option model. An option set keeps its settings as ordinary members and
// describes them on request as typed descriptors bound to those members; every generic
// operation (defaults, INI file, grid editor) is a loop over the descriptors.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lib {

using AnsiString = std::string; // 8-bit text in the Windows Cyrillic code page
using StringList = std::vector<AnsiString>;

class ini_file;
class meta_class_base;
using MetaClassPointer = std::shared_ptr<meta_class_base>;

// Type codes of the descriptors; the INI writer quotes kind_text values and the grid editor
// picks its cell editor by them (every code it does not know gets the plain text editor).
constexpr int kind_enum = 1;
constexpr int kind_bool = 2;
constexpr int kind_int = 3;
constexpr int kind_text = 14;

// One option: its key, texts for the grid, section, and access to the bound member.
class meta_class_base {
public:
    AnsiString name;            // INI key; empty: never read from or written to the file
    AnsiString caption;         // grid caption; empty: never shown in the grid
    AnsiString units;           // grid unit text
    AnsiString section;         // stamped by options_list::add
    AnsiString section_caption; // stamped by options_list::add

    meta_class_base(AnsiString name, AnsiString caption, AnsiString units);
    virtual ~meta_class_base() = default;
    meta_class_base(const meta_class_base&) = delete;
    meta_class_base& operator=(const meta_class_base&) = delete;

    virtual AnsiString get_text() const = 0;
    virtual void set_text(const AnsiString& text) = 0;
    virtual AnsiString to_ini() const { return get_text(); }
    virtual void from_ini(const AnsiString& text) { set_text(text); }
    virtual void reset() = 0;
    virtual int kind() const = 0;

    AnsiString full_name() const { return section + "." + name; }
};

namespace options_detailed {
using ForEachFunc = std::function<void(MetaClassPointer)>;
}

// Collector that describe() fills; transient, asked for afresh by every consumer.
class options_list {
public:
    AnsiString section;
    AnsiString section_caption;
    std::vector<MetaClassPointer> items;

    options_list();
    void begin_section(const AnsiString& key, const AnsiString& caption);
    void add(MetaClassPointer item);
    void for_each(const options_detailed::ForEachFunc& f) const;
    void clear() { items.clear(); }
};

// An option set: derives from this, keeps members, and describes them.
class options_base {
public:
    virtual ~options_base() = default;
    virtual void after_save(ini_file& file);
    virtual void after_load(ini_file& file);
    virtual void describe(options_list& list) = 0;

    void set_defaults();
    void load(ini_file& file);
    void save(ini_file& file);
    void load(const AnsiString& file_name);
    void save(const AnsiString& file_name);
};

// Text escaping for INI values: line feed <-> "\n", backslash <-> "\\", other control bytes dropped.
AnsiString escape_text(const AnsiString& text);
AnsiString unescape_text(const AnsiString& text);

} // namespace lib
