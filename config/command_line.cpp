#include "config/command_line.h"

#include <cctype>

namespace ql::config {
namespace {

using Action = CommandLineRequest::Action;

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// "D", "d" or "D:": the upper-case letter, or 0 when the value is no drive letter.
char DriveLetterOf(std::string_view value) {
  if (value.size() == 2 && value[1] != ':') return 0;
  if (value.empty() || value.size() > 2) return 0;
  const auto letter = static_cast<unsigned char>(value[0]);
  if (letter > 0x7F || std::isalpha(letter) == 0) return 0;
  return static_cast<char>(std::toupper(letter));
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (const char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

CommandLineRequest ParseCommandLine(std::string_view commandLine) {
  CommandLineRequest request;
  const std::vector<std::string> arguments = SplitCommandLine(commandLine);
  if (arguments.empty()) return request;
  for (const std::string& argument : arguments) {
    if (argument == "/?") {
      request.action = Action::kUsage;
      return request;
    }
  }

  bool seenDrive = false;
  bool seenLazy = false;
  bool seenDisable = false;
  bool seenLog = false;
  // The first fault is the one reported; the log switch is still looked for after it.
  auto refuse = [&](std::string why) {
    if (request.error.empty()) request.error = std::move(why);
  };
  for (const std::string& argument : arguments) {
    const std::string_view text = argument;
    if (text.size() < 2 || text[0] != '/') {
      refuse("not a switch: " + argument);
      continue;
    }
    const std::size_t colon = text.find(':');
    const std::string_view name =
        text.substr(1, colon == std::string_view::npos ? text.npos : colon - 1);
    const bool hasValue = colon != std::string_view::npos;
    const std::string_view value = hasValue ? text.substr(colon + 1) : std::string_view{};
    auto once = [&](bool& seen) {
      if (seen) refuse("switch given twice: /" + std::string(name));
      seen = true;
    };
    auto needValue = [&]() {
      if (value.empty()) refuse("missing value: /" + std::string(name) + ":");
      return !value.empty();
    };

    if (SameLetters(name, "drive")) {
      once(seenDrive);
      if (!needValue()) continue;
      const char letter = DriveLetterOf(value);
      if (letter == 0) {
        refuse("not a drive letter: " + argument);
        continue;
      }
      request.driveLetter = letter;
    } else if (SameLetters(name, "lazywrite")) {
      once(seenLazy);
      if (!needValue()) continue;
      if (SameLetters(value, "on")) {
        request.lazyWrite = true;
      } else if (SameLetters(value, "off")) {
        request.lazyWrite = false;
      } else {
        refuse("lazy writing is on or off: " + argument);
      }
    } else if (SameLetters(name, "disable")) {
      once(seenDisable);
      if (hasValue) refuse("/disable takes no value: " + argument);
    } else if (SameLetters(name, "log")) {
      once(seenLog);
      if (!needValue()) continue;
      if (request.logPath.empty()) request.logPath = std::string(value);
    } else {
      refuse("unknown switch: " + argument);
    }
  }

  if (request.error.empty()) {
    if (seenDisable && (seenDrive || seenLazy)) {
      refuse("/disable goes without /drive and /lazywrite");
    } else if (seenDrive != seenLazy) {
      refuse(seenDrive ? "/drive needs /lazywrite:on or /lazywrite:off"
                       : "/lazywrite needs /drive");
    } else if (!seenDisable && !seenDrive) {
      refuse("nothing chosen: /drive with /lazywrite, or /disable");
    }
  }
  if (!request.error.empty()) {
    request.action = Action::kRefused;
  } else {
    request.action = seenDisable ? Action::kDisable : Action::kDrive;
  }
  return request;
}

}  // namespace ql::config
