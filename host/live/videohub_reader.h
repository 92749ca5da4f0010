// Reading what a router says over its text control port (TCP 9990): the byte
// stream cut into messages, and the lines of the blocks kest-host uses turned into
// numbers and labels. It knows nothing of sockets; the router link feeds it whatever
// arrived, however the stream was split.
//
//   stream  = *( message / blank / stray )
//   message = block / reply
//   block   = header eol *( line eol ) blank   ; a header with no lines is a request
//   header  = 1*( UPPER / DIGIT / SP / "-" / "_" / "/" ) ":"   ; whole line
//   reply   = ( "ACK" / "NAK" ) eol            ; the blank line after it is a blank
//   line    = 1*( any but CR and LF )
//   blank   = eol                              ; an empty line
//   stray   = line eol                         ; outside a block: skipped, counted
//   eol     = LF / CR LF / CR                  ; a CR LF pair ends one line
//
// Lines kest-host reads inside the blocks it knows:
//
//   VIDEOHUB DEVICE:      field ": " value     (Video inputs: N, Video outputs: M,
//                                              Device present: true|false|...)
//   INPUT LABELS:         port SP label        (label: the rest of the line)
//   OUTPUT LABELS:        port SP label
//   VIDEO OUTPUT LOCKS:   port SP ( "O" / "L" / "U" )
//   VIDEO OUTPUT ROUTING: output SP input
//   port = 1*DIGIT                             ; from 0
//
// Bounds: a line longer than kMaxLine bytes and a block of more than kMaxBlockLines
// lines or kMaxBlockBytes bytes are dropped whole, each with a message; so a router
// that sends endless lines or a block of many megabytes costs at most those bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kest_host {

struct videohub_message {
    enum class kind { block, ack, nak };
    kind what = kind::block;
    std::string header;  // without the ":" (blocks only)
    std::vector<std::string> lines;
};

class videohub_reader {
  public:
    static constexpr std::size_t kMaxLine = 4096;
    static constexpr std::size_t kMaxBlockLines = 8192;
    static constexpr std::size_t kMaxBlockBytes = std::size_t{512} * 1024;

    using message_handler = std::function<void(videohub_message&&)>;
    using problem_handler = std::function<void(const std::string&)>;
    videohub_reader(message_handler on_message, problem_handler on_problem)
        : on_message_(std::move(on_message)), on_problem_(std::move(on_problem)) {}

    // Takes the next bytes of the stream; complete messages are handed on at once.
    void feed(std::string_view bytes);
    // Forgets a message cut off by a closed connection.
    void reset();

    uint64_t stray_lines() const { return stray_; }
    uint64_t dropped_blocks() const { return dropped_; }

  private:
    void end_line();
    void take_line(std::string_view line);
    void finish_block();

    message_handler on_message_;
    problem_handler on_problem_;
    std::string line_;
    bool line_too_long_ = false;
    bool after_cr_ = false;
    bool in_block_ = false;
    bool dropping_ = false;  // the block being read passed a bound
    videohub_message block_;
    std::size_t block_bytes_ = 0;
    uint64_t stray_ = 0;
    uint64_t dropped_ = 0;
};

// A line "WORD..." that is a block header (ends with ":", capitals, digits, blanks).
bool is_videohub_header(std::string_view line);

// "Video inputs: 16" -> {"Video inputs", "16"}; nothing without ": ".
std::optional<std::pair<std::string, std::string>> videohub_field(std::string_view line);

// "7 2" -> {7, 2}; "3 VTR 1" with label_rest -> {3, "VTR 1"}. Ports are whole
// decimal numbers from 0 to kMaxPortNumber; nothing for any other line.
constexpr uint32_t kMaxPortNumber = 1000000;
std::optional<std::pair<uint32_t, std::string>> videohub_port_line(std::string_view line);
std::optional<std::pair<uint32_t, uint32_t>> videohub_route_line(std::string_view line);

// A label made safe to keep and to hand to the panel: control bytes and bytes that
// are not well-formed UTF-8 become "?", and it is cut to `room` bytes at a character
// boundary.
std::string clean_videohub_label(std::string_view label, std::size_t room);

}  // namespace kest_host
