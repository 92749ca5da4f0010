#include "live/videohub_reader.h"

#include "common/numbers.h"
#include "common/printable.h"

namespace kest_host {

void videohub_reader::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (c == '\n' && after_cr_) {
            after_cr_ = false;  // the LF of a CR LF pair
            continue;
        }
        after_cr_ = c == '\r';
        if (c == '\n' || c == '\r') {
            end_line();
            continue;
        }
        if (line_.size() < kMaxLine) {
            line_ += c;
        } else {
            line_too_long_ = true;
        }
    }
}

void videohub_reader::reset() {
    line_.clear();
    line_too_long_ = false;
    after_cr_ = false;
    in_block_ = false;
    dropping_ = false;
    block_ = videohub_message{};
    block_bytes_ = 0;
}

void videohub_reader::end_line() {
    if (line_too_long_) {
        on_problem_("line longer than " + std::to_string(kMaxLine) + " bytes dropped" +
                    (in_block_ ? " with its block " + quoted(block_.header + ":") : ""));
        if (in_block_ && !dropping_) {
            dropping_ = true;
            ++dropped_;
        } else if (!in_block_) {
            ++stray_;
        }
        line_.clear();
        line_too_long_ = false;
        return;
    }
    take_line(line_);
    line_.clear();
}

void videohub_reader::take_line(std::string_view line) {
    if (line.empty()) {
        if (in_block_) {
            finish_block();
        }
        return;
    }
    if (in_block_) {
        if (dropping_) {
            return;
        }
        block_bytes_ += line.size() + 1;
        if (block_.lines.size() >= kMaxBlockLines || block_bytes_ > kMaxBlockBytes) {
            on_problem_("block " + quoted(block_.header + ":") + " longer than " +
                        std::to_string(kMaxBlockLines) + " lines or " +
                        std::to_string(kMaxBlockBytes / 1024) + " KiB dropped");
            dropping_ = true;
            ++dropped_;
            block_.lines.clear();
            block_.lines.shrink_to_fit();
            return;
        }
        block_.lines.emplace_back(line);
        return;
    }
    if (line == "ACK" || line == "NAK") {
        videohub_message reply;
        reply.what = line == "ACK" ? videohub_message::kind::ack : videohub_message::kind::nak;
        on_message_(std::move(reply));
        return;
    }
    if (is_videohub_header(line)) {
        in_block_ = true;
        dropping_ = false;
        block_ = videohub_message{};
        block_.header = std::string(line.substr(0, line.size() - 1));
        block_bytes_ = line.size() + 1;
        return;
    }
    ++stray_;
    on_problem_("line outside a block skipped: " + excerpt(std::string(line)));
}

void videohub_reader::finish_block() {
    in_block_ = false;
    if (dropping_) {
        dropping_ = false;
        block_ = videohub_message{};
        return;
    }
    videohub_message done = std::move(block_);
    block_ = videohub_message{};
    on_message_(std::move(done));
}

bool is_videohub_header(std::string_view line) {
    if (line.size() < 2 || line.back() != ':') {
        return false;
    }
    const std::string_view name = line.substr(0, line.size() - 1);
    if (name.front() == ' ') {
        return false;
    }
    for (const char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '-' ||
                        c == '_' || c == '/';
        if (!ok) {
            return false;
        }
    }
    return true;
}

std::optional<std::pair<std::string, std::string>> videohub_field(std::string_view line) {
    const auto colon = line.find(": ");
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    return std::make_pair(std::string(line.substr(0, colon)), std::string(line.substr(colon + 2)));
}

namespace {

std::optional<uint32_t> port_number(std::string_view text) {
    const auto n = decimal<uint32_t>(text);
    if (!n || *n > kMaxPortNumber || (text.size() > 1 && text.front() == '0')) {
        return std::nullopt;
    }
    return n;
}

}  // namespace

std::optional<std::pair<uint32_t, std::string>> videohub_port_line(std::string_view line) {
    const auto blank = line.find(' ');
    const auto port = port_number(line.substr(0, blank));
    if (!port) {
        return std::nullopt;
    }
    const std::string rest =
        blank == std::string_view::npos ? std::string() : std::string(line.substr(blank + 1));
    return std::make_pair(*port, rest);
}

std::optional<std::pair<uint32_t, uint32_t>> videohub_route_line(std::string_view line) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) {
        return std::nullopt;
    }
    const auto output = port_number(line.substr(0, blank));
    const auto input = port_number(line.substr(blank + 1));
    if (!output || !input) {
        return std::nullopt;
    }
    return std::make_pair(*output, *input);
}

std::string clean_videohub_label(std::string_view label, std::size_t room) {
    const std::string text(label);
    std::string clean;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t start = i;
        char32_t code = 0;
        std::string piece;
        if (!next_utf8(text, i, code)) {
            ++i;
            piece = "?";
        } else if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0)) {
            piece = "?";
        } else {
            piece = text.substr(start, i - start);
        }
        if (clean.size() + piece.size() > room) {
            break;
        }
        clean += piece;
    }
    return clean;
}

}  // namespace kest_host
