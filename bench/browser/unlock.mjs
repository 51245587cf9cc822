// Time until a locked 5 MB page of paragraphs is shown in headless Chromium (opened with a password in its address,
// decrypted and laid out), beside the same page opened unlocked: the browser's own floor. The classic page is
// opened with ?pwd=, the strong one with #pwd= (its 600,000-round key derivation included). Prints the times and
// each locked page's ratio to the unlocked one.
//
//   node bench/browser/unlock.mjs [PATH-TO-quillgate-lock] [runs]
// (the command's path may also come from QUILLGATE_LOCK)

import { launchBrowser, openSite } from '../../tests/browser/support.mjs';

const lockCommand = process.argv[2] || process.env.QUILLGATE_LOCK;
const runs = Number(process.argv[3] || 5);
const megabytes = 5;
const password = 'Bench-Mark-5';

if (!lockCommand) {
    console.error('usage: node unlock.mjs PATH-TO-quillgate-lock [runs]');
    process.exit(2);
}
process.env.QUILLGATE_LOCK = lockCommand;

function paragraphsPage() {
    const parts = ['<html><head><title>Benchmark page</title></head><body>\r\n'];
    let size = parts[0].length;
    for (let i = 0; size < megabytes * 1024 * 1024; i++) {
        const paragraph = `<p>Paragraph ${i}: the quick brown fox jumps over the lazy dog, again and again.</p>\r\n`;
        parts.push(paragraph);
        size += paragraph.length;
    }
    parts.push('<p id="last">The end</p>\r\n</body></html>\r\n');
    return parts.join('');
}

// Milliseconds from the start of the navigation until the last paragraph exists and a frame with it is drawn;
// for a locked page also the page script's own share: from the load event (where it starts) to its first write.
async function timeToShown(browser, url) {
    const context = await browser.newContext();
    try {
        const tab = await context.newPage();
        await tab.addInitScript(() => {
            for (const name of ['write', 'writeln']) {
                const write = Document.prototype[name];
                Document.prototype[name] = function (text) {
                    window.qgFirstWrite ??= performance.now();
                    return write.call(this, text);
                };
            }
        });
        const start = performance.now();
        await tab.goto(url, { waitUntil: 'commit', timeout: 120000 });
        await tab.waitForSelector('#last', { state: 'attached', timeout: 120000 });
        await tab.evaluate(
            () =>
                new Promise((resolve) => {
                    document.getElementById('last').getBoundingClientRect();
                    requestAnimationFrame(() => requestAnimationFrame(resolve));
                })
        );
        const shown = performance.now() - start;
        const script = await tab.evaluate(
            () => window.qgFirstWrite - performance.getEntriesByType('navigation')[0].loadEventStart
        );
        return { shown, script };
    } finally {
        await context.close();
    }
}

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    const middle = sorted.length >> 1;
    return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

const site = await openSite();
const browser = await launchBrowser();
try {
    const content = paragraphsPage();
    const plainUrl = site.url('plain.html');
    site.write('plain.html', content);
    const lockedPages = [
        { name: 'classic', url: site.lock('locked.html', content, { password }) + '?pwd=' + password },
        {
            name: 'strong',
            url: site.lock('strong.html', content, { password, format: 'strong' }) + '#pwd=' + password,
        },
    ];

    // One unmeasured round warms up the browser and the server.
    await timeToShown(browser, plainUrl);
    for (const page of lockedPages) {
        page.shown = [];
        page.script = [];
        await timeToShown(browser, page.url);
    }
    const plain = [];
    for (let i = 0; i < runs; i++) {
        plain.push((await timeToShown(browser, plainUrl)).shown);
        for (const page of lockedPages) {
            const run = await timeToShown(browser, page.url);
            page.shown.push(run.shown);
            page.script.push(run.script);
        }
    }
    const mb = (content.length / 1024 / 1024).toFixed(1);
    const show = (values) => `median ${median(values).toFixed(0)} ms (runs: ${values.map((v) => v.toFixed(0)).join(', ')})`;
    console.log(`unlocked ${mb} MB page shown: ${show(plain)}`);
    for (const page of lockedPages) {
        console.log(`${page.name} page shown: ${show(page.shown)}`);
        console.log(`  of which the page script (from the load event to its first write): ${show(page.script)}`);
        console.log(`ratio ${page.name}/unlocked: ${(median(page.shown) / median(plain)).toFixed(2)} (target <= 1.30)`);
    }
} finally {
    await browser.close();
    await site.close();
}
