#include "engines/render/readiness_scripts.h"

namespace zembra::render {

namespace {

// Whether a script element holds code that runs: a classic script of a
// JavaScript type (or none) or a module, not a data block (JSON, templates),
// not an empty one and not one for browsers without modules.
constexpr const char* kRunsFunction = R"JS(  const classic = new Set(['', 'text/javascript', 'application/javascript', 'text/ecmascript',
    'application/ecmascript', 'application/x-javascript', 'application/x-ecmascript', 'text/x-javascript',
    'text/x-ecmascript', 'text/jscript', 'text/livescript', 'text/javascript1.0', 'text/javascript1.1',
    'text/javascript1.2', 'text/javascript1.3', 'text/javascript1.4', 'text/javascript1.5']);
  const runs = (script) => {
    let type = script.getAttribute('type');
    if (type === null) {
      const language = script.getAttribute('language');
      type = language ? 'text/' + language : '';
    }
    type = type.split(';')[0].trim().toLowerCase();
    if (type === 'module') return true;
    if (!classic.has(type) || script.hasAttribute('nomodule')) return false;
    return script.hasAttribute('src') || script.textContent.trim() !== '';
  };)JS";

void ReplaceAll(std::string& script, const std::string& mark, const std::string& text) {
  for (size_t at = script.find(mark); at != std::string::npos; at = script.find(mark, at + text.size()))
    script.replace(at, mark.size(), text);
}

// Fills in the short timer period and the script type test.
std::string Completed(std::string script) {
  ReplaceAll(script, "@SHORT@", std::to_string(kShortTimerMs));
  ReplaceAll(script, "@RUNS@", kRunsFunction);
  return script;
}

}  // namespace

const std::string& ReadinessInstrumentScript() {
  // The counters live under a registered symbol, so that the probe finds
  // them in every frame and the page's own names are left alone. Wrappers
  // keep the natives' names, arguments and "this" handling; string handlers
  // go to the natives unchanged (and are not counted).
  static const std::string script = Completed(R"JS((() => {
  const key = Symbol.for('zembra.readiness');
  // A window keeps its properties when its first, empty document is
  // replaced by one of the same origin: then only the new document is
  // watched, the wrappers are there already.
  if (Object.prototype.hasOwnProperty.call(window, key)) return window[key].watch(document);
  const short = @SHORT@;
  const clock = performance.now.bind(performance);
  const native = {
    setTimeout: window.setTimeout, clearTimeout: window.clearTimeout,
    setInterval: window.setInterval, clearInterval: window.clearInterval,
    requestAnimationFrame: window.requestAnimationFrame, cancelAnimationFrame: window.cancelAnimationFrame,
    requestIdleCallback: window.requestIdleCallback, cancelIdleCallback: window.cancelIdleCallback,
    fetch: window.fetch,
  };
  let last = clock();       // when something last changed or pending work ended
  let requests = 0;
  let scriptSeen = false;   // a script element was ever put into the document
  let running = null;       // the record of the callback whose code runs now
  const timers = new Map(), frames = new Map(), idles = new Map();
  const touch = () => { last = clock(); };
  const progress = () => { touch(); if (running) running.changed = true; };
@RUNS@
  const isScript = (node) => node.nodeType === 1 && node.localName === 'script' && runs(node);
  const noteRecords = (records) => {
    if (!records.length) return;
    progress();
    if (scriptSeen) return;
    for (const record of records)
      for (const node of record.addedNodes) if (isScript(node)) { scriptSeen = true; return; }
  };
  const observer = new MutationObserver(noteRecords);
  let watched = null;
  const watch = (doc) => {
    if (doc === watched) return;
    observer.disconnect();
    observer.observe(doc, {childList: true, subtree: true, attributes: true, characterData: true});
    watched = doc;
    // Chromium may run this only when the document's first script is about
    // to run, after the parser put in what comes before it (that script too).
    scriptSeen = Array.prototype.some.call(doc.getElementsByTagName('script'), runs);
    touch();
  };
  watch(document);
  // A piece of work holds the page unless a callback that changed nothing scheduled it.
  const holds = (work) => work.parent === null || work.parent.changed;
  const run = (work, callback, self, args) => {
    noteRecords(observer.takeRecords());
    const record = {changed: false};
    const outer = running;
    running = record;
    try {
      return callback.apply(self, args);
    } finally {
      noteRecords(observer.takeRecords());
      running = outer;
      work.parent = record;  // an interval's next run is held by what this run did
    }
  };
  // Pages that look at a function's source see the native one's.
  const likeNative = (value, original) =>
    Object.defineProperty(value, 'toString', {value: Function.prototype.toString.bind(original), configurable: true});
  const define = (name, value) => {
    Object.defineProperty(value, 'name', {value: name});
    likeNative(value, native[name]);
    Object.defineProperty(window, name, {value, writable: true, configurable: true, enumerable: true});
  };
  define('setTimeout', function setTimeout(handler, delay, ...args) {
    if (typeof handler !== 'function') return native.setTimeout.apply(window, arguments);
    const work = {parent: running};
    let id = 0;
    id = native.setTimeout.call(window, function () {
      if (timers.delete(id) && holds(work)) touch();
      return run(work, handler, this, args);
    }, delay);
    if (!(Number(delay) > short)) timers.set(id, work);
    return id;
  });
  define('setInterval', function setInterval(handler, delay, ...args) {
    if (typeof handler !== 'function') return native.setInterval.apply(window, arguments);
    const work = {parent: running};
    const id = native.setInterval.call(window, function () {
      if (timers.has(id) && holds(work)) touch();
      return run(work, handler, this, args);
    }, delay);
    if (!(Number(delay) > short)) timers.set(id, work);
    return id;
  });
  const clear = (name) => define(name, {[name](id) {
    const work = timers.get(id);
    if (timers.delete(id) && holds(work)) touch();
    return native[name].call(window, id);
  }}[name]);
  clear('clearTimeout');
  clear('clearInterval');
  const queue = (name, cancelName, map) => {
    if (typeof native[name] !== 'function') return;
    define(name, {[name](callback, ...rest) {
      if (typeof callback !== 'function') return native[name].call(window, callback, ...rest);
      const work = {parent: running};
      let id = 0;
      id = native[name].call(window, function (...args) {
        if (map.delete(id) && holds(work)) touch();
        return run(work, callback, this, args);
      }, ...rest);
      map.set(id, work);
      return id;
    }}[name]);
    define(cancelName, {[cancelName](id) {
      const work = map.get(id);
      if (map.delete(id) && holds(work)) touch();
      return native[cancelName].call(window, id);
    }}[cancelName]);
  };
  queue('requestAnimationFrame', 'cancelAnimationFrame', frames);
  queue('requestIdleCallback', 'cancelIdleCallback', idles);
  const started = () => { ++requests; progress(); };
  const ended = () => { --requests; touch(); };
  if (typeof native.fetch === 'function') {
    define('fetch', function fetch(...args) {
      started();
      let answer;
      try {
        answer = native.fetch.apply(this, args);
      } catch (error) {
        ended();
        throw error;
      }
      answer.then(ended, ended);
      return answer;
    });
  }
  if (window.XMLHttpRequest) {
    const send = XMLHttpRequest.prototype.send;
    const sendOf = {send(...args) {
      let open = true;
      const end = () => { if (open) { open = false; ended(); } };
      started();
      this.addEventListener('loadend', end);
      try {
        send.apply(this, args);
      } catch (error) {
        end();
        throw error;
      }
      if (this.readyState === 4) end();  // a synchronous request
    }};
    likeNative(sendOf.send, send);
    Object.defineProperty(XMLHttpRequest.prototype, 'send', {value: sendOf.send, writable: true, configurable: true});
  }
  const count = (map) => { let n = 0; for (const work of map.values()) if (holds(work)) ++n; return n; };
  Object.defineProperty(window, key, {value: Object.freeze({
    watch,
    counts: () => {
      noteRecords(observer.takeRecords());
      return {timers: count(timers) + count(idles), frames: count(frames), requests, scriptSeen,
              idleMs: clock() - last};
    },
  })});
})();
)JS");
  return script;
}

std::string ReadinessProbeExpression(bool scriptsRun) {
  // Runs in the main frame and walks every frame it may look into. A frame
  // it may not look into (another origin) is taken to have scripts, and its
  // pending work cannot be seen.
  static const std::string probe = Completed(R"JS(((scriptsRun) => {
  const key = Symbol.for('zembra.readiness');
  const short = @SHORT@;
@RUNS@
  const jsUrl = (value) => value.replace(/[\u0000-\u0020]/g, '').toLowerCase().startsWith('javascript:');
  const hasScript = (doc) => {
    for (const script of doc.getElementsByTagName('script')) if (runs(script)) return true;
    for (const element of doc.getElementsByTagName('*'))
      for (const attribute of element.attributes)
        if ((attribute.name.startsWith('on') && attribute.name in element) || jsUrl(attribute.value)) return true;
    return false;
  };
  const state = {instrumented: true, scripted: false, refresh: false, complete: true, fonts: true, images: true,
                 timers: 0, frames: 0, requests: 0, animations: 0, idleMs: Infinity, status: String(window.status)};
  const visit = (win, top) => {
    let doc;
    try {
      doc = win.document;
      void doc.readyState;
    } catch (error) {
      state.scripted = true;
      return;
    }
    if (doc.readyState !== 'complete') state.complete = false;
    if (doc.fonts && doc.fonts.status !== 'loaded') state.fonts = false;
    for (const image of doc.images) if (!image.complete && image.loading !== 'lazy') state.images = false;
    if (doc.querySelector('meta[http-equiv="refresh" i]')) state.refresh = true;
    if (doc.getAnimations) {
      for (const animation of doc.getAnimations()) {
        if (animation.playState !== 'running' || !animation.effect) continue;
        const timing = animation.effect.getComputedTiming();
        const left = (timing.endTime - (timing.localTime || 0)) / Math.abs(animation.playbackRate || 1);
        if (Number.isFinite(left) && left > 0 && left <= short) ++state.animations;
      }
    }
    if (scriptsRun) {
      const counts = Object.prototype.hasOwnProperty.call(win, key) ? win[key].counts() : null;
      if (counts) {
        state.timers += counts.timers;
        state.frames += counts.frames;
        state.requests += counts.requests;
        state.idleMs = Math.min(state.idleMs, counts.idleMs);
        if (counts.scriptSeen) state.scripted = true;
      } else if (top) {
        state.instrumented = false;
      }
      if (!state.scripted && hasScript(doc)) state.scripted = true;
    }
    for (let i = 0; i < win.frames.length; ++i) visit(win.frames[i], false);
  };
  visit(window, true);
  if (!Number.isFinite(state.idleMs)) state.idleMs = -1;
  return state;
}))JS");
  return probe + "(" + (scriptsRun ? "true" : "false") + ")";
}

}  // namespace zembra::render
