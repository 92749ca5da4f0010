#include "console/session_record.h"

#include <filesystem>

#include "common/paths.h"
#include "panel/panel_names.h"
#include "protocol/reply_poison.h"
#include "report/output_file.h"

namespace kest_host {

namespace fs = std::filesystem;

namespace {

// A text that a scenario line can hold (no line break, NUL or reserved byte).
bool writable(const std::string& text) {
    return text.find_first_of(std::string("\n\r\0", 3)) == std::string::npos &&
           text.find(static_cast<char>(kReplyPoison)) == std::string::npos;
}

// The folder as a layout-dir of a scenario at `file`: relative to its folder when it
// can be, absolute otherwise.
std::string layout_dir_for(const std::string& dir, const std::string& file) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(dir), ec).lexically_normal();
    if (ec) {
        return dir;
    }
    const fs::path base = fs::absolute(fs::path(directory_of(file)), ec).lexically_normal();
    const fs::path relative = absolute.lexically_relative(base);
    return ec || relative.empty() ? absolute.generic_string() : relative.generic_string();
}

void expect_property(std::string& out, const std::string& id, const std::string& property,
                     const std::string& value) {
    const std::string line =
        "expect control " + scenario_text(id) + " " + property + " " + scenario_text(value);
    const bool ok = writable(id) && writable(value) && !property.empty() &&
                    property.find_first_of(" \t\"#") == std::string::npos;
    out += ok ? line + "\n" : "# not expressible in a scenario line: control " + id + "\n";
}

std::string crosspoint_expectations(sim_host& host) {
    device* d = host.world().first(device_kind::router);
    if (d == nullptr) {
        return "";
    }
    std::string out;
    for (const auto& x : static_cast<const router*>(d)->crosspoints) {
        const std::string line =
            "expect dest " + std::to_string(x.first) + " source " + std::to_string(x.second) + "\n";
        out += x.first >= 1 ? line : "# " + line;
    }
    return out;
}

std::string control_expectations(sim_host& host) {
    const panel_state* panel = host.panels().find(panel_names::kPanel);
    if (panel == nullptr) {
        return "";
    }
    std::string out;
    for (const auto& c : panel->controls) {
        const std::string& id = c.def.id;
        expect_property(out, id, "text", c.stored_property("text"));
        expect_property(out, id, "statesheet", c.stored_property("statesheet"));
        for (const auto& other : c.other) {
            expect_property(out, id, other.first, other.second);
        }
        if (writable(id)) {
            out += std::string("expect ") + (c.hidden ? "hidden " : "visible ") +
                   scenario_text(id) + "\n";
        }
    }
    return out;
}

}  // namespace

std::string scenario_text(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

void session_record::section(const std::string& title) {
    entries_.push_back({"\n# " + title, ""});
}

void session_record::played(const step& s, const std::string& file, bool failed) {
    if (group_of(s.what) == statement_group::console) {
        return;
    }
    if (failed) {
        entries_.push_back({"# did not hold when recorded: " + s.source, ""});
        return;
    }
    ++statements_;
    if (const auto* dir = std::get_if<stmt::layout_dir>(&s.what)) {
        const std::string resolved =
            is_absolute_path(dir->dir) ? dir->dir : directory_of(file) + "/" + dir->dir;
        entries_.push_back({"", resolved});
        return;
    }
    entries_.push_back({s.source, ""});
}

std::string session_record::text(const std::string& file, sim_host& host) const {
    std::string out =
        "# Recorded at the kest-host prompt: the session as it was played, then the state\n"
        "# it reached. Play it with: kest-host " +
        file + "\n";
    for (const auto& e : entries_) {
        out += e.layout_dir.empty()
                   ? e.text + "\n"
                   : "layout-dir " + scenario_text(layout_dir_for(e.layout_dir, file)) + "\n";
    }
    out += "\n# The state when recorded.\n";
    return out + crosspoint_expectations(host) + control_expectations(host);
}

bool session_record::write(const std::string& file, sim_host& host, std::string& error) const {
    return report::write_output_file(file, text(file, host), error);
}

}  // namespace kest_host
