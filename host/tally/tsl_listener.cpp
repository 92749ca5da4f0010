#include "tally/tsl_listener.h"

#include <boost/asio/read.hpp>

#include "common/wall_clock.h"

namespace kest_host {

namespace asio = boost::asio;
using boost::system::error_code;

namespace {

constexpr std::size_t kDatagramRoom = 65536;  // any UDP datagram, so that none is cut
constexpr std::size_t kReadRoom = 4096;

}  // namespace

std::string endpoint_text(const asio::ip::address& address, uint16_t port) {
    return address.to_string() + ":" + std::to_string(port);
}

tsl_udp_listener::tsl_udp_listener(asio::io_context& loop, const asio::ip::udp::endpoint& at,
                                   tsl_feed& feed)
    : socket_(loop, at), buffer_(kDatagramRoom), feed_(feed), alive_(std::make_shared<bool>(true)) {
    // Room for a burst while the loop is busy elsewhere; the system may give less.
    boost::system::error_code ignored;
    socket_.set_option(asio::socket_base::receive_buffer_size(1 << 20), ignored);
    receive();
}

tsl_udp_listener::~tsl_udp_listener() {
    *alive_ = false;
    error_code ignored;
    socket_.close(ignored);
}

std::string tsl_udp_listener::describe() const {
    error_code error;
    const auto at = socket_.local_endpoint(error);
    return error ? "UDP (closed)" : "UDP " + endpoint_text(at.address(), at.port());
}

void tsl_udp_listener::receive() {
    socket_.async_receive_from(asio::buffer(buffer_), from_,
                               [this, alive = alive_](const error_code& error, std::size_t size) {
                                   if (!*alive || error == asio::error::operation_aborted) {
                                       return;
                                   }
                                   if (!error) {
                                       feed_.datagram(buffer_.data(), size,
                                                      endpoint_text(from_.address(), from_.port()),
                                                      tsl_clock::now());
                                   }
                                   // Errors of one datagram (an ICMP report, say) do not stop the
                                   // socket.
                                   receive();
                               });
}

struct tsl_tcp_listener::sender {
    explicit sender(asio::ip::tcp::socket s) : socket(std::move(s)), buffer(kReadRoom) {}
    asio::ip::tcp::socket socket;
    std::vector<uint8_t> buffer;
    tsl_stream stream;
    std::string name;
};

namespace {

// Hands what the unwrapper finds to the feed.
struct stream_to_feed : tsl_stream::sink {
    stream_to_feed(tsl_feed& f, const std::string& s) : feed(f), source(s) {}
    void packet(const uint8_t* data, std::size_t size) override {
        feed.stream_packet(data, size, source, tsl_clock::now());
    }
    void fault(const std::string& why) override {
        feed.stream_fault(why, source, tsl_clock::now());
    }
    tsl_feed& feed;
    const std::string& source;
};

}  // namespace

tsl_tcp_listener::tsl_tcp_listener(asio::io_context& loop, const asio::ip::tcp::endpoint& at,
                                   tsl_feed& feed)
    : acceptor_(loop, at), feed_(feed), alive_(std::make_shared<bool>(true)) {
    accept();
}

tsl_tcp_listener::~tsl_tcp_listener() {
    *alive_ = false;
    error_code ignored;
    acceptor_.close(ignored);
    for (const auto& s : senders_) {
        s->socket.close(ignored);
    }
}

std::string tsl_tcp_listener::describe() const {
    error_code error;
    const auto at = acceptor_.local_endpoint(error);
    std::string out = error ? "TCP (closed)" : "TCP " + endpoint_text(at.address(), at.port());
    if (!senders_.empty()) {
        return out + ", " + std::to_string(senders_.size()) +
               (senders_.size() == 1 ? " sender" : " senders");
    }
    return out + ", no sender" + (last_left_.empty() ? "" : " (" + last_left_ + ")");
}

void tsl_tcp_listener::accept() {
    acceptor_.async_accept([this, alive = alive_](const error_code& error,
                                                  asio::ip::tcp::socket socket) {
        if (!*alive || error == asio::error::operation_aborted) {
            return;
        }
        if (!error) {
            error_code peer_error;
            const auto peer = socket.remote_endpoint(peer_error);
            const std::string name =
                peer_error ? "an unknown sender" : endpoint_text(peer.address(), peer.port());
            if (senders_.size() >= kMaxSenders) {
                ++refused_;
                feed_.remark("TSL TCP sender " + name + " refused: " + std::to_string(kMaxSenders) +
                             " senders are connected, the most at once");
                error_code ignored;
                socket.close(ignored);
            } else {
                auto s = std::make_shared<sender>(std::move(socket));
                s->name = name;
                senders_.push_back(s);
                feed_.remark("TSL TCP sender " + name + " connected (" +
                             std::to_string(senders_.size()) + " connected, at most " +
                             std::to_string(kMaxSenders) + ")");
                read(s);
            }
        }
        accept();
    });
}

void tsl_tcp_listener::read(const std::shared_ptr<sender>& s) {
    s->socket.async_read_some(
        asio::buffer(s->buffer), [this, alive = alive_, s](const error_code& error, std::size_t n) {
            if (!*alive || error == asio::error::operation_aborted) {
                return;
            }
            if (error) {
                gone(s, error == asio::error::eof ? "disconnected" : error.message());
                return;
            }
            const uint64_t skipped = s->stream.skipped();
            stream_to_feed sink(feed_, s->name);
            s->stream.feed(s->buffer.data(), n, sink);
            feed_.count_skipped(s->stream.skipped() - skipped);
            read(s);
        });
}

void tsl_tcp_listener::gone(const std::shared_ptr<sender>& s, const std::string& why) {
    senders_.remove(s);
    error_code ignored;
    s->socket.close(ignored);
    last_left_ = s->name + " left at " + wall_clock();
    const uint64_t skipped = s->stream.skipped();
    feed_.remark("TSL TCP sender " + s->name + " " + why +
                 (s->stream.inside_packet() ? " inside a packet, which is dropped" : "") +
                 (skipped != 0 ? "; it sent " + std::to_string(skipped) +
                                     " bytes outside any DLE STX wrapper, which were skipped"
                               : "") +
                 " (" + std::to_string(senders_.size()) +
                 " still connected); the inputs keep their states");
}

}  // namespace kest_host
