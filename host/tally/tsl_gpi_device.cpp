#include "tally/tsl_gpi_device.h"

#include <boost/system/system_error.hpp>

namespace kest_host {

namespace asio = boost::asio;

bool parse_tsl_address(const std::string& text, tsl_address& out, std::string& error) {
    std::string host;
    std::string port = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        } else if (host.find(':') != std::string::npos) {
            error = "an IPv6 address goes in brackets: [ADDR]:PORT";
            return false;
        }
    }
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos || std::stoul(port) > 65535) {
        error = "\"" + port + "\" is not a port (0 to 65535)";
        return false;
    }
    tsl_address parsed = out;
    parsed.port = static_cast<uint16_t>(std::stoul(port));
    if (!host.empty()) {
        boost::system::error_code bad;
        parsed.address = asio::ip::make_address(host, bad);
        if (bad) {
            error = "\"" + host + "\" is not an IP address to listen on";
            return false;
        }
    } else {
        parsed.address = asio::ip::make_address("127.0.0.1");
    }
    out = parsed;
    return true;
}

tsl_gpi_device::tsl_gpi_device(asio::io_context& loop, gpi& device,
                               std::function<int32_t()> first_index,
                               std::function<void(const std::string&)> trace, const tsl_address& at)
    : loop_(loop),
      device_(device),
      first_(std::move(first_index)),
      trace_(std::move(trace)),
      at_(at),
      feed_(*this) {}

tsl_gpi_device::~tsl_gpi_device() {
    close();
    if (device_.remote() == this) {
        device_.set_remote(nullptr);
    }
}

bool tsl_gpi_device::start(std::string& error) {
    try {
        if (at_.tcp) {
            tcp_ = std::make_unique<tsl_tcp_listener>(
                loop_, asio::ip::tcp::endpoint(at_.address, at_.port), feed_);
        } else {
            udp_ = std::make_unique<tsl_udp_listener>(
                loop_, asio::ip::udp::endpoint(at_.address, at_.port), feed_);
        }
    } catch (const boost::system::system_error& e) {
        error = "cannot listen for TSL on " + std::string(at_.tcp ? "TCP " : "UDP ") +
                endpoint_text(at_.address, at_.port) + ": " + e.code().message();
        return false;
    }
    device_.set_remote(this);
    trace_(name() + " listening");
    return true;
}

void tsl_gpi_device::close() {
    udp_.reset();
    tcp_.reset();
}

uint16_t tsl_gpi_device::port() const {
    if (udp_) {
        return udp_->local().port();
    }
    return tcp_ ? tcp_->local().port() : 0;
}

std::string tsl_gpi_device::name() const {
    const uint16_t bound = port();
    return "gpi " + std::to_string(device_.number()) + " (TSL " + (at_.tcp ? "tcp " : "udp ") +
           endpoint_text(at_.address, bound != 0 ? bound : at_.port) + ")";
}

std::string tsl_gpi_device::follows() const {
    const uint16_t bound = port();
    return std::string("TSL tally on ") + (at_.tcp ? "TCP " : "UDP ") +
           endpoint_text(at_.address, bound != 0 ? bound : at_.port);
}

std::string tsl_gpi_device::status() const {
    std::string out = "TSL: " + feed_.last_packet(tsl_clock::now());
    if (tcp_) {
        out += "; " + tcp_->describe();
    }
    return out;
}

std::string tsl_gpi_device::summary() const {
    return "gpi " + std::to_string(device_.number()) + " TSL: " + feed_.summary();
}

void tsl_gpi_device::input_changed(int input, bool high, const std::string& source) {
    const int32_t index = first_() + input - 1;
    trace_("gpi " + std::to_string(device_.number()) + " input " + std::to_string(input) +
           " (index " + std::to_string(index) + ") " + (high ? "high" : "low") + ": TSL from " +
           source);
    device_.set_input(index, high ? 1 : 0);
}

void tsl_gpi_device::remark(const std::string& text) {
    trace_("gpi " + std::to_string(device_.number()) + " " + text);
}

}  // namespace kest_host
