// The simulated clock's timers, which make the panel's ticks in scenarios and stress.
#include "world/sim_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kest_host {
namespace {

TEST(sim_clock, ticks_come_in_time_order_and_a_restart_counts_from_now) {
    sim_clock clock;
    clock.set_timer(2, 1000);
    clock.set_timer(5, 300);
    std::vector<std::string> ticks;
    while (const auto id = clock.next_tick(1000)) {
        ticks.push_back(std::to_string(*id) + "@" + std::to_string(clock.now()));
    }
    EXPECT_EQ(ticks, (std::vector<std::string>{"5@300", "5@600", "5@900", "2@1000"}));
    clock.move_to(1000);
    clock.set_timer(5, 0);
    EXPECT_FALSE(clock.running(5)) << "a period of 0 stops the timer";
    clock.set_timer(2, 1000);
    EXPECT_FALSE(clock.next_tick(1999).has_value());
    EXPECT_EQ(clock.next_tick(2000), 2);
}

}  // namespace
}  // namespace kest_host
