#include "bench_host.h"

#include <cstring>
#include <utility>

#include "scenario.h"

namespace kest_bench {

void bench_host::hostOperation() {}

intptr_t bench_host::command(const char* text, int32_t code) {
    if (code == KEST_COMMAND_RELEASE) {
        ++releases_;
        if (text != nullptr && text != kNameReply && text != kRouterReply && text != kTallyReply &&
            text != kGpiReply) {
            ++strayReleases_;
        }
        return 0;
    }
    ++commands_;
    if (text == nullptr) {
        return 0;
    }
    checksum_ = checksum_ * 31u + static_cast<unsigned char>(text[0]);
    if (recording_) {
        texts_.emplace_back(text);
    }
    // Only the code decides the answer: two characters, whatever the text's length.
    if (text[0] == 'R' && text[1] == 'N') {
        return reinterpret_cast<intptr_t>(kNameReply);
    }
    if (text[0] == 'P' && text[1] == 'S') {
        return 1;
    }
    if (text[0] == 'S' && text[1] == 'D') {
        // Start-up only: the three instance names the panel looks up.
        if (std::strstr(text, "Router") != nullptr) {
            return reinterpret_cast<intptr_t>(kRouterReply);
        }
        if (std::strstr(text, "Tally") != nullptr) {
            return reinterpret_cast<intptr_t>(kTallyReply);
        }
        return reinterpret_cast<intptr_t>(kGpiReply);
    }
    return 0;
}

std::vector<std::string> bench_host::takeTexts() {
    std::vector<std::string> taken;
    taken.swap(texts_);
    return taken;
}

}  // namespace kest_bench
