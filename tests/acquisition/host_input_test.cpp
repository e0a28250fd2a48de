// Whatever text the settings dialog puts into the host name, the controller keeps cycling through the usual
// failure statuses and the pause, and Exit writes the text back exactly as it was typed.
#include "acquisition/Bvsystem.h"
#include "library/cp1251.h"
#include "library/ini_file.h"

#include <QElapsedTimer>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

#include "tests/support/controller_config.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/scratch_dir.h"

namespace {

using Statuses = std::vector<Status>;

bool is_failure(Status s) {
    return s == Status::ConnectFailed || s == Status::ExchangeFailed;
}

// Drives one attempt to its end: a resolver that never answers is ended by the attempt's own time limit.
void finish_attempt(BVSystem& sys) {
    bv_test::wait_for([&] { return sys.get_status() != Status::Connecting; }, 3000);
    for (int i = 0; i < BVSystem::connect_timeout_ticks && sys.get_status() == Status::Connecting; ++i)
        sys.on_timer();
}

} // namespace

TEST(BVSystemHostInput, AnyTypedHostFailsIntoThePauseCycleAndIsSavedAsTyped) {
    const lib::AnsiString hosts[] = {
        "",
        "   ",
        lib::AnsiString(2000, 'h'),
        lib::utf8_to_1251("станция-Тирмаль"),
        "localhost:8001",
        "::1",
        "[::1]",
        "[127.0.0.1]",
        " 127.0.0.1 ",
        "fe80::1%lo", // link-local: the interface by name or by number
        "fe80::1%1",
    };
    const quint16 port = bv_test::closed_port();
    for (const auto& host : hosts) {
        SCOPED_TRACE("host of " + std::to_string(host.size()) + " bytes: " + host.substr(0, 40));
        BVSystem sys(bv_test::own_config(port, 0));
        Statuses seen;
        boost::signals2::scoped_connection c = sys.status_changed.connect([&](Status s) { seen.push_back(s); });
        std::string notes;
        boost::signals2::scoped_connection n = sys.noted.connect([&](const std::string& line) { notes += line; });
        sys.options().remote_name = host;

        QElapsedTimer t;
        t.start();
        sys.connect();
        EXPECT_LT(t.elapsed(), 2000); // the attempt runs in the background
        finish_attempt(sys);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[0], Status::Connecting);
        EXPECT_TRUE(is_failure(seen[1])) << static_cast<int>(seen[1]);
        EXPECT_EQ(seen[2], Status::Paused);
        EXPECT_EQ(notes.find(std::strerror(EINVAL)), std::string::npos) << notes; // connect() got a sound address

        // Five ticks later the same text is tried again, with the same outcome.
        for (int i = 0; i < BVSystem::pause_length_ticks - 1; ++i)
            sys.on_timer();
        EXPECT_EQ(sys.get_status(), Status::Paused);
        sys.on_timer();
        EXPECT_EQ(sys.get_status(), Status::Connecting);
        finish_attempt(sys);
        ASSERT_EQ(seen.size(), 6u);
        EXPECT_TRUE(is_failure(seen[4]));
        EXPECT_EQ(seen[5], Status::Paused);
        EXPECT_EQ(sys.options().remote_name, host);

        // Exit: stop, then save. The file holds the text quoted; reading it gives the text back, except the
        // empty one, which a file cannot keep and which reads as the default.
        sys.stop();
        sys.save_options();
        const std::string& ini = sys.get_ini_path();
        EXPECT_EQ(lib::ini_file(ini).read("main", "remote_name", "missing"), host);
        EXPECT_NE(bv_test::read_file(ini).find("remote_name=\"" + host + "\""), std::string::npos);
        Options back;
        back.remote_name = "changed";
        back.load(ini);
        EXPECT_EQ(back.remote_name, host.empty() ? "localhost" : host);
    }
}
