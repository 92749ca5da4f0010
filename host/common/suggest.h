// "Did you mean ...": the names nearest to one that was not recognised, for the
// messages about unknown words, controls, faults and options.
#pragma once

#include <string>
#include <vector>

namespace kest_host {

// The candidates nearest to `given`, nearest first: those that differ only in case,
// then those within an edit distance of about a third of their length (at least 1,
// at most 3; a swap of two neighbouring letters counts once). At most `most`.
std::vector<std::string> nearest_names(const std::string& given,
                                       const std::vector<std::string>& candidates,
                                       std::size_t most = 3);

// "; did you mean `A`?" or "; did you mean `A` or `B`?" for the nearest names, ""
// when none is near.
std::string did_you_mean(const std::string& given, const std::vector<std::string>& candidates);

// The entries of a list written "a|b|c", as candidates.
std::vector<std::string> split_choices(const std::string& choices, char separator = '|');

}  // namespace kest_host
