// Drives the demo's page for the web tests and tools/perf-web.sh in one of three
// engines behind one tab interface: Chromium headless (WebGL 2 on SwiftShader)
// and Firefox ESR headful on $DISPLAY (Mesa) through puppeteer-core, WebKitGTK's
// MiniBrowser on $DISPLAY through WebKitWebDriver (W3C WebDriver, webdriver.mjs).
// node drive.mjs [--engine=chromium|firefox|webkit] [--sound] [--phone] ADDRESS STEP...
// prints a report of "key: value" lines. Steps: click (once the page offers
// play; a tap with --phone), wait:STATE (body data-state, a|b for either),
// frames:N, seconds:S (of presented frames), after:S (S more seconds of
// presented frames), held (the picture paused: frames go on at one position),
// key:NAME, shot:PATH (the tab as PNG), picture:PATH (the same without the
// page's controls), box (wait for a message box and press
// its first button), remove:PATH (a data set file, deleted before the demo
// starts; Chromium), lose (the WebGL context), press:SELECTOR (a click or tap
// on the element, the controls shown first), seekbar:F (a click on the seek
// bar at F of its width), tap:X,Y and tap2:X,Y (one or two taps at fractions
// of the viewport), until:EXPR (a page expression turns true), eval:EXPR,
// note:NAME=EXPR (reported). --phone: 390x844 CSS px at 3x with touch
// (Chromium). Every wait is a hang guard.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { webDriverTab } from './webdriver.mjs';

const HANG_GUARD_MS = 120000;
// What fails a test wherever it shows: the GL emulation's and WebGL's
// complaints, assertions, aborts and uncaught exceptions.
const PROBLEM = /GL_INVALID|INVALID_(ENUM|VALUE|OPERATION)|WebGL:|assert|abort|RuntimeError|exception/i;
const DESKTOP = { width: 800, height: 600, deviceScaleFactor: 1 };
const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };

const options = { engine: 'chromium', sound: false, phone: false };
const args = process.argv.slice(2);
while (args[0]?.startsWith('--')) {
  const [name, value] = args.shift().slice(2).split('=');
  options[name] = value ?? true;
}
const [address, ...steps] = args;
const viewport = options.phone ? PHONE : DESKTOP;

// One engine's tab: goto, evaluate(fn, arg), click and tap at CSS pixels,
// key, shot, beforeLoad(fn, arg), early(fn) (before the page's scripts where
// the engine can, else as soon as the address has loaded), close.
async function puppeteerTab(problems) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `kv2007demo-${options.engine}-`));
  const firefox = options.engine === 'firefox';
  const browser = await puppeteer.launch(firefox ? {
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    // Headless Firefox offers no WebGL here; the test's X server has Mesa.
    headless: false,
    userDataDir: profile,
    extraPrefsFirefox: { 'media.autoplay.default': 0, 'media.autoplay.blocking_policy': 0,
      'webgl.force-enabled': true, 'browser.shell.checkDefaultBrowser': false },
  } : {
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--no-first-run', '--disable-quic', ...(options.sound ? ['--autoplay-policy=no-user-gesture-required'] : [])],
  });
  const page = (await browser.pages())[0] ?? await browser.newPage();
  await page.setViewport(viewport);
  page.on('console', (m) => { if (PROBLEM.test(m.text())) problems.push(m.text()); });
  page.on('pageerror', (e) => problems.push(String(e)));
  return {
    goto: (url) => page.goto(url),
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    beforeLoad: (fn, arg) => page.evaluateOnNewDocument(fn, arg),
    early: (fn) => page.evaluateOnNewDocument(fn),
    reload: () => page.reload(),
    click: (x, y) => page.mouse.click(x, y),
    move: (x, y) => page.mouse.move(x, y),
    tap: (x, y) => page.touchscreen.tap(x, y),
    // Two taps 150 ms apart by the events' own times, as a finger gives them,
    // however long each command takes to arrive (Chromium).
    async tapTwice(x, y) {
      const session = await page.createCDPSession();
      const at = Date.now() / 1000;
      const touch = (type, seconds) => session.send('Input.dispatchTouchEvent', {
        type, touchPoints: type === 'touchEnd' ? [] : [{ x, y }], timestamp: at + seconds });
      for (const [type, seconds] of [['touchStart', 0], ['touchEnd', 0.05], ['touchStart', 0.15], ['touchEnd', 0.2]])
        await touch(type, seconds);
      await session.detach();
    },
    key: (name) => page.keyboard.press(name),
    shot: (file) => page.screenshot({ path: file }),
    async close() {
      await browser.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

const problems = [];
const boxes = [];
const report = {};
let tab;
try {
  if (options.phone && options.engine !== 'chromium') throw new Error('--phone is Chromium\'s');
  tab = options.engine === 'webkit' ? await webDriverTab(viewport, problems, PROBLEM) : await puppeteerTab(problems);
  // Main-thread time of each animation frame (the demo's frame runs in one),
  // given to the latest presented frame that has none yet.
  await tab.early(() => {
    const request = window.requestAnimationFrame.bind(window);
    window.requestAnimationFrame = (callback) => request((time) => {
      const start = performance.now();
      callback(time);
      const frames = window.Module && Module.page && Module.page.frames;
      const last = frames && frames[frames.length - 1];
      if (last && last[3] === undefined) last[3] = performance.now() - start;
      // The sound's own clock beside it: what the music's pace is measured by.
      const audio = window.Module && Module.SDL2 && Module.SDL2.audioContext;
      if (last && last[4] === undefined && audio) last[4] = audio.currentTime;
    });
  });
  await tab.goto(address);
  await tab.evaluate(() => {
    const style = document.createElement('style');
    style.textContent = '.kv2007-picture-only :is(#controls, #fullscreen) { visibility: hidden !important; }';
    document.head.append(style);
  });
  const until = async (fn, arg) => {
    for (const end = Date.now() + HANG_GUARD_MS; !(await tab.evaluate(fn, arg));) {
      if (Date.now() > end) throw new Error(`hang guard: ${String(fn).slice(0, 80)} ${arg ?? ''}`);
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
  };
  const lastFrameMs = () => tab.evaluate(() => { const f = Module.page.frames; return f.length ? f[f.length - 1][0] : 0; });
  // The centre of an element in CSS pixels (at F of its width for a bar).
  const spot = (selector, share = 0.5) => tab.evaluate(([s, f]) => {
    const r = document.querySelector(s).getBoundingClientRect();
    return [r.left + r.width * f, r.top + r.height / 2];
  }, [selector, share]);
  // WebKit's screenshot is the last painted picture: two animation frames
  // after the page's last change it shows that change.
  const painted = () => tab.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
  const pointAt = async (x, y) => (options.phone ? tab.tap(x, y) : tab.click(x, y));
  // The controls come up on a pointer movement or a tap and take a click
  // once shown.
  const showControls = async () => {
    if (options.phone) {
      if (await tab.evaluate(() => document.getElementById('controls').dataset.shown !== 'true')) {
        await tab.tap(viewport.width / 2, viewport.height / 3);
      }
    } else {
      await tab.move(viewport.width / 2, viewport.height / 3);
      await tab.move(viewport.width / 2 + 5, viewport.height / 3);
    }
    await until(() => document.getElementById('controls').dataset.shown === 'true');
  };
  for (const step of steps) {
    const [verb, value] = step.split(/:(.*)/s);
    if (verb === 'click') {
      await until(() => !['loading', 'starting'].includes(document.body.dataset.state));
      await pointAt(viewport.width / 2, viewport.height / 2);
    } else if (verb === 'wait') {
      await until((states) => states.split('|').includes(document.body.dataset.state), value);
    } else if (verb === 'frames') {
      await until((n) => Module.page.frames.length >= n, Number(value));
    } else if (verb === 'seconds') {
      await until((s) => { const f = Module.page.frames; return f.length > 1 && f[f.length - 1][0] - f[1][0] >= s * 1000; }, Number(value));
    } else if (verb === 'after') {
      const from = await lastFrameMs();
      await until(([t, s]) => { const f = Module.page.frames; return f[f.length - 1][0] - t >= s * 1000; }, [from, Number(value)]);
    } else if (verb === 'held') {
      await until(() => {
        const f = Module.page.frames.slice(-3);
        return f.length === 3 && f.every((frame) => frame[1] === f[0][1]);
      });
    } else if (verb === 'box') {
      await until(() => !document.getElementById('box').hidden);
      boxes.push(await tab.evaluate(() => ['caption', 'text'].map((n) => document.getElementById(`box-${n}`).textContent).join(': ')));
      await tab.evaluate(() => document.querySelector('#box-buttons button').click());
    } else if (verb === 'remove') {
      await tab.beforeLoad((file) => {
        let module;
        Object.defineProperty(window, 'Module', { configurable: true, get: () => module,
          set(m) { module = m; m.onRuntimeInitialized = () => FS.unlink(file); } });
      }, value);
      await tab.reload();
    } else if (verb === 'lose') {
      await tab.evaluate(() => Module.canvas.getContext('webgl2').getExtension('WEBGL_lose_context').loseContext());
    } else if (verb === 'key') {
      await tab.key(value);
    } else if (verb === 'shot') {
      await painted();
      await tab.shot(value);
    } else if (verb === 'picture') {
      await tab.evaluate(() => document.body.classList.add('kv2007-picture-only'));
      await painted();
      await tab.shot(value);
      await tab.evaluate(() => document.body.classList.remove('kv2007-picture-only'));
    } else if (verb === 'press') {
      await showControls();
      await pointAt(...await spot(value));
    } else if (verb === 'seekbar') {
      await showControls();
      await pointAt(...await spot('#seek', Number(value)));
    } else if (verb === 'tap' || verb === 'tap2') {
      const [x, y] = value.split(',').map(Number);
      await (verb === 'tap2' ? tab.tapTwice : tab.tap)(x * viewport.width, y * viewport.height);
    } else if (verb === 'until') {
      await until((expression) => Boolean((0, eval)(expression)), value);
    } else if (verb === 'eval' || verb === 'note') {
      const [name, expression] = verb === 'note' ? value.split(/=(.*)/s) : ['', value];
      const result = await tab.evaluate((e) => String((0, eval)(e)), expression);
      if (name) report[name] = result;
    } else {
      throw new Error(`unknown step ${step}`);
    }
  }
  Object.assign(report, await tab.evaluate(() => {
    const p = window.Module && Module.page;
    const frames = p ? p.frames : [];
    const audio = window.Module && Module.SDL2 && Module.SDL2.audioContext;
    // Music seconds per second of the audio context's clock (of page time
    // without one), from the second frame on (the first is drawn at the
    // start position before the clock is read). A starved machine slows the
    // sound and the picture alike; a wrong conversion shows against either.
    const [a, b] = [frames[1], frames[frames.length - 1]];
    const clock = a && b && a[4] !== undefined && b[4] !== undefined ? 4 : 0;
    const clockSeconds = (f) => (clock ? f[clock] : f[0] / 1000);
    // Per timeline part: frames a second, and the median main-thread time of a frame.
    const parts = {};
    for (let i = 1; i < frames.length; ++i) {
      const part = p.parts[frames[i][2]];
      if (!part || frames[i][2] !== frames[i - 1][2]) continue;
      const f = (parts[part.name] ??= { frames: 0, ms: 0, busy: [] });
      f.frames += 1;
      f.ms += frames[i][0] - frames[i - 1][0];
      if (frames[i][3] !== undefined) f.busy.push(frames[i][3]);
    }
    const median = (values) => values.sort((x, y) => x - y)[Math.floor(values.length / 2)] ?? NaN;
    const attribute = (selector, name) => document.querySelector(selector)?.dataset[name] ?? '';
    return {
      state: document.body.dataset.state,
      title: document.title,
      line: document.getElementById('line')?.textContent ?? '',
      again: document.getElementById('again')?.checkVisibility() ? 'shown' : 'hidden',
      audio: audio ? audio.state : 'none',
      frames: frames.length,
      position: b ? b[1].toFixed(6) : '',
      paused: attribute('body', 'paused'),
      controls: attribute('#controls', 'shown'),
      rate: a && b && clockSeconds(b) > clockSeconds(a) ? ((b[1] - a[1]) / (clockSeconds(b) - clockSeconds(a))).toFixed(3) : '',
      pageRate: a && b && b[0] > a[0] ? ((b[1] - a[1]) * 1000 / (b[0] - a[0])).toFixed(3) : '',
      firstFrameMs: frames.length ? (frames[0][0] - p.clickedAt).toFixed(0) : '',
      fps: Object.entries(parts).map(([n, f]) => `${n}=${(f.frames * 1000 / f.ms).toFixed(1)}`).join(' '),
      busyMs: Object.entries(parts).map(([n, f]) => `${n}=${median(f.busy).toFixed(2)}`).join(' '),
      viewport: `${innerWidth}x${innerHeight}@${devicePixelRatio}`,
    };
  }));
} catch (error) {
  problems.push(`driver: ${error.message}`);
} finally {
  if (tab) await tab.close().catch((error) => problems.push(`driver: ${error.message}`));
}
report.boxes = boxes.join(' | ');
report.problems = problems.join(' | ');
for (const [key, value] of Object.entries(report)) console.log(`${key}: ${String(value).replace(/\n/g, ' ')}`);
