// Checked decimal conversions, the one way kest-host turns text into numbers.
//
//   number = [ "-" ] 1*DIGIT      ; the whole text, nothing before or after
//
// A "-" is accepted only for signed types. The value must fit the type; callers
// check their own narrower ranges.
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace kest_host {

enum class number_status { ok, malformed, out_of_range };

template <class T>
number_status parse_decimal(std::string_view text, T& value) {
    static_assert(std::is_integral_v<T>, "decimal numbers only");
    if (text.empty() || text.front() == '+') {
        return number_status::malformed;
    }
    T parsed{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error == std::errc::result_out_of_range) {
        return number_status::out_of_range;
    }
    if (error != std::errc() || end != text.data() + text.size()) {
        return number_status::malformed;
    }
    value = parsed;
    return number_status::ok;
}

// The value, or nothing when the text is not a number of type T.
template <class T>
std::optional<T> decimal(std::string_view text) {
    T value{};
    if (parse_decimal(text, value) != number_status::ok) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kest_host
