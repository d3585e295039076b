// qlmsgbox: shows one message box and exits with the answer's id, for the robot's own test.
//   qlmsgbox <caption> <text> [yesno]
// The text may hold "\n" for a line break.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  if (argc < 3) return 100;
  std::string text;
  for (const char* p = argv[2]; *p != '\0'; ++p) {
    if (p[0] == '\\' && p[1] == 'n') {
      text += '\n';
      ++p;
    } else {
      text += *p;
    }
  }
  UINT style = (argc > 3 && std::string(argv[3]) == "yesno") ? MB_YESNO | MB_ICONQUESTION
                                                             : MB_OK | MB_ICONHAND;
  return MessageBoxA(nullptr, text.c_str(), argv[1], style);
}
