// The eight sample pages beside the built program open in Chromium with the credentials that the wizard shows
// under its Preview button (taken from the texts endtoendtest read off the window), and each shows its colour.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { newTab, sharedBrowserAndSite, showsLoginForm, submitLogin } from '../browser/support.mjs';

const templates = process.env.QUILLGATE_TEMPLATES;
const jobDir = process.env.QUILLGATE_E2E_DIR;
const colours = {
    White: ['#FFFFFF', '#000000'],
    Black: ['#000000', '#FFFFFF'],
    Yellow: ['#FF8040', '#007FBF'],
    Blue: ['#0000FF', '#FFFF00'],
};
let single;
let userCredentials;

const shared = sharedBrowserAndSite(async () => {
    assert.ok(templates && jobDir, 'QUILLGATE_TEMPLATES or QUILLGATE_E2E_DIR is not set; run this test through ctest');
    const job = JSON.parse(fs.readFileSync(path.join(jobDir, 'job.json'), 'utf8'));
    // [password is "pvkmsto"] and [ User: "default"   Password: "Rb4vTqLm9Xe" ]
    single = /password is "([^"]+)"/.exec(job.singlePreview)?.[1];
    const users = /User: "([^"]+)"\s+Password: "([^"]+)"/.exec(job.userPreview);
    assert.ok(single, job.singlePreview);
    assert.ok(users, job.userPreview);
    userCredentials = { user: users[1], password: users[2] };
    for (const colour of Object.keys(colours)) {
        for (const page of ['index.html', 'index1.html']) {
            shared.site.write(`${colour}/${page}`, fs.readFileSync(path.join(templates, colour, page)));
        }
    }
});

for (const [colour, expected] of Object.entries(colours)) {
    for (const [page, mode] of [['index.html', 'single'], ['index1.html', 'user']]) {
        test(`${colour}/${page} opens with the ${mode} preview credentials`, async () => {
            const context = await shared.browser.newContext();
            try {
                const tab = await newTab(context);
                await tab.goto(shared.site.url(`${colour}/${page}`));
                assert.equal(await showsLoginForm(tab), true);
                const shown = await tab.evaluate(() => [document.body.bgColor, document.body.text]);
                assert.deepEqual(shown.map((c) => c.toUpperCase()), expected);
                const opened = mode === 'single'
                    ? await submitLogin(tab, single)
                    : await submitLogin(tab, userCredentials.password, userCredentials.user);
                assert.equal(opened, true);
                assert.match(await tab.textContent('h1'), /Quillgate sample page/);
                assert.deepEqual(tab.dialogs, []);
            } finally {
                await context.close();
            }
        });
    }
}
