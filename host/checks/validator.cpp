#include "checks/validator.h"

#include <algorithm>
#include <sstream>

#include "common/display_width.h"

namespace kest_host {

validator::validator(sink report) : checks_(make_all_checks()), report_(std::move(report)) {
    each([this](check& c) { c.set_sink(this); });
}

void validator::found(check& which, const std::string& message) {
    const std::string full = location_.empty() ? message : message + " (" + location_ + ")";
    which.record(full);
    if (report_) {
        report_(which, !which.warning_only(), full);
    }
}

void validator::command(const command_seen& seen) {
    each([&](check& c) { c.on_command(seen); });
}

void validator::release(const kest_ledger::release_outcome& outcome) {
    each([&](check& c) { c.on_release(outcome); });
}

void validator::late_write(const std::string& label) {
    each([&](check& c) { c.on_late_write(label); });
}

void validator::answer(const answer_seen& seen) {
    each([&](check& c) { c.on_answer(seen); });
}

void validator::settled(const settle_seen& seen) {
    each([&](check& c) { c.on_settle(seen); });
}

void validator::deleted() {
    each([](check& c) { c.on_delete(); });
}

void validator::created() {
    each([](check& c) { c.on_create(); });
}

void validator::never_released(const std::vector<std::string>& labels) {
    each([&](check& c) { c.on_never_released(labels); });
}

void validator::model(const std::string* divergence) {
    each([&](check& c) { c.on_model(divergence); });
}

bool validator::any_failed() const {
    return std::any_of(checks_.begin(), checks_.end(),
                       [](const auto& c) { return c->result() == check_result::failed; });
}

namespace {

const char* colour_of(check_result r) {
    switch (r) {
        case check_result::failed:
            return "\033[1;31m";
        case check_result::warning:
            return "\033[33m";
        case check_result::passed:
            return "\033[32m";
        case check_result::skipped:
            break;
    }
    return "\033[2m";
}

// A text wrapped at blanks into lines of at most 80 columns, each indented.
void wrapped(std::ostream& out, const std::string& indent, const std::string& text) {
    constexpr std::size_t kColumns = 80;
    const std::size_t room = kColumns - indent.size();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.size();
        if (display_width(text.substr(start)) > room) {
            end = text.rfind(' ', start + room);
            if (end == std::string::npos || end <= start) {
                end = std::min(text.size(), start + room);  // one word longer than a line
            }
        }
        out << indent << text.substr(start, end - start) << "\n";
        start = text.find_first_not_of(' ', end);
        if (start == std::string::npos) {
            break;
        }
    }
}

void table_row(std::ostream& out, const check& c, bool color) {
    const check_result r = c.result();
    const std::string name = result_name(r);
    out << "  " << (color ? colour_of(r) : "") << name << (color ? "\033[0m" : "")
        << std::string(name.size() < 8 ? 8 - name.size() : 1, ' ') << c.id();
    if (r == check_result::skipped) {
        out << " (" << (c.skip_reason().empty() ? "nothing exercised it" : c.skip_reason()) << ")";
    } else if (c.findings() > 0) {
        out << " (" << c.findings() << (c.findings() == 1 ? " finding" : " findings") << ")";
    }
    out << "\n";
    wrapped(out, "          ", c.description());
    for (const auto& m : c.messages()) {
        wrapped(out, "          - ", m);
    }
    if (c.findings() > c.messages().size()) {
        out << "          - ... and " << (c.findings() - c.messages().size()) << " more\n";
    }
}

}  // namespace

std::string validator::table(bool color) const {
    std::ostringstream out;
    out << "Checks:\n";
    for (const auto& c : checks_) {
        table_row(out, *c, color);
    }
    return out.str();
}

}  // namespace kest_host
