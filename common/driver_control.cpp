#include "common/driver_control.h"

#include <cstdio>

namespace ql {

bool FormServiceDevicePath(char letter, char (&out)[8]) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  const int n = std::snprintf(out, sizeof out, "\\\\.\\%c:", letter);
  return n == 6;
}

bool FormMonitorDevicePath(const char* dosDevice, char (&out)[8]) {
  out[0] = '\0';
  if (dosDevice == nullptr) return false;
  const std::size_t len = std::strlen(dosDevice);
  // "\\.\" plus the text must fit with its terminator.
  if (len > sizeof out - 5) return false;
  std::snprintf(out, sizeof out, "\\\\.\\%s", dosDevice);
  return true;
}

}  // namespace ql
