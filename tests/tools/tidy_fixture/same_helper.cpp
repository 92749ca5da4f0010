// A source for the style step's own check: the same helper name as the previous
// source (the two do not compile as one unit), and a use after move of its own.
#include <string>
#include <utility>

namespace {

int helper() {
    return 2;
}

}  // namespace

std::size_t moved_again(std::string text) {
    std::string kept = std::move(text);
    return text.size() + kept.size() + static_cast<std::size_t>(helper());
}
