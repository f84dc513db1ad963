// The hidden windows' pages in the browser: the notification page delivering a comment
// by another user as the exact series of commands, once, and the start-up page signing
// the client in or registering it.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { useBrowser, openPage, api, sleep, unique } = require('./harness');

const browser = useBrowser();

const STAY = 700;
const POLLING = `/Panel/PollingNotifications.aspx?PollMs=150&StayMs=${STAY}`;

// The keywords come back in a query: nothing in them may be changed there.
const keyword = (text) => text.replace(/[%&+=?#;~]/g, '-').replace(/ /g, '_');

function delivery(name, host, text, link, id, type = 'murmel') {
  const out = ['1227 clearnotifycontent 0', `1227 nextnotificationmsgtype ${type}`,
               `1227 nextnotificationmsg ${name}_on_${host}:<nl>${text}`];
  if (link) out.push(`1227 nextnotificationlink ${link}`);
  return out.concat([`1227 nextnotificationcontentid ${id}`, '1227 nextnotificationcontexttype site',
                     '1227 nextnotificationissitemurmel true', `1227 nextnotificationcontext ${keyword(host)};${keyword(name)}`,
                     `1227 shownotificationmsg ${STAY}`]);
}

test('a comment by another user on a visited site arrives as one notification, once', async () => {
  const [eve, dana] = await api.clients('Eve', 'Dana');
  const host = unique('shop') + '.example';
  await api.visit(eve.id, `http://${host}/`);
  const { page, client } = await openPage(browser, POLLING, { ClientIdentifier: eve.id });
  assert.deepEqual(await client.next(0, 1), ['1231 ClientIdentifier zqClientId']);

  const id = await api.comment(dana.id, `http://${host}/item~1#reviews`, 'Great price~\nbuy it');
  const expected = delivery(dana.name, host, 'Great_price-<nl>buy_it', `http://${host}/item%7E1`, id);
  assert.deepEqual(await client.next(1, expected.length), expected);

  // Acknowledged: later polls bring nothing more, and neither does the page reloaded.
  await sleep(STAY + 800);
  assert.equal(client.events.length, 1 + expected.length);
  const again = await openPage(browser, POLLING, { ClientIdentifier: eve.id });
  await sleep(800);
  assert.deepEqual(again.client.events, ['1231 ClientIdentifier zqClientId']);
});

test('two notifications come one after the other, the second after the first had its time', async () => {
  const [eve, dana] = await api.clients('Eve', 'Dana');
  const host = unique('news') + '.example';
  await api.visit(eve.id, `http://${host}/`);
  const first = await api.comment(dana.id, `http://${host}/1`, 'one');
  // A site address that is no web address gives a notification that cannot be opened.
  await api.visit(eve.id, 'javascript:alert(1)');
  const second = await api.comment(dana.id, 'javascript:alert(1)', 'two');
  const { client } = await openPage(browser, POLLING, { ClientIdentifier: eve.id });
  const one = delivery(dana.name, host, 'one', `http://${host}/1`, first);
  const two = delivery(dana.name, 'javascript:alert(1)', 'two', '', second, 'poke');
  const events = await client.next(1, one.length + two.length, 10000);
  assert.deepEqual(events, one.concat(two));
  const gap = client.times[one.length + 1] - client.times[one.length];
  assert.ok(gap >= STAY, `the second came ${gap} ms after the first was shown`);
});

test('a client without an identifier yet is asked again and gets nothing', async () => {
  const { page, client } = await openPage(browser, POLLING, {});
  assert.equal((await client.next(0, 2)).length, 2, client.events.join('\n'));
  for (const e of client.events) assert.equal(e, '1231 ClientIdentifier zqClientId');
});

test('the start-up page registers a new client, and only signs in a known one', async () => {
  const fresh = await openPage(browser, '/Panel/ClientApplicationLoad.aspx', {});
  const events = await fresh.client.next(0, 3);
  assert.equal(events[0], '1231 ClientIdentifier zqClientId');
  const stored = fresh.client.settings.clientidentifier;
  assert.match(stored, /^[0-9a-f]{16}$/);
  assert.equal(events[1], `1232 ClientIdentifier ${stored}`);
  assert.match(events[2], /^1227 tracemessage Signed in to Zephquill as Guest-[0-9a-f]{4,}$/);
  assert.equal((await api.post('/Panel/api/hello', { client: stored })).status, 200);

  const [eve] = await api.clients('Eve');
  const known = await openPage(browser, '/Panel/ClientApplicationLoad.aspx', { ClientIdentifier: eve.id });
  assert.deepEqual(await known.client.next(0, 2),
    ['1231 ClientIdentifier zqClientId', `1227 tracemessage Signed in to Zephquill as ${eve.name}`]);
  assert.equal(await known.page.locator('#zqName').innerText(), eve.name);

  // An identifier the service no longer knows is replaced by a new one.
  const lost = await openPage(browser, '/Panel/ClientApplicationLoad.aspx', { ClientIdentifier: 'f00dfeedf00dfeed' });
  const replaced = await lost.client.next(0, 2);
  assert.match(replaced[1], /^1232 ClientIdentifier (?!f00dfeedf00dfeed)[0-9a-f]{16}$/);
});
