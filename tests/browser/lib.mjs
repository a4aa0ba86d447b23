// Shared by the browser tests: Debian's Chromium through playwright-core, quorlane-cli, and the
// readings of a page that the tests compare.
import { chromium } from 'playwright-core';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const top = path.resolve(here, '../..');
export const sampleSite = path.join(top, 'examples', 'site');
export const cli = process.env.QUORLANE_CLI || path.join(top, 'build-test', 'cli', 'quorlane-cli');
export const modes = ['email', 'links', 'body', 'whole'];
export const bannerText = 'This webpage was protected by Quorlane';

export async function launch() {
    return chromium.launch({
        executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
        headless: true,
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync',
               '--allow-file-access-from-files'],
    });
}

// A context in which only file:// requests reach anything.
export async function fileOnlyContext(browser, options = {}) {
    const context = await browser.newContext(options);
    await context.route(/^(?!file:)/, (route) => route.abort());
    return context;
}

export function tempFolder(name) {
    return fs.mkdtempSync(path.join(os.tmpdir(), `quorlane-browser-${name}-`));
}

// The sample site copied to a fresh folder and protected there in place, in the given mode.
export function protectedSiteCopy(mode, extra = []) {
    const folder = tempFolder(mode);
    fs.cpSync(sampleSite, folder, { recursive: true });
    const result = spawnSync(cli, ['protect', '--quiet', '--save', 'overwrite', '--no-backups',
                                   '--mode', mode, ...extra, folder]);
    if (result.status !== 0) {
        throw new Error(`quorlane-cli protect failed: ${result.stderr}`);
    }
    return folder;
}

// One page protected by quorlane-cli transform, written to a file of its own.
export function protectPage(html, args, folder, name = 'page.html') {
    const file = path.join(folder, name);
    const out = execFileSync(cli, ['transform', ...args], { input: html });
    fs.writeFileSync(file, out);
    return file;
}

export function fileUrl(file) {
    return pathToFileURL(file).href;
}

// Every page of the sample site, as paths relative to the site.
export function samplePages() {
    const pages = [];
    const walk = (folder) => {
        for (const entry of fs.readdirSync(path.join(sampleSite, folder), { withFileTypes: true })) {
            const relative = path.join(folder, entry.name);
            if (entry.isDirectory()) {
                walk(relative);
            } else if (/\.html?$/i.test(entry.name)) {
                pages.push(relative);
            }
        }
    };
    walk('');
    return pages.sort();
}

// What a reader sees and what the document holds, for the frame and the frames within it:
// the visible text with white space made single and the banners left out, and the tag names
// of the elements in document order, without scripts, no-script notices, the banner tables
// and the charset line put at the top.
export async function readFrame(frame) {
    const own = await frame.evaluate((banner) => {
        const isBanner = (element) => element.closest && element.closest('table') &&
            element.closest('table').querySelector('tr[bgcolor="#445577"]') &&
            element.closest('table').innerText.trim() === banner;
        const tags = [];
        for (const element of document.querySelectorAll('*')) {
            const name = element.tagName;
            if (name === 'SCRIPT' || name === 'NOSCRIPT' || element.closest('noscript') ||
                isBanner(element) || (name === 'META' && element.hasAttribute('charset'))) {
                continue;
            }
            tags.push(name);
        }
        const body = document.body ? document.body.innerText : '';
        const text = body.split(banner).join(' ').replace(/\s+/g, ' ').trim();
        return { text, tags, title: document.title };
    }, bannerText);
    const children = [];
    for (const child of frame.childFrames()) {
        if (child.url().startsWith('file:')) {
            children.push(await readFrame(child));
        }
    }
    return { ...own, children };
}

// Loads a page and reads it; errors the page reported are collected too.
export async function loadAndRead(context, file) {
    const page = await context.newPage();
    const errors = [];
    page.on('console', (message) => {
        if (message.type() === 'error') {
            errors.push(message.text());
        }
    });
    page.on('pageerror', (error) => errors.push(String(error)));
    await page.goto(fileUrl(file), { waitUntil: 'load' });
    const reading = await readFrame(page.mainFrame());
    await page.close();
    return { ...reading, errors };
}

// The first place where two texts differ, with a little of each around it.
export function firstDifference(a, b) {
    let i = 0;
    while (i < a.length && i < b.length && a[i] === b[i]) {
        i++;
    }
    return `at ${i}: original "…${a.slice(Math.max(0, i - 30), i + 50)}…" protected "…${b.slice(Math.max(0, i - 30), i + 50)}…"`;
}

// The page script a protected page evaluates: the text inside eval(unescape("...")).
export function pageScriptOf(html) {
    const match = /eval\(unescape\("([^"]*)"\)\)/.exec(html);
    return match ? unescape(match[1]) : null;
}
