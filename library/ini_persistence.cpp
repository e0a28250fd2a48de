#include "library/ini_persistence.h"

#include "library/ini_file.h"

namespace lib {

void ini_reader::operator()(MetaClassPointer item) const {
    if (item->name.empty())
        return;
    AnsiString text = file->read(item->section, item->name, AnsiString());
    // An empty stored value cannot be told from a missing one: both give the default.
    if (text.empty())
        item->reset();
    else
        item->from_ini(text);
}

void ini_writer::operator()(MetaClassPointer item) const {
    if (item->name.empty())
        return;
    AnsiString text = item->to_ini();
    if (item->kind() == kind_text)
        text = "\"" + text + "\"";
    file->write(item->section, item->name, text);
}

} // namespace lib
