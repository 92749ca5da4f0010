#include "app/completion.h"

#include <algorithm>
#include <sstream>

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
    if (typed.size() == 1 && (typed[0] == "load" || typed[0] == "record")) {
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

}  // namespace kest_host
