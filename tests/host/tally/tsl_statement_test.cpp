#include "scenario/scenario_parser.h"

#include <gtest/gtest.h>

namespace kest_host {
namespace {

std::optional<step> parse(const std::string& line, std::string& error) {
    std::optional<step> s;
    if (!parse_scenario_line(line, "t.scn", 1, s, error)) {
        s.reset();
    }
    return s;
}

TEST(TslStatements, DeviceDeclarations) {
    struct row {
        const char* line;
        const char* tsl;
        const char* address;
    };
    const std::vector<row> table = {
        {"device gpi 40 tsl udp 8900", "udp", "8900"},
        {"device gpi 40 tsl tcp 0.0.0.0:9000", "tcp", "0.0.0.0:9000"},
        {"device gpi 40", "", ""},
    };
    for (const row& r : table) {
        std::string error;
        const auto s = parse(r.line, error);
        ASSERT_TRUE(s) << r.line << ": " << error;
        const auto& d = std::get<stmt::device>(s->what);
        EXPECT_EQ(d.tsl, r.tsl);
        EXPECT_EQ(d.address, r.address);
    }
    for (const char* bad :
         {"device gpi 40 tsl", "device gpi 40 tsl serial 1", "device gpi 40 udp 1",
          "device gpi 40 tsl udp", "device infodriver 30 tsl udp 1", "device gpi 40 tsl udp 1 2"}) {
        std::string error;
        EXPECT_FALSE(parse(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(TslStatements, InputMappingAcceptedAndRejected) {
    std::string error;
    auto s = parse("tsl input 3 index 12 screen 1 lamp left colour red", error);
    ASSERT_TRUE(s) << error;
    auto m = std::get<stmt::tsl_input>(s->what);
    EXPECT_EQ(m.input, 3);
    EXPECT_FALSE(m.address);
    EXPECT_EQ(m.index, 12);
    EXPECT_EQ(m.screen, 1);
    EXPECT_EQ(m.lamp, 1);
    EXPECT_EQ(m.colour, 0);

    s = parse("tsl input 8 index 65535 colour any lamp text", error);
    ASSERT_TRUE(s) << error;
    m = std::get<stmt::tsl_input>(s->what);
    EXPECT_EQ(m.index, 65535);
    EXPECT_EQ(m.screen, 0);
    EXPECT_EQ(m.lamp, 3);
    EXPECT_EQ(m.colour, 3);

    s = parse("tsl input 1 address 126 tally 4", error);
    ASSERT_TRUE(s) << error;
    m = std::get<stmt::tsl_input>(s->what);
    EXPECT_TRUE(m.address);
    EXPECT_EQ(m.index, 126);
    EXPECT_EQ(m.tally, 4);

    struct bad {
        const char* line;
        const char* why;
    };
    for (const bad& b : std::vector<bad>{
             {"tsl input 0 index 1", "input number"},
             {"tsl input 9 index 1", "input number"},
             {"tsl input 1 index 65536", "display index"},
             {"tsl input 1 address 127", "display address"},
             {"tsl input 1 address 3 tally 5", "tally"},
             {"tsl input 1 address 3 screen 1", "tally"},
             {"tsl input 1 index 3 lamp top", "either"},
             {"tsl input 1 index 3 colour blue", "red"},
             {"tsl input 1 index 3 screen 1 screen 2", "given twice"},
             {"tsl input 1", "index"},
             {"tsl output 1 index 2", "input"},
         }) {
        std::string why;
        EXPECT_FALSE(parse(b.line, why)) << b.line;
        EXPECT_NE(why.find(b.why), std::string::npos) << b.line << ": " << why;
    }
}

}  // namespace
}  // namespace kest_host
