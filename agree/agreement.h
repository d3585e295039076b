// The licence agreement that Pactview shows, and the rule that turns the dialog's result into
// the process exit code a setup procedure reads. Plain C++ without <windows.h>, so the form of
// the text can be checked on any build machine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ql::agree {

// The agreement as it goes into the edit field in one piece: plain ASCII, every line ended by
// CR LF, at most kMaxLineWidth characters to a line. The field wraps a line that is wider
// than itself, so every line is kept narrow enough in the dialog's font to stand on its own
// (lines in capitals are shorter, capitals being wider); the text then shows exactly its own
// lines.
extern const char kAgreementText[];
inline constexpr std::size_t kAgreementLength = 6176;
inline constexpr std::size_t kAgreementLines = 131;
inline constexpr std::size_t kMaxLineWidth = 66;

// Dialog result of "Yes, I accept" (IDOK). Every other result, the error result of a dialog
// that could not be created included, is a refusal.
inline constexpr std::intptr_t kAcceptResult = 1;
inline constexpr int kExitAccepted = 0;
inline constexpr int kExitRefused = 1;

constexpr int ExitCodeForResult(std::intptr_t dialog_result) {
  return dialog_result == kAcceptResult ? kExitAccepted : kExitRefused;
}

}  // namespace ql::agree
