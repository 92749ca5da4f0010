// Values given on the command line (--set NAME=VALUE) and named in scenario files as
// ${NAME}, so that a test can hand a scenario an ephemeral port:
//
//   reference = "${" name "}"
//   name      = ( ALPHA / "_" ) *( ALPHA / DIGIT / "_" )
//
// A "$" not followed by "{" stays as it is, and so does a comment. A reference to a
// name not given is an error, never an empty text.
#pragma once

#include <map>
#include <string>

namespace kest_host {

using scenario_values = std::map<std::string, std::string>;

// "NAME=VALUE" into `values`; false with `error` for a malformed one.
bool read_scenario_value(const std::string& assignment, scenario_values& values,
                         std::string& error);

// Replaces every ${NAME} in the statement of `line` (its comment is left as it is);
// false with `error` for an unknown or malformed one.
bool substitute_values(std::string& line, const scenario_values& values, std::string& error);
// The same on a line without a comment.
bool substitute_statement(std::string& line, const scenario_values& values, std::string& error);

}  // namespace kest_host
