// What each switch and lock does in one engine, tried as a visitor would: the pages come over
// HTTP (and HTTPS) under made-up host names, and every click, drag and key is a real input event
// of the browser. Each check asserts what must hold and gives the line of the measured table for
// its engine: "works", "partly: ..." or "no effect: ...".
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { encrypted, escapedBlocks, password, protect, protectRun, protectSharing, sealedBlocks, switches,
         tempFolder } from './lib.mjs';

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
const enable = (name) => ['--enable', name];

// Whether check() comes true within ms, asking every step ms.
async function within(ms, check, step = 100) {
    for (const end = Date.now() + ms; ; await new Promise((resolve) => setTimeout(resolve, step))) {
        if (await check()) {
            return true;
        }
        if (Date.now() >= end) {
            return false;
        }
    }
}

// Everything a check needs: the engine, the server, and pages protected with given options.
export class Visitor {
    constructor(browser, server) {
        Object.assign(this, { browser, engine: browser.engine, server, count: 0 });
        server.put('/pixel.svg', pixel);
        server.put('/other.html', '<!DOCTYPE html><p id="other">Another page</p>');
        server.put('/clipboard.html', '<!DOCTYPE html><input id="box">');
    }

    // The sample page protected with args (null: left plain), put at every address given (paths
    // on any host, or whole addresses); gives the first. The addresses made here are the engine's
    // own, since the engines' tests share the server.
    place(args, addresses = [`/check/${this.engine}/${++this.count}.html`], html = samplePage) {
        const bytes = args === null ? html : protect(html, args);
        addresses.forEach((address) => this.server.put(address, bytes));
        return addresses[0].startsWith('/') ? `http://www.harbour.example${addresses[0]}` : addresses[0];
    }

    async open(url, { answer = '', userAgent } = {}) {
        const page = await this.browser.page({ userAgent });
        page.answer = answer;
        await page.goto(url);
        return page;
    }

    // Opens url, or the sample page protected with these args, and gives what use makes of it.
    async use(where, use, options) {
        const page = await this.open(typeof where === 'string' ? where : this.place(where), options);
        try {
            return await use(page);
        } finally {
            await page.close();
        }
    }

    // Opens url and tells whether the page was sent to about:blank.
    blanked(url, options) {
        return this.use(url, (page) => within(1000, async () => (await page.url()) === 'about:blank'), options);
    }
}

async function box(page, selector) {
    const [left, top, right, bottom] = await page.evaluate((s) => {
        const r = document.querySelector(s).getBoundingClientRect();
        return [r.left, r.top, r.right, r.bottom];
    }, selector);
    return { left, top, right, bottom, x: (left + right) / 2, y: (top + bottom) / 2 };
}

async function click(page, selector, button = 'left') {
    const { x, y } = await box(page, selector);
    await page.mouse([{ move: [x, y] }, { down: button }, { up: button }]);
}

const seen = (page, type) => page.evaluate((t) => window.seen.filter((e) => e.type === t), type);
const valueOf = (page, id) => page.evaluate((i) => document.getElementById(i).value, id);

// A drag with the mouse across the sample text; gives what ends up selected.
async function dragOverText(page) {
    const text = await box(page, '#text');
    await page.mouse([{ move: [text.left + 2, text.y] }, { down: 'left' },
                      { move: [text.right - 2, text.y], steps: 5 }, { up: 'left' }]);
    return page.evaluate(() => String(getSelection()));
}

// Clicks into the element and types text there; with copy, selects it all and copies it.
async function typeInto(page, selector, text, copy = false) {
    await click(page, selector);
    await page.type(text);
    if (copy) {
        await page.press('Control+a');
        await page.press('Control+c');
    }
}

// Puts a text of its own on the clipboard, from a page without protection.
const fillClipboard = (visitor, text) =>
    visitor.use('http://www.harbour.example/clipboard.html', (page) => typeInto(page, '#box', text, true));

// Ctrl+V into the text area; gives what it then holds.
async function paste(page) {
    await click(page, '#area');
    await page.press('Control+v');
    return valueOf(page, 'area');
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
    return { cancelled: copy.length > 0 && copy.every((e) => e.prevented), pasted: await paste(page) };
}

// Copy and paste inside the form: from the text box into the text area.
async function copyInField(page) {
    await typeInto(page, '#box', 'field words', true);
    return paste(page);
}

// A click into the text box, the text area and the list focuses each; keys then type and choose.
async function formsWork(page) {
    const focused = [];
    for (const [id, keys] of [['box', 'abc'], ['area', 'def'], ['list', null]]) {
        await click(page, `#${id}`);
        focused.push(await page.evaluate(() => document.activeElement.id));
        if (keys) {
            await page.type(keys);
        }
    }
    await page.press('Escape');
    await page.type('t');
    return { focused, values: [await valueOf(page, 'box'), await valueOf(page, 'area'), await valueOf(page, 'list')] };
}

// The keys an encrypted page keeps: the kinds (qv_k, qv_l, ...) in the tab's session storage and
// in the device's local storage.
const keptKeys = (page) => page.evaluate(() => [sessionStorage, localStorage].map(
    (store) => Object.keys(store).filter((name) => name.startsWith('qv_')).map((name) => name.slice(0, 4))));

// Whether the page shows the sample text, asked no password and wrote its own element.
const opensUnasked = async (page) => page.unlockForms === 0 &&
    await page.evaluate((text) => document.documentElement.innerText.includes(text) &&
                        document.getElementById('own') !== null, sampleText);

// What the unlock form shows, read from its shadow root: the owner's form or the built-in one.
const formShown = (page) => page.evaluate(() => {
    const root = document.getElementById('qv-unlock').shadowRoot;
    const button = root.querySelector('button');
    return { own: root.querySelector('form').className, title: root.querySelector('h1, h2').textContent,
             label: root.querySelector('label[for=p]').textContent, button: button.textContent,
             colour: getComputedStyle(button).backgroundColor,
             focused: root.activeElement === root.getElementById('p'), secure: isSecureContext };
});

// A page of its own at url, as a new tab gives it: nothing kept for its visit. (WebKitGTK's
// driver shows every page in one tab; there the session storage of url's site is emptied first.)
async function freshTab(v, url) {
    const origin = new URL(url).origin;
    v.server.put(`${origin}/fresh.html`, '<!DOCTYPE html><title>fresh</title>');
    const page = await v.browser.page();
    await page.goto(`${origin}/fresh.html`);
    await page.evaluate(() => sessionStorage.clear());
    await page.goto(url);
    return page;
}

// A page opened by a click on the forget link of an unlocked page, once it has loaded again.
async function forget(page) {
    const [x, y] = await page.evaluate(() => {
        const box = document.getElementById('qv-forget').shadowRoot.querySelector('a').getBoundingClientRect();
        return [box.left + box.width / 2, box.top + box.height / 2];
    });
    await page.mouse([{ move: [x, y] }, { down: 'left' }, { up: 'left' }]);
    assert.ok(await within(10000, () => page.evaluate(() => document.readyState === 'complete' &&
                                                       document.getElementById('qv-unlock') !== null).catch(() => false)),
              'the form after forget');
}

const isGecko = (engine) => engine === 'firefox';

// One check per table row: the row's name and what it measures.
export const checks = [
    ['no-right-click', async (v) => {
        const rightClick = (args) => v.use(args, async (page) => {
            await click(page, '#text', 'right');
            await page.press('Escape');
            return { prevented: (await seen(page, 'contextmenu'))[0].prevented, dialogs: page.dialogs.map((d) => d.message) };
        });
        assert.deepEqual(await rightClick(null), { prevented: false, dialogs: [] }, 'a page without the switch');
        assert.deepEqual(await rightClick(enable('no-right-click')), { prevented: true, dialogs: [] }, 'menu cancelled');
        assert.deepEqual(await rightClick([...enable('no-right-click'), '--warning', 'Hands off!']),
                         { prevented: true, dialogs: ['Hands off!'] }, 'the warning');
        return 'works (context menu cancelled, the warning shown)';
    }],
    ['no-text-select', async (v) => {
        assert.equal(await v.use(null, dragOverText), sampleText, 'a drag selects without the switch');
        await fillClipboard(v, 'left on the clipboard');
        await v.use(enable('no-text-select'), async (page) => {
            assert.equal(await dragOverText(page), '', 'a drag selects nothing');
            assert.deepEqual(await copyText(page), { cancelled: true, pasted: 'left on the clipboard' }, 'nothing copied');
        });
        return (await v.use(enable('no-text-select'), copyInField)) === 'field words'
            ? 'works (selection and copying blocked)'
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
            assert.equal(await v.blanked(onDisk(enable('no-offline'))), true, 'blank from disk');
            assert.equal(await v.blanked(v.place(enable('no-offline'))), false, 'shown over HTTP');
        } finally {
            fs.rmSync(folder, { recursive: true, force: true });
        }
        return 'works (a page opened from disk goes blank)';
    }],
    ['hide-status-urls', async (v) => {
        const hover = (args) => v.use(args, async (page) => {
            const { x, y } = await box(page, '#link');
            await page.mouse([{ move: [x, y] }]);
            return { cancelled: (await seen(page, 'mouseover')).some((e) => e.prevented),
                     href: await page.evaluate(() => document.getElementById('link').href) };
        });
        const plain = await hover(null);
        const hidden = await hover(enable('hide-status-urls'));
        assert.equal(hidden.href, 'http://www.harbour.example/other.html');
        return hidden.cancelled === plain.cancelled && hidden.href === plain.href
            ? 'no effect (browsers ignore window.status: the address still shows on hover)'
            : 'partly (the link hover changes)';
    }],
    ['no-printing', async (v) => {
        const print = (args) => v.use(args, async (page) => {
            let hasText = null;
            if (v.browser.canPrint) {
                hasText = await page.printHasText();
            } else {
                await page.evaluate(() => ['beforeprint', 'afterprint'].forEach((type) => dispatchEvent(new Event(type))));
            }
            return {
                hasText,
                before: (await seen(page, 'beforeprint')).map((e) => e.hidden),
                after: (await seen(page, 'afterprint')).map((e) => e.hidden),
                own: await page.evaluate(() => {
                    const own = document.getElementById('own');
                    return [own && own.id, own && getComputedStyle(own).color, document.querySelectorAll('[id]').length,
                            [...document.getElementsByTagName('*')].filter((x) => x.style.visibility).length];
                }),
            };
        });
        const plain = await print(null);
        const blocked = await print(enable('no-printing'));
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
        assert.deepEqual(await v.use(null, copyText), { cancelled: false, pasted: sampleText }, 'copies without the switch');
        await fillClipboard(v, 'left on the clipboard');
        await v.use(enable('no-clipboard'), async (page) => {
            assert.notEqual(await dragOverText(page), '', 'text can still be selected');
            assert.deepEqual(await copyText(page), { cancelled: true, pasted: 'left on the clipboard' }, 'copies nothing');
        });
        const loop = await v.use(enable('no-clipboard'), async (page) => {
            assert.equal(await copyInField(page), 'field words', 'copying inside form fields still works');
            return page.evaluate(() => document.getElementsByName('qv_ta').length > 0);
        });
        return loop ? 'works' : 'partly (copy and cut cancelled outside form fields; print screen not stopped)';
    }],
    ['no-drag-drop', async (v) => {
        const drag = (args) => v.use(args, async (page) => {
            const { x, y } = await box(page, '#image');
            await page.mouse([{ move: [x, y] }, { down: 'left' }, { move: [x + 40, y + 40], steps: 5 },
                              { move: [x + 150, y + 120], steps: 5 }, { up: 'left' }]);
            return (await seen(page, 'dragstart'))[0].prevented;
        });
        assert.equal(await drag(null), false, 'drags without the switch');
        assert.equal(await drag(enable('no-drag-drop')), true, 'dragstart cancelled');
        return 'works (dragging from the page cancelled)';
    }],
    ['no-web-capture', async (v) => {
        assert.ok((await v.use(enable('no-web-capture'), (page) => page.evaluate(() => document.body.innerText)))
            .includes(sampleText));
        return 'no effect (it acts only in one long-gone browser)';
    }],
    ['block-opera', async (v) => {
        const url = v.place(enable('block-opera'));
        assert.equal(await v.blanked(url), false, 'this browser is let in');
        assert.equal(await v.blanked(url, { userAgent: operaOld }), true, 'old Opera turned away');
        assert.equal(await v.blanked(url, { userAgent: operaNew }), true, 'new Opera turned away');
        return 'works (Opera turned away, old and new; this browser let in)';
    }],
    ['break-frames', async (v) => {
        // Whether the page leaves a frame of host's page for the whole window.
        const framed = (args, host) => {
            const url = v.place(args);
            const frameHost = `http://${host}/frame/${v.engine}/${++v.count}.html`;
            v.server.put(frameHost, `<!DOCTYPE html><iframe src="${url}" width="600" height="300"></iframe>`, 'text/html');
            return v.use(frameHost, (page) => within(2000, async () => (await page.url()) === url));
        };
        assert.equal(await framed(null, 'www.harbour.example'), false, 'stays in the frame without the switch');
        assert.equal(await framed(enable('break-frames'), 'www.harbour.example'), true, 'leaves a frame of its site');
        return (await framed(enable('break-frames'), 'www.elsewhere.example')) ? 'works (leaves any frame)'
            : 'partly (leaves a frame of its own site; from another site\'s frame the browser refuses)';
    }],
    ['no-image-toolbar', async (v) => {
        const menus = await v.use(enable('no-image-toolbar'), async (page) => {
            await click(page, '#image', 'right');
            await click(page, '#text', 'right');
            await page.press('Escape');
            return seen(page, 'contextmenu');
        });
        assert.deepEqual(menus.map((e) => [e.target, e.prevented]), [['image', true], ['text', false]]);
        return 'partly (only blocks the right click on images)';
    }],
    ['block-netscape', async (v) => {
        const blank = await v.blanked(v.place(enable('block-netscape')));
        assert.equal(blank, isGecko(v.engine), 'Gecko and only Gecko turned away');
        assert.equal(await v.blanked(v.place(null)), false);
        return blank ? 'works (this browser turned away)' : 'works (this browser let in)';
    }],
    ['expire-page', async (v) => {
        // Whether going back to the page after following its link asks the server for it again.
        const backAgain = (args) => {
            const url = v.place(args);
            return v.use(url, async (page) => {
                await click(page, '#link');
                await within(3000, async () => (await page.url()).endsWith('/other.html'), 50);
                const before = v.server.requests(url);
                await page.back();
                return v.server.requests(url) > before;
            });
        };
        const plain = await backAgain(null);
        const expiring = await backAgain(enable('expire-page'));
        if (expiring === plain) {
            return `no effect (going back ${plain ? 'reloads the page with or without it' : 'does not reload the page'})`;
        }
        return expiring ? 'works (going back reloads the page)' : 'partly';
    }],
    ['--domain-lock', async (v) => {
        v.place(['--domain-lock', 'WWW.Harbour.example, .Bakery.example b\u00fccher.example'], ['/locked.html']);
        for (const [hosts, blank] of [[['http://www.harbour.example', 'https://www.harbour.example', 'http://bakery.example',
                                        'http://shop.bakery.example', 'http://a.b.bakery.example', 'http://b\u00fccher.example'], false],
                                      [['http://harbour.example', 'http://www.elsewhere.example', 'http://notbakery.example',
                                        'http://bakery.example.elsewhere.example'], true]]) {
            for (const host of hosts) {
                assert.equal(await v.blanked(`${host}/locked.html`), blank, `${blank ? 'blank' : 'shown'} on ${host}`);
            }
        }
        return 'works (every listed host, and below a host written with a leading ".")';
    }],
    ['--url-lock', async (v) => {
        v.place(['--url-lock', 'http://WWW.Harbour.example/Shop/Page.html'],
                ['/Shop/Page.html', '/Shop/Other.html', '/shop/page.html']);
        for (const [urls, blank] of [[['http://www.harbour.example/Shop/Page.html', 'http://www.harbour.example/Shop/Page.html?utm_source=mail',
                                       'http://www.harbour.example/Shop/Page.html#part', 'https://www.harbour.example/Shop/Page.html',
                                       'http://WWW.HARBOUR.EXAMPLE/Shop/Page.html?x=1#y'], false],
                                     [['http://www.harbour.example/Shop/Other.html', 'http://www.harbour.example/shop/page.html',
                                       'http://www.elsewhere.example/Shop/Page.html'], true]]) {
            for (const url of urls) {
                assert.equal(await v.blanked(url), blank, `${blank ? 'blank' : 'shown'} at ${url}`);
            }
        }
        return 'works (its address with any query or fragment, over http and https)';
    }],
    ['--password', async (v) => {
        const url = v.place(['--password', 'open sesame']);
        for (const [answer, shown] of [['open sesame', true], ['wrong', false], [null, false]]) {
            await v.use(url, async (page) => {
                assert.deepEqual(page.dialogs.map((d) => d.message), ['Enter Password:']);
                const html = await page.evaluate(() => document.documentElement.outerHTML);
                assert.equal(html.includes(sampleText), shown, `answer ${answer}`);
            }, { answer });
        }
        return 'works (the page only for the right answer)';
    }],
    ['--password --encrypt', async (v) => {
        const links = ['--mode', 'links', ...encrypted];
        const run = protectRun({ 'a.html': samplePage, 'b.html': samplePage }, links);
        const otherRun = protectRun({ 'c.html': samplePage }, links);
        // The link's block (found in the clear page) with one character changed in the middle.
        const index = escapedBlocks(protect(samplePage, ['--mode', 'links'])).findIndex((b) => b.text.includes('id="link"'));
        const sealed = sealedBlocks(run['a.html'].toString('latin1'))[index];
        const at = sealed.at + (sealed.text.length >> 1);
        const tampered = Buffer.from(run['a.html']);
        tampered[at] = tampered[at] === 65 ? 66 : 65;
        const whole = protect(samplePage, encrypted);
        const forgetful = protect(samplePage, [...encrypted, '--no-remember']);
        // Each visit on a host of its own, so that no key kept by another visit is found; for
        // each page of it, [text shown, link shown], then the unlock forms so far. The pages are
        // opened one right after the other, as a quick click or a script does.
        const visit = async (pages, answer) => {
            const host = `http://visit${++v.count}.${v.engine}.harbour.example`;
            pages.forEach((bytes, i) => v.server.put(`${host}/${i}.html`, bytes));
            const page = await v.browser.page();
            page.answer = answer;
            const shown = [];
            for (let i = 0; i < pages.length; i++) {
                await page.goto(`${host}/${i}.html`);
                shown.push(await page.evaluate((text) => [document.documentElement.innerText.includes(text),
                                                          document.getElementById('link') !== null], sampleText));
                shown.push(page.unlockForms);
                assert.deepEqual(await page.errors(), [], `no script errors on page ${i}`);
            }
            assert.deepEqual(page.dialogs, [], 'no dialog box');
            await page.close();
            return shown;
        };
        for (const [name, pages, answer, expected] of [
            ['the right password', [whole], password, [[true, true], 1]],
            ['a wrong password', [whole], 'p\u00e4ssw\u00f6rd 7', [[false, false], 1]],
            ['no password', [whole], '', [[false, false], 1]],
            ['the form left alone', [whole], null, [[false, false], 1]],
            ['a tampered block', [tampered], password, [[true, false], 1]],
            ['pages of one run and then of another', [run['a.html'], run['b.html'], otherRun['c.html']], password,
             [[true, true], 1, [true, true], 1, [true, true], 2]],
            ['a run that keeps no key', [forgetful, forgetful], password, [[true, true], 1, [true, true], 2]],
        ]) {
            assert.deepEqual(await visit(pages, answer), expected, name);
        }
        return 'works (only the right password opens it, a tampered block stays out; asked once per visit and run)';
    }],
    ['the unlock form of encrypted pages', async (v) => {
        const url = `http://form.${v.engine}.harbour.example/page.html`;
        v.server.put(url, protect(samplePage, encrypted));
        return v.use(url, async (page) => {
            // The field has the focus at once, masked; the page's own markup is not written.
            const form = () => page.evaluate(() => {
                const root = document.getElementById('qv-unlock').shadowRoot;
                const field = root.getElementById('p');
                return { focused: document.activeElement.id === 'qv-unlock' && root.activeElement === field,
                         type: field.type, label: root.querySelector('label[for=p]').textContent,
                         message: root.getElementById('m').textContent, value: field.value,
                         own: document.getElementById('own') !== null };
            });
            assert.deepEqual(await form(), { focused: true, type: 'password', label: 'Password', message: '',
                                             value: '', own: false });
            // Keyboard only: a wrong password is said and selected, the toggle shows what is typed.
            page.answer = 'not it';
            assert.equal(await page.unlockIfAsked(), 'Wrong password. Please try again.');
            const afterWrong = await form();
            assert.equal(afterWrong.focused, true, 'the field keeps the focus');
            await page.press('Tab');
            await page.press(' ');
            assert.equal((await form()).type, 'text', 'show password');
            await page.press('Shift+Tab');
            await page.press('Control+a');
            page.answer = password;
            assert.equal(await page.unlockIfAsked(), 'unlocked');
            assert.equal(await page.evaluate(() => document.getElementById('qv-unlock')), null);
            assert.equal(await page.evaluate(() => document.getElementById('own').textContent), "The page's own element");
            return 'works (keyboard only: focus in the field, a wrong password said, show password, then the page)';
        }, { answer: null });
    }],
    ['--unlock-text, --unlock-template', async (v) => {
        const title = '<b>Members</b> & "friends"';
        const texts = ['--unlock-text', `title=${title}`, '--unlock-text', 'wrong=Falsch, bitte noch einmal.',
                       '--unlock-text', 'button=\u00d6ffnen', '--unlock-text', 'accent=#008000'];
        const folder = tempFolder('template');
        const template = path.join(folder, 'form.html');
        fs.writeFileSync(template, '<form class="own"><h2>{{title}}</h2><label for="p">{{label}}</label> ' +
                         '<input id="p" type="password"> <button>{{button}}</button><p id="m" role="status"></p>' +
                         '<p>{{nothing}}</p></form>');
        const pages = [['built-in', [...encrypted, ...texts]],
                       ['own', [...encrypted, ...texts, '--unlock-template', template]]];
        const port = v.server.proxy.split(':')[1];
        try {
            for (const [form, args] of pages) {
                // The built-in form again on a secure origin, where the key is WebCrypto's.
                for (const host of form === 'own' ? ['harbour.example'] : ['harbour.example', `127.0.0.1:${port}`]) {
                    const url = v.place(args, [`http://${host}/texts/${v.engine}/${++v.count}.html`]);
                    await v.use(url, async (page) => {
                        assert.deepEqual(await formShown(page), {
                            own: form === 'own' ? 'own' : '', title, label: 'Password', button: '\u00d6ffnen',
                            colour: 'rgb(0, 128, 0)', focused: true, secure: host !== 'harbour.example' }, url);
                        page.answer = 'not it';
                        assert.equal(await page.unlockIfAsked(), 'Falsch, bitte noch einmal.');
                        page.answer = password;
                        assert.equal(await page.unlockIfAsked(), 'unlocked');
                        assert.equal(await page.evaluate(() => document.getElementById('own').textContent),
                                     "The page's own element");
                    }, { answer: null });
                }
            }
        } finally {
            fs.rmSync(folder, { recursive: true, force: true });
        }
        return 'works (its texts and a colour, or a form of the owner\'s own with the texts filled in)';
    }],
    ['--remember-days, forget', async (v) => {
        const origin = `http://days${++v.count}.${v.engine}.harbour.example`;
        const url = v.place([...encrypted, '--remember-days', '3'], [`${origin}/page.html`]);
        const opened = [];
        const open = async (tick) => {
            const page = await freshTab(v, url);
            opened.push(page);
            if (tick !== undefined && page.unlockForms === 1) {
                // Keyboard only: past "show password" to "remember me", ticked or not, and back.
                await page.press('Tab');
                await page.press('Tab');
                await (tick ? page.press(' ') : null);
                await page.press('Shift+Tab');
                await page.press('Shift+Tab');
                page.answer = password;
                assert.equal(await page.unlockIfAsked(), 'unlocked');
            }
            return page;
        };
        // The run's key, as the device keeps it, with an expiry ms from now.
        const keepOnDevice = (page, [salt, key], ms) => page.evaluate(
            (s, k, e) => localStorage.setItem(`qv_l${s}`, `${k} ${Date.now() + e}`), salt, key, ms);
        try {
            // Ticked: kept on the device for 3 days, so that a tab of its own opens unasked.
            const first = await open(true);
            assert.deepEqual(await keptKeys(first), [['qv_k'], ['qv_l']]);
            const [days, runKey] = await first.evaluate(() => {
                const device = Object.keys(localStorage).find((n) => n.startsWith('qv_l'));
                const visit = Object.keys(sessionStorage).find((n) => n.startsWith('qv_k'));
                return [(Number(localStorage.getItem(device).split(' ')[1]) - Date.now()) / 864e5,
                        [visit.slice(4), sessionStorage.getItem(visit)]];
            });
            assert.ok(days > 2.99 && days <= 3, `kept for ${days} days`);
            const second = await open();
            assert.equal(await opensUnasked(second), true, 'a tab of its own');
            // Forget drops the device's key and this tab's, and asks again.
            await forget(second);
            assert.deepEqual(await keptKeys(second), [[], []]);
            const third = await open();
            assert.equal(third.unlockForms, 1, 'a tab after forget');

            // The key of the run kept on the device opens until its expiry, and is dropped after.
            await keepOnDevice(third, runKey, 60000);
            const fourth = await open();
            assert.equal(await opensUnasked(fourth), true, 'before its expiry');
            await keepOnDevice(fourth, runKey, -1000);
            const late = await open();
            assert.equal(late.unlockForms, 1, 'after its expiry');
            assert.deepEqual(await keptKeys(late), [[], []]);

            // Not ticked: kept for the visit only, a tab of its own asks.
            const visitOnly = await open(false);
            assert.deepEqual(await keptKeys(visitOnly), [['qv_k'], []]);
            assert.equal((await open()).unlockForms, 1, 'a tab after a visit that kept nothing');
        } finally {
            for (const page of opened) {
                await page.close();
            }
        }
        return 'works (kept for the days given when ticked, by keyboard; forget asks again)';
    }],
    ['share link (--share-link)', async (v) => {
        const { bytes, key } = protectSharing(samplePage, encrypted);
        const url = `http://share${++v.count}.${v.engine}.harbour.example/page.html`;
        v.server.put(url, bytes);
        const address = (page) => page.evaluate(() => location.href);
        const wrong = `${key.slice(0, -3)}${key.endsWith('AAA') ? 'BBB' : 'AAA'}`;
        for (const [given, opens] of [[`${url}?from=mail#qv-key=${key}`, true], [`${url}#qv-key=${wrong}`, false]]) {
            const page = await freshTab(v, given);
            try {
                assert.equal(opens ? await opensUnasked(page) : page.unlockForms === 1, true, given);
                assert.equal(await address(page), given.split('#')[0], 'the key taken out of the address');
                assert.deepEqual(await keptKeys(page), [opens ? ['qv_k'] : [], []]);
            } finally {
                await page.close();
            }
        }
        return 'works (opens unasked, the key taken out of the address bar; a wrong key asks)';
    }],
    ['unlock without workers', async (v) => {
        // The page refuses workers; a refusal seen is kept across the reload that unlocks it.
        const refusing = samplePage.replace('<head>', '<head><meta http-equiv="Content-Security-Policy" ' +
            'content="worker-src \'none\'"><script>addEventListener("securitypolicyviolation", ' +
            '(e) => sessionStorage.setItem("refused", e.effectiveDirective));</script>');
        const url = v.place(['--mode', 'links', ...encrypted], [`http://workers${++v.count}.${v.engine}.harbour.example/page.html`],
                            refusing);
        return v.use(url, async (page) => {
            assert.equal(page.unlockForms, 1);
            assert.equal(await page.evaluate(() => document.getElementById('link') !== null), true);
            const refused = await page.evaluate(() => sessionStorage.getItem('refused'));
            return refused === 'worker-src' ? 'works (the worker refused, the key made on the page\'s own thread)'
                : `partly: the engine does not refuse the worker (${refused}); the page opens`;
        }, { answer: password });
    }],
    ['forms, under every switch', async (v) => {
        // block-netscape turns Gecko away.
        for (const name of ['none', ...switches].filter((n) => n !== 'block-netscape' || !isGecko(v.engine))) {
            assert.deepEqual(await v.use(name === 'none' ? null : enable(name), formsWork),
                             { focused: ['box', 'area', 'list'], values: ['abc', 'def', 'two'] }, `forms with ${name}`);
        }
        return 'work (text boxes, text areas and lists take clicks and keys)';
    }],
];
