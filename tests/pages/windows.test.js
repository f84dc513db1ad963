// The service windows and the public pages in the browser: friends, events, the check
// page, about, contact and the download folder; and no page issues a command from a frame,
// nor runs inside a third party's frame.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { APP, WEB, useBrowser, openPage, load, press, FakeClient, api, sleep, unique } = require('./harness');

const browser = useBrowser();

test('where are my friends shows where each friend was, and opens the friends window', async () => {
  const eve = await api.register(unique('Eve'));
  const dana = await api.register(unique('Dana'));
  const finn = await api.register(unique('Finn'));
  await api.visit(dana.id, 'http://cafe.example/<b>menu</b>');
  await api.post('/Panel/api/profile', { client: finn.id, name: finn.name, share: '0' });
  for (const who of [dana.name, finn.id]) await api.post('/Panel/api/friends', { client: eve.id, action: 'add', who });

  const { page, client } = await openPage(browser, '/Panel/WhereAreMyFriends.aspx?InitialScreen=Friends',
                                          { ClientIdentifier: eve.id });
  assert.deepEqual(await client.next(0, 2), ['1224 420 360', '1231 ClientIdentifier zqClientId']);
  await page.waitForSelector('#zqFriends .zq-friend');
  const friends = await page.locator('#zqFriends .zq-friend').allInnerTexts();
  assert.equal(friends.length, 2);
  assert.match(friends.find((t) => t.startsWith(dana.name)), /was on http:\/\/cafe\.example\/<b>menu<\/b>/);
  assert.match(friends.find((t) => t.startsWith(finn.name)), /keeps their location to themselves/);
  assert.equal(await page.locator('#zqFriends b').count(), 0);
  await press(page, '#zqManage');
  await press(page, '#zqClose');
  assert.deepEqual(await client.next(2, 2), [`1226 My Friends;${APP}/Panel/FriendsAdmin.aspx 0`, '1228 0 0']);
  await page.close();
});

test('my friends adds and removes friends', async () => {
  const eve = await api.register(unique('Eve'));
  const dana = await api.register(unique('Dana'));
  const { page, client } = await openPage(browser, '/Panel/FriendsAdmin.aspx', { ClientIdentifier: eve.id });
  await client.next(0, 2);
  await page.waitForSelector('#zqFriends .zq-empty');
  await page.fill('#zqWho', 'nobody-at-all');
  await press(page, '#zqAdd');
  await page.waitForFunction(() => document.getElementById('zqStatus').innerText !== '');
  assert.equal(await page.locator('#zqStatus').innerText(), 'There is nobody called nobody-at-all.');
  await page.fill('#zqWho', dana.name.toUpperCase());
  await press(page, '#zqAdd');
  await page.waitForSelector('#zqFriends .zq-friend');
  assert.equal(await page.locator('#zqFriends .zq-name').innerText(), dana.name);
  await press(page, '#zqFriends .zq-remove');
  await page.waitForSelector('#zqFriends .zq-empty');
  await page.close();
});

test('my events lists the notifications received, as text', async () => {
  const eve = await api.register(unique('Eve'));
  const dana = await api.register(unique('Dana'));
  const host = unique('club') + '.example';
  await api.visit(eve.id, `http://${host}/`);
  await api.comment(dana.id, `http://${host}/`, '<script>window.__pwned=1</script>see you');
  const { page, client } = await openPage(browser, '/Panel/Events.aspx', { ClientIdentifier: eve.id });
  assert.deepEqual(await client.next(0, 2), ['1224 420 400', '1231 ClientIdentifier zqClientId']);
  await page.waitForSelector('#zqEvents .zq-event');
  assert.equal(await page.locator('#zqEvents .zq-text').innerText(), '<script>window.__pwned=1</script>see you');
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
  await page.close();
});

test('the check page has its element, at the address the client writes in lower case', async () => {
  const { page, client } = await openPage(browser, '/panel/connectionalivestaticcheck.htm');
  assert.equal(await page.locator('#ConnectionAliveStaticCheck').count(), 1);
  assert.deepEqual(client.events, []);
  await page.close();
});

test('the public host shows about, takes feedback and lists the downloads', async () => {
  const page = await browser.context.newPage();
  await load(page, `${WEB}/AboutUs.aspx`);
  assert.match(await page.locator('h1').innerText(), /About Zephquill/);
  await load(page, `${WEB}/Contactus.aspx`);
  await page.fill('#text', '<script>window.__pwned=1</script>Nice tool');
  await page.locator('form').evaluate((form) => form.submit());
  await page.waitForSelector('.zq-sent');
  assert.equal(await page.locator('.zq-notice').innerText(), 'Thank you, we read every message.');
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
  await load(page, `${WEB}/Download/`);
  assert.equal(await page.locator('h1').innerText(), 'Download Zephquill');
  await page.close();
});

// Every page the client loads; the first five send commands of their own.
const PAGES = ['/Panel/DefaultMinimize.aspx?TavrelZephquillID=&TavrelZephquillURL=http://a.example/',
               '/Panel/SiteComments.aspx', '/Panel/ClientApplicationLoad.aspx', '/Panel/PollingNotifications.aspx',
               '/Panel/WhereAreMyFriends.aspx?InitialScreen=Friends', '/Panel/DefaultNotify.aspx',
               '/Panel/DefaultClose.html', '/Panel/Settings.aspx?OpenTab=GeneralTab', '/Panel/Events.aspx',
               '/Panel/FriendsAdmin.aspx', '/Panel/ConnectionAliveStaticCheck.htm'];

test('no page has a frame from which a command could come', async () => {
  const eve = await api.register(unique('Eve'));
  for (const address of PAGES) {
    const { page, client } = await openPage(browser, address, { ClientIdentifier: eve.id });
    assert.equal(await page.locator('iframe, frame').count(), 0, address);
    assert.deepEqual(client.frameCommands, [], address);
    await page.close();
  }
});

// The service refuses to be framed by another origin, so the framed page never runs and
// nothing reaches the stand-in client.
test('a reference page in a third party frame never runs and commands nothing', async () => {
  const foreign = 'http://foreign.example';
  const eve = await api.register(unique('Eve'));
  for (const address of PAGES.slice(0, 5)) {
    const page = await browser.context.newPage();
    await page.route(`${foreign}/**`, (route) => route.fulfill({
      contentType: 'text/html',
      body: `<html><body><iframe src="${APP}${address}" width="400" height="300"></iframe></body></html>`,
    }));
    // Every document notes the navigations it starts, frames included.
    await page.addInitScript(() => {
      window.zqStarted = [];
      navigation.addEventListener('navigate', (e) => window.zqStarted.push(e.destination.url));
    });
    const client = await new FakeClient(page, { ClientIdentifier: eve.id }).attach();
    await page.goto(`${foreign}/host.html`);
    await page.waitForFunction(() => document.querySelector('iframe').contentWindow !== null);
    await sleep(1000);  // longer than any page takes to send its first command
    for (const frame of page.frames()) {
      const started = await frame.evaluate(() => window.zqStarted || []).catch(() => []);
      assert.deepEqual(started, [], `${address}: ${frame.url()}`);
      assert.equal(await frame.evaluate(() => typeof window.zq).catch(() => 'undefined'), 'undefined',
                   `${address} does not run inside ${foreign}`);
    }
    assert.deepEqual(client.events, [], address);
    assert.deepEqual(client.frameCommands, [], address);
    await page.close();
  }
});
