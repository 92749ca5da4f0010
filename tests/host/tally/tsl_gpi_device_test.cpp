#include "tally/tsl_gpi_device.h"

#include <gtest/gtest.h>

#include <boost/asio/ip/udp.hpp>

#include "tsl_builder.h"
#include "tsl_loop.h"
#include "world/gpi.h"

namespace kest_host {
namespace {

using namespace tsl_test;
namespace asio = boost::asio;
using asio::ip::udp;

struct host_sink : revertive_sink {
    std::vector<std::string> reports;  // "17=1"
    std::vector<std::string> remarks;
    void report(int32_t, const revertive_info& r) override {
        reports.push_back(std::to_string(r.index) + "=" + std::to_string(r.value));
    }
    void remark(const std::string& text) override { remarks.push_back(text); }
};

std::function<void(const std::string&)> remarks_of(host_sink& sink) {
    return [&sink](const std::string& text) { sink.remark(text); };
}

TEST(TslAddress, AcceptedAndRejectedForms) {
    struct row {
        const char* text;
        bool ok;
        const char* address;
        uint16_t port;
    };
    const std::vector<row> table = {
        {"8900", true, "127.0.0.1", 8900},
        {"0.0.0.0:8900", true, "0.0.0.0", 8900},
        {"127.0.0.2:0", true, "127.0.0.2", 0},
        {"[::1]:65535", true, "::1", 65535},
        {"65536", false, "", 0},
        {"", false, "", 0},
        {"127.0.0.1:", false, "", 0},
        {"-1", false, "", 0},
        {"8900x", false, "", 0},
        {"studio-mixer:8900", false, "", 0},
        {"::1:8900", false, "", 0},
        {"127.0.0.1.5:80", false, "", 0},
    };
    for (const row& r : table) {
        SCOPED_TRACE(r.text);
        tsl_address a;
        a.tcp = true;
        std::string error;
        ASSERT_EQ(parse_tsl_address(r.text, a, error), r.ok) << error;
        if (r.ok) {
            EXPECT_EQ(a.address.to_string(), r.address);
            EXPECT_EQ(a.port, r.port);
            EXPECT_TRUE(a.tcp);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(TslGpiDevice, TallyReachesTheRegisteredInputsAndPollsGetTheHeldStates) {
    asio::io_context loop;
    host_sink sink;
    gpi device(40, sink);
    device.registered().add(17, 24);
    tsl_address at;
    tsl_gpi_device tsl(
        loop, device, [] { return 17; }, remarks_of(sink), at);
    std::string error;
    ASSERT_TRUE(tsl.start(error)) << error;
    EXPECT_EQ(tsl.status(), "TSL: no packet yet");
    EXPECT_EQ(device.remote(), &tsl);
    EXPECT_EQ(tsl.follows(), "TSL tally on UDP 127.0.0.1:" + std::to_string(tsl.port()));
    udp::socket sender(loop, udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    const udp::endpoint to(asio::ip::make_address("127.0.0.1"), tsl.port());
    for (const bytes& b : {v5({display(1, 1), display(3, 0x10)}), v5({display(1, 1)}), v31(3, 0),
                           v5({display(8, 3)})}) {
        sender.send_to(asio::buffer(b), to);
    }
    ASSERT_TRUE(run_until(loop, [&] { return sink.reports.size() >= 4; }));
    EXPECT_EQ(sink.reports, (std::vector<std::string>{"17=1", "19=1", "19=0", "24=1"}));
    EXPECT_NE(std::find_if(sink.remarks.begin(), sink.remarks.end(),
                           [](const std::string& s) {
                               return s.rfind("gpi 40 input 3 (index 19) low: TSL from 127.0.0.1:",
                                              0) == 0;
                           }),
              sink.remarks.end());
    // The start-up poll: held states, low for inputs no packet has named.
    sink.reports.clear();
    device.poll(17, 24);
    EXPECT_EQ(sink.reports, (std::vector<std::string>{"17=1", "18=0", "19=0", "20=0", "21=0",
                                                      "22=0", "23=0", "24=1"}));
    EXPECT_EQ(tsl.status(), "TSL: last packet 0 s ago");
    EXPECT_EQ(tsl.summary(), "gpi 40 TSL: 4 packets, 0 rejected, 4 input changes");
}

TEST(TslGpiDevice, APortInUseIsAClearError) {
    asio::io_context loop;
    host_sink sink;
    gpi device(40, sink);
    udp::socket taken(loop, udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    tsl_address at;
    at.port = taken.local_endpoint().port();
    tsl_gpi_device tsl(
        loop, device, [] { return 1; }, remarks_of(sink), at);
    std::string error;
    EXPECT_FALSE(tsl.start(error));
    EXPECT_NE(error.find("cannot listen for TSL on UDP 127.0.0.1:" + std::to_string(at.port)),
              std::string::npos)
        << error;
    EXPECT_EQ(device.remote(), nullptr);
}

}  // namespace
}  // namespace kest_host
