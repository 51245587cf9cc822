// The sample pages beside the built program, classic and strong, open in Chromium with the credentials that the
// wizard shows under its Preview button (taken from the texts endtoendtest read off the window), and each shows its
// colour.

import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import {
    newTab,
    sharedBrowserAndSite,
    showsLoginForm,
    strongLogin,
    strongSettled,
    submitLogin,
} from '../browser/support.mjs';

const templates = process.env.QUILLGATE_TEMPLATES;
const jobDir = process.env.QUILLGATE_E2E_DIR;
const colours = {
    White: ['#FFFFFF', '#000000'],
    Black: ['#000000', '#FFFFFF'],
    Yellow: ['#FF8040', '#007FBF'],
    Blue: ['#0000FF', '#FFFF00'],
};
// The folder below Templates of each encryption choice.
const formats = { classic: '', strong: 'Strong/' };
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
    for (const folder of Object.values(formats)) {
        for (const colour of Object.keys(colours)) {
            for (const page of ['index.html', 'index1.html']) {
                const name = `${folder}${colour}/${page}`;
                shared.site.write(name, fs.readFileSync(path.join(templates, name)));
            }
        }
    }
});

// Logs in through the form of a classic or a strong page; true when the page opened.
async function logIn(tab, format, password, user) {
    if (format === 'classic') {
        return submitLogin(tab, password, user);
    }
    await strongLogin(tab, password, user);
    return !(await showsLoginForm(tab));
}

for (const [format, folder] of Object.entries(formats)) {
    for (const [colour, expected] of Object.entries(colours)) {
        for (const [page, mode] of [['index.html', 'single'], ['index1.html', 'user']]) {
            test(`${format} ${colour}/${page} opens with the ${mode} preview credentials`, async () => {
                const context = await shared.browser.newContext();
                try {
                    const tab = await newTab(context);
                    await tab.goto(shared.site.url(`${folder}${colour}/${page}`));
                    if (format === 'strong') {
                        await strongSettled(tab);
                    }
                    assert.equal(await showsLoginForm(tab), true);
                    const shown = await tab.evaluate(() => [document.body.bgColor, document.body.text]);
                    assert.deepEqual(shown.map((c) => c.toUpperCase()), expected);
                    const opened = mode === 'single'
                        ? await logIn(tab, format, single)
                        : await logIn(tab, format, userCredentials.password, userCredentials.user);
                    assert.equal(opened, true);
                    assert.match(await tab.textContent('h1'), /Quillgate sample page/);
                    assert.deepEqual(tab.dialogs, []);
                } finally {
                    await context.close();
                }
            });
        }
    }
}
