#!/usr/bin/env python3
"""Packs the translated string tables (strings_XX.rc) into one deflated
resource per language, the form platform/core/text_pack.h reads, and writes
the resource script that names them.

    pack_texts.py OUT_DIR DEFINES_HEADER strings_XX.rc...

Each input is a STRINGTABLE in UTF-8 under one LANGUAGE statement with
numeric ids (LANGUAGE 0x07, 0x01). A text is a string literal ("" is a
quote; \\n, \\t and \\\\ are the escapes) or a macro that DEFINES_HEADER
defines as one. The output is OUT_DIR/texts.rc and OUT_DIR/texts_LANGID.bin.
"""
import re
import struct
import sys
import zlib
from pathlib import Path

LANGUAGE = re.compile(r'^\s*LANGUAGE\s+(0x[0-9a-fA-F]+|\d+)\s*,\s*(0x[0-9a-fA-F]+|\d+)\s*$')
ENTRY = re.compile(r'^\s*(\d+)\s*,\s*(.*?)\s*$')
DEFINE = re.compile(r'^\s*#\s*define\s+(\w+)\s+"((?:[^"\\]|\\.)*)"\s*$')
ESCAPES = {'n': '\n', 't': '\t', '\\': '\\'}


def fail(path, number, why):
    sys.exit(f'{path}:{number}: {why}')


def unquote(literal, path, number):
    if len(literal) < 2 or literal[0] != '"' or literal[-1] != '"':
        fail(path, number, f'not a string literal: {literal}')
    body, text, i = literal[1:-1], [], 0
    while i < len(body):
        c = body[i]
        if c == '"':
            if body[i + 1:i + 2] != '"':
                fail(path, number, 'a lone quote (write "" for one)')
            text.append('"')
            i += 2
        elif c == '\\':
            escape = body[i + 1:i + 2]
            if escape not in ESCAPES:
                fail(path, number, f'unknown escape \\{escape}')
            text.append(ESCAPES[escape])
            i += 2
        else:
            text.append(c)
            i += 1
    return ''.join(text)


def read_table(path, defines):
    language, texts, inside = None, {}, False
    for number, line in enumerate(path.read_text(encoding='utf-8').splitlines(), 1):
        stripped = line.strip()
        if not stripped or stripped.startswith('//') or stripped.startswith('#pragma'):
            continue
        if match := LANGUAGE.match(line):
            primary, sub = (int(value, 0) for value in match.groups())
            language = primary | (sub << 10)
        elif stripped == 'STRINGTABLE':
            continue
        elif stripped == 'BEGIN':
            inside = True
        elif stripped == 'END':
            inside = False
        elif inside and (match := ENTRY.match(line)):
            string_id, value = int(match.group(1)), match.group(2)
            if string_id in texts:
                fail(path, number, f'string {string_id} twice')
            if value.startswith('"'):
                texts[string_id] = unquote(value, path, number)
            elif value in defines:
                texts[string_id] = defines[value]
            else:
                fail(path, number, f'{value} is neither a string nor a known macro')
        else:
            fail(path, number, f'not understood: {stripped}')
    if language is None:
        sys.exit(f'{path}: no LANGUAGE statement')
    return language, texts


def pack(texts):
    """The contents text_pack.h describes, deflated, after their size."""
    ids = sorted(texts)
    distances = [b - a for a, b in zip([0] + ids, ids)]
    if len(ids) > 0xFFFF or any(not 1 <= d <= 255 for d in distances):
        sys.exit('the string ids are not ascending within 255 of each other')
    contents = bytearray(struct.pack('<H', len(ids)) + bytes(distances))
    for string_id in ids:
        if '\0' in texts[string_id]:
            sys.exit(f'string {string_id} holds a NUL')
        contents += texts[string_id].encode('utf-8') + b'\0'
    deflater = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    return struct.pack('<I', len(contents)) + deflater.compress(bytes(contents)) + deflater.flush()


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    out, header, tables = Path(sys.argv[1]), Path(sys.argv[2]), [Path(p) for p in sys.argv[3:]]
    defines = {}
    for line in header.read_text(encoding='utf-8').splitlines():
        if match := DEFINE.match(line):
            defines[match.group(1)] = unquote(f'"{match.group(2)}"', header, 0)
    out.mkdir(parents=True, exist_ok=True)
    script = ['// Written by resources/pack_texts.py: each language\'s texts, deflated.']
    seen = {}
    for table in tables:
        language, texts = read_table(table, defines)
        if language in seen:
            sys.exit(f'{table}: language {language} is also {seen[language]}')
        seen[language] = table
        binary = out / f'texts_{language}.bin'
        binary.write_bytes(pack(texts))
        script += [f'LANGUAGE {language & 0x3FF}, {language >> 10}', f'1 RCDATA "{binary.as_posix()}"']
    (out / 'texts.rc').write_text('\n'.join(script) + '\n', encoding='utf-8')


if __name__ == '__main__':
    main()
