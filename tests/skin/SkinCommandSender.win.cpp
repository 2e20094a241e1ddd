// A second process for the tests of the skin-command gate: sends or posts one SM_ALPHACMD to a
// window of the test's process, as any other program on the desktop could.
//
//   skin_command_sender <window> send|post <command> <lparam>     (numbers in hexadecimal)
//
// The exit code is the answer of a send, or 1 for a post the system accepted (0 if not).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: skin_command_sender <window> send|post <command> <lparam>\n");
    return 255;
  }
  const auto window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(argv[1], nullptr, 16)));
  const auto command = static_cast<WPARAM>(std::strtoul(argv[3], nullptr, 16));
  const auto lParam = static_cast<LPARAM>(std::strtoull(argv[4], nullptr, 16));
  const UINT skinCommand = 0xA100;  // SM_ALPHACMD
  if (std::strcmp(argv[2], "post") == 0) return PostMessageW(window, skinCommand, command << 16, lParam) ? 1 : 0;
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, skinCommand, command << 16, lParam, SMTO_ABORTIFHUNG, 10000, &answer)) return 254;
  return static_cast<int>(answer);
}
