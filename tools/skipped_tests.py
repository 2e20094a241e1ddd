#!/usr/bin/env python3
"""Lists the tests that the test executables skipped (GTEST_SKIP), from the result files that
each CTest entry leaves in test-results/<entry>.xml of its build folder.

    skipped_tests.py <results folder>...
"""

import glob
import os
import sys
import xml.etree.ElementTree as ET


def skipped(folder):
    """Yields (entry, test, message) for each skipped test of the result files in folder."""
    for path in sorted(glob.glob(os.path.join(folder, '*.xml'))):
        entry = os.path.splitext(os.path.basename(path))[0]
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError as e:
            yield entry, '(result file unreadable)', str(e)
            continue
        for case in root.iter('testcase'):
            mark = case.find('skipped')
            if case.get('result') == 'skipped' or mark is not None:
                message = (mark.get('message') if mark is not None else '') or ''
                message = ' '.join(message.split())
                yield entry, f"{case.get('classname')}.{case.get('name')}", message


def main(folders):
    found = [s for folder in folders for s in skipped(folder)]
    if not found:
        print('[test] no test skipped')
        return 0
    print(f'[test] skipped inside the executables: {len(found)}')
    for entry, test, message in found:
        print(f'  {entry}: {test}' + (f' ({message})' if message else ''))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
