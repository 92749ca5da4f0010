// A GPI device whose inputs follow TSL UMD tally from the network: `device gpi N tsl
// udp|tcp [ADDR:]PORT`. It owns the device's feed and socket on the event loop and
// sets the simulated GPI device's inputs, so that the panel sees a change exactly as
// it sees a contact's: a revertive if registered, and the held state when it polls.
//
// The panel's input K is GPI index FIRST + K - 1 of the device, FIRST being the
// offset of the device's instance, which the panel looks up (asked at each change,
// as the instance may be declared after the device).
#pragma once

#include <array>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tally/tsl_feed.h"
#include "tally/tsl_listener.h"
#include "world/gpi.h"

namespace kest_host {

struct tsl_address {
    bool tcp = false;
    boost::asio::ip::address address = boost::asio::ip::make_address("127.0.0.1");
    uint16_t port = 0;
};

// Reads "[ADDR:]PORT" (ADDR an IPv4 address, or an IPv6 one in brackets; 127.0.0.1
// when left out; PORT 0 to 65535, 0 for any free port). False with `error` otherwise.
bool parse_tsl_address(const std::string& text, tsl_address& out, std::string& error);

class tsl_gpi_device final : public gpi_remote, private tsl_feed_sink {
  public:
    tsl_gpi_device(boost::asio::io_context& loop, gpi& device, std::function<int32_t()> first_index,
                   std::function<void(const std::string&)> trace, const tsl_address& at);
    ~tsl_gpi_device() override;
    tsl_gpi_device(const tsl_gpi_device&) = delete;
    tsl_gpi_device& operator=(const tsl_gpi_device&) = delete;

    // Opens the socket and makes the GPI device follow it. False with `error` (the
    // port is taken, the address is not this machine's, ...).
    bool start(std::string& error);
    void close();

    tsl_feed& feed() { return feed_; }
    const tsl_feed& feed() const { return feed_; }
    // The port listened on (the free one picked for port 0), 0 before start().
    uint16_t port() const;
    // "gpi 40 (TSL udp 127.0.0.1:8900)"
    std::string name() const;
    // gpi_remote: "TSL tally on UDP 127.0.0.1:8900"; for the devices line "TSL: last
    // packet 42 s ago" and, for TCP, its senders ("TSL: no packet yet; TCP
    // 127.0.0.1:9000, no sender").
    std::string follows() const override;
    std::string status() const override;
    // "gpi 40 TSL: 1200 packets, 3 rejected, 14 input changes", for the run's end.
    std::string summary() const;

  private:
    void input_changed(int input, bool high, const std::string& source) override;
    void remark(const std::string& text) override;

    boost::asio::io_context& loop_;
    gpi& device_;
    std::function<int32_t()> first_;
    std::function<void(const std::string&)> trace_;
    tsl_address at_;
    tsl_feed feed_;
    std::unique_ptr<tsl_udp_listener> udp_;
    std::unique_ptr<tsl_tcp_listener> tcp_;
};

}  // namespace kest_host
