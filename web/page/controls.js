// The player's controls over the picture: the bar (#controls, data-shown)
// with play/pause, previous/next part, position and length, the seek bar with
// a mark per viewer's part, mute, fullscreen where offered and "copy link at
// this time"; the touch gestures (a tap shows or hides the bar, a double tap
// on the left/right third seeks 5 s, in the middle third is fullscreen). All
// of them call the demo's exported actions (Module._demo*), as its keys do.
// Reads the "demo:*" events of page.js and Module.page.
'use strict';
(function () {
  const el = (id) => document.getElementById(id);
  const controls = el('controls');
  const seek = el('seek');
  const HIDE_AFTER_MS = 3000;     // the bar fades this long after the last input while playing
  const DOUBLE_TAP_MS = 300;      // a second tap within this is a double tap
  const DOUBLE_TAP_SEEK = 5;      // seconds, as video apps seek
  const page = () => window.Module && Module.page;
  const running = () => page() && page().state === 'running';
  const demo = (action, ...args) => { if (running()) Module[`_demo${action}`](...args); };

  // ---- shown and hidden
  let hideTimer = 0;
  function setShown(shown) {
    controls.dataset.shown = String(shown);
    document.body.dataset.controls = shown ? 'shown' : 'hidden';
    if (!shown && controls.contains(document.activeElement)) Module.canvas.focus();
  }
  const paused = () => document.body.dataset.paused === 'true';
  function show() {
    setShown(true);
    clearTimeout(hideTimer);
    // Always shown while paused; while a control is being dragged or typed
    // in, the timer starts again on the next input.
    if (!paused()) hideTimer = setTimeout(() => { if (!paused()) setShown(false); }, HIDE_AFTER_MS);
  }
  function hide() {
    clearTimeout(hideTimer);
    setShown(false);
  }

  // ---- what the bar shows, followed frame by frame
  let length = 0, dragging = false, shownText = '';
  function showTime(seconds) {
    const text = `${page().minutes(seconds)} / ${page().minutes(length)}`;
    if (text !== shownText) el('time').textContent = shownText = text;
    const part = page().viewerParts.findLast((p) => seconds >= p.first);
    const name = part ? part.name : '';
    if (el('part-name').textContent !== name) el('part-name').textContent = name;
  }
  function follow() {
    const seconds = Module._demoPositionSeconds();
    if (!dragging) seek.value = String(seconds);
    showTime(dragging ? Number(seek.value) : seconds);
    const muted = Module._demoIsMuted() !== 0;
    const mute = el('mute');
    if (mute.getAttribute('aria-pressed') !== String(muted)) {
      mute.setAttribute('aria-pressed', String(muted));
      mute.setAttribute('aria-label', muted ? 'Unmute' : 'Mute');
      mute.title = muted ? 'Unmute (M)' : 'Mute (M)';
    }
  }
  document.addEventListener('demo:frame', follow);
  document.addEventListener('demo:length', (event) => {
    length = event.detail;
    seek.max = String(length);
    const marks = el('seek-marks');
    marks.replaceChildren(...page().viewerParts.map((part) => {
      const mark = document.createElement('div');
      mark.className = 'part-mark';
      mark.dataset.name = part.name;
      mark.title = part.name;
      mark.style.left = `${(100 * part.first) / length}%`;
      return mark;
    }));
  });
  document.addEventListener('demo:paused', (event) => {
    const play = el('play');
    play.setAttribute('aria-label', event.detail ? 'Play' : 'Pause');
    play.title = event.detail ? 'Play (Space)' : 'Pause (Space)';
    show();
  });
  document.addEventListener('demo:state', (event) => {
    if (event.detail === 'running') {
      el('fullscreen').hidden = !page().fullscreenOffered;
      show();
    } else {
      hide();
    }
  });

  // ---- the buttons
  const onClick = (id, action) => el(id).addEventListener('click', (event) => {
    event.stopPropagation();
    action();
    show();
    // A pointer's press leaves the keys to the demo (Space pauses, not this
    // button again); a key's press keeps the focus where it is.
    if (event.detail > 0) Module.canvas.focus();
  });
  onClick('play', () => demo('TogglePause'));
  onClick('previous', () => demo('SeekToPart', -1));
  onClick('next', () => demo('SeekToPart', 1));
  onClick('mute', () => demo('ToggleMute'));
  onClick('fullscreen', () => demo('ToggleFullscreen'));
  onClick('copy-link', copyLink);

  // The page's address with start=m:ss at the shown position; the clipboard
  // where the page may write it (a secure context), else the link shown to copy.
  function linkAtThisTime() {
    const keys = location.search.replace(/^\?/, '').split('&')
      .filter((key) => key !== '' && !/^start(=|$)/.test(key));
    keys.push(`start=${page().minutes(Module._demoPositionSeconds())}`);
    return `${location.origin}${location.pathname}?${keys.join('&')}${location.hash}`;
  }
  function copyLink() {
    const link = linkAtThisTime();
    const box = el('link-box'), text = el('link-text');
    const showToCopy = () => {
      text.value = link;
      box.hidden = false;
      text.focus();
      text.select();
    };
    if (navigator.clipboard && window.isSecureContext) {
      navigator.clipboard.writeText(link).then(() => {
        box.hidden = true;
        el('copy-link').title = 'Link copied';
        setTimeout(() => { el('copy-link').title = 'Copy link at this time'; }, 2000);
      }, showToCopy);
    } else {
      showToCopy();
    }
  }
  el('link-text').addEventListener('blur', () => { el('link-box').hidden = true; });

  // ---- the seek bar: a click, a drag or a tap goes where it lets go,
  // through the demo's seek-to, which prepares that position exactly as a
  // start there would.
  seek.addEventListener('input', () => {
    dragging = true;
    showTime(Number(seek.value));
    show();
  });
  seek.addEventListener('change', () => {
    dragging = false;
    demo('SeekTo', Number(seek.value));
    show();
  });
  for (const type of ['click', 'pointerdown', 'touchstart', 'dblclick'])
    controls.addEventListener(type, (event) => event.stopPropagation(), { passive: true });

  // ---- keys: a focused control takes Space and Enter for itself, and SDL
  // (listening on the window) never sees them; Tab moves between controls
  // (SDL would swallow it). The other keys stay the demo's, and the seek bar
  // leaves them to it rather than moving itself as well.
  const OWN_KEYS = [' ', 'Enter', 'Tab'];
  const RANGE_KEYS = ['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Home', 'End', 'PageUp', 'PageDown'];
  for (const type of ['keydown', 'keyup']) {
    window.addEventListener(type, (event) => {
      if (!running()) return;
      if (type === 'keydown') show();
      const inControls = controls.contains(event.target);
      if (event.key === 'Tab' || (inControls && OWN_KEYS.includes(event.key))) {
        event.stopPropagation();
        if (event.key === 'Tab') setShown(true);
      } else if (event.target === seek && RANGE_KEYS.includes(event.key)) {
        event.preventDefault();
      }
      // Without a media session the media keys arrive as keys alone: the page
      // hands them to the demo's actions (the demo ignores SDL's copies).
      if (type === 'keydown' && !('mediaSession' in navigator)) {
        const media = { MediaPlayPause: ['TogglePause'], MediaTrackNext: ['SeekToPart', 1],
                        MediaTrackPrevious: ['SeekToPart', -1], MediaStop: ['End'] }[event.key];
        if (media) demo(...media);
      }
    }, true);
  }

  // ---- the mouse: movement shows the bar, a double click is fullscreen.
  document.addEventListener('mousemove', () => { if (running()) show(); });
  document.addEventListener('dblclick', () => { if (running()) demo('ToggleFullscreen'); });
  document.addEventListener('click', () => { if (running()) show(); });

  // ---- touch on the picture: a tap toggles the bar once it is clear that
  // no second tap follows; a double tap seeks on the left or right third and
  // is fullscreen in the middle third. The page never scrolls or zooms.
  let pendingTap = 0, lastTapAt = -Infinity;
  setUpTouch();
  function setUpTouch() {
    const canvas = el('canvas');
    const options = { passive: false };
    canvas.addEventListener('touchstart', (event) => {
      if (running()) event.preventDefault();
    }, options);
    canvas.addEventListener('touchmove', (event) => { if (running()) event.preventDefault(); }, options);
    canvas.addEventListener('touchend', (event) => {
      if (!running() || event.changedTouches.length !== 1) return;
      event.preventDefault();  // no synthesised click or double-tap zoom
      const x = event.changedTouches[0].clientX / window.innerWidth;
      // When the finger lifted, not when a busy frame let this run: two taps
      // 200 ms apart stay a double tap behind a slow frame. Had the single
      // tap's timer gone off in between, the double tap shows the bar again.
      const now = event.timeStamp;
      if (now - lastTapAt < DOUBLE_TAP_MS) {
        clearTimeout(pendingTap);
        lastTapAt = -Infinity;
        if (x < 1 / 3) demo('SeekBy', -DOUBLE_TAP_SEEK);
        else if (x > 2 / 3) demo('SeekBy', DOUBLE_TAP_SEEK);
        else if (page().fullscreenOffered) demo('ToggleFullscreen');
        show();
        return;
      }
      lastTapAt = now;
      pendingTap = setTimeout(() => {
        if (controls.dataset.shown === 'true' && !paused()) hide(); else show();
      }, DOUBLE_TAP_MS);
    }, options);
    // Pinch zoom (Safari's gesture events) is no page gesture either.
    document.addEventListener('gesturestart', (event) => event.preventDefault());
  }
})();
