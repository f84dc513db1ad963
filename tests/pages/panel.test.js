// The panel pages in the browser: the exact command addresses for each user action, the
// switch between base pages, and comments shown as text however hostile they are.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { APP, useBrowser, openPage, load, press, api, unique } = require('./harness');

const browser = useBrowser();

const hostile = '<img src=x onerror="window.__pwned=1"><script>window.__pwned=2</script>';

test('the small panel sizes, slides, drags, fades and closes itself, and grows into the full page', async () => {
  const [eve, dana] = await api.clients('Eve', 'Dana');
  const host = unique('shop') + '.example';
  await api.comment(dana.id, `http://${host}/`, hostile);
  // The client puts the site address in unescaped, its own query included.
  const site = `http://${host}/find?q=1&page=2`;
  const { page, client } = await openPage(browser,
    `/Panel/DefaultMinimize.aspx?TavrelZephquillID=${eve.id}&TavrelZephquillURL=${site}`);

  assert.deepEqual(await client.next(0, 1), ['1224 300 140']);
  assert.equal(await page.locator('.zq-title .zq-site').innerText(), host);
  assert.equal(await page.locator('#zqCount').innerText(), '1');
  await press(page, '#zqTab');
  await page.locator('#zqTitle .zq-site').dispatchEvent('mousedown');
  await page.selectOption('#zqAlpha', '160');
  await press(page, '#zqClose');
  assert.deepEqual(await client.next(1, 4),
    ['1230 0 0', '1227 Drag 0', '1227 Trasparency 160', '1228 0 0']);

  await press(page, '#zqMore');
  const full = `${APP}/Panel/SiteComments.aspx`;
  assert.deepEqual(await client.next(5, 3), [
    `1225 ${full} 0`,
    `1232 LastBaseURLNavigated ${full}`,
    `navigate ${full}?Open=1&TavrelZephquillID=${eve.id}&TavrelZephquillURL=${encodeURIComponent(site)}`,
  ]);
  // The full page opens the panel at once, since the user asked for it.
  assert.deepEqual(await client.next(8, 2), ['1224 360 480', '1229 2 0']);
  await page.waitForSelector('#zqComments .zq-comment');
  assert.equal(await page.locator('#zqSite').textContent(), site);
  // Shown as the very text: markup made into elements would leave no such text.
  assert.equal(await page.locator('#zqComments .zq-text').first().innerText(), hostile);
});

test('the full page posts a comment as text and opens the service windows', async () => {
  const [eve] = await api.clients('Eve');
  const site = `http://${unique('news')}.example/a`;
  const { page, client } = await openPage(browser,
    `/Panel/SiteComments.aspx?TavrelZephquillID=${eve.id}&TavrelZephquillURL=${site}`);
  assert.deepEqual(await client.next(0, 1), ['1224 360 480']);

  await page.fill('#zqText', 'first <b>line</b>\nsecond line');
  await press(page, '#zqPost');
  await page.waitForFunction(() => document.getElementById('zqPostStatus').innerText === 'Thank you!');
  assert.equal(await page.locator('#zqComments .zq-text').first().innerText(), 'first <b>line</b>\nsecond line');
  assert.equal(await page.locator('#zqCount').innerText(), '1');
  assert.equal(await page.locator('#zqComments .zq-author').first().innerText(), eve.name);

  // An empty comment is not sent.
  await press(page, '#zqPost');
  assert.equal(await page.locator('#zqPostStatus').innerText(), 'Write something first.');

  await press(page, '#zqWinFriends');
  await press(page, '#zqWinEvents');
  await press(page, '#zqWinSettings');
  assert.deepEqual(await client.next(1, 3), [
    `1226 Where Are My Friends;${APP}/Panel/WhereAreMyFriends.aspx?InitialScreen=Friends 0`,
    `1226 My Events;${APP}/Panel/Events.aspx 0`,
    `1226 My Settings;${APP}/Panel/Settings.aspx?OpenTab=GeneralTab 0`,
  ]);
  assert.equal(client.events.length, 4, 'posting a comment is no navigation');
});

test('turning the panels off shows the closed page, which turns them on for the last site', async () => {
  const [eve] = await api.clients('Eve');
  const site = `http://${unique('blog')}.example/post?id=7`;
  const { page, client } = await openPage(browser,
    `/Panel/SiteComments.aspx?TavrelZephquillID=${eve.id}&TavrelZephquillURL=http://elsewhere.example/`,
    { ClientIdentifier: eve.id }, site);
  await client.next(0, 1);
  await press(page, '#zqOff');
  const closed = `${APP}/Panel/DefaultClose.html`;
  assert.deepEqual(await client.next(1, 3), [
    `1225 ${closed} 0`, `1232 LastBaseURLNavigated ${closed}`, `navigate ${closed}`]);
  assert.deepEqual(await client.next(4, 2), ['1224 30 30', '1229 1 0']);

  await press(page, '#zqOn');
  const small = `${APP}/Panel/DefaultMinimize.aspx`;
  assert.deepEqual(await client.next(6, 6), [
    '1231 ClientIdentifier zqClientId',
    '1235 zqLastSite 0',
    `1225 ${small} 0`,
    `1232 LastBaseURLNavigated ${small}`,
    `navigate ${small}?TavrelZephquillID=${eve.id}&TavrelZephquillURL=${encodeURIComponent(site)}`,
    '1224 300 140',
  ]);
  await page.waitForFunction(() => document.readyState === 'complete' && /DefaultMinimize/.test(location.href));
});

test('the notification page opens on the comment that was clicked', async () => {
  const [eve, dana] = await api.clients('Eve', 'Dana');
  const host = unique('forum') + '.example';
  await api.comment(dana.id, `http://${host}/t/1`, 'older');
  const id = await api.comment(dana.id, `http://${host}/t/2`, 'Look at this');
  // The query the client builds after a click: the notification's part, then its own.
  const { page, client } = await openPage(browser,
    `/Panel/DefaultNotify.aspx?MurmelId=${id}&IsNotify=1&IsPerSite=true&ctype=site&` +
    `keywords=${host}~${dana.name}&TavrelZephquillID=${eve.id}&TavrelZephquillURL=http://${host}/t/2`);
  assert.deepEqual(await client.next(0, 2), ['1224 360 480', '1229 2 0']);
  assert.ok(await page.locator('#zqNotice').isVisible());
  assert.equal(await page.locator('#zqNotice .zq-author').innerText(), dana.name);
  assert.equal(await page.locator('#zqNotice .zq-text').innerText(), 'Look at this');
  assert.deepEqual(await page.locator('.zq-keyword').allInnerTexts(), [host, dana.name]);
  assert.equal(await page.locator(`#zqComment${id}`).getAttribute('class'), 'zq-comment zq-highlight');

  // The same page without a notification is the full panel.
  await load(page, `/Panel/DefaultNotify.aspx?TavrelZephquillID=${eve.id}&TavrelZephquillURL=http://${host}/`);
  assert.equal(await page.locator('#zqNotice').isVisible(), false);
  assert.equal(await page.locator('#zqComments .zq-comment').count(), 2);
});
