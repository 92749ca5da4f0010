// What each set-up statement and step of a scenario does.
#include <algorithm>

#include "common/paths.h"
#include "common/printable.h"
#include "common/suggest.h"
#include "panel/panel_names.h"
#include "scenario/scenario_runner.h"

namespace kest_host {

bool scenario_runner::apply(const stmt::layout_dir& s) {
    if (session_.started()) {
        return fail_step("layout-dir must come before the panel starts");
    }
    session_.set_layout_dir(is_absolute_path(s.dir) ? s.dir : directory_of(file_) + "/" + s.dir);
    return true;
}

bool scenario_runner::apply(const stmt::device& s) {
    if (!s.address.empty() && devices() == nullptr) {
        fatal_ = true;
        return fail_step("this kest-host has no live mode (built without Boost.Asio): " +
                         std::string(kind_name(s.kind)) + " " + std::to_string(s.number) +
                         " cannot be a real device");
    }
    device* d = host().world().add(s.kind, s.number);
    if (d == nullptr) {
        return fail_step("device " + std::to_string(s.number) + " is already declared");
    }
    std::string error;
    if (!s.tsl.empty() &&
        !devices()->add_tsl(host(), static_cast<gpi&>(*d), s.tsl, s.address, error)) {
        fatal_ = true;
        return fail_step(error);
    }
    if (s.kind == device_kind::router && !s.address.empty() &&
        !devices()->add_videohub(host(), static_cast<router&>(*d), s.address, error)) {
        fatal_ = true;
        return fail_step(error);
    }
    return true;
}

bool scenario_runner::apply(const stmt::instance& s) {
    host().world().instances().add(s.name, s.device, s.offset);
    // A name close to one the panel looks up is most likely a slip: the panel would
    // not find its device, and nothing else would say why.
    const std::string near = did_you_mean(
        s.name,
        {panel_names::kRouterInstance, panel_names::kTallyInstance, panel_names::kGpiInstance});
    if (!near.empty()) {
        session_.errors() << where_ << ": warning: instance \"" << printable(s.name)
                          << "\" is not a name the panel looks up" << near << "\n";
    }
    return true;
}

bool scenario_runner::apply(const stmt::inputs& s) {
    input_device_ = s.device;
    input_first_ = s.first;
    inputs_set_ = true;
    return true;
}

bool scenario_runner::apply(const stmt::slot& s) {
    auto* d = static_cast<infodriver*>(need(device_kind::infodriver));
    if (d != nullptr) {
        d->set_slot(s.index, s.text);
    }
    return d != nullptr;
}

bool scenario_runner::apply(const stmt::name& s) {
    auto* d = static_cast<router*>(need(device_kind::router));
    if (d == nullptr) {
        return false;
    }
    if (session_.live()) {
        d->rename(s.database, s.index, s.text);
    } else {
        d->names[s.database][s.index] = s.text;
    }
    return true;
}

bool scenario_runner::apply(const stmt::route& s) {
    auto* d = static_cast<router*>(need(device_kind::router));
    if (d != nullptr) {
        d->route(s.destination, s.source);
    }
    return d != nullptr;
}

bool scenario_runner::apply(const stmt::input& s) {
    auto* d = static_cast<gpi*>(need(device_kind::gpi));
    if (d != nullptr) {
        d->set_input(s.index, s.value);
    }
    return d != nullptr;
}

// A start after stop makes a fresh panel; otherwise prepare() has started it.
bool scenario_runner::apply(const stmt::start&) {
    return !session_.stopped() || restart_panel();
}

bool scenario_runner::apply(const stmt::restart&) {
    return restart_panel();
}

bool scenario_runner::restart_panel() {
    if (!session_.restart()) {
        fatal_ = true;
        error_ = session_.error();
        return false;
    }
    tell_devices_started();
    return true;
}

bool scenario_runner::apply(const stmt::console&) {
    return fail_step("only at the interactive prompt");
}

bool scenario_runner::apply(const stmt::stop&) {
    session_.stop();
    return true;
}

bool scenario_runner::apply(const stmt::show&) {
    if (session_.live()) {
        host().settle();
    }
    show();
    record_drawing(report::snapshot_reason::show, line_);
    return true;
}

// The GPI device that press and release use: as `inputs` said, or the first GPI
// device at the offset of its instance.
gpi* scenario_runner::input_device() {
    if (!inputs_set_) {
        device* d = need(device_kind::gpi);
        if (d == nullptr) {
            return nullptr;
        }
        input_device_ = d->number();
        input_first_ = host().world().instances().first_offset_on(d->number());
        inputs_set_ = true;
    }
    auto* d = host().world().find_as<gpi>(input_device_);
    if (d == nullptr) {
        fail_step("inputs names device " + std::to_string(input_device_) +
                  ", which is not a declared gpi device");
    }
    return d;
}

bool scenario_runner::set_input(int32_t number, bool high) {
    gpi* d = input_device();
    if (d != nullptr && d->remote() != nullptr) {
        return fail_step("gpi " + std::to_string(d->number()) + " follows " +
                         d->remote()->follows() +
                         ": its inputs follow the network, press and release are refused");
    }
    if (d != nullptr) {
        d->set_input(input_first_ + number - 1, high ? 1 : 0);
    }
    return d != nullptr;
}

bool scenario_runner::apply(const stmt::press& s) {
    return set_input(s.input, true);
}

bool scenario_runner::apply(const stmt::release& s) {
    return set_input(s.input, false);
}

bool scenario_runner::apply(const stmt::advance& s) {
    pass_time(s.ms);
    return true;
}

bool scenario_runner::apply(const stmt::request& s) {
    host().send_request(s.text ? &*s.text : nullptr);
    return true;
}

bool scenario_runner::apply(const stmt::button& s) {
    host().send_button(s.id, s.request);
    return true;
}

bool scenario_runner::apply(const stmt::revertive& s) {
    host().send_record(KEST_EVENT_REVERTIVE, make_record(s.device, 0, s.index, s.value, s.text));
    return true;
}

bool scenario_runner::apply(const stmt::dbchange& s) {
    host().send_record(KEST_EVENT_DATABASE_CHANGE,
                       make_record(s.device, s.database, s.index, 0, s.text));
    return true;
}

bool scenario_runner::apply(const stmt::event& s) {
    host().send_raw(s.type, static_cast<intptr_t>(s.data));
    return true;
}

}  // namespace kest_host
