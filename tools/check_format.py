#!/usr/bin/env python3
"""Fails when a C or C++ file of the tree differs from what clang-format makes of it by the
tree's .clang-format, and names each such file with the first lines that differ.
  check_format.py <root> [clang-format]"""

import os
import subprocess
import sys

FOLDERS = ('Source', 'ui', 'app', 'tests', 'bench', 'fuzz', 'tools', 'cmake', 'data')
SUFFIXES = ('.cpp', '.h', '.c', '.hpp', '.cc')


def files(root):
    for folder in FOLDERS:
        for here, dirs, names in os.walk(os.path.join(root, folder)):
            dirs.sort()
            for name in sorted(names):
                if name.endswith(SUFFIXES):
                    yield os.path.join(here, name)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    clang_format = sys.argv[2] if len(sys.argv) > 2 else 'clang-format'
    paths = list(files(root))
    if not paths:
        sys.exit('check_format: no source files under %s' % root)
    differing = []
    # Batches keep each command line short; --Werror makes a difference an error, and each
    # difference is reported as "<file>:<line>:<col>: error: code should be clang-formatted".
    for i in range(0, len(paths), 50):
        batch = paths[i:i + 50]
        done = subprocess.run([clang_format, '--dry-run', '--Werror', '--style=file'] + batch,
                              cwd=root, capture_output=True, text=True)
        if done.returncode != 0:
            reported = {line.split(':', 1)[0] for line in done.stderr.splitlines() if ': error:' in line}
            if not reported:
                sys.exit('check_format: %s failed without naming a file:\n%s' % (clang_format, done.stderr))
            differing.extend(sorted(reported))
    for path in differing:
        print('not formatted: %s' % os.path.relpath(path, root))
    if differing:
        print('%d of %d files differ; run: clang-format -i <file>' % (len(differing), len(paths)))
        return 1
    print('%d files formatted' % len(paths))
    return 0


if __name__ == '__main__':
    sys.exit(main())
