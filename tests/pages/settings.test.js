// The settings window in the browser: it asks the client for each setting, shows the
// values the client writes into its elements, and stores the user's switches.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { useBrowser, openPage, press, api, unique } = require('./harness');

const browser = useBrowser();

const ASKED = [
  '1224 480 360',
  '1231 shownotifications zqSetShowNotifications',
  '1231 startwithcomputer zqSetStartWithComputer',
  '1231 ShowOthersMyLocation zqSetShareLocation',
  '1231 ClientIdentifier zqClientId',
];

// The switches of the three settings, and which tab shows.
async function state(page) {
  const boxes = ['#zqShowNotifications', '#zqStartWithComputer', '#zqShareLocation'];
  const checked = await Promise.all(boxes.map((id) => page.locator(id).isChecked()));
  const tabs = await page.locator('#GeneralTab, #PrivacyTab').evaluateAll(
    (els) => els.filter((el) => el.checkVisibility()).map((el) => el.id));
  return { checked, tabs };
}

test('the settings page shows what the client wrote and stores what the user switches', async () => {
  const [eve] = await api.clients('Eve');
  await api.post('/Panel/api/profile', { client: eve.id, name: eve.name, share: '0' });
  const { page, client } = await openPage(browser, '/Panel/Settings.aspx?OpenTab=GeneralTab', {
    shownotifications: '0', startwithcomputer: '1', ShowOthersMyLocation: 'false', ClientIdentifier: eve.id,
  });
  assert.deepEqual(await client.next(0, ASKED.length), ASKED);
  await page.waitForFunction(() => document.getElementById('zqName').value !== '');
  assert.deepEqual(await state(page), { checked: [false, true, false], tabs: ['GeneralTab'] });
  assert.equal(await page.locator('#zqName').inputValue(), eve.name);

  await press(page, '#zqShowNotifications');
  await press(page, '#zqStartWithComputer');
  assert.deepEqual(await client.next(ASKED.length, 3), [
    '1232 shownotifications 1', '1227 startwithcomputer 0', '1232 startwithcomputer 0']);
  assert.equal(await page.locator('#zqSetShowNotifications').innerText(), '1');

  // Sharing the location goes to the client (which changes its tray picture) and to the
  // service (which shows friends where this user is).
  await press(page, '#zqTabPrivacy');
  await press(page, '#zqShareLocation');
  assert.deepEqual(await client.next(ASKED.length + 3, 1), ['1232 ShowOthersMyLocation true']);
  await page.waitForFunction(() => document.getElementById('zqStatus').innerText === 'Saved.');
  assert.equal((await api.get(`/Panel/api/profile?client=${eve.id}`)).text, `ok\t${eve.name}\t1\n`);
  await page.evaluate(() => { document.getElementById('zqStatus').innerText = ''; });
  await press(page, '#zqTabAccount');
  const name = unique('Evelyn');
  await page.fill('#zqName', name);
  await press(page, '#zqSaveName');
  await page.waitForFunction(() => document.getElementById('zqStatus').innerText === 'Saved.');
  assert.equal((await api.get(`/Panel/api/profile?client=${eve.id}`)).text, `ok\t${name}\t1\n`);
  await press(page, '#zqClose');
  assert.deepEqual(await client.next(ASKED.length + 4, 1), ['1228 0 0']);
});

test('without stored values the page shows the client defaults, on the tab it was asked for', async () => {
  const { page, client } = await openPage(browser, '/Panel/Settings.aspx?OpenTab=PrivacyTab', {});
  await client.next(0, ASKED.length);
  // The page waits a while for values that never come, then takes the defaults.
  await page.waitForFunction(() => document.getElementById('zqShowNotifications').checked &&
                                   document.getElementById('zqShareLocation').checked);
  assert.deepEqual(await state(page), { checked: [true, false, true], tabs: ['PrivacyTab'] });
  // Saving without an identifier stays in the page.
  await press(page, '#zqTabAccount');
  await press(page, '#zqSaveName');
  assert.equal(await page.locator('#zqStatus').innerText(), 'Zephquill has not signed you in yet.');
});
