#include "common/diagnostic.h"

#include "common/printable.h"

namespace kest_host {

std::string error_at(const std::string& file, int line) {
    return printable(file) + ":" + std::to_string(line) + ": error: ";
}

void print_error(std::ostream& out, const std::string& error) {
    std::size_t start = 0;
    while (start <= error.size()) {
        std::size_t end = error.find('\n', start);
        if (end == std::string::npos) {
            end = error.size();
        }
        const std::string line = printable(error.substr(start, end - start));
        if (!line.empty() || start == 0) {
            const std::size_t place = line.find(": error: ");
            // A place is "FILE:LINE" (no blank in the line number) before ": error: ".
            const std::size_t colon =
                place == std::string::npos ? place : line.rfind(':', place - 1);
            const bool located = place != std::string::npos && colon != std::string::npos &&
                                 colon + 1 < place &&
                                 line.find_first_not_of("0123456789", colon + 1) == place;
            out << (located ? "" : "kest-host: error: ") << line << "\n";
        }
        start = end + 1;
    }
}

std::string counted(uint64_t count, const std::string& word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace kest_host
