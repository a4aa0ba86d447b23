// What each switch and lock does in one engine, tried as a visitor would: the pages come over
// HTTP (and HTTPS) under made-up host names, and every click, drag and key is a real input event
// of the browser. Each check asserts what must hold and gives the line of the measured table for
// its engine: "works", "partly: ..." or "no effect: ...".
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { encrypted, password, protect, protectRun, switches, tempFolder } from './lib.mjs';

const samplePage = `<!DOCTYPE html>
<html><head><title>Switches</title><style>#own{color:rgb(1,2,3)}</style></head>
<body>
<p id="text" style="font-size:20px">Some text to select and copy.</p>
<p><img id="image" src="/pixel.svg" width="60" height="60"> <a id="link" href="/other.html">another page</a></p>
<form><input id="box"> <textarea id="area"></textarea>
<select id="list"><option value="one">one</option><option value="two">two</option></select></form>
<div id="own">The page's own element</div>
<script>
window.seen = [];
for (const type of ['contextmenu', 'copy', 'dragstart', 'mouseover', 'beforeprint', 'afterprint']) {
    addEventListener(type, (e) => seen.push({ type, prevented: e.defaultPrevented,
        target: e.target.id || e.target.nodeName,
        hidden: [...document.getElementsByTagName('*')].filter((x) => x.style.visibility === 'hidden').length }));
}
</script>
</body></html>`;
const sampleText = 'Some text to select and copy.';
const pixel = '<svg xmlns="http://www.w3.org/2000/svg" width="60" height="60"><rect width="60" height="60" fill="#c33"/></svg>';
const operaOld = 'Opera/9.80 (X11; Linux x86_64) Presto/2.12.388 Version/12.16';
const operaNew = 'Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36 OPR/106.0.0.0';

// Everything a check needs: the engine, the server, and pages protected with given options.
export class Visitor {
    constructor(browser, server) {
        this.browser = browser;
        this.engine = browser.engine;
        this.server = server;
        this.count = 0;
        server.put('/pixel.svg', pixel);
        server.put('/other.html', '<!DOCTYPE html><p id="other">Another page</p>');
        server.put('/clipboard.html', '<!DOCTYPE html><input id="box">');
    }

    // The sample page protected with args, put at every address given (paths on any host, or
    // whole addresses); gives the first.
    place(args, addresses = [`/check/${++this.count}.html`], html = samplePage) {
        const bytes = args === null ? html : protect(html, args);
        for (const address of addresses) {
            this.server.put(address, bytes);
        }
        return addresses[0].startsWith('/') ? `http://www.harbour.example${addresses[0]}` : addresses[0];
    }

    async open(url, { answer = '', userAgent } = {}) {
        const page = await this.browser.page({ userAgent });
        page.answer = answer;
        await page.goto(url);
        return page;
    }

    // Opens url and tells whether the page was sent to about:blank.
    async blanked(url, options) {
        const page = await this.open(url, options);
        const end = Date.now() + 1000;
        let blank = false;
        while (!blank && Date.now() < end) {
            blank = (await page.url()) === 'about:blank';
            if (!blank) {
                await new Promise((resolve) => setTimeout(resolve, 100));
            }
        }
        await page.close();
        return blank;
    }
}

async function centre(page, selector) {
    const box = await page.evaluate((s) => {
        const r = document.querySelector(s).getBoundingClientRect();
        return [r.left, r.top, r.right, r.bottom];
    }, selector);
    return { left: box[0], top: box[1], right: box[2], bottom: box[3],
             x: (box[0] + box[2]) / 2, y: (box[1] + box[3]) / 2 };
}

async function click(page, selector, button = 'left') {
    const { x, y } = await centre(page, selector);
    await page.mouse([{ move: [x, y] }, { down: button }, { up: button }]);
}

const seen = (page, type) => page.evaluate((t) => window.seen.filter((e) => e.type === t), type);

// A drag with the mouse across the sample text; gives what ends up selected.
async function dragOverText(page) {
    const box = await centre(page, '#text');
    await page.mouse([{ move: [box.left + 2, box.y] }, { down: 'left' },
                      { move: [box.right - 2, box.y], steps: 5 }, { up: 'left' }]);
    return page.evaluate(() => String(getSelection()));
}

// Puts a text of its own on the clipboard, from a page without protection.
async function fillClipboard(visitor, text) {
    const page = await visitor.open('http://www.harbour.example/clipboard.html');
    await click(page, '#box');
    await page.type(text);
    await page.press('Control+a');
    await page.press('Control+c');
    await page.close();
}

// Selects the sample text and presses Ctrl+C; gives whether the copy event was cancelled and
// what Ctrl+V then puts into the text area.
async function copyText(page) {
    await page.evaluate(() => {
        document.activeElement.blur();
        getSelection().selectAllChildren(document.getElementById('text'));
    });
    await page.press('Control+c');
    const copy = await seen(page, 'copy');
    await click(page, '#area');
    await page.press('Control+v');
    return { cancelled: copy.length > 0 && copy.every((e) => e.prevented),
             pasted: await page.evaluate(() => document.getElementById('area').value) };
}

// Copy and paste inside the form: from the text box into the text area.
async function copyInField(page) {
    await click(page, '#box');
    await page.type('field words');
    await page.press('Control+a');
    await page.press('Control+c');
    await click(page, '#area');
    await page.press('Control+v');
    return page.evaluate(() => document.getElementById('area').value);
}

// A click into the text box, the text area and the list focuses each; keys then type and choose.
async function formsWork(page) {
    const focused = [];
    await click(page, '#box');
    focused.push(await page.evaluate(() => document.activeElement.id));
    await page.type('abc');
    await click(page, '#area');
    focused.push(await page.evaluate(() => document.activeElement.id));
    await page.type('def');
    await click(page, '#list');
    focused.push(await page.evaluate(() => document.activeElement.id));
    await page.press('Escape');
    await page.type('t');
    const values = await page.evaluate(() => ['box', 'area', 'list'].map((id) => document.getElementById(id).value));
    return { focused, values };
}

const isGecko = (engine) => engine === 'firefox';

// One check per table row: the row's name and what it measures.
export const checks = [
    ['no-right-click', async (v) => {
        const plain = await v.open(v.place(null));
        await click(plain, '#text', 'right');
        await plain.press('Escape');
        assert.equal((await seen(plain, 'contextmenu'))[0].prevented, false, 'a page without the switch');
        await plain.close();
        const quiet = await v.open(v.place(['--enable', 'no-right-click']));
        await click(quiet, '#text', 'right');
        assert.equal((await seen(quiet, 'contextmenu'))[0].prevented, true, 'context menu cancelled');
        assert.deepEqual(quiet.dialogs, []);
        await quiet.close();
        const warned = await v.open(v.place(['--enable', 'no-right-click', '--warning', 'Hands off!']));
        await click(warned, '#text', 'right');
        assert.equal((await seen(warned, 'contextmenu'))[0].prevented, true);
        assert.deepEqual(warned.dialogs.map((d) => d.message), ['Hands off!'], 'the warning');
        await warned.close();
        return 'works (context menu cancelled, the warning shown)';
    }],
    ['no-text-select', async (v) => {
        const plain = await v.open(v.place(null));
        assert.equal(await dragOverText(plain), sampleText, 'a drag selects without the switch');
        await plain.close();
        await fillClipboard(v, 'left on the clipboard');
        const page = await v.open(v.place(['--enable', 'no-text-select']));
        assert.equal(await dragOverText(page), '', 'a drag selects nothing');
        const copied = await copyText(page);
        assert.equal(copied.cancelled, true, 'copy cancelled');
        assert.equal(copied.pasted, 'left on the clipboard', 'nothing copied');
        await page.close();
        const fields = await v.open(v.place(['--enable', 'no-text-select']));
        const inField = await copyInField(fields);
        await fields.close();
        return inField === 'field words' ? 'works (selection and copying blocked)'
            : 'works (selection and copying blocked, copying inside form fields too)';
    }],
    ['no-offline', async (v) => {
        const folder = tempFolder('offline');
        try {
            const onDisk = (args) => {
                const file = path.join(folder, `page${++v.count}.html`);
                fs.writeFileSync(file, args ? protect(samplePage, args) : samplePage);
                return `file://${file}`;
            };
            assert.equal(await v.blanked(onDisk(null)), false, 'a page from disk without the switch');
            assert.equal(await v.blanked(onDisk(['--enable', 'no-offline'])), true, 'blank from disk');
            assert.equal(await v.blanked(v.place(['--enable', 'no-offline'])), false, 'shown over HTTP');
        } finally {
            fs.rmSync(folder, { recursive: true, force: true });
        }
        return 'works (a page opened from disk goes blank)';
    }],
    ['hide-status-urls', async (v) => {
        const hover = async (args) => {
            const page = await v.open(v.place(args));
            const { x, y } = await centre(page, '#link');
            await page.mouse([{ move: [x, y] }]);
            const over = await seen(page, 'mouseover');
            const href = await page.evaluate(() => document.getElementById('link').href);
            await page.close();
            return { cancelled: over.some((e) => e.prevented), href };
        };
        const plain = await hover(null);
        const hidden = await hover(['--enable', 'hide-status-urls']);
        assert.equal(hidden.href, 'http://www.harbour.example/other.html');
        return hidden.cancelled === plain.cancelled && hidden.href === plain.href
            ? 'no effect (browsers ignore window.status: the address still shows on hover)'
            : 'partly (the link hover changes)';
    }],
    ['no-printing', async (v) => {
        const print = async (args) => {
            const page = await v.open(v.place(args));
            let hasText = null;
            if (v.browser.canPrint) {
                hasText = await page.printHasText();
            } else {
                await page.evaluate(() => {
                    dispatchEvent(new Event('beforeprint'));
                    dispatchEvent(new Event('afterprint'));
                });
            }
            const result = {
                hasText,
                before: (await seen(page, 'beforeprint')).map((e) => e.hidden),
                after: (await seen(page, 'afterprint')).map((e) => e.hidden),
                own: await page.evaluate(() => {
                    const own = document.getElementById('own');
                    return [own && own.id, own && getComputedStyle(own).color,
                            document.querySelectorAll('[id]').length,
                            [...document.getElementsByTagName('*')].filter((x) => x.style.visibility).length];
                }),
            };
            await page.close();
            return result;
        };
        const plain = await print(null);
        const blocked = await print(['--enable', 'no-printing']);
        assert.deepEqual(plain.before, [0], 'the page\'s own print handlers run');
        assert.ok(blocked.before.length === 1 && blocked.before[0] > 5, 'hidden while printing');
        assert.deepEqual(blocked.after, [0], 'shown again afterwards');
        assert.deepEqual(blocked.own, plain.own, 'ids, style rules and handlers intact');
        if (v.browser.canPrint) {
            assert.equal(plain.hasText, true);
            assert.equal(blocked.hasText, false, 'the printout is blank');
            return 'works (the printout is blank)';
        }
        return 'works (hidden for the print events; this driver cannot print)';
    }],
    ['no-clipboard', async (v) => {
        await fillClipboard(v, 'left on the clipboard');
        const plain = await v.open(v.place(null));
        assert.deepEqual(await copyText(plain), { cancelled: false, pasted: sampleText }, 'copies without the switch');
        await plain.close();
        await fillClipboard(v, 'left on the clipboard');
        const page = await v.open(v.place(['--enable', 'no-clipboard']));
        assert.notEqual(await dragOverText(page), '', 'text can still be selected');
        assert.deepEqual(await copyText(page), { cancelled: true, pasted: 'left on the clipboard' }, 'copies nothing');
        await page.close();
        const fields = await v.open(v.place(['--enable', 'no-clipboard']));
        assert.equal(await copyInField(fields), 'field words', 'copying inside form fields still works');
        const loop = await fields.evaluate(() => document.getElementsByName('qv_ta').length > 0);
        await fields.close();
        return loop ? 'works' : 'partly (copy and cut cancelled outside form fields; print screen not stopped)';
    }],
    ['no-drag-drop', async (v) => {
        const drag = async (args) => {
            const page = await v.open(v.place(args));
            const box = await centre(page, '#image');
            await page.mouse([{ move: [box.x, box.y] }, { down: 'left' }, { move: [box.x + 40, box.y + 40], steps: 5 },
                              { move: [box.x + 150, box.y + 120], steps: 5 }, { up: 'left' }]);
            const starts = await seen(page, 'dragstart');
            await page.close();
            return starts;
        };
        assert.equal((await drag(null))[0].prevented, false, 'drags without the switch');
        assert.equal((await drag(['--enable', 'no-drag-drop']))[0].prevented, true, 'dragstart cancelled');
        return 'works (dragging from the page cancelled)';
    }],
    ['no-web-capture', async (v) => {
        const page = await v.open(v.place(['--enable', 'no-web-capture']));
        const shown = await page.evaluate(() => document.body.innerText);
        await page.close();
        assert.ok(shown.includes(sampleText));
        return 'no effect (it acts only in one long-gone browser)';
    }],
    ['block-opera', async (v) => {
        const url = v.place(['--enable', 'block-opera']);
        assert.equal(await v.blanked(url), false, 'this browser is let in');
        assert.equal(await v.blanked(url, { userAgent: operaOld }), true, 'old Opera turned away');
        assert.equal(await v.blanked(url, { userAgent: operaNew }), true, 'new Opera turned away');
        return 'works (Opera turned away, old and new; this browser let in)';
    }],
    ['break-frames', async (v) => {
        const framed = async (args, host) => {
            const url = v.place(args);
            const frameHost = `http://${host}/frame${++v.count}.html`;
            v.server.put(frameHost, `<!DOCTYPE html><iframe src="${url}" width="600" height="300"></iframe>`, 'text/html');
            const page = await v.open(frameHost);
            const end = Date.now() + 2000;
            while ((await page.url()) !== url && Date.now() < end) {
                await new Promise((resolve) => setTimeout(resolve, 100));
            }
            const left = (await page.url()) === url;
            await page.close();
            return left;
        };
        assert.equal(await framed(null, 'www.harbour.example'), false, 'stays in the frame without the switch');
        assert.equal(await framed(['--enable', 'break-frames'], 'www.harbour.example'), true, 'leaves a frame of its site');
        const otherSite = await framed(['--enable', 'break-frames'], 'www.elsewhere.example');
        return otherSite ? 'works (leaves any frame)'
            : 'partly (leaves a frame of its own site; from another site\'s frame the browser refuses)';
    }],
    ['no-image-toolbar', async (v) => {
        const page = await v.open(v.place(['--enable', 'no-image-toolbar']));
        await click(page, '#image', 'right');
        await click(page, '#text', 'right');
        await page.press('Escape');
        const menus = await seen(page, 'contextmenu');
        await page.close();
        assert.deepEqual(menus.map((e) => [e.target, e.prevented]), [['image', true], ['text', false]]);
        return 'partly (only blocks the right click on images)';
    }],
    ['block-netscape', async (v) => {
        const url = v.place(['--enable', 'block-netscape']);
        const blank = await v.blanked(url);
        assert.equal(blank, isGecko(v.engine), 'Gecko and only Gecko turned away');
        assert.equal(await v.blanked(v.place(null)), false);
        return blank ? 'works (this browser turned away)' : 'works (this browser let in)';
    }],
    ['expire-page', async (v) => {
        const backAgain = async (args) => {
            const url = v.place(args);
            const page = await v.open(url);
            await click(page, '#link');
            const end = Date.now() + 3000;
            while (!(await page.url()).endsWith('/other.html') && Date.now() < end) {
                await new Promise((resolve) => setTimeout(resolve, 50));
            }
            const before = v.server.requests(url);
            await page.back();
            const reloaded = v.server.requests(url) > before;
            await page.close();
            return reloaded;
        };
        const plain = await backAgain(null);
        const expiring = await backAgain(['--enable', 'expire-page']);
        if (expiring === plain) {
            return `no effect (going back ${plain ? 'reloads the page with or without it' : 'does not reload the page'})`;
        }
        return expiring ? 'works (going back reloads the page)' : 'partly';
    }],
    ['--domain-lock', async (v) => {
        const url = v.place(['--domain-lock', 'WWW.Harbour.example, .Bakery.example b\u00fccher.example'], ['/locked.html']);
        const path = new URL(url).pathname;
        for (const host of ['http://www.harbour.example', 'https://www.harbour.example', 'http://bakery.example',
                            'http://shop.bakery.example', 'http://a.b.bakery.example', 'http://b\u00fccher.example']) {
            assert.equal(await v.blanked(host + path), false, `shown on ${host}`);
        }
        for (const host of ['http://harbour.example', 'http://www.elsewhere.example', 'http://notbakery.example',
                            'http://bakery.example.elsewhere.example']) {
            assert.equal(await v.blanked(host + path), true, `blank on ${host}`);
        }
        return 'works (every listed host, and below a host written with a leading ".")';
    }],
    ['--url-lock', async (v) => {
        v.place(['--url-lock', 'http://WWW.Harbour.example/Shop/Page.html'],
                ['/Shop/Page.html', '/Shop/Other.html', '/shop/page.html']);
        for (const url of ['http://www.harbour.example/Shop/Page.html', 'http://www.harbour.example/Shop/Page.html?utm_source=mail',
                           'http://www.harbour.example/Shop/Page.html#part', 'https://www.harbour.example/Shop/Page.html',
                           'http://WWW.HARBOUR.EXAMPLE/Shop/Page.html?x=1#y']) {
            assert.equal(await v.blanked(url), false, `shown at ${url}`);
        }
        for (const url of ['http://www.harbour.example/Shop/Other.html', 'http://www.harbour.example/shop/page.html',
                           'http://www.elsewhere.example/Shop/Page.html']) {
            assert.equal(await v.blanked(url), true, `blank at ${url}`);
        }
        return 'works (its address with any query or fragment, over http and https)';
    }],
    ['--password', async (v) => {
        const url = v.place(['--password', 'open sesame']);
        for (const [answer, shown] of [['open sesame', true], ['wrong', false], [null, false]]) {
            const page = await v.open(url, { answer });
            assert.deepEqual(page.dialogs.map((d) => d.message), ['Enter Password:']);
            const html = await page.evaluate(() => document.documentElement.outerHTML);
            assert.equal(html.includes(sampleText), shown, `answer ${answer}`);
            await page.close();
        }
        return 'works (the page only for the right answer)';
    }],
    ['--password --encrypt', async (v) => {
        const links = ['--mode', 'links', ...encrypted];
        const run = protectRun({ 'a.html': samplePage, 'b.html': samplePage }, links);
        const otherRun = protectRun({ 'c.html': samplePage }, links);
        // The link's block (found in the clear page) with one character changed in the middle.
        const blocks = (bytes, pattern) => [...bytes.toString('latin1').matchAll(pattern)];
        const index = blocks(protect(samplePage, ['--mode', 'links']), /qv_d00\(unescape\("([^"]*)"\)\)/g)
            .findIndex((m) => unescape(m[1]).includes('id="link"'));
        const sealed = blocks(run['a.html'], /qv_open\("([^"]*)"\)/g)[index];
        const at = sealed.index + 9 + (sealed[1].length >> 1);
        const tampered = Buffer.from(run['a.html']);
        tampered[at] = tampered[at] === 65 ? 66 : 65;
        const whole = protect(samplePage, encrypted);
        // Each visit on a host of its own, so that no key kept by another visit is found.
        const visit = async (pages, answer) => {
            const host = `http://visit${++v.count}.harbour.example`;
            pages.forEach((bytes, i) => v.server.put(`${host}/${i}.html`, bytes));
            const page = await v.browser.page();
            page.answer = answer;
            const seen = [];
            for (let i = 0; i < pages.length; i++) {
                await page.goto(`${host}/${i}.html`);
                seen.push(await page.evaluate((text) => [document.documentElement.innerText.includes(text),
                                                         document.getElementById('link') !== null], sampleText));
                seen.push(page.dialogs.length);
                assert.deepEqual(await page.errors(), [], `no script errors on page ${i}`);
            }
            await page.close();
            return seen;
        };
        // [text shown, link shown], then the prompts so far, for each page of the visit.
        for (const [name, pages, answer, expected] of [
            ['the right password', [whole], password, [[true, true], 1]],
            ['a wrong password', [whole], 'p\u00e4ssw\u00f6rd 7', [[false, false], 1]],
            ['a cancelled prompt', [whole], null, [[false, false], 1]],
            ['a tampered block', [tampered], password, [[true, false], 1]],
            ['pages of one run and then of another', [run['a.html'], run['b.html'], otherRun['c.html']], password,
             [[true, true], 1, [true, true], 1, [true, true], 2]],
        ]) {
            assert.deepEqual(await visit(pages, answer), expected, name);
        }
        return 'works (only the right password opens it, a tampered block stays out; asked once per visit and run)';
    }],
    ['forms, under every switch', async (v) => {
        for (const name of ['none', ...switches]) {
            const page = await v.open(v.place(name === 'none' ? null : ['--enable', name]));
            if (name === 'block-netscape' && isGecko(v.engine)) {
                await page.close();
                continue; // this page turns the browser away
            }
            assert.deepEqual(await formsWork(page), { focused: ['box', 'area', 'list'], values: ['abc', 'def', 'two'] },
                             `forms with ${name}`);
            await page.close();
        }
        return 'work (text boxes, text areas and lists take clicks and keys)';
    }],
];
