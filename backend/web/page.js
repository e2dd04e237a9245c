// The page around the world (placed ahead of the program's own script):
// fetching the module and the archive with a progress bar, the canvas (drawn
// by a worker where the browser allows) kept at 4:3 with a full-screen button beside it, page events queued for the
// program, the waits that give the browser its turn, sound and text through
// the browser, and the message shown when the world ends or cannot start.
// The program's side of all this is backend/web/library.js.
var ZemPage = (function () {
  'use strict';

  var WIDTH = 640;
  var HEIGHT = 480;
  var WAIT_INPUT = 1;
  var WAIT_BRIEF = 2;
  var EVENT_MOVE = 1;
  var EVENT_DOWN = 2;
  var EVENT_UP = 3;
  var EVENT_KEY_DOWN = 4;
  var EVENT_KEY_UP = 5;
  var EVENT_CHAR = 6;
  // A hidden page gets no animation frames; its waits end on a timer.
  var FRAME_FALLBACK_MS = 100;
  // A second press this soon and this close is a double click, as on the
  // desktop.
  var DOUBLE_CLICK_MS = 500;
  var DOUBLE_CLICK_PX = 32;
  // The full-screen button and its margins (index.html).
  var BUTTON_ROOM = 48;
  // Beyond this many waiting events new ones are dropped.
  var QUEUE_LIMIT = 10000;

  var page = {
    frames: 0,
    frameTime: 0,
    archive: null,
    archiveError: '',
    started: false,
    ended: false,
    messageShown: false,
    testing: /(^|[?&])test(=|&|$)/.test(location.search.slice(1)),
    draws: [],
    busy: [],
    drawCount: 0,
    restSeen: false,
    touched: false,
    soundsStarted: 0,
    mostAtOnce: 0,
    idlePasses: 0
  };

  var stage = document.getElementById('stage');
  var canvas = document.getElementById('screen');
  var fullButton = document.getElementById('full');
  var loading = document.getElementById('loading');
  var fill = document.getElementById('fill');
  var note = document.getElementById('note');
  var context = null;
  var picture = null;
  var events = [];
  var listening = false;
  var frameRequest = 0;
  var frameTimer = 0;

  // -------------------------------------------------------------------------
  // Messages in the page.

  function showNote(lines) {
    note.textContent = lines.filter(function (l) { return l; }).join('\n');
    note.hidden = false;
    loading.hidden = true;
  }

  page.message = function (text, caption) {
    page.messageShown = true;
    var detail = page.archiveError ? '(' + page.archiveError + ')' : '';
    showNote([caption, text, detail]);
  };

  // -------------------------------------------------------------------------
  // Layout: the canvas is as large as 4:3 allows (CSS); the button sits in
  // the top-right corner, which lies in a bar whenever a bar has room for it.

  function placeButton() {
    var box = canvas.getBoundingClientRect();
    var sideBar = (window.innerWidth - box.width) / 2;
    var topBar = (window.innerHeight - box.height) / 2;
    fullButton.hidden = !document.fullscreenEnabled || (sideBar < BUTTON_ROOM && topBar < BUTTON_ROOM);
  }

  function toggleFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(function () {});
    else if (stage.requestFullscreen) stage.requestFullscreen().catch(function () {});
  }

  fullButton.addEventListener('click', function (e) {
    e.stopPropagation();
    toggleFullScreen();
  });
  fullButton.addEventListener('mousedown', function (e) { e.stopPropagation(); });
  window.addEventListener('resize', placeButton);
  document.addEventListener('fullscreenchange', placeButton);
  fullButton.hidden = true;
  placeButton();

  // -------------------------------------------------------------------------
  // Fetching: the module and the archive at once, one bar for both.

  var parts = [];

  var progressShown = false;

  // At most once a display frame: the bar is drawn when the browser paints.
  function showProgress() {
    if (progressShown) return;
    progressShown = true;
    requestAnimationFrame(drawProgress);
  }

  function drawProgress() {
    progressShown = false;
    var loaded = 0;
    var total = 0;
    var known = true;
    parts.forEach(function (p) {
      loaded += p.loaded;
      total += p.total;
      if (!p.total) known = false;
    });
    fill.style.width = known && total ? Math.min(100, 100 * loaded / total) + '%' : '100%';
    fill.classList.toggle('unknown', !known);
  }

  function fetchBytes(url) {
    var part = { loaded: 0, total: 0 };
    parts.push(part);
    return fetch(url).then(function (response) {
      if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
      part.total = +response.headers.get('Content-Length') || 0;
      showProgress();
      if (!response.body || !response.body.getReader) {
        return response.arrayBuffer().then(function (b) { return new Uint8Array(b); });
      }
      var reader = response.body.getReader();
      var chunks = [];
      function next() {
        return reader.read().then(function (step) {
          if (step.done) {
            var all = new Uint8Array(part.loaded);
            var at = 0;
            chunks.forEach(function (c) { all.set(c, at); at += c.length; });
            return all;
          }
          chunks.push(step.value);
          part.loaded += step.value.length;
          showProgress();
          return next();
        });
      }
      return next();
    });
  }

  var base = document.currentScript ? document.currentScript.src : location.href;
  var wasmBytes = fetchBytes(new URL('zemvr.wasm', base).href);
  var archiveBytes = fetchBytes(new URL('data.zem', location.href).href).then(function (bytes) {
    page.archive = bytes;
  }, function (error) {
    page.archiveError = 'data.zem could not be loaded: ' + error.message;
  });

  page.instantiate = function (imports, receive) {
    if (typeof WebAssembly !== 'object') {
      showNote(['zemVR', 'This browser cannot run WebAssembly.']);
      return {};
    }
    wasmBytes.then(function (bytes) {
      return WebAssembly.instantiate(bytes, imports);
    }).then(function (result) {
      receive(result.instance, result.module);
    }, function (error) {
      showNote(['zemVR', 'The program could not be loaded:', error.message]);
    });
    return {};
  };

  // The program starts once the archive is here or known to be missing.
  page.whenArchive = function (done) { archiveBytes.then(done); };

  page.archiveSize = function () { return page.archive ? page.archive.length : 0; };

  page.takeArchive = function (to) {
    if (page.archive) HEAPU8.set(page.archive, to);
    page.archive = null;
  };

  // -------------------------------------------------------------------------
  // Waiting. The program sleeps (Asyncify) until the next display frame
  // (kind 0), until input or the next frame (1), or for one turn of the
  // browser (2).

  var waker = null;
  var waitKind = 0;
  var waitNumber = 0;

  function wake() {
    var w = waker;
    if (!w) return;
    waker = null;
    if (!page.testing) {
      w();
      return;
    }
    // The program runs until its next wait: the test hook keeps how long.
    var start = performance.now();
    w();
    if (page.busy.length < 4096) page.busy.push(performance.now() - start);
  }

  function newFrame(time) {
    page.frames++;
    page.frameTime = time;
    if (waker && waitKind !== WAIT_BRIEF) wake();
  }

  function onAnimationFrame(time) {
    frameRequest = requestAnimationFrame(onAnimationFrame);
    newFrame(time);
  }

  page.wait = function (kind, wakeUp) {
    var number = ++waitNumber;
    waker = wakeUp;
    waitKind = kind;
    if (kind === WAIT_INPUT) {
      page.idlePasses++;
      if (events.length) {
        // Input is already waiting: no sleep at all.
        waker = null;
        wakeUp();
        return;
      }
      settle();
    }
    if (kind === WAIT_BRIEF) {
      setTimeout(function () { if (waitNumber === number) wake(); }, 0);
      return;
    }
  };

  // A hidden page gets no animation frames: a slow timer stands in for them.
  function checkFrames() {
    if (waker && waitKind !== WAIT_BRIEF && performance.now() - page.frameTime >= FRAME_FALLBACK_MS) {
      newFrame(performance.now());
    }
  }

  // -------------------------------------------------------------------------
  // Input: page events become queued events, taken one at a time by the
  // program.

  function post(kind, a, b, c) {
    if (events.length >= QUEUE_LIMIT) return;
    page.touched = true;
    events.push([kind, a, b, c]);
    if (waker && waitKind === WAIT_INPUT) wake();
  }

  page.nextEvent = function (out) {
    var e = events.shift();
    if (!e) return 0;
    HEAP32[out >> 2] = e[0];
    HEAP32[(out >> 2) + 1] = e[1] | 0;
    HEAP32[(out >> 2) + 2] = e[2] | 0;
    HEAP32[(out >> 2) + 3] = e[3] | 0;
    return 1;
  };

  // Page coordinates to the 640 x 480 picture, clamped there (the bars give
  // the nearest edge).
  function position(e) {
    var box = canvas.getBoundingClientRect();
    var x = Math.floor((e.clientX - box.left) * WIDTH / (box.width || WIDTH));
    var y = Math.floor((e.clientY - box.top) * HEIGHT / (box.height || HEIGHT));
    x = Math.max(0, Math.min(WIDTH - 1, x));
    y = Math.max(0, Math.min(HEIGHT - 1, y));
    return x | (y << 16);
  }

  var lastPress = { time: -1e9, x: 0, y: 0, count: 0 };

  function onMouseDown(e) {
    if (e.button !== 0 && e.button !== 2) return;
    e.preventDefault();
    unlockAudio();
    var count = 1;
    if (e.button === 0) {
      var now = performance.now();
      if (now - lastPress.time <= DOUBLE_CLICK_MS &&
          Math.abs(e.clientX - lastPress.x) <= DOUBLE_CLICK_PX &&
          Math.abs(e.clientY - lastPress.y) <= DOUBLE_CLICK_PX) {
        count = lastPress.count + 1;
      }
      lastPress = { time: now, x: e.clientX, y: e.clientY, count: count };
    }
    post(EVENT_DOWN, e.button, position(e), count);
  }

  function onMouseUp(e) {
    if (e.button !== 0 && e.button !== 2) return;
    post(EVENT_UP, e.button, position(e), 0);
  }

  // Moves that wait behind each other are one move, as a window system
  // makes them; the drag distance is kept.
  function onMouseMove(e) {
    var at = position(e);
    var buttons = e.buttons & 3;
    var last = events[events.length - 1];
    if (last && last[0] === EVENT_MOVE && last[2] === buttons) {
      last[1] = at;
      return;
    }
    post(EVENT_MOVE, at, buttons, 0);
  }

  // Virtual-key codes by physical key, as the desktop's keyboard driver gives
  // them; letters and digits follow the layout.
  var namedKeys = {
    Escape: 0x1B, Space: 0x20, Enter: 0x0D, NumpadEnter: 0x0D, Backspace: 0x08, Tab: 0x09,
    ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28,
    Insert: 0x2D, Delete: 0x2E, Home: 0x24, End: 0x23, PageUp: 0x21, PageDown: 0x22,
    NumpadMultiply: 0x6A, NumpadAdd: 0x6B, NumpadSubtract: 0x6D, NumpadDecimal: 0x6E,
    NumpadDivide: 0x6F, Semicolon: 0xBA, Equal: 0xBB, Comma: 0xBC, Minus: 0xBD, Period: 0xBE,
    Slash: 0xBF, Backquote: 0xC0, BracketLeft: 0xDB, Backslash: 0xDC, BracketRight: 0xDD,
    Quote: 0xDE, IntlBackslash: 0xE2, IntlRo: 0xC1, IntlYen: 0xDC,
    ShiftLeft: 0x10, ShiftRight: 0x10, ControlLeft: 0x11, ControlRight: 0x11,
    AltLeft: 0x12, AltRight: 0x12, CapsLock: 0x14, Pause: 0x13, ContextMenu: 0x5D
  };
  // A key without a code of its own.
  var OTHER_KEY = 0xFF;

  function virtualKey(e) {
    var m;
    if ((m = /^Key([A-Z])$/.exec(e.code))) {
      return /^[a-z]$/i.test(e.key) ? e.key.toUpperCase().charCodeAt(0) : m[1].charCodeAt(0);
    }
    if ((m = /^Digit([0-9])$/.exec(e.code))) return 0x30 + +m[1];
    if ((m = /^Numpad([0-9])$/.exec(e.code))) return 0x60 + +m[1];
    if ((m = /^F([0-9]+)$/.exec(e.code)) && +m[1] >= 1 && +m[1] <= 24) return 0x6F + +m[1];
    return namedKeys[e.code] || OTHER_KEY;
  }

  // One character, as the layout types it; Enter's 13 comes from the key.
  function typed(e) {
    if (!e.key || e.key === 'Enter') return 0;
    var code = e.key.codePointAt(0);
    return e.key.length === String.fromCodePoint(code).length && code >= 0x20 ? code : 0;
  }

  // Keys held with Ctrl, Alt or Meta are the browser's (AltGr typing aside);
  // the modifier keys themselves are the program's.
  function shortcut(e) {
    return (e.ctrlKey || e.metaKey || e.altKey) && !e.getModifierState('AltGraph') &&
           !/^(Shift|Control|Alt|Meta|OS)/.test(e.code);
  }

  function modifiers(e) { return (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0); }

  var keysDown = {};
  var swallowed = {};

  function onKeyDown(e) {
    unlockAudio();
    // Alt+Enter switches full screen as on the desktop, also where no bar
    // has room for the button; neither Enter nor its character reaches the
    // world.
    if (e.altKey && (e.code === 'Enter' || e.code === 'NumpadEnter') && !e.ctrlKey && !e.metaKey) {
      e.preventDefault();
      swallowed[e.code] = true;
      if (!e.repeat) toggleFullScreen();
      return;
    }
    if (shortcut(e)) return;  // the browser's own keys
    var vk = virtualKey(e);
    var ch = typed(e);
    keysDown[vk] = true;
    post(EVENT_KEY_DOWN, vk, e.repeat ? 1 : 0, modifiers(e));
    if (ch) post(EVENT_CHAR, ch, 0, 0);
    // F1 to F10 keep their browser meaning (help, reload, ...).
    if (!(vk >= 0x70 && vk <= 0x79)) e.preventDefault();
  }

  // Every key's release is a message, so that what a key press asked for
  // (such as a border step on every frame) ends with the key.
  function onKeyUp(e) {
    if (swallowed[e.code]) {  // its press was the page's own
      delete swallowed[e.code];
      return;
    }
    var vk = virtualKey(e);
    delete keysDown[vk];
    post(EVENT_KEY_UP, vk, 0, modifiers(e));
  }

  // Keys held when the page loses the keyboard are released: their own
  // release goes elsewhere.
  function onBlur() {
    Object.keys(keysDown).forEach(function (vk) { post(EVENT_KEY_UP, +vk, 0, 0); });
    keysDown = {};
  }

  function onContextMenu(e) { e.preventDefault(); }

  // What the window listens to while it is open: presses on the picture,
  // moves, releases and keys anywhere in the page.
  var listeners = [
    [stage, 'mousedown', onMouseDown], [window, 'mouseup', onMouseUp],
    [window, 'mousemove', onMouseMove], [window, 'keydown', onKeyDown],
    [window, 'keyup', onKeyUp], [window, 'blur', onBlur],
    [stage, 'contextmenu', onContextMenu]
  ];

  page.openWindow = function () {
    if (listening) return 1;
    listening = true;
    page.started = true;
    listeners.forEach(function (l) { l[0].addEventListener(l[1], l[2]); });
    loading.hidden = true;
    return 1;
  };

  page.closeWindow = function () {
    if (!listening) return;
    listening = false;
    listeners.forEach(function (l) { l[0].removeEventListener(l[1], l[2]); });
    events = [];
  };

  page.hideCursor = function () { stage.classList.add('nocursor'); };

  // -------------------------------------------------------------------------
  // The canvas.

  // The picture goes to a painter in a worker where the browser lets a
  // worker draw on the page's canvas (OffscreenCanvas): the program hands
  // over its colour indices and palette, and the lookup, the drawing and the
  // canvas's trip to the screen all happen off the page's thread. Elsewhere
  // the program converts the picture itself and the page puts it on the
  // canvas. openDisplay tells the program which (2 or 1).

  // The test hook's record of drawn frames (see the hook below), kept where
  // the drawing is done: in the painter or on the page.
  function makeFrameRecord(width, height) {
    var record = { count: 0, first: null, rest: null, changing: null };
    // Start-up shows one frame of colour 0; the next is the world's first.
    // Until input arrives, the pixels that differ from it are the
    // animations', and the first frame with every animation back at its own
    // first frame is the still picture of the location.
    record.note = function (rgba, atFirst, touched) {
      record.count++;
      if (record.count === 2) {
        record.first = rgba.slice();
        record.changing = new Uint8Array(width * height);
      } else if (record.count > 2 && !record.rest && !touched) {
        var first = record.first;
        for (var i = 0; i < width * height; i++) {
          var k = i * 4;
          if (rgba[k] !== first[k] || rgba[k + 1] !== first[k + 1] || rgba[k + 2] !== first[k + 2]) {
            record.changing[i] = 1;
          }
        }
        if (atFirst) record.rest = rgba.slice();
      }
    };
    record.get = function (which) {
      return which === 'first' ? record.first : which === 'rest' ? record.rest
           : which === 'changing' ? record.changing : null;
    };
    return record;
  }

  // The worker: 640 x 480 colour indices and 256 RGBA colours in, the
  // picture on its canvas out.
  function painter(makeFrameRecord, width, height) {
    var context = null;
    var picture = null;
    var pixels = null;
    var record = null;
    self.onmessage = function (e) {
      var m = e.data;
      if (m.canvas) {
        context = m.canvas.getContext('2d', { alpha: false });
        if (!context) {
          self.postMessage({ failed: true });
          return;
        }
        picture = new ImageData(width, height);
        pixels = new Uint32Array(picture.data.buffer);
        if (m.testing) record = makeFrameRecord(width, height);
        return;
      }
      if (m.ask) {
        var data = record && record.get(m.ask);
        self.postMessage({ answer: m.id, data: data ? data.slice() : null });
        return;
      }
      if (context) {
        var indices = new Uint8Array(m.frame, 0, width * height);
        var colours = new Uint32Array(m.frame, width * height, 256);
        for (var i = 0; i < indices.length; i++) pixels[i] = colours[indices[i]];
        context.putImageData(picture, 0, 0);
        if (record) {
          var had = !!record.rest;
          record.note(picture.data, m.atFirst, m.touched);
          if (!had && record.rest) self.postMessage({ rest: true });
        }
      }
      // The buffer goes back to be filled again: fresh memory for every
      // frame would cost more than the copy itself.
      self.postMessage({ spare: m.frame }, [m.frame]);
    };
  }

  var worker = null;
  var spares = [];
  var lastIndexed = null;
  var converted = null;
  var record = null;
  var answers = {};
  var nextQuestion = 1;

  function openPainter() {
    if (typeof OffscreenCanvas === 'undefined' || !canvas.transferControlToOffscreen ||
        typeof Worker === 'undefined') return false;
    try {
      if (!new OffscreenCanvas(1, 1).getContext('2d')) return false;
      var source = '(' + painter + ')(' + makeFrameRecord + ', ' + WIDTH + ', ' + HEIGHT + ');';
      worker = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
      var offscreen = canvas.transferControlToOffscreen();
      worker.postMessage({ canvas: offscreen, testing: page.testing }, [offscreen]);
    } catch (e) {
      if (worker) worker.terminate();
      worker = null;
      return false;
    }
    worker.onerror = function (e) {
      e.preventDefault();
      painterFailed();
    };
    worker.onmessage = function (e) {
      var m = e.data;
      if (m.failed) painterFailed();
      if (m.spare) spares.push(m.spare);
      if (m.rest) page.restSeen = true;
      if (m.answer && answers[m.answer]) {
        answers[m.answer](m.data);
        delete answers[m.answer];
      }
    };
    return true;
  }

  // The painter could not draw after all: a fresh canvas in the old one's
  // place, drawn by the page from the indices it is given.
  function painterFailed() {
    if (!worker) return;
    worker.terminate();
    worker = null;
    var fresh = canvas.cloneNode(false);
    canvas.parentNode.replaceChild(fresh, canvas);
    canvas = fresh;
    context = canvas.getContext('2d', { alpha: false });
    if (page.testing) record = makeFrameRecord(WIDTH, HEIGHT);
    if (lastIndexed) page.drawIndexed(lastIndexed[0], lastIndexed[1]);
  }

  page.openDisplay = function () {
    if (!worker && !context && !openPainter()) {
      context = canvas.getContext('2d', { alpha: false });
      if (!context) return 0;
      context.fillStyle = '#000';
      context.fillRect(0, 0, WIDTH, HEIGHT);
      if (page.testing) record = makeFrameRecord(WIDTH, HEIGHT);
    }
    if (!frameRequest) frameRequest = requestAnimationFrame(onAnimationFrame);
    if (!frameTimer) frameTimer = setInterval(checkFrames, FRAME_FALLBACK_MS);
    placeButton();
    return worker ? 2 : 1;
  };

  page.closeDisplay = function () {
    if (frameRequest) cancelAnimationFrame(frameRequest);
    if (frameTimer) clearInterval(frameTimer);
    frameRequest = 0;
    frameTimer = 0;
  };

  function atFirst() { return page.testing && !!Module._zem_test_sprites_at_first(); }

  function noteDraw() {
    page.drawCount++;
    if (page.draws.length < 16) page.draws.push(performance.now());
  }

  // 640 x 480 RGBA from the program's memory, put on the page's canvas.
  page.draw = function (from) {
    if (!context) return;
    if (!picture || picture.data.buffer !== HEAPU8.buffer || picture.from !== from) {
      picture = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, from, WIDTH * HEIGHT * 4),
                              WIDTH, HEIGHT);
      picture.from = from;
    }
    context.putImageData(picture, 0, 0);
    if (!page.testing) return;
    noteDraw();
    if (record.count < 2 || (!record.rest && !page.touched)) {
      record.note(context.getImageData(0, 0, WIDTH, HEIGHT).data, atFirst(), page.touched);
      if (record.rest) page.restSeen = true;
    }
  };

  // 640 x 480 colour indices and 256 RGBA colours, copied for the painter
  // into one of the buffers it has handed back.
  page.drawIndexed = function (indices, palette) {
    lastIndexed = [indices, palette];
    if (!worker) {
      drawConverted(indices, palette);
      return;
    }
    var frame = spares.pop() || new ArrayBuffer(WIDTH * HEIGHT + 1024);
    var bytes = new Uint8Array(frame);
    bytes.set(HEAPU8.subarray(indices, indices + WIDTH * HEIGHT));
    bytes.set(HEAPU8.subarray(palette, palette + 1024), WIDTH * HEIGHT);
    worker.postMessage({ frame: frame, atFirst: atFirst(), touched: page.touched }, [frame]);
    if (page.testing) noteDraw();
  };

  // The page's own lookup, for a painter that failed.
  function drawConverted(indices, palette) {
    if (!context) return;
    if (!converted) converted = new ImageData(WIDTH, HEIGHT);
    var pixels = new Uint32Array(converted.data.buffer);
    var colours = new Uint32Array(HEAPU8.slice(palette, palette + 1024).buffer);
    for (var i = 0; i < WIDTH * HEIGHT; i++) pixels[i] = colours[HEAPU8[indices + i]];
    context.putImageData(converted, 0, 0);
    if (page.testing) {
      noteDraw();
      record.note(converted.data, atFirst(), page.touched);
      if (record.rest) page.restSeen = true;
    }
  }

  // A recorded frame (the test hook), from wherever it was drawn.
  function recordedFrame(which) {
    if (!worker) return Promise.resolve(record ? record.get(which) : null);
    return new Promise(function (resolve) {
      var id = nextQuestion++;
      answers[id] = resolve;
      worker.postMessage({ ask: which, id: id });
    });
  }

  // -------------------------------------------------------------------------
  // Text: each character drawn once into a small canvas and kept as a mask
  // of the pixels at least half covered (the program makes strings of them).

  var fonts = [null];
  var glyphCanvas = document.createElement('canvas');
  var glyphs2d = glyphCanvas.getContext('2d', { willReadFrequently: true });
  // What a font mapper offers for faces a machine may lack.
  var substitutes = { 'comic sans ms': ['Comic Neue', 'Comic Sans'] };

  function quoted(name) { return '"' + name.replace(/["\\]/g, '') + '"'; }

  function fontMetrics(css) {
    glyphs2d.font = css;
    var m = glyphs2d.measureText('Hg');
    var ascent = m.fontBoundingBoxAscent;
    var descent = m.fontBoundingBoxDescent;
    if (!(ascent >= 0) || !(descent >= 0)) {
      var px = parseFloat(/(\d+(\.\d+)?)px/.exec(css)[1]);
      ascent = px * 0.8;
      descent = px * 0.2;
    }
    return { ascent: ascent, descent: descent };
  }

  page.fontCreate = function (height, weight, face) {
    var families = [];
    if (face) families.push(quoted(face));
    (substitutes[face.toLowerCase()] || []).forEach(function (s) { families.push(quoted(s)); });
    families.push('sans-serif');
    var family = families.join(', ');
    var cell = Math.abs(height);
    var px = cell;
    var metrics = fontMetrics(weight + ' ' + px + 'px ' + family);
    if (height > 0) {
      // A positive height is the cell: the largest size whose cell fits,
      // looked for from the size the first measure suggests.
      var guess = Math.floor(cell * cell / Math.max(1, metrics.ascent + metrics.descent)) + 1;
      px = Math.max(1, Math.min(cell, guess));
      metrics = fontMetrics(weight + ' ' + px + 'px ' + family);
      while (px > 1 && Math.ceil(metrics.ascent + metrics.descent) > cell) {
        px--;
        metrics = fontMetrics(weight + ' ' + px + 'px ' + family);
      }
    } else {
      cell = Math.max(1, Math.ceil(metrics.ascent + metrics.descent));
    }
    fonts.push({ css: weight + ' ' + px + 'px ' + family, px: px, cell: cell,
                 ascent: Math.round(metrics.ascent), glyphs: {} });
    return { id: fonts.length - 1, cell: cell };
  };

  page.fontDelete = function (id) { if (fonts[id]) fonts[id] = null; };

  // Glyphs are drawn a row at a time: the printable ASCII characters
  // together the first time any is wanted, any other character alone.
  function drawGlyphs(font, codes) {
    glyphs2d.font = font.css;
    var pad = Math.ceil(font.px / 3) + 1;
    var h = font.cell;
    var slots = codes.map(function (code) {
      var advance = Math.max(0, Math.round(glyphs2d.measureText(String.fromCharCode(code)).width));
      return { code: code, advance: advance, w: advance + 2 * pad };
    });
    // A further pad between slots keeps one glyph's overhang out of the next.
    var width = slots.reduce(function (sum, slot) { return sum + slot.w + pad; }, 0);
    glyphCanvas.width = Math.max(1, width);
    glyphCanvas.height = h;
    glyphs2d.font = font.css;
    glyphs2d.textBaseline = 'alphabetic';
    glyphs2d.fillStyle = '#fff';
    var x = 0;
    slots.forEach(function (slot) {
      glyphs2d.fillText(String.fromCharCode(slot.code), x + pad, font.ascent);
      slot.x = x;
      x += slot.w + pad;
    });
    var data = glyphs2d.getImageData(0, 0, Math.max(1, width), h).data;
    slots.forEach(function (slot) {
      var bits = new Uint8Array(slot.w * h);
      for (var row = 0; row < h; row++) {
        for (var col = 0; col < slot.w; col++) {
          bits[row * slot.w + col] = data[(row * width + slot.x + col) * 4 + 3] >= 128 ? 1 : 0;
        }
      }
      font.glyphs[slot.code] = { advance: slot.advance, pad: pad, w: slot.w, h: h, bits: bits };
    });
  }

  function glyph(font, code) {
    if (!font.glyphs[code]) {
      var codes = [code];
      if (code >= 0x20 && code < 0x7F) {
        codes = [];
        for (var c = 0x20; c < 0x7F; c++) codes.push(c);
      }
      drawGlyphs(font, codes);
    }
    return font.glyphs[code];
  }

  page.glyphSize = function (id, code, metrics) {
    var font = fonts[id];
    if (!font) return 0;
    var g = glyph(font, code & 0xFF);
    HEAP32[metrics >> 2] = g.advance;
    HEAP32[(metrics >> 2) + 1] = g.pad;
    return g.w;
  };

  page.glyphBits = function (id, code, out) {
    var font = fonts[id];
    if (font) HEAPU8.set(glyph(font, code & 0xFF).bits, out);
  };

  // -------------------------------------------------------------------------
  // Sound. The audio context is made (or resumed) by the first click or key,
  // as browsers require; sounds started before that are not heard.

  var AudioContextClass = window.AudioContext || window.webkitAudioContext;
  var audio = { wanted: false, context: null, sounds: {}, next: 1 };

  function unlockAudio() {
    if (!audio.wanted) return;
    try {
      if (!audio.context) audio.context = new AudioContextClass();
      if (audio.context.state === 'suspended') audio.context.resume().catch(function () {});
    } catch (e) {
      audio.wanted = false;
    }
  }

  page.soundOpen = function () {
    audio.wanted = !!AudioContextClass;
    return audio.wanted ? 1 : 0;
  };

  page.soundClose = function () {
    Object.keys(audio.sounds).forEach(function (id) { page.soundStop(+id); });
    if (audio.context) audio.context.close().catch(function () {});
    audio.context = null;
    audio.wanted = false;
  };

  function sample(from, bits, index) {
    if (bits === 8) return (HEAPU8[from + index] - 128) / 128;
    var at = from + index * 2;
    return (((HEAPU8[at + 1] << 24) | (HEAPU8[at] << 16)) >> 16) / 32768;
  }

  // An audio buffer at the sound's own rate; where the browser does not take
  // that rate, the sound resampled to the context's.
  function audioBuffer(from, length, channels, bits, rate) {
    var frames = length / (channels * bits / 8);
    var c, i, data;
    try {
      var buffer = audio.context.createBuffer(channels, frames, rate);
      for (c = 0; c < channels; c++) {
        data = buffer.getChannelData(c);
        for (i = 0; i < frames; i++) data[i] = sample(from, bits, i * channels + c);
      }
      return buffer;
    } catch (e) {
      var outRate = audio.context.sampleRate;
      var outFrames = Math.max(1, Math.floor(frames * outRate / rate));
      var resampled = audio.context.createBuffer(channels, outFrames, outRate);
      for (c = 0; c < channels; c++) {
        data = resampled.getChannelData(c);
        for (i = 0; i < outFrames; i++) {
          var at = i * rate / outRate;
          var k = Math.min(frames - 1, Math.floor(at));
          var k1 = Math.min(frames - 1, k + 1);
          var t = at - k;
          data[i] = sample(from, bits, k * channels + c) * (1 - t) +
                    sample(from, bits, k1 * channels + c) * t;
        }
      }
      return resampled;
    }
  }

  page.soundStart = function (from, length, channels, bits, rate) {
    var id = audio.next++;
    var record = { source: null, playing: false };
    audio.sounds[id] = record;
    if (!audio.context) return id;
    try {
      var source = audio.context.createBufferSource();
      source.buffer = audioBuffer(from, length, channels, bits, rate);
      source.connect(audio.context.destination);
      source.onended = function () { record.playing = false; record.source = null; };
      source.start();
      record.source = source;
      record.playing = true;
      page.soundsStarted++;
      var playing = Object.keys(audio.sounds).filter(function (k) { return audio.sounds[k].playing; });
      page.mostAtOnce = Math.max(page.mostAtOnce, playing.length);
    } catch (e) {
      delete audio.sounds[id];
      return 0;
    }
    return id;
  };

  page.soundPlaying = function (id) {
    var record = audio.sounds[id];
    return record && record.playing ? 1 : 0;
  };

  page.soundStop = function (id) {
    var record = audio.sounds[id];
    if (!record) return;
    delete audio.sounds[id];
    if (record.source) {
      record.source.onended = null;
      try { record.source.stop(); } catch (e) { /* already ended */ }
      record.source.disconnect();
    }
  };

  // -------------------------------------------------------------------------
  // The end.

  page.end = function (code) {
    page.ended = true;
    page.closeWindow();
    page.closeDisplay();
    page.soundClose();
    stage.classList.remove('nocursor');
    if (!page.messageShown) showNote(['The world has ended.', 'Reload the page to play again.']);
    settle();
  };

  // -------------------------------------------------------------------------
  // Test hook (only with ?test in the address): where the player is, what
  // the canvas shows, and a promise that the program has taken every event
  // and is idle again.

  var settling = [];

  function settle() {
    if (!settling.length || events.length) return;
    var done = settling;
    settling = [];
    done.forEach(function (resolve) { resolve(); });
  }

  if (page.testing) {
    window.zemvrTest = {
      state: function () {
        var s = page.started ? JSON.parse(UTF8ToString(Module._zem_test_state())) : {};
        s.ended = page.ended;
        s.note = note.hidden ? '' : note.textContent;
        s.draws = page.draws.slice();
        s.drawCount = page.drawCount;
        s.rest = page.restSeen;
        s.painter = worker ? 'worker' : context ? 'page' : '';
        s.soundsStarted = page.soundsStarted;
        s.mostAtOnce = page.mostAtOnce;
        s.button = !fullButton.hidden;
        return s;
      },
      pixels: function (which) {
        return recordedFrame(which).then(function (data) {
          if (!data) return '';
          var text = '';
          for (var i = 0; i < data.length; i += 0x8000) {
            text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
          }
          return btoa(text);
        });
      },
      // Times the program ran between two waits since the last call.
      busy: function () {
        var b = page.busy;
        page.busy = [];
        return b;
      },
      settled: function () {
        return new Promise(function (resolve) {
          if (page.ended) { resolve(); return; }
          var passes = page.idlePasses;
          settling.push(function again() {
            if (page.ended || page.idlePasses > passes) resolve();
            else settling.push(again);
          });
        });
      }
    };
  }

  return page;
})();

Module['instantiateWasm'] = ZemPage.instantiate;
Module['preRun'] = [function () {
  addRunDependency('zem-archive');
  ZemPage.whenArchive(function () { removeRunDependency('zem-archive'); });
}];
