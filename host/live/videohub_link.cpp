#include "live/videohub_link.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "common/numbers.h"
#include "common/printable.h"
#include "common/wall_clock.h"
#include "world/faults.h"

namespace kest_host::live {

namespace asio = boost::asio;
using boost::system::error_code;

namespace {

std::string seconds(int64_t ms) {
    if (ms % 1000 == 0) {
        return std::to_string(ms / 1000) + " s";
    }
    return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
}

}  // namespace

videohub_link::videohub_link(live_loop& loop, router& mirror, std::string host, uint16_t port,
                             destination_guard& guard, note_fn note, link_timing timing)
    : loop_(loop),
      mirror_(mirror),
      host_(std::move(host)),
      port_(port),
      guard_(guard),
      note_(std::move(note)),
      timing_(timing),
      resolver_(loop.context()),
      socket_(loop.context()),
      retry_timer_(loop.context()),
      tick_timer_(loop.context()),
      reader_([this](videohub_message&& m) { take(std::move(m)); },
              [this](const std::string& text) { problem(text); }),
      backoff_ms_(timing.backoff_first_ms) {
    mirror_.set_remote(this);
}

videohub_link::~videohub_link() {
    try {
        close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kest-host: closing a router link failed: %s\n", e.what());
    }
    mirror_.set_remote(nullptr);
}

bool videohub_link::split_address(const std::string& address, std::string& host, uint16_t& port,
                                  std::string& error) {
    port = kDefaultPort;
    host = address;
    const auto colon = address.rfind(':');
    const bool bracketed = !address.empty() && address.front() == '[';
    if (colon != std::string::npos && (bracketed || address.find(':') == colon)) {
        const auto number = decimal<uint16_t>(address.substr(colon + 1));
        if (!number || *number == 0) {
            error = "router address " + quoted(address) + ": the port must be 1 to 65535";
            return false;
        }
        port = *number;
        host = address.substr(0, colon);
    }
    if (bracketed && host.size() > 2 && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (host.empty()) {
        error = "router address " + quoted(address) + " names no host";
        return false;
    }
    return true;
}

std::string videohub_link::name() const {
    return "router " + std::to_string(mirror_.number()) + " (videohub " + host_ + ":" +
           std::to_string(port_) + ")";
}

void videohub_link::start() {
    tick();
    connect();
}

void videohub_link::close() {
    if (state_ == state::closed) {
        return;
    }
    state_ = state::closed;
    ++generation_;
    error_code ignored;
    resolver_.cancel();
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    retry_timer_.cancel();
    tick_timer_.cancel();
}

std::string videohub_link::status() const {
    switch (state_) {
        case state::up:
        case state::closed:
            return "";
        case state::idle:
        case state::connecting:
        case state::dumping:
            return down_since_.empty() ? std::string(link_state("router connecting").shown)
                                       : down() + ", connecting";
        case state::down: {
            const int64_t left = std::max<int64_t>(retry_at_ms_ - loop_.now_ms(), 0);
            return down() + ", retry in " + std::to_string((left + 999) / 1000) + " s";
        }
    }
    return "";
}

std::string videohub_link::down() const {
    return std::string(link_state("router link down").shown) + " since " + down_since_;
}

// --- Connecting and failing ----------------------------------------------------------

void videohub_link::connect() {
    state_ = state::connecting;
    state_since_ms_ = loop_.now_ms();
    problems_ = 0;
    reader_.reset();
    const uint64_t generation = ++generation_;
    resolver_.async_resolve(
        host_, std::to_string(port_),
        [this, generation](const error_code& error,
                           const asio::ip::tcp::resolver::results_type& endpoints) {
            if (generation != generation_) {
                return;
            }
            if (error) {
                fail("cannot resolve " + host_ + ": " + error.message());
                return;
            }
            asio::async_connect(socket_, endpoints,
                                [this, generation](const error_code& e, const auto&) {
                                    if (generation != generation_) {
                                        return;
                                    }
                                    if (e) {
                                        fail("cannot connect: " + e.message());
                                        return;
                                    }
                                    connected();
                                });
        });
}

void videohub_link::connected() {
    error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    ++connections_;
    state_ = state::dumping;
    state_since_ms_ = loop_.now_ms();
    last_sent_ms_ = state_since_ms_;
    device_known_ = false;
    locks_.clear();
    awaiting_.clear();
    note_(name() + " connected, waiting for its state");
    read();
}

void videohub_link::fail(const std::string& why) {
    if (state_ == state::closed) {
        return;
    }
    const bool was_up = state_ == state::up;
    ++generation_;
    error_code ignored;
    socket_.close(ignored);
    // A crosspoint sent and not acknowledged may never have been made: it counts as
    // lost, unless a newer one for its destination was lost already.
    for (const auto& o : awaiting_) {
        if (o.destination > 0 && lost_.count(o.destination) == 0) {
            lost_[o.destination] = o.source;
        }
    }
    awaiting_.clear();
    out_.clear();
    write_busy_ = false;
    if (was_up || down_since_.empty()) {
        down_since_ = wall_clock();
    }
    state_ = state::down;
    retry_at_ms_ = loop_.now_ms() + backoff_ms_;
    note_("router " + std::to_string(mirror_.number()) + " " + down() + ": " + why + "; retry in " +
          seconds(backoff_ms_));
    const uint64_t generation = generation_;
    retry_timer_.expires_after(std::chrono::milliseconds(backoff_ms_));
    retry_timer_.async_wait([this, generation](const error_code& e) {
        if (!e && generation == generation_) {
            connect();
        }
    });
    backoff_ms_ = std::min(backoff_ms_ * 2, timing_.backoff_last_ms);
}

// The keepalive and the deadlines, once a tenth of a second.
void videohub_link::tick() {
    tick_timer_.expires_after(std::chrono::milliseconds(100));
    tick_timer_.async_wait([this](const error_code& e) {
        if (e || state_ == state::closed) {
            return;
        }
        const int64_t now = loop_.now_ms();
        if (state_ == state::connecting && now - state_since_ms_ > timing_.connect_timeout_ms) {
            fail("no connection within " + seconds(timing_.connect_timeout_ms));
        } else if (state_ == state::dumping && now - state_since_ms_ > timing_.dump_timeout_ms) {
            fail("no state dump within " + seconds(timing_.dump_timeout_ms));
        } else if (state_ == state::up && !awaiting_.empty() &&
                   now - std::max(awaiting_.front().sent_ms, last_received_ms_) >
                       timing_.answer_timeout_ms) {
            // A router still sending (a long block before the answer) is alive: the
            // deadline counts from the newer of the request and the last bytes read.
            fail("no answer within " + seconds(timing_.answer_timeout_ms));
        } else if (state_ == state::up && awaiting_.empty() &&
                   now - last_sent_ms_ >= timing_.ping_every_ms) {
            awaiting_.push_back({0, 0, now});
            write("PING:\n\n");
        }
        tick();
    });
}

// --- Reading and writing -------------------------------------------------------------

void videohub_link::read() {
    const uint64_t generation = generation_;
    socket_.async_read_some(
        asio::buffer(in_), [this, generation](const error_code& e, std::size_t n) {
            if (generation != generation_) {
                return;
            }
            if (e) {
                fail(e == asio::error::eof ? std::string("the router closed the connection")
                                           : "read failed: " + e.message());
                return;
            }
            last_received_ms_ = loop_.now_ms();
            reader_.feed(std::string_view(in_.data(), n));
            if (generation == generation_) {
                read();
            }
        });
}

void videohub_link::write(const std::string& bytes) {
    if (out_.size() + bytes.size() > kMaxPendingWrite) {
        fail("the router takes nothing from us (" + std::to_string(out_.size()) +
             " bytes waiting)");
        return;
    }
    out_ += bytes;
    last_sent_ms_ = loop_.now_ms();
    flush();
}

void videohub_link::flush() {
    if (write_busy_ || out_.empty()) {
        return;
    }
    write_busy_ = true;
    writing_.swap(out_);
    out_.clear();
    const uint64_t generation = generation_;
    asio::async_write(socket_, asio::buffer(writing_),
                      [this, generation](const error_code& e, std::size_t) {
                          if (generation != generation_) {
                              return;
                          }
                          write_busy_ = false;
                          if (e) {
                              fail("write failed: " + e.message());
                              return;
                          }
                          flush();
                      });
}

void videohub_link::problem(const std::string& text) {
    ++problems_;
    if (problems_ <= kProblemsShown) {
        note_("router " + std::to_string(mirror_.number()) + " sent something wrong: " + text);
    } else if (problems_ == kProblemsShown + 1) {
        note_("router " + std::to_string(mirror_.number()) +
              ": further problems on this connection are not shown");
    }
}

}  // namespace kest_host::live
