// The four texts that go between single quotes in the page script cannot leave them: what could
// is refused on the command line, and everything else stays inside its string.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { cli, pageScriptOf } from './lib.mjs';

test('user texts stay inside their strings', () => {
    const probes = [];
    for (let code = 1; code < 0x20; code++) {
        probes.push(`a${String.fromCharCode(code)}b`);
    }
    probes.push('a\x7fb', "it's", 'say "hi"', 'back\\slash', 'a\u2028b', 'a\u2029b',
                '</script><script>alert(1)</script>', '<!-- -->', '${x}', '`tick`', '\u00e9\u65e5');
    // The locks write their text as a browser reports addresses (tested byte for byte in the
    // engine's own tests); here it is enough that the script stands.
    const options = [['--warning', (text) => `alert('${text}');`],
                     ['--domain-lock', null],
                     ['--url-lock', null],
                     ['--password', (text) => `p!='${text}')`]];
    for (const text of probes) {
        for (const [option, expected] of options) {
            const args = ['transform', '--enable', 'no-right-click', option, text];
            const result = spawnSync(cli, args, { input: '<p>x</p>' });
            const unsafe = /['"\\\r\n\u2028\u2029]/.test(text);
            if (unsafe || (result.status === 2 && expected === null)) {
                assert.equal(result.status, 2, `${option} ${JSON.stringify(text)} accepted`);
                continue;
            }
            assert.equal(result.status, 0, `${option} ${JSON.stringify(text)}: ${result.stderr}`);
            const script = pageScriptOf(result.stdout.toString());
            assert.doesNotThrow(() => new Function(script), `${option} ${JSON.stringify(text)}`);
            if (expected) {
                assert.ok(script.includes(expected(text)), `${option} ${JSON.stringify(text)}`);
            }
        }
    }
});
