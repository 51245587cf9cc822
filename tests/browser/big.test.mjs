// A 20 MB page: far more blocks than an array constructor's argument list takes in Chromium, so it opens only
// because the block list is an array literal.

import assert from 'node:assert/strict';
import { test } from 'node:test';
import { newTab, sharedBrowserAndSite } from './support.mjs';

const shared = sharedBrowserAndSite();

const password = 'Big-Page-20';
const megabytes = 20;

test(`a ${megabytes} MB page opens whole`, { timeout: 240000 }, async () => {
    const paragraphs = [];
    let size = 0;
    while (size < megabytes * 1024 * 1024) {
        const paragraph = `<p>Paragraph ${paragraphs.length}: the quick brown fox jumps over the lazy dog.</p>\r\n`;
        paragraphs.push(paragraph);
        size += paragraph.length;
    }
    paragraphs.push('<p id="last">The end</p>\r\n');
    const content = '<html><body>\r\n' + paragraphs.join('') + '</body></html>\r\n';
    const url = shared.site.lock('big.html', content, { password });

    const context = await shared.browser.newContext();
    try {
        const tab = await newTab(context);
        await tab.goto(url + '?pwd=' + password, { timeout: 180000 });
        await tab.waitForSelector('#last', { state: 'attached', timeout: 180000 });
        assert.deepEqual(tab.dialogs, []);
        assert.equal(await tab.evaluate(() => document.getElementsByTagName('p').length), paragraphs.length);
        assert.equal(await tab.textContent('#last'), 'The end');
    } finally {
        await context.close();
    }
});
