// The pieces of the HTML report, shared by its files; not for use outside them.
//
// The page is also well-formed XML (void elements closed, the script in a CDATA
// section), so that a test can parse it. Every attribute value and every text of the
// page goes through html_text(); these helpers only join pieces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "report/html_report.h"
#include "report/run_record.h"

namespace kest_host::report::html {

inline void text(std::string& out, std::string_view value) {
    out += html_text(value);
}

inline void attr(std::string& out, const char* name, std::string_view value) {
    out += ' ';
    out += name;
    out += "=\"";
    out += html_text(value);
    out += '"';
}

inline std::string number(uint64_t n) {
    return std::to_string(n);
}

// The inline style sheet and script of the page.
const char* style();
const char* script();

// One drawing of the panel: a snapshot, and the failed expectations it shows
// (consecutive failures that left the panel alike share one drawing).
struct drawing {
    std::size_t first = 0;  // its snapshot in the suite
    std::vector<const expectation_record*> failures;
};
std::vector<drawing> drawings(const suite_record& suite);
// The id of a drawing's figure on the page.
std::string drawing_id(const std::string& suite_id, const drawing& d);

// The legend and the drawings of the suite, under a "Panel" heading; the controls a
// failure is about are outlined and named in the caption.
void write_panels(std::string& out, const suite_record& suite, const std::string& suite_id,
                  const std::string& lit);

}  // namespace kest_host::report::html
