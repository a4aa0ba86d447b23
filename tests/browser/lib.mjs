// Shared by the browser tests: quorlane-cli, the sample site, the reading of protected pages, and
// the reading of a page that the tests compare (run inside the page, the same in every engine).
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const top = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const sampleSite = path.join(top, 'examples', 'site');
export const cli = process.env.QUORLANE_CLI || path.join(top, 'build-test', 'cli', 'quorlane-cli');
export const modes = ['email', 'links', 'body', 'whole'];
export const switches = ['no-right-click', 'no-text-select', 'no-offline', 'hide-status-urls',
                         'no-printing', 'no-clipboard', 'no-drag-drop', 'no-web-capture',
                         'block-opera', 'break-frames', 'no-image-toolbar', 'block-netscape',
                         'expire-page'];

export const tempFolder = (name) => fs.mkdtempSync(path.join(os.tmpdir(), `quorlane-browser-${name}-`));

// An encrypted password lock: these options, and the password in the environment.
export const password = 'P\u00e4ssw\u00f6rd 7';
export const encrypted = ['--encrypt', '--password-env', 'QUORLANE_PASSWORD', '--kdf-iterations', '100000'];
const withPassword = (secret) => ({ env: { ...process.env, QUORLANE_PASSWORD: secret } });

// The bytes quorlane-cli transform makes of html with args.
export const protect = (html, args, secret = password) =>
    execFileSync(cli, ['transform', ...args], { input: html, ...withPassword(secret) });

// The bytes quorlane-cli transform makes of html with args and --share-link, and the run's key
// that it tells for a share link.
export function protectSharing(html, args) {
    const made = spawnSync(cli, ['transform', ...args, '--share-link'], { input: html, ...withPassword(password) });
    const told = /#qv-key=([\w-]+) /.exec(made.stderr.toString());
    if (made.status !== 0 || !told) {
        throw new Error(`quorlane-cli transform --share-link: ${made.stderr}`);
    }
    return { bytes: made.stdout, key: told[1] };
}

const protectInPlace = (folder, args) =>
    execFileSync(cli, ['protect', '--quiet', '--save', 'overwrite', '--no-backups', ...args, folder],
                 withPassword(password));

// The sample site copied to a fresh folder and protected there in place, in the given mode.
export function protectedSiteCopy(mode, extra = []) {
    const folder = tempFolder(mode);
    fs.cpSync(sampleSite, folder, { recursive: true });
    protectInPlace(folder, ['--mode', mode, ...extra]);
    return folder;
}

// Pages (name: html) protected by one run with args; gives name: bytes.
export function protectRun(pages, args) {
    const folder = tempFolder('run');
    try {
        Object.entries(pages).forEach(([name, html]) => fs.writeFileSync(path.join(folder, name), html));
        protectInPlace(folder, args);
        return Object.fromEntries(Object.keys(pages).map((name) => [name, fs.readFileSync(path.join(folder, name))]));
    } finally {
        fs.rmSync(folder, { recursive: true, force: true });
    }
}

// Every page of the sample site, as paths relative to the site.
export const samplePages = () => fs.readdirSync(sampleSite, { recursive: true })
    .filter((name) => /\.html?$/i.test(name)).map((name) => name.split(path.sep).join('/')).sort();

// The page script a protected page evaluates: the text inside eval(unescape("...")).
export function pageScriptOf(html) {
    const match = /eval\(unescape\("([^"]*)"\)\)/.exec(html);
    return match ? unescape(match[1]) : null;
}

// What the writer blocks of a page hold, in order: escaped (the markup they write) or sealed
// (the sealed text), with where each stands in the page.
export const escapedBlocks = (html) => [...String(html).matchAll(/qv_d00\(unescape\("([^"]*)"\)\)/g)]
    .map((m) => ({ at: m.index, text: unescape(m[1]) }));
export const sealedBlocks = (html) => [...String(html).matchAll(/qv_d00\(qv_open\("([^"]*)"\)\)/g)]
    .map((m) => ({ at: m.index + 'qv_d00(qv_open("'.length, text: m[1] }));

// A small deterministic generator, so that a failure can be found again.
export function random(seed) {
    let state = seed;
    return () => {
        state = (state * 1103515245 + 12345) % 2147483648;
        return state / 2147483648;
    };
}

// Runs in the page: what a reader sees and what the document holds, for the document and the
// frames within it. The protection banners are taken out first; then the visible text with
// white space made single, the elements in document order (without scripts, no-script notices
// and the charset line put at the top) and where each of them stands on the screen.
export function readPage(banner) {
    const read = (doc) => {
        for (const table of [...doc.querySelectorAll('table')]) {
            if (table.querySelector('tr[bgcolor="#445577"]') && table.innerText.trim() === banner) {
                table.remove();
            }
        }
        const tags = [];
        const boxes = [];
        for (const element of doc.querySelectorAll('*')) {
            const name = element.tagName;
            if (name === 'SCRIPT' || name === 'NOSCRIPT' || element.closest('noscript') ||
                (name === 'META' && element.hasAttribute('charset'))) {
                continue;
            }
            tags.push(name);
            const box = element.getBoundingClientRect();
            boxes.push(`${name} ${[box.left, box.top, box.width, box.height].map(Math.round).join(' ')}`);
        }
        const text = (doc.body ? doc.body.innerText : '').replace(/\s+/g, ' ').trim();
        const children = [];
        for (const frame of doc.querySelectorAll('frame, iframe')) {
            try {
                if (frame.contentDocument && frame.contentDocument.location.protocol.startsWith('http')) {
                    children.push(read(frame.contentDocument));
                }
            } catch {
                // a frame of another site is not read
            }
        }
        return { title: doc.title, mode: doc.compatMode, text, tags, boxes, children };
    };
    return read(document);
}

// The first place where two texts differ, with a little of each around it.
export function firstDifference(a, b) {
    let i = 0;
    while (i < a.length && i < b.length && a[i] === b[i]) {
        i++;
    }
    return `at ${i}: original "…${a.slice(Math.max(0, i - 30), i + 50)}…" protected "…${b.slice(Math.max(0, i - 30), i + 50)}…"`;
}

// 500 and more mixes of switches, warning and locks, the same in every run: none, all, each
// alone, each pair, and random sets; each once plain, and every fourth one with a mix of
// warning and locks too.
export function combinations() {
    const extras = [['--warning', 'Do not copy'], ['--domain-lock', 'www.harbour.example, .bakery.example'],
                    ['--url-lock', 'http://www.harbour.example/index.html'], ['--password', 'p\u00e4ssword 1']];
    const all = switches.map((name, i) => i);
    const sets = [[], all, ...all.map((i) => [i]), ...all.flatMap((i) => all.filter((j) => j > i).map((j) => [i, j]))];
    const next = random(2026);
    while (sets.length < 400) {
        sets.push(all.filter(() => next() < 0.4));
    }
    const mixes = [];
    sets.forEach((set, n) => {
        const args = set.length ? ['--enable', set.map((i) => switches[i]).join(',')] : [];
        mixes.push(args);
        if (n % 4 === 0 || n < 2) {
            mixes.push([...args, ...extras.filter((extra, k) => ((n >> k) & 1) || n < 2).flat()]);
        }
    });
    extras.forEach((extra) => mixes.push(['--enable', 'no-right-click', ...extra]));
    return mixes;
}
