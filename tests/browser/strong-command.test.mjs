// Strong pages made by the real quillgate-lock --format strong, opened in Chromium over http://127.0.0.1: a run of
// 1,000 users, a 100 MB page, relocking classic over strong and strong over classic, and one login for a folder
// tree locked by one command call. (Logins, memory and damage on single pages are strong.test.mjs's.)

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import {
    contentText,
    lockFile,
    newTab,
    openStrong,
    sharedBrowserAndSite,
    showsLoginForm,
    strongLogin,
    withTab,
} from './support.mjs';

const shared = sharedBrowserAndSite();

const password = 'Open-Sesame';
const page = (text) => `<html><head><title>Strong command page</title></head><body><p id="content">${text}</p></body></html>`;
// Few key derivation rounds through the command's test-only variable, where a run has many logins.
const fewRounds = 1000;

test('a run of 1,000 users: the first, the last and the master open its pages, others alert', async () => {
    const users = Array.from({ length: 1000 }, (_, i) => [`user${i}`, `password-${i}`]);
    const folder = path.join(shared.site.root, 'thousand');
    shared.site.write('thousand/first.html', page('First of the run'));
    shared.site.write('thousand/second.html', page('Second of the run'));
    lockFile(folder, { password: 'Master-Key', users, format: 'strong', iterations: fewRounds });
    const pageSize = fs.statSync(path.join(folder, 'first.html')).size;
    assert.ok(pageSize > (1001 * 60 * 4) / 3, `${pageSize} bytes hold a key table of 1,001 entries`);
    const cases = [
        { url: 'first.html', user: 'user0', pwd: 'password-0', text: 'First of the run' },
        { url: 'second.html', user: 'user999', pwd: 'password-999', text: 'Second of the run' },
        { url: 'first.html', user: '', pwd: 'Master-Key', text: 'First of the run' },
        { url: 'first.html', user: 'user1', pwd: 'password-2' },
        { url: 'first.html', user: 'user1000', pwd: 'password-1000' },
    ];
    await withTab(shared.browser, async (tab) => {
        for (const c of cases) {
            tab.dialogs.length = 0;
            await openStrong(tab, shared.site.url(`thousand/${c.url}`));
            await strongLogin(tab, c.pwd, c.user);
            const label = `${c.user} / ${c.pwd}`;
            assert.equal(await showsLoginForm(tab), !c.text, label);
            assert.deepEqual(tab.dialogs, c.text ? [] : ['Invalid Password'], label);
            if (c.text) {
                assert.equal(await contentText(tab), c.text, label);
            }
        }
    });
});

test('a 100 MB page locked at the full iteration count opens whole', { timeout: 280000 }, async () => {
    const line = 'The quick brown fox jumps over the lazy dog; this line stands in for a large page. ';
    const chunk = Array.from({ length: 1000 }, (_, i) => `${i} ${line}\n`).join('');
    const lines = Math.ceil((100 * 1024 * 1024) / chunk.length);
    const file = shared.site.write('big/huge.html', '');
    const out = fs.openSync(file, 'w');
    fs.writeSync(out, '<html><body><pre id="text">');
    for (let i = 0; i < lines; ++i) {
        fs.writeSync(out, chunk);
    }
    fs.writeSync(out, '</pre><p id="content">The end</p></body></html>');
    fs.closeSync(out);
    const size = fs.statSync(file).size;
    assert.ok(size > 100 * 1024 * 1024);
    lockFile(file, { password, format: 'strong' });

    const context = await shared.browser.newContext();
    try {
        const tab = await newTab(context);
        await tab.goto(shared.site.url('big/huge.html', `#pwd=${password}`), { timeout: 240000 });
        await tab.waitForSelector('#content', { state: 'attached', timeout: 240000 });
        assert.deepEqual(tab.dialogs, []);
        assert.equal(await tab.textContent('#content'), 'The end');
        const length = await tab.evaluate(() => document.getElementById('text').textContent.length);
        assert.equal(length, lines * chunk.length);
    } finally {
        await context.close();
    }
});

test('relocking: strong over classic and classic over strong, each layer opening with its own password', async () => {
    const cases = [
        { name: 'strong-over-classic.html', first: 'classic', second: 'strong' },
        { name: 'classic-over-strong.html', first: 'strong', second: 'classic' },
    ];
    for (const c of cases) {
        const file = shared.site.write(`relock/${c.name}`, page(`${c.first} then ${c.second}`));
        lockFile(file, { password: 'Inner-Pass', format: c.first });
        lockFile(file, { password: 'Outer-Pass', format: c.second, relock: 'yes' });
        await withTab(shared.browser, async (tab) => {
            await tab.goto(shared.site.url(`relock/${c.name}`));
            // The outer page, then the inner one it writes in its place, each asking for its own password by a
            // form of the same name: each form is marked once used, so the next login waits for the inner one.
            for (const pwd of ['Outer-Pass', 'Inner-Pass']) {
                await tab.waitForFunction(() => document.forms.qpfw && !document.forms.qpfw.dataset.used);
                await tab.evaluate(() => (document.forms.qpfw.dataset.used = 'yes'));
                await tab.fill('input[name="qvpwd"]', pwd);
                await tab.click('input[name="submit"]');
            }
            assert.equal(await contentText(tab), `${c.first} then ${c.second}`, c.name);
            assert.deepEqual(tab.dialogs, [], c.name);
        });
    }
});

test('one login opens every page of a folder tree locked by one command call', async () => {
    const names = ['tree/index.html', 'tree/a/page.html', 'tree/a/b/deep.html'];
    for (const name of names) {
        shared.site.write(name, page(name));
    }
    lockFile(path.join(shared.site.root, 'tree'), { password, format: 'strong', protection: 'cookie' });
    await withTab(shared.browser, async (tab) => {
        await openStrong(tab, shared.site.url(names[0]));
        await strongLogin(tab, password);
        for (const name of names) {
            await openStrong(tab, shared.site.url(name));
            assert.equal(await contentText(tab), name);
        }
        assert.deepEqual(tab.dialogs, []);
    });
});
