// The unlock script of a page whose hidden part is encrypted. It stands in the page as a plain
// script element, ahead of the page script, and defines two functions:
//
//   qv_unlock(salt, iterations, check, remember, options)
//       Called by the page script while the page is parsed. Finds the key of the run that
//       protected the page, kept under a name made of the salt: the key that the unlock form
//       handed to the reload it started (always, and used once), the key of a share link in the
//       address's fragment (#qv-key=..., taken out of the address bar at once), the key of this
//       visit in the tab's sessionStorage (when remember is true), or a key kept on the device in
//       localStorage until its expiry (when options.d gives the days). The key is right when it
//       opens check, the sealed empty text; it is then kept for the writer blocks, and the page
//       is unlocked (true). Otherwise the page stays locked (false) and the unlock form is shown
//       over it. options, all optional: d, the days a "remember me" box keeps the key (the page
//       then also shows a link that forgets it); t, texts of the form by name; c, style rules
//       added to the form's; f, the owner's own form markup, its {{name}} placeholders filled
//       with the texts.
//   qv_open(sealed)
//       The markup of one writer block: nonce, AES-256-GCM ciphertext and tag in base64. Gives
//       the empty text when the page is not unlocked or the block does not open (altered).
//
// The unlock form asks for the password. On submit it derives the key, PBKDF2-HMAC-SHA256 over
// the password's UTF-8 bytes with the run's salt and iteration count: with the browser's own
// WebCrypto where the page has it (secure contexts), otherwise with the bundled code in a Web
// Worker started from this same script, or, where workers are refused, in steps on the page's
// own thread that leave the tab responsive. A wrong password is said in the form. A right one is put in
// sessionStorage and the page is loaded again, so that its blocks are written while it is
// parsed, where they stand, as in a page without encryption. Neither function throws.
import { gcm } from '@noble/ciphers/aes.js';
import { pbkdf2, pbkdf2Async } from '@noble/hashes/pbkdf2.js';
import { sha256 } from '@noble/hashes/sha2.js';

const nonceBytes = 12;
const tagBytes = 16;
const keyBytes = 32;
const formId = 'qv-unlock';

let runKey = null;

function fromBase64(text) {
    const raw = atob(text);
    const bytes = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; i++) {
        bytes[i] = raw.charCodeAt(i);
    }
    return bytes;
}

function toBase64(bytes) {
    let raw = '';
    for (let i = 0; i < bytes.length; i++) {
        raw += String.fromCharCode(bytes[i]);
    }
    return btoa(raw);
}

// The plain bytes of a sealed text, or null when it does not open with key.
function openWith(key, sealed) {
    try {
        const data = fromBase64(sealed);
        if (data.length < nonceBytes + tagBytes) {
            return null;
        }
        return gcm(key, data.subarray(0, nonceBytes)).decrypt(data.subarray(nonceBytes));
    } catch (e) {
        return null;
    }
}

// A storage may be missing or refused (storage turned off, some file:// pages): then nothing
// is kept, and nothing is found. local: the device's, else the tab's.
function storage(local) {
    try {
        return (local ? localStorage : sessionStorage) || null;
    } catch (e) {
        return null;
    }
}

// The key when it is the run's (opens check), or null.
function fitting(text, check) {
    const key = text ? fromBase64(text) : null;
    return key && key.length === keyBytes && openWith(key, check) ? key : null;
}

// The key kept under name when it is the run's, or null; taken out when once. A key kept on
// the device is "KEY EXPIRY", the expiry in milliseconds since 1970, and taken out once expired.
function keptKey(name, check, once, local) {
    try {
        const store = storage(local);
        const kept = (store && store.getItem(name)) || '';
        const [text, expiry] = kept.split(' ');
        if (once || (local && !(expiry > Date.now()))) {
            store.removeItem(name);
            return once ? fitting(text, check) : null;
        }
        return fitting(text, check);
    } catch (e) {
        return null;
    }
}

function keepKey(name, key, days) {
    try {
        const text = toBase64(key);
        storage(days).setItem(name, days ? text + ' ' + (Date.now() + days * 864e5) : text);
        return true;
    } catch (e) {
        return false;
    }
}

// The key of a share link: "#qv-key=" and the key in base64 (URL-safe or not), taken out of
// the address bar so that it is neither bookmarked nor copied on with the address.
function sharedKey(check) {
    try {
        const found = /^#qv-key=([\w+/=-]+)$/.exec(location.hash);
        if (found) {
            history.replaceState(history.state, '', location.href.split('#')[0]);
            return fitting(found[1].replace(/-/g, '+').replace(/_/g, '/'), check);
        }
    } catch (e) {
        // No history to rewrite: the key is not taken.
    }
    return null;
}

// The key for password: the browser's own PBKDF2 where the page may use it, else the bundled
// one in a worker, else the bundled one on this thread, yielding to the browser every 16 ms so
// that the form stays live.
async function deriveKey(password, salt, iterations, shown) {
    const bytes = new TextEncoder().encode(password);
    try {
        const subtle = window.crypto && window.crypto.subtle;
        if (subtle) {
            const material = await subtle.importKey('raw', bytes, 'PBKDF2', false, ['deriveBits']);
            const bits = await subtle.deriveBits({ name: 'PBKDF2', hash: 'SHA-256', salt, iterations },
                                                 material, keyBytes * 8);
            return new Uint8Array(bits);
        }
    } catch (e) {
        // Refused (an empty password in some browsers): the bundled code derives the same key.
    }
    try {
        return await inWorker([bytes, salt, iterations], shown);
    } catch (e) {
        return pbkdf2Async(sha256, bytes, salt, { c: iterations, dkLen: keyBytes, asyncTick: 16 });
    }
}

// This script's own text, which a worker runs as well.
const source = globalThis.document && document.currentScript && document.currentScript.text;
const inWorkerScope = typeof importScripts === 'function';

// The key derived by the bundled code in a worker; fails where the page may start none. The
// worker first tells how long it expects to take, which shown is given.
function inWorker(message, shown) {
    return new Promise((resolve, reject) => {
        if (!source) {
            throw new Error('no script text');
        }
        const worker = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
        const end = (done) => (event) => {
            worker.terminate();
            done(event.data);
        };
        worker.onmessage = (event) => {
            if (event.data && event.data.ms) {
                shown(event.data.ms);
                return;
            }
            end((key) => (key ? resolve(key) : reject()))(event);
        };
        worker.onerror = end(reject);
        worker.postMessage(message);
    });
}

const texts = {
    title: 'This page is protected',
    instructions: 'Enter the password to open it.',
    label: 'Password',
    show: 'Show password',
    button: 'Open',
    working: 'Opening the page\u2026',
    empty: 'Type the password first.',
    wrong: 'Wrong password. Please try again.',
    refused: 'This browser keeps no data for this site, so the page cannot be opened. Allow site data and try again.',
    remember: 'Remember me on this device',
    forget: 'Forget the password',
};

const style = ':host{all:initial}' +
    '.back{position:fixed;inset:0;z-index:2147483647;display:flex;align-items:center;justify-content:center;' +
    'background:#f4f5f7;font:16px/1.4 system-ui,sans-serif;color:#1d1f23}' +
    'form{box-sizing:border-box;width:min(24em,92vw);padding:1.5em;background:#fff;border:1px solid #c9ccd1;' +
    'border-radius:8px;box-shadow:0 4px 18px rgba(0,0,0,.12)}' +
    'h1{font-size:1.25em;margin:0 0 .4em}p{margin:0 0 1em}label{display:block;margin:0 0 .3em}' +
    '#p{box-sizing:border-box;width:100%;font:inherit;padding:.45em;border:1px solid #8a8f98;border-radius:4px}' +
    '#p:focus,button:focus,#s:focus{outline:3px solid #2a6fdb;outline-offset:1px}' +
    '.show{display:flex;gap:.4em;align-items:center;margin:.6em 0 0;font-size:.9em}' +
    '#m{min-height:1.4em;margin:.6em 0;color:#b00020}progress{width:100%;margin:0 0 .6em}' +
    'button{font:inherit;padding:.45em 1.2em;border:0;border-radius:4px;background:#2a6fdb;color:#fff;cursor:pointer}' +
    'button:disabled{background:#8a8f98}a{position:fixed;right:.5em;bottom:.5em;z-index:2147483647;' +
    'font:13px system-ui,sans-serif;color:#2a6fdb;background:#fff;padding:.2em .4em}';

function element(parent, tag, attributes, text) {
    const made = document.createElement(tag);
    for (const name of Object.keys(attributes)) {
        made.setAttribute(name, attributes[name]);
    }
    if (text) {
        made.textContent = text;
    }
    parent.appendChild(made);
    return made;
}

const escaped = (text) => text.replace(/[&<>"']/g, (c) => '&#' + c.charCodeAt(0) + ';');

// A shadow root of its own under a new element of the page, so that the page's style rules
// neither reach what it shows nor are changed by it.
function shadowHost(id, css) {
    const host = document.createElement('div');
    host.id = id;
    const root = host.attachShadow({ mode: 'open' });
    element(root, 'style', {}, style + css);
    return [host, root];
}

// The form: the owner's markup or the built-in one. Either way the password field is #p, the
// message #m, the show-password box #s and the remember box #r.
function buildForm(root, template, days) {
    if (template) {
        root.appendChild(document.createRange().createContextualFragment(
            template.replace(/\{\{(\w+)\}\}/g, (whole, name) => escaped(texts[name] || ''))));
    } else {
        builtInForm(root, days);
    }
    const find = (selector) => root.querySelector(selector);
    const toggle = find('#s');
    const field = find('#p');
    if (toggle) {
        toggle.addEventListener('change', () => { field.type = toggle.checked ? 'text' : 'password'; });
    }
    return { form: find('form'), field, message: find('#m'), progress: find('progress'), button: find('button'),
             remember: find('#r') };
}

function checkBox(form, id, text) {
    const box = element(form, 'label', { class: 'show' });
    element(box, 'input', { id, type: 'checkbox' });
    box.appendChild(document.createTextNode(text));
}

function builtInForm(root, days) {
    const back = element(root, 'div', { class: 'back' });
    const form = element(back, 'form', { role: 'dialog', 'aria-modal': 'true', 'aria-labelledby': 't',
                                         'aria-describedby': 'd', novalidate: '' });
    element(form, 'h1', { id: 't' }, texts.title);
    element(form, 'p', { id: 'd' }, texts.instructions);
    element(form, 'label', { for: 'p' }, texts.label);
    element(form, 'input', { id: 'p', type: 'password', autocomplete: 'current-password', autocapitalize: 'off',
                             spellcheck: 'false' });
    checkBox(form, 's', texts.show);
    if (days) {
        checkBox(form, 'r', texts.remember);
    }
    element(form, 'p', { id: 'm', role: 'status', 'aria-live': 'polite' });
    element(form, 'progress', { hidden: '', 'aria-label': texts.working });
    element(form, 'button', { type: 'submit' }, texts.button);
}

function showForm(salt, iterations, check, options) {
    if (document.getElementById(formId)) {
        return;
    }
    const [host, root] = shadowHost(formId, options.c || '');
    const parts = buildForm(root, options.f, options.d);
    document.documentElement.appendChild(host);
    const focus = () => parts.field.focus();
    focus();
    document.addEventListener('DOMContentLoaded', focus);
    parts.form.addEventListener('submit', (event) => {
        event.preventDefault();
        submit(parts, fromBase64(salt), iterations, check, salt, options.d);
    });
}

// With days to remember: a link on an unlocked page that drops every key kept for the run, this
// visit's and the device's, and loads the page again, which then asks.
function showForget(salt, options) {
    if (!options.d || !globalThis.document) {
        return;
    }
    const [host, root] = shadowHost('qv-forget', options.c || '');
    element(root, 'a', { href: '#', role: 'button' }, texts.forget).addEventListener('click', (event) => {
        event.preventDefault();
        for (const local of [false, true]) {
            keptKey((local ? 'qv_l' : 'qv_k') + salt, '', true, local);
        }
        location.reload();
    });
    document.addEventListener('DOMContentLoaded', () => document.body.appendChild(host));
}

// What the form says, and whether it is at work; an owner's form may lack any part but the field.
function say(parts, text, busy) {
    const { message, button, progress } = parts;
    parts.busy = busy;
    parts.field.readOnly = busy;
    if (message) {
        message.textContent = text;
    }
    if (button) {
        button.disabled = busy;
    }
    if (progress) {
        progress.hidden = !busy;
        // Running on its own again, for the next time.
        clearInterval(parts.timer);
        progress.removeAttribute('value');
    }
}

// A bar that runs on its own costs the page's thread more than the worker can spare on a busy
// machine: once the worker says how long it expects, the bar shows the share of that time gone,
// a few times a second, and waits near the end until the key is there.
function expect(parts, ms) {
    const { progress } = parts;
    if (!progress || !parts.busy) {
        return;
    }
    const start = Date.now();
    const step = () => { progress.value = Math.min(0.95, (Date.now() - start) / ms); };
    step();
    parts.timer = setInterval(step, 250);
}

async function submit(parts, salt, iterations, check, name, days) {
    if (parts.busy) {
        return;
    }
    if (parts.field.value === '') {
        say(parts, texts.empty, false);
        parts.field.focus();
        return;
    }
    say(parts, texts.working, true);
    let key = null;
    try {
        key = await deriveKey(parts.field.value, salt, iterations, (ms) => expect(parts, ms));
    } catch (e) {
        key = null;
    }
    if (!key || !openWith(key, check)) {
        say(parts, texts.wrong, false);
        parts.field.select();
        parts.field.focus();
        return;
    }
    if (!keepKey('qv_o' + name, key)) {
        say(parts, texts.refused, false);
        return;
    }
    if (days && parts.remember && parts.remember.checked) {
        keepKey('qv_l' + name, key, days);
    }
    location.reload();
}

function unlock(salt, iterations, check, remember, options = {}) {
    try {
        Object.assign(texts, options.t);
        const name = 'qv_k' + salt;
        const handed = keptKey('qv_o' + salt, check, true) || sharedKey(check);
        const key = handed || (remember && (keptKey(name, check) || keptKey('qv_l' + salt, check, false, true)));
        if (key) {
            runKey = key;
            if (remember && handed) {
                keepKey(name, key);
            }
            showForget(salt, options);
            return true;
        }
        showForm(salt, iterations, check, options);
    } catch (e) {
        // A page that cannot be unlocked stays locked.
    }
    return false;
}

function open(sealed) {
    if (!runKey) {
        return '';
    }
    const plain = openWith(runKey, sealed);
    if (!plain) {
        return '';
    }
    try {
        return new TextDecoder().decode(plain);
    } catch (e) {
        return '';
    }
}

// In a worker, this script derives the key it is sent in one go, as nothing waits on this
// thread, and sends it back.
if (inWorkerScope) {
    self.onmessage = (event) => {
        let key = null;
        try {
            const [bytes, salt, c] = event.data;
            // A hundredth of the count first, to say how long the whole will take.
            const probe = Math.ceil(c / 100);
            const start = performance.now();
            pbkdf2(sha256, bytes, salt, { c: probe, dkLen: keyBytes });
            postMessage({ ms: Math.max(1, ((performance.now() - start) * c) / probe) });
            key = pbkdf2(sha256, bytes, salt, { c, dkLen: keyBytes });
        } catch (e) {
            // Sent back as no key: the page derives it itself.
        }
        postMessage(key);
    };
} else {
    globalThis.qv_unlock = unlock;
    globalThis.qv_open = open;
}
