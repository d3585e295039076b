// REGEDIT4 import and export of the sim registry.
#include <fstream>
#include <sstream>

#include "sim/sim_registry.h"

namespace ql::sim {

bool SimRegistry::ImportReg(std::string_view text, std::string* error) {
  (void)text;
  if (error != nullptr) *error = ".reg import is not available yet";
  return false;
}

bool SimRegistry::ImportRegFile(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error != nullptr) *error = "cannot open " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ImportReg(text.str(), error);
}

std::string SimRegistry::ExportReg(std::string_view keyPath) const {
  (void)keyPath;
  return "REGEDIT4\r\n";
}

void SimRegistry::ExportKey(const Key& key, std::string* out) const {
  (void)key;
  (void)out;
}

}  // namespace ql::sim
