// Unlocked pages look and behave as their originals: small sites of several pages (external scripts that write
// with document.write and the DOM, handlers of DOMContentLoaded and load, a style sheet with a web font, an
// image, relative links and a form) are served once as they are and once locked with Cookie protection; after one
// login on the first page, every page reached by its links has the original's title, text, character set and
// look, and the form sends what the original sends. Pages in other character sets show their text decoded, also
// legacy pages that declare none.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { lockFile, makeTempDir, sharedBrowserAndSite, submitLogin, withTab } from './support.mjs';

const data = path.join(path.dirname(fileURLToPath(import.meta.url)), 'data');
const font = '/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf';
const password = 'Fidelity-9';
const viewport = { width: 800, height: 600 };

// Each site's pages in the order of their "next" links, and the text its pages must show.
const sites = [
    {
        name: 'site-utf8',
        pages: ['index.html', 'second.html', 'sub/third.html'],
        texts: ['Grüße, 東京, ✓', 'DOMContentLoaded: bereit ✓ (UTF-8)', 'load: geladen ✓', 'Übergröße'],
        form: 'q=Gr%C3%BC%C3%9Fe+%E6%9D%B1%E4%BA%AC',
    },
    {
        name: 'site-latin1',
        pages: ['index.html', 'plain.html'],
        texts: ['Grüße, ß, é', 'DOMContentLoaded: bereit (windows-1252)', 'load: geladen, Überprüfung »ok«'],
        form: 'q=Gr%FC%DFe+caf%E9',
    },
];

// Single pages in other character sets, as bytes, with the text each must show.
function charsetPage(head, bodyHex) {
    return Buffer.concat([
        Buffer.from(`<html><head>${head}<title>`),
        Buffer.from(bodyHex, 'hex'),
        Buffer.from('</title></head><body><p>'),
        Buffer.from(bodyHex, 'hex'),
        Buffer.from('</p></body></html>'),
    ]);
}
const charsetPages = [
    {
        name: 'windows-1251.html',
        content: charsetPage('<meta charset="windows-1251">', 'cff0e8e2e5f22c20ece8f02120a8ebeae0'),
        text: 'Привет, мир! Ёлка',
        charset: 'windows-1251',
    },
    {
        name: 'shift_jis.html',
        content: charsetPage(
            '<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">',
            '82b182f182c982bf82cd814193fa967b8cea',
        ),
        text: 'こんにちは、日本語',
        charset: 'Shift_JIS',
    },
    // Legacy pages that declare nothing: browsers guess the encoding from the text, and so does the lock; text
    // in Latin-1 stays Latin-1.
    {
        name: 'windows-1251-undeclared.html',
        content: charsetPage(
            '',
            'cff0e8e2e5f22c20ece8f02120ddf2ee20eff0eef1f2e0ff20f1f2f0e0ede8f6e020ede020f0f3f1f1eaeeec20ffe7fbeae52e',
        ),
        text: 'Привет, мир! Это простая страница на русском языке.',
        charset: 'windows-1251',
    },
    {
        name: 'shift_jis-undeclared.html',
        content: charsetPage(
            '',
            '82b182f182c982bf82cd814190a28a45814282b182ea82cd90e98cbe82cc82c882a293fa967b8cea82cc8379815b835782c582b78142',
        ),
        text: 'こんにちは、世界。これは宣言のない日本語のページです。',
        charset: 'Shift_JIS',
    },
    {
        name: 'windows-1252-undeclared.html',
        content: charsetPage('', '4772fcdf6520617573204dfc6e6368656e2c20736368f66e652053747261df6521'),
        text: 'Grüße aus München, schöne Straße!',
        charset: 'windows-1252',
    },
    {
        // As Windows tools save pages: UTF-16 with a byte-order mark. The lock carries the text as UTF-8, so the
        // unlocked page shows the same characters in a document of another encoding.
        name: 'utf16le.html',
        content: Buffer.concat([
            Buffer.from([0xff, 0xfe]),
            Buffer.from(charsetPage('', Buffer.from('Grüße, 東京 😀', 'utf8').toString('hex')).toString('utf8'), 'utf16le'),
        ]),
        text: 'Grüße, 東京 😀',
        charset: 'UTF-8',
        originalCharset: 'UTF-16LE',
    },
    {
        // Browsers guess the encoding of an undeclared page, but never UTF-8 for one served over http: the
        // original shows its text garbled; unlocked, it shows what was written.
        name: 'utf8-undeclared.html',
        content: charsetPage('', Buffer.from('Grüße, 東京', 'utf8').toString('hex')),
        text: 'Grüße, 東京',
        charset: 'UTF-8',
        garbledOriginal: true,
    },
];

const shared = sharedBrowserAndSite(async ({ site }) => {
    for (const { name } of sites) {
        for (const kind of ['original', 'locked']) {
            const folder = site.copy(path.join(data, name), `${kind}/${name}`);
            fs.mkdirSync(path.join(folder, 'fonts'));
            fs.copyFileSync(font, path.join(folder, 'fonts', 'quill.ttf'));
        }
        lockFile(path.join(site.root, 'locked', name), { password, protection: 'cookie' });
    }
    for (const { name, content } of charsetPages) {
        site.write(`original/charsets/${name}`, content);
        site.lock(`locked/charsets/${name}`, content, { password });
    }
});

// What a visitor sees of the page once it is complete (for a locked page: unlocked, and its own load handlers
// run), the screenshot taken when the web font is in.
async function snapshot(tab) {
    await tab.waitForFunction(() => !document.forms.qpfw && document.readyState === 'complete');
    await tab.evaluate(() => document.fonts.ready.then(() => undefined));
    const seen = await tab.evaluate(() => ({
        title: document.title,
        text: document.body.innerText,
        charset: document.characterSet,
    }));
    return { ...seen, screenshot: await tab.screenshot() };
}

// Opens the first page (logging in on a locked one), follows the "next" links, then sends the first page's form;
// returns the snapshot of every page and the query the form sent.
async function walk(tab, base, site, login) {
    await tab.goto(base + site.pages[0]);
    if (login) {
        assert.equal(await submitLogin(tab, password), true);
    }
    const seen = [await snapshot(tab)];
    for (const page of site.pages.slice(1)) {
        await Promise.all([tab.waitForURL(base + page), tab.click('#next')]);
        seen.push(await snapshot(tab));
    }
    await tab.goto(base + site.pages[0]);
    await snapshot(tab);
    await Promise.all([tab.waitForURL(/\?q=/), tab.click('#send')]);
    return { seen, form: new URL(tab.url()).search.slice(1) };
}

// Fails when the screenshots differ, keeping both so the difference can be looked at.
function assertSameScreenshot(name, original, unlocked) {
    if (!unlocked.equals(original)) {
        const folder = makeTempDir('qg-fidelity-');
        fs.writeFileSync(path.join(folder, 'original.png'), original);
        fs.writeFileSync(path.join(folder, 'unlocked.png'), unlocked);
        assert.fail(`${name}: the screenshots differ, see ${folder}`);
    }
}

for (const site of sites) {
    test(`${site.name}: every page unlocked after one login is its original`, async () => {
        const base = (kind) => shared.site.url(`${kind}/${site.name}/`);
        const original = await withTab(shared.browser, (tab) => walk(tab, base('original'), site, false), { viewport });
        const unlocked = await withTab(
            shared.browser,
            async (tab) => {
                const result = await walk(tab, base('locked'), site, true);
                assert.deepEqual(tab.dialogs, []);
                return result;
            },
            { viewport },
        );
        for (const [i, page] of site.pages.entries()) {
            const [want, got] = [original.seen[i], unlocked.seen[i]];
            assert.equal(got.title, want.title, page);
            assert.equal(got.text, want.text, page);
            assert.equal(got.charset, want.charset, page);
            assertSameScreenshot(page, want.screenshot, got.screenshot);
        }
        const allText = original.seen.map((page) => page.text).join('\n');
        for (const text of site.texts) {
            assert.ok(allText.includes(text), `the original shows "${text}"`);
        }
        assert.equal(original.form, site.form);
        assert.equal(unlocked.form, site.form);
    });
}

test('pages in other character sets show their text decoded, as the original does', async () => {
    await withTab(
        shared.browser,
        async (tab) => {
            for (const { name, text, charset, originalCharset = charset, garbledOriginal } of charsetPages) {
                await tab.goto(shared.site.url(`locked/charsets/${name}`, `?pwd=${password}`));
                const got = await snapshot(tab);
                assert.deepEqual({ text: got.text, charset: got.charset }, { text, charset }, name);
                await tab.goto(shared.site.url(`original/charsets/${name}`));
                const want = await snapshot(tab);
                assert.equal(want.text !== text, !!garbledOriginal, name);
                if (!garbledOriginal) {
                    assert.deepEqual(
                        { title: got.title, charset: originalCharset },
                        { title: want.title, charset: want.charset },
                        name,
                    );
                    assertSameScreenshot(name, want.screenshot, got.screenshot);
                }
            }
            assert.deepEqual(tab.dialogs, []);
        },
        { viewport },
    );
});
