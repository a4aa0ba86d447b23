// Reading pages whose hidden part is encrypted, for the tests: what the page carries in the
// clear, the unlock script in a context of its own, and a Node http server on 127.0.0.1.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import vm from 'node:vm';
import { webcrypto } from 'node:crypto';
import { top, cli, pageScriptOf } from './lib.mjs';

export const unlockBundle = path.join(top, 'unlock', 'quorlane-unlock.js');

// quorlane-cli transform with the password handed over in an environment variable.
export function transformSealed(html, password, args = []) {
    return execFileSync(cli, ['transform', '--encrypt', '--password-env', 'QUORLANE_PASSWORD',
                              ...args], { input: html, env: { ...process.env, QUORLANE_PASSWORD: password } })
        .toString('utf8');
}

// Salt, iteration count, check value and the remember flag, as the page script hands them to
// qv_unlock, and the sealed text of every writer block in order.
export function sealedParts(html) {
    const script = pageScriptOf(html);
    const call = /qv_unlock\('([^']*)',(\d+),'([^']*)',(true|false),/.exec(script);
    if (!call) {
        throw new Error('no qv_unlock call in the page script');
    }
    const blocks = [...html.matchAll(/qv_d00\(qv_open\("([^"]*)"\)\)/g)].map((m) => m[1]);
    return { salt: call[1], iterations: Number(call[2]), check: call[3],
             remember: call[4] === 'true', blocks, script };
}

// The markup of a sealed text opened with WebCrypto, or null when it does not open.
export async function webCryptoKey(password, salt, iterations) {
    const material = await webcrypto.subtle.importKey('raw', new TextEncoder().encode(password),
                                                      'PBKDF2', false, ['deriveKey']);
    return webcrypto.subtle.deriveKey(
        { name: 'PBKDF2', hash: 'SHA-256', salt: Buffer.from(salt, 'base64'), iterations },
        material, { name: 'AES-GCM', length: 256 }, false, ['decrypt']);
}

export async function webCryptoOpen(key, sealed) {
    const data = Buffer.from(sealed, 'base64');
    try {
        const plain = await webcrypto.subtle.decrypt({ name: 'AES-GCM', iv: data.subarray(0, 12) },
                                                     key, data.subarray(12));
        return new TextDecoder().decode(plain);
    } catch {
        return null;
    }
}

// The unlock script evaluated in a fresh context with a session storage of its own (shared
// between the contexts that are given the same one, as pages of one tab share it).
export function unlockContext(storage = new Map()) {
    const context = {
        atob, btoa, TextEncoder, TextDecoder, Uint8Array,
        sessionStorage: {
            getItem: (name) => (storage.has(name) ? storage.get(name) : null),
            setItem: (name, value) => storage.set(name, String(value)),
        },
    };
    context.window = context;
    vm.createContext(context);
    vm.runInContext(fs.readFileSync(unlockBundle, 'utf8'), context);
    return { context, storage };
}

// Every text that escaping hid, made plain: each %XX and %uXXXX of the page undone.
export function unescapeAll(text) {
    return text.replace(/%u([0-9A-Fa-f]{4})|%([0-9A-Fa-f]{2})/g,
                        (match, wide, narrow) => String.fromCharCode(parseInt(wide || narrow, 16)));
}

// Serves folder over HTTP on 127.0.0.1; resolves to { url, close }.
export function serveFolder(folder) {
    const types = { '.html': 'text/html', '.htm': 'text/html', '.css': 'text/css',
                    '.js': 'text/javascript', '.svg': 'image/svg+xml' };
    const server = http.createServer((request, response) => {
        const relative = decodeURIComponent(new URL(request.url, 'http://x').pathname);
        const file = path.join(folder, relative);
        if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
            response.writeHead(404).end();
            return;
        }
        // No content type parameter: the page's own declaration decides its encoding.
        response.writeHead(200, { 'content-type': types[path.extname(file)] || 'application/octet-stream',
                                  'cache-control': 'no-store' });
        response.end(fs.readFileSync(file));
    });
    return new Promise((resolve) => {
        server.listen(0, '127.0.0.1', () => resolve({
            url: `http://127.0.0.1:${server.address().port}`,
            close: () => new Promise((done) => server.close(done)),
        }));
    });
}
