// Tab completion at the console: the words that may stand where the cursor is, from
// the statement table.
#pragma once

#include <string>
#include <vector>

namespace kest_host {

// The words that complete the last (partial) word of `before_cursor`. A file name
// is wanted (after load or record) when `file_wanted` is set; then the list is empty.
std::vector<std::string> completions(const std::string& before_cursor, bool& file_wanted);

// The file names that complete `partial` (a path as typed): the entries of its folder
// whose names begin with its last part, in name order, each folder with a "/" after
// it so that completion goes on into it. Names starting with "." only when the last
// part does.
std::vector<std::string> file_completions(const std::string& partial);

}  // namespace kest_host
