// kest-videohub run for a test: started on an ephemeral loopback port, its log of the
// routing blocks it received read back, its control lines written to its standard
// input, and ended with SIGTERM when the object goes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class videohub_process {
  public:
    explicit videohub_process(std::vector<std::string> args) {
        char dir_template[] = "/tmp/kest-videohub-test.XXXXXX";
        dir_ = mkdtemp(dir_template);
        const std::string port_file = dir_ + "/port";
        args.insert(args.begin(), {KEST_VIDEOHUB, "--port", "0", "--port-file", port_file, "--log",
                                   dir_ + "/log", "--control"});
        std::vector<char*> argv;
        argv.reserve(args.size() + 1);
        for (auto& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        posix_spawn_file_actions_addopen(&actions, 2, (dir_ + "/stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, KEST_VIDEOHUB, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[0]);
        control_ = fds[1];
        // The port file appears once it listens (written whole, then renamed).
        for (int i = 0; i < 500 && port_ == 0 && pid_ > 0; ++i) {
            std::ifstream in(port_file);
            unsigned port = 0;
            if (in >> port) {
                port_ = static_cast<uint16_t>(port);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
    }
    ~videohub_process() {
        if (control_ >= 0) {
            close(control_);
        }
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    videohub_process(const videohub_process&) = delete;
    videohub_process& operator=(const videohub_process&) = delete;

    uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    const std::string& dir() const { return dir_; }

    // The routing lines clients sent, "route OUT IN" each, in order.
    std::vector<std::string> log() const {
        std::ifstream in(dir_ + "/log");
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(in, line)) {
            lines.push_back(line);
        }
        return lines;
    }

    // A control line (route, label, lock, outage, nak, silent, late).
    void control(const std::string& line) const {
        const std::string text = line + "\n";
        if (write(control_, text.data(), text.size()) < 0) {
            return;
        }
    }

  private:
    std::string dir_;
    pid_t pid_ = -1;
    int control_ = -1;
    uint16_t port_ = 0;
};
