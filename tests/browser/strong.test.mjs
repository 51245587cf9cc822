// Strong pages made by the engine (through qg-strong) opened in Chromium over http://127.0.0.1: logins by form,
// link and memory, the master login, wrong and unknown logins, a damaged page, #logout, and a page at the default
// 600,000 iterations.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';
import {
    contentText,
    makeTempDir,
    openStrong,
    sharedBrowserAndSite,
    showsLoginForm,
    strongLogin,
    strongSettled,
    withTab,
} from './support.mjs';

const shared = sharedBrowserAndSite();

const password = 'Open-Sesame';
const master = 'Master Key';
const users = [
    ['alice', 'wonderland'],
    ['Zoë', 'crème'],
];
const page = (text) => `<html><head><title>Strong test page</title></head><body><p id="content">${text}</p></body></html>`;

// Writes each [name, content] below the site and locks them all as pages of one run; returns their URLs.
function lockRun(pages, options = {}) {
    const args = ['--password', options.password || password, '--iterations', String(options.iterations || 1000)];
    args.push('--protection', String(options.protection || 1000));
    for (const [name, pwd] of options.users || []) {
        args.push('--user', name, pwd);
    }
    if (options.charset) {
        args.push('--charset', options.charset);
    }
    const files = pages.map(([name, content]) => shared.site.write(name, content));
    execFileSync(process.env.QG_STRONG, [...args, ...files], { stdio: ['ignore', 'pipe', 'pipe'] });
    return pages.map(([name]) => shared.site.url(name));
}

test('single password: the form opens the page and a wrong password alerts', async () => {
    const [url] = lockRun([['single.html', page('Single page')]]);
    await withTab(shared.browser, async (tab) => {
        await openStrong(tab, url);
        assert.equal(await showsLoginForm(tab), true);
        assert.equal(await tab.locator('input[name="qvusr"]').count(), 0);
        await strongLogin(tab, 'open-sesame');
        assert.deepEqual(tab.dialogs, ['Invalid Password']);
        assert.equal(await showsLoginForm(tab), true);
        await strongLogin(tab, password);
        assert.equal(await contentText(tab), 'Single page');
        assert.deepEqual(tab.dialogs, ['Invalid Password']);
    });
});

test('user page: users and the master (empty user name) open it; unknown users and wrong passwords alert', async () => {
    const [url] = lockRun([['users.html', page('Users page')]], { password: master, users });
    const cases = [
        { user: 'alice', pwd: 'wonderland', opens: true },
        { user: 'Zoe\u0308', pwd: 'cre\u0300me', opens: true }, // typed decomposed, listed composed
        { user: '', pwd: master, opens: true },
        { user: 'alice', pwd: master, opens: false },
        { user: 'carol', pwd: 'wonderland', opens: false },
        { user: '', pwd: 'wonderland', opens: false },
    ];
    await withTab(shared.browser, async (tab) => {
        for (const { user, pwd, opens } of cases) {
            tab.dialogs.length = 0;
            await openStrong(tab, url);
            await strongLogin(tab, pwd, user);
            const label = `${user} / ${pwd}`;
            assert.equal(await showsLoginForm(tab), !opens, label);
            assert.deepEqual(tab.dialogs, opens ? [] : ['Invalid Password'], label);
            if (opens) {
                assert.equal(await contentText(tab), 'Users page', label);
            }
        }
    });
});

test('a page altered after locking says it is damaged once the password is right', async () => {
    const [url] = lockRun([['damaged.html', page('Damaged page')]]);
    const file = path.join(shared.site.root, 'damaged.html');
    const text = fs.readFileSync(file, 'latin1');
    // A character of the content's ciphertext, before its tag at the data's end.
    const at = text.indexOf("',qgProtection") - 40;
    fs.writeFileSync(file, text.slice(0, at) + (text[at] === 'A' ? 'B' : 'A') + text.slice(at + 1), 'latin1');
    await withTab(shared.browser, async (tab) => {
        await openStrong(tab, url);
        await strongLogin(tab, password);
        assert.equal(await showsLoginForm(tab), false);
        assert.equal((await tab.textContent('body')).trim(), 'This page is damaged and cannot be shown.');
        assert.deepEqual(tab.dialogs, []);
    });
});

test('links log in by fragment (then taken from the address bar) or query', async () => {
    const [single] = lockRun([['link.html', page('Link page')]]);
    const [user] = lockRun([['link-user.html', page('Link user page')]], { password: master, users });
    const cases = [
        { url: `${single}#pwd=${password}`, text: 'Link page' },
        { url: `${single}#PWD=${encodeURIComponent(password)}`, text: 'Link page' },
        { url: `${single}?pwd=${password}`, text: 'Link page', keeps: true },
        { url: `${user}#user=alice&pwd=wonderland`, text: 'Link user page' },
        { url: `${user}#user=${encodeURIComponent('Zoë')}&pwd=${encodeURIComponent('crème')}`, text: 'Link user page' },
        { url: `${user}#pwd=${encodeURIComponent(master)}`, text: 'Link user page' },
        { url: `${user}?user=alice&pwd=wonderland`, text: 'Link user page', keeps: true },
        { url: `${single}#pwd=wrong`, dialogs: ['Invalid Password'] },
        { url: `${single}#pwd=`, dialogs: [] },
    ];
    await withTab(shared.browser, async (tab) => {
        for (const c of cases) {
            tab.dialogs.length = 0;
            await openStrong(tab, c.url);
            assert.equal(await showsLoginForm(tab), !c.text, c.url);
            if (c.text) {
                assert.equal(await contentText(tab), c.text, c.url);
            }
            assert.deepEqual(tab.dialogs, c.dialogs || [], c.url);
            const address = tab.url();
            assert.equal(address.includes('#'), false, c.url);
            assert.equal(address.includes('pwd='), !!c.keeps, c.url);
        }
    });
});

test('Cookie memory: one login opens every page of the run in its folder until #logout', async () => {
    const [first, second] = lockRun(
        [
            ['run/first.html', page('First page')],
            ['run/second.html', page('Second page')],
        ],
        { protection: 1002, password: master, users },
    );
    const [otherRun] = lockRun([['run/other.html', page('Other run')]], { protection: 1002, password: master, users });
    await withTab(shared.browser, async (tab) => {
        await openStrong(tab, first);
        await strongLogin(tab, 'wonderland', 'alice');
        assert.equal(await contentText(tab), 'First page');

        const cookies = await tab.context().cookies();
        assert.equal(cookies.length, 1);
        const [cookie] = cookies;
        assert.match(cookie.name, /^qgs[A-Za-z0-9_-]{22}$/);
        assert.match(cookie.value, /^[A-Za-z0-9_-]{43}$/, 'the content key in base64url');
        assert.equal(cookie.path, '/run/');
        assert.equal(cookie.sameSite, 'Strict');
        const days = (cookie.expires * 1000 - Date.now()) / 864e5;
        assert.ok(days > 364 && days <= 365, `expires in ${days} days`);
        assert.equal(JSON.stringify(cookies).includes('wonderland'), false);

        await openStrong(tab, second);
        assert.equal(await contentText(tab), 'Second page');
        await openStrong(tab, otherRun);
        assert.equal(await showsLoginForm(tab), true, 'another run has its own key');

        await openStrong(tab, `${second}#logout`);
        assert.equal(await showsLoginForm(tab), true);
        assert.equal(tab.url(), second);
        assert.deepEqual(await tab.context().cookies(), []);
        await openStrong(tab, first);
        assert.equal(await showsLoginForm(tab), true);
        assert.deepEqual(tab.dialogs, []);
    });
});

test('Session memory: quillgateLogout() from the open page shows the form again', async () => {
    const [url] = lockRun([['session.html', page('Session page')]], { protection: 1001 });
    await withTab(shared.browser, async (tab) => {
        await openStrong(tab, url);
        await strongLogin(tab, password);
        assert.equal(await contentText(tab), 'Session page');
        const [cookie] = await tab.context().cookies();
        assert.equal(cookie.expires, -1, 'a session cookie');
        await tab.reload();
        await strongSettled(tab);
        assert.equal(await contentText(tab), 'Session page');
        await Promise.all([
            tab.waitForEvent('load'),
            tab.evaluate(() => setTimeout(() => window.quillgateLogout(), 0)),
        ]);
        await strongSettled(tab);
        assert.equal(await showsLoginForm(tab), true);
        assert.deepEqual(await tab.context().cookies(), []);
    });
});

test('local files keep a Cookie login in localStorage for the run until the fragment turns to #logout', async () => {
    const folder = makeTempDir('qg-strong-local-');
    try {
        const files = ['first.html', 'second.html'].map((name, i) => {
            const file = path.join(folder, name);
            fs.writeFileSync(file, page(`Local ${i + 1}`));
            return file;
        });
        execFileSync(process.env.QG_STRONG, ['--password', password, '--iterations', '1000', '--protection', '1002', ...files]);
        const [first, second] = files.map((file) => pathToFileURL(file).href);
        await withTab(shared.browser, async (tab) => {
            await openStrong(tab, `${first}#pwd=${password}`);
            assert.equal(await contentText(tab), 'Local 1');
            assert.equal(tab.url(), first);
            const stored = await tab.evaluate(() => Object.entries(localStorage));
            assert.equal(stored.length, 1);
            assert.match(stored[0][0], /^qgs[A-Za-z0-9_-]{22}$/);
            const { key, expires } = JSON.parse(stored[0][1]);
            assert.match(key, /^[A-Za-z0-9_-]{43}$/);
            assert.ok(Math.abs((expires - Date.now()) / 864e5 - 365) < 0.1);

            await openStrong(tab, second);
            assert.equal(await contentText(tab), 'Local 2');
            await Promise.all([tab.waitForEvent('load'), tab.evaluate(() => (location.hash = 'logout'))]);
            await strongSettled(tab);
            assert.equal(await showsLoginForm(tab), true);
            assert.deepEqual(await tab.evaluate(() => Object.keys(localStorage)), []);
            await openStrong(tab, first);
            assert.equal(await showsLoginForm(tab), true);
        });
    } finally {
        fs.rmSync(folder, { recursive: true, force: true });
    }
});

test("the unlocked document is decoded with the source's charset", async () => {
    const paragraph = (bytes) => Buffer.concat([Buffer.from('<p id="content">'), bytes, Buffer.from('</p>')]);
    const cases = [
        { bytes: Buffer.from('grüße €', 'utf8'), charset: '', text: 'grüße €' },
        // Read as browsers read an undeclared Latin-1 page: windows-1252, whose 0x80 is the euro sign.
        { bytes: Buffer.from('caf\u00e9 \u0080', 'latin1'), charset: '', text: 'caf\u00e9 \u20ac' },
        { bytes: Buffer.from([0x83, 0x65, 0x83, 0x58, 0x83, 0x67]), charset: 'shift_jis', text: 'テスト' },
        { bytes: Buffer.from([0x80]), charset: 'windows-1251', text: 'Ђ' },
    ];
    await withTab(shared.browser, async (tab) => {
        for (const c of cases) {
            const [url] = lockRun([['charset.html', paragraph(c.bytes)]], { charset: c.charset });
            await openStrong(tab, `${url}#pwd=${password}`);
            assert.equal(await contentText(tab), c.text, c.charset);
        }
    });
});

test('without WebCrypto the page says it must be opened over https or as a local file', async () => {
    const [url] = lockRun([['insecure.html', page('Insecure page')]]);
    await withTab(shared.browser, async (tab) => {
        await tab.addInitScript(() => Object.defineProperty(window.crypto, 'subtle', { value: undefined }));
        await tab.goto(`${url}#pwd=${password}`);
        await tab.waitForFunction(() => !document.forms.qpfw);
        assert.equal(
            (await tab.textContent('body')).trim(),
            'This page must be opened over https or as a local file.',
        );
    });
});

test('a page of the default 600,000 iterations opens', async () => {
    const [url] = lockRun([['default.html', page('Default page')]], { iterations: 600000 });
    await withTab(shared.browser, async (tab) => {
        await openStrong(tab, url);
        await strongLogin(tab, password);
        assert.equal(await contentText(tab), 'Default page');
    });
});
