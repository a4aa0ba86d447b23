// The unlock script of a page whose hidden part is encrypted. It stands in the page as a plain
// script element, ahead of the page script, and defines two functions:
//
//   qv_unlock(salt, iterations, check, remember)
//       Called by the page script while the page is parsed. Finds the key of the run that
//       protected the page, kept in the tab's sessionStorage under a name made of the salt: the
//       key of this visit (when remember is true), or the key that the unlock form handed to
//       the reload it started (always, and used once). The key is right when it opens check, the
//       sealed empty text; it is then kept for the writer blocks, and the page is unlocked
//       (true). Otherwise the page stays locked (false) and the unlock form is shown over it.
//   qv_open(sealed)
//       The markup of one writer block: nonce, AES-256-GCM ciphertext and tag in base64. Gives
//       the empty text when the page is not unlocked or the block does not open (altered).
//
// The unlock form asks for the password. On submit it derives the key, PBKDF2-HMAC-SHA256 over
// the password's UTF-8 bytes with the run's salt and iteration count: with the browser's own
// WebCrypto where the page has it (secure contexts), otherwise with the bundled code in steps
// that leave the tab responsive. A wrong password is said in the form. A right one is put in
// sessionStorage and the page is loaded again, so that its blocks are written while it is
// parsed, where they stand, as in a page without encryption. Neither function throws.
import { gcm } from '@noble/ciphers/aes.js';
import { pbkdf2Async } from '@noble/hashes/pbkdf2.js';
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

// sessionStorage may be missing or refused (storage turned off, some file:// pages): then
// nothing is kept, and nothing is found.
function storage() {
    try {
        return window.sessionStorage || null;
    } catch (e) {
        return null;
    }
}

// The key kept under name when it is the run's (opens check), or null; taken out when once.
function keptKey(name, check, once) {
    try {
        const store = storage();
        const kept = store && store.getItem(name);
        if (once && kept) {
            store.removeItem(name);
        }
        const key = kept ? fromBase64(kept) : null;
        return key && key.length === keyBytes && openWith(key, check) ? key : null;
    } catch (e) {
        return null;
    }
}

function keepKey(name, key) {
    try {
        storage().setItem(name, toBase64(key));
        return true;
    } catch (e) {
        return false;
    }
}

// The key for password: the browser's own PBKDF2 where the page may use it, else the bundled
// one, which yields to the browser every few milliseconds so that the form stays live.
async function deriveKey(password, salt, iterations) {
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
    return pbkdf2Async(sha256, bytes, salt, { c: iterations, dkLen: keyBytes, asyncTick: 16 });
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
    'button:disabled{background:#8a8f98}';

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

// The form, in a shadow root of its own so that the page's style rules neither reach it nor
// are changed by it.
function buildForm(host) {
    const root = host.attachShadow({ mode: 'open' });
    element(root, 'style', {}, style);
    const back = element(root, 'div', { class: 'back' });
    const form = element(back, 'form', { role: 'dialog', 'aria-modal': 'true', 'aria-labelledby': 't',
                                         'aria-describedby': 'd', novalidate: '' });
    element(form, 'h1', { id: 't' }, texts.title);
    element(form, 'p', { id: 'd' }, texts.instructions);
    element(form, 'label', { for: 'p' }, texts.label);
    const field = element(form, 'input', { id: 'p', type: 'password', autocomplete: 'current-password',
                                           autocapitalize: 'off', spellcheck: 'false' });
    const show = element(form, 'label', { class: 'show' });
    const toggle = element(show, 'input', { id: 's', type: 'checkbox' });
    show.appendChild(document.createTextNode(texts.show));
    const message = element(form, 'p', { id: 'm', role: 'status', 'aria-live': 'polite' });
    const progress = element(form, 'progress', { hidden: '', 'aria-label': texts.working });
    const button = element(form, 'button', { type: 'submit' }, texts.button);
    toggle.addEventListener('change', () => { field.type = toggle.checked ? 'text' : 'password'; });
    return { form, field, message, progress, button };
}

function showForm(salt, iterations, check) {
    if (document.getElementById(formId)) {
        return;
    }
    const host = document.createElement('div');
    host.id = formId;
    const parts = buildForm(host);
    document.documentElement.appendChild(host);
    const focus = () => parts.field.focus();
    focus();
    document.addEventListener('DOMContentLoaded', focus);
    parts.form.addEventListener('submit', (event) => {
        event.preventDefault();
        submit(parts, fromBase64(salt), iterations, check, 'qv_o' + salt);
    });
}

function say(parts, text, busy) {
    parts.message.textContent = text;
    parts.button.disabled = busy;
    parts.field.readOnly = busy;
    parts.progress.hidden = !busy;
}

async function submit(parts, salt, iterations, check, onceName) {
    if (parts.button.disabled) {
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
        key = await deriveKey(parts.field.value, salt, iterations);
    } catch (e) {
        key = null;
    }
    if (!key || !openWith(key, check)) {
        say(parts, texts.wrong, false);
        parts.field.select();
        parts.field.focus();
        return;
    }
    if (!keepKey(onceName, key)) {
        say(parts, texts.refused, false);
        return;
    }
    location.reload();
}

function unlock(salt, iterations, check, remember) {
    try {
        const name = 'qv_k' + salt;
        const handed = keptKey('qv_o' + salt, check, true);
        const key = handed || (remember ? keptKey(name, check, false) : null);
        if (key) {
            runKey = key;
            if (remember && handed) {
                keepKey(name, key);
            }
            return true;
        }
        showForm(salt, iterations, check);
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

window.qv_unlock = unlock;
window.qv_open = open;
