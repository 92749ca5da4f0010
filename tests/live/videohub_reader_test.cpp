// The router's byte stream cut into messages, however it was split, within bounds.
#include "live/videohub_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kest_host {
namespace {

struct collected {
    std::vector<videohub_message> messages;
    std::vector<std::string> problems;
    videohub_reader reader{[this](videohub_message&& m) { messages.push_back(std::move(m)); },
                           [this](const std::string& p) { problems.push_back(p); }};
};

const char kDump[] =
    "PROTOCOL PREAMBLE:\nVersion: 2.8\n\n"
    "VIDEOHUB DEVICE:\nDevice present: true\nVideo inputs: 4\nVideo outputs: 3\n\n"
    "INPUT LABELS:\n0 Cam 1\n1 Cam  2 \n\n"
    "VIDEO OUTPUT ROUTING:\n0 1\n2 3\n\n"
    "ACK\n\nNAK\n\nEND PRELUDE:\n\n";

// What the messages say, one line each, to compare whole streams.
std::vector<std::string> summary(const std::vector<videohub_message>& messages) {
    std::vector<std::string> out;
    for (const auto& m : messages) {
        if (m.what != videohub_message::kind::block) {
            out.push_back(m.what == videohub_message::kind::ack ? "ACK" : "NAK");
            continue;
        }
        std::string line = m.header + ":";
        for (const auto& l : m.lines) {
            line += "|" + l;
        }
        out.push_back(line);
    }
    return out;
}

TEST(videohub_reader, the_same_messages_however_the_stream_is_split) {
    collected whole;
    whole.reader.feed(kDump);
    const std::vector<std::string> expected = {
        "PROTOCOL PREAMBLE:|Version: 2.8",
        "VIDEOHUB DEVICE:|Device present: true|Video inputs: 4|Video outputs: 3",
        "INPUT LABELS:|0 Cam 1|1 Cam  2 ",
        "VIDEO OUTPUT ROUTING:|0 1|2 3",
        "ACK",
        "NAK",
        "END PRELUDE:"};
    EXPECT_EQ(summary(whole.messages), expected);
    EXPECT_TRUE(whole.problems.empty());

    const std::string text = kDump;
    for (std::size_t step : {1, 2, 3, 7, 13}) {
        collected pieces;
        for (std::size_t at = 0; at < text.size(); at += step) {
            pieces.reader.feed(text.substr(at, step));
        }
        EXPECT_EQ(summary(pieces.messages), expected) << "pieces of " << step;
    }
}

TEST(videohub_reader, crlf_and_cr_end_lines_as_lf_does) {
    for (const std::string eol : {"\r\n", "\r"}) {
        std::string text = kDump;
        std::string converted;
        for (const char c : text) {
            converted += c == '\n' ? eol : std::string(1, c);
        }
        collected a;
        // A CR LF pair split between two reads still ends one line.
        a.reader.feed(converted.substr(0, 20));
        a.reader.feed(converted.substr(20));
        collected b;
        b.reader.feed(kDump);
        EXPECT_EQ(summary(a.messages), summary(b.messages));
    }
}

TEST(videohub_reader, a_block_ends_only_at_its_blank_line) {
    collected c;
    c.reader.feed("VIDEO OUTPUT ROUTING:\n0 1\n");
    EXPECT_TRUE(c.messages.empty());
    c.reader.feed("\n");
    ASSERT_EQ(c.messages.size(), 1u);
    // A header with no lines is a message of its own (a request, or an empty update).
    c.reader.feed("OUTPUT LABELS:\n\n");
    ASSERT_EQ(c.messages.size(), 2u);
    EXPECT_TRUE(c.messages[1].lines.empty());
    // A closed connection forgets a block cut off.
    c.reader.feed("INPUT LABELS:\n0 A\n");
    c.reader.reset();
    c.reader.feed("\nACK\n");
    ASSERT_EQ(c.messages.size(), 3u);
    EXPECT_EQ(c.messages[2].what, videohub_message::kind::ack);
}

TEST(videohub_reader, lines_outside_a_block_are_skipped_and_counted) {
    collected c;
    c.reader.feed("hello\n2 7\n\nPING:\n\n");
    EXPECT_EQ(c.reader.stray_lines(), 2u);
    EXPECT_EQ(c.problems.size(), 2u);
    ASSERT_EQ(c.messages.size(), 1u);
    EXPECT_EQ(c.messages[0].header, "PING");
}

TEST(videohub_reader, an_endless_line_costs_at_most_the_line_bound) {
    collected c;
    const std::string chunk(std::size_t{64} * 1024, 'x');
    c.reader.feed("INPUT LABELS:\n0 ");
    for (int i = 0; i < 160; ++i) {  // 10 MiB without a line end
        c.reader.feed(chunk);
    }
    c.reader.feed("\n1 fine\n\nVIDEO OUTPUT ROUTING:\n0 1\n\n");
    // The block with the long line is dropped whole; the next one is read.
    ASSERT_EQ(c.messages.size(), 1u);
    EXPECT_EQ(c.messages[0].header, "VIDEO OUTPUT ROUTING");
    EXPECT_EQ(c.reader.dropped_blocks(), 1u);
    ASSERT_FALSE(c.problems.empty());
    EXPECT_NE(c.problems[0].find("longer than 4096 bytes"), std::string::npos);
}

TEST(videohub_reader, a_block_past_its_bounds_is_dropped_and_the_next_read) {
    collected c;
    c.reader.feed("INPUT LABELS:\n");
    for (std::size_t i = 0; i < videohub_reader::kMaxBlockLines + 10; ++i) {
        c.reader.feed(std::to_string(i) + " label\n");
    }
    c.reader.feed("\nACK\n\n");
    ASSERT_EQ(c.messages.size(), 1u);
    EXPECT_EQ(c.messages[0].what, videohub_message::kind::ack);
    EXPECT_EQ(c.reader.dropped_blocks(), 1u);
    EXPECT_EQ(c.problems.size(), 1u);  // one message per block, not per line

    collected bytes;  // fewer lines, but more bytes than a block may hold
    bytes.reader.feed("OUTPUT LABELS:\n");
    const std::string label(4000, 'y');
    for (int i = 0; i < 200; ++i) {
        bytes.reader.feed(std::to_string(i) + " " + label + "\n");
    }
    bytes.reader.feed("\n");
    EXPECT_TRUE(bytes.messages.empty());
    EXPECT_EQ(bytes.reader.dropped_blocks(), 1u);
}

TEST(videohub_reader, headers_are_capitals_ending_with_a_colon) {
    EXPECT_TRUE(is_videohub_header("VIDEO OUTPUT ROUTING:"));
    EXPECT_TRUE(is_videohub_header("PING:"));
    EXPECT_TRUE(is_videohub_header("SERIAL PORT DIRECTIONS:"));
    EXPECT_FALSE(is_videohub_header(":"));
    EXPECT_FALSE(is_videohub_header("Version: 2.8"));
    EXPECT_FALSE(is_videohub_header("Video inputs:"));
    EXPECT_FALSE(is_videohub_header(" PING:"));
    EXPECT_FALSE(is_videohub_header("ACK"));
}

TEST(videohub_lines, ports_are_plain_decimal_numbers_within_bounds) {
    EXPECT_EQ(videohub_route_line("7 2"), std::make_pair(7u, 2u));
    EXPECT_EQ(videohub_route_line("0 0"), std::make_pair(0u, 0u));
    for (const char* bad : {"7", "7  2", "-1 2", "7 -2", "+7 2", "07 2", "7 2 ", "a b", "", " 7 2",
                            "1000001 0", "99999999999999999999 1"}) {
        EXPECT_FALSE(videohub_route_line(bad)) << bad;
    }
    const auto label = videohub_port_line("3 VTR  1 ");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->first, 3u);
    EXPECT_EQ(label->second, "VTR  1 ");  // the rest of the line, blanks and all
    EXPECT_EQ(videohub_port_line("4")->second, "");
    EXPECT_FALSE(videohub_port_line("x L"));
    EXPECT_EQ(videohub_field("Video inputs: 16"),
              std::make_pair(std::string("Video inputs"), std::string("16")));
    EXPECT_FALSE(videohub_field("Video inputs 16"));
}

TEST(videohub_lines, labels_lose_control_bytes_and_broken_utf8_and_fit_their_room) {
    EXPECT_EQ(clean_videohub_label("Cam\x1b[2J 1", 100), "Cam?[2J 1");
    EXPECT_EQ(clean_videohub_label("A\xff\xfe"
                                   "B",
                                   100),
              "A??B");
    EXPECT_EQ(clean_videohub_label("Kamera \xc3\xa9t\xc3\xa9", 100), "Kamera \xc3\xa9t\xc3\xa9");
    EXPECT_EQ(clean_videohub_label("\xc2\x85"
                                   "C1",
                                   100),
              "?C1");  // a C1 control
    // Cut at a character boundary: the two-byte é does not fit after "ab" in 3 bytes.
    EXPECT_EQ(clean_videohub_label("ab\xc3\xa9", 3), "ab");
    EXPECT_EQ(clean_videohub_label(std::string(1000, 'z'), 255).size(), 255u);
    EXPECT_EQ(clean_videohub_label("\xe2\x82", 10), "??");  // cut short
}

}  // namespace
}  // namespace kest_host
