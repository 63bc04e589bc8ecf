// Drives the demo's page in headless Chromium (WebGL 2 on SwiftShader) for the
// web tests: node drive.mjs [--sound] ADDRESS STEP...; prints a report of
// "key: value" lines. Steps: click (once the page offers play), wait:STATE
// (body data-state, a|b for either), frames:N, seconds:S (of presented frames),
// key:NAME, shot:PATH (the 800x600 tab as PNG), box (wait for a message box
// and press its first button), remove:PATH (a data set file, deleted before
// the demo starts), lose (the WebGL context). Every wait is a hang guard.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const HANG_GUARD_MS = 120000;
// What fails a test wherever it shows: the GL emulation's and WebGL's
// complaints, assertions, aborts and uncaught exceptions.
const PROBLEM = /GL_INVALID|INVALID_(ENUM|VALUE|OPERATION)|WebGL:|assert|abort|RuntimeError|exception/i;

const args = process.argv.slice(2);
const sound = args[0] === '--sound';
const [address, ...steps] = sound ? args.slice(1) : args;
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kv2007demo-chromium-'));
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  userDataDir: profile,
  args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--no-first-run', '--disable-quic', ...(sound ? ['--autoplay-policy=no-user-gesture-required'] : [])],
});
const problems = [];
const boxes = [];
const report = {};
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600, deviceScaleFactor: 1 });
  page.on('console', (m) => { if (PROBLEM.test(m.text())) problems.push(m.text()); });
  page.on('pageerror', (e) => problems.push(String(e)));
  await page.goto(address);
  const pageState = () => page.evaluate(() => document.body.dataset.state);
  const until = (fn, arg) => page.waitForFunction(fn, { timeout: HANG_GUARD_MS, polling: 50 }, arg);
  for (const step of steps) {
    const [verb, value] = step.split(/:(.*)/s);
    if (verb === 'click') {
      await until(() => !['loading', 'starting'].includes(document.body.dataset.state));
      await page.mouse.click(400, 300);
    } else if (verb === 'wait') {
      await until((states) => states.split('|').includes(document.body.dataset.state), value);
    } else if (verb === 'frames') {
      await until((n) => Module.page.frames.length >= n, Number(value));
    } else if (verb === 'seconds') {
      await until((s) => { const f = Module.page.frames; return f.length > 1 && f[f.length - 1][0] - f[1][0] >= s * 1000; }, Number(value));
    } else if (verb === 'box') {
      await until(() => !document.getElementById('box').hidden);
      boxes.push(await page.evaluate(() => ['caption', 'text'].map((n) => document.getElementById(`box-${n}`).textContent).join(': ')));
      await page.click('#box-buttons button');
    } else if (verb === 'remove') {
      await page.evaluateOnNewDocument((file) => {
        let module;
        Object.defineProperty(window, 'Module', { configurable: true, get: () => module,
          set(m) { module = m; m.onRuntimeInitialized = () => FS.unlink(file); } });
      }, value);
      await page.reload();
    } else if (verb === 'lose') {
      await page.evaluate(() => Module.canvas.getContext('webgl2').getExtension('WEBGL_lose_context').loseContext());
    } else if (verb === 'key') {
      await page.keyboard.press(value);
    } else if (verb === 'shot') {
      await page.screenshot({ path: value });
    }
  }
  Object.assign(report, await page.evaluate(() => {
    const p = window.Module && Module.page;
    const frames = p ? p.frames : [];
    const audio = window.Module && Module.SDL2 && Module.SDL2.audioContext;
    // Music seconds per second of page time, from the second frame on (the
    // first is drawn at the start position before the clock is read).
    const [a, b] = [frames[1], frames[frames.length - 1]];
    const fps = {};
    for (let i = 1; i < frames.length; ++i) {
      const part = p.parts[frames[i][2]];
      if (!part || frames[i][2] !== frames[i - 1][2]) continue;
      const f = (fps[part.name] ??= { frames: 0, ms: 0 });
      f.frames += 1;
      f.ms += frames[i][0] - frames[i - 1][0];
    }
    return {
      state: document.body.dataset.state,
      title: document.title,
      line: document.getElementById('line').textContent,
      again: document.getElementById('again').checkVisibility() ? 'shown' : 'hidden',
      audio: audio ? audio.state : 'none',
      frames: frames.length,
      rate: a && b && b[0] > a[0] ? ((b[1] - a[1]) * 1000 / (b[0] - a[0])).toFixed(3) : '',
      firstFrameMs: frames.length ? (frames[0][0] - p.clickedAt).toFixed(0) : '',
      fps: Object.entries(fps).map(([n, f]) => `${n}=${(f.frames * 1000 / f.ms).toFixed(1)}`).join(' '),
    };
  }));
} catch (error) {
  problems.push(`driver: ${error.message}`);
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
report.boxes = boxes.join(' | ');
report.problems = problems.join(' | ');
for (const [key, value] of Object.entries(report)) console.log(`${key}: ${String(value).replace(/\n/g, ' ')}`);
