#include "plugin/tape.h"

#include <cstdlib>
#include <cstring>

#include "parsed_request.h"

namespace kest_host {

namespace {

std::string hex(const char* bytes, std::size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 15];
    }
    return out.empty() ? std::string(".") : out;  // "." is the empty text
}

std::string text(const char* value) {
    return value == nullptr ? std::string("-") : hex(value, std::strlen(value));
}

// A reply pointer is an address; the numbers commands give (a layout accepted or
// not) are small. Addresses below 64 KiB are never mapped on the systems the host
// runs on.
bool is_reply(intptr_t result) {
    return result < 0 || result > 0xFFFF;
}

}  // namespace

class tape_recorder::tape_host final : public kest_host_callback {
  public:
    tape_host(tape_recorder& tape, kest_host_callback* inner) : tape_(tape), inner_(inner) {}
    void hostOperation() override { inner_->hostOperation(); }
    intptr_t command(const char* text, int32_t code) override {
        if (code == KEST_COMMAND_RELEASE) {
            tape_.command(text, code, 0);  // recorded before the host forgets the pointer
            return inner_->command(text, code);
        }
        const intptr_t result = inner_->command(text, code);
        tape_.command(text, code, result);
        return result;
    }
    virtual ~tape_host() = default;

  private:
    tape_recorder& tape_;
    kest_host_callback* inner_;
};

class tape_recorder::tape_client final : public kest_client_callback {
  public:
    tape_client(tape_recorder& tape, kest_client_callback* inner) : tape_(tape), inner_(inner) {}
    ~tape_client() override {
        tape_.line("delete");
        delete inner_;
    }
    tape_client(const tape_client&) = delete;
    tape_client& operator=(const tape_client&) = delete;
    char* callback(intptr_t data, int32_t type) override {
        tape_.event(data, type);
        char* result = inner_->callback(data, type);
        tape_.answer(result);
        return result;
    }

  private:
    tape_recorder& tape_;
    kest_client_callback* inner_;
};

std::unique_ptr<tape_recorder> tape_recorder::from_environment() {
    const char* path = std::getenv("KEST_TAPE");
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "ab");
    return file == nullptr ? nullptr : std::make_unique<tape_recorder>(file);
}

tape_recorder::tape_recorder(std::FILE* file) : file_(file) {}

tape_recorder::~tape_recorder() {
    std::fclose(file_);
}

kest_host_callback* tape_recorder::host(kest_host_callback* inner) {
    host_ = std::make_unique<tape_host>(*this, inner);
    return host_.get();
}

kest_client_callback* tape_recorder::client(kest_client_callback* inner) {
    return new tape_client(*this, inner);
}

void tape_recorder::panel(const char* dir) {
    replies_.clear();
    answers_.clear();
    reply_count_ = 0;
    answer_count_ = 0;
    line("panel " + text(dir));
}

void tape_recorder::made(bool made) {
    line(made ? "made 1" : "made 0");
}

void tape_recorder::line(const std::string& text) {
    std::fputs(text.c_str(), file_);
    std::fputc('\n', file_);
}

void tape_recorder::event(intptr_t data, int32_t type) {
    std::string out = "event " + std::to_string(type) + " ";
    switch (type) {
        case KEST_EVENT_REVERTIVE:
        case KEST_EVENT_DATABASE_CHANGE: {
            const auto* record = kest_pointer_from_word<const revertive_info>(data);
            if (record == nullptr) {
                out += "-";
                break;
            }
            out += std::to_string(record->device) + " " + std::to_string(record->database) + " " +
                   std::to_string(record->index) + " " + std::to_string(record->value) + " " +
                   hex(record->text, sizeof(record->text));
            break;
        }
        case KEST_EVENT_BUTTON: {
            const auto* record = kest_pointer_from_word<const button_info>(data);
            if (record == nullptr) {
                out += "-";
                break;
            }
            const parsed_request* request = record->request;
            out += text(record->id);
            if (request == nullptr) {
                out += " -";
                break;
            }
            out += " " + text(request->name) + " " + text(request->value) + " " +
                   (request->hasValue ? "1 " : "0 ") + std::to_string(request->partCount);
            for (int32_t i = 0; i < request->partCount && i < MAX_REQUEST_PARTS; ++i) {
                out += " " + text(request->parts[i]);
            }
            break;
        }
        case KEST_EVENT_PARENT_REQUEST:
            out += text(kest_pointer_from_word<const char>(data));
            break;
        case KEST_EVENT_RELEASE: {
            const auto found = answers_.find(kest_pointer_from_word<const void>(data));
            if (data == 0) {
                out += "-";
            } else if (found == answers_.end()) {
                out += "?";
            } else {
                out += std::to_string(found->second);
                answers_.erase(found);
            }
            break;
        }
        default:
            out += std::to_string(static_cast<long long>(data));
            break;
    }
    line(out);
}

void tape_recorder::answer(const char* result) {
    if (result != nullptr) {
        answers_[result] = answer_count_++;
    }
    line("answer " + text(result));
}

void tape_recorder::command(const char* command, int32_t code, intptr_t result) {
    if (code == KEST_COMMAND_RELEASE) {
        const auto found = replies_.find(command);
        if (command == nullptr) {
            line("release -");
        } else if (found == replies_.end()) {
            line("release ?");
        } else {
            line("release " + std::to_string(found->second));
            replies_.erase(found);
        }
        return;
    }
    std::string out = "command " + std::to_string(code) + " " + text(command);
    if (is_reply(result)) {
        const char* reply = kest_pointer_from_word<const char>(result);
        replies_[reply] = reply_count_++;
        out += " r " + text(reply);
    } else {
        out += " n " + std::to_string(static_cast<long long>(result));
    }
    line(out);
}

}  // namespace kest_host
