// One small API over the three engines: Chromium and Firefox ESR through puppeteer-core (CDP and
// WebDriver BiDi), WebKitGTK through selenium-webdriver and WebKitWebDriver. Each engine runs
// headful in an X server of its own (Xvfb), so that focus, clipboard and windows of one never
// meet another's. Every request goes through the tests' own server as proxy.
import { spawn } from 'node:child_process';
import net from 'node:net';
import puppeteer from 'puppeteer-core';
import { Builder, Key, Origin } from 'selenium-webdriver';

export const engines = ['chromium', 'firefox', 'webkit'];
const miniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const width = 1024;
const height = 768;
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// An X server on a free display, ended with the browser.
async function startX() {
    const x = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', `${width + 200}x${height + 200}x24`,
                             '-nolisten', 'tcp'], { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
    const display = await new Promise((resolve, reject) => {
        let text = '';
        x.stdio[3].on('data', (data) => {
            text += data;
            if (text.includes('\n')) {
                resolve(`:${text.trim()}`);
            }
        });
        x.on('error', reject);
        x.on('exit', (code) => reject(new Error(`Xvfb ended with status ${code}`)));
    });
    return { display, stop: () => x.kill() };
}

const freePort = () => new Promise((resolve) => {
    const server = net.createServer().listen(0, '127.0.0.1', () => {
        const { port } = server.address();
        server.close(() => resolve(port));
    });
});

async function until(what, check, timeout = 10000) {
    for (const end = Date.now() + timeout; ; await pause(50)) {
        const value = await check();
        if (value) {
            return value;
        }
        if (Date.now() > end) {
            throw new Error(`timed out waiting for ${what}`);
        }
    }
}

// What pages of both kinds share: the dialogs seen, the answer to give a prompt or the unlock
// form of an encrypted page (null cancels a prompt and leaves a form alone), the unlock forms
// met, and going back to the page before, however the browser brings it back (loaded anew or
// from its cache of recent pages, which fires no load event).
class Page {
    dialogs = [];
    answer = null;
    unlockForms = 0;

    // Answers the unlock form of an encrypted page, if the page shows one, as a visitor does with
    // the keyboard alone: the password typed where the focus is, then Enter. Waits for the page
    // to load again unlocked, or for the form to say why not; gives what the form then says.
    async unlockIfAsked() {
        // A page that sent itself elsewhere while loading has no form to answer.
        if (!await this.evaluate(() => document.getElementById('qv-unlock') !== null).catch(() => false)) {
            return null;
        }
        this.unlockForms++;
        if (this.answer === null) {
            return null;
        }
        await this.evaluate(() => { window.quorlaneLocked = true; });
        if (this.answer !== '') {
            await this.type(this.answer);
        }
        await this.press('Enter');
        return until('the unlocked page or the form\'s answer', () => this.evaluate(() => {
            if (!window.quorlaneLocked) {
                return document.readyState === 'complete' && 'unlocked';
            }
            const form = document.getElementById('qv-unlock').shadowRoot;
            return !form.querySelector('button').disabled && form.getElementById('m').textContent;
        }).catch(() => false), 60000);
    }

    async back() {
        const from = await this.evaluate(() => location.href);
        await this.evaluate(() => { setTimeout(() => history.back(), 0); });
        await until('the page before', () => this.evaluate(
            (href) => location.href !== href && document.readyState === 'complete', from).catch(() => false));
    }
}

// Keys as "Control+c": the modifiers held while the last key is pressed.
function splitKeys(keys) {
    const parts = keys.split('+');
    return { modifiers: parts.slice(0, -1), key: parts[parts.length - 1] };
}

// -- puppeteer: Chromium and Firefox --------------------------------------------------------

class PuppeteerPage extends Page {
    constructor(page) {
        super();
        this.page = page;
        this.errorList = [];
        page.on('dialog', async (dialog) => {
            this.dialogs.push({ message: dialog.message() });
            // A dialog that the page's navigation closed first is gone already.
            await (this.answer === null ? dialog.dismiss() : dialog.accept(this.answer)).catch(() => {});
        });
        page.on('console', (message) => message.type() === 'error' && this.errorList.push(message.text()));
        page.on('pageerror', (error) => this.errorList.push(String(error.message || error)));
    }
    async goto(url) {
        this.errorList = [];
        // A page that sends itself to about:blank while loading ends the navigation early.
        await this.page.goto(url, { waitUntil: 'load' }).catch((error) => {
            if (!/about:blank/.test(this.page.url())) {
                throw error;
            }
        });
        await this.unlockIfAsked();
    }
    url() { return this.page.url(); }
    // The errors of the console since the last goto.
    async errors() { return this.errorList; }
    evaluate(fn, ...args) { return this.page.evaluate(fn, ...args); }
    async mouse(steps) {
        for (const step of steps) {
            if (step.move) {
                await this.page.mouse.move(step.move[0], step.move[1], { steps: step.steps || 1 });
            } else {
                await (step.down ? this.page.mouse.down({ button: step.down }) : this.page.mouse.up({ button: step.up }));
            }
        }
    }
    async press(keys) {
        const { modifiers, key } = splitKeys(keys);
        for (const modifier of modifiers) {
            await this.page.keyboard.down(modifier);
        }
        await this.page.keyboard.press(key);
        for (const modifier of modifiers.reverse()) {
            await this.page.keyboard.up(modifier);
        }
    }
    type(text) { return this.page.keyboard.type(text); }
    // Prints the page; gives whether the printout holds any text.
    async printHasText() { return /\/Font\b/.test(Buffer.from(await this.page.pdf()).toString('latin1')); }
    close() { return this.page.close(); }
}

class PuppeteerBrowser {
    canPrint = true;
    constructor(engine, browser, stopX) {
        Object.assign(this, { engine, browser, stopX });
    }
    async version() {
        const version = (await this.browser.version()).split('/').pop();
        return `${this.engine === 'chromium' ? 'Chromium' : 'Firefox ESR'} ${version}`;
    }
    async page({ userAgent } = {}) {
        const page = await this.browser.newPage();
        await page.setViewport({ width, height });
        if (userAgent) {
            await page.setUserAgent(userAgent);
        }
        return new PuppeteerPage(page);
    }
    async close() {
        await this.browser.close();
        this.stopX();
    }
    // Ends the browser without asking it: for one that no longer answers.
    kill() {
        this.browser.process()?.kill('SIGKILL');
        this.stopX();
    }
}

async function launchPuppeteer(engine, proxy) {
    const x = await startX();
    const common = { headless: false, acceptInsecureCerts: true, env: { ...process.env, DISPLAY: x.display },
                     defaultViewport: null, protocolTimeout: 60000 };
    const [host, port] = proxy.split(':');
    try {
        const browser = await inTime(engine === 'chromium' ? 'Chromium' : 'Firefox ESR', engine === 'chromium'
            ? puppeteer.launch({
                ...common, browser: 'chrome', executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
                args: ['--no-sandbox', `--proxy-server=${proxy}`, '--no-first-run', '--disable-gpu',
                       '--disable-background-networking', '--disable-component-update', '--disable-sync',
                       '--password-store=basic', `--window-size=${width + 100},${height + 150}`],
            })
            : puppeteer.launch({
                ...common, browser: 'firefox', executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
                extraPrefsFirefox: {
                    'network.proxy.type': 1, 'network.proxy.http': host, 'network.proxy.http_port': Number(port),
                    'network.proxy.ssl': host, 'network.proxy.ssl_port': Number(port),
                    'network.proxy.no_proxies_on': '', 'network.proxy.allow_hijacking_localhost': true,
                },
            }));
        return new PuppeteerBrowser(engine, browser, x.stop);
    } catch (error) {
        x.stop();
        throw error;
    }
}

// -- selenium-webdriver: WebKitGTK ----------------------------------------------------------

const seleniumKeys = { Control: Key.CONTROL, Shift: Key.SHIFT, Alt: Key.ALT, Escape: Key.ESCAPE,
                       ArrowDown: Key.ARROW_DOWN, Enter: Key.ENTER, Tab: Key.TAB };

class WebKitPage extends Page {
    constructor(browser) {
        super();
        this.driver = browser.driver;
    }
    // Answers the prompt that is open, if any; WebKit's commands wait while one is.
    async answerPrompt() {
        let alert;
        try {
            alert = await this.driver.switchTo().alert();
        } catch {
            return false;
        }
        this.dialogs.push({ message: await alert.getText() });
        if (this.answer === null) {
            await alert.dismiss();
        } else {
            if (this.answer !== '') {
                await alert.sendKeys(this.answer).catch(() => {});
            }
            await alert.accept();
        }
        return true;
    }
    // Input actions wait while a prompt they raised is open: it is answered beside them. (A
    // navigation must not be joined that way; it returns when a prompt opens.)
    async withPrompts(command) {
        let done = false;
        const running = command().finally(() => { done = true; });
        while (!done) {
            await Promise.race([running.catch(() => {}), pause(150)]);
            if (!done) {
                await this.answerPrompt();
            }
        }
        await running;
    }
    async goto(url) {
        await this.driver.get(url);
        while (await this.answerPrompt()) {
            await this.driver.executeScript('return 1').catch(() => {});
        }
        await until('the page to load', () => this.driver.executeScript(
            'return document.readyState == "complete"').catch(() => false));
        await this.unlockIfAsked();
    }
    url() { return this.driver.getCurrentUrl(); }
    // WebKitWebDriver tells nothing of the console: the tests' server puts a collector of
    // errors in front of the first script of every page it serves to WebKit.
    async errors() { return (await this.evaluate(() => window.quorlaneErrors || [])) || []; }
    evaluate(fn, ...args) { return this.driver.executeScript(`return (${fn}).apply(null, arguments)`, ...args); }
    perform(build) { return this.withPrompts(() => build(this.driver.actions({ async: true })).perform()); }
    mouse(steps) {
        return this.perform((actions) => steps.reduce((a, step) => (step.move
            ? a.move({ x: Math.round(step.move[0]), y: Math.round(step.move[1]), origin: Origin.VIEWPORT,
                       duration: (step.steps || 1) * 20 })
            : step.down ? a.press(step.down === 'right' ? 2 : 0) : a.release(step.up === 'right' ? 2 : 0)), actions));
    }
    press(keys) {
        const { modifiers, key } = splitKeys(keys);
        return this.perform((actions) => {
            modifiers.forEach((modifier) => actions.keyDown(seleniumKeys[modifier]));
            actions.sendKeys(seleniumKeys[key] || key);
            modifiers.reverse().forEach((modifier) => actions.keyUp(seleniumKeys[modifier]));
            return actions;
        });
    }
    // Types text as a keyboard does. WebKitWebDriver, once other keys went with Control, types
    // capitals as small letters and drops the characters that the X server's keymap has no key
    // for (such as "\u00e4" under Xvfb's US keymap): a capital is typed with Shift held, as
    // on a keyboard, and such a character put in as an input method does, through the editing
    // command that types text where the focus is.
    async type(text) {
        for (const run of text.match(/[\x20-\x7e]+|[^\x20-\x7e]+/g) || []) {
            if (!/^[\x20-\x7e]/.test(run)) {
                await this.evaluate((chars) => document.execCommand('insertText', false, chars), run);
                continue;
            }
            await this.perform((actions) => [...run].reduce((a, c) => (/[A-Z]/.test(c)
                ? a.keyDown(Key.SHIFT).sendKeys(c.toLowerCase()).keyUp(Key.SHIFT) : a.sendKeys(c)), actions));
        }
    }
    close() { return this.driver.get('about:blank'); }
}

class WebKitBrowser {
    engine = 'webkit';
    canPrint = false; // WebKitWebDriver has no print command
    constructor(driver, stop, proxy) {
        Object.assign(this, { driver, stop, proxy });
    }
    async version() {
        return `WebKitGTK ${(await this.driver.getCapabilities()).get('browserVersion')}`;
    }
    // One window per browser: a page is the next address in it. Another user agent takes a
    // browser of its own, ended with the page.
    async page({ userAgent } = {}) {
        if (!userAgent) {
            return new WebKitPage(this);
        }
        const other = await launchWebKit(this.proxy, userAgent);
        return Object.assign(new WebKitPage(other), { close: () => other.close() });
    }
    async close() {
        await this.driver.quit().catch(() => {});
        this.stop();
    }
    // Ends the browser without asking it: for one that no longer answers.
    kill() { this.stop(); }
}

// A start that has not finished in time: a browser that hangs while starting fails the tests
// in a minute with what it printed, not at the end of the CI run's time.
const startTimeout = 90000;
function inTime(what, promise, output) {
    let timer;
    const late = new Promise((resolve, reject) => {
        timer = setTimeout(() => reject(new Error(
            `${what} did not start within ${startTimeout / 1000} s; it printed:\n${output?.text || '(nothing)'}`)),
                           startTimeout);
    });
    return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

// WebKit's web processes run in a bubblewrap sandbox, which a machine without user namespaces
// (some containers) cannot give: there the browser never shows a page. Such a machine gets
// one more try without the sandbox, and the tests say so.
async function launchWebKit(proxy, userAgent) {
    try {
        return await startWebKit(proxy, userAgent, {});
    } catch (error) {
        console.error(`${error.message}\nWebKitGTK: trying once more without its process sandbox`);
        return startWebKit(proxy, userAgent, { WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS: '1' });
    }
}

async function startWebKit(proxy, userAgent, extraEnv) {
    const x = await startX();
    const port = await freePort();
    const output = { text: '' };
    const driverProcess = spawn('WebKitWebDriver', [`--port=${port}`],
                                { env: { ...process.env, ...extraEnv, DISPLAY: x.display },
                                  stdio: ['ignore', 'pipe', 'pipe'] });
    const keep = (data) => { output.text = (output.text + data).slice(-4000); };
    driverProcess.stdout.on('data', keep);
    driverProcess.stderr.on('data', keep);
    const stop = () => { driverProcess.kill(); x.stop(); };
    let driver;
    try {
        await until('WebKitWebDriver', () => new Promise((resolve) => {
            const socket = net.connect(port, '127.0.0.1', () => { socket.end(); resolve(true); });
            socket.on('error', () => resolve(false));
        }));
        const args = ['--automation', `--proxy=http://${proxy}`, ...(userAgent ? [`--user-agent=${userAgent}`] : [])];
        const session = new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
            browserName: 'MiniBrowser', acceptInsecureCerts: true, unhandledPromptBehavior: 'ignore',
            'webkitgtk:browserOptions': { binary: process.env.MINIBROWSER || miniBrowser, args },
        }).build();
        driver = await inTime('WebKitGTK', session, output);
        await inTime('WebKitGTK\'s first page', driver.get('about:blank'), output);
        await driver.manage().window().setRect({ x: 0, y: 0, width, height });
        return new WebKitBrowser(driver, stop, proxy);
    } catch (error) {
        stop();
        throw error;
    }
}

// Starts engine; every request goes through proxy ("127.0.0.1:port"). A browser that cannot
// start is an error, never a skip.
export const launch = (engine, { proxy, userAgent } = {}) =>
    (engine === 'webkit' ? launchWebKit(proxy, userAgent) : launchPuppeteer(engine, proxy));
