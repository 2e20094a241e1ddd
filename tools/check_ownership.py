#!/usr/bin/env python3
"""Checks that ownership lives in types in the engine, the class library and the program.

    tools/check_ownership.py <repository root> [allowance file]

In Source/, ui/ and app/ it finds what frees or owns by hand:
  - a naked `delete` (or `delete[]`) expression; a deleter's own call operator
    (`...Deleter::operator()(T* p) const { delete p; }`) is what owning types are made of, and passes;
  - a hand call of `FreeAndNil(...)` or `<pointer>->Free()`;
  - a hand release of a system handle: `ReleaseDC`, `FreeLibrary`, `UnhookWindowsHookEx`,
    `CloseHandle` (the owning types of ui/UniqueHandle.h, ui/WinHandles.h and ui/GdiScopes.h,
    and a traits class's `static void Close(...)`, are where these calls belong, and pass);
  - a raw pointer member or variable whose trailing comment says it is "owned".
Comments and string literals do not count, except the trailing comment of a raw pointer that
says "owned".

The allowance file (tools/ownership_allowed.txt when not given) lists what exists already, one
occurrence a line: "<path>: <the code of the line>", the code as it stands with its spaces
squeezed. The list may only shrink: an occurrence that the list does not hold fails the check,
and so does an entry that no longer matches anything (take it out of the list). Prints each
finding and exits with 1 when there is one; 0 otherwise.
"""

import collections
import os
import re
import sys

FOLDERS = ('Source', 'ui', 'app')
SUFFIXES = ('.h', '.cpp', '.c')

DELETE = re.compile(r'(?<![\w.])delete\b(?!\s*;)')
DELETED_FUNCTION = re.compile(r'=\s*delete\b')
OPERATOR_DELETE = re.compile(r'\boperator\s+delete\b')
DELETER_BODY = re.compile(r'Deleter\s*::\s*operator\s*\(\s*\)\s*\([^)]*\)\s*(const\s*)?\{\s*delete\s+\w+\s*;\s*\}')
HAND_FREE = re.compile(r'\bFreeAndNil\s*\(|->\s*Free\s*\(\s*\)')
HAND_RELEASE = re.compile(r'\b(?:ReleaseDC|FreeLibrary|UnhookWindowsHookEx|CloseHandle)\s*\(')
TRAITS_CLOSE = re.compile(r'\bstatic\s+void\s+Close\s*\(')
OWNING_TYPES = ('ui/UniqueHandle.h', 'ui/WinHandles.h', 'ui/GdiScopes.h')
RAW_POINTER = re.compile(r'^\s*(?:(?:const|static|mutable|inline)\s+)*[A-Za-z_][\w:<>, ]*?\s*\*+\s*(?:const\s+)?'
                         r'[A-Za-z_]\w*\s*(?:=\s*[^;]*)?;\s*//(.*)$')
OWNED = re.compile(r'\bowned\b', re.IGNORECASE)
NOT_OWNED = re.compile(r'\bnot\s+owned\b', re.IGNORECASE)


def source_files(root):
    for folder in FOLDERS:
        for here, dirs, names in os.walk(os.path.join(root, folder)):
            dirs.sort()
            for name in sorted(names):
                if name.endswith(SUFFIXES):
                    yield os.path.join(here, name)


def code_lines(text):
    """The lines of a file with comments and string and character literals blanked out."""
    out = []
    in_block = False
    for line in text.split('\n'):
        code = []
        i = 0
        while i < len(line):
            if in_block:
                end = line.find('*/', i)
                if end < 0:
                    i = len(line)
                else:
                    in_block = False
                    i = end + 2
                continue
            c = line[i]
            if line.startswith('//', i):
                break
            if line.startswith('/*', i):
                in_block = True
                i += 2
                continue
            if c in '"\'':
                # A raw string keeps to one line in this tree; an escaped quote does not end it.
                j = i + 1
                while j < len(line) and line[j] != c:
                    j += 2 if line[j] == '\\' else 1
                code.append(c + c)
                i = j + 1
                continue
            code.append(c)
            i += 1
        out.append(''.join(code))
    return out


def squeeze(text):
    return ' '.join(text.split())


def findings(root):
    """(path, line number, kind, squeezed code of the line) for every occurrence."""
    for path in source_files(root):
        rel = os.path.relpath(path, root).replace(os.sep, '/')
        with open(path, encoding='utf-8', errors='replace') as f:
            text = f.read()
        raw = text.split('\n')
        for number, code in enumerate(code_lines(text), 1):
            original = raw[number - 1]
            kind = None
            stripped = OPERATOR_DELETE.sub('', DELETED_FUNCTION.sub('', code))
            if DELETE.search(stripped) and not DELETER_BODY.search(code):
                kind = 'naked delete'
            elif HAND_FREE.search(code):
                kind = 'freed by hand'
            elif HAND_RELEASE.search(code) and rel not in OWNING_TYPES and not TRAITS_CLOSE.search(code):
                kind = 'released by hand'
            else:
                member = RAW_POINTER.match(original)
                if member and OWNED.search(member.group(1)) and not NOT_OWNED.search(member.group(1)):
                    kind = 'raw pointer said to be owned'
            if kind:
                shown = squeeze(code) if kind != 'raw pointer said to be owned' else squeeze(original)
                yield rel, number, kind, shown


def read_allowance(path):
    allowed = collections.Counter()
    if not os.path.exists(path):
        return allowed
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.rstrip('\n')
            if not line.strip() or line.startswith('#'):
                continue
            where, sep, code = line.partition(': ')
            if not sep:
                raise SystemExit('check_ownership: %s: not "<path>: <code>": %s' % (path, line))
            allowed[(where.strip(), squeeze(code))] += 1
    return allowed


def main():
    args = [a for a in sys.argv[1:] if a != '--list']
    if not args:
        sys.exit(__doc__)
    root = args[0]
    allowance = args[1] if len(args) > 1 else os.path.join(root, 'tools', 'ownership_allowed.txt')
    if '--list' in sys.argv:  # prints every occurrence in the allowance file's form
        for rel, _, _, code in findings(root):
            print('%s: %s' % (rel, code))
        return 0
    allowed = read_allowance(allowance)
    left = collections.Counter(allowed)
    bad = []
    for rel, number, kind, code in findings(root):
        key = (rel, code)
        if left[key] > 0:
            left[key] -= 1
        else:
            bad.append('%s:%d: %s: %s' % (rel, number, kind, code))
    for (rel, code), count in sorted(left.items()):
        for _ in range(count):
            bad.append('%s: listed as allowed but no longer found (take it out of the list): %s' % (rel, code))
    for line in bad:
        print(line)
    if bad:
        print('check_ownership: %d finding(s); own with unique_ptr, an owning handle type or a scope '
              'guard instead' % len(bad))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
