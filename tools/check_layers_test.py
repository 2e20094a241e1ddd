#!/usr/bin/env python3
"""Shows that tools/check_layers.py finds what it is there to find, on small trees of its own:
an include of a higher layer, of a layer beside (not below) the includer, one that belongs to
no layer and a circle of layers each fail the check; a tree that keeps to its layers passes."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'check_layers.py')

LAYERS = 'ui:\nbase: ui\nraster: ui base\nskin: ui base raster\napp: ui base raster skin\n'


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, 'w', encoding='utf-8') as f:
        f.write(text)


def tree(root, extra=None, layers=LAYERS):
    write(root, 'ui/Types.h', '#pragma once\n')
    write(root, 'ui/Forms.h', '#include "Types.h"\n')
    write(root, 'Source/base/sConst.h', '#include "ui/Types.h"\n')
    write(root, 'Source/raster/Blend.h', '#include "base/sConst.h"\n')
    write(root, 'Source/raster/Blend.cpp', '#include "raster/Blend.h"\n#include <vector>\n')
    write(root, 'Source/skin/sCommonData.h', '#include "raster/Blend.h"\n#include "ui/Forms.h"\n')
    write(root, 'app/Main.cpp', '#include "skin/sCommonData.h"\n')
    write(root, 'tests/support/Pixels.h', '#pragma once\n')
    write(root, 'tests/raster/Blend_test.cpp', '#include "raster/Blend.h"\n#include "support/Pixels.h"\n')
    for path, text in (extra or {}).items():
        write(root, path, text)
    write(root, 'layers.txt', layers)


def run(root):
    return subprocess.run([sys.executable, CHECK, root, os.path.join(root, 'layers.txt')],
                          capture_output=True, text=True)


class CheckLayers(unittest.TestCase):
    def check(self, **kwargs):
        with tempfile.TemporaryDirectory() as root:
            tree(root, **kwargs)
            return run(root)

    def test_a_tree_that_keeps_to_its_layers_passes(self):
        result = self.check()
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_an_upward_include_fails(self):
        result = self.check(extra={'Source/raster/Blend.cpp': '#include "skin/sCommonData.h"\n'})
        self.assertEqual(result.returncode, 1)
        self.assertIn('Source/raster/Blend.cpp:1: "skin/sCommonData.h" is of the layer skin', result.stdout)

    def test_the_lowest_layers_may_not_reach_the_program_or_the_tests_helpers(self):
        result = self.check(extra={'ui/Forms.h': '#include "app/Main.h"\n', 'app/Main.h': '#pragma once\n',
                                   'Source/base/sConst.cpp': '#include "support/Pixels.h"\n'})
        self.assertEqual(result.returncode, 1)
        self.assertIn('ui/Forms.h:1: "app/Main.h" is of the layer app', result.stdout)
        self.assertIn('Source/base/sConst.cpp:1: "support/Pixels.h" belongs to no layer', result.stdout)

    def test_a_layer_beside_the_includer_fails(self):
        layers = 'ui:\nbase: ui\nraster: ui base\nskin: ui base\napp: ui base raster skin\n'
        result = self.check(layers=layers)  # skin does not build on raster here
        self.assertEqual(result.returncode, 1)
        self.assertIn('"raster/Blend.h" is of the layer raster, which the layer skin does not build on',
                      result.stdout)

    def test_an_include_found_nowhere_fails(self):
        result = self.check(extra={'Source/skin/sCommonData.cpp': '#include "sCommonData.h"\n#include "Gone.h"\n'})
        self.assertEqual(result.returncode, 1)
        self.assertIn('Source/skin/sCommonData.cpp:2: "Gone.h" belongs to no layer', result.stdout)
        self.assertNotIn(':1:', result.stdout)  # beside the includer is found

    def test_a_tests_folder_keeps_to_its_layer(self):
        result = self.check(extra={'tests/base/sConst_test.cpp': '#include "raster/Blend.h"\n'})
        self.assertEqual(result.returncode, 1)
        self.assertIn('tests/base/sConst_test.cpp:1: "raster/Blend.h" is of the layer raster', result.stdout)

    def test_the_tests_helpers_may_use_every_layer_but_the_program(self):
        passing = self.check(extra={'tests/support/Skins.h': '#include "skin/sCommonData.h"\n'})
        self.assertEqual(passing.returncode, 0, passing.stdout)
        result = self.check(extra={'tests/support/Shell.cpp': '#include "app/Main.h"\n#include "Gone.h"\n',
                                   'app/Main.h': '#pragma once\n'})
        self.assertEqual(result.returncode, 1)
        self.assertIn('tests/support/Shell.cpp:1: "app/Main.h" is of the program', result.stdout)
        self.assertIn('tests/support/Shell.cpp:2: "Gone.h" belongs to no layer', result.stdout)

    def test_a_circle_of_layers_fails(self):
        layers = 'ui:\nbase: ui skin\nraster: ui base\nskin: ui base raster\napp: ui base raster skin\n'
        result = self.check(layers=layers)
        self.assertEqual(result.returncode, 1)
        self.assertIn('the layers form a circle', result.stdout)


if __name__ == '__main__':
    unittest.main()
