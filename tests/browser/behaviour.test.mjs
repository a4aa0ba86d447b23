// What each switch and lock promises, seen in Chromium on a small protected page.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { launch, fileOnlyContext, protectPage, tempFolder, fileUrl } from './lib.mjs';

const samplePage = `<html><head><title>Switches</title></head><body>
<p id="text">Some text to select.</p>
<img id="image" src="data:image/gif;base64,R0lGODlhAQABAAAAACw=" width="10" height="10">
<a id="link" href="other.html">a link</a>
</body></html>`;

let browser;
let folder;

before(async () => {
    browser = await launch();
    folder = tempFolder('behaviour');
});

after(async () => {
    await browser?.close();
    fs.rmSync(folder, { recursive: true, force: true });
});

let counter = 0;

// Opens the sample page protected with args; dialogs are answered by answer (null: dismissed).
async function open(args, { answer = null, contextOptions = {}, html = samplePage } = {}) {
    const file = protectPage(html, args, folder, `page${++counter}.html`);
    const context = await fileOnlyContext(browser, contextOptions);
    const page = await context.newPage();
    const dialogs = [];
    page.on('dialog', async (dialog) => {
        dialogs.push({ type: dialog.type(), message: dialog.message() });
        if (answer === null) {
            await dialog.dismiss();
        } else {
            await dialog.accept(answer);
        }
    });
    await page.goto(fileUrl(file), { waitUntil: 'load' });
    return { page, context, dialogs, file };
}

// Dispatches an event on the element and tells whether something cancelled it.
function cancelled(page, selector, type, init = {}) {
    return page.evaluate(([selector, type, init]) => {
        const event = new MouseEvent(type, { bubbles: true, cancelable: true, ...init });
        return !document.querySelector(selector).dispatchEvent(event);
    }, [selector, type, init]);
}

test('no-right-click cancels the context menu, with the warning as an alert', async () => {
    const plain = await open([]);
    assert.equal(await cancelled(plain.page, '#text', 'contextmenu', { button: 2 }), false);
    await plain.context.close();

    const quiet = await open(['--enable', 'no-right-click']);
    assert.equal(await cancelled(quiet.page, '#text', 'contextmenu', { button: 2 }), true);
    assert.deepEqual(quiet.dialogs, []);
    await quiet.context.close();

    const warned = await open(['--enable', 'no-right-click', '--warning', 'Hands off!'], { answer: '' });
    assert.equal(await cancelled(warned.page, '#text', 'contextmenu', { button: 2 }), true);
    assert.deepEqual(warned.dialogs, [{ type: 'alert', message: 'Hands off!' }]);
    await warned.context.close();
});

test('no-text-select cancels selectstart', async () => {
    const plain = await open([]);
    assert.equal(await cancelled(plain.page, '#text', 'selectstart'), false);
    await plain.context.close();
    const blocked = await open(['--enable', 'no-text-select']);
    assert.equal(await blocked.page.evaluate(() => {
        const event = new Event('selectstart', { bubbles: true, cancelable: true });
        return !document.getElementById('text').dispatchEvent(event);
    }), true);
    assert.equal(await cancelled(blocked.page, '#text', 'mousedown'), true);
    await blocked.context.close();
});

test('no-printing hides the body when printed', async () => {
    const { page, context } = await open(['--enable', 'no-printing']);
    assert.notEqual(await page.evaluate(() => getComputedStyle(document.body).display), 'none');
    await page.emulateMedia({ media: 'print' });
    assert.equal(await page.evaluate(() => getComputedStyle(document.body).display), 'none');
    await context.close();
});

test('no-drag-drop cancels dragstart', async () => {
    const plain = await open([]);
    assert.equal(await plain.page.evaluate(() => !document.getElementById('image').dispatchEvent(
        new DragEvent('dragstart', { bubbles: true, cancelable: true }))), false);
    await plain.context.close();
    const { page, context } = await open(['--enable', 'no-drag-drop']);
    assert.equal(await page.evaluate(() => !document.getElementById('image').dispatchEvent(
        new DragEvent('dragstart', { bubbles: true, cancelable: true }))), true);
    await context.close();
});

test('hide-status-urls keeps clearing the status text', async () => {
    const { page, context } = await open(['--enable', 'hide-status-urls']);
    await page.evaluate(() => { window.status = 'http://example.com/'; });
    await page.waitForTimeout(100);
    assert.equal(await page.evaluate(() => window.status), '');
    await context.close();
});

test('the password prompt shows the page for the right answer only', async () => {
    for (const [answer, shown] of [['open sesame', true], ['wrong', false], [null, false]]) {
        const { page, context, dialogs } = await open(['--password', 'open sesame'], { answer });
        assert.equal(dialogs.length, 1);
        assert.equal(dialogs[0].type, 'prompt');
        assert.equal(dialogs[0].message, 'Enter Password:');
        const text = await page.evaluate(() => document.body ? document.body.innerText : '');
        assert.equal(text.includes('Some text to select.'), shown, `answer ${answer}`);
        await context.close();
    }
});

test('locks and no-offline send a page opened from disk to about:blank', async () => {
    for (const args of [['--domain-lock', 'www.harbour.example'],
                        ['--url-lock', 'http://www.harbour.example/page.html'],
                        ['--enable', 'no-offline']]) {
        const { page, context } = await open(args);
        await page.waitForURL('about:blank');
        assert.equal(page.url(), 'about:blank', args.join(' '));
        await context.close();
    }
    const { page, context, file } = await open([]);
    assert.equal(page.url(), fileUrl(file));
    await context.close();
});

test('break-frames takes the top window to the framed page', async () => {
    const file = protectPage(samplePage, ['--enable', 'break-frames'], folder, 'framed.html');
    const frameset = path.join(folder, 'frameset.html');
    fs.writeFileSync(frameset, '<html><frameset cols="50%,50%"><frame src="framed.html">' +
                               '<frame src="about:blank"></frameset></html>');
    const context = await fileOnlyContext(browser);
    const page = await context.newPage();
    await page.goto(fileUrl(frameset));
    await page.waitForURL(fileUrl(file));
    assert.equal(page.url(), fileUrl(file));
    await context.close();
});

test('block-opera and block-netscape go by the user agent', async () => {
    const opera = 'Mozilla/5.0 (X11; Linux x86_64) Presto/2.12 Version/12.16 Opera/9.80';
    const plain = 'Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 Chrome/120.0';
    // Chromium's own user agent says "like Gecko": that alone is enough for block-netscape.
    const gecko = 'Mozilla/5.0 (X11; Linux x86_64; rv:120.0) Gecko/20100101 Firefox/120.0';
    const cases = [
        [['--enable', 'block-opera'], opera, true],
        [['--enable', 'block-opera'], plain, false],
        [['--enable', 'block-netscape'], gecko, true],
        [['--enable', 'block-netscape'], plain, false],
    ];
    for (const [args, userAgent, blocked] of cases) {
        const { page, context, file } = await open(args, { contextOptions: { userAgent } });
        if (blocked) {
            await page.waitForURL('about:blank');
        }
        assert.equal(page.url(), blocked ? 'about:blank' : fileUrl(file), `${args} ${userAgent}`);
        await context.close();
    }
});

test('expire-page and no-image-toolbar put their meta elements in the head', async () => {
    const { page, context } = await open(['--enable', 'expire-page,no-image-toolbar']);
    const metas = await page.evaluate(() => [...document.head.querySelectorAll('meta[http-equiv]')]
        .map((meta) => `${meta.httpEquiv}=${meta.content}`));
    assert.deepEqual(metas, ['EXPIRES=Wed Nov 18 22:45:00 UTC+0530 1992', 'imagetoolbar=no']);
    assert.equal(await page.evaluate(() => document.getElementById('image').getAttribute('galleryimg')), 'no');
    await context.close();
});

test('without JavaScript the no-script notice shows and the page does not', async () => {
    const { page, context } = await open([], { contextOptions: { javaScriptEnabled: false } });
    const text = await page.evaluate(() => document.body.innerText);
    assert.ok(text.includes('This page needs a JavaScript Enabled browser.'));
    assert.ok(!text.includes('Some text to select.'));
    await context.close();
});
