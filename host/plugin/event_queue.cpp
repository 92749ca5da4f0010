#include "plugin/event_queue.h"

#include "common/printable.h"

namespace kest_host {

const char* event_name(int32_t type) {
    switch (type) {
        case KEST_EVENT_REVERTIVE:
            return "revertive";
        case KEST_EVENT_BUTTON:
            return "button";
        case KEST_EVENT_PARENT_REQUEST:
            return "parent request";
        case KEST_EVENT_TIMER:
            return "timer";
        case KEST_EVENT_RELEASE:
            return "release of an answer";
        case KEST_EVENT_DATABASE_CHANGE:
            return "database change";
        case KEST_EVENT_INTEGER:
            return "integer event";
        default:
            return "unknown event";
    }
}

void event_queue::settle(kest_client_callback* client) {
    uint64_t count = 0;
    while (!queue_.empty()) {
        if (++count > kSettleLimit) {
            checks_.settled({true, kSettleLimit, queue_.size()});
            queue_.clear();
            return;
        }
        host_event e = std::move(queue_.front());
        queue_.pop_front();
        deliver(client, e);
    }
    checks_.settled({false, kSettleLimit, 0});
}

std::size_t event_queue::clear() {
    const std::size_t dropped = queue_.size();
    queue_.clear();
    return dropped;
}

void event_queue::deliver(kest_client_callback* client, host_event& e) {
    if (client == nullptr) {
        return;
    }
    ++delivered_;
    char* result = nullptr;
    switch (e.type) {
        case KEST_EVENT_REVERTIVE:
        case KEST_EVENT_DATABASE_CHANGE:
            result = deliver_record(client, e);
            break;
        case KEST_EVENT_BUTTON:
            result = deliver_button(client, e);
            break;
        case KEST_EVENT_PARENT_REQUEST: {
            const std::string what =
                "parent request  " + (e.null_text ? std::string("(no text)") : quoted(e.text));
            trace_.line("host -> plug-in", what);
            trace_.item(trace_kind::event, what);
            const char* text = e.null_text ? nullptr : e.text.c_str();
            take_answer(client->callback(reinterpret_cast<intptr_t>(text), e.type), e);
            return;
        }
        case KEST_EVENT_RELEASE:
            trace_.line("host -> plug-in", "release answer");
            trace_.item(trace_kind::event, "release answer");
            result = client->callback(e.data, e.type);
            break;
        default: {
            const std::string what = std::string(event_name(e.type)) + " (type " +
                                     std::to_string(e.type) + ") data " +
                                     std::to_string(static_cast<long long>(e.data));
            trace_.line("host -> plug-in", what);
            trace_.item(trace_kind::event, what);
            result = client->callback(e.data, e.type);
            break;
        }
    }
    checks_.answer({e.type, event_name(e.type), result != nullptr, true, kAnswerScanLimit, e.text});
}

std::string event_queue::describe_record(const host_event& e) const {
    std::string line =
        std::string(event_name(e.type)) + "  device " + std::to_string(e.record.device);
    const device* d = world_.find(e.record.device);
    line += d != nullptr ? std::string(" (") + kind_name(d->kind()) + ")" : " (unknown)";
    if (e.type == KEST_EVENT_DATABASE_CHANGE) {
        line += " database " + std::to_string(e.record.database);
    }
    return line + " index " + std::to_string(e.record.index) + " value " +
           std::to_string(e.record.value) + " text " + quoted(e.record.text);
}

char* event_queue::deliver_record(kest_client_callback* client, host_event& e) {
    if (trace_.wanted()) {
        const std::string what = describe_record(e);
        trace_.line("host -> plug-in", what);
        trace_.item(trace_kind::event, what, e.record.device);
    }
    revertive_info record = e.record;  // the plug-in may only read it during the call
    return client->callback(reinterpret_cast<intptr_t>(&record), e.type);
}

char* event_queue::deliver_button(kest_client_callback* client, host_event& e) {
    const std::string what = "button  id " + quoted(e.text) + " request " + quoted(e.request);
    trace_.line("host -> plug-in", what);
    trace_.item(trace_kind::event, what);
    parsed_request request(e.request.c_str());
    button_info record{};
    record.id = e.text.c_str();
    record.request = &request;
    return client->callback(reinterpret_cast<intptr_t>(&record), e.type);
}

void event_queue::take_answer(char* answer, const host_event& e) {
    if (answer == nullptr) {
        trace_.line("plug-in -> host", "answer  (none)");
        trace_.item(trace_kind::answer, "(none)");
        last_answer_.reset();
        checks_.answer({e.type, event_name(e.type), false, true, kAnswerScanLimit, e.text});
        return;
    }
    std::size_t length = 0;
    while (length < kAnswerScanLimit && answer[length] != '\0') {
        ++length;
    }
    const bool terminated = length < kAnswerScanLimit;
    checks_.answer({e.type, event_name(e.type), true, terminated, kAnswerScanLimit, e.text});
    last_answer_ = terminated ? std::string(answer) : std::string(answer, 40) + "...";
    trace_.line("plug-in -> host", "answer  " + quoted(*last_answer_));
    trace_.item(trace_kind::answer, *last_answer_);
    host_event release;
    release.type = KEST_EVENT_RELEASE;
    release.data = reinterpret_cast<intptr_t>(answer);
    queue_.push_front(std::move(release));  // handed back before anything else
}

}  // namespace kest_host
