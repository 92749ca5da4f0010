// The byte the host fills every released reply with. 0xFE never occurs in UTF-8 text,
// and scenario texts may not hold it, so a command carrying it can only come from a
// released reply (the replies-untouched check), and the scenario reader refuses it.
#pragma once

namespace kest_host {

inline constexpr unsigned char kReplyPoison = 0xFE;

}  // namespace kest_host
