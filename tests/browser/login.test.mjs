// Single-password pages with Page protection: the login form, the pwd query key, wrong and empty passwords,
// pages of every block count, and pages in UTF-8 and ISO 8859-1.

import assert from 'node:assert/strict';
import path from 'node:path';
import { test } from 'node:test';
import { lockFile, sharedBrowserAndSite, showsLoginForm, submitLogin, withTab } from './support.mjs';

const shared = sharedBrowserAndSite();

const password = 'Open-Sesame';

function page(body) {
    return `<html><head><title>Locked test page</title></head><body>${body}</body></html>`;
}

test('the login form opens the page', async () => {
    const url = shared.site.lock('form.html', page('<p id="content">Welcome in</p>'), { password });
    await withTab(shared.browser, async (tab) => {
        await tab.goto(url);
        assert.equal(await showsLoginForm(tab), true);
        assert.equal(await submitLogin(tab, password), true);
        assert.equal(await tab.textContent('#content'), 'Welcome in');
        assert.equal(await showsLoginForm(tab), false);
        assert.deepEqual(tab.dialogs, []);
    });
});

test('the pwd query key is found in any case and its value keeps its case', async () => {
    const url = shared.site.lock('query.html', page('<p id="content">Query page</p>'), { password });
    const cases = [
        { query: '?pwd=Open-Sesame', opens: true, dialogs: [] },
        { query: '?PWD=Open-Sesame', opens: true, dialogs: [] },
        { query: '?x=1&Pwd=Open-Sesame&y=2', opens: true, dialogs: [] },
        { query: '?pwd=Open%2DSesame', opens: true, dialogs: [] },
        { query: '?pwd=open-sesame', opens: false, dialogs: ['Invalid Password'] },
        { query: '?PWD=OPEN-SESAME', opens: false, dialogs: ['Invalid Password'] },
        { query: '?pwd=', opens: false, dialogs: [] },
        { query: '?user=Open-Sesame', opens: false, dialogs: [] },
        { query: '', opens: false, dialogs: [] },
    ];
    await withTab(shared.browser, async (tab) => {
        for (const { query, opens, dialogs } of cases) {
            tab.dialogs.length = 0;
            await tab.goto(url + query);
            assert.equal(await showsLoginForm(tab), !opens, query);
            assert.equal(await tab.locator('#content').count(), opens ? 1 : 0, query);
            assert.deepEqual(tab.dialogs, dialogs, query);
        }
    });
});

test('a wrong password alerts "Invalid Password" and the form stays usable', async () => {
    const url = shared.site.lock('wrong.html', page('<p id="content">Behind the form</p>'), { password });
    await withTab(shared.browser, async (tab) => {
        await tab.goto(url);
        assert.equal(await submitLogin(tab, 'Open-Sesame!'), false);
        assert.deepEqual(tab.dialogs, ['Invalid Password']);
        assert.equal(await showsLoginForm(tab), true);
        assert.equal(await tab.locator('#content').count(), 0);

        assert.equal(await submitLogin(tab, password), true);
        assert.equal(await tab.textContent('#content'), 'Behind the form');
        assert.deepEqual(tab.dialogs, ['Invalid Password']);
    });
});

test('an empty password does nothing and alerts nothing', async () => {
    const url = shared.site.lock('empty-password.html', page('<p id="content">x</p>'), { password });
    await withTab(shared.browser, async (tab) => {
        await tab.goto(url);
        assert.equal(await submitLogin(tab, ''), false);
        assert.deepEqual(tab.dialogs, []);
        assert.equal(await showsLoginForm(tab), true);
    });
});

test('an empty page unlocks to an empty document', async () => {
    const url = shared.site.lock('empty.html', '', { password });
    await withTab(shared.browser, async (tab) => {
        await tab.goto(url + '?pwd=' + password);
        assert.deepEqual(tab.dialogs, []);
        assert.equal(await tab.evaluate(() => document.forms.length), 0);
        assert.equal(await tab.evaluate(() => document.body.innerHTML), '');
    });
});

// Plain text of exactly n bytes without blanks at its start, so the document's body holds it unchanged.
function textOfLength(n) {
    let text = '';
    for (let line = 0; text.length < n; line++) {
        text += `line-${line}:abcdefghijklmnopqrstuvwxyz0123456789\n`;
    }
    return text.slice(0, n);
}

test('a page locked twice opens after two logins, the outer password first', async () => {
    const url = shared.site.lock('twice.html', page('<p id="content">Inner content</p>'), { password: 'Inner-Pass' });
    lockFile(path.join(shared.site.root, 'twice.html'), { password: 'Outer-Pass', relock: 'yes' });
    await withTab(shared.browser, async (tab) => {
        await tab.goto(url);
        assert.equal(await submitLogin(tab, 'Inner-Pass'), false);
        assert.deepEqual(tab.dialogs, ['Invalid Password']);
        assert.equal(await submitLogin(tab, 'Outer-Pass'), true);
        assert.equal(await showsLoginForm(tab), true);
        assert.equal(await submitLogin(tab, 'Inner-Pass'), true);
        assert.equal(await tab.textContent('#content'), 'Inner content');
    });
});

test('pages of every block count open whole, block boundaries included', async () => {
    await withTab(shared.browser, async (tab) => {
        for (const size of [1, 255, 256, 257, 511, 512, 513, 4000]) {
            const content = textOfLength(size);
            const url = shared.site.lock(`blocks-${size}.html`, content, { password });
            await tab.goto(url + '?pwd=' + password);
            // writeln ends the text with one line break of its own.
            assert.equal(await tab.evaluate(() => document.body.textContent), content + '\n', `${size} bytes`);
        }
        assert.deepEqual(tab.dialogs, []);
    });
});

test('the status text counts up per block and is cleared at the end', async () => {
    const url = shared.site.lock('status.html', textOfLength(3 * 256), { password });
    await withTab(shared.browser, async (tab) => {
        await tab.addInitScript(() => {
            window.qgStatus = [];
            let status = '';
            Object.defineProperty(window, 'status', {
                get: () => status,
                set: (value) => {
                    status = String(value);
                    window.qgStatus.push(status);
                },
            });
        });
        await tab.goto(url + '?pwd=' + password);
        assert.deepEqual(await tab.evaluate(() => window.qgStatus), [
            'Unlocking 0%',
            'Unlocking 34%',
            'Unlocking 67%',
            '',
        ]);
    });
});

test('a UTF-8 page shows its characters, also where one straddles a block boundary', async () => {
    // 19 bytes a repeat: over many blocks the multi-byte sequences fall across the boundaries at every offset.
    const text = 'Grüße — 東京 '.repeat(60) + 'Ende';
    const url = shared.site.lock('utf8.html', page(`<p id="content">${text}</p>`), { password });
    await withTab(shared.browser, async (tab) => {
        await tab.goto(url);
        assert.equal(await submitLogin(tab, password), true);
        assert.equal(await tab.textContent('#content'), text);
    });
});

test('an ISO 8859-1 page shows its bytes as ISO 8859-1 characters', async () => {
    const text = 'Grüße, café, ½ © ÿ, Ångström';
    const content = Buffer.from(page(`<p id="content">${text}</p>`), 'latin1');
    const url = shared.site.lock('latin1.html', content, { password });
    await withTab(shared.browser, async (tab) => {
        await tab.goto(url + '?pwd=' + password);
        assert.equal(await tab.textContent('#content'), text);
    });
});

test('a password beyond ASCII opens the page from the form and from a query in UTF-8 or Latin-1 escapes', async () => {
    // The second password's ISO 8859-1 bytes are also valid UTF-8: its UTF-8 reading ("über") is tried first and
    // must fail without an alert.
    const passwords = ['Grüße-2026', '\u00c3\u00bcber-alles'];
    const cases = [
        { password: 0, query: '?pwd=Grüße-2026', opens: true, dialogs: [] },
        { password: 0, query: '?pwd=' + encodeURIComponent('Grüße-2026'), opens: true, dialogs: [] },
        { password: 0, query: '?pwd=' + escape('Grüße-2026'), opens: true, dialogs: [] },
        { password: 0, query: '?pwd=Grüße-2027', opens: false, dialogs: ['Invalid Password'] },
        { password: 0, query: '?pwd=' + escape('Grüße-2027'), opens: false, dialogs: ['Invalid Password'] },
        { password: 1, query: '?pwd=%C3%BCber-alles', opens: true, dialogs: [] },
        { password: 1, query: '?pwd=%C3%BCber-allez', opens: false, dialogs: ['Invalid Password'] },
    ];
    const urls = passwords.map((password, i) =>
        shared.site.lock(`beyond-ascii-${i}.html`, page('<p id="content">Umlaut key</p>'), { password }),
    );
    await withTab(shared.browser, async (tab) => {
        for (const [i, url] of urls.entries()) {
            await tab.goto(url);
            assert.equal(await submitLogin(tab, passwords[i]), true);
            assert.equal(await tab.textContent('#content'), 'Umlaut key');
        }
        for (const { password, query, opens, dialogs } of cases) {
            tab.dialogs.length = 0;
            await tab.goto(urls[password] + query);
            assert.equal(await tab.locator('#content').count(), opens ? 1 : 0, query);
            assert.deepEqual(tab.dialogs, dialogs, query);
        }
    });
});
