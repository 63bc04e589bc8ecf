// The page around the demo: checks WebGL 2 and Web Audio, shows the poster
// while kv2007demo.js loads the data package, offers "Click to play" ("Tap to
// play" on touch screens), starts the sound inside that gesture (Safari's
// rule) and routes it through an <audio> element for the media session, keeps
// the canvas at the tab's device-pixel size, shows the demo's message boxes,
// its refusal lines and the end screen, pauses the demo when the tab is hidden,
// and registers the service worker (sw.js) where the context is secure.
// controls.js is the player's bar and gestures over the picture.
//
// What the browser tests read (the contract with tests/web):
// - body data-state: loading, ready, starting, running, ended, stopped (after
//   the test key first-frame-only), refused or failed; body data-paused
//   "true"/"false" while running.
// - Module.page: frames (per presented frame [performance.now(), music
//   seconds, timeline part]), parts (timeline parts {name, first}),
//   viewerParts ({name, first, end}, seconds), length (seconds), clickedAt,
//   playRequested, boxAnswer, state, pausedByHiddenTab, timelineBar.
// - The page's own test key timeline-bar (taken out of the address before the
//   demo parses it): the demo's in-picture bar is drawn beside the page's.
// The demo (web/web_main.cpp) calls the Module.page functions below; the page
// calls the demo only through its exported Module._demo* actions. Each change
// the controls follow is announced on document as a "demo:<what>" event.
'use strict';
(function () {
  const el = (id) => document.getElementById(id);
  const canvas = el('canvas');
  const music = el('music');
  const OK = 0, YES = 1, NO = 2;  // MessageAnswer in shell/message_box.h
  const TITLE = 'KV 2007 Demo - Zorblax!';
  const GROUP = 'Zorblax';
  const TEST_KEY_TIMELINE_BAR = 'timeline-bar';
  const touchScreen = matchMedia('(pointer: coarse)').matches || 'ontouchstart' in window;
  let parserLine = '';  // the last line the command-line parser wrote

  const announce = (what, detail) => document.dispatchEvent(new CustomEvent(`demo:${what}`, { detail }));
  const minutes = (seconds) => {
    const whole = Math.max(0, Math.floor(seconds));
    return `${Math.floor(whole / 60)}:${String(whole % 60).padStart(2, '0')}`;
  };

  function setState(state) {
    page.state = state;
    document.body.dataset.state = state;
    if (state === 'ready') el('line').textContent = touchScreen ? 'Tap to play' : 'Click to play';
    else if (state === 'starting') el('line').textContent = 'Starting';
    announce('state', state);
  }

  function showLine(text, state) {
    setState(state);
    el('line').textContent = text;
  }

  function showProgress(loaded, total) {
    const mb = (bytes) => (bytes / 1e6).toFixed(1);
    el('progress').value = total > 0 ? loaded / total : 0;
    el('progress-text').textContent = `${mb(loaded)} of ${mb(total)} MB`;
    el('poster-size').textContent = `${mb(total)} MB`;
  }

  // The drawing buffer follows the canvas's size on screen at the device's
  // pixel ratio; the demo reads it back each frame.
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    const height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
  }

  // ---- fullscreen: the document's, where the browser offers it (an iPhone
  // offers none for a page; older WebKit only under its prefix).
  const root = document.documentElement;
  const fullscreenOffered = !!(document.fullscreenEnabled || document.webkitFullscreenEnabled);
  const fullscreenElement = () => document.fullscreenElement || document.webkitFullscreenElement;
  function requestFullscreen() {
    if (!fullscreenOffered || fullscreenElement()) return;
    const request = root.requestFullscreen || root.webkitRequestFullscreen;
    Promise.resolve(request.call(root)).catch(() => {});
  }
  // The demo's fullscreen control (F, the button, a double click or tap) in a
  // page: the document in and out.
  function toggleFullscreen() {
    if (!fullscreenElement()) return requestFullscreen();
    const exit = document.exitFullscreen || document.webkitExitFullscreen;
    Promise.resolve(exit.call(document)).catch(() => {});
  }

  // ---- sound: SDL's audio (Module.SDL2.audioContext, taken as it finds it)
  // created and resumed inside the click, as Safari requires; its output node
  // connects to the context's destination, which here is a stream that an
  // <audio> element plays, so that the browser hands the page its media
  // controls. Without stream destinations the sound goes straight out.
  function startSound() {
    const Context = window.AudioContext || window.webkitAudioContext;
    const context = new Context();
    if (context.resume) context.resume().catch(() => {});
    if (context.createMediaStreamDestination && 'srcObject' in music) {
      const stream = context.createMediaStreamDestination();
      Object.defineProperty(context, 'destination', { value: stream, configurable: true });
      music.srcObject = stream.stream;
      music.play().catch(() => {});
    }
    Module.SDL2 = Object.assign(Module.SDL2 || {}, { audioContext: context });
  }

  function requestPlay() {
    if (page.state !== 'ready') return;
    page.clickedAt = performance.now();
    startSound();
    page.playRequested = true;
    setState('starting');
    canvas.focus();
  }

  // ---- the media session: the lock screen, a headset's button and the
  // keyboard's media keys reach the demo's actions through it alone (the
  // demo drops SDL's own events for those keys in a page).
  const session = 'mediaSession' in navigator ? navigator.mediaSession : null;
  function setUpMediaSession() {
    if (!session) return;
    const artwork = [256, 512].map((size) => ({ src: `artwork-${size}.jpg`, sizes: `${size}x${size}`, type: 'image/jpeg' }));
    try {
      session.metadata = new MediaMetadata({ title: TITLE, artist: GROUP, album: TITLE, artwork });
    } catch (error) { /* no MediaMetadata: the actions still work */ }
    const act = (action) => () => { if (page.state === 'running') action(); };
    const pause = (wanted) => act(() => { if (!!Module._demoIsPaused() !== wanted) Module._demoTogglePause(); });
    const handlers = {
      play: pause(false),
      pause: pause(true),
      stop: pause(true),
      seekbackward: (details) => act(() => Module._demoSeekBy(-(details.seekOffset || 5)))(),
      seekforward: (details) => act(() => Module._demoSeekBy(details.seekOffset || 5))(),
      seekto: (details) => act(() => Module._demoSeekTo(details.seekTime))(),
      previoustrack: act(() => Module._demoSeekToPart(-1)),
      nexttrack: act(() => Module._demoSeekToPart(1)),
    };
    for (const [name, handler] of Object.entries(handlers)) {
      try { session.setActionHandler(name, handler); } catch (error) { /* an action this browser lacks */ }
    }
  }
  let sessionUpdatedAt = -Infinity;
  function updateMediaSession(paused, seconds, force) {
    if (!session) return;
    session.playbackState = paused ? 'paused' : 'playing';
    const now = performance.now();
    if (!force && now - sessionUpdatedAt < 1000) return;
    sessionUpdatedAt = now;
    if (session.setPositionState && page.length > 0) {
      try {
        session.setPositionState({ duration: page.length, playbackRate: 1,
                                   position: Math.min(Math.max(0, seconds), page.length) });
      } catch (error) { /* a position the browser refuses is left out */ }
    }
  }

  // ---- the demo's state as the page follows it, frame by frame.
  let lastPaused = null;
  function followDemo(seconds) {
    const paused = Module._demoIsPaused() !== 0;
    if (paused !== lastPaused) {
      lastPaused = paused;
      document.body.dataset.paused = String(paused);
      if (!paused) page.pausedByHiddenTab = false;
      // The element pauses with the demo, so the lock screen shows it paused.
      if (music.srcObject) (paused ? Promise.resolve(music.pause()) : music.play()).catch(() => {});
      updateMediaSession(paused, seconds, true);
      announce('paused', paused);
    } else {
      updateMediaSession(paused, seconds, false);
    }
  }

  // A hidden tab draws no frames: the demo pauses, music and picture, and
  // stays paused until the viewer resumes it (from the page or the media
  // controls), never by the tab coming back alone.
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState !== 'hidden' || page.state !== 'running') return;
    if (Module._demoIsPaused()) return;
    Module._demoTogglePause();
    page.pausedByHiddenTab = true;
    followDemo(Module._demoPositionSeconds());
  });

  // A second visit plays from the service worker's cache, offline too; it
  // exists only in a secure context (https, localhost, 127.0.0.1). Registered
  // once the page waits for the click: its own copy of the files is then
  // revalidated against what the page has just loaded, not fetched beside it.
  function registerServiceWorker() {
    if ('serviceWorker' in navigator && window.isSecureContext)
      navigator.serviceWorker.register('sw.js').catch(() => {});
  }

  const page = {
    state: 'loading',
    playRequested: false,  // read by the demo while it waits for the click
    boxAnswer: OK,         // -1 while a box waits for its button
    clickedAt: 0,          // performance.now() of the click that started the demo
    frames: [],            // per presented frame: [performance.now(), music seconds, timeline part]
    parts: [],             // timeline parts by index: {name, first (seconds)}
    viewerParts: [],       // the viewer's parts by index: {name, first, end (seconds)}
    length: 0,             // seconds of the timeline
    pausedByHiddenTab: false,
    timelineBar: false,    // the test key timeline-bar
    touchScreen,
    fullscreenOffered,
    minutes,

    showLine: (text) => showLine(text, 'refused'),
    showParserLine: () => showLine(parserLine || 'kv2007demo: the address was refused', 'refused'),
    offerPlay() {
      setState('ready');
      registerServiceWorker();
    },
    showBox(caption, text, yesNo) {
      el('box-caption').textContent = caption;
      el('box-text').textContent = text;
      const buttons = el('box-buttons');
      buttons.replaceChildren();
      for (const [label, answer] of yesNo ? [['Yes', YES], ['No', NO]] : [['OK', OK]]) {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = label;
        button.addEventListener('click', (event) => {
          event.stopPropagation();
          el('box').hidden = true;
          page.boxAnswer = answer;
        });
        buttons.append(button);
      }
      page.boxAnswer = -1;
      el('box').hidden = false;
      buttons.firstChild.focus();
    },
    frameShown(seconds, part) {
      if (page.frames.length === 0) setState('running');
      page.frames.push([performance.now(), seconds, part]);
      followDemo(seconds);
      announce('frame', seconds);
    },
    nameTimelinePart(index, name, first) {
      page.parts[index] = { name, first };
    },
    nameViewerPart(index, name, first, end) {
      page.viewerParts[index] = { name, first, end };
    },
    setLength(seconds) {
      page.length = seconds;
      el('poster-length').textContent = minutes(seconds);
      announce('length', seconds);
    },
    showEnd(stoppedAfterFirstFrame) {
      setState(stoppedAfterFirstFrame ? 'stopped' : 'ended');
      if (session) session.playbackState = 'none';
      if (music.srcObject) music.pause();
    },
    toggleFullscreen,
  };

  function missingFeature() {
    if (!document.createElement('canvas').getContext('webgl2'))
      return 'This demo needs WebGL 2, which this browser does not offer here.';
    if (!(window.AudioContext || window.webkitAudioContext))
      return 'This demo needs Web Audio, which this browser does not offer here.';
    return '';
  }

  // The address as the demo parses it: the page's own test keys taken out.
  function demoQuery() {
    const keys = location.search.replace(/^\?/, '').split('&').filter((key) => key !== '');
    page.timelineBar = keys.includes(TEST_KEY_TIMELINE_BAR);
    const rest = keys.filter((key) => key !== TEST_KEY_TIMELINE_BAR);
    return rest.length ? `?${rest.join('&')}` : '';
  }

  // The GL emulation announces itself with these on every start; they are
  // notices for the developer, not errors a viewer needs. Everything else the
  // demo writes to stderr stays an error.
  const EMULATION_NOTICES = [
    /^WARNING: using emscripten GL emulation\. /,
    /^WARNING: using emscripten GL emulation unsafe opts\. /,
    /^WARNING: using emscripten GL immediate mode emulation\. /,
  ];

  // The poster's click or tap starts the demo; on a touch screen the tap's
  // own click follows the touch, so one handler serves both.
  document.addEventListener('click', requestPlay);
  document.addEventListener('keydown', (event) => {
    if (page.state !== 'ready') return;
    if (event.key === 'Enter' || event.key === ' ') requestPlay();
    else if (event.key === 'f' || event.key === 'F') requestFullscreen();
  });
  el('again').addEventListener('click', () => location.reload());
  window.addEventListener('resize', fitCanvas);
  document.addEventListener('fullscreenchange', fitCanvas);
  document.addEventListener('webkitfullscreenchange', fitCanvas);
  // An error the demo cannot go on from (a trap in its code) leaves a line
  // rather than a frozen picture.
  window.addEventListener('error', (event) => {
    if (page.state === 'starting' || page.state === 'running')
      showLine(`The demo stopped: ${event.message}`, 'failed');
  });
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault();
    if (page.state === 'starting' || page.state === 'running')
      showLine('The graphics context was lost; reload the page to play again.', 'failed');
  });


  const missing = missingFeature();
  if (missing) {
    showLine(missing, 'failed');
    return;
  }
  fitCanvas();
  setUpMediaSession();
  window.Module = {
    canvas,
    page,
    arguments: [demoQuery()],
    print: (text) => console.log(text),
    onAbort: (what) => showLine(`The demo stopped: ${what}`, 'failed'),
    printErr(text) {
      if (text.startsWith('kv2007demo:')) parserLine = text;
      if (EMULATION_NOTICES.some((notice) => notice.test(text))) console.info(text);
      else console.error(text);
    },
    // The data package's loader reports "Downloading data... (loaded/total)".
    setStatus(text) {
      const bytes = /\((\d+)\/(\d+)\)/.exec(text);
      if (bytes) showProgress(Number(bytes[1]), Number(bytes[2]));
    },
  };
  const script = document.createElement('script');
  script.src = 'kv2007demo.js';
  script.onerror = () => showLine('kv2007demo.js could not be loaded.', 'failed');
  document.body.append(script);
})();
