// What the stand-in framework knows of its own texts beyond the operations a panel
// may use: whether a text or list is complete (nothing cut, no marker left
// unfilled for want of memory), storing a text whole or not at all, and how much
// text a string keeps inside itself. For this library's own tests and
// benchmarks: not installed, and never included by panel code, which measures its
// texts instead (script_helper/kest_whole_text.h).
#pragma once

#include "kest_string.h"
#include "kest_stringlist.h"

struct kest_string_state {
    static bool complete(const kest_string& text) { return text.complete_; }
    static bool complete(const kest_stringlist& list) { return list.complete(); }
    static bool assignWhole(kest_string& text, const char* value) {
        return text.assignWhole(value);
    }
    static constexpr unsigned kInlineCapacity = kest_string::kInlineCapacity;
    static constexpr int kInlineItems = kest_stringlist::kInlineItems;
};
