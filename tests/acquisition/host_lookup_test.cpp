// The controller's host look-up: answers on the caller's thread, and an aborted look-up says nothing.
#include "acquisition/HostLookup.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <netdb.h>
#include <string>
#include <vector>

#include "tests/acquisition/name_stub.h"
#include "tests/support/qt_helpers.h"

using bv_test::pump;
using bv_test::wait_for;

TEST(HostLookup, AnswersNamesAndAddressesLaterAndOnlyIfNotAborted) {
    HostLookup lookup;
    std::vector<QHostAddress> found;
    std::string why;
    int answers = 0;
    auto done = [&](const std::vector<QHostAddress>& a, const std::string& failure) {
        found = a;
        why = failure;
        ++answers;
    };

    lookup.start("127.0.0.9", done);
    EXPECT_EQ(answers, 0); // never from within start()
    ASSERT_TRUE(wait_for([&] { return answers == 1; }));
    EXPECT_EQ(found, std::vector<QHostAddress>{QHostAddress("127.0.0.9")});
    EXPECT_FALSE(lookup.pending());

    lookup.start("localhost", done);
    EXPECT_TRUE(lookup.pending());
    ASSERT_TRUE(wait_for([&] { return answers == 2; }));
    ASSERT_FALSE(found.empty());
    for (const QHostAddress& a : found)
        EXPECT_TRUE(a.isLoopback()) << a.toString().toStdString();
    EXPECT_EQ(std::unique(found.begin(), found.end()), found.end()) << "each address once";

    lookup.start("no-such-host.invalid", done);
    ASSERT_TRUE(wait_for([&] { return answers == 3; }, 15000));
    EXPECT_TRUE(found.empty());
    EXPECT_FALSE(why.empty()) << "the resolver's reason comes with no address";
    // In the resolver's own words for a name it cannot find, not those of an unrelated system error.
    const std::vector<std::string> resolver_words = {::gai_strerror(EAI_NONAME), ::gai_strerror(EAI_AGAIN),
                                                     ::gai_strerror(EAI_FAIL)};
    EXPECT_NE(std::find(resolver_words.begin(), resolver_words.end(), why), resolver_words.end()) << why;

    // A name the IDNA rules reject still goes to the resolver as typed (a hosts file may know it); its addresses
    // come in the resolver's order, each once.
    bv_test::stub_name("-bvstation", {"127.0.0.9", "::1", "127.0.0.9"});
    lookup.start("-bvstation", done);
    ASSERT_TRUE(wait_for([&] { return answers == 4; }));
    EXPECT_EQ(found, (std::vector<QHostAddress>{QHostAddress("127.0.0.9"), QHostAddress("::1")}));

    // Aborted, or replaced by a newer look-up: only the newest one answers.
    lookup.start("localhost", done);
    lookup.abort();
    EXPECT_FALSE(lookup.pending()) << "an aborted look-up is no longer waited for";
    lookup.start("127.0.0.1", done);
    lookup.start("127.0.0.2", done);
    pump(300);
    EXPECT_EQ(answers, 5);
    EXPECT_EQ(found, std::vector<QHostAddress>{QHostAddress("127.0.0.2")});
}

TEST(HostLookup, AtMostFourHangingLookUpsHoldThreadsAndOneBeyondThemStaysPending) {
    ASSERT_TRUE(wait_for([] { return HostLookup::resolver_threads() == 0; }));
    bv_test::stub_name("bvheld.test", {"127.0.0.9"});
    HostLookup lookups[HostLookup::max_resolver_threads + 1];
    int answers = 0;
    {
        const bv_test::held_names held;
        for (HostLookup& lookup : lookups)
            lookup.start("bvheld.test", [&](const std::vector<QHostAddress>&, const std::string&) { ++answers; });
        EXPECT_EQ(HostLookup::resolver_threads(), HostLookup::max_resolver_threads);
    }
    ASSERT_TRUE(wait_for([&] { return answers == 4 && HostLookup::resolver_threads() == 0; }));
    pump(100);
    EXPECT_EQ(answers, 4);
    EXPECT_TRUE(lookups[4].pending());
    lookups[4].start("bvheld.test", [&](const std::vector<QHostAddress>&, const std::string&) {
        ++answers;
    }); // threads to spare again
    EXPECT_TRUE(wait_for([&] { return answers == 5; }));
}

TEST(HostLookup, DestroyedWhileResolvingIsSafe) {
    int answers = 0;
    {
        HostLookup lookup;
        lookup.start("localhost", [&](const std::vector<QHostAddress>&, const std::string&) { ++answers; });
    }
    pump(300);
    EXPECT_EQ(answers, 0);
}
