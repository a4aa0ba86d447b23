// The unlock script of a page whose hidden part is encrypted. It stands in the page as a plain
// script element, ahead of the page script, and defines two functions:
//
//   qv_unlock(salt, iterations, check, remember, ask)
//       Finds the key of the run that protected the page: the one kept for this visit (when
//       remember is true) or one derived from the password that ask() gives (null: cancelled).
//       The key is PBKDF2-HMAC-SHA256 over the password's UTF-8 bytes with the run's salt and
//       iteration count. It is right when it opens check, the sealed empty text; then it is
//       kept for the writer blocks (and, with remember, in sessionStorage under a name made of
//       the salt, for the other pages of the run). Gives whether the page is unlocked.
//   qv_open(sealed)
//       The markup of one writer block: nonce, AES-256-GCM ciphertext and tag in base64. Gives
//       the empty text when the page is not unlocked or the block does not open (altered).
//
// Everything runs synchronously, while the page is parsed, so that each block is written where
// it stands. Neither function throws.
import { gcm } from '@noble/ciphers/aes.js';
import { pbkdf2 } from '@noble/hashes/pbkdf2.js';
import { sha256 } from '@noble/hashes/sha2.js';

const nonceBytes = 12;
const tagBytes = 16;
const keyBytes = 32;

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

// sessionStorage may be missing or refused (storage turned off, some file:// pages).
function keptKey(name) {
    try {
        const kept = window.sessionStorage.getItem(name);
        return kept ? fromBase64(kept) : null;
    } catch (e) {
        return null;
    }
}

function keepKey(name, key) {
    try {
        window.sessionStorage.setItem(name, toBase64(key));
    } catch (e) {
        // Not kept: the next page asks again.
    }
}

function unlock(salt, iterations, check, remember, ask) {
    try {
        const name = 'qv_k' + salt;
        if (remember) {
            const kept = keptKey(name);
            if (kept && kept.length === keyBytes && openWith(kept, check)) {
                runKey = kept;
                return true;
            }
        }
        const password = ask();
        if (password === null || password === undefined) {
            return false;
        }
        const key = pbkdf2(sha256, new TextEncoder().encode(String(password)), fromBase64(salt),
                           { c: iterations, dkLen: keyBytes });
        if (!openWith(key, check)) {
            return false;
        }
        runKey = key;
        if (remember) {
            keepKey(name, key);
        }
        return true;
    } catch (e) {
        return false;
    }
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
