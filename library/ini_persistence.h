#pragma once
// Function objects that read or write one option descriptor through an open INI file object;
// an option set walks its descriptor list with one of them.

#include "library/options.h"

namespace lib {

class ini_reader {
public:
    explicit ini_reader(ini_file* file) : file(file) {}
    void operator()(MetaClassPointer item) const;

private:
    ini_file* file;
};

class ini_writer {
public:
    explicit ini_writer(ini_file* file) : file(file) {}
    void operator()(MetaClassPointer item) const;

private:
    ini_file* file;
};

} // namespace lib
