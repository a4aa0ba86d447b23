// A web server of the tests' own on 127.0.0.1 that is also the browsers' proxy: every host name
// reaches it, over http directly and over https through CONNECT to a TLS server beside it, with
// a certificate made for this run. Pages are served from folders mounted under a path or from
// texts put at one address.
import fs from 'node:fs';
import http from 'node:http';
import https from 'node:https';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';

const types = { '.html': 'text/html', '.htm': 'text/html', '.css': 'text/css', '.js': 'text/javascript',
                '.svg': 'image/svg+xml', '.png': 'image/png', '.gif': 'image/gif' };

function certificate() {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlane-tls-'));
    const key = path.join(folder, 'key.pem');
    const cert = path.join(folder, 'cert.pem');
    execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1', '-subj',
                             '/CN=quorlane-test', '-keyout', key, '-out', cert], { stdio: 'ignore' });
    const pair = { key: fs.readFileSync(key), cert: fs.readFileSync(cert) };
    fs.rmSync(folder, { recursive: true, force: true });
    return pair;
}

// What WebKit's pages get in front of their first script (or at their end), since its driver
// reports nothing of the console: the errors raised and the console's error lines.
const errorCollector = Buffer.from('<script>window.quorlaneErrors=[];addEventListener("error",' +
    'function(e){quorlaneErrors.push(e.message||"cannot load "+(e.target.src||e.target.href))},true);' +
    '(function(c){console.error=function(){quorlaneErrors.push([].join.call(arguments," "));' +
    'c.apply(console,arguments)}})(console.error);</script>');

function withErrorCollector(body) {
    const at = Buffer.from(body).toString('latin1').search(/<script/i);
    const bytes = Buffer.from(body);
    const cut = at === -1 ? bytes.length : at;
    return Buffer.concat([bytes.subarray(0, cut), errorCollector, bytes.subarray(cut)]);
}

function isWebKit(userAgent = '') {
    return /AppleWebKit/.test(userAgent) && !/Chrome|Firefox/.test(userAgent);
}

export async function startServer() {
    const pages = new Map(); // "host/path" or "/path" -> { body, type }
    const mounts = [];       // [prefix, folder]
    const requests = new Map();

    function find(host, pathname) {
        const page = pages.get(host + pathname) || pages.get(pathname);
        if (page) {
            return page;
        }
        for (const [prefix, folder] of mounts) {
            if (pathname.startsWith(prefix)) {
                const file = path.join(folder, decodeURIComponent(pathname.slice(prefix.length)));
                if (file.startsWith(folder) && fs.existsSync(file) && fs.statSync(file).isFile()) {
                    return { body: fs.readFileSync(file), type: types[path.extname(file).toLowerCase()] };
                }
            }
        }
        return null;
    }

    function handle(request, response) {
        const url = new URL(request.url, `http://${request.headers.host}`);
        const key = url.host.toLowerCase() + url.pathname;
        requests.set(key, (requests.get(key) || 0) + 1);
        const page = url.pathname === '/favicon.ico' ? { body: '', type: 'image/x-icon' }
            : find(url.host.toLowerCase(), url.pathname);
        if (!page) {
            response.writeHead(404, { 'content-type': 'text/plain' }).end('not found');
            return;
        }
        response.writeHead(200, { 'content-type': page.type || 'application/octet-stream' });
        const html = page.type === 'text/html' && isWebKit(request.headers['user-agent']);
        response.end(html ? withErrorCollector(page.body) : page.body);
    }

    const tls = https.createServer(certificate(), handle);
    const server = http.createServer(handle);
    const sockets = new Set();
    server.on('connect', (request, client, head) => {
        const tunnel = net.connect(tls.address().port, '127.0.0.1', () => {
            client.write('HTTP/1.1 200 Connection Established\r\n\r\n');
            tunnel.write(head);
            tunnel.pipe(client);
            client.pipe(tunnel);
        });
        for (const socket of [tunnel, client]) {
            sockets.add(socket);
            socket.on('error', () => { tunnel.destroy(); client.destroy(); });
            socket.on('close', () => sockets.delete(socket));
        }
    });
    server.on('connection', (socket) => {
        sockets.add(socket);
        socket.on('close', () => sockets.delete(socket));
    });
    await new Promise((resolve) => tls.listen(0, '127.0.0.1', resolve));
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));

    return {
        proxy: `127.0.0.1:${server.address().port}`,
        // body at address (any host when address is a path only); type from the extension. The
        // engines are tested at once against this one server: an address serves one body for good,
        // so that no test can be handed a page that another engine's test put there since.
        put(address, body, type) {
            const key = address.startsWith('/') ? address : address.replace(/^https?:\/\//, '');
            const taken = pages.get(key);
            if (taken && !Buffer.from(taken.body).equals(Buffer.from(body))) {
                throw new Error(`${address} serves another page already: give each test addresses of its own`);
            }
            pages.set(key, { body, type: type || types[path.extname(key).toLowerCase()] || 'text/html' });
        },
        mount(prefix, folder) {
            mounts.push([prefix, path.resolve(folder)]);
        },
        // How often host + path was asked for.
        requests(address) {
            return requests.get(address.replace(/^https?:\/\//, '')) || 0;
        },
        async close() {
            for (const socket of sockets) {
                socket.destroy();
            }
            await Promise.all([server, tls].map((s) => new Promise((resolve) => s.close(resolve))));
        },
    };
}
