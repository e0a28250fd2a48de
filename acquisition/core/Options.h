#pragma once
// The application's settings: the name of the station computer to connect to.

#include "library/options.h"

class Options : public lib::options_base {
public:
    lib::AnsiString remote_name; // host name or address of the station computer (CP1251)

    Options();
    void describe(lib::options_list& list) override;
};
