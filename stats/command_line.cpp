#include "stats/command_line.h"

#include <optional>

#include "stats/stats_dialog.h"

namespace ql::stats {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower(c);
  return out;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < commandLine.size()) {
    while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
    if (i == commandLine.size()) break;
    std::string word;
    bool quoted = false;
    for (; i < commandLine.size(); ++i) {
      const char c = commandLine[i];
      if (c == '"') {
        quoted = !quoted;
      } else if (IsBlank(c) && !quoted) {
        break;
      } else {
        word += c;
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

Invocation ParseCommandLine(std::string_view commandLine) {
  Invocation result;
  const std::vector<std::string> words = SplitCommandLine(commandLine);
  if (words.empty()) return result;

  auto refuse = [](std::string problem) {
    Invocation refused;
    refused.kind = Invocation::Kind::kRefused;
    refused.problem = std::move(problem);
    return refused;
  };

  // "/?" anywhere wins: whoever asks for the usage gets it, whatever else is there.
  for (const std::string& word : words) {
    if (word == "/?" || word == "-?") {
      Invocation usage;
      usage.kind = Invocation::Kind::kUsage;
      return usage;
    }
  }

  std::optional<std::string> log;
  std::optional<std::string> rateText;
  for (const std::string& word : words) {
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) {
      return refuse("Unexpected argument: " + word);
    }
    const std::size_t colon = word.find(':');
    const std::string name = Lowered(std::string_view(word).substr(1, colon - 1));
    const bool hasValue = colon != std::string::npos;
    const std::string value = hasValue ? word.substr(colon + 1) : std::string();
    if (name == "log") {
      if (log) return refuse("The switch /log is given twice.");
      if (value.empty()) return refuse("The switch /log needs a file name: /log:FILE");
      log = value;
    } else if (name == "rate") {
      if (rateText) return refuse("The switch /rate is given twice.");
      if (value.empty()) return refuse("The switch /rate needs a number: /rate:N");
      rateText = value;
    } else {
      return refuse("Unknown switch: " + word);
    }
  }

  if (!log) return refuse("The switch /rate goes with /log:FILE.");
  result.kind = Invocation::Kind::kLog;
  result.logPath = *log;
  result.rate = kInitialSamplingRate;
  if (rateText) {
    // The same whole number and range the rate box takes, but never blanks: they would
    // have split the word.
    const std::optional<std::int32_t> rate = ParseInteger(*rateText);
    if (!rate || *rate < kMinSamplingRate || *rate > kMaxSamplingRate) {
      return refuse("The rate must be a whole number of seconds from 1 to 3600: /rate:" +
                    *rateText);
    }
    result.rate = *rate;
  }
  return result;
}

std::string UsageText(std::string_view problem) {
  std::string text;
  if (!problem.empty()) {
    text += problem;
    text += "\n\n";
  }
  text +=
      "Usage: QlStats.exe [/log:FILE [/rate:N]]\n"
      "\n"
      "Without arguments the monitor opens stopped.\n"
      "/log:FILE\tstarts polling at once and appends one line of figures per interval to "
      "FILE (comma-separated, with a header line in a new file).\n"
      "/rate:N\tseconds between two polls, 1 to 3600 (default 2).\n"
      "Stop or Exit ends the log.";
  return text;
}

}  // namespace ql::stats
