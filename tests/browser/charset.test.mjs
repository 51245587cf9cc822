// An unlocked page shows the text its original shows in the same browser where a label does not mean what its
// name says: browsers read windows-1252 and ISO 8859-1 with one decoder (whose bytes 0x80 to 0x9F are € “ ” –
// and the like, not controls), whether the page declares it, declares nothing or has it from the server's header,
// and they ignore a label they do not know. Classic and strong pages alike, each page opened as it is and locked.

import assert from 'node:assert/strict';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { lockFile, sharedBrowserAndSite, withTab } from './support.mjs';

const password = 'Charset-7';
const text = 'Preis: 5 € “Zitat” – Müller';

// The windows-1252 bytes of text: its few characters from 0x80 to 0x9F, the rest in Latin-1.
function windows1252(s) {
    const high = { '€': 0x80, '“': 0x93, '”': 0x94, '–': 0x96 };
    return Buffer.from([...s].map((c) => high[c] ?? c.charCodeAt(0)));
}

function page(head, body) {
    return Buffer.concat([
        Buffer.from(`<html><head>${head}<title>`),
        body,
        Buffer.from('</title></head><body><p>'),
        body,
        Buffer.from('</p></body></html>'),
    ]);
}

// shows: what the original shows in Chromium, so each page is what its name says. Pages under the server's
// header are opened over http, the rest as local files too, where Chromium also reads undeclared UTF-8 as such.
const cases = [
    {
        name: 'declared-windows-1252',
        content: page('<meta charset="windows-1252">', windows1252(text)),
        shows: text,
    },
    {
        name: 'declared-iso-8859-1',
        content: page('<meta http-equiv="Content-Type" content="text/html; charset=ISO-8859-1">', windows1252(text)),
        shows: text,
    },
    {
        name: 'undeclared-windows-1252',
        content: page('', windows1252(text)),
        shows: text,
    },
    {
        // The header beats the page's declaration: its UTF-8 is read byte by byte as windows-1252, 0x9D (the end
        // of ”), which that set leaves out, as U+009D.
        name: 'utf-8-under-an-iso-8859-1-header',
        content: page('<meta charset="utf-8">', Buffer.from(text)),
        header: 'iso-8859-1',
        shows: 'Preis: 5 â‚¬ â€œZitatâ€\u009d â€“ MÃ¼ller',
    },
    {
        name: 'unknown-label-utf-8',
        content: page('<meta charset="x-unknown">', Buffer.from(text)),
        local: true,
        shows: text,
    },
    {
        name: 'utf-7-label-utf-8',
        content: page('<meta http-equiv="Content-Type" content="text/html; charset=utf-7">', Buffer.from(text)),
        local: true,
        shows: text,
    },
];

const formats = ['classic', 'strong'];

const shared = sharedBrowserAndSite(async ({ site }) => {
    for (const c of cases) {
        const names = [`original/${c.name}.html`, ...formats.map((format) => `${format}/${c.name}.html`)];
        for (const [i, name] of names.entries()) {
            const file = site.write(name, c.content);
            if (i > 0) {
                lockFile(file, { password, format: formats[i - 1], iterations: 1000 });
            }
            if (c.header) {
                site.sendCharset(name, c.header);
            }
        }
    }
});

// The page at name, over http or as a local file, once it is shown (a locked one unlocked by its query).
async function shown(tab, name, local, query = '') {
    const url = local ? pathToFileURL(`${shared.site.root}/${name}`).href + query : shared.site.url(name, query);
    await tab.goto(url);
    await tab.waitForFunction(() => !document.forms.qpfw && document.readyState === 'complete');
    return tab.evaluate(() => ({
        title: document.title,
        text: document.body.innerText,
        charset: document.characterSet,
    }));
}

for (const format of formats) {
    for (const c of cases) {
        test(`${format}: ${c.name} unlocked shows what the original shows`, async () => {
            await withTab(shared.browser, async (tab) => {
                const original = await shown(tab, `original/${c.name}.html`, c.local);
                assert.equal(original.text, c.shows);
                const unlocked = await shown(tab, `${format}/${c.name}.html`, c.local, `?pwd=${password}`);
                assert.deepEqual(unlocked, original);
                assert.deepEqual(tab.dialogs, []);
            });
        });
    }
}
