#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are the everyday runs (the demo studio: tally answers, presses and
releases, the router following) and the awkward cases the unit tests pin down, so
that fuzzing starts deep inside the panel instead of at its front door. Run it again
after changing the input layout of a target; it rewrites only its own seed files
(named seed_*), so inputs saved from fuzzing runs stay.

The panel encoding mirrors fuzz/tavrin_panel_fuzzer.cpp and fuzz/fuzz_host.h:
every decision is one byte (a choice among n cases is byte % n), numbers are four
bytes little-endian, and each query's reply is read at the moment it is asked.
"""
import os
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")

# --- request parser and reply tokenizer -------------------------------------------

REQUESTS = {
    "plain_value": b"myParam=5",
    "parts": b"a.b.c",
    "value_keeps_separators": b"a=b.c=d",
    "empty_part_then_value": b"a.=x",
    "leading_equals": b"=x",
    "trailing_dot": b"a.",
    "trailing_equals": b"a=",
    "name_only": b"return",
    "return_all_with_part": b"return.x=all",
    "thirty_three_parts": b"n" + b"".join(b".p%d" % i for i in range(1, 34)) + b"=v",
    "thirty_two_parts_then_value": b"n" + b"".join(b".p%d" % i for i in range(1, 33)) + b"=v",
    "separators_only": b".=.=",
    "dots_only": b"." * 40,
    "nul_inside": b"instance=a\x00b.c",
    "high_bytes": b"\xff\xfe.\x80=\x01",
    "empty": b"",
}

# First byte: the delimiter.
REPLIES = {
    "two_numbers": b"'12 5",
    "numbers_and_name": b"'12 5 'LD Button 1'",
    "quoted_first": b"''abc' 'def'",
    "leading_space": b"' a",
    "blank_runs": b"'a  b ",
    "blanks_only": b"'   ",
    "empty_quoted_run": b"'a '' b",
    "doubled_delimiter": b"''it''s'",
    "delimiter_mid_word": b"'ab'cd ef'gh",
    "unclosed_quote": b"'12 'never closed",
    "forty_words": b"'" + b" ".join(b"w%d" % i for i in range(40)),
    "thirty_two_empty_runs": b"'" + b"''" * 40,
    "space_is_delimiter": b"  a b  c",
    "double_quote_delimiter": b'"x "y z" w',
    "nul_delimiter": b"\x00abc def",
    "only_delimiter": b"'",
    "negative_and_huge": b"'-2147483648 99999999999",
}

# --- panel --------------------------------------------------------------------------

ROUTER, TALLY, GPI, GPI_FIRST = 12, 30, 40, 17

# Event selectors. A database change reads its database as byte % 4 - 1, so 1 is
# the source names and 2 the destination names.
REVERTIVE, DATABASE, TIMER, REQUEST, BUTTON, RELEASE_HELD, NULL_RECORD, UNKNOWN = (
    0, 3, 4, 5, 6, 7, 8, 9)


def i32(value):
    return struct.pack("<i", value)


def word(value):
    return struct.pack("<q", value)


class Panel:
    """Builds one panel input: mode byte, start-up replies, then events."""

    def __init__(self, alarms=False, no_host=False, startup=None):
        mode = (1 if alarms else 0) | (6 if no_host else 0)
        self.data = bytearray([mode])
        self.no_host = no_host
        if not no_host:
            # PS succeeds; the three lookups get the demo's devices unless told.
            self.data += bytes([0])
            self.data += startup if startup is not None else bytes([0, 0, 0])

    def reply_name(self, name_byte=0):
        if not self.no_host:
            self.data += bytes([0, name_byte])  # canned "Cam <n>"

    def revertive(self, device_sel, index_bytes, value_bytes, text_bytes, database=b"\x00",
                  selector=REVERTIVE):
        self.data += bytes([selector, device_sel]) + database + index_bytes + value_bytes
        self.data += text_bytes
        return self

    def tally(self, slot, source):
        # Index choice 0: 61 + n; text choice 0: decimal of n.
        self.revertive(1, bytes([0, slot - 61]), b"\x00", bytes([0, source]))
        self.reply_name()
        return self

    def gpi(self, input_number, value):
        value_bytes = {0: b"\x00", 1: b"\x01"}.get(value, b"\x02" + bytes([value]))
        self.revertive(2, bytes([1, input_number]), value_bytes, b"\x03")
        return self

    def router(self, source, name):
        # Index as a raw byte; text choice 1: length byte and the bytes.
        self.revertive(0, bytes([2, 3]), b"\x02" + bytes([source]),
                       b"\x01" + bytes([len(name)]) + name)
        return self

    def request(self, text, release_now=True):
        self.data += bytes([REQUEST, 1, 0, len(text)]) + text + bytes([0 if release_now else 1])
        return self

    def null_request(self):
        self.data += bytes([REQUEST, 0, 0])
        return self

    def button(self, id_bytes, request_text=None):
        self.data += bytes([BUTTON]) + id_bytes
        if request_text is None:
            self.data += bytes([0])  # null request
        else:
            self.data += bytes([1, 0, len(request_text)]) + request_text
        return self

    def alarm_replies(self, values):
        if not self.no_host:
            self.data += bytes([0])  # XI: canned "alm_1,alm_2"
            for value in values:
                if value is not None:
                    self.data += bytes([0, value + 1])  # TG: canned "value=<n>"

    def raw(self, data):
        self.data += data
        return self


def demo_start(panel, sources=(5, 6, 7, 9, 0, 0, 0, 0), monitor=3):
    for k, source in enumerate(sources):
        panel.tally(61 + k, source)
    panel.tally(69, monitor)
    panel.router(1, b"Studio Wide")
    for k in range(8):
        panel.gpi(k + 1, 0)
    return panel


def panel_seeds():
    seeds = {}

    p = demo_start(Panel())
    p.gpi(2, 1).router(6, b"Cam 6").gpi(2, 0).router(1, b"Studio Wide")
    seeds["demo_press_release"] = p

    p = demo_start(Panel())
    p.gpi(3, 1).gpi(5, 1).router(7, b"Cam 7").gpi(3, 0).router(9, b"Playout A").gpi(5, 0)
    seeds["lowest_input_wins"] = p

    p = demo_start(Panel())
    p.gpi(5, 1).gpi(6, 1).gpi(5, 0).gpi(6, 2).gpi(6, 0)  # a button without source, state 2
    seeds["no_source_and_odd_state"] = p

    p = demo_start(Panel())
    p.tally(61, 6).tally(62, 6)
    p.revertive(0, b"\x02\x06", b"\x00", b"\x01\x05Cam 6", database=b"\x01", selector=DATABASE)
    p.revertive(0, b"\x02\x03", b"\x00", b"\x01\x07Monitor", database=b"\x02", selector=DATABASE)
    p.tally(69, 0).tally(69, 3)
    seeds["names_change_and_monitor_moves"] = p

    p = Panel()
    p.raw(bytes([TIMER, 0]) + bytes([TIMER, 1]) + word(1))
    p.revertive(1, b"\x02\x10", b"\x00", b"\x03")  # a tally slot outside 61..69 ends the wait
    p.raw(bytes([TIMER, 1]) + word(0x1_0000_0002))
    seeds["timers"] = p

    p = demo_start(Panel())
    # The whole text array with no NUL: a router report and a name change.
    p.revertive(0, b"\x02\x03", b"\x02\x01", b"\x02" + b"N" * 256)
    p.revertive(0, b"\x02\x01", b"\x00", b"\x02" + b"M" * 256, database=b"\x01",
                selector=DATABASE)
    p.revertive(1, b"\x00\x00", b"\x00", b"\x02" + b"7" * 256)
    p.reply_name()
    seeds["texts_without_nul"] = p

    p = Panel()
    for text in (b"return=all", b"myParam=two words", b"return=myParam", b"return.x=all",
                 b"instance=Studio B", b"instance=Studio B", b"return=instance", b"myParam",
                 b"return", b"_events.x=1", b"_commands", b"myParam=%1%2%9", b"return=all",
                 b"unknown=1"):
        p.request(text)
    p.request(b"myParam=held", release_now=True)
    p.request(b"return=all", release_now=False)
    p.request(b"_events", release_now=False)
    p.raw(bytes([RELEASE_HELD, 1]))
    p.null_request()
    seeds["parent_requests"] = p

    p = Panel(alarms=True)
    p.button(bytes([0, 0]), b"alarm=ack")
    p.alarm_replies([1, 3])
    p.button(bytes([0, 1]), b"anything")
    p.alarm_replies([7, -1])
    p.button(bytes([0, 0]), b"alarm=2")
    p.alarm_replies([None, None])
    p.button(bytes([0, 0]), b"other=ack")
    p.button(bytes([0, 0]))  # ActionAll with a null request
    p.button(bytes([2]), b"alarm=ack")  # null id
    p.button(bytes([1, 4]) + b"alm_", b"alarm=1")
    seeds["alarm_buttons"] = p

    p = Panel()
    p.button(bytes([0, 0]), b"alarm=ack")  # take-over off: the panel's own handler
    p.button(bytes([0, 1]))
    seeds["buttons_without_take_over"] = p

    p = Panel(no_host=True)
    demo_start(p)
    p.gpi(1, 1).request(b"return=all").raw(bytes([TIMER, 0]))
    seeds["no_host"] = p

    # Odd lookups: no reply for the router, an empty one for the tally, and a GPI
    # offset at the top of the int range.
    p = Panel(startup=bytes([1, 2, 0, 3]) + i32(GPI) + i32(0x7FFFFFFC) + bytes([0]))
    p.revertive(2, b"\x03" + i32(0x7FFFFFFF), b"\x01", b"\x03")
    p.revertive(2, b"\x03" + i32(-0x80000000), b"\x01", b"\x03")
    seeds["odd_lookups"] = p

    p = demo_start(Panel())
    p.raw(bytes([NULL_RECORD, 0, NULL_RECORD, 1, NULL_RECORD, 2, NULL_RECORD, 3]) + word(-1))
    p.raw(bytes([UNKNOWN]) + i32(0) + word(5) + bytes([UNKNOWN]) + i32(8) + word(0))
    p.raw(bytes([UNKNOWN]) + i32(-1) + word(-1) + bytes([RELEASE_HELD, 0]))
    seeds["null_records_and_unknown_types"] = p

    # Replies the host gets wrong: null and empty names, odd numbers.
    p = Panel()
    p.revertive(1, b"\x00\x00", b"\x00", b"\x01\x0b-2147483648")
    p.data += bytes([1])  # RN: no reply
    p.revertive(1, b"\x00\x08", b"\x00", b"\x01\x0b99999999999")
    p.data += bytes([2, 0])  # RN: empty reply
    seeds["odd_tally_texts"] = p

    return {name: bytes(panel.data) for name, panel in seeds.items()}


# --- the host's readers ---------------------------------------------------------

PROJECT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# What the panel sends in the demo and the scenarios (one or two of each code), and
# the awkward cases of the command-text tests.
COMMANDS = {
    "as": b"AS",
    "ch": b"CH '1' 'AwaitTallyInfo'",
    "et_one": b"ET 2",
    "et_two": b"ET 2 1000",
    "gp": b"GP 40 17 24",
    "gr": b"GR 40 17 24",
    "gr_add": b"GR 40 17 24 'ADD'",
    "gu": b"GU 40",
    "ip": b"IP 30 61 69",
    "ir": b"IR 30 61 69",
    "iu": b"IU 31",
    "ps": b"PS '1' 'layouts/LD_Auto.kest_ui'",
    "ps_three": b"PS '1' 'LD_Auto.kest_ui' 'x'",
    "rc": b"RC 12 1 3 ',' 0",
    "rn": b"RN 12 0 21",
    "rp": b"RP 12 3 3",
    "rr": b"RR 12 3 3",
    "ru": b"RU 12",
    "sd": b"SD 'Vesk SDI Router'",
    "tp": b"TP 'statesheet=RyxGroupDeselected' '1' '1'",
    "tp_quote_space_inside": b"TP 'text=it' 's' '1' '11'",
    "tg": b"TG 'a' 'b' 'c'",
    "xi": b"XI 'a' 'b'",
    "negative_and_limits": b"RC -2147483648 2147483647 0 '' -1",
    "leading_zero": b"RU 012",
    "minus_zero": b"RU -0",
    "two_spaces": b"RU  12",
    "line_end": b"RU 12\n",
    "unknown_code": b"ZZ 1",
    "quotes_and_spaces": b"TP '' ' '' ' ' '' '",
}


def host_file_seeds():
    """The project's own scenario files and the panel's layout file."""
    scenarios = {}
    folder = os.path.join(PROJECT, "scenarios")
    for name in sorted(os.listdir(folder)):
        if name.endswith(".scn"):
            with open(os.path.join(folder, name), "rb") as source:
                scenarios[name[:-4]] = source.read()
    with open(os.path.join(PROJECT, "panels", "Vesk", "Tavrin", "LD_Auto.kest_ui"), "rb") as f:
        layout = f.read()
    layouts = {
        "ld_auto": layout,
        "crlf": layout.replace(b"\n", b"\r\n"),
        "one_control": b"x button 0 0 1\n",
        "text_with_blanks": b"# comment\n  a label 9999 9999 9999   some  text \t \n",
    }
    return scenarios, layouts


# --- TSL UMD tally packets ---------------------------------------------------------


def tsl_v5(messages, screen=0, flags=0):
    """A version 5.0 packet: messages are (index, control, data)."""
    body = struct.pack("<BBH", 0, flags, screen)
    for index, control, data in messages:
        body += struct.pack("<HHH", index, control, len(data)) + data
    return struct.pack("<H", len(body)) + body


def tsl_wrap(packet):
    return b"\xfe\x02" + packet.replace(b"\xfe", b"\xfe\xfe")


def tsl_seeds():
    """Datagrams of both versions, and streams of wrapped packets."""
    cam = tsl_v5([(3, 0xC1, b"CAM 3")])
    many = tsl_v5([(i, (i % 4) | ((i % 3) << 4), b"CAM %d" % i) for i in range(1, 9)])
    dle = tsl_v5([(0xFE, 0xFE, b"\xfe" * 8)], screen=0xFE)
    return {
        "v5_one": cam,
        "v5_eight": many,
        "v5_utf16": tsl_v5([(2, 0x11, "Kamera 2 \u00e9".encode("utf-16-le"))], flags=1),
        "v5_control_data": tsl_v5([(1, 0x8000, b"\x01\x02"), (1, 0x01, b"A")]),
        "v5_screen_control": tsl_v5([], flags=2) + b"\x00\x01",
        "v5_broadcast": tsl_v5([(0xFFFF, 0x31, b"")], screen=0xFFFF),
        "v5_padded": cam + b"\x00" * 5,
        "v5_cut": cam[:-2],
        "v31": bytes([0x80 + 5, 0x31]) + b"CAM 5           ",
        "v31_all_tallies": bytes([0x80 + 126, 0x0F]) + b"\xe9" * 16,
        "stream": tsl_wrap(cam) + tsl_wrap(many) + tsl_wrap(dle),
        "stream_garbage": b"xx\xfe\xfe" + tsl_wrap(cam)[:-3] + tsl_wrap(dle) + b"\xfe\x41",
    }


def ws_frame(payload, opcode=0x1, fin=True, mask=b"\x11\x22\x33\x44"):
    """A frame as a page sends it (masked)."""
    head = bytes([(0x80 if fin else 0) | opcode])
    n = len(payload)
    if n < 126:
        head += bytes([0x80 | n])
    else:
        head += bytes([0x80 | 126]) + n.to_bytes(2, "big")
    return head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload))


def web_seeds():
    """The first byte is the piece size the request is read in; the rest is read as a
    request head, as a page's frames and as one page message."""
    def head(target, host="127.0.0.1:8080", extra=()):
        lines = ["GET %s HTTP/1.1" % target, "Host: " + host] + list(extra)
        return ("\r\n".join(lines) + "\r\n\r\n").encode()
    upgrade = ["Origin: http://127.0.0.1:8080", "Upgrade: websocket", "Connection: Upgrade",
               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==", "Sec-WebSocket-Version: 13"]
    return {
        "page": b"\x07" + head("/"),
        "page_fetch": b"\x00" + head("/page.js", extra=["Sec-Fetch-Site: same-origin",
                                                          "Sec-Fetch-Mode: no-cors"]),
        "token": b"\x10" + head("/?token=fuzz-token-0123456789", "127.0.0.2:8080"),
        "ipv6": b"\xff" + head("/page.css", "[::1]:8080", ["Origin: http://[::1]:8080"]),
        "upgrade": b"\x03" + head("/ws", extra=upgrade),
        "foreign": b"\x05" + head("/", "evil.example:8080", ["Origin: http://evil.example"]),
        "post": b"\x02POST / HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nContent-Length: 4\r\n\r\nabcd",
        "oversized": b"\xff" + head("/", extra=["X-Filler: " + "a" * 8200]),
        "message": b"\x00press 2",
        "frames": b"\x00" + ws_frame(b"press 2") + ws_frame(b"release 2") +
                  ws_frame(b"fault router offline") + ws_frame(b"", opcode=0x9),
        "frames_fragmented": b"\x00" + ws_frame(b"pre", fin=False) +
                             ws_frame(b"ss 3", opcode=0x0) + ws_frame(b"", opcode=0x8),
        "frames_long": b"\x00" + ws_frame(b"press " + b"9" * 300),
        "frames_binary": b"\x00" + ws_frame(b"\x00\x01", opcode=0x2),
    }


def write(target, seeds):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        if old.startswith("seed_"):
            os.remove(os.path.join(folder, old))
    for name, data in sorted(seeds.items()):
        with open(os.path.join(folder, "seed_" + name), "wb") as out:
            out.write(data)
    print("%s: %d seeds" % (target, len(seeds)))


def main():
    write("parsed_request", REQUESTS)
    write("decode_kest_string", REPLIES)
    write("tavrin_panel", panel_seeds())
    scenarios, layouts = host_file_seeds()
    write("scenario_parser", scenarios)
    write("layout_parser", layouts)
    write("command_text", COMMANDS)
    write("tsl_packet", tsl_seeds())
    write("web_request", web_seeds())
    return 0


if __name__ == "__main__":
    sys.exit(main())
