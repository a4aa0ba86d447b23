// Protected pages as visitors get them: served over HTTP by a server of the tests' own and used
// in Chromium, Firefox ESR and WebKitGTK at once, one browser per engine. For each engine: the
// page scripts compile, every switch and lock does what the measured table says, and every page
// of the sample site reads in all four modes as the original does, its hidden part escaped or
// encrypted (opened with the password). The table of what each switch does in each engine is
// written to docs/browsers.md; the run fails when the file there differs from what was measured
// (QUORLANE_UPDATE_DOCS=1 writes it instead).
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { engines, launch } from './driver.mjs';
import { startServer } from './server.mjs';
import { checks, Visitor } from './checks.mjs';
import { cli, combinations, encrypted, firstDifference, modes, pageScriptOf, password, protect,
         protectedSiteCopy, readPage, sampleSite, samplePages, top } from './lib.mjs';

const bannerText = 'This webpage was protected by Quorlane';
const engineNames = { chromium: 'Chromium', firefox: 'Firefox ESR', webkit: 'WebKitGTK' };
// The longest a test may take; the slowest take about 15 s on a loaded machine.
const testTimeout = 120000;

// Pages the page format cannot render alike, with the reason and exactly how they differ.
function knownDifference(page, engine, mode) {
    if (page === 'pages/bare.html') {
        return { why: 'a page without head and body tags gets an empty head put after its html start ' +
                      'tag and a body around everything after that head, so its title element ends ' +
                      'up in the body', elements: true };
    }
    if (engine === 'firefox' && mode === 'body') {
        return { why: 'in quirks mode the first element of the body loses its top margin; Firefox ends ' +
                      'that quirk when a script is the first child of the body, and body mode puts ' +
                      'the writer block right after the body start tag, where the page format fixes ' +
                      'it: the body and all in it sit lower by that margin less the body\'s own',
                 quirksOnly: true, boxes: shiftedBody };
    }
    return {};
}

// Whether shown is original with the body and everything in it moved down by one distance (the
// document as much longer), give or take a pixel of rounding.
function shiftedBody(original, shown) {
    const parts = (box) => box.split(' ').map((v, i) => (i ? Number(v) : v));
    const body = original.findIndex((box) => box.startsWith('BODY '));
    const shift = parts(shown[body])[2] - parts(original[body])[2];
    const near = (a, b) => Math.abs(a - b) <= 1;
    return shift > 0 && shown.length === original.length && shown.every((box, i) => {
        const [tag, x, y, w, h] = parts(box);
        const [, x0, y0, w0, h0] = parts(original[i]);
        const moved = i >= body && w0 + h0 > 0 ? near(y - y0, shift) : y === y0;
        return x === x0 && w === w0 && moved && (tag === 'HTML' ? near(h - h0, shift) : h === h0);
    });
}

const measured = {};
const differing = {}; // reason -> where a known difference was seen
const versions = {};
let server;
const sites = {};

before(async () => {
    server = await startServer();
    server.mount('/site/original/', sampleSite);
    for (const mode of modes) {
        for (const [site, extra] of [[mode, []], [`${mode}-encrypted`, encrypted]]) {
            sites[site] = protectedSiteCopy(mode, extra);
            server.mount(`/site/${site}/`, sites[site]);
        }
    }
});

after(async () => {
    await server?.close();
    for (const folder of Object.values(sites)) {
        fs.rmSync(folder, { recursive: true, force: true });
    }
});

// Reads url in a page of its own, or in visit, a page kept open for more.
async function read(browser, url, visit) {
    const page = visit ?? await browser.page();
    await page.goto(url);
    const reading = { ...await page.evaluate(readPage, bannerText), errors: await page.errors() };
    await (visit ? null : page.close());
    return reading;
}

// How shown differs from original, in words; empty when they read alike.
function differences(original, shown, known = {}, where = '') {
    const found = [];
    if (shown.title !== original.title) {
        found.push(`${where}title "${shown.title}" for "${original.title}"`);
    }
    if (shown.text !== original.text) {
        found.push(`${where}text ${firstDifference(original.text, shown.text)}`);
    }
    if (!known.elements && JSON.stringify(shown.tags) !== JSON.stringify(original.tags)) {
        found.push(`${where}elements ${shown.tags.join(',')} for ${original.tags.join(',')}`);
    } else if (!known.elements && JSON.stringify(shown.boxes) !== JSON.stringify(original.boxes) &&
               !(known.boxes && known.boxes(original.boxes, shown.boxes))) {
        const i = shown.boxes.findIndex((box, n) => box !== original.boxes[n]);
        found.push(`${where}layout: ${shown.boxes[i]} for ${original.boxes[i]}`);
    }
    if (shown.children.length !== original.children.length) {
        found.push(`${where}${shown.children.length} frames for ${original.children.length}`);
    } else {
        original.children.forEach((child, i) =>
            found.push(...differences(child, shown.children[i], {}, `${where}frame ${i}: `)));
    }
    return found;
}

// QUORLANE_ENGINES=webkit,... tries some of them only.
const chosen = process.env.QUORLANE_ENGINES ? process.env.QUORLANE_ENGINES.split(',') : engines;

describe('three engines', { concurrency: true }, () => {
    for (const engine of chosen) {
        describe(engineNames[engine], { concurrency: 1 }, () => {
            let browser;
            let visitor;
            const originals = {};
            // Each encrypted site read in one visit, which asks once and keeps the key.
            const visits = {};

            before(async () => {
                browser = await launch(engine, { proxy: server.proxy });
                versions[engine] = await browser.version();
                visitor = new Visitor(browser, server);
                measured[engine] = {};
            });
            after(() => browser?.close());

            // A test that has not ended in time fails, and the engine is started afresh, so that
            // one command the browser never answers cannot hold up every test after it.
            const bounded = (body) => async () => {
                let timer;
                const late = new Promise((resolve, reject) => {
                    timer = setTimeout(() => reject(new Error(`timed out after ${testTimeout / 1000} s`)),
                                       testTimeout);
                });
                try {
                    return await Promise.race([body(), late]);
                } catch (error) {
                    if (/^timed out after/.test(error.message)) {
                        browser.kill();
                        browser = await launch(engine, { proxy: server.proxy });
                        visitor = Object.assign(new Visitor(browser, server), { count: visitor.count });
                        Object.keys(visits).forEach((site) => delete visits[site]);
                        error.message += `; ${engineNames[engine]} started again`;
                    }
                    throw error;
                } finally {
                    clearTimeout(timer);
                }
            };

            test('page scripts compile for every mix of switches and locks', bounded(async () => {
                const cases = combinations();
                assert.ok(cases.length >= 500);
                const page = await browser.page();
                await page.goto('http://www.harbour.example/other.html');
                const failures = await page.evaluate((all) => all.flatMap((script, i) => {
                    try {
                        new Function(script);
                        return [];
                    } catch (error) {
                        return [[i, error.message]];
                    }
                }), cases.map((args) => pageScriptOf(protect('<p>x</p>', args).toString())));
                await page.close();
                assert.deepEqual(failures.map(([i, message]) => `${cases[i].join(' ')} -> ${message}`), []);
            }));

            for (const [row, check] of checks) {
                test(row, bounded(async () => {
                    measured[engine][row] = await check(visitor);
                }));
            }

            for (const page of samplePages()) {
                for (const [mode, site] of modes.flatMap((m) => [[m, m], [m, `${m}-encrypted`]])) {
                    test(`${page} (${site}) reads as the original`, bounded(async () => {
                        originals[page] ??= await read(browser, `http://www.harbour.example/site/original/${page}`);
                        const original = originals[page];
                        let known = knownDifference(page, engine, mode);
                        if (known.quirksOnly && original.mode !== 'BackCompat') {
                            known = {};
                        }
                        if (site !== mode && !visits[site]) {
                            // The visit gives the password on a page without frames: of two
                            // frames that ask at once, the browser closed one prompt before it
                            // was answered (seen in Chromium), which leaves that frame empty.
                            // The page holds an e-mail link, so that it asks in every mode (a
                            // page with nothing sealed asks for no password).
                            visits[site] = Object.assign(await browser.page(), { answer: password });
                            await read(browser, `http://www.harbour.example/site/${site}/pages/contact.html`,
                                       visits[site]);
                        }
                        const shown = await read(browser, `http://www.harbour.example/site/${site}/${page}`,
                                                 visits[site]);
                        assert.deepEqual(differences(original, shown, known), []);
                        const seen = known.elements ? shown.tags.join() !== original.tags.join()
                            : known.boxes && shown.boxes.join() !== original.boxes.join();
                        if (seen && site === mode) {
                            (differing[known.why] ??= []).push(`${engineNames[engine]}, ${mode}: ${page}`);
                        }
                        if (known.boxes && page === 'pages/notes.html') {
                            const body = (boxes) => Number(boxes.find((b) => b.startsWith('BODY ')).split(' ')[2]);
                            assert.equal(body(shown.boxes) - body(original.boxes), 8, `${known.why}: no longer so`);
                        }
                        assert.deepEqual(shown.errors.filter((e) => !original.errors.includes(e)), [],
                                         'errors the original did not show');
                    }));
                }
            }
        });
    }
});

function table() {
    const lines = [
        '# Switches and locks in today\'s browsers', '',
        'What each switch and lock of `quorlane-cli --enable` (and of the wizard\'s Scripts and',
        'Encryption pages) does for a visitor, as the browser tests measured it: protected pages',
        'served over HTTP and HTTPS under made-up host names, used with real clicks, drags and keys',
        'in Debian\'s Chromium (puppeteer-core), Firefox ESR (puppeteer-core over WebDriver BiDi) and',
        'WebKitGTK, the engine of Safari (selenium-webdriver and WebKitWebDriver).', '',
        'This file is written by `tests/browser`; do not edit it. `QUORLANE_UPDATE_DOCS=1 bash',
        'tools/test.sh` writes it again from a new measurement.', '',
        `| | ${engines.map((e) => engineNames[e]).join(' | ')} |`,
        `|---|${engines.map(() => '---').join('|')}|`,
        ...checks.map(([row]) => `| \`${row}\` | ${engines.map((e) => measured[e][row]).join(' | ')} |`),
        '', '## Where a protected page of the sample site reads differently', '',
        'Apart from what is listed here, every page reads in every mode and engine as its original,',
        'its hidden part escaped or encrypted (opened with the password): the same text, elements',
        'and layout, and no new errors.',
        ...Object.entries(differing).sort().flatMap(([why, where]) =>
            ['', `- ${why[0].toUpperCase()}${why.slice(1)}. Seen in: ${where.sort().join('; ')}.`]),
    ];
    return lines.join('\n') + '\n';
}

// What all three engines measured; a run of some of them checks neither the table nor the texts.
const partial = chosen.length < engines.length && 'only some engines ran (QUORLANE_ENGINES)';

test('docs/browsers.md holds what was measured', { skip: partial }, () => {
    console.log(`engines: ${engines.map((e) => versions[e]).join(', ')}`);
    for (const engine of engines) {
        for (const [row] of checks) {
            assert.ok(measured[engine]?.[row], `${row} was not measured in ${engineNames[engine]}`);
        }
    }
    const file = path.join(top, 'docs', 'browsers.md');
    const now = table();
    if (process.env.QUORLANE_UPDATE_DOCS === '1') {
        fs.writeFileSync(file, now);
        return;
    }
    const written = fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : '';
    assert.equal(written, now, 'docs/browsers.md differs from what was measured: run with QUORLANE_UPDATE_DOCS=1');
});

// The help of both commands and the wizard's information texts say in a word or two what each
// switch does today, as measured.
test('quorlane-cli help and the wizard tell what each switch does today', { skip: partial }, () => {
    // The source's string literals joined, as the compiler joins them.
    const wizard = fs.readFileSync(path.join(top, 'run', 'SettingVocabulary.cpp'), 'utf8')
        .replace(/"\s*\n\s*"/g, '');
    const wizardWords = [...wizard.matchAll(/Today: (works|partly|no effect)/g)].map((m) => m[1]);
    const rows = checks.map(([name]) => name).filter((name) => !name.startsWith('-') && !name.includes(' '));
    const words = rows.map((row) => {
        const cells = engines.map((e) => measured[e]?.[row] || '');
        return cells.every((c) => c.startsWith('no effect')) ? 'no effect'
            : cells.every((c) => c.startsWith('works')) ? 'works' : 'partly';
    });
    assert.deepEqual(wizardWords, words, 'the Scripts page\'s information texts');
    for (const command of ['transform', 'protect']) {
        // The help is wrapped to the terminal: a switch and its word may stand on two lines.
        const help = execFileSync(cli, [command, '--help']).toString().replace(/\s+/g, ' ');
        rows.forEach((row, i) => assert.match(help, new RegExp(`${row} \\(${words[i]}[^)]*\\)`),
                                              `${command} --help on ${row}`));
    }
});
