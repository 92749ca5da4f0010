// The messages between a page and the host, over its WebSocket.
//
// Host -> page: "PART\nHTML", one part of the page replaced whole (see web_view.h for
// the parts), or "reload\nWHY" when the page fell too far behind and is dropped.
//
// Page -> host: one statement of the console per message, and only these:
//   press N | release N     N from 1 to 8
//   fault ...               exactly one of the fault statements the page was offered
// Anything else (another statement, a longer or shorter form, bytes outside printable
// ASCII, more than kMaxPageMessage bytes) is refused, and the page's connection with it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kest_host::web {

constexpr std::size_t kMaxPageMessage = 256;

// The statement to run for a page's message, or nullopt with `why`.
std::optional<std::string> page_statement(std::string_view message,
                                          const std::vector<std::string>& offered_faults,
                                          std::string& why);

// The fault statements a page offers for the simulated devices there are.
std::vector<std::string> offered_faults(bool router, bool infodriver, bool gpi);

std::string part_message(std::string_view part, std::string_view body);

}  // namespace kest_host::web
