// The service windows and the public pages in the browser: friends, events, the contact
// page; and no page issues a command from a frame, nor may be framed by a third party.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { APP, WEB, useBrowser, newPage, openPage, load, press, api, unique } = require('./harness');

const browser = useBrowser();

test('where are my friends shows where each friend was, and opens the friends window', async () => {
  const [eve, dana, finn] = await api.clients('Eve', 'Dana', 'Finn');
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
  await press(page, '#zqManage');
  await press(page, '#zqClose');
  assert.deepEqual(await client.next(2, 2), [`1226 My Friends;${APP}/Panel/FriendsAdmin.aspx 0`, '1228 0 0']);
});

test('my friends adds and removes friends', async () => {
  const [eve, dana] = await api.clients('Eve', 'Dana');
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
});

test('my events lists the notifications received, as text', async () => {
  const [eve, dana] = await api.clients('Eve', 'Dana');
  const host = unique('club') + '.example';
  await api.visit(eve.id, `http://${host}/`);
  await api.comment(dana.id, `http://${host}/`, '<script>window.__pwned=1</script>see you');
  const { page, client } = await openPage(browser, '/Panel/Events.aspx', { ClientIdentifier: eve.id });
  assert.deepEqual(await client.next(0, 2), ['1224 420 400', '1231 ClientIdentifier zqClientId']);
  await page.waitForSelector('#zqEvents .zq-event');
  assert.equal(await page.locator('#zqEvents .zq-text').innerText(), '<script>window.__pwned=1</script>see you');
});

// The public pages' answers are proved by ServiceHttp.EachAddressGetsItsStatusAndPageInAnyCase.
test('the public host takes feedback and shows it was received', async () => {
  const page = await newPage(browser);
  await load(page, `${WEB}/Contactus.aspx`);
  await page.fill('#text', '<script>window.__pwned=1</script>Nice tool');
  await page.locator('form').evaluate((form) => form.submit());
  await page.waitForSelector('.zq-sent');
  assert.equal(await page.locator('.zq-notice').innerText(), 'Thank you, we read every message.');
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
});

// Every page the client loads (the check page at the address the client writes, which
// commands nothing).
const PAGES = ['/Panel/DefaultMinimize.aspx?TavrelZephquillID=&TavrelZephquillURL=http://a.example/',
               '/Panel/SiteComments.aspx', '/Panel/ClientApplicationLoad.aspx', '/Panel/PollingNotifications.aspx',
               '/Panel/WhereAreMyFriends.aspx?InitialScreen=Friends', '/Panel/DefaultNotify.aspx',
               '/Panel/DefaultClose.html', '/Panel/Settings.aspx?OpenTab=GeneralTab', '/Panel/Events.aspx',
               '/Panel/FriendsAdmin.aspx', '/panel/connectionalivestaticcheck.htm'];

// The client's side of a foreign frame is HostileInput.ThirdPartyPageCannotCommand.
test('no page has a frame from which a command could come, and none may be framed by another site', async () => {
  const [eve] = await api.clients('Eve');
  for (const address of PAGES) {
    assert.equal((await fetch(APP + address)).headers.get('X-Frame-Options'), 'SAMEORIGIN', address);
    const { page, client } = await openPage(browser, address, { ClientIdentifier: eve.id });
    assert.equal(await page.locator('iframe, frame').count(), 0, address);
    if (address.endsWith('.htm')) assert.deepEqual(client.events, [], address);
  }
});
