// Unlocking a page of about 1 MB whose hidden part is encrypted (protect mode whole, the default
// iteration count), in each browser engine, served over plain http by the browser tests' server
// and opened through their driver: the time the page spends in qv_unlock (key derivation and
// check) and in qv_open (decryption of its blocks), measured by the page itself.
//
//   node bench/unlock_browsers.mjs [RUNS] [ENGINE...]     engines: chromium firefox webkit
//
// Needs a build (QUORLANE_CLI, default build/cli/quorlane-cli) and the browser tests' packages
// (npm ci in tests/browser). The engines run one after the other, each in an Xvfb of its own.
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { engines as allEngines, launch } from '../tests/browser/driver.mjs';
import { startServer } from '../tests/browser/server.mjs';

const top = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const cli = process.env.QUORLANE_CLI || path.join(top, 'build', 'cli', 'quorlane-cli');
const runs = Number(process.argv[2] || 3);
const engines = process.argv.slice(3).length ? process.argv.slice(3) : allEngines;
const password = 'correct horse battery staple';

function largePage() {
    const paragraphs = [];
    let size = 0;
    for (let i = 0; size < 1 << 20; i++) {
        const p = `<p id="p${i}">Paragraph ${i}: fresh bread every morning, caf\u00e9 au lait, ` +
            `\u62b9\u8336 and <a href="page${i}.html">link ${i}</a>.</p>\n`;
        paragraphs.push(p);
        size += Buffer.byteLength(p);
    }
    return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>Large</title></head>` +
        `<body>${paragraphs.join('')}</body></html>`;
}

// The protected page with the timing put around the two functions of the unlock script and the
// prompt answered at once (so no dialog time is counted).
function instrumentedPage() {
    const html = execFileSync(cli, ['transform', '--encrypt', '--password-env', 'QUORLANE_PASSWORD'],
                              { input: largePage(), maxBuffer: 1 << 26,
                                env: { ...process.env, QUORLANE_PASSWORD: password } })
        .toString('utf8');
    const afterBundle = html.indexOf('</script>\r\n') + '</script>\r\n'.length;
    const timing = `<script>var qv_t={unlock:0,open:0,chars:0};window.prompt=function(){return ` +
        `${JSON.stringify(password)}};(function(){var u=qv_unlock,o=qv_open;` +
        `qv_unlock=function(){var t=performance.now();var r=u.apply(this,arguments);` +
        `qv_t.unlock+=performance.now()-t;qv_t.ok=r;return r};qv_open=function(s){var ` +
        `t=performance.now();var r=o(s);qv_t.open+=performance.now()-t;qv_t.chars+=r.length;` +
        `return r}})();</script>\r\n`;
    return { page: html.slice(0, afterBundle) + timing + html.slice(afterBundle),
             size: Buffer.byteLength(html) };
}

const { page, size } = instrumentedPage();
console.log(`protected page: ${(size / 1048576).toFixed(2)} MB, unlock script and timing added`);
const server = await startServer();
server.put('/page.html', page);
try {
    for (const engine of engines) {
        const browser = await launch(engine, { proxy: server.proxy });
        const version = await browser.version();
        const times = [];
        try {
            for (let i = 0; i < runs; i++) {
                // A host of its own for every run: no key kept from the run before.
                const tab = await browser.page();
                await tab.goto(`http://run${i}.bench.example/page.html`);
                const t = await tab.evaluate(() => window.qv_t);
                await tab.close();
                if (!t || !t.ok || t.chars < 1 << 19) {
                    throw new Error(`${engine}: the page did not open (${JSON.stringify(t)})`);
                }
                times.push(t);
            }
        } finally {
            await browser.close();
        }
        const total = times.map((t) => t.unlock + t.open).sort((a, b) => a - b);
        const median = (key) => times.map((t) => t[key]).sort((a, b) => a - b)[runs >> 1];
        console.log(`${version}: unlock (derivation, check) ` +
                    `${median('unlock').toFixed(0)} ms, decryption ${median('open').toFixed(0)} ms, together ` +
                    `${total[runs >> 1].toFixed(0)} ms (median of ${runs}; all: ` +
                    `${total.map((t) => t.toFixed(0)).join(', ')})`);
    }
} finally {
    await server.close();
}
