// The reference pages inside a third party's frame: the service refuses to be framed by
// another origin, so the framed page never runs and nothing reaches the stand-in client.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { APP, launch, FakeClient, api, sleep, unique } = require('./harness');

let browser;
test.before(async () => { browser = await launch(); });
test.after(async () => { await browser.close(); });

const FOREIGN = 'http://foreign.example';

test('a reference page in a third party frame never runs and commands nothing', async () => {
  const eve = await api.register(unique('Eve'));
  const pages = ['/Panel/DefaultMinimize.aspx?TavrelZephquillID=&TavrelZephquillURL=http://a.example/',
                 '/Panel/SiteComments.aspx', '/Panel/ClientApplicationLoad.aspx',
                 '/Panel/PollingNotifications.aspx', '/Panel/WhereAreMyFriends.aspx?InitialScreen=Friends'];
  for (const address of pages) {
    const page = await browser.context.newPage();
    await page.route(`${FOREIGN}/**`, (route) => route.fulfill({
      contentType: 'text/html',
      body: `<html><body><iframe src="${APP}${address}" width="400" height="300"></iframe></body></html>`,
    }));
    // Every document notes the navigations it starts, frames included.
    await page.addInitScript(() => {
      window.zqStarted = [];
      navigation.addEventListener('navigate', (e) => window.zqStarted.push(e.destination.url));
    });
    const client = await new FakeClient(page, { ClientIdentifier: eve.id }).attach();
    await page.goto(`${FOREIGN}/host.html`);
    await page.waitForFunction(() => document.querySelector('iframe').contentWindow !== null);
    await sleep(1000);  // longer than any page takes to send its first command
    for (const frame of page.frames()) {
      const started = await frame.evaluate(() => window.zqStarted || []).catch(() => []);
      assert.deepEqual(started, [], `${address}: ${frame.url()}`);
      assert.equal(await frame.evaluate(() => typeof window.zq).catch(() => 'undefined'), 'undefined',
                   `${address} does not run inside ${FOREIGN}`);
    }
    assert.deepEqual(client.events, [], address);
    assert.deepEqual(client.frameCommands, [], address);
    await page.close();
  }
});
