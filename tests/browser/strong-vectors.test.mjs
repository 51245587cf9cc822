// The strong page format read from its description alone, with node's WebCrypto and DecompressionStream: every
// known-answer vector written by the engine opens with each of its logins and with none of its wrong ones.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';

const { subtle } = globalThis.crypto;
const vectors = JSON.parse(fs.readFileSync(new URL('./strong-vectors.json', import.meta.url))).vectors;

// header | entry count | entries | nonce, ciphertext and tag of the deflated page
function parse(sealed) {
    const data = Buffer.from(sealed, 'base64');
    assert.equal(data.subarray(0, 8).toString('latin1'), 'QGSTRONG');
    assert.equal(data[8], 1, 'version');
    const kdfLength = data[9];
    assert.equal(data.subarray(10, 10 + kdfLength).toString('latin1'), 'PBKDF2-HMAC-SHA-256');
    let at = 10 + kdfLength;
    const iterations = data.readUInt32BE(at);
    const users = data[at + 4] === 2;
    const salt = data.subarray(at + 5, at + 21);
    at += 37; // the run id's 16 bytes follow the salt
    const header = data.subarray(0, at);
    const count = data.readUInt32BE(at);
    at += 4;
    const entries = [];
    for (let i = 0; i < count; i++, at += 60) {
        entries.push(data.subarray(at, at + 60));
    }
    return { iterations, users, salt, header, entries, content: data.subarray(at) };
}

const nfc = (text) => Buffer.from(text.normalize('NFC'), 'utf8');
const gcm = (iv, page) => ({ name: 'AES-GCM', iv, additionalData: page.header });

async function unwrap(page, user, password) {
    const salt = page.users ? Buffer.concat([page.salt, nfc(user)]) : page.salt;
    const base = await subtle.importKey('raw', nfc(password), 'PBKDF2', false, ['deriveBits']);
    const kek = await subtle.importKey(
        'raw',
        await subtle.deriveBits({ name: 'PBKDF2', hash: 'SHA-256', salt, iterations: page.iterations }, base, 256),
        'AES-GCM',
        false,
        ['decrypt'],
    );
    const keys = [];
    for (const entry of page.entries) {
        try {
            keys.push(new Uint8Array(await subtle.decrypt(gcm(entry.subarray(0, 12), page), kek, entry.subarray(12))));
        } catch {
            // another login's entry
        }
    }
    return keys;
}

async function unseal(page, key) {
    const aes = await subtle.importKey('raw', key, 'AES-GCM', false, ['decrypt']);
    const packed = await subtle.decrypt(gcm(page.content.subarray(0, 12), page), aes, page.content.subarray(12));
    const stream = new Blob([packed]).stream().pipeThrough(new DecompressionStream('deflate'));
    return Buffer.from(await new Response(stream).arrayBuffer());
}

for (const vector of vectors) {
    test(`vector "${vector.name}"`, async () => {
        const page = parse(vector.sealed);
        assert.equal(page.iterations, vector.iterations);
        assert.equal(page.users, vector.users.length > 0);
        assert.equal(page.entries.length, vector.users.length + 1);
        for (const login of vector.opens) {
            const keys = await unwrap(page, login.user, login.password);
            assert.equal(keys.length, 1, `${login.user} / ${login.password} opens exactly one entry`);
            assert.deepEqual(await unseal(page, keys[0]), Buffer.from(vector.content, 'base64'));
        }
        for (const login of vector.refuses) {
            assert.deepEqual(await unwrap(page, login.user, login.password), [], `${login.user} / ${login.password}`);
        }
    });
}

test('an altered byte anywhere in the sealed content fails its tag', async () => {
    const vector = vectors.find((v) => v.users.length > 0);
    const page = parse(vector.sealed);
    const [key] = await unwrap(page, vector.opens[0].user, vector.opens[0].password);
    for (const at of [0, 12, page.content.length - 1]) {
        const altered = { ...page, content: Buffer.from(page.content) };
        altered.content[at] ^= 1;
        await assert.rejects(unseal(altered, key), `byte ${at}`);
    }
});
