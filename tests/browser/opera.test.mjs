// A browser that calls itself Opera gets the page line by line (one writeln per CR LF line as the blocks come
// in); every other browser gets it in one write. Both must end with the same document.

import assert from 'node:assert/strict';
import { test } from 'node:test';
import { newTab, sharedBrowserAndSite } from './support.mjs';

const shared = sharedBrowserAndSite();

const password = 'Line-By-Line';
const operaAgent = 'Opera/9.80 (X11; Linux x86_64) Presto/2.12.388 Version/12.16';

// Opens url?pwd=... in a fresh context and returns every text handed to document.writeln and the final markup.
async function unlockAndRecord(url, userAgent) {
    const context = await shared.browser.newContext(userAgent ? { userAgent } : {});
    try {
        const tab = await newTab(context);
        await tab.addInitScript(() => {
            const writeln = Document.prototype.writeln;
            window.qgWrites = [];
            Document.prototype.writeln = function (text) {
                window.qgWrites.push(text);
                return writeln.call(this, text);
            };
        });
        await tab.goto(url + '?pwd=' + password);
        assert.deepEqual(tab.dialogs, []);
        return await tab.evaluate(() => ({ writes: window.qgWrites, html: document.documentElement.outerHTML }));
    } finally {
        await context.close();
    }
}

function numberedLines(count, ending) {
    const lines = [];
    for (let i = 0; i < count; i++) {
        lines.push(`<p id="line-${i}">Line ${i} of the page, Grüße — 東京 ${'.'.repeat(i % 37)}</p>`);
    }
    return lines.join(ending);
}

const pages = [
    {
        why: 'CR LF lines across many blocks, ending in CR LF',
        text: '<html><body>\r\n' + numberedLines(120, '\r\n') + '\r\n</body></html>\r\n',
    },
    { why: 'CR LF lines, the last one without CR LF', text: numberedLines(40, '\r\n') },
    { why: 'LF lines only, so one line for Opera too', text: numberedLines(40, '\n') },
    { why: 'no line break at all', text: numberedLines(30, '') },
    { why: 'an ISO 8859-1 page', text: 'Gr\u00fc\u00dfe\r\ncaf\u00e9\r\n'.repeat(50), latin1: true },
];

for (const [index, { why, text, latin1 }] of pages.entries()) {
    test(`Opera gets the same document line by line: ${why}`, async () => {
        const url = shared.site.lock(`opera-${index}.html`, latin1 ? Buffer.from(text, 'latin1') : text, { password });
        const plain = await unlockAndRecord(url);
        const opera = await unlockAndRecord(url, operaAgent);

        assert.deepEqual(plain.writes, [text]);
        assert.deepEqual(opera.writes, text.split('\r\n'));
        assert.equal(opera.html, plain.html);
    });
}
