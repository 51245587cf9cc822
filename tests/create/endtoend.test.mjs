// The browser half of the wizard's end-to-end test: the pages that endtoendtest locked through the wizard
// (user/password, Session protection, Blue) open for each user in Chromium, and the login carries over to the
// other pages of the site for the rest of the browser session; so do the strong pages it locked with the same job.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import {
    sharedBrowserAndSite,
    showsLoginForm,
    strongLogin,
    strongSettled,
    submitLogin,
    withTab,
} from '../browser/support.mjs';

const jobDir = process.env.QUILLGATE_E2E_DIR;
let job;

const shared = sharedBrowserAndSite(async () => {
    assert.ok(jobDir, 'QUILLGATE_E2E_DIR is not set; run this test through ctest');
    job = JSON.parse(fs.readFileSync(path.join(jobDir, 'job.json'), 'utf8'));
    for (const name of job.pages) {
        shared.site.write(name, fs.readFileSync(path.join(jobDir, 'site', name)));
        shared.site.write(`strong/${name}`, fs.readFileSync(path.join(jobDir, 'strong', name)));
    }
});

const pageTitle = (name) => `Page ${name}`;

test('the locked pages show a blue login form for user and password', async () => {
    await withTab(shared.browser, async (tab) => {
        for (const name of job.pages) {
            await tab.goto(shared.site.url(name));
            assert.equal(await showsLoginForm(tab), true, name);
            assert.equal(await tab.locator('input[name="qvusr"]').count(), 1, name);
            const colours = await tab.evaluate(() => [document.body.bgColor, document.body.text]);
            assert.deepEqual(colours.map((c) => c.toUpperCase()), ['#0000FF', '#FFFF00'], name);
        }
    });
});

test('each user logs in once and then opens every page of the session without the form', async () => {
    for (const [user, password] of job.users) {
        await withTab(shared.browser, async (tab) => {
            const [first, ...others] = job.pages;
            await tab.goto(shared.site.url(first));
            assert.equal(await submitLogin(tab, password, user), true, user);
            assert.equal(await tab.textContent('#content'), pageTitle(first), user);
            for (const name of others) {
                await tab.goto(shared.site.url(name));
                await tab.waitForSelector('#content');
                assert.equal(await tab.textContent('#content'), pageTitle(name), `${user} on ${name}`);
            }
            assert.deepEqual(tab.dialogs, [], user);
        });
    }
});

test('a wrong password, another user\'s password or the master password is refused', async () => {
    const [[alice, alicePassword], [bruno]] = job.users;
    const cases = [
        [alice, 'Not-the-password'],
        [bruno, alicePassword],
        [alice, job.master],
    ];
    await withTab(shared.browser, async (tab) => {
        await tab.goto(shared.site.url(job.pages[0]));
        for (const [user, password] of cases) {
            tab.dialogs.length = 0;
            assert.equal(await submitLogin(tab, password, user), false, `${user} / ${password}`);
            assert.deepEqual(tab.dialogs, ['Invalid Password']);
            assert.equal(await showsLoginForm(tab), true);
        }
    });
});

test('a new shared.browser session asks again', async () => {
    const [user, password] = job.users[0];
    await withTab(shared.browser, async (tab) => {
        await tab.goto(shared.site.url(job.pages[0]));
        assert.equal(await submitLogin(tab, password, user), true);
    });
    await withTab(shared.browser, async (tab) => {
        await tab.goto(shared.site.url(job.pages[1]));
        assert.equal(await showsLoginForm(tab), true);
    });
});

test('the strong pages open for each user and the master once per session; a wrong login alerts', async () => {
    const [first, ...others] = job.pages;
    for (const [user, password] of [...job.users, ['', job.master]]) {
        await withTab(shared.browser, async (tab) => {
            await tab.goto(shared.site.url(`strong/${first}`));
            await strongSettled(tab);
            const colours = await tab.evaluate(() => [document.body.bgColor, document.body.text]);
            assert.deepEqual(colours.map((c) => c.toUpperCase()), ['#0000FF', '#FFFF00'], user);
            await strongLogin(tab, password, 'nobody');
            assert.deepEqual(tab.dialogs, ['Invalid Password'], user);
            await strongLogin(tab, password, user);
            assert.equal(await tab.textContent('#content'), pageTitle(first), user);
            for (const name of others) {
                await tab.goto(shared.site.url(`strong/${name}`));
                await strongSettled(tab);
                assert.equal(await tab.textContent('#content'), pageTitle(name), `${user} on ${name}`);
            }
            assert.deepEqual(tab.dialogs, ['Invalid Password'], user);
        });
    }
});
