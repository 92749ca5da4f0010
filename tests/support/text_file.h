// Tests: a whole file as text (a document whose tables the tests compare).
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace kest_test {

// False when the file cannot be read.
inline bool read_text_file(const char* path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::stringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

}  // namespace kest_test
