// Unlocking a page of about 128 KB whose hidden part is encrypted (protect mode whole, 600,000
// iterations, no key kept between runs), in each browser engine, served by the browser tests' server and opened through
// their driver as a visitor does: the password typed into the unlock form, then Enter. Measured
// by the page itself, from the Enter key to the load event of the page opened with the key, on
// a secure origin (http://127.0.0.1, where the form derives the key with the browser's own
// WebCrypto), on a plain-HTTP made-up host (where it uses the bundled code in a Web Worker), and
// on such a host whose page refuses workers (the bundled code on the page's own thread, in
// steps). Beside it, what the same browser needs for the same derivation with WebCrypto alone,
// for loading the page once it is unlocked (the load of the reload, from its start to its load
// event), and the longest the page's own thread did not answer between the Enter key and the
// reload (a timer asked every 20 ms: what a visitor sees of the tab's responsiveness).
//
//   node bench/unlock_browsers.mjs [RUNS] [ENGINE...]     engines: chromium firefox webkit
//
// Needs a build (QUORLANE_CLI, default build/cli/quorlane-cli) and the browser tests' packages
// (npm ci in tests/browser). The engines run one after the other, each in an Xvfb of its own.
//
// QUORLANE_CLI_BEFORE, the quorlane-cli of an earlier version whose pages asked with the
// browser's prompt() and derived the key on the page's thread while it was parsed, adds that
// page on a made-up host, its runs taken in turn with those of the form's worker so that both
// see the same load. Both are then timed as the visitor meets them, from the navigation to the
// page shown with the password given at once: for the earlier page its load (the prompt answered
// by the page itself), for today's the load of the form plus Enter to the page shown.
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { engines as allEngines, launch } from '../tests/browser/driver.mjs';
import { startServer } from '../tests/browser/server.mjs';

const top = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const cli = process.env.QUORLANE_CLI || path.join(top, 'build', 'cli', 'quorlane-cli');
const cliBefore = process.env.QUORLANE_CLI_BEFORE;
const runs = Number(process.argv[2] || 5);
const engines = process.argv.slice(3).length ? process.argv.slice(3) : allEngines;
const password = 'correct horse battery staple';
const iterations = 600000;

function page() {
    const paragraphs = [];
    let size = 0;
    for (let i = 0; size < 1 << 17; i++) {
        const p = `<p id="p${i}">Paragraph ${i}: fresh bread every morning, caf\u00e9 au lait, ` +
            `\u62b9\u8336 and <a href="page${i}.html">link ${i}</a>.</p>\n`;
        paragraphs.push(p);
        size += Buffer.byteLength(p);
    }
    return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>Bench</title></head>` +
        `<body>${paragraphs.join('')}</body></html>`;
}

// The protected page with a timing script in front of the unlock script: the Enter key's time
// kept for the page that the form loads, and at its load event the times measured.
function instrumentedPage(refuseWorkers, earlier = false) {
    const options = ['transform', '--encrypt', '--password-env', 'QUORLANE_PASSWORD',
                     '--kdf-iterations', String(iterations), '--no-remember'];
    const html = execFileSync(earlier ? cliBefore : cli, options,
                              { input: page(), maxBuffer: 1 << 26,
                                env: { ...process.env, QUORLANE_PASSWORD: password } })
        .toString('utf8');
    const at = html.indexOf('<script');
    const timing = `<script>${refuseWorkers ? 'window.Worker=undefined;' : ''}` +
        (earlier ? `window.prompt=function(){return ${JSON.stringify(password)}};` : '') +
        'addEventListener("keydown",function(e){if(e.key!="Enter")return;' +
        'sessionStorage.setItem("bench_t0",String(Date.now()));var last=performance.now(),gap=0;' +
        'setInterval(function(){var now=performance.now();gap=Math.max(gap,now-last);last=now;' +
        'sessionStorage.setItem("bench_gap",String(Math.round(gap)))},20)},true);' +
        'addEventListener("load",function(){var t0=Number(sessionStorage.getItem("bench_t0"));' +
        'var n=performance.getEntriesByType("navigation")[0];' +
        'if(document.getElementById("qv-unlock"))sessionStorage.setItem("bench_form",String(n.loadEventStart-n.startTime));' +
        'window.bench={unlocked:!document.getElementById("qv-unlock")&&!!document.getElementById("p0"),' +
        'form:Number(sessionStorage.getItem("bench_form")),' +
        'total:t0?Date.now()-t0:null,load:n.loadEventStart-n.startTime,secure:window.isSecureContext,' +
        'stall:Number(sessionStorage.getItem("bench_gap"))}})' +
        '</script>\r\n';
    return html.slice(0, at) + timing + html.slice(at);
}

// WebCrypto's PBKDF2 alone in the page, or null where the page has none.
const webCryptoTime = (count) => new Promise((resolve) => {
    if (!window.crypto || !crypto.subtle) {
        resolve(null);
        return;
    }
    const t = performance.now();
    crypto.subtle.importKey('raw', new TextEncoder().encode('password'), 'PBKDF2', false, ['deriveBits'])
        .then((key) => crypto.subtle.deriveBits({ name: 'PBKDF2', hash: 'SHA-256', salt: new Uint8Array(16),
                                                  iterations: count }, key, 256))
        .then(() => resolve(performance.now() - t), () => resolve(null));
});

const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];

async function measure(browser, origin, run, row) {
    const tab = await browser.page();
    tab.answer = password;
    await tab.goto(`${origin}/${row.page}?run=${run}`);
    const bench = await tab.evaluate(() => window.bench);
    const derive = await tab.evaluate(webCryptoTime, iterations);
    await tab.close();
    if (!bench || !bench.unlocked || tab.unlockForms !== (row.earlier ? 0 : 1)) {
        throw new Error(`${origin}: the page did not open (${JSON.stringify(bench)})`);
    }
    // As the visitor meets it: the earlier page's own load, or the form's load and Enter to shown.
    return { ...bench, derive, visit: row.earlier ? bench.load : bench.form + bench.total };
}

function report(version, row, times) {
    const all = (key) => times.map((t) => Math.round(t[key]));
    const derive = times.every((t) => t.derive !== null) ? median(all('derive')) : null;
    const shown = row.earlier ? '' : `Enter to page shown ${median(all('total'))} ms (all: ${all('total').join(', ')}); `;
    console.log(`${version}, ${row.name} (secure context: ${times[0].secure}): ${shown}` +
                `navigation to page shown ${median(all('visit'))} ms (all: ${all('visit').join(', ')}); ` +
                `WebCrypto PBKDF2 ${derive === null ? 'not available' : `${derive} ms`}, ` +
                `page load ${median(all('load'))} ms, longest stall ${median(all('stall'))} ms (medians of ${runs})`);
}

const server = await startServer();
server.put('/page.html', instrumentedPage(false));
server.put('/no-workers.html', instrumentedPage(true));
if (cliBefore) {
    server.put('/earlier.html', instrumentedPage(false, true));
}
const port = server.proxy.split(':')[1];
// A host of its own for every run on a made-up one: no key kept from the run before. Rows of one
// group take their runs in turn.
const madeUp = (i) => `http://run${i}.bench.example`;
const groups = [
    [{ name: 'secure, http://127.0.0.1', origin: () => `http://127.0.0.1:${port}`, page: 'page.html' }],
    [{ name: 'plain http, made-up host, worker', origin: madeUp, page: 'page.html' },
     ...(cliBefore ? [{ name: 'plain http, made-up host, earlier page (prompt, derived while parsed)',
                        origin: (i) => `http://before${i}.bench.example`, page: 'earlier.html', earlier: true }] : [])],
    [{ name: 'plain http, made-up host, workers refused', origin: madeUp, page: 'no-workers.html' }],
];
try {
    for (const engine of engines) {
        const browser = await launch(engine, { proxy: server.proxy });
        const version = await browser.version();
        try {
            for (const rows of groups) {
                const times = rows.map(() => []);
                for (let i = 0; i < runs; i++) {
                    for (const [k, row] of rows.entries()) {
                        times[k].push(await measure(browser, row.origin(i), i, row));
                    }
                }
                rows.forEach((row, k) => report(version, row, times[k]));
            }
        } finally {
            await browser.close();
        }
    }
} finally {
    await server.close();
}
