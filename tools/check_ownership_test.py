#!/usr/bin/env python3
"""Shows that tools/check_ownership.py finds what it is there to find, on small trees of its own:
a new naked delete, a new hand Free, a new raw pointer said to be owned each fail the check; what
the allowance list holds passes, and an entry that matches nothing any more fails; deleted
functions, operator delete, a deleter's call operator, comments and strings pass."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'check_ownership.py')

CLEAN = {
    'ui/Types.h': ('#pragma once\n'
                   'struct TNoCopy {\n'
                   '  TNoCopy(const TNoCopy&) = delete;\n'
                   '  TNoCopy& operator=(const TNoCopy&) =delete;\n'
                   '  static void operator delete(void* p);\n'
                   '};\n'),
    'ui/Owner.cpp': ('#include "Types.h"\n'
                     '// We never delete by hand here: unique_ptr does.\n'
                     'const char* kText = "delete me";\n'
                     '/* a block comment that says delete p;\n'
                     '   FreeAndNil(p) and p->Free() */\n'
                     'void TStateDeleter::operator()(TState* state) const { delete state; }\n'),
    'Source/skin/Skin.h': ('#pragma once\n'
                           'struct TSkin {\n'
                           '  TBitmap* Borrowed = nullptr;  // not owned: the manager keeps it\n'
                           '  std::unique_ptr<TBitmap> Cache;  // owned\n'
                           '};\n'),
    'app/Main.cpp': 'int main() { return 0; }\n',
    # Where the owning types are made, releasing is their business.
    'ui/GdiScopes.h': 'struct TClientDC {\n  ~TClientDC() { ReleaseDC(wnd_, dc_); }\n};\n',
    'ui/Http.cpp': 'struct TTraits {\n  static void Close(HINTERNET h) { WinHttpCloseHandle(h); CloseHandle(h); }\n};\n',
    'tests/ui/Owner_test.cpp': 'void f(int* p) { delete p; }\n',  # the tests are not checked
}


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, 'w', encoding='utf-8') as f:
        f.write(text)


class CheckOwnership(unittest.TestCase):
    def check(self, extra=None, allowed=''):
        with tempfile.TemporaryDirectory() as root:
            for path, text in {**CLEAN, **(extra or {})}.items():
                write(root, path, text)
            write(root, 'allowed.txt', allowed)
            return subprocess.run([sys.executable, CHECK, root, os.path.join(root, 'allowed.txt')],
                                  capture_output=True, text=True)

    def test_a_tree_that_owns_in_types_passes(self):
        result = self.check()
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_each_kind_of_hand_ownership_fails(self):
        cases = [
            ('Source/skin/Skin.cpp', 'void TSkin::Clear() {\n  delete Cache2;\n}\n',
             'Source/skin/Skin.cpp:2: naked delete: delete Cache2;'),
            ('ui/Owner.cpp', CLEAN['ui/Owner.cpp'] + 'void f(int* a) { delete[] a; }\n',
             'ui/Owner.cpp:7: naked delete: void f(int* a) { delete[] a; }'),
            ('app/Main.cpp', 'void g(TObject* o) { o->Free(); }\n',
             'app/Main.cpp:1: freed by hand: void g(TObject* o) { o->Free(); }'),
            ('app/Main.cpp', 'void g() { FreeAndNil(Screen); }\n',
             'app/Main.cpp:1: freed by hand: void g() { FreeAndNil(Screen); }'),
            ('Source/skin/Skin.h', 'struct TSkin {\n  TBitmap* Mask = nullptr;  // owned\n};\n',
             'Source/skin/Skin.h:2: raw pointer said to be owned: TBitmap* Mask = nullptr; // owned'),
            ('ui/Types.h', 'struct T {\n  TMemoryStream* Data;  // Owned: the file\n};\n',
             'ui/Types.h:2: raw pointer said to be owned: TMemoryStream* Data; // Owned: the file'),
            ('Source/skin/Paint.cpp', 'void P(HWND w) {\n  HDC dc = GetDC(w);\n  ReleaseDC(w, dc);\n}\n',
             'Source/skin/Paint.cpp:3: released by hand: ReleaseDC(w, dc);'),
            ('Source/base/Bind.cpp', 'void B() { if (lib) FreeLibrary(lib); }\n',
             'Source/base/Bind.cpp:1: released by hand: void B() { if (lib) FreeLibrary(lib); }'),
            ('ui/Hooks.cpp', 'void U(HHOOK h) { UnhookWindowsHookEx(h); }\n',
             'ui/Hooks.cpp:1: released by hand: void U(HHOOK h) { UnhookWindowsHookEx(h); }'),
            ('app/Run.cpp', 'void C(HANDLE e) { CloseHandle(e); }\n',
             'app/Run.cpp:1: released by hand: void C(HANDLE e) { CloseHandle(e); }'),
        ]
        for path, text, expected in cases:
            with self.subTest(path=path, text=text):
                result = self.check(extra={path: text})
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(expected, result.stdout)

    def test_what_the_list_holds_passes_and_only_that_often(self):
        code = 'void f(int* a, int* b) {\n  delete a;\n  delete a;\n}\n'
        listed = 'ui/Old.cpp: delete a;\n'
        result = self.check(extra={'ui/Old.cpp': code}, allowed='# already there\n' + listed * 2)
        self.assertEqual(result.returncode, 0, result.stdout)
        result = self.check(extra={'ui/Old.cpp': code}, allowed=listed)
        self.assertEqual(result.returncode, 1)
        self.assertIn('ui/Old.cpp:3: naked delete: delete a;', result.stdout)
        self.assertNotIn('ui/Old.cpp:2:', result.stdout)

    def test_an_entry_that_matches_nothing_any_more_fails(self):
        result = self.check(allowed='ui/Owner.cpp: delete gone;\n')
        self.assertEqual(result.returncode, 1)
        self.assertIn('ui/Owner.cpp: listed as allowed but no longer found', result.stdout)

    def test_an_entry_of_another_file_does_not_cover_a_finding(self):
        result = self.check(extra={'ui/New.cpp': 'void f(int* p) { delete p; }\n'},
                            allowed='ui/Other.cpp: void f(int* p) { delete p; }\n')
        self.assertEqual(result.returncode, 1)
        self.assertIn('ui/New.cpp:1: naked delete', result.stdout)


if __name__ == '__main__':
    unittest.main()
