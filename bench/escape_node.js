// The browser engine's own escape(), for comparison with EscapeText: the same kinds of text as
// the quorlane_bench cases, 1 M code units each. Prints code units per second.
//   node bench/escape_node.js
'use strict';

function asciiHtml(units) {
    const parts = [];
    let size = 0;
    for (let i = 0; size < units; ++i) {
        const n = String(i);
        const piece = `<div class="section" id="s${n}">\r\n<h2>Section ${n}</h2>\r\n` +
            '<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor ' +
            'incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam.</p>\r\n' +
            `<p>See <a href="page${n}.html" title="more">page ${n}</a> for details.</p>\r\n` +
            '<ul><li>one</li><li>two</li></ul>\r\n</div>\r\n';
        parts.push(piece);
        size += piece.length;
    }
    return parts.join('').slice(0, units);
}

function mixedText(units) {
    const latin = 'The quick brown fox jumps over the lazy dog, ';
    const chars = [];
    for (let i = 0; i < units; ++i) {
        chars.push(i % 5 === 4 ? String.fromCharCode(0x4E00 + (i % 2000)) : latin[i % latin.length]);
    }
    return chars.join('');
}

function measure(name, text) {
    let total = 0;
    for (let i = 0; i < 5; ++i) total += escape(text).length; // warm up
    const rounds = 40;
    const start = process.hrtime.bigint();
    for (let i = 0; i < rounds; ++i) total += escape(text).length;
    const seconds = Number(process.hrtime.bigint() - start) / 1e9;
    const perSecond = (rounds * text.length) / seconds;
    console.log(`${name}: ${(perSecond / 1e6).toFixed(0)} million code units per second (${total})`);
}

measure('escape() ASCII HTML 1M', asciiHtml(1 << 20));
measure('escape() mixed text 1M', mixedText(1 << 20));
