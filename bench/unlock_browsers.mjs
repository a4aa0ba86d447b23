// Unlocking a page of about 1 MB whose hidden part is encrypted (protect mode whole, the default
// iteration count), in each browser engine, served over plain http from 127.0.0.1: the time the
// page spends in qv_unlock (key derivation and check) and in qv_open (decryption of its blocks),
// measured by the page itself and sent back to the server.
//
//   node bench/unlock_browsers.mjs [RUNS] [ENGINE...]     engines: chromium firefox webkit
//
// Needs a build (QUORLANE_CLI, default build/cli/quorlane-cli), the browser tests' packages
// (npm ci in tests/browser), Debian's chromium, firefox-esr, and for WebKitGTK its MiniBrowser
// under xvfb-run.
import { spawn, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const top = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const cli = process.env.QUORLANE_CLI || path.join(top, 'build', 'cli', 'quorlane-cli');
const runs = Number(process.argv[2] || 3);
const engines = process.argv.slice(3).length ? process.argv.slice(3) : ['chromium', 'firefox', 'webkit'];
const password = 'correct horse battery staple';
const miniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

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

// The protected page with the timing put around the two functions of the unlock script, the
// prompt answered at once, and the result posted when the page is parsed.
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
    const report = `<script>var x=new XMLHttpRequest();x.open('POST','/result',false);` +
        `x.send(JSON.stringify(qv_t));</script>`;
    return { page: html.slice(0, afterBundle) + timing + html.slice(afterBundle) + report,
             size: Buffer.byteLength(html) };
}

function serve(page) {
    let waiting = null;
    const server = http.createServer((request, response) => {
        if (request.method === 'POST') {
            let body = '';
            request.on('data', (chunk) => { body += chunk; });
            request.on('end', () => {
                response.end();
                waiting?.(JSON.parse(body));
            });
            return;
        }
        response.writeHead(request.url === '/page.html' ? 200 : 404,
                           { 'content-type': 'text/html', 'cache-control': 'no-store' });
        response.end(request.url === '/page.html' ? page : '');
    });
    return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
        url: `http://127.0.0.1:${server.address().port}/page.html`,
        result: () => new Promise((done, fail) => {
            const timer = setTimeout(() => fail(new Error('no result within 120 s')), 120000);
            waiting = (value) => { clearTimeout(timer); done(value); };
        }),
        close: () => server.close(),
    })));
}

// A browser started for one run, in a process group of its own that is ended after it.
async function inProcess(command, args, server) {
    const result = server.result();
    const child = spawn(command, args, { detached: true, stdio: 'ignore' });
    try {
        return await result;
    } finally {
        process.kill(-child.pid, 'SIGTERM');
    }
}

const openers = {
    async chromium(server) {
        const { launch } = await import('../tests/browser/lib.mjs');
        const browser = await launch();
        try {
            const result = server.result();
            const page = await (await browser.newContext()).newPage();
            await page.goto(server.url, { waitUntil: 'load', timeout: 120000 });
            return await result;
        } finally {
            await browser.close();
        }
    },
    async firefox(server) {
        const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlane-bench-firefox-'));
        try {
            return await inProcess('firefox-esr', ['--headless', '--no-remote', '--profile', profile,
                                                   server.url], server);
        } finally {
            fs.rmSync(profile, { recursive: true, force: true });
        }
    },
    webkit(server) {
        return inProcess('xvfb-run', ['-a', miniBrowser, server.url], server);
    },
};

const { page, size } = instrumentedPage();
console.log(`protected page: ${(size / 1048576).toFixed(2)} MB, unlock script and timing added`);
const server = await serve(page);
for (const engine of engines) {
    const times = [];
    for (let i = 0; i < runs; i++) {
        const t = await openers[engine](server);
        if (!t.ok || t.chars < 1 << 19) {
            throw new Error(`${engine}: the page did not open (${JSON.stringify(t)})`);
        }
        times.push(t);
    }
    const total = times.map((t) => t.unlock + t.open).sort((a, b) => a - b);
    const median = (key) => times.map((t) => t[key]).sort((a, b) => a - b)[runs >> 1];
    console.log(`${engine.padEnd(9)} unlock (derivation, check) ${median('unlock').toFixed(0)} ms, ` +
                `decryption ${median('open').toFixed(0)} ms, together ${total[runs >> 1].toFixed(0)} ` +
                `ms (median of ${runs}; all: ${total.map((t) => t.toFixed(0)).join(', ')})`);
}
server.close();
