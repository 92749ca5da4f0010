// The sockets of a TSL GPI device on the host's event loop (Boost.Asio, one thread):
// a UDP socket that takes datagrams of either version, or a TCP listener that takes
// wrapped version 5.0 packets from up to kMaxSenders senders at once. Both hand what
// they read to the device's tsl_feed.
//
// Memory is bounded whatever the senders do: one 64 KB datagram buffer, and per TCP
// sender a 4 KB read buffer and the unwrapper's one packet.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/udp.hpp>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "tally/tsl_feed.h"

namespace kest_host {

// "127.0.0.1:8900"
std::string endpoint_text(const boost::asio::ip::address& address, uint16_t port);

class tsl_udp_listener {
  public:
    // Binds at once; throws boost::system::system_error when it cannot.
    tsl_udp_listener(boost::asio::io_context& loop, const boost::asio::ip::udp::endpoint& at,
                     tsl_feed& feed);
    ~tsl_udp_listener();
    tsl_udp_listener(const tsl_udp_listener&) = delete;
    tsl_udp_listener& operator=(const tsl_udp_listener&) = delete;

    boost::asio::ip::udp::endpoint local() const { return socket_.local_endpoint(); }
    // "UDP 127.0.0.1:8900"
    std::string describe() const;

  private:
    void receive();

    boost::asio::ip::udp::socket socket_;
    boost::asio::ip::udp::endpoint from_;
    boost::asio::ip::udp::endpoint named_;  // whose name `name_` is
    std::string name_;
    std::vector<uint8_t> buffer_;
    tsl_feed& feed_;
    std::shared_ptr<bool> alive_;
};

class tsl_tcp_listener {
  public:
    static constexpr std::size_t kMaxSenders = 16;

    tsl_tcp_listener(boost::asio::io_context& loop, const boost::asio::ip::tcp::endpoint& at,
                     tsl_feed& feed);
    ~tsl_tcp_listener();
    tsl_tcp_listener(const tsl_tcp_listener&) = delete;
    tsl_tcp_listener& operator=(const tsl_tcp_listener&) = delete;

    boost::asio::ip::tcp::endpoint local() const { return acceptor_.local_endpoint(); }
    std::size_t senders() const { return senders_.size(); }
    uint64_t refused() const { return refused_; }
    // "TCP 127.0.0.1:9000, 2 senders" or "..., no sender (127.0.0.1:40112 left at
    // 14:02:11)"
    std::string describe() const;

  private:
    struct sender;
    void accept();
    void read(const std::shared_ptr<sender>& s);
    void gone(const std::shared_ptr<sender>& s, const std::string& why);

    boost::asio::ip::tcp::acceptor acceptor_;
    tsl_feed& feed_;
    std::list<std::shared_ptr<sender>> senders_;
    uint64_t refused_ = 0;
    std::string last_left_;
    std::shared_ptr<bool> alive_;
};

}  // namespace kest_host
