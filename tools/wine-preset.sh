#!/usr/bin/env bash
# Prints the build preset whose Windows programs this machine's Wine can run: win32, or win64
# where the kernel runs no i386 programs (Wine's 32-bit half cannot start there). The program
# itself is always the win32 build; win64 only runs the same code's tests.
# TW_WINE_PRESET=win64 takes the way of a machine without 32-bit programs on one that has them
# (to try what CI does there).
if [ -n "${TW_WINE_PRESET:-}" ]; then
  echo "$TW_WINE_PRESET"
elif /lib/ld-linux.so.2 --version >/dev/null 2>&1; then echo win32; else echo win64; fi
