// What a page may send: exactly the console statements it is offered, nothing more,
// and each of them a statement the console itself takes.
#include "web/web_message.h"

#include <gtest/gtest.h>

#include <random>

#include "scenario/scenario_parser.h"
#include "scenario/statement_table.h"

namespace kest_host::web {
namespace {

const std::vector<std::string> kAll = offered_faults(true, true, true);

TEST(PageMessage, InputsOneToEight) {
    std::string why;
    for (int n = 1; n <= 8; ++n) {
        for (const std::string verb : {"press ", "release "}) {
            const std::string m = verb + std::to_string(n);
            EXPECT_EQ(page_statement(m, {}, why), m);
        }
    }
    for (const char* bad : {"press 0", "press 9", "press 10", "press 02", "press 2 ", " press 2",
                            "press  2", "Press 2", "press", "press ", "press -1", "release 2\n",
                            "press 2;quit", "press\t2", "release 1 2"}) {
        why.clear();
        EXPECT_EQ(page_statement(bad, {}, why), std::nullopt) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
}

TEST(PageMessage, OnlyOfferedFaultsAndNoOtherStatement) {
    std::string why;
    const std::vector<std::string> gpi_only = offered_faults(false, false, true);
    EXPECT_EQ(page_statement("fault gpi bounce 2", gpi_only, why), "fault gpi bounce 2");
    EXPECT_EQ(page_statement("fault router offline", gpi_only, why), std::nullopt);
    EXPECT_EQ(page_statement("fault router offline", kAll, why), "fault router offline");
    for (const char* bad :
         {"quit", "load /etc/passwd", "record /tmp/x", "route 1 to 3", "fault router delay 99999",
          "fault clear ", "trace full", "advance 100000000", "restart"}) {
        EXPECT_EQ(page_statement(bad, kAll, why), std::nullopt) << bad;
    }
    EXPECT_TRUE(offered_faults(false, false, false).empty());
}

TEST(PageMessage, BoundedAndPrintable) {
    std::string why;
    const std::string long_fault = "fault " + std::string(kMaxPageMessage, 'x');
    std::vector<std::string> offered = {long_fault};
    EXPECT_EQ(page_statement(long_fault, offered, why), std::nullopt);
    EXPECT_NE(why.find("longer"), std::string::npos);
    offered = {std::string("fault \x1b[2J")};
    EXPECT_EQ(page_statement(offered[0], offered, why), std::nullopt);
    EXPECT_NE(why.find("printable"), std::string::npos);
    EXPECT_EQ(page_statement(std::string("press 2\0", 8), {}, why), std::nullopt);
}

// Every statement a page may send is one the console parses, of the groups a page
// may use; random messages get nothing else through.
TEST(PageMessage, AcceptedMeansAConsoleStatement) {
    std::vector<std::string> accepted = kAll;
    for (int n = 1; n <= 8; ++n) {
        accepted.push_back("press " + std::to_string(n));
        accepted.push_back("release " + std::to_string(n));
    }
    for (const auto& m : accepted) {
        std::optional<step> s;
        std::string error;
        ASSERT_TRUE(parse_scenario_line(m, "web", 1, s, error)) << m << ": " << error;
        ASSERT_TRUE(s) << m;
        EXPECT_NE(group_of(s->what), statement_group::console) << m;
        EXPECT_NE(group_of(s->what), statement_group::expectation) << m;
    }
    std::mt19937 random(7);
    const std::string alphabet = "pressleaufoin 0123456789\x01\xff";
    for (int i = 0; i < 50000; ++i) {
        std::string m;
        if (i % 2 == 0) {
            m = accepted[random() % accepted.size()];  // a good one, changed a little
            m[random() % m.size()] = alphabet[random() % alphabet.size()];
        } else {
            const std::size_t n = random() % 24;
            for (std::size_t k = 0; k < n; ++k) {
                m += alphabet[random() % alphabet.size()];
            }
        }
        std::string why;
        const auto got = page_statement(m, kAll, why);
        if (got) {
            ASSERT_EQ(*got, m);
            ASSERT_NE(std::find(accepted.begin(), accepted.end(), m), accepted.end()) << m;
        } else {
            ASSERT_FALSE(why.empty());
        }
    }
}

TEST(PartMessage, PartThenBody) {
    EXPECT_EQ(part_message("panel", "<p>a\nb</p>"), "panel\n<p>a\nb</p>");
    EXPECT_EQ(part_message("trace", ""), "trace\n");
}

}  // namespace
}  // namespace kest_host::web
