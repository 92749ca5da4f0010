// The browser panel's page, script and style sheet. Everything is served by the host
// itself: no resource from elsewhere, no inline script.
#include "report/html_live.h"
#include "report/html_report.h"
#include "web/web_view.h"

namespace kest_host::web {

namespace {

constexpr const char* kScript = R"js('use strict';
// Puts the parts the host draws in place, and sends what a person presses. Nothing
// here draws the panel: the host does.
(function () {
  const query = location.search;
  const status = document.getElementById('link');
  let socket = null;
  let retry = 250;
  let retryTimer = null;
  const held = new Set();

  function setLink(state, text) {
    status.dataset.state = state;
    status.textContent = text;
    document.body.dataset.link = state;
  }

  function put(part, body) {
    if (part === 'title') {
      document.title = body + ' \u2013 kest-host panel';
      document.getElementById('part-title').textContent = body;
      return;
    }
    const place = document.getElementById('part-' + part);
    if (place) {
      place.innerHTML = body;
      const list = place.querySelector('.trace');
      if (list) {
        list.scrollTop = list.scrollHeight;  // the newest lines in view
      }
    }
  }

  function send(statement) {
    if (socket && socket.readyState === WebSocket.OPEN) {
      socket.send(statement);
    }
  }

  function connect() {
    retryTimer = null;
    const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
    socket = new WebSocket(scheme + location.host + '/ws' + query);
    socket.onopen = function () {
      retry = 250;
      setLink('connected', 'connected');
    };
    socket.onmessage = function (event) {
      const text = String(event.data);
      const cut = text.indexOf('\n');
      const part = cut < 0 ? text : text.slice(0, cut);
      const body = cut < 0 ? '' : text.slice(cut + 1);
      if (part === 'reload') {
        setLink('disconnected', 'reloading: ' + body);
        return;
      }
      put(part, body);
    };
    socket.onclose = function () {
      socket = null;
      held.clear();
      setLink('disconnected', 'disconnected \u2013 reconnecting\u2026');
      if (retryTimer === null) {
        retryTimer = setTimeout(connect, retry);
        retry = Math.min(retry * 2, 4000);
      }
    };
  }

  function press(n) {
    if (!held.has(n)) {
      held.add(n);
      send('press ' + n);
    }
  }
  function release(n) {
    if (held.has(n)) {
      held.delete(n);
      send('release ' + n);
    }
  }
  function releaseAll() {
    for (const n of Array.from(held)) {
      release(n);
    }
  }

  const inputs = document.getElementById('part-inputs');
  inputs.addEventListener('pointerdown', function (event) {
    const button = event.target.closest('[data-input]');
    if (button) {
      event.preventDefault();
      press(button.dataset.input);
    }
  });
  document.addEventListener('pointerup', releaseAll);
  document.addEventListener('pointercancel', releaseAll);
  window.addEventListener('blur', releaseAll);
  document.addEventListener('keydown', function (event) {
    if (event.key >= '1' && event.key <= '8' && !event.repeat && !event.ctrlKey &&
        !event.altKey && !event.metaKey) {
      event.preventDefault();
      press(event.key);
    }
  });
  document.addEventListener('keyup', function (event) {
    if (event.key >= '1' && event.key <= '8') {
      release(event.key);
    }
  });
  document.getElementById('part-faults').addEventListener('click', function (event) {
    const button = event.target.closest('[data-statement]');
    if (button) {
      send(button.dataset.statement);
    }
  });

  setLink('disconnected', 'connecting\u2026');
  connect();
})();
)js";

constexpr const char* kStyle = R"css(
body { padding: .75rem; }
header { display: flex; flex-wrap: wrap; gap: .5rem 1rem; align-items: baseline; }
header h1 { font-size: 1.2rem; margin: 0; overflow-wrap: anywhere; }
#link { padding: .1rem .6rem; border-radius: 4px; font-weight: 600; color: #fff;
        background: var(--good); }
#link[data-state=disconnected] { background: var(--bad); }
body[data-link=disconnected] main { opacity: .45; }
main { display: grid; grid-template-columns: minmax(0, 1fr); gap: .75rem; }
@media (max-width: 999px) {
  #inputs { order: -1; }  /* on a phone the inputs come first */
}
@media (min-width: 1000px) {
  main { grid-template-columns: minmax(0, 3fr) minmax(0, 2fr); }
  #part-panel { grid-row: span 3; }
}
section h2 { margin: .5rem 0 .25rem; font-size: 1rem; }
figure.snapshot { display: block; margin-right: 0; }
/* The drawing's columns are 1ch wide where there is room and share what there is
   where there is not (a phone): the panel fits the page and never scrolls sideways,
   and a text that no longer fits ends in an ellipsis (its whole text is the title). */
#part-panel .panel { grid-template-columns: none !important; grid-auto-columns: minmax(0, 1ch);
                     overflow: hidden; }
@media (max-width: 599px) { #part-panel .panel { font-size: 12px; padding: .4rem; } }
.devices { list-style: none; padding: 0; margin: 0; display: flex; flex-wrap: wrap; gap: .4rem; }
.device { background: #fff; border: 1px solid #cfd3da; border-radius: 4px; padding: .1rem .5rem; }
.device .link { color: var(--muted); font-size: .85em; }
.faults-in-force { margin: .3rem 0; color: var(--muted); }
.faults-in-force[data-faults]:not([data-faults=""]) { color: var(--bad); font-weight: 600; }
.inputs { display: grid; grid-template-columns: repeat(4, minmax(0, 1fr)); gap: .4rem; }
@media (min-width: 600px) { .inputs { grid-template-columns: repeat(8, minmax(0, 1fr)); } }
button.input { font: 600 1.3rem system-ui, sans-serif; min-height: 3.2rem; border-radius: 6px;
               border: 2px solid #5b6573; background: #fff; color: var(--fg);
               touch-action: none; user-select: none; cursor: pointer; }
button.input small { display: block; font-size: .7rem; font-weight: 400; color: var(--muted); }
button.input.high { background: #2e9e44; border-color: #1b6b2b; color: #fff; }
button.input.high small { color: #e8f5e9; font-weight: 600; }
.fault-buttons { display: flex; flex-wrap: wrap; gap: .3rem; }
button.fault { font: .85rem system-ui, sans-serif; padding: .3rem .5rem; border-radius: 4px;
               border: 1px solid #a8742a; background: #fff8ec; cursor: pointer; }
.trace { font: 12px/1.4 ui-monospace, "DejaVu Sans Mono", monospace; background: #fff;
         border: 1px solid #d5d9e0; margin: 0; padding: .4rem .4rem .4rem 2.2rem;
         max-height: 22rem; overflow: auto; overflow-wrap: anywhere; }
)css";

}  // namespace

std::string page_html(const std::string& studio, const std::string& query) {
    const std::string q = query.empty() ? "" : "?" + report::html_text(query);
    const std::string name = report::html_text(studio);
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           name +
           " &#8211; kest-host panel</title>"
           "<link rel=\"icon\" href=\"/favicon.ico" +
           q + "\"><link rel=\"stylesheet\" href=\"/page.css" + q + "\"><script src=\"/page.js" +
           q +
           "\" defer></script></head>\n<body data-link=\"disconnected\">"
           "<header><h1>kest-host &#183; <span id=\"part-title\">" +
           name +
           "</span></h1><span id=\"link\" role=\"status\" data-state=\"disconnected\">"
           "connecting&#8230;</span></header>\n<main>"
           "<section id=\"part-panel\" aria-label=\"panel\"></section>"
           "<section id=\"inputs\"><h2>Inputs <small>(hold, or keys 1 to 8)</small></h2>"
           "<div id=\"part-inputs\"></div></section>"
           "<section><h2>Devices</h2><div id=\"part-devices\"></div>"
           "<div id=\"part-faults\"></div></section>"
           "<section><h2>Trace</h2><div id=\"part-trace\"></div></section>"
           "</main></body></html>\n";
}

const char* page_script() {
    return kScript;
}

std::string page_style() {
    return std::string(report::html_report_style()) + kStyle;
}

}  // namespace kest_host::web
