#include "report/html_parts.h"

namespace kest_host::report::html {

namespace {

constexpr const char* kStyle = R"css(
:root { --bg: #f4f5f7; --fg: #1d2026; --muted: #5f6670; --bad: #c62828; --warn: #b26a00;
        --good: #2e7d32; --panel: #23272e; --panel-fg: #e8eaed; }
* { box-sizing: border-box; }
body { margin: 0; padding: 1.5rem; background: var(--bg); color: var(--fg);
       font: 15px/1.45 system-ui, sans-serif; }
h1 { margin: 0 0 .5rem; font-size: 1.5rem; }
h2 { margin: 2rem 0 .5rem; font-size: 1.25rem; border-bottom: 2px solid #cfd3da; }
h3 { margin: 1.25rem 0 .5rem; font-size: 1.05rem; }
code, .mono { font-family: ui-monospace, "DejaVu Sans Mono", monospace; }
.verdict { display: inline-block; padding: .2rem .7rem; border-radius: 4px; color: #fff;
           font-weight: 600; }
.verdict.passed { background: var(--good); }
.verdict.failed { background: var(--bad); }
table { border-collapse: collapse; background: #fff; }
th, td { border: 1px solid #d5d9e0; padding: .25rem .6rem; text-align: left;
         vertical-align: top; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
.status-passed { color: var(--good); font-weight: 600; }
.status-failed { color: var(--bad); font-weight: 600; }
.status-warning { color: var(--warn); font-weight: 600; }
.status-skipped { color: var(--muted); }
tr.failed td, td.bad { background: #fdecea; }
td.bad { color: var(--bad); font-weight: 600; }
.error { color: var(--bad); font-weight: 600; }
.findings { margin: 0; padding-left: 1.1rem; white-space: pre-wrap; }
figure.snapshot { margin: 0 0 1rem; display: inline-block; vertical-align: top;
                  margin-right: 1rem; }
figure.snapshot figcaption { font-size: .9rem; color: var(--muted); margin-bottom: .25rem; }
figure.snapshot.failed figcaption { color: var(--bad); font-weight: 600; }
figure.snapshot.failed .panel { outline: 3px solid var(--bad); }
.panel { display: grid; grid-auto-rows: 1.9em; padding: .6rem; background: var(--panel);
         color: var(--panel-fg); border-radius: 6px;
         font: 14px/1.9em ui-monospace, "DejaVu Sans Mono", monospace; }
.control { overflow: hidden; white-space: pre; text-overflow: ellipsis; padding: 0 2px;
           position: relative; }
.control.caption { color: #9aa3ad; }
.control.label { color: #fff; }
.control.indicator { background: #6b5200; color: #ffe9a8; border-radius: 3px; }
.control.button { margin: 0 3px; text-align: center; border-radius: 4px; color: #fff;
                  font-weight: 600; border: 1px solid #000; }
.control.button.ss-none { background: transparent; border: 1px solid #8c96a3;
                          color: #c4cad1; }
.control.is-hidden { opacity: .45; border: 1px dashed #c4cad1; background: transparent;
                     color: #c4cad1; }
.control.is-hidden { display: flex; align-items: flex-start; }
.control.is-hidden .text { flex: 1 1 auto; min-width: 0; overflow: hidden;
                           text-overflow: ellipsis; }
.hidden-mark { flex: none; margin-left: 2px; font-size: 9px; line-height: 1.1;
               padding: 0 3px; text-transform: uppercase; color: #23272e;
               background: #c4cad1; border-radius: 0 0 3px 3px; }
.control.marked { outline: 3px solid #ff4d4d; outline-offset: 1px; z-index: 1; opacity: 1; }
.marked-name { font-weight: 400; }
nav.failures ol, nav.index ol { margin: .25rem 0 1rem; padding-left: 1.4rem; }
nav.failures li { color: var(--bad); }
.legend { list-style: none; padding: 0; margin: .25rem 0 1rem; display: flex; gap: 1rem;
          flex-wrap: wrap; font-size: .9rem; }
.swatch { display: inline-block; width: 1.6em; height: 1em; vertical-align: middle;
          border-radius: 3px; margin-right: .35em; border: 1px solid #000; }
.swatch.ss-none { background: transparent; border-color: #8c96a3; }
.swatch.is-hidden { border: 1px dashed #5f6670; background: transparent; }
ol.timeline { list-style: none; padding: 0; margin: 0; }
li.step { background: #fff; border: 1px solid #d5d9e0; border-left: 4px solid #9aa3ad;
          margin: .3rem 0; padding: .3rem .6rem; }
li.step.failed { border-left-color: var(--bad); background: #fdecea; }
.statement .line { color: var(--muted); display: inline-block; min-width: 3em; }
.failure { color: var(--bad); font-weight: 600; white-space: pre-wrap; }
ul.entries { list-style: none; margin: .2rem 0 0 3em; padding: 0; font-size: .88rem; }
li.entry { white-space: pre-wrap; word-break: break-all; }
li.entry .dir { color: var(--muted); display: inline-block; min-width: 12em; }
li.entry.kind-reply, li.entry.kind-release { color: #3a5a8a; }
li.entry.kind-event { color: #6a3a8a; }
li.entry.kind-answer { color: #2a6b6b; }
li.entry.kind-finding { color: var(--bad); font-weight: 600; }
li.entry.dropped, li.step.dropped, p.dropped { color: var(--muted); font-style: italic; }
.filtered-out { display: none; }
form.filter { margin: .25rem 0 .5rem; }
form.filter label { margin-right: 1rem; }
)css";

// Shows the filter and applies it, also as a link's #device=N&kind=K asks. Without the
// script the form stays hidden and every entry stays visible.
constexpr const char* kScript = R"js(
(function () {
  'use strict';
  var forms = document.querySelectorAll('form.filter');
  Array.prototype.forEach.call(forms, function (form) {
    var suite = form.closest('section.suite');
    var device = form.querySelector('select[name="device"]');
    var kind = form.querySelector('select[name="kind"]');
    function apply() {
      var active = device.value !== '' || kind.value !== '';
      var entries = suite.querySelectorAll('li.entry');
      Array.prototype.forEach.call(entries, function (entry) {
        var match = (device.value === '' || entry.getAttribute('data-device') === device.value) &&
                    (kind.value === '' || entry.getAttribute('data-kind') === kind.value);
        entry.classList.toggle('filtered-out', !match);
      });
      var steps = suite.querySelectorAll('li.step');
      Array.prototype.forEach.call(steps, function (step) {
        var shown = step.querySelector('li.entry:not(.filtered-out)') !== null;
        step.classList.toggle('filtered-out',
                              active && !shown && !step.classList.contains('failed'));
      });
    }
    device.addEventListener('change', apply);
    kind.addEventListener('change', apply);
    form.hidden = false;
    // A link may carry a filter: report.html#device=12&kind=command
    location.hash.replace(/^#/, '').split('&').forEach(function (pair) {
      var parts = pair.split('=');
      var select = parts[0] === 'device' ? device : parts[0] === 'kind' ? kind : null;
      if (select && parts.length === 2) {
        try {
          select.value = decodeURIComponent(parts[1]);
        } catch (e) {
          select.value = '';
        }
      }
    });
    apply();
  });
})();
)js";

}  // namespace

const char* style() {
    return kStyle;
}
const char* script() {
    return kScript;
}

}  // namespace kest_host::report::html
