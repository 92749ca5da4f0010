#include "common/suggest.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "common/printable.h"

namespace kest_host {

namespace {

// Longer names are never compared: a typed word that long is no misspelt name.
constexpr std::size_t kLongest = 64;

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The edit distance of a and b, ignoring case, with a swap of neighbours as one edit.
std::size_t distance(const std::string& a, const std::string& b) {
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
    for (std::size_t i = 0; i <= n; ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= m; ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
                lower(a[i - 2]) == lower(b[j - 1])) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[n][m];
}

}  // namespace

std::vector<std::string> nearest_names(const std::string& given,
                                       const std::vector<std::string>& candidates,
                                       std::size_t most) {
    std::vector<std::pair<std::size_t, std::string>> near;
    if (given.empty() || given.size() > kLongest) {
        return {};
    }
    for (const auto& c : candidates) {
        if (c == given || c.empty() || c.size() > kLongest ||
            std::any_of(near.begin(), near.end(), [&](const auto& n) { return n.second == c; })) {
            continue;
        }
        const std::size_t allowed = std::clamp<std::size_t>(c.size() / 3, 1, 3);
        const std::size_t d = distance(given, c);
        if (d <= allowed) {
            // Same letters in another case come first (distance 0 ignoring case).
            near.emplace_back(d, c);
        }
    }
    std::stable_sort(near.begin(), near.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (std::size_t i = 0; i < near.size() && i < most; ++i) {
        names.push_back(near[i].second);
    }
    return names;
}

std::string did_you_mean(const std::string& given, const std::vector<std::string>& candidates) {
    const auto names = nearest_names(given, candidates);
    if (names.empty()) {
        return "";
    }
    std::string text = "; did you mean ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0                  ? ""
                 : i + 1 == names.size() ? " or "
                                         : ", ") +
                ("`" + printable(names[i]) + "`");
    }
    return text + "?";
}

std::vector<std::string> split_choices(const std::string& choices, char separator) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = choices.find(separator, start);
        out.push_back(choices.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return out;
        }
        start = end + 1;
    }
}

}  // namespace kest_host
