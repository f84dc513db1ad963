// The page tests' harness: headless Chromium from the system, a stand-in for the client
// that records the command addresses a page navigates to and answers 1231/1235/1232 the
// way the client does, and calls to the running service to set the scene.
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const test = require('node:test');
const { chromium } = require('playwright-core');

const APP = (process.env.ZQ_APP_URL || 'http://127.0.0.1:8701/').replace(/\/$/, '');
const WEB = (process.env.ZQ_WEB_URL || 'http://127.0.0.1:8702/').replace(/\/$/, '');
const CHROMIUM = process.env.ZQ_CHROMIUM || '/usr/bin/chromium';
const PREFIX = 'zqwndcmd::';

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zq-pages-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// The browser of one test file: launched before its tests, closed after them.
function useBrowser() {
  const browser = {};
  test.before(async () => { Object.assign(browser, await launch()); });
  test.after(async () => { await browser.close(); });
  return browser;
}

// Reads a command address exactly as the client does: the fields in order, each value
// up to the next "~", nothing percent-decoded.
function parseCommand(url) {
  let rest = url.slice(PREFIX.length);
  const field = (key) => {
    const at = rest.indexOf(key);
    if (at < 0) return '';
    const end = rest.indexOf('~', at);
    if (end < 0) return '';
    const value = rest.slice(at + key.length, end);
    rest = rest.slice(end + 1);
    return value;
  };
  return { number: Number(field('CMD:')), wParam: field('wParam:'), lParam: field('lParam:') };
}

// Stands in for the client around one page: every top-level navigation the page asks
// for is recorded in order, as "NUMBER wParam lParam" for a command address and as
// "navigate ADDRESS" for any other; commands from frames are kept apart (the client
// ignores them). Command addresses go nowhere, as when the client cancels them.
class FakeClient {
  constructor(page, settings = {}, lastSite = '') {
    this.page = page;
    this.settings = {};
    for (const key of Object.keys(settings)) this.settings[key.toLowerCase()] = settings[key];
    this.lastSite = lastSite;
    this.events = [];
    this.times = [];
    this.frameCommands = [];
  }

  async attach() {
    this.cdp = await this.page.context().newCDPSession(this.page);
    await this.cdp.send('Page.enable');
    const tree = await this.cdp.send('Page.getFrameTree');
    this.mainFrame = tree.frameTree.frame.id;
    this.cdp.on('Page.frameRequestedNavigation', (e) => this.onNavigation(e));
    return this;
  }

  onNavigation(e) {
    const isCommand = e.url.startsWith(PREFIX);
    if (e.frameId !== this.mainFrame) {
      if (isCommand) this.frameCommands.push(e.url);
      return;
    }
    if (!isCommand) {
      this.record('navigate ' + e.url);
      return;
    }
    const c = parseCommand(e.url);
    this.record(`${c.number} ${c.wParam} ${c.lParam}`);
    if (c.number === 1231) this.writeElement(c.lParam, this.settings[c.wParam.toLowerCase()] || '');
    if (c.number === 1235) this.writeElement(c.wParam, this.lastSite);
    if (c.number === 1232) this.settings[c.wParam.toLowerCase()] = c.lParam;
  }

  record(text) {
    this.events.push(text);
    this.times.push(Date.now());
  }

  writeElement(id, value) {
    this.page.evaluate(([elementId, text]) => {
      const el = document.getElementById(elementId);
      if (el) el.innerText = text;
    }, [id, value]).catch(() => {});
  }

  // Waits until `count` events have been recorded in all; returns them.
  async waitForEvents(count, timeout = 8000) {
    const end = Date.now() + timeout;
    while (this.events.length < count && Date.now() < end) await sleep(25);
    return this.events.slice();
  }

  // The events recorded from `from` on, once `count` of them are there.
  async next(from, count, timeout) {
    const all = await this.waitForEvents(from + count, timeout);
    return all.slice(from, from + count);
  }
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// A page with its stand-in client, opened at `address` (relative to the application host).
async function openPage(browser, address, settings, lastSite) {
  const page = await browser.context.newPage();
  const client = await new FakeClient(page, settings, lastSite).attach();
  await load(page, address);
  return { page, client };
}

// Opens an address and waits until its document is complete. A page that navigates to a
// command address while loading never reports "load" to the browser's automation (the
// command navigation stays pending, as it would until the client cancels it), so the
// document's own readiness is what counts.
async function load(page, address) {
  await page.goto(address.startsWith('http') ? address : APP + address, { waitUntil: 'commit' });
  await ready(page);
}

async function ready(page) {
  await page.waitForFunction(() => document.readyState === 'complete');
}

// Clicks a visible element with a script-made click. A real (trusted) click that makes
// the page navigate to a command address would have the browser ask the user whether
// to launch an outside program for the unknown scheme, and that question swallows the
// input that follows; the client's control asks nothing, so the tests do not either.
async function press(page, selector) {
  const target = page.locator(selector);
  await target.waitFor({ state: 'visible' });
  await target.dispatchEvent('click');
}

// The service's own calls, to set the scene as other users would.
const api = {
  async post(address, fields) {
    const res = await fetch(APP + address, {
      method: 'POST',
      headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
      body: new URLSearchParams(fields).toString(),
    });
    return { status: res.status, text: await res.text(), headers: res.headers };
  },
  async register(name) {
    const r = await this.post('/Panel/api/register', { name });
    const f = r.text.trim().split('\t');
    if (f[0] !== 'ok') throw new Error('register failed: ' + r.text);
    return { id: f[1], name: f[2] };
  },
  async comment(client, url, text) {
    const r = await this.post('/Panel/api/comment', { client, url, text });
    if (r.status !== 200) throw new Error('comment failed: ' + r.text);
    return Number(r.headers.get('X-Zq-Comment'));
  },
  // What the client's panel does when the user is on `site`: load the panel page.
  async visit(client, site) {
    await fetch(`${APP}/Panel/DefaultMinimize.aspx?TavrelZephquillID=${client}&TavrelZephquillURL=${site}`);
  },
  async get(address) {
    const res = await fetch(APP + address);
    return { status: res.status, text: await res.text() };
  },
};

// A name no other test has used, so that tests sharing one service stay apart.
let counter = 0;
function unique(prefix) {
  counter += 1;
  return `${prefix}${process.pid}x${counter}`;
}

module.exports = { APP, WEB, useBrowser, openPage, load, ready, press, FakeClient, parseCommand, api, sleep, unique };
