#!/usr/bin/env python3
"""Checks that every file includes only headers of its own layer and of the layers it builds on.

    tools/check_layers.py <repository root> <layers file>

The layers file (written by CMake into the build folder, from cmake/TarnwickSources.cmake) has
one line per layer, lowest first: "<layer>: <layers it builds on>". Files belong to layers by
folder: ui/ is the layer ui, Source/<layer>/ the engine's layers, app/ the program, and
tests/<layer>/ the tests of a layer (which may also use tests/support), and tests/support the
tests' helpers, which build on every layer but the program's (app): the tests of a lower layer
link them without linking the program. A quoted include is
found as the compiler finds it (beside the including file, then from the repository root, from
Source/ and from tests/) and belongs to the layer of the folder it is in ("ui/Forms.h",
"base/sConst.h", "app/MainForm.h"); one that is found nowhere, or in no layer's folder, is
reported too, so that no include slips past the check. The layers must form no
circle. Prints every offending include and exits with 1 when there is one; 0 otherwise.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = ('.h', '.cpp', '.c', '.rc')


def read_layers(path):
    """{layer: set of layers it builds on}, in file order."""
    uses = {}
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith('#'):
                continue
            name, _, below = line.partition(':')
            uses[name.strip()] = set(below.split())
    return uses


def find_circle(uses):
    """A list of layers that lead back to the first, or None."""
    state = {}

    def visit(layer, path):
        state[layer] = 'open'
        for lower in sorted(uses.get(layer, ())):
            if state.get(lower) == 'open':
                return path + [layer, lower]
            if lower not in state:
                found = visit(lower, path + [layer])
                if found:
                    return found
        state[layer] = 'done'
        return None

    for layer in uses:
        if layer not in state:
            found = visit(layer, [])
            if found:
                return found
    return None


def folders_of(root, uses):
    """(folder, layer, may use tests/support) for every folder that holds a layer's files."""
    yield os.path.join(root, 'ui'), 'ui', False
    yield os.path.join(root, 'app'), 'app', False
    for layer in uses:
        if layer not in ('ui', 'app'):
            yield os.path.join(root, 'Source', layer), layer, False
    for layer in uses:
        yield os.path.join(root, 'tests', layer), layer, True
    yield os.path.join(root, 'tests', 'support'), 'support', True


def layer_of_path(root, path, uses):
    """The layer of the folder a file lies in: 'support' for the tests' helpers; None outside."""
    parts = os.path.relpath(path, root).split(os.sep)
    if parts[0] in ('ui', 'app'):
        return parts[0]
    if parts[0] == 'Source' and len(parts) > 2:
        if parts[1] == 'resources':
            return 'base'  # the engine's resource identifiers
        return parts[1] if parts[1] in uses else None
    if parts[0] == 'tests' and len(parts) > 2 and parts[1] == 'support':
        return 'support'
    return None


def layer_of_include(root, including, name, uses):
    for base in (os.path.dirname(including), root, os.path.join(root, 'Source'), os.path.join(root, 'tests')):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(candidate):
            return layer_of_path(root, candidate, uses)
    return None


def check(root, uses):
    problems = []
    circle = find_circle(uses)
    if circle:
        problems.append('the layers form a circle: ' + ' -> '.join(circle))
    for layer, below in uses.items():
        for lower in below:
            if lower not in uses:
                problems.append(f'layer {layer} builds on {lower}, which is no layer')
    for folder, layer, tests in folders_of(root, uses):
        if not os.path.isdir(folder):
            continue
        for dirpath, _, files in os.walk(folder):
            for file in sorted(files):
                if not file.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(dirpath, file)
                rel = os.path.relpath(path, root)
                with open(path, encoding='utf-8') as f:
                    for number, text in enumerate(f, 1):
                        m = INCLUDE.match(text)
                        if not m:
                            continue
                        name = m.group(1)
                        target = layer_of_include(root, path, name, uses)
                        if target == 'support' and tests:
                            continue
                        if target is None or target == 'support':
                            problems.append(f'{rel}:{number}: "{name}" belongs to no layer')
                        elif layer == 'support':
                            if target == 'app':
                                problems.append(f'{rel}:{number}: "{name}" is of the program, which '
                                                f'the tests\' helpers do not build on')
                        elif target != layer and target not in uses[layer]:
                            problems.append(f'{rel}:{number}: "{name}" is of the layer {target}, '
                                            f'which the layer {layer} does not build on')
    return problems


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().split('\n\n')[1], file=sys.stderr)
        return 2
    root, layers_file = argv[1], argv[2]
    uses = read_layers(layers_file)
    problems = check(root, uses)
    for p in problems:
        print(p)
    if problems:
        print(f'{len(problems)} include(s) against the layers')
        return 1
    print('every include keeps to the layers: ' + ', '.join(uses))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
