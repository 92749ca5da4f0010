// What the browser page shows, drawn by the host: the page's script only puts each
// part in place. Parts (ids of the page's elements, "part-NAME"):
//   title    the studio file (plain text, also the document's title)
//   panel    the shown panels, drawn by the HTML report's renderer
//   devices  every device, its kind, its link, and the faults in force
//   inputs   the eight inputs, high ones marked, pressable
//   faults   the fault statements offered for the simulated devices
//   trace    the last kTraceLines lines of the trace
// refresh() draws them all and returns only those that changed, so that a page gets
// nothing when nothing changed.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "plugin/sim_host.h"
#include "plugin/trace_log.h"

namespace kest_host::web {

class page_view final : public trace_listener {
  public:
    static constexpr std::size_t kTraceLines = 40;
    static constexpr int kInputs = 8;

    explicit page_view(std::string studio);

    void traced(trace_kind kind, const std::string& text, std::optional<int32_t> device) override;
    // A statement run from the page or the console, for the trace part.
    void note(const std::string& line);

    // Draws every part from the host now. `inputs`: the GPI device and the index of
    // input 1, when known. Returns the messages of the parts that changed.
    std::vector<std::string> refresh(const sim_host& host,
                                     std::optional<std::pair<int32_t, int32_t>> inputs);
    // Every part as last drawn, as messages.
    std::vector<std::string> everything() const;
    // The fault statements the page offers now.
    const std::vector<std::string>& offered_faults() const { return faults_; }
    // The last drawn text of a part ("" when none).
    std::string part(const std::string& name) const;

  private:
    void add_trace(std::string line);
    std::string draw_trace() const;

    std::string studio_;
    std::map<std::string, std::string> parts_;
    std::deque<std::string> trace_;
    std::vector<std::string> faults_;
};

// The page's main HTML for a studio; `query` ("token=..." or "") is carried on to the
// script, the style sheet and the WebSocket.
std::string page_html(const std::string& studio, const std::string& query);
const char* page_script();
std::string page_style();

}  // namespace kest_host::web
