// User/password pages with Page protection: every user opens the page with their own password, by the form
// and by the user and pwd query keys (in UTF-8 or ISO 8859-1 escapes); another user's password, an unknown user
// or the master password fail.

import assert from 'node:assert/strict';
import { test } from 'node:test';
import { sharedBrowserAndSite, showsLoginForm, submitLogin, withTab } from './support.mjs';

const master = 'Master-Key9';
const users = [
    ['alice', 'Alice-Pass1'],
    ['bob', 'Bob-Pass22'],
    ['Jürgen Weiß', 'Sesam-öffne'],
];
const content = '<html><body><p id="content">Members only</p></body></html>';
let url;

const shared = sharedBrowserAndSite(async () => {
    url = shared.site.lock('members.html', content, { password: master, users });
});

test('every user opens the page from the form with their own password', async () => {
    for (const [user, pwd] of users) {
        await withTab(shared.browser, async (tab) => {
            await tab.goto(url);
            assert.equal(await submitLogin(tab, pwd, user), true, user);
            assert.equal(await tab.textContent('#content'), 'Members only', user);
            assert.deepEqual(tab.dialogs, [], user);
        });
    }
});

test('the form refuses what is not a user with their own password', async () => {
    const cases = [
        { why: "another user's password", user: 'bob', pwd: 'Alice-Pass1', dialogs: ['Invalid Password'] },
        { why: 'an unknown user', user: 'carol', pwd: 'Bob-Pass22', dialogs: ['Invalid Password'] },
        { why: 'the master password', user: 'alice', pwd: master, dialogs: ['Invalid Password'] },
        { why: 'the user name in the wrong case', user: 'Bob', pwd: 'Bob-Pass22', dialogs: ['Invalid Password'] },
        { why: 'an empty user name', user: '', pwd: 'Bob-Pass22', dialogs: [] },
        { why: 'an empty password', user: 'bob', pwd: '', dialogs: [] },
    ];
    await withTab(shared.browser, async (tab) => {
        await tab.goto(url);
        for (const { why, user, pwd, dialogs } of cases) {
            tab.dialogs.length = 0;
            assert.equal(await submitLogin(tab, pwd, user), false, why);
            assert.deepEqual(tab.dialogs, dialogs, why);
            assert.equal(await showsLoginForm(tab), true, why);
        }
    });
});

test('the user and pwd query keys open the page; both are needed', async () => {
    const cases = [
        { query: '?user=bob&pwd=Bob-Pass22', opens: true, dialogs: [] },
        { query: '?PWD=Bob-Pass22&USER=bob', opens: true, dialogs: [] },
        { query: '?user=J%FCrgen%20Wei%DF&pwd=Sesam-%F6ffne', opens: true, dialogs: [] },
        // Typed into the address bar, the name and password go out as UTF-8 escapes.
        { query: '?user=Jürgen Weiß&pwd=Sesam-öffne', opens: true, dialogs: [] },
        { query: '?user=J%C3%BCrgen%20Wei%C3%9F&pwd=Sesam-%C3%B6ffne', opens: true, dialogs: [] },
        { query: '?user=Jürgen Weiß&pwd=Sesam-öffnen', opens: false, dialogs: ['Invalid Password'] },
        { query: '?user=bob&pwd=Alice-Pass1', opens: false, dialogs: ['Invalid Password'] },
        { query: '?pwd=Bob-Pass22', opens: false, dialogs: [] },
        { query: '?user=bob', opens: false, dialogs: [] },
        { query: '?user=&pwd=Bob-Pass22', opens: false, dialogs: [] },
    ];
    await withTab(shared.browser, async (tab) => {
        for (const { query, opens, dialogs } of cases) {
            tab.dialogs.length = 0;
            await tab.goto(url + query);
            assert.equal(await tab.locator('#content').count(), opens ? 1 : 0, query);
            assert.deepEqual(tab.dialogs, dialogs, query);
        }
        // Page protection remembers nothing.
        assert.deepEqual(await tab.context().cookies(), []);
    });
});
