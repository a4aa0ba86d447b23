// The page script is valid JavaScript for every mix of switches, warning and locks: for 500 and
// more combinations, the script that a protected page evaluates compiles in Chromium.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { launch, cli, pageScriptOf } from './lib.mjs';

const switches = ['no-right-click', 'no-text-select', 'no-offline', 'hide-status-urls',
                  'no-printing', 'no-clipboard', 'no-drag-drop', 'no-web-capture', 'block-opera',
                  'break-frames', 'no-image-toolbar', 'block-netscape', 'expire-page'];
const extras = [['--warning', 'Do not copy'], ['--domain-lock', 'www.harbour.example'],
                ['--url-lock', 'http://www.harbour.example/index.html'],
                ['--password', 'p\u00e4ssword 1']];

// A small deterministic generator, so that a failure can be found again.
function random(seed) {
    let state = seed;
    return () => {
        state = (state * 1103515245 + 12345) % 2147483648;
        return state / 2147483648;
    };
}

function combinations() {
    const sets = [[], switches.map((name, i) => i)];
    switches.forEach((name, i) => sets.push([i]));
    for (let i = 0; i < switches.length; i++) {
        for (let j = i + 1; j < switches.length; j++) {
            sets.push([i, j]);
        }
    }
    const next = random(2026);
    while (sets.length < 400) {
        sets.push(switches.map((name, i) => i).filter(() => next() < 0.4));
    }
    const all = [];
    sets.forEach((set, n) => {
        const args = set.length ? ['--enable', set.map((i) => switches[i]).join(',')] : [];
        // Each set once plain, and every fourth one with a mix of warning and locks too.
        all.push(args);
        if (n % 4 === 0 || n < 2) {
            all.push([...args, ...extras.filter((extra, k) => ((n >> k) & 1) || n < 2).flat()]);
        }
    });
    extras.forEach((extra) => all.push(['--enable', 'no-right-click', ...extra]));
    return all;
}

test('page scripts compile for every combination', async () => {
    const cases = combinations();
    assert.ok(cases.length >= 500, `${cases.length} combinations`);
    const scripts = cases.map((args) => {
        const page = execFileSync(cli, ['transform', ...args], { input: '<p>x</p>' }).toString();
        const script = pageScriptOf(page);
        assert.ok(script, `no page script for ${args.join(' ')}`);
        return script;
    });
    const browser = await launch();
    try {
        const page = await (await browser.newContext()).newPage();
        const failures = await page.evaluate((scripts) => scripts.flatMap((script, i) => {
            try {
                new Function(script);
                return [];
            } catch (error) {
                return [`${i}: ${error.message}`];
            }
        }), scripts);
        assert.deepEqual(failures.map((failure) => {
            const i = Number(failure.split(':')[0]);
            return `${cases[i].join(' ')} -> ${failure}`;
        }), []);
    } finally {
        await browser.close();
    }
});

// The four texts that go between single quotes in the page script cannot leave them: what
// could is refused on the command line, and everything else stays inside the string.
test('user texts stay inside their strings', () => {
    const probes = [];
    for (let code = 1; code < 0x20; code++) {
        probes.push(`a${String.fromCharCode(code)}b`);
    }
    probes.push('a\x7fb', "it's", 'say "hi"', 'back\\slash', 'a\u2028b', 'a\u2029b',
                '</script><script>alert(1)</script>', '<!-- -->', '${x}', '`tick`', '\u00e9\u65e5');
    const options = [['--warning', (text) => `alert('${text}');`],
                     ['--domain-lock', (text) => `!='${text}')`],
                     ['--url-lock', (text) => `!='${text}')`],
                     ['--password', (text) => `p!='${text}')`]];
    for (const text of probes) {
        for (const [option, expected] of options) {
            const args = ['transform', '--enable', 'no-right-click', option, text];
            const result = spawnSync(cli, args, { input: '<p>x</p>' });
            const unsafe = /['"\\\r\n\u2028\u2029]/.test(text);
            if (unsafe) {
                assert.equal(result.status, 2, `${option} ${JSON.stringify(text)} accepted`);
                continue;
            }
            assert.equal(result.status, 0, `${option} ${JSON.stringify(text)}: ${result.stderr}`);
            const script = pageScriptOf(result.stdout.toString());
            assert.doesNotThrow(() => new Function(script), `${option} ${JSON.stringify(text)}`);
            assert.ok(script.includes(expected(text)), `${option} ${JSON.stringify(text)}`);
        }
    }
});
