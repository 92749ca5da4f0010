// A source for the style step's own check: a use after move, and a helper whose
// name the next source gives to one of its own.
#include <string>
#include <utility>

namespace {

int helper() {
    return 1;
}

}  // namespace

std::size_t moved_twice(std::string text) {
    std::string kept = std::move(text);
    return kept.size() + text.size() + static_cast<std::size_t>(helper());
}
