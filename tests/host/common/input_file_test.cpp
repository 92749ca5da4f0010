// The one reader of input files: what it refuses and why, and what it keeps.
#include "common/input_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdio>
#include <fstream>
#include <string>

#include "panel/layout.h"
#include "scenario/scenario_file.h"

namespace kest_host {
namespace {

class input_file : public ::testing::Test {
  protected:
    std::string path(const std::string& name) {
        std::string p = ::testing::TempDir() + "input_file_" + name;
        made_.push_back(p);
        std::remove(p.c_str());
        return p;
    }
    std::string write(const std::string& name, const std::string& content) {
        std::string p = path(name);
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    void TearDown() override {
        for (const auto& p : made_) {
            std::remove(p.c_str());
        }
    }
    std::vector<std::string> made_;
};

TEST_F(input_file, refuses_what_is_not_a_regular_file_without_waiting) {
    std::string content;
    std::string error;
    // A FIFO with no writer: opened without blocking, then refused by its kind.
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(read_input_file(fifo, "scenario", content, error));
    EXPECT_EQ(error, fifo +
                         " is not a regular file (a device, a FIFO or a socket); kest-host "
                         "reads a scenario only from a regular file");
    EXPECT_FALSE(read_input_file("/dev/zero", "layout", content, error));
    EXPECT_NE(error.find("/dev/zero is not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(read_input_file("/dev/null", "scenario", content, error));
    EXPECT_FALSE(read_input_file(::testing::TempDir(), "scenario", content, error));
    EXPECT_NE(error.find(" is a directory; name a scenario file in it"), std::string::npos);
    EXPECT_FALSE(read_input_file("/nonexistent/x.scn", "scenario", content, error));
    EXPECT_EQ(error, "cannot read scenario /nonexistent/x.scn: No such file or directory");
}

TEST_F(input_file, refuses_a_file_past_the_limit_and_keeps_one_at_it) {
    input_limits limits;
    limits.file = 10;
    std::string content;
    std::string error;
    EXPECT_TRUE(read_input_file(write("ten", "0123456789"), "scenario", content, error, limits));
    EXPECT_EQ(content, "0123456789");
    const std::string eleven = write("eleven", "0123456789A");
    EXPECT_FALSE(read_input_file(eleven, "scenario", content, error, limits));
    EXPECT_EQ(error,
              eleven + " is larger than 10 bytes; a scenario file may hold at most 10 bytes");
}

TEST_F(input_file, drops_a_leading_byte_order_mark_only) {
    std::string content;
    std::string error;
    ASSERT_TRUE(read_input_file(write("bom", "\xEF\xBB\xBFshow\n\xEF\xBB\xBF"), "scenario", content,
                                error));
    EXPECT_EQ(content, "show\n\xEF\xBB\xBF") << "only the mark at the start goes";

    scenario s;
    ASSERT_TRUE(read_scenario_file(write("bom.scn",
                                         "\xEF\xBB\xBF"
                                         "device gpi 40\npress 1\n"),
                                   s, error))
        << error;
    EXPECT_EQ(s.steps.size(), 2u);
    ASSERT_TRUE(parse_scenario("\xEF\xBB\xBFshow\n", "s.scn", s, error)) << error;

    layout l;
    ASSERT_TRUE(read_layout(write("bom.kest_ui", "\xEF\xBB\xBFID_ID label 0 0 10 Id\n"), l, error))
        << error;
    EXPECT_EQ(l.controls.at(0).id, "ID_ID");
}

TEST_F(input_file, a_layout_has_the_line_limit_of_a_scenario) {
    EXPECT_EQ(first_long_line("ab\ncde\n", 2), 2u);
    EXPECT_EQ(first_long_line("ab\ncd", 2), 0u);
    EXPECT_EQ(first_long_line("abc", 2), 1u);
    layout l;
    std::string error;
    const std::string file =
        write("long.kest_ui", "ID_ID label 0 0 10 Id\nX label 0 1 10 " +
                                  std::string(input_limits::kLine, 'x') + "\n");
    EXPECT_FALSE(read_layout(file, l, error));
    EXPECT_EQ(error, file +
                         ":2: the line is longer than 66560 bytes; a line may hold at most "
                         "66560 bytes");
}

}  // namespace
}  // namespace kest_host
