// The page script's digest must equal the engine's bit for bit, or no page opens: compared here against a table
// of reference values and against the engine itself (qg-digest), negative MD5 words included.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { test } from 'node:test';
import { newTab, sharedBrowserAndSite } from './support.mjs';

let tab;

const shared = sharedBrowserAndSite(async () => {
    const url = shared.site.lock('digest.html', '<p>digest</p>', { password: 'Digest-Page' });
    tab = await newTab(await shared.browser.newContext());
    await tab.goto(url);
});

// Each input is a string of character codes; the page script takes every code modulo 256.
function pageDigests(inputs) {
    return tab.evaluate((texts) => texts.map((text) => MHHHHH(text)), inputs);
}

function pageWords(inputs) {
    return tab.evaluate((texts) => texts.map((text) => Cmmmmm(ss2b(text))), inputs);
}

test('the page script computes the digest texts of the reference table', async () => {
    const rows = fs
        .readFileSync(new URL('data/digest.tsv', import.meta.url), 'utf8')
        .split('\n')
        .filter((line) => line && !line.startsWith('#'))
        .map((line) => line.split('\t'));
    assert.ok(rows.some((row) => row[3].includes('W0<0')) && rows.some((row) => row[3].includes('W1<0')));

    const inputs = rows.map(([hex]) => Buffer.from(hex, 'hex').toString('latin1'));
    const digests = await pageDigests(inputs);
    rows.forEach(([hex, digest, check, note], i) => {
        assert.equal(digests[i], digest, `${hex} (${note})`);
        let xor = 0;
        for (const c of digests[i]) {
            xor ^= c.charCodeAt(0);
        }
        assert.equal(xor, parseInt(check, 16), `${hex} check value`);
    });
});

test('the page script and the engine give the same MD5 words and digest texts', async () => {
    const passwords = [
        'abc',
        '',
        'a',
        'password',
        'Open-Sesame',
        'Grüße-2026',
        '東京-Passwort',
        'x'.repeat(55),
        'x'.repeat(56),
        'x'.repeat(63),
        'x'.repeat(64),
        'x'.repeat(120),
        'alicepassword-with-user',
        '\u00ff\u00fe\u00fd\u0080\u0081',
    ];
    for (let i = 0; i < 40; i++) {
        passwords.push(`pw-${i}-${(i * 7919).toString(36)}`);
    }
    const engine = execFileSync(process.env.QG_DIGEST, passwords, { encoding: 'utf8' })
        .split('\n')
        .slice(0, passwords.length)
        .map((line) => {
            const [digest, ...words] = line.split('\t');
            return { digest, words: words.map(Number) };
        });
    // The shifts of negative words are where a careless port differs; the table must hold both signs.
    for (const word of [0, 1]) {
        assert.ok(engine.some((e) => e.words[word] < 0), `some W${word} negative`);
        assert.ok(engine.some((e) => e.words[word] >= 0), `some W${word} not negative`);
    }

    const digests = await pageDigests(passwords);
    const words = await pageWords(passwords);
    passwords.forEach((password, i) => {
        assert.deepEqual(words[i], engine[i].words, `MD5 words of ${JSON.stringify(password)}`);
        assert.equal(digests[i], engine[i].digest, `digest text of ${JSON.stringify(password)}`);
    });
});
