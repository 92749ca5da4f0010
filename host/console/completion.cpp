#include "console/completion.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "scenario/statement_table.h"

namespace kest_host {

namespace {

std::vector<std::string> words_of(const std::string& text, char separator) {
    std::vector<std::string> words;
    std::string word;
    std::istringstream in(text);
    while (std::getline(in, word, separator)) {
        if (!word.empty()) {
            words.push_back(word);
        }
    }
    return words;
}

void add_unique(std::vector<std::string>& list, const std::string& word) {
    if (std::find(list.begin(), list.end(), word) == list.end()) {
        list.push_back(word);
    }
}

// The word that may follow `typed` (whole words of a keyword, "expect" for one).
std::vector<std::string> keyword_words(const std::vector<std::string>& typed) {
    std::vector<std::string> words;
    for (const auto& entry : statement_table()) {
        const auto parts = words_of(entry.keyword, ' ');
        if (parts.size() > typed.size() && std::equal(typed.begin(), typed.end(), parts.begin())) {
            add_unique(words, parts[typed.size()]);
        }
    }
    return words;
}

// The choices of a form's first argument when they are plain words ("on|off|short").
std::vector<std::string> argument_words(const std::string& keyword) {
    const statement_entry* entry = find_statement(keyword);
    if (entry == nullptr || entry->forms[0] == nullptr) {
        return {};
    }
    const std::string first = words_of(entry->forms[0], ' ').empty()
                                  ? std::string()
                                  : words_of(entry->forms[0], ' ').front();
    const bool plain = !first.empty() && std::all_of(first.begin(), first.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || c == '|' || c == '-';
    });
    return plain ? words_of(first, '|') : std::vector<std::string>{};
}

std::vector<std::string> candidates(const std::vector<std::string>& typed, bool& file_wanted) {
    if (typed.empty()) {
        return keyword_words(typed);
    }
    if (typed[0] == "help") {
        return keyword_words({typed.begin() + 1, typed.end()});
    }
    if ((typed[0] == "load" || typed[0] == "record") &&
        (typed.size() == 1 || (typed.size() == 2 && typed[1].rfind("--", 0) == 0))) {
        file_wanted = true;
        return {};
    }
    if (typed[0] == "expect") {
        return typed.size() == 1 ? keyword_words(typed)
                                 : (typed.size() == 2 ? argument_words("expect " + typed[1])
                                                      : std::vector<std::string>{});
    }
    return typed.size() == 1 ? argument_words(typed[0]) : std::vector<std::string>{};
}

}  // namespace

std::vector<std::string> completions(const std::string& before_cursor, bool& file_wanted) {
    file_wanted = false;
    const auto cut = before_cursor.find_last_of(" \t");
    const std::string partial =
        cut == std::string::npos ? before_cursor : before_cursor.substr(cut + 1);
    const std::string head = cut == std::string::npos ? "" : before_cursor.substr(0, cut);
    std::vector<std::string> typed;
    for (const auto& w : words_of(head, ' ')) {
        typed.push_back(w);
    }
    std::vector<std::string> matches;
    for (const auto& word : candidates(typed, file_wanted)) {
        if (word.compare(0, partial.size(), partial) == 0) {
            matches.push_back(word);
        }
    }
    return matches;
}

std::vector<std::string> file_completions(const std::string& partial) {
    namespace fs = std::filesystem;
    const auto slash = partial.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : partial.substr(0, slash + 1);
    const std::string start = partial.substr(folder.size());
    std::vector<std::string> matches;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, start.size(), start) != 0 || (name[0] == '.' && start.empty())) {
            continue;
        }
        std::error_code kind;
        matches.push_back(folder + name + (it->is_directory(kind) ? "/" : ""));
    }
    std::sort(matches.begin(), matches.end());
    return matches;
}

}  // namespace kest_host
