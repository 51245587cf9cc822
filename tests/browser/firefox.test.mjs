// Firefox ESR opens locked pages from the query string: the page shows its content in its own character set, its
// own load handler runs, and the browser reports the page loaded (written from inside the load event, it never
// did). A Cookie page's login opens the next page. Run as a plain script: without Firefox it exits with 77, which
// ctest shows as skipped.

import assert from 'node:assert/strict';
import { test } from 'node:test';
import { firefoxPath, launchFirefox, sharedBrowserAndSite } from './support.mjs';

if (!firefoxPath) {
    console.log('# SKIP: Firefox is not installed (apt-get install firefox-esr)');
    process.exit(77);
}

const password = 'Open-Sesame';
const master = 'Master-Key9';
const users = [
    ['bob', 'Bob-Pass22'],
    ['Jürgen', 'Sesam-öffne'],
];
// A page in the character set charset whose content is text (as bytes in that set) and whose load handler marks
// itself.
function page(charset, text) {
    return Buffer.concat([
        Buffer.from(
            `<html><head><meta charset="${charset}"><title>Firefox</title><script>` +
                'addEventListener("load",function(){document.getElementById("loaded").textContent="geladen"})' +
                '</script></head><body><p id="content">',
        ),
        text,
        Buffer.from('</p><p id="loaded"></p></body></html>'),
    ]);
}
const content = page('utf-8', Buffer.from('Grüße aus Firefox'));

const shared = sharedBrowserAndSite(async ({ site }) => {
    site.lock('single.html', content, { password });
    site.lock('cyrillic.html', page('windows-1251', Buffer.from('cff0e8e2e5f22c20ece8f021', 'hex')), { password });
    site.lock('umlaut.html', content, { password: 'Grüße-2026' });
    site.lock('users.html', content, { password: master, users });
    site.lock('cookie/first.html', content, { password, protection: 'cookie' });
    site.lock('cookie/second.html', content, { password, protection: 'cookie' });
}, launchFirefox);

// What the page shows once Firefox reports it loaded, and the dialog it showed, if any.
async function open(url) {
    const firefox = shared.browser;
    await firefox.goto(url);
    const dialog = await firefox.dialog();
    const seen = await firefox.evaluate(`return {
        readyState: document.readyState,
        loginForm: !!document.forms.qpfw,
        content: document.getElementById('content')?.textContent ?? null,
        loaded: document.getElementById('loaded')?.textContent ?? null,
        charset: document.characterSet,
    }`);
    return { ...seen, dialog };
}

const unlocked = {
    readyState: 'complete',
    loginForm: false,
    content: 'Grüße aus Firefox',
    loaded: 'geladen',
    charset: 'UTF-8',
    dialog: null,
};
const cases = [
    { why: 'a single page', page: 'single.html', query: '?pwd=Open-Sesame', seen: unlocked },
    { why: 'a user page', page: 'users.html', query: '?user=bob&pwd=Bob-Pass22', seen: unlocked },
    { why: 'a password typed beyond ASCII', page: 'umlaut.html', query: '?pwd=Grüße-2026', seen: unlocked },
    { why: 'a user typed beyond ASCII', page: 'users.html', query: '?user=Jürgen&pwd=Sesam-öffne', seen: unlocked },
    {
        why: 'a windows-1251 page',
        page: 'cyrillic.html',
        query: '?pwd=Open-Sesame',
        seen: { ...unlocked, content: 'Привет, мир!', charset: 'windows-1251' },
    },
    {
        why: 'a wrong password',
        page: 'single.html',
        query: '?pwd=open-sesame',
        seen: {
            readyState: 'complete',
            loginForm: true,
            content: null,
            loaded: null,
            charset: 'UTF-8',
            dialog: 'Invalid Password',
        },
    },
];

for (const { why, page, query, seen } of cases) {
    test(`Firefox, ${why}: ${query}`, async () => {
        assert.deepEqual(await open(shared.site.url(page, query)), seen);
    });
}

test('Firefox, a Cookie page: the query login opens the next page of the folder', async () => {
    assert.deepEqual(await open(shared.site.url('cookie/first.html', `?pwd=${password}`)), unlocked);
    assert.deepEqual(await open(shared.site.url('cookie/second.html')), unlocked);
});
