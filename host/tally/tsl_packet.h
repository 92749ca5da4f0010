// TSL UMD tally packets, as vision mixers and tally systems send them to monitor
// walls: version 3.1 in fixed 18-byte datagrams, version 5.0 in datagrams of up to
// 2048 bytes, and version 5.0 over a byte stream (TCP) in its DLE/STX wrapper.
//
// Version 3.1 (one display per datagram):
//
//   packet31  = address control text
//   address   = %x80-FE                  ; 0x80 + display address 0..126
//   control   = %x00-7F                  ; bits 0-3 tallies 1-4, bits 4-5 brightness,
//                                        ; bit 6 reserved, bit 7 must be clear
//   text      = 16OCTET                  ; display text, space padded
//
// Version 5.0 (all 16-bit fields little-endian):
//
//   packet5   = pbc ver flags screen body [ padding ]
//   pbc       = 2OCTET                   ; bytes after this field, up to 2046
//   ver       = OCTET                    ; minor version (0); any value is taken
//   flags     = OCTET                    ; bit 0: texts are UTF-16LE, else ASCII
//                                        ; bit 1: body is screen control data
//   screen    = 2OCTET                   ; 0xFFFF: every screen
//   body      = scontrol / *dmsg         ; exactly pbc - 4 bytes
//   scontrol  = *OCTET                   ; no tally meaning
//   dmsg      = index control length data
//   index     = 2OCTET                   ; 0xFFFF: every display on the screen
//   control   = 2OCTET                   ; bits 0-1 right lamp, 2-3 text lamp,
//                                        ; 4-5 left lamp (0 off, 1 red, 2 green,
//                                        ; 3 amber); bits 6-7 brightness;
//                                        ; bit 15: data is control data, no tally
//   length    = 2OCTET                   ; bytes of data (even for UTF-16LE text)
//   data      = length OCTET
//   padding   = *OCTET                   ; bytes past pbc, ignored
//
// A datagram of exactly 18 bytes whose first byte has bit 7 set is version 3.1 (a
// version 5.0 packet of 18 bytes starts 0x10 0x00); every other datagram is read as
// version 5.0.
//
// Over a byte stream each version 5.0 packet is sent as DLE STX (0xFE 0x02) followed
// by the packet with every 0xFE doubled; the byte counts count the packet's own
// bytes, before doubling. tsl_stream unwraps such a stream.
//
// A packet is taken whole or not at all: one that is cut short (its byte count
// runs past the datagram, or a message's length past the byte count), has trailing
// bytes inside its count that are not zero padding, or an odd UTF-16LE length
// changes nothing, and the reason says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kest_host {

// The largest version 5.0 packet, byte count field included.
constexpr std::size_t kTslMaxPacket = 2048;
// The broadcast value of a version 5.0 screen or display index.
constexpr uint16_t kTslEveryone = 0xFFFF;

// One display message that carries tally.
struct tsl_display {
    uint16_t screen = 0;  // version 3.1: always 0
    uint16_t index = 0;   // version 3.1: the display address
    // Version 5.0 lamps, each 0 off, 1 red, 2 green, 3 amber.
    uint8_t right = 0;
    uint8_t text_lamp = 0;
    uint8_t left = 0;
    // Version 3.1 tallies 1 to 4 in bits 0 to 3.
    uint8_t tallies = 0;
    uint8_t brightness = 0;
    std::string text;  // UTF-8, control characters replaced
};

struct tsl_packet {
    int version = 5;  // 3 (for 3.1) or 5
    uint16_t screen = 0;
    std::vector<tsl_display> displays;
    std::size_t control_messages = 0;  // messages with control bit 15 set
    bool screen_control = false;       // the body was screen control data
    std::size_t padding = 0;           // bytes ignored after the packet or its messages
};

// Reads one UDP datagram of either version. On failure `why` says what is wrong and
// `out` is left as it was.
bool parse_tsl_datagram(const uint8_t* data, std::size_t size, tsl_packet& out, std::string& why);

// Reads one version 5.0 packet (as unwrapped from a stream, or a datagram).
bool parse_tsl_v5(const uint8_t* data, std::size_t size, tsl_packet& out, std::string& why);

// Unwraps version 5.0 packets from a byte stream fed in pieces of any size. It holds
// at most one packet (kTslMaxPacket bytes), whatever the stream sends.
class tsl_stream {
  public:
    class sink {
      public:
        virtual ~sink() = default;
        // A whole packet, unstuffed (still to be parsed).
        virtual void packet(const uint8_t* data, std::size_t size) = 0;
        // A packet given up: why, in words.
        virtual void fault(const std::string& why) = 0;
    };

    // Feeds the next bytes of the stream.
    void feed(const uint8_t* data, std::size_t size, sink& out);
    // True while a packet has begun and not yet ended.
    bool inside_packet() const { return state_ == state::packet || state_ == state::packet_dle; }
    // Bytes outside any wrapper, skipped while looking for DLE STX.
    uint64_t skipped() const { return skipped_; }

  private:
    enum class state { hunt, hunt_dle, packet, packet_dle };
    void take(uint8_t byte, sink& out);
    void hunt(uint8_t byte);
    void append(uint8_t byte, sink& out);

    state state_ = state::hunt;
    std::vector<uint8_t> buffer_;
    uint64_t skipped_ = 0;
};

// Wraps a version 5.0 packet for a byte stream (tests and the latency benchmark).
std::vector<uint8_t> wrap_tsl_packet(const std::vector<uint8_t>& packet);

}  // namespace kest_host
