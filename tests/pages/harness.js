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

// The browser of one test file, launched before its tests and closed after them; the pages
// a test opens are closed after it. A page closed in the middle of a navigation can keep
// its close from ever ending, so each test lets its last page settle, and a close that
// still takes longer than 10 s fails the test instead of holding the run.
function useBrowser() {
  const browser = { pages: [] };
  let profile;
  test.before(async () => {
    profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zq-pages-'));
    browser.context = await chromium.launchPersistentContext(profile, {
      executablePath: CHROMIUM,
      headless: true,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
  });
  test.afterEach(async () => {
    for (const page of browser.pages.splice(0)) {
      let timer;
      const late = new Promise((_, reject) => {
        timer = setTimeout(() => reject(new Error(`${page.url()} did not close in 10 s`)), 10000);
      });
      await Promise.race([page.close(), late]).finally(() => clearTimeout(timer));
    }
  });
  test.after(async () => {
    await browser.context.close();
    fs.rmSync(profile, { recursive: true, force: true });
  });
  return browser;
}

async function newPage(browser) {
  const page = await browser.context.newPage();
  browser.pages.push(page);
  return page;
}

// Reads a command address as the client does: each field sought after the previous one,
// its value up to the next "~", nothing percent-decoded.
function parseCommand(url) {
  const m = /CMD:([^~]*)~(?:.*?wParam:([^~]*)~)?(?:.*?lParam:([^~]*)~)?/s.exec(url.slice(PREFIX.length)) || [];
  return { number: Number(m[1] || ''), wParam: m[2] || '', lParam: m[3] || '' };
}

// Stands in for the client around one page: each top-level navigation is recorded in order,
// as "NUMBER wParam lParam" for a command address (which goes nowhere, as the client cancels
// it) and as "navigate ADDRESS" otherwise; frames are not watched.
class FakeClient {
  constructor(page, settings = {}, lastSite = '') {
    this.page = page;
    this.settings = {};
    for (const key of Object.keys(settings)) this.settings[key.toLowerCase()] = settings[key];
    this.lastSite = lastSite;
    this.events = [];
    this.times = [];
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
    if (e.frameId !== this.mainFrame) return;  // no page has frames (windows.test.js)
    const isCommand = e.url.startsWith(PREFIX);
    const c = isCommand ? parseCommand(e.url) : {};
    this.events.push(isCommand ? `${c.number} ${c.wParam} ${c.lParam}` : 'navigate ' + e.url);
    this.times.push(Date.now());
    if (c.number === 1231) this.writeElement(c.lParam, this.settings[c.wParam.toLowerCase()] || '');
    if (c.number === 1235) this.writeElement(c.wParam, this.lastSite);
    if (c.number === 1232) this.settings[c.wParam.toLowerCase()] = c.lParam;
  }

  writeElement(id, value) {
    this.page.evaluate(([elementId, text]) => {
      const el = document.getElementById(elementId);
      if (el) el.innerText = text;
    }, [id, value]).catch(() => {});
  }

  // The events recorded from `from` on, once `count` of them are there (or the time is up).
  async next(from, count, timeout = 8000) {
    const end = Date.now() + timeout;
    while (this.events.length < from + count && Date.now() < end) await sleep(25);
    return this.events.slice(from, from + count);
  }
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A page with its stand-in client, opened at `address` (relative to the application host).
async function openPage(browser, address, settings, lastSite) {
  const page = await newPage(browser);
  const client = await new FakeClient(page, settings, lastSite).attach();
  await load(page, address);
  return { page, client };
}

// Opens an address and waits until its document is complete: a page that navigates to a
// command address while loading never reports "load" (the command stays pending).
async function load(page, address) {
  await page.goto(address.startsWith('http') ? address : APP + address, { waitUntil: 'commit' });
  await page.waitForFunction(() => document.readyState === 'complete');
}

// Clicks a visible element with a script-made click: a trusted click to a command address
// makes the browser ask about an outside program, which swallows the input that follows.
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
  // New clients with names no other test has used, so that tests sharing one service stay apart.
  async clients(...prefixes) {
    const out = [];
    for (const prefix of prefixes) {
      const r = await this.post('/Panel/api/register', { name: unique(prefix) });
      const f = r.text.trim().split('\t');
      if (f[0] !== 'ok') throw new Error('register failed: ' + r.text);
      out.push({ id: f[1], name: f[2] });
    }
    return out;
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

let counter = 0;
const unique = (prefix) => `${prefix}${process.pid}x${++counter}`;

module.exports = { APP, WEB, useBrowser, newPage, openPage, load, press, api, sleep, unique };
