#include "scenario/scenario_values.h"

#include "common/printable.h"

namespace kest_host {

namespace {

bool name_start(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool name_char(char c) {
    return name_start(c) || (c >= '0' && c <= '9');
}

bool valid_name(const std::string& name) {
    if (name.empty() || !name_start(name[0])) {
        return false;
    }
    for (const char c : name) {
        if (!name_char(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool read_scenario_value(const std::string& assignment, scenario_values& values,
                         std::string& error) {
    const auto eq = assignment.find('=');
    const std::string name = assignment.substr(0, eq);
    if (eq == std::string::npos || !valid_name(name)) {
        error = "--set needs NAME=VALUE with a name of letters, digits and _, not " +
                quoted(excerpt(assignment));
        return false;
    }
    const std::string value = assignment.substr(eq + 1);
    for (const char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            error = "--set " + name + ": the value holds a control character";
            return false;
        }
    }
    values[name] = value;
    return true;
}

namespace {

// Where the line's comment starts: the first "#" outside the texts, where a backslash
// escapes the next character (the line's length when it has none).
std::size_t comment_start(const std::string& line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (quoted && line[i] == '\\') {
            ++i;
        } else if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == '#' && !quoted) {
            return i;
        }
    }
    return line.size();
}

}  // namespace

bool substitute_values(std::string& line, const scenario_values& values, std::string& error) {
    // The statement only: a comment may name ${NAME} in passing.
    const std::size_t comment = comment_start(line);
    std::string rest = line.substr(comment);
    line.resize(comment);
    if (!substitute_statement(line, values, error)) {
        return false;
    }
    line += rest;
    return true;
}

bool substitute_statement(std::string& line, const scenario_values& values, std::string& error) {
    std::size_t at = line.find("${");
    if (at == std::string::npos) {
        return true;
    }
    std::string out = line.substr(0, at);
    while (at != std::string::npos) {
        const auto close = line.find('}', at + 2);
        const std::string name =
            close == std::string::npos ? std::string() : line.substr(at + 2, close - at - 2);
        if (!valid_name(name)) {
            error = "${ must be followed by a name and }: " + excerpt(line.substr(at));
            return false;
        }
        const auto value = values.find(name);
        if (value == values.end()) {
            error = "${" + name + "} is not set; give it with --set ";
            error += name + "=VALUE";
            return false;
        }
        out += value->second;
        const std::size_t next = line.find("${", close + 1);
        out += line.substr(close + 1,
                           next == std::string::npos ? std::string::npos : next - close - 1);
        at = next;
    }
    line = std::move(out);
    return true;
}

}  // namespace kest_host
