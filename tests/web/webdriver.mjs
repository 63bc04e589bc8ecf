// The tab interface of drive.mjs over W3C WebDriver: WebKitWebDriver started on a
// free port of 127.0.0.1, driving WebKitGTK's MiniBrowser on $DISPLAY. Classic
// WebDriver reports no console and runs no script before a page's own, so the
// page's console is watched, and early scripts run, from the moment the address
// has loaded (the demo's runtime starts later, once its data has come); the
// console is read back when the tab closes.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';

const MINIBROWSER = process.env.MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
// WebDriver's code points for the keys the tests press; others are characters.
const KEYS = { ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015',
  Escape: '\uE00C', Enter: '\uE007', Space: ' ', Control: '\uE009', Shift: '\uE008' };

const freePort = () => new Promise((resolve, reject) => {
  const server = net.createServer().once('error', reject);
  server.listen(0, '127.0.0.1', () => { const { port } = server.address(); server.close(() => resolve(port)); });
});

export async function webDriverTab(viewport, problems, problemPattern) {
  const port = await freePort();
  const driver = spawn('WebKitWebDriver', [`--port=${port}`, '--host=127.0.0.1'], { stdio: 'ignore' });
  const base = `http://127.0.0.1:${port}`;
  const call = async (method, path, body) => {
    const response = await fetch(base + path, { method, headers: { 'content-type': 'application/json' },
      body: body === undefined ? undefined : JSON.stringify(body) });
    const { value } = await response.json();
    if (value && value.error) throw new Error(`${path}: ${value.error}: ${value.message}`);
    return value;
  };
  for (const end = Date.now() + 20000; ;) {
    try { if ((await call('GET', '/status')).ready) break; } catch { /* not listening yet */ }
    if (Date.now() > end) throw new Error('WebKitWebDriver did not answer');
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: {
    'webkitgtk:browserOptions': { binary: MINIBROWSER, args: ['--automation'] } } } });
  const session = `/session/${sessionId}`;
  const evaluate = (fn, arg) => call('POST', `${session}/execute/sync`,
    { script: `return (${fn}).apply(null, arguments)`, args: [arg ?? null] });
  const actions = (type, list) => call('POST', `${session}/actions`, { actions: [{ type, id: type, ...list }] });
  // The window's decorations taken off, so that the page gets the viewport asked.
  for (let tries = 0; tries < 3; ++tries) {
    const [width, height] = await evaluate(() => [innerWidth, innerHeight]);
    if (width === viewport.width && height === viewport.height) break;
    const rect = await call('GET', `${session}/window/rect`);
    await call('POST', `${session}/window/rect`, { width: rect.width + viewport.width - width,
      height: rect.height + viewport.height - height });
  }
  const early = [];
  return {
    early: (fn) => early.push(fn),
    async goto(url) {
      await call('POST', `${session}/url`, { url });
      for (const fn of early) await evaluate(fn);
      await evaluate((source) => {
        const pattern = new RegExp(source, 'i');
        window.kv2007Problems = [];
        for (const level of ['log', 'warn', 'error']) {
          const original = console[level].bind(console);
          console[level] = (...parts) => {
            const text = parts.join(' ');
            if (pattern.test(text)) window.kv2007Problems.push(text);
            original(...parts);
          };
        }
        window.addEventListener('error', (event) => window.kv2007Problems.push(String(event.message)));
      }, problemPattern.source);
    },
    evaluate,
    beforeLoad() { throw new Error('WebDriver runs no script before a page loads'); },
    reload: () => call('POST', `${session}/refresh`, {}),
    click: (x, y) => actions('pointer', { parameters: { pointerType: 'mouse' }, actions: [
      { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' },
      { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }] }),
    move: (x, y) => actions('pointer', { parameters: { pointerType: 'mouse' }, actions: [
      { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' }] }),
    tap() { throw new Error('no touch through WebDriver here'); },
    async key(name) {
      const keys = name.split('+').map((k) => KEYS[k] ?? k);
      await actions('key', { actions: [...keys.map((value) => ({ type: 'keyDown', value })),
        ...keys.reverse().map((value) => ({ type: 'keyUp', value }))] });
    },
    async shot(file) {
      fs.writeFileSync(file, Buffer.from(await call('GET', `${session}/screenshot`), 'base64'));
    },
    async close() {
      try {
        problems.push(...(await evaluate(() => window.kv2007Problems || [])));
        await call('DELETE', session);
      } finally {
        driver.kill();
      }
    },
  };
}
