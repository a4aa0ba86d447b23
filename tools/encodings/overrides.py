#!/usr/bin/env python3
"""Writes files/BrowserOverrides.inc from the dumps that regenerate.sh makes: for every
sequence where the browser (b_ENC.txt) and ICU (i_ENC.txt) disagree, what the browser decodes
it to. Consecutive sequences that the browser rejects become one range."""
import sys

MULTI = ['Shift_JIS', 'EUC-KR', 'gb18030', 'Big5', 'EUC-JP']
SINGLE = ['IBM866', 'KOI8-R', 'KOI8-U', 'macintosh', 'windows-874', 'windows-1250',
          'windows-1251', 'windows-1253', 'windows-1254', 'windows-1255', 'windows-1256',
          'windows-1257', 'windows-1258', 'x-mac-cyrillic'] + \
         [f'ISO-8859-{n}' for n in (2, 3, 4, 5, 6, 7, 8, 10, 13, 14, 15)]


# Four Big5 codes that decode to two characters, which the browser's TextDecoder returns
# mangled; the Encoding Standard's values stand instead.
STANDARD = {('Big5', 0x8862): [0x00CA, 0x0304], ('Big5', 0x8864): [0x00CA, 0x030C],
            ('Big5', 0x88A3): [0x00EA, 0x0304], ('Big5', 0x88A5): [0x00EA, 0x030C]}


def entries(folder, encoding):
    icu = open(f'{folder}/i_{encoding}.txt').read().split('\n')
    browser = open(f'{folder}/b_{encoding}.txt').read().split('\n')
    for mine, theirs in zip(icu, browser):
        if mine.strip() == theirs.strip() or ':' not in theirs:
            continue
        seq, value = theirs.split(':', 1)
        value = value.strip()
        units = [] if value == 'ERR' else [int(u, 16) for u in value.split()]
        units = STANDARD.get((encoding, int(seq, 16)), units)
        yield int(seq, 16), len(seq) // 2, units


def main(folder, target):
    lines = []
    for encoding in MULTI + SINGLE:
        ranges = []
        for seq, length, units in sorted(entries(folder, encoding)):
            last = ranges[-1] if ranges else None
            if last and not units and not last[3] and last[2] == length and last[1] + 1 == seq:
                last[1] = seq
            else:
                ranges.append([seq, seq, length, units])
        for first, end, length, units in ranges:
            width = 2 * length
            listed = ', '.join(f'0x{u:04X}' for u in units)
            lines.append(f'    {{"{encoding}", {length}, 0x{first:0{width}X}, 0x{end:0{width}X}, '
                         f'{len(units)}, {{{listed}}}}},')
    header = open(target).read().split('\n')[:4]
    open(target, 'w').write('\n'.join(header + lines) + '\n')


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
