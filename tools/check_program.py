#!/usr/bin/env python3
"""Checks the shipped program: a 32-bit (PE32, Intel 80386) Windows executable with its data
folder (the Glimmerveil skin, as a folder and packed) beside it.

    check_program.py <Tarnwick.exe> [--wait <build folder>]

With --wait the program comes from a build that tools/test.sh runs beside the tests (on a
machine that runs no 32-bit programs): the check first waits, however long it takes, until that
build has ended (it holds <build folder>/side-build.lock while it runs), and fails, showing the
end of its log, when the build failed. Waiting on the lock rather than for a time keeps the
result the same on a fast or a slow machine."""

import fcntl
import os
import struct
import sys

LOCK = 'side-build.lock'
STATUS = 'side-build.status'
LOG = 'side-build.log'
LOG_LINES = 60

IMAGE_FILE_MACHINE_I386 = 0x014C
PE32_MAGIC = 0x010B
MACHINES = {0x014C: 'Intel 80386', 0x8664: 'x86-64', 0xAA64: 'ARM64', 0x01C4: 'ARM Thumb-2'}


def wait_for_build(build_dir):
    """Returns a list of problems of the side build: none when it ended well."""
    lock = os.path.join(build_dir, LOCK)
    if not os.path.exists(lock):
        return [f'no build was started in {build_dir} (tools/test.sh starts it)']
    print(f'waiting for the build in {build_dir} to end', flush=True)
    with open(lock, 'rb') as f:
        fcntl.flock(f, fcntl.LOCK_SH)
    status_path = os.path.join(build_dir, STATUS)
    try:
        with open(status_path, encoding='utf-8') as f:
            status = f.read().strip()
    except FileNotFoundError:
        status = None
    if status == '0':
        return []
    show_log(os.path.join(build_dir, LOG))
    if status is None:
        return [f'the build in {build_dir} ended without a result ({STATUS} is missing)']
    return [f'the build in {build_dir} failed (exit code {status})']


def show_log(path):
    try:
        with open(path, encoding='utf-8', errors='replace') as f:
            lines = f.readlines()
    except FileNotFoundError:
        print(f'(no build log at {path})')
        return
    print(f'---- the last {min(LOG_LINES, len(lines))} lines of {path}')
    sys.stdout.writelines(lines[-LOG_LINES:])
    print('----')


def check_image(path):
    """Returns a list of problems of the executable at path: none for a PE32 image for i386."""
    try:
        with open(path, 'rb') as f:
            head = f.read(4096)
    except OSError as e:
        return [f'{path}: cannot be read ({e.strerror})']
    if len(head) < 64 or head[:2] != b'MZ':
        return [f'{path}: not a Windows executable (no MZ header)']
    (pe_offset,) = struct.unpack_from('<I', head, 0x3C)
    if pe_offset + 26 > len(head) or head[pe_offset:pe_offset + 4] != b'PE\0\0':
        return [f'{path}: not a Windows executable (no PE header)']
    (machine,) = struct.unpack_from('<H', head, pe_offset + 4)
    (magic,) = struct.unpack_from('<H', head, pe_offset + 24)
    problems = []
    if machine != IMAGE_FILE_MACHINE_I386:
        name = MACHINES.get(machine, f'machine 0x{machine:04x}')
        problems.append(f'{path}: built for {name}, not for Intel 80386')
    if magic != PE32_MAGIC:
        kind = 'PE32+' if magic == 0x020B else f'optional header 0x{magic:04x}'
        problems.append(f'{path}: a {kind} image, not PE32')
    return problems


def check_data(exe):
    data = os.path.join(os.path.dirname(os.path.abspath(exe)), 'data')
    problems = []
    for need in (os.path.join('Glimmerveil', 'Options.dat'), 'Glimmerveil.kpz'):
        path = os.path.join(data, need)
        if not os.path.isfile(path) or os.path.getsize(path) == 0:
            problems.append(f'{path}: missing or empty (the data folder beside the program)')
    return problems


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != '--wait'):
        print(__doc__, file=sys.stderr)
        return 2
    exe = argv[1]
    problems = wait_for_build(argv[3]) if len(argv) == 4 else []
    if not problems:
        problems = check_image(exe) + check_data(exe)
    for p in problems:
        print(p)
    if problems:
        return 1
    print(f'{exe}: PE32, Intel 80386, with its data folder')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
