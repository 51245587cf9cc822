// Shared pieces of the browser tests: locking pages with the real quillgate-lock command, serving them over
// http://127.0.0.1 (cookies need a host), and driving Debian's Chromium through playwright-core.

import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { after, before } from 'node:test';
import { chromium } from 'playwright-core';

const chromiumPath = process.env.QUILLGATE_CHROMIUM || '/usr/bin/chromium';
const chromiumArgs = [
    '--no-sandbox',
    '--disable-gpu',
    '--disable-quic',
    '--no-first-run',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
];

function requiredEnv(name) {
    const value = process.env[name];
    if (!value) {
        throw new Error(`${name} is not set; run the browser tests through ctest`);
    }
    return value;
}

// A fresh folder below the system's temporary folder; removed by the returned site's close().
export function makeTempDir(prefix) {
    return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

// Runs quillgate-lock on one file, or on the pages of a folder and its subfolders. options: password (the password
// file's first line), protection, users (an array of [name, password]), color, relock (default no), format, and
// iterations (strong pages' key derivation rounds, through the command's test-only variable; default the real
// count). Throws with the command's own message when it does not lock every page.
export function lockFile(file, options) {
    const work = makeTempDir('qg-lockargs-');
    try {
        const passwordFile = path.join(work, 'password');
        fs.writeFileSync(passwordFile, options.password + '\n', 'utf8');
        const args = ['--password-file', passwordFile, '--relock', options.relock || 'no', '--quiet'];
        if (options.protection) {
            args.push('--protection', options.protection);
        }
        if (options.color) {
            args.push('--color', options.color);
        }
        if (options.format) {
            args.push('--format', options.format);
        }
        const env = { ...process.env };
        if (options.iterations) {
            env.QUILLGATE_TEST_ONLY_STRONG_ITERATIONS = String(options.iterations);
        }
        if (options.users) {
            const usersFile = path.join(work, 'users');
            fs.writeFileSync(usersFile, options.users.map(([name, pwd]) => `${name}\t${pwd}\r\n`).join(''), 'utf8');
            args.push('--users', usersFile);
        }
        if (fs.statSync(file).isDirectory()) {
            args.push('--recursive');
        }
        args.push(file);
        execFileSync(requiredEnv('QUILLGATE_LOCK'), args, { stdio: ['ignore', 'pipe', 'pipe'], env });
    } catch (error) {
        const stderr = error.stderr ? error.stderr.toString() : '';
        throw new Error(`quillgate-lock failed on ${file}: ${stderr || error.message}`);
    } finally {
        fs.rmSync(work, { recursive: true, force: true });
    }
}

// Types of what pages load, without a charset: a style sheet or script is then read in its page's encoding.
const contentTypes = {
    '.css': 'text/css',
    '.js': 'text/javascript',
    '.svg': 'image/svg+xml',
    '.png': 'image/png',
    '.ttf': 'font/ttf',
};

// A folder of pages served at http://127.0.0.1:PORT/. Pages are written (and locked) below it by relative name.
export async function openSite() {
    const root = makeTempDir('qg-site-');
    // The charset named in the Content-Type of a file, by its path below the site (see sendCharset).
    const charsets = new Map();
    const server = http.createServer((request, response) => {
        const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
        const file = path.join(root, path.normalize(name));
        if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            response.writeHead(404).end();
            return;
        }
        // No charset unless the test set one: the page's own meta element declares it, as a plain web server
        // would leave it.
        const type = contentTypes[path.extname(file).toLowerCase()] || 'text/html';
        const charset = charsets.get(path.relative(root, file));
        response.writeHead(200, {
            'Content-Type': charset ? `${type}; charset=${charset}` : type,
            'Cache-Control': 'no-store',
        });
        fs.createReadStream(file).pipe(response);
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const base = `http://127.0.0.1:${server.address().port}/`;
    return {
        root,
        base,
        url: (name, query = '') => base + name + query,
        // Writes content (a Buffer, or a string written as UTF-8) as name and returns its path.
        write(name, content) {
            const file = path.join(root, name);
            fs.mkdirSync(path.dirname(file), { recursive: true });
            fs.writeFileSync(file, content);
            return file;
        },
        // Copies the folder from (a fixture) as the folder name; returns its path.
        copy(from, name) {
            const folder = path.join(root, name);
            fs.cpSync(from, folder, { recursive: true });
            return folder;
        },
        // Serves name with charset in its Content-Type header, as a server set up for one encoding sends every
        // page; the header beats the page's own declaration.
        sendCharset(name, charset) {
            charsets.set(path.normalize(name), charset);
        },
        // Writes content as name and locks it; returns the page's URL without a query.
        lock(name, content, options) {
            lockFile(this.write(name, content), options);
            return base + name;
        },
        async close() {
            await new Promise((resolve) => server.close(resolve));
            fs.rmSync(root, { recursive: true, force: true });
        },
    };
}

// One browser and one served folder for all tests of a file: opened before the file's first test, then setUp
// (the file's own preparation) runs with them; both are closed after the file's last test.
export function sharedBrowserAndSite(setUp = async () => {}, launch = launchBrowser) {
    const shared = {};
    before(async () => {
        shared.browser = await launch();
        shared.site = await openSite();
        await setUp(shared);
    });
    after(async () => {
        await shared.browser?.close();
        await shared.site?.close();
    });
    return shared;
}

export function launchBrowser() {
    return chromium.launch({ executablePath: chromiumPath, headless: true, args: chromiumArgs });
}

// A browser with its own profile folder that outlives the browser, for what must survive a restart.
export function launchProfile(userDataDir, options = {}) {
    return chromium.launchPersistentContext(userDataDir, {
        executablePath: chromiumPath,
        headless: true,
        args: chromiumArgs,
        ...options,
    });
}

// Opens a tab that records every dialog's text (and accepts it, so the page goes on).
export async function newTab(context) {
    const page = await context.newPage();
    page.dialogs = [];
    page.on('dialog', (dialog) => {
        page.dialogs.push(dialog.message());
        dialog.accept();
    });
    return page;
}

// Runs body with a tab of a browser context of its own, so no test sees another's state; the context is closed
// afterwards, however body ends.
export async function withTab(browser, body, contextOptions = {}) {
    const context = await browser.newContext(contextOptions);
    try {
        return await body(await newTab(context));
    } finally {
        await context.close();
    }
}

// Types into the login form and presses Login; resolves with the unlock function's result once it has run.
export async function submitLogin(page, password, user) {
    await page.evaluate(() => {
        const unlock = window.HHHHH;
        window.qgResult = undefined;
        window.HHHHH = function () {
            window.qgResult = unlock.apply(this, arguments);
            return window.qgResult;
        };
    });
    if (user !== undefined) {
        await page.fill('input[name="qvusr"]', user);
    }
    await page.fill('input[name="qvpwd"]', password);
    await page.click('input[name="submit"]');
    await page.waitForFunction(() => window.qgResult !== undefined);
    return page.evaluate(() => window.qgResult);
}

// True while the page still shows the login form.
export function showsLoginForm(page) {
    return page.evaluate(() => !!document.forms.qpfw && !!document.forms.qpfw.qvpwd);
}

// A strong page: resolves once its load handler (and any login it started) has finished.
export function strongSettled(page) {
    return page.waitForFunction(() => window.qgPending === null);
}

// Opens a strong page at url afresh (never as a mere fragment change of the page shown) and waits for its start
// to end.
export async function openStrong(page, url) {
    await page.goto('about:blank');
    await page.goto(url);
    await strongSettled(page);
}

// Types the login into a strong page and presses Login; resolves once the login has run.
export async function strongLogin(page, password, user) {
    if (user !== undefined) {
        await page.fill('input[name="qvusr"]', user);
    }
    await page.fill('input[name="qvpwd"]', password);
    await page.click('input[name="submit"]');
    await strongSettled(page);
}

// The text of the page's #content element, once there is one.
export function contentText(page) {
    return page.locator('#content').textContent({ timeout: 10000 });
}

// Debian's Firefox ESR (or the one QUILLGATE_FIREFOX names), null when it is not installed.
const firefoxCandidates = process.env.QUILLGATE_FIREFOX
    ? [process.env.QUILLGATE_FIREFOX]
    : ['/usr/bin/firefox-esr', '/usr/bin/firefox'];
export const firefoxPath = firefoxCandidates.find((file) => fs.existsSync(file)) ?? null;

// How long a navigation in Firefox may take before it counts as never finishing.
const firefoxLoadMs = 15000;

// Firefox driven through Marionette, its built-in remote protocol (playwright-core drives only a Firefox of its
// own build): each message is its length in decimal, ":" and a JSON text; commands are [0, id, name, params],
// answers [1, id, error, result]. Dialogs stay open until dialog() takes them.
class Firefox {
    constructor(process, profile, socket) {
        this.process = process;
        this.profile = profile;
        this.socket = socket;
        this.waiting = new Map();
        this.lastId = 0;
        let input = Buffer.alloc(0);
        socket.on('data', (chunk) => {
            input = Buffer.concat([input, chunk]);
            for (;;) {
                const colon = input.indexOf(':');
                const length = colon < 0 ? NaN : Number(input.subarray(0, colon).toString());
                if (!(input.length >= colon + 1 + length)) {
                    return;
                }
                const message = JSON.parse(input.subarray(colon + 1, colon + 1 + length).toString());
                input = input.subarray(colon + 1 + length);
                this.receive(message);
            }
        });
    }

    receive(message) {
        if (!Array.isArray(message)) {
            this.greeted?.();
            return;
        }
        const [, id, error, result] = message;
        const waiting = this.waiting.get(id);
        this.waiting.delete(id);
        if (error) {
            waiting?.reject(Object.assign(new Error(`${error.error}: ${error.message}`), { code: error.error }));
        } else {
            waiting?.resolve(result);
        }
    }

    command(name, params = {}) {
        return new Promise((resolve, reject) => {
            const id = ++this.lastId;
            this.waiting.set(id, { resolve, reject });
            const text = Buffer.from(JSON.stringify([0, id, name, params]));
            this.socket.write(`${text.length}:`);
            this.socket.write(text);
        });
    }

    // Loads url and waits, as automation does, until the browser reports the page as loaded.
    async goto(url) {
        let timer;
        const late = new Promise((resolve, reject) => {
            const failure = new Error(`${url} was not reported loaded within ${firefoxLoadMs} ms`);
            timer = setTimeout(() => reject(failure), firefoxLoadMs);
        });
        try {
            await Promise.race([this.command('WebDriver:Navigate', { url }), late]);
        } finally {
            clearTimeout(timer);
        }
    }

    // Runs the body of a function in the page and returns its result.
    async evaluate(body) {
        return (await this.command('WebDriver:ExecuteScript', { script: body, args: [] })).value;
    }

    // The text of the open dialog, which is then accepted; null when none is open.
    async dialog() {
        try {
            const { value } = await this.command('WebDriver:GetAlertText');
            await this.command('WebDriver:AcceptAlert');
            return value;
        } catch (error) {
            if (error.code === 'no such alert') {
                return null;
            }
            throw error;
        }
    }

    async close() {
        this.socket.destroy();
        const exited = new Promise((resolve) => this.process.once('exit', resolve));
        this.process.kill();
        await exited;
        fs.rmSync(this.profile, { recursive: true, force: true });
    }
}

// Starts headless Firefox with a fresh profile in which Marionette takes a free port and names it in the file
// MarionetteActivePort, and opens a session in which dialogs wait for the test.
export async function launchFirefox() {
    const profile = makeTempDir('qg-firefox-');
    fs.writeFileSync(path.join(profile, 'user.js'), 'user_pref("marionette.port", 0);\n');
    const child = spawn(firefoxPath, ['--headless', '--marionette', '--no-remote', '--profile', profile], {
        stdio: 'ignore',
    });
    const portFile = path.join(profile, 'MarionetteActivePort');
    const port = () => (fs.existsSync(portFile) ? Number(fs.readFileSync(portFile, 'utf8')) : 0);
    for (let waited = 0; !(port() > 0); waited += 100) {
        if (waited > 60000 || child.exitCode !== null) {
            child.kill();
            throw new Error(`${firefoxPath} did not open its remote protocol`);
        }
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
    const socket = net.connect(port(), '127.0.0.1');
    const firefox = new Firefox(child, profile, socket);
    await new Promise((resolve, reject) => {
        firefox.greeted = resolve;
        socket.once('error', reject);
    });
    await firefox.command('WebDriver:NewSession', {
        capabilities: { alwaysMatch: { unhandledPromptBehavior: 'ignore' } },
    });
    return firefox;
}
