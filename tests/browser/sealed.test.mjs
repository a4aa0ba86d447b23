// Pages whose hidden part quorlane-cli encrypted, opened outside a browser: WebCrypto (an
// implementation of its own) and the page's unlock script both open every writer block to the
// markup that the clear mode escapes; the unlock script refuses wrong and altered input without
// throwing, takes the key that the unlock form hands to the page's reload once, and keeps the
// key, never the password, for the visit; and nothing of the hidden text or the password can be
// read from the file, even with every escape undone. The form itself is tried in the browsers.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { webcrypto } from 'node:crypto';
import { encrypted, escapedBlocks, modes, pageScriptOf, protect, random, sealedBlocks, top } from './lib.mjs';

const transformSealed = (html, secret, args = []) => protect(html, [...encrypted, ...args], secret).toString('utf8');
const transformClear = (html, args) => protect(html, args).toString('utf8');

// Salt, iteration count, check value and the remember flag, as the page script hands them to
// qv_unlock, and the sealed text of every writer block in order.
function sealedParts(html) {
    const call = /qv_unlock\('([^']*)',(\d+),'([^']*)',(true|false)(,\{[^;]*\})?\);/.exec(pageScriptOf(html));
    assert.ok(call, 'a qv_unlock call in the page script');
    return { salt: call[1], iterations: Number(call[2]), check: call[3], remember: call[4] === 'true',
             blocks: sealedBlocks(html).map((b) => b.text) };
}

// The key as the unlock form derives it where the page has WebCrypto: its raw bytes.
async function webCryptoBits(secret, salt, iterations) {
    const material = await webcrypto.subtle.importKey('raw', new TextEncoder().encode(secret), 'PBKDF2', false,
                                                      ['deriveBits']);
    return new Uint8Array(await webcrypto.subtle.deriveBits(
        { name: 'PBKDF2', hash: 'SHA-256', salt: Buffer.from(salt, 'base64'), iterations }, material, 256));
}

const aesKey = (bits) => webcrypto.subtle.importKey('raw', bits, 'AES-GCM', false, ['decrypt']);

// The markup of a sealed text opened with WebCrypto, or null when it does not open.
async function webCryptoOpen(key, sealed) {
    const data = Buffer.from(sealed, 'base64');
    try {
        const plain = await webcrypto.subtle.decrypt({ name: 'AES-GCM', iv: data.subarray(0, 12) }, key,
                                                     data.subarray(12));
        return new TextDecoder().decode(plain);
    } catch {
        return null;
    }
}

// The unlock script evaluated in a fresh context with a session storage of its own (shared
// between the contexts that are given the same one, as pages of one tab share it) and a local
// storage (shared as the pages of one site on a device share it). The context
// has no document: where the unlock form would be shown, the page stays locked.
function unlockContext(storage = new Map(), device = new Map()) {
    const store = (map) => ({
        getItem: (name) => (map.has(name) ? map.get(name) : null),
        setItem: (name, value) => map.set(name, String(value)),
        removeItem: (name) => map.delete(name),
    });
    const context = {
        atob, btoa, TextEncoder, TextDecoder, Uint8Array, sessionStorage: store(storage), localStorage: store(device),
    };
    context.window = context;
    vm.createContext(context);
    vm.runInContext(fs.readFileSync(path.join(top, 'unlock', 'quorlane-unlock.js'), 'utf8'), context);
    return { context, storage };
}

// What the unlock form leaves for the reload it starts once the password opened the check.
const handOver = (storage, salt, bits) => storage.set(`qv_o${salt}`, Buffer.from(bits).toString('base64'));

// Every text that escaping hid, made plain: each %XX and %uXXXX of the page undone.
function unescapeAll(text) {
    return text.replace(/%u([0-9A-Fa-f]{4})|%([0-9A-Fa-f]{2})/g,
                        (match, wide, narrow) => String.fromCharCode(parseInt(wide || narrow, 16)));
}

// Words nobody writes, drawn by a deterministic generator, so that a run of eight of their
// characters can only come from the page's hidden text.
const next = random(13);
const word = (count) => Array.from({ length: count }, () =>
    Array.from({ length: 5 + Math.floor(next() * 5) }, () => 'bcdfghjklmnpqrstvwxz'[Math.floor(next() * 20)]).join(''))
    .join(' ');
const texts = { title: word(3), para: word(4), href: word(1).replace(/ /g, ''), link: word(3),
                other: `${word(3)} \u00e7\u00f1 \u4e2d\u6587 \u{1F511}`, mailbox: word(1),
                mailText: word(3), scriptText: word(3) };
const password = `${word(2)} \u00e4 "q'`;
const page = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>${texts.title}</title>
</head><body><p>${texts.para}</p><a href="${texts.href}.html">${texts.link}</a>
<p>${texts.other}</p><a href="mailto:${texts.mailbox}@example.org">${texts.mailText}</a>
<script type="text/javascript">var kept = '${texts.scriptText}';</script></body></html>`;
const hiddenIn = {
    whole: Object.keys(texts),
    body: Object.keys(texts).filter((name) => name !== 'title'),
    links: ['href', 'link', 'mailbox', 'mailText'],
    email: ['mailbox', 'mailText'],
};

const clearParts = (html) => escapedBlocks(html).map((b) => b.text);

for (const mode of modes) {
    test(`WebCrypto and the unlock script open every block to the clear markup (${mode})`,
         async () => {
        const sealed = transformSealed(page, password, ['--mode', mode]);
        const parts = sealedParts(sealed);
        const expected = clearParts(transformClear(page, ['--mode', mode]));
        assert.equal(parts.iterations, 100000);
        assert.equal(parts.blocks.length, expected.length);
        assert.ok(expected.length > 0);

        const bits = await webCryptoBits(password, parts.salt, parts.iterations);
        const key = await aesKey(bits);
        assert.equal(await webCryptoOpen(key, parts.check), '');
        const opened = await Promise.all(parts.blocks.map((block) => webCryptoOpen(key, block)));
        assert.deepEqual(opened, expected);

        const { context, storage } = unlockContext();
        handOver(storage, parts.salt, bits);
        assert.equal(context.qv_unlock(parts.salt, parts.iterations, parts.check, false), true);
        assert.deepEqual(parts.blocks.map((block) => context.qv_open(block)), expected);
    });
}

test('a wrong key, none, and altered blocks open nothing and throw nothing', async () => {
    const parts = sealedParts(transformSealed(page, password));
    const [block] = parts.blocks;
    const unlock = (storage) => unlockContext(storage).context;

    const wrongBits = await webCryptoBits(`${password} `, parts.salt, parts.iterations);
    for (const kept of [wrongBits, new Uint8Array(16), null, 'not base64 %%']) {
        const storage = new Map();
        if (kept !== null) {
            storage.set(`qv_o${parts.salt}`, typeof kept === 'string' ? kept : Buffer.from(kept).toString('base64'));
        }
        const context = unlock(storage);
        assert.equal(context.qv_unlock(parts.salt, parts.iterations, parts.check, true), false, String(kept));
        assert.equal(context.qv_open(block), '');
        assert.ok(!storage.has(`qv_k${parts.salt}`), 'a key that does not fit is not kept');
    }
    const storage = new Map();
    handOver(storage, parts.salt, await webCryptoBits(password, parts.salt, parts.iterations));
    const context = unlock(storage);
    assert.equal(context.qv_unlock(parts.salt, parts.iterations, parts.check, true), true);
    const middle = block.length >> 1;
    const altered = block.slice(0, middle) + (block[middle] === 'A' ? 'B' : 'A') +
        block.slice(middle + 1);
    for (const sealed of [altered, block.slice(0, -8), '', 'not base64 %%', parts.check + 'AAAA']) {
        assert.equal(context.qv_open(sealed), '', sealed.slice(0, 20));
    }
    assert.notEqual(context.qv_open(block), '');
});

test('the handed key opens one load; the key is kept for the visit under the run\'s salt, and the password never', async () => {
    const run = sealedParts(transformSealed(page, password));
    const otherRun = sealedParts(transformSealed(page, password));
    assert.notEqual(run.salt, otherRun.salt);
    assert.equal(run.remember, true);
    const bits = await webCryptoBits(password, run.salt, run.iterations);
    const visit = (storage, parts, remember = true) => {
        const { context } = unlockContext(storage);
        const unlocked = context.qv_unlock(parts.salt, parts.iterations, parts.check, remember);
        return { unlocked, text: context.qv_open(parts.blocks[0]) };
    };

    // Remembered: the reload takes the handed key and keeps it for the other pages of the run.
    const storage = new Map();
    handOver(storage, run.salt, bits);
    assert.equal(visit(storage, run).unlocked, true);
    assert.deepEqual([...storage.keys()], [`qv_k${run.salt}`]);
    const kept = storage.get(`qv_k${run.salt}`);
    assert.equal(Buffer.from(kept, 'base64').length, 32);
    assert.ok(!kept.includes(password) && !Buffer.from(kept, 'base64').toString().includes(password));
    const second = visit(storage, run);
    assert.equal(second.unlocked, true);
    assert.notEqual(second.text, '');
    assert.equal(visit(storage, otherRun).unlocked, false, 'a page of another run asks');

    // Not remembered: the handed key opens the one load it was handed to, and is gone after it.
    const once = new Map();
    handOver(once, run.salt, bits);
    assert.equal(visit(once, run, false).unlocked, true);
    assert.equal(once.size, 0);
    assert.equal(visit(once, run, false).unlocked, false);

    // A kept key that does not fit is asked past.
    storage.set(`qv_k${run.salt}`, Buffer.alloc(32).toString('base64'));
    assert.equal(visit(storage, run).unlocked, false);
});

test('a key kept on the device opens pages until its expiry, and only where the run remembers', async () => {
    const run = sealedParts(transformSealed(page, password, ['--remember-days', '3']));
    const base64 = Buffer.from(await webCryptoBits(password, run.salt, run.iterations)).toString('base64');
    const name = `qv_l${run.salt}`;
    const visit = (kept, remember = true) => {
        const device = new Map([[name, kept]]);
        const { context, storage } = unlockContext(new Map(), device);
        const unlocked = context.qv_unlock(run.salt, run.iterations, run.check, remember, { d: 3 });
        return { unlocked, left: device.has(name), session: storage.size };
    };
    const now = Date.now();
    assert.deepEqual(visit(`${base64} ${now + 60000}`), { unlocked: true, left: true, session: 0 });
    assert.deepEqual(visit(`${base64} ${now - 1}`), { unlocked: false, left: false, session: 0 }, 'expired');
    assert.deepEqual(visit(base64), { unlocked: false, left: false, session: 0 }, 'no expiry');
    assert.deepEqual(visit(`${Buffer.alloc(32).toString('base64')} ${now + 60000}`),
                     { unlocked: false, left: true, session: 0 }, 'another key');
    assert.deepEqual(visit(`${base64} ${now + 60000}`, false), { unlocked: false, left: true, session: 0 },
                     'a run that keeps no key');
});

test('no run of eight characters of the hidden text, nor the password, is in the file', () => {
    for (const mode of modes) {
        const sealed = unescapeAll(transformSealed(page, password, ['--mode', mode]));
        const clear = unescapeAll(transformClear(page, ['--mode', mode]));
        assert.ok(!sealed.includes(password), `${mode}: the password`);
        for (const name of hiddenIn[mode]) {
            const text = texts[name];
            // The clear mode shows the check can fail: there the text is one unescape away.
            assert.ok(clear.includes(text), `${mode}: ${name} in the clear page`);
            for (let i = 0; i + 8 <= text.length; i++) {
                const run = text.slice(i, i + 8);
                assert.ok(!sealed.includes(run), `${mode}: "${run}" of ${name} is in the page`);
            }
        }
    }
});
