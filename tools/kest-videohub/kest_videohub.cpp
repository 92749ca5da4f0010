// kest-videohub: a router on loopback that speaks the Videohub text protocol, for
// tests and for anyone without a router at hand. It is written apart from kest-host's
// router link and shares no code with it, so that one cannot hide the other's mistake.
//
//   kest-videohub [--listen ADDR] [--port N] [--port-file FILE] [--inputs N]
//                 [--outputs N] [--label-in P=TEXT]... [--label-out P=TEXT]...
//                 [--route OUT=IN]... [--lock OUT]... [--config FILE] [--log FILE]
//                 [--late-status MS] [--byte-at-a-time] [--nak] [--silent]
//                 [--outage-at MS --outage-for MS] [--no-end-prelude] [--extra FILE]
//                 [--control]
//
// Ports count from 0, as on the wire. Misbehaviours:
//   --late-status MS   the status update follows the ACK MS later
//   --byte-at-a-time   every reply is written one byte per write, 1 ms apart
//   --lock OUT         the output is locked by another client: routing it is NAKed
//   --nak              every routing request is NAKed
//   --silent           connections are accepted and nothing is ever sent
//   --outage-at/-for   MS after the first connection every connection is dropped and
//                      new ones are refused for --outage-for MS
//   --extra FILE       the file's bytes are sent after the dump, as they are
//   --control          lines on standard input change things while it runs:
//                      route OUT IN | label in|out P TEXT | lock OUT L|U |
//                      outage MS | nak on|off | silent on|off | late MS | quit
// --log FILE gets one line "route OUT IN" for each line of every routing block a
// client sent (also those it refused), flushed at once.
#include <unistd.h>
#include <boost/asio.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

namespace {

bool to_int(const std::string& text, long& value) {
    if (text.empty()) {
        return false;
    }
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

struct settings {
    std::string listen = "127.0.0.1";
    long port = 0;
    std::string port_file;
    std::string log_file;
    long late_ms = 0;
    bool byte_at_a_time = false;
    bool nak = false;
    bool silent = false;
    long outage_at = -1;
    long outage_for = 0;
    bool end_prelude = true;
    std::string extra;
    bool control = false;
};

struct router_state {
    long inputs = 16;
    long outputs = 16;
    std::map<long, std::string> in_labels;
    std::map<long, std::string> out_labels;
    std::map<long, long> routes;  // output -> input
    std::set<long> locked;        // locked by another client
};

class server;

class client : public std::enable_shared_from_this<client> {
  public:
    client(server& owner, tcp::socket socket)
        : owner_(owner), socket_(std::move(socket)), pace_(socket_.get_executor()) {}
    void start();
    void send(const std::string& bytes);
    void drop() {
        error_code ignored;
        socket_.close(ignored);
    }
    bool open() const { return socket_.is_open(); }

  private:
    void read();
    void take_line(const std::string& line);
    void take_block();
    void pump();

    server& owner_;
    tcp::socket socket_;
    asio::steady_timer pace_;
    std::array<char, 1024> in_{};
    std::string partial_;
    std::vector<std::string> block_;
    std::string out_;
    bool writing_ = false;
};

class server {
  public:
    server(asio::io_context& io, settings s, router_state r)
        : io_(io), s_(std::move(s)), r_(std::move(r)), acceptor_(io), outage_timer_(io) {}

    bool open(std::string& error) {
        error_code e;
        const auto address = asio::ip::make_address(s_.listen, e);
        if (e) {
            error = "bad --listen address " + s_.listen;
            return false;
        }
        endpoint_ = tcp::endpoint(address, static_cast<unsigned short>(s_.port));
        if (!listen(error)) {
            return false;
        }
        if (!s_.log_file.empty()) {
            log_.open(s_.log_file, std::ios::app);
            if (!log_) {
                error = "cannot write " + s_.log_file;
                return false;
            }
        }
        if (!s_.port_file.empty()) {
            const std::string tmp = s_.port_file + ".tmp";
            std::ofstream out(tmp);
            out << endpoint_.port() << "\n";
            out.close();
            if (!out || std::rename(tmp.c_str(), s_.port_file.c_str()) != 0) {
                error = "cannot write " + s_.port_file;
                return false;
            }
        }
        std::cerr << "kest-videohub: listening on " << s_.listen << ":" << endpoint_.port() << ", "
                  << r_.inputs << " inputs, " << r_.outputs << " outputs\n";
        return true;
    }

    const settings& options() const { return s_; }
    settings& options() { return s_; }
    router_state& state() { return r_; }

    std::string dump() const {
        std::ostringstream o;
        o << "PROTOCOL PREAMBLE:\nVersion: 2.8\n\n";
        o << "VIDEOHUB DEVICE:\nDevice present: true\nModel name: kest-videohub\nVideo inputs: "
          << r_.inputs << "\nVideo processing units: 0\nVideo outputs: " << r_.outputs
          << "\nVideo monitoring outputs: 0\nSerial ports: 0\n\n";
        o << block("INPUT LABELS") << block("OUTPUT LABELS") << block("VIDEO OUTPUT LOCKS")
          << block("VIDEO OUTPUT ROUTING");
        o << "CONFIGURATION:\nTake Mode: false\n\n";
        if (s_.end_prelude) {
            o << "END PRELUDE:\n\n";
        }
        return o.str();
    }

    // The whole block as the router holds it ("" for a block it does not have).
    std::string block(const std::string& header) const {
        std::ostringstream o;
        if (header == "INPUT LABELS" || header == "OUTPUT LABELS") {
            const bool in = header == "INPUT LABELS";
            o << header << ":\n";
            for (long p = 0; p < (in ? r_.inputs : r_.outputs); ++p) {
                const auto& labels = in ? r_.in_labels : r_.out_labels;
                const auto l = labels.find(p);
                o << p << " "
                  << (l != labels.end() ? l->second
                                        : (in ? "Input " : "Output ") + std::to_string(p + 1))
                  << "\n";
            }
        } else if (header == "VIDEO OUTPUT LOCKS") {
            o << header << ":\n";
            for (long p = 0; p < r_.outputs; ++p) {
                o << p << (r_.locked.count(p) != 0 ? " L\n" : " U\n");
            }
        } else if (header == "VIDEO OUTPUT ROUTING") {
            o << header << ":\n";
            for (long p = 0; p < r_.outputs; ++p) {
                const auto x = r_.routes.find(p);
                o << p << " " << (x != r_.routes.end() ? x->second : 0) << "\n";
            }
        } else {
            return "";
        }
        o << "\n";
        return o.str();
    }

    void log_route(long output, long input) {
        if (log_) {
            log_ << "route " << output << " " << input << std::endl;
        }
    }

    // A status update to every client, now or --late-status ms later.
    void broadcast(const std::string& bytes) {
        if (s_.late_ms <= 0) {
            send_all(bytes);
            return;
        }
        auto timer = std::make_shared<asio::steady_timer>(io_);
        timer->expires_after(std::chrono::milliseconds(s_.late_ms));
        timer->async_wait([this, timer, bytes](const error_code& e) {
            if (!e) {
                send_all(bytes);
            }
        });
    }

    void connected(const std::shared_ptr<client>& c) {
        clients_.push_back(c);
        if (s_.outage_at >= 0 && !outage_planned_) {
            outage_planned_ = true;
            outage(s_.outage_at, s_.outage_for);
        }
    }

    // After `after` ms: every connection dropped and none taken for `length` ms.
    void outage(long after, long length) {
        outage_timer_.expires_after(std::chrono::milliseconds(after));
        outage_timer_.async_wait([this, length](const error_code& e) {
            if (e) {
                return;
            }
            std::cerr << "kest-videohub: outage for " << length << " ms\n";
            error_code ignored;
            acceptor_.close(ignored);
            for (auto& weak : clients_) {
                if (auto c = weak.lock()) {
                    c->drop();
                }
            }
            clients_.clear();
            outage_timer_.expires_after(std::chrono::milliseconds(length));
            outage_timer_.async_wait([this](const error_code& e2) {
                std::string error;
                if (!e2 && !listen(error)) {
                    std::cerr << "kest-videohub: " << error << "\n";
                }
                if (!e2) {
                    std::cerr << "kest-videohub: outage over\n";
                }
            });
        });
    }

  private:
    bool listen(std::string& error) {
        error_code e;
        acceptor_.open(endpoint_.protocol(), e);
        if (!e) {
            acceptor_.set_option(tcp::acceptor::reuse_address(true), e);
        }
        if (!e) {
            acceptor_.bind(endpoint_, e);
        }
        if (!e) {
            acceptor_.listen(asio::socket_base::max_listen_connections, e);
        }
        if (e) {
            error = "cannot listen on " + s_.listen + ":" + std::to_string(endpoint_.port()) +
                    ": " + e.message();
            return false;
        }
        endpoint_ = acceptor_.local_endpoint();
        accept();
        return true;
    }

    void accept() {
        acceptor_.async_accept([this](const error_code& e, tcp::socket socket) {
            if (e) {
                return;  // closed for an outage, or shutting down
            }
            auto c = std::make_shared<client>(*this, std::move(socket));
            connected(c);
            c->start();
            accept();
        });
    }

    void send_all(const std::string& bytes) {
        clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                      [](const std::weak_ptr<client>& w) {
                                          auto c = w.lock();
                                          return !c || !c->open();
                                      }),
                       clients_.end());
        for (auto& weak : clients_) {
            if (auto c = weak.lock()) {
                c->send(bytes);
            }
        }
    }

    asio::io_context& io_;
    settings s_;
    router_state r_;
    tcp::acceptor acceptor_;
    tcp::endpoint endpoint_;
    asio::steady_timer outage_timer_;
    bool outage_planned_ = false;
    std::vector<std::weak_ptr<client>> clients_;
    std::ofstream log_;
};

void client::start() {
    error_code ignored;
    socket_.set_option(tcp::no_delay(true), ignored);
    send(owner_.dump() + owner_.options().extra);
    read();
}

void client::send(const std::string& bytes) {
    if (owner_.options().silent || !socket_.is_open()) {
        return;
    }
    out_ += bytes;
    pump();
}

void client::pump() {
    if (writing_ || out_.empty()) {
        return;
    }
    writing_ = true;
    const bool slow = owner_.options().byte_at_a_time;
    const std::size_t n = slow ? 1 : out_.size();
    auto chunk = std::make_shared<std::string>(out_.substr(0, n));
    out_.erase(0, n);
    auto self = shared_from_this();
    asio::async_write(socket_, asio::buffer(*chunk),
                      [self, chunk, slow](const error_code& e, std::size_t) {
                          if (e) {
                              self->writing_ = false;
                              self->out_.clear();
                              return;
                          }
                          if (!slow) {
                              self->writing_ = false;
                              self->pump();
                              return;
                          }
                          self->pace_.expires_after(std::chrono::milliseconds(1));
                          self->pace_.async_wait([self](const error_code&) {
                              self->writing_ = false;
                              self->pump();
                          });
                      });
}

void client::read() {
    auto self = shared_from_this();
    socket_.async_read_some(asio::buffer(in_), [self](const error_code& e, std::size_t n) {
        if (e) {
            return;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const char c = self->in_[i];
            if (c == '\n') {
                std::string line = self->partial_;
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                self->partial_.clear();
                self->take_line(line);
            } else if (self->partial_.size() < 65536) {
                self->partial_ += c;
            }
        }
        self->read();
    });
}

void client::take_line(const std::string& line) {
    if (!line.empty()) {
        if (block_.size() < 100000) {
            block_.push_back(line);
        }
        return;
    }
    if (!block_.empty()) {
        take_block();
        block_.clear();
    }
}

void client::take_block() {
    const std::string header = block_.front();
    const std::vector<std::string> lines(block_.begin() + 1, block_.end());
    if (header == "PING:") {
        send("ACK\n\n");
        return;
    }
    if (header.empty() || header.back() != ':') {
        send("NAK\n\n");
        return;
    }
    const std::string name = header.substr(0, header.size() - 1);
    if (lines.empty()) {
        const std::string whole = owner_.block(name);
        if (whole.empty()) {
            send("NAK\n\n");
        } else {
            send("ACK\n\n" + whole);
        }
        return;
    }
    router_state& r = owner_.state();
    if (name == "VIDEO OUTPUT ROUTING") {
        std::vector<std::pair<long, long>> wanted;
        bool ok = !owner_.options().nak;
        for (const auto& l : lines) {
            std::istringstream in(l);
            std::string a;
            std::string b;
            in >> a >> b;
            long output = -1;
            long input = -1;
            if (to_int(a, output) && to_int(b, input)) {
                owner_.log_route(output, input);
            }
            if (output < 0 || input < 0 || output >= r.outputs || input >= r.inputs ||
                r.locked.count(output) != 0) {
                ok = false;
            }
            wanted.emplace_back(output, input);
        }
        if (!ok) {
            send("NAK\n\n");
            return;
        }
        send("ACK\n\n");
        std::string update = "VIDEO OUTPUT ROUTING:\n";
        for (const auto& [output, input] : wanted) {
            r.routes[output] = input;
            update += std::to_string(output) + " " + std::to_string(input) + "\n";
        }
        owner_.broadcast(update + "\n");
        return;
    }
    if (name == "INPUT LABELS" || name == "OUTPUT LABELS") {
        const bool in = name == "INPUT LABELS";
        std::string update = header + "\n";
        for (const auto& l : lines) {
            const auto blank = l.find(' ');
            long port = -1;
            if (blank == std::string::npos || !to_int(l.substr(0, blank), port) || port < 0 ||
                port >= (in ? r.inputs : r.outputs)) {
                send("NAK\n\n");
                return;
            }
            (in ? r.in_labels : r.out_labels)[port] = l.substr(blank + 1);
            update += l + "\n";
        }
        send("ACK\n\n");
        owner_.broadcast(update + "\n");
        return;
    }
    send("NAK\n\n");
}

// --- The command line and the control lines ----------------------------------------------

bool port_text(const std::string& arg, long& port, std::string& text) {
    const auto eq = arg.find('=');
    return eq != std::string::npos && to_int(arg.substr(0, eq), port) && port >= 0 &&
           (text = arg.substr(eq + 1), true);
}

bool config_line(const std::string& line, router_state& r, std::string& error) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word.empty() || word[0] == '#') {
        return true;
    }
    std::string a;
    std::string b;
    in >> a;
    long n = 0;
    long m = 0;
    if ((word == "inputs" || word == "outputs") && to_int(a, n) && n >= 0) {
        (word == "inputs" ? r.inputs : r.outputs) = n;
        return true;
    }
    if (word == "route" && (in >> b) && to_int(a, n) && to_int(b, m)) {
        r.routes[n] = m;
        return true;
    }
    if (word == "lock" && to_int(a, n)) {
        std::string state = "L";
        in >> state;
        if (state == "U") {
            r.locked.erase(n);
        } else {
            r.locked.insert(n);
        }
        return true;
    }
    if (word == "label" && (a == "in" || a == "out") && (in >> b) && to_int(b, n)) {
        std::string text;
        std::getline(in, text);
        if (!text.empty() && text[0] == ' ') {
            text.erase(0, 1);
        }
        (a == "in" ? r.in_labels : r.out_labels)[n] = text;
        return true;
    }
    error = "cannot read \"" + line + "\"";
    return false;
}

std::string read_file(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    ok = static_cast<bool>(in) || in.eof();
    return text.str();
}

void control(server& s, const std::string& line, asio::io_context& io) {
    std::istringstream in(line);
    std::string word;
    std::string a;
    in >> word >> a;
    router_state& r = s.state();
    long n = 0;
    if (word == "quit") {
        io.stop();
    } else if (word == "outage" && to_int(a, n)) {
        s.outage(0, n);
    } else if (word == "nak") {
        s.options().nak = a == "on";
    } else if (word == "silent") {
        s.options().silent = a == "on";
    } else if (word == "late" && to_int(a, n)) {
        s.options().late_ms = n;
    } else if (word == "route" || word == "label" || word == "lock") {
        std::string error;
        if (!config_line(line, r, error)) {
            std::cerr << "kest-videohub: " << error << "\n";
            return;
        }
        // Changes made "by hand" are pushed as status updates at once.
        std::istringstream again(line);
        std::string w;
        std::string x;
        std::string y;
        again >> w >> x >> y;
        if (word == "route") {
            s.broadcast("VIDEO OUTPUT ROUTING:\n" + x + " " + y + "\n\n");
        } else if (word == "lock") {
            s.broadcast("VIDEO OUTPUT LOCKS:\n" + x + (r.locked.count(std::stol(x)) ? " L" : " U") +
                        "\n\n");
        } else {
            const bool input = x == "in";
            const long port = std::stol(y);
            s.broadcast(std::string(input ? "INPUT LABELS:\n" : "OUTPUT LABELS:\n") + y + " " +
                        (input ? r.in_labels : r.out_labels)[port] + "\n\n");
        }
    } else {
        std::cerr << "kest-videohub: unknown control line \"" << line << "\"\n";
    }
}

void read_control(asio::posix::stream_descriptor& in, asio::streambuf& buffer, server& s,
                  asio::io_context& io) {
    asio::async_read_until(in, buffer, '\n', [&](const error_code& e, std::size_t) {
        if (e) {
            return;  // standard input closed: keep serving
        }
        std::istream lines(&buffer);
        std::string line;
        std::getline(lines, line);
        control(s, line, io);
        read_control(in, buffer, s, io);
    });
}

const char* const kUsage =
    "usage: kest-videohub [--listen ADDR] [--port N] [--port-file FILE] [--inputs N]\n"
    "                     [--outputs N] [--label-in P=TEXT]... [--label-out P=TEXT]...\n"
    "                     [--route OUT=IN]... [--lock OUT]... [--config FILE] [--log FILE]\n"
    "                     [--late-status MS] [--byte-at-a-time] [--nak] [--silent]\n"
    "                     [--outage-at MS --outage-for MS] [--no-end-prelude]\n"
    "                     [--extra FILE] [--control]\n"
    "A router on loopback speaking the Videohub text protocol (ports from 0).\n";

}  // namespace

int main(int argc, char** argv) {
    settings s;
    router_state r;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto fail = [](const std::string& message) {
        std::cerr << "kest-videohub: " << message << "\n" << kUsage;
        return 2;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        const std::string value = has_value ? args[i + 1] : std::string();
        long n = 0;
        std::string text;
        const auto number = [&](long& out) {
            if (!has_value || !to_int(value, out) || out < 0) {
                return false;
            }
            ++i;
            return true;
        };
        if (a == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--byte-at-a-time") {
            s.byte_at_a_time = true;
        } else if (a == "--nak") {
            s.nak = true;
        } else if (a == "--silent") {
            s.silent = true;
        } else if (a == "--no-end-prelude") {
            s.end_prelude = false;
        } else if (a == "--control") {
            s.control = true;
        } else if (a == "--listen" && has_value) {
            s.listen = value;
            ++i;
        } else if (a == "--port-file" && has_value) {
            s.port_file = value;
            ++i;
        } else if (a == "--log" && has_value) {
            s.log_file = value;
            ++i;
        } else if (a == "--port") {
            if (!number(s.port) || s.port > 65535) {
                return fail("--port needs 0 to 65535");
            }
        } else if (a == "--inputs" || a == "--outputs") {
            if (!number(n)) {
                return fail(a + " needs a count");
            }
            (a == "--inputs" ? r.inputs : r.outputs) = n;
        } else if (a == "--late-status") {
            if (!number(s.late_ms)) {
                return fail("--late-status needs MS");
            }
        } else if (a == "--outage-at") {
            if (!number(s.outage_at)) {
                return fail("--outage-at needs MS");
            }
        } else if (a == "--outage-for") {
            if (!number(s.outage_for)) {
                return fail("--outage-for needs MS");
            }
        } else if (a == "--lock") {
            if (!number(n)) {
                return fail("--lock needs an output");
            }
            r.locked.insert(n);
        } else if ((a == "--label-in" || a == "--label-out") && has_value) {
            if (!port_text(value, n, text)) {
                return fail(a + " needs PORT=TEXT");
            }
            (a == "--label-in" ? r.in_labels : r.out_labels)[n] = text;
            ++i;
        } else if (a == "--route" && has_value) {
            long input = 0;
            if (!port_text(value, n, text) || !to_int(text, input)) {
                return fail("--route needs OUT=IN");
            }
            r.routes[n] = input;
            ++i;
        } else if ((a == "--config" || a == "--extra") && has_value) {
            bool ok = false;
            const std::string content = read_file(value, ok);
            if (!ok) {
                return fail("cannot read " + value);
            }
            ++i;
            if (a == "--extra") {
                s.extra = content;
                continue;
            }
            std::istringstream lines(content);
            std::string line;
            std::string error;
            while (std::getline(lines, line)) {
                if (!config_line(line, r, error)) {
                    return fail(value + ": " + error);
                }
            }
        } else {
            return fail("unknown or incomplete option " + a);
        }
    }
    asio::io_context io;
    server srv(io, s, r);
    std::string error;
    if (!srv.open(error)) {
        std::cerr << "kest-videohub: " << error << "\n";
        return 2;
    }
    asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&io](const error_code&, int) { io.stop(); });
    asio::posix::stream_descriptor in(io);
    asio::streambuf buffer;
    if (s.control) {
        in.assign(::dup(0));
        read_control(in, buffer, srv, io);
    }
    io.run();
    return 0;
}
