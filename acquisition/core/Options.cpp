#include "acquisition/core/Options.h"

#include "library/options_detailed.h"

Options::Options() {
    set_defaults();
}

void Options::describe(lib::options_list& list) {
    list.begin_section("main", "\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5"); // "Основные"
    lib::add_option(list, remote_name, "localhost", "remote_name",
                    // "Имя компьютера с системой 'Тирмаль'"
                    "\xC8\xEC\xFF \xEA\xEE\xEC\xEF\xFC\xFE\xF2\xE5\xF0\xE0 \xF1 \xF1\xE8\xF1\xF2\xE5\xEC\xEE\xE9 "
                    "'\xD2\xE8\xF0\xEC\xE0\xEB\xFC'",
                    "");
}
