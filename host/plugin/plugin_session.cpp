#include "plugin/plugin_session.h"

#include "common/paths.h"
#include "common/printable.h"

namespace kest_host {

plugin_session::plugin_session(const session_options& options, std::ostream& out)
    : options_(options),
      out_(out),
      errors_(options.errors != nullptr ? *options.errors : out),
      checks_([this](const check& which, bool failure, const std::string& message) {
          report(which, failure, message);
      }),
      host_(checks_) {
    host_.set_trace(options_.quiet ? nullptr : &out_, options_.color);
    host_.set_quarantine_limit(options_.quarantine);
    if (options_.recorder != nullptr && options_.record_trace) {
        feed_ = std::make_unique<report_feed>(*options_.recorder);
        host_.set_trace_listener(feed_.get());
    }
    if (options_.layout_dir.empty()) {
        options_.layout_dir = directory_of(options_.plugin);
    }
}

plugin_session::~plugin_session() {
    end();
}

void plugin_session::report(const check& which, bool failure, const std::string& message) {
    if (options_.recorder != nullptr) {
        options_.recorder->note_finding(which.id(), message, !failure);
    }
    if (!host_.file_error().empty()) {
        ++follow_on_;
        return;
    }
    const uint64_t count = which.findings();  // this finding is counted already
    const uint64_t most =
        options_.findings_printed > 0 ? options_.findings_printed : kFindingsPrinted;
    if (print_findings_) {
        uint64_t& printed = printed_[which.id()];
        if (printed < most) {
            errors_ << "kest-host: " << (failure ? "CHECK FAILED " : "check warning ") << which.id()
                    << ": " << printable(message) << "\n";
        } else if (printed == most) {
            errors_ << "kest-host: (further findings of " << which.id() << " are only counted"
                    << options_.more_findings << ")\n";
        }
        ++printed;
    }
    if (observer_) {
        observer_(which, failure, message, count <= kFindingsPrinted);
    }
}

bool plugin_session::start() {
    if (started_) {
        return error_.empty();
    }
    started_ = true;
    std::string reason;
    if (!library_.open(options_.plugin, reason)) {
        error_ = "cannot load plug-in " + options_.plugin + ": " + reason;
        return false;
    }
    void* entry = library_.symbol("load_kest_client_script");
    if (entry == nullptr) {
        library_.close();
        error_ = "plug-in " + options_.plugin + " does not export load_kest_client_script";
        return false;
    }
    factory_ = reinterpret_cast<load_kest_client_script_fn>(entry);
    return make_panel();
}

bool plugin_session::make_panel() {
    if (!host_.create(factory_, options_.layout_dir)) {
        error_ =
            "plug-in " + options_.plugin + " made no panel (load_kest_client_script returned null)";
        return false;
    }
    host_.settle();
    return true;
}

bool plugin_session::restart() {
    if (!started_) {
        const bool made = start();
        stopped_ = false;
        return made;
    }
    if (!error_.empty() || ended_) {
        return false;
    }
    stop();
    host_.world().clock().stop_all();
    stopped_ = false;
    checks_.created();
    return make_panel();
}

void plugin_session::stop() {
    // A stop before any start makes no panel: nothing reaches one until a start or
    // restart makes it.
    if (started_) {
        host_.destroy();
    }
    stopped_ = true;
}

void plugin_session::end(const std::string& where) {
    if (ended_) {
        return;
    }
    ended_ = true;
    set_location(where);
    stop();
    // The panel's code lives in the library: whatever state the session is in, the
    // panel object goes before the library does.
    host_.destroy();
    library_.close();
    host_.finish();
}

bool plugin_session::print_checks() {
    out_ << checks_.table(options_.color);
    return checks_.any_failed();
}

}  // namespace kest_host
