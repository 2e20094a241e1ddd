#!/usr/bin/env python3
"""Shows that tools/check_format.py finds what it is there to find, on small trees of its own
that carry the project's .clang-format: a file with one misplaced brace or a long line fails
the check and is named; a tree formatted by clang-format passes."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.path.join(HERE, 'check_format.py')
STYLE = os.path.join(HERE, '..', '.clang-format')

GOOD = '#include <windows.h>\n#include <commctrl.h>\n\nint Twice(int x) { return 2 * x; }\n'


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, 'w', encoding='utf-8') as f:
        f.write(text)


def run(root):
    return subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)


class CheckFormatTest(unittest.TestCase):
    def tree(self, extra):
        root = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, root)
        shutil.copy(STYLE, os.path.join(root, '.clang-format'))
        write(root, 'Source/raster/Twice.cpp', GOOD)
        write(root, 'ui/Types.h', '#pragma once\n\nstruct TPoint {\n  int x = 0;\n  int y = 0;\n};\n')
        for path, text in extra.items():
            write(root, path, text)
        return root

    def test_formatted_tree_passes(self):
        done = run(self.tree({}))
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertIn('2 files formatted', done.stdout)

    def test_unformatted_files_fail_and_are_named(self):
        cases = {
            'brace on its own line': 'int Twice(int x)\n{\n  return 2 * x;\n}\n',
            'line over 120 columns': 'int Sum(int a) { return ' + ' + '.join(['a'] * 60) + '; }\n',
            'windows.h after a header that needs it': '#include <commctrl.h>\n#include <windows.h>\n',
        }
        for what, text in cases.items():
            with self.subTest(what):
                done = run(self.tree({'app/Bad.cpp': text}))
                self.assertEqual(done.returncode, 1, done.stdout + done.stderr)
                self.assertIn('not formatted: app/Bad.cpp', done.stdout)
                self.assertNotIn('Twice.cpp', done.stdout)

    def test_build_folder_is_not_checked(self):
        done = run(self.tree({'build/gen/Bad.cpp': 'int  x ;\n'}))
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)


if __name__ == '__main__':
    unittest.main()
