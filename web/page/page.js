// The page around the demo: checks WebGL 2 and Web Audio, loads kv2007demo.js
// with a progress bar over the data package, offers "Click to play", keeps the
// canvas at the tab's device-pixel size, asks for fullscreen, shows the demo's
// message boxes, its refusal lines and the end screen. The demo
// (web/web_main.cpp) calls the Module.page functions; the page's state is on
// body data-state: loading, ready, starting, running, ended, stopped
// (after the test key first-frame-only), refused or failed.
'use strict';
(function () {
  const el = (id) => document.getElementById(id);
  const canvas = el('canvas');
  const OK = 0, YES = 1, NO = 2;  // MessageAnswer in shell/message_box.h
  let parserLine = '';            // the last line the command-line parser wrote

  function setState(state) {
    page.state = state;
    document.body.dataset.state = state;
  }

  function showLine(text, state) {
    el('line').textContent = text;
    setState(state);
  }

  function showProgress(loaded, total) {
    const mb = (bytes) => (bytes / 1e6).toFixed(1);
    el('progress').value = total > 0 ? loaded / total : 0;
    el('progress-text').textContent = `${mb(loaded)} of ${mb(total)} MB`;
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

  function requestFullscreen() {
    const root = document.documentElement;
    if (!document.fullscreenElement && root.requestFullscreen) root.requestFullscreen().catch(() => {});
  }

  // The demo's fullscreen control (F) in a page: the document in and out.
  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else requestFullscreen();
  }

  function requestPlay() {
    if (page.state !== 'ready') return;
    page.clickedAt = performance.now();
    page.playRequested = true;
    setState('starting');
    canvas.focus();
  }

  const page = {
    state: 'loading',
    playRequested: false,  // read by the demo while it waits for the click
    boxAnswer: OK,         // -1 while a box waits for its button
    clickedAt: 0,          // performance.now() of the click that started the demo
    frames: [],            // per presented frame: [performance.now(), music seconds, timeline part]
    parts: [],             // timeline parts by index: {name, first (seconds)}

    showLine: (text) => showLine(text, 'refused'),
    showParserLine: () => showLine(parserLine || 'kv2007demo: the address was refused', 'refused'),
    offerPlay: () => setState('ready'),
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
    },
    nameTimelinePart(index, name, first) {
      page.parts[index] = { name, first };
    },
    showEnd: (stoppedAfterFirstFrame) => setState(stoppedAfterFirstFrame ? 'stopped' : 'ended'),
    toggleFullscreen,
  };

  function missingFeature() {
    if (!document.createElement('canvas').getContext('webgl2'))
      return 'This demo needs WebGL 2, which this browser does not offer here.';
    if (!(window.AudioContext || window.webkitAudioContext))
      return 'This demo needs Web Audio, which this browser does not offer here.';
    return '';
  }

  document.addEventListener('click', requestPlay);
  document.addEventListener('dblclick', requestFullscreen);
  // Once the demo runs, its keys are its own (F included: see toggleFullscreen),
  // so that each press acts once.
  document.addEventListener('keydown', (event) => {
    if (page.state !== 'ready') return;
    if (event.key === 'Enter' || event.key === ' ') requestPlay();
    else if (event.key === 'f' || event.key === 'F') requestFullscreen();
  });
  el('fullscreen').addEventListener('click', (event) => {
    event.stopPropagation();
    requestFullscreen();
  });
  el('again').addEventListener('click', () => location.reload());
  window.addEventListener('resize', fitCanvas);
  document.addEventListener('fullscreenchange', fitCanvas);
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
  window.Module = {
    canvas,
    page,
    arguments: [location.search],
    print: (text) => console.log(text),
    onAbort: (what) => showLine(`The demo stopped: ${what}`, 'failed'),
    printErr(text) {
      if (text.startsWith('kv2007demo:')) parserLine = text;
      console.error(text);
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
