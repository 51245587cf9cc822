// Session and Cookie pages: a login is remembered in cookies for the pages of the same folder and below it,
// silently tried on load, never replaced by an empty pwd query key, and kept past a browser restart only by
// Cookie pages.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';
import {
    launchProfile,
    makeTempDir,
    newTab,
    sharedBrowserAndSite,
    showsLoginForm,
    submitLogin,
    withTab,
} from './support.mjs';

const password = 'Keep-Me-In';
const master = 'Master-Key9';
const users = [
    ['alice', 'Alice-Pass1'],
    ['bob', 'Bob-Pass22'],
];
const dayMs = 24 * 60 * 60 * 1000;

// One folder of pages per protection type and password type: three that share the login, one beside them.
const kinds = [];
for (const protection of ['session', 'cookie']) {
    kinds.push({ protection, name: `${protection} single`, options: { password, protection } });
    kinds.push({
        protection,
        name: `${protection} user/password`,
        options: { password: master, protection, users },
        user: 'bob',
        userPassword: 'Bob-Pass22',
    });
}

const shared = sharedBrowserAndSite(async () => {
    for (const kind of kinds) {
        const folder = kind.name.replace(/[^a-z]+/g, '-');
        const lock = (name) => shared.site.lock(name, `<p id="content">${name}</p>`, kind.options);
        kind.first = lock(`${folder}/first.html`);
        kind.second = lock(`${folder}/second.html`);
        kind.below = lock(`${folder}/below/third.html`);
        kind.beside = lock(`${folder}-beside/fourth.html`);
    }
});

function login(tab, kind) {
    return kind.user ? submitLogin(tab, kind.userPassword, kind.user) : submitLogin(tab, password);
}

async function opensSilently(tab, url) {
    tab.dialogs.length = 0;
    await tab.goto(url);
    assert.deepEqual(tab.dialogs, [], url);
    return !(await showsLoginForm(tab));
}

for (const kind of kinds) {
    test(`${kind.name}: the login opens the other pages of the folder and of the folders below`, async () => {
        await withTab(shared.browser, async (tab) => {
            await tab.goto(kind.first);
            assert.equal(await login(tab, kind), true);
            assert.equal(await opensSilently(tab, kind.second), true);
            assert.equal(await tab.textContent('#content'), new URL(kind.second).pathname.slice(1));
            assert.equal(await opensSilently(tab, kind.below), true);
            assert.equal(await opensSilently(tab, kind.beside), false);
        });
    });

    test(`${kind.name}: the cookies hold the typed login, never the master password`, async () => {
        await withTab(shared.browser, async (tab) => {
            await tab.goto(kind.first);
            await login(tab, kind);
            const cookies = await tab.context().cookies();
            const values = Object.fromEntries(cookies.map((cookie) => [cookie.name, cookie.value]));
            assert.deepEqual(
                values,
                kind.user ? { qvusr: kind.user, qvpwd: kind.userPassword } : { qvpwd: escape(password) }
            );
            for (const cookie of cookies) {
                assert.equal(cookie.path, new URL('.', kind.first).pathname.replace(/\/$/, ''));
                if (kind.protection === 'session') {
                    assert.equal(cookie.expires, -1, 'a session cookie');
                } else {
                    const days = (cookie.expires * 1000 - Date.now()) / dayMs;
                    assert.ok(Math.abs(days - 365) < 0.1, `expires in ${days} days`);
                }
            }
        });
    });

    test(`${kind.name}: an empty pwd query key does nothing and does not fall back to the cookies`, async () => {
        await withTab(shared.browser, async (tab) => {
            await tab.goto(kind.first);
            await login(tab, kind);
            const query = kind.user ? `?user=${kind.user}&pwd=` : '?pwd=';
            assert.equal(await opensSilently(tab, kind.second + query), false);
            assert.equal(await opensSilently(tab, kind.second), true);
        });
    });

    test(`${kind.name}: a stale cookie leaves the form in place without a message`, async () => {
        await withTab(shared.browser, async (tab) => {
            const cookies = kind.user
                ? [
                      { name: 'qvusr', value: kind.user },
                      { name: 'qvpwd', value: 'Alice-Pass1' },
                  ]
                : [{ name: 'qvpwd', value: 'Wrong-Pass' }];
            await tab.context().addCookies(cookies.map((cookie) => ({ ...cookie, url: kind.first })));
            assert.equal(await opensSilently(tab, kind.first), false);
        });
    });
}

test('user/password pages find qvpwd only after the qvusr cookie', async () => {
    const kind = kinds.find((k) => k.protection === 'session' && k.user);
    await withTab(shared.browser, async (tab) => {
        // Equal paths: the browser lists cookies in the order they were made.
        await tab.context().addCookies([{ name: 'qvpwd', value: kind.userPassword, url: kind.first }]);
        await tab.context().addCookies([{ name: 'qvusr', value: kind.user, url: kind.first }]);
        await tab.goto(kind.first);
        assert.equal(await tab.evaluate(() => document.cookie), `qvpwd=${kind.userPassword}; qvusr=${kind.user}`);
        assert.equal(await showsLoginForm(tab), true);
    });
});

test('only Cookie pages remember the login after the shared.browser restarts', async () => {
    const profile = makeTempDir('qg-profile-');
    const pages = kinds.filter((kind) => !kind.user);
    try {
        let context = await launchProfile(profile);
        let tab = await newTab(context);
        for (const kind of pages) {
            await tab.goto(kind.first);
            assert.equal(await login(tab, kind), true, kind.name);
        }
        await context.close();

        context = await launchProfile(profile);
        tab = await newTab(context);
        try {
            for (const kind of pages) {
                assert.equal(await opensSilently(tab, kind.second), kind.protection === 'cookie', kind.name);
            }
        } finally {
            await context.close();
        }
    } finally {
        fs.rmSync(profile, { recursive: true, force: true });
    }
});
