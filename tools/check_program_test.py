#!/usr/bin/env python3
"""Shows that tools/check_program.py finds what it is there to find, on small files of its own:
an x86-64 or PE32+ image, a file that is no Windows program, a missing data folder, a missing or
failed build each fail the check (a failed build with the end of its log); a PE32 image for
Intel 80386 with its data folder passes, and a check started while the build runs waits for it."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'check_program.py')


def image(machine=0x014C, magic=0x010B):
    """The headers of a Windows executable: DOS header, PE signature, file and optional header."""
    dos = bytearray(0x40)
    dos[0:2] = b'MZ'
    struct.pack_into('<I', dos, 0x3C, 0x40)
    coff = struct.pack('<HHIIIHH', machine, 0, 0, 0, 0, 0xE0, 0x0102)
    optional = struct.pack('<H', magic) + bytes(0xE0 - 2)
    return bytes(dos) + b'PE\0\0' + coff + optional


def program(root, content, data=True):
    """Writes root/bin/Tarnwick.exe (and its data folder) and returns its path."""
    exe = os.path.join(root, 'bin', 'Tarnwick.exe')
    os.makedirs(os.path.dirname(exe))
    with open(exe, 'wb') as f:
        f.write(content)
    if data:
        os.makedirs(os.path.join(root, 'bin', 'data', 'Glimmerveil'))
        for name in ('Glimmerveil/Options.dat', 'Glimmerveil.kpz'):
            with open(os.path.join(root, 'bin', 'data', name), 'w') as f:
                f.write('[section]\n')
    return exe


def build_result(root, status=None, log=''):
    with open(os.path.join(root, 'side-build.lock'), 'w'):
        pass
    if status is not None:
        with open(os.path.join(root, 'side-build.status'), 'w') as f:
            f.write(f'{status}\n')
    with open(os.path.join(root, 'side-build.log'), 'w') as f:
        f.write(log)


def run(*args):
    return subprocess.run([sys.executable, CHECK, *args], capture_output=True, text=True, timeout=60)


class CheckImage(unittest.TestCase):
    CASES = [
        # (what, file content, data folder, expected exit code, expected text)
        ('a PE32 image for Intel 80386', image(), True, 0, 'PE32, Intel 80386, with its data folder'),
        ('an x86-64 image', image(machine=0x8664, magic=0x020B), True, 1, 'built for x86-64, not for Intel 80386'),
        ('a PE32+ image for Intel 80386', image(magic=0x020B), True, 1, 'a PE32+ image, not PE32'),
        ('a text file', b'#!/bin/sh\necho hello\n', True, 1, 'not a Windows executable (no MZ header)'),
        ('a DOS program', image()[:0x40] + bytes(64), True, 1, 'not a Windows executable (no PE header)'),
        ('a program without its data folder', image(), False, 1, 'Glimmerveil.kpz: missing or empty'),
    ]

    def test_cases(self):
        for what, content, data, code, text in self.CASES:
            with self.subTest(what), tempfile.TemporaryDirectory() as root:
                result = run(program(root, content, data))
                self.assertEqual(result.returncode, code, result.stdout + result.stderr)
                self.assertIn(text, result.stdout)

    def test_a_missing_program_fails(self):
        with tempfile.TemporaryDirectory() as root:
            result = run(os.path.join(root, 'bin', 'Tarnwick.exe'))
            self.assertEqual(result.returncode, 1)
            self.assertIn('cannot be read', result.stdout)


class CheckBuild(unittest.TestCase):
    def test_no_build_started_fails(self):
        with tempfile.TemporaryDirectory() as root:
            result = run(program(root, image()), '--wait', root)
            self.assertEqual(result.returncode, 1)
            self.assertIn('no build was started', result.stdout)

    def test_a_failed_build_fails_and_shows_its_log(self):
        with tempfile.TemporaryDirectory() as root:
            exe = program(root, image())
            build_result(root, status=1, log='[1/2] compiling\nerror: a fault only i686 sees\n')
            result = run(exe, '--wait', root)
            self.assertEqual(result.returncode, 1)
            self.assertIn('failed (exit code 1)', result.stdout)
            self.assertIn('error: a fault only i686 sees', result.stdout)

    def test_a_build_without_a_result_fails(self):
        with tempfile.TemporaryDirectory() as root:
            exe = program(root, image())
            build_result(root)
            result = run(exe, '--wait', root)
            self.assertEqual(result.returncode, 1)
            self.assertIn('ended without a result', result.stdout)

    def test_a_good_build_of_a_wrong_image_fails(self):
        with tempfile.TemporaryDirectory() as root:
            exe = program(root, image(machine=0x8664, magic=0x020B))
            build_result(root, status=0)
            result = run(exe, '--wait', root)
            self.assertEqual(result.returncode, 1)
            self.assertIn('not for Intel 80386', result.stdout)

    def test_the_check_waits_for_a_running_build(self):
        with tempfile.TemporaryDirectory() as root:
            exe = program(root, image())
            build_result(root)
            # A build that holds the lock, and leaves its result only just before it ends: a check
            # that did not wait would find no result.
            holder = subprocess.Popen([sys.executable, '-c', '''
import fcntl, sys, time
with open(sys.argv[1] + '/side-build.lock', 'w') as lock:
    fcntl.flock(lock, fcntl.LOCK_EX)
    print('locked', flush=True)
    sys.stdin.readline()
    time.sleep(0.5)
    with open(sys.argv[1] + '/side-build.status', 'w') as f:
        f.write('0\\n')
''', root], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
            self.assertEqual(holder.stdout.readline().strip(), 'locked')
            check = subprocess.Popen([sys.executable, CHECK, exe, '--wait', root], stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True)
            self.assertEqual(check.stdout.readline().strip(), f'waiting for the build in {root} to end')
            holder.stdin.write('go\n')
            holder.stdin.flush()
            output = check.communicate(timeout=60)[0]
            holder.wait(timeout=60)
            self.assertEqual(check.returncode, 0, output)
            self.assertIn('PE32, Intel 80386', output)


if __name__ == '__main__':
    unittest.main()
