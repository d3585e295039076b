// The agreement's fixed form: a setup procedure shows it in an edit field of fixed width, and
// the text is checked line by line against the rules that field relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "agree/agreement.h"

namespace ql::agree {
namespace {

// Splits at CR LF. A CR or LF on its own is reported through `stray`.
std::vector<std::string> SplitLines(std::string_view text, std::string* stray) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      lines.push_back(current);
      current.clear();
      ++i;
    } else if (c == '\r' || c == '\n') {
      *stray += "stray line-break character after line " + std::to_string(lines.size()) + "\n";
    } else {
      current += c;
    }
  }
  if (!current.empty()) *stray += "last line not ended by CR LF: " + current + "\n";
  return lines;
}

bool IsUpperCaseText(const std::string& s) {
  return std::any_of(s.begin(), s.end(), [](unsigned char c) { return std::isalpha(c); }) &&
         std::none_of(s.begin(), s.end(), [](unsigned char c) { return std::islower(c); });
}

// Paragraphs are runs of non-empty lines.
std::vector<std::vector<std::string>> Paragraphs(const std::vector<std::string>& lines) {
  std::vector<std::vector<std::string>> result;
  bool in_paragraph = false;
  for (const std::string& line : lines) {
    if (line.empty()) {
      in_paragraph = false;
    } else {
      if (!in_paragraph) result.emplace_back();
      result.back().push_back(line);
      in_paragraph = true;
    }
  }
  return result;
}

class AgreementText : public ::testing::Test {
 protected:
  const std::string_view text_{kAgreementText};
  std::string stray_;
  const std::vector<std::string> lines_ = SplitLines(text_, &stray_);
};

TEST_F(AgreementText, IsOneAsciiStringOfFixedLengthAndLineCount) {
  // strlen, not sizeof: an embedded NUL would cut the text short in the edit field.
  EXPECT_EQ(std::strlen(kAgreementText), kAgreementLength);
  EXPECT_EQ(text_.size(), 6176u);
  EXPECT_EQ(stray_, "");
  EXPECT_EQ(lines_.size(), kAgreementLines);
  EXPECT_EQ(lines_.size(), 131u);
  for (std::size_t i = 0; i < text_.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text_[i]);
    const bool printable = c >= 0x20 && c < 0x7f;
    EXPECT_TRUE(printable || c == '\r' || c == '\n') << "character " << int{c} << " at " << i;
  }
}

TEST_F(AgreementText, EveryLineFitsTheFieldWithoutTabsOrTrailingBlanks) {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    EXPECT_LE(line.size(), kMaxLineWidth) << "line " << i + 1 << ": " << line;
    EXPECT_EQ(line.find('\t'), std::string::npos) << "tab in line " << i + 1;
    if (!line.empty()) {
      EXPECT_NE(line.back(), ' ') << "trailing blank in line " << i + 1;
      EXPECT_NE(line.front(), ' ') << "leading blank in line " << i + 1;
    }
  }
}

TEST_F(AgreementText, ParagraphsAreSeparatedBySingleEmptyLines) {
  ASSERT_FALSE(lines_.empty());
  EXPECT_FALSE(lines_.front().empty());
  EXPECT_FALSE(lines_.back().empty()) << "the text ends with a line of its own, not a gap";
  for (std::size_t i = 1; i < lines_.size(); ++i) {
    EXPECT_FALSE(lines_[i].empty() && lines_[i - 1].empty()) << "double gap at line " << i + 1;
  }
}

TEST_F(AgreementText, HasTitleIntroductionAndSevenNumberedSections) {
  const auto paragraphs = Paragraphs(lines_);
  ASSERT_GE(paragraphs.size(), 3u);

  // Title: one line of its own, in capitals, naming the maker and the product.
  ASSERT_EQ(paragraphs[0].size(), 1u);
  const std::string& title = paragraphs[0][0];
  EXPECT_TRUE(IsUpperCaseText(title)) << title;
  EXPECT_NE(title.find("NORVANE SYSTEMS"), std::string::npos) << title;
  EXPECT_NE(title.find("QUILLON-NT"), std::string::npos) << title;

  // The introduction comes before the first section and names the two buttons.
  ASSERT_GE(paragraphs[1].size(), 2u);
  std::string intro;
  for (const auto& line : paragraphs[1]) intro += line + " ";
  EXPECT_NE(intro.find("\"YES, I ACCEPT\""), std::string::npos) << intro;
  EXPECT_NE(intro.find("\"NO, I DO NOT ACCEPT\""), std::string::npos) << intro;

  // Section headings are one-line paragraphs "N. TITLE" in capitals, 1 to 7 in order;
  // subsection paragraphs start with "N.M " and belong to the section before them.
  std::vector<int> sections;
  std::vector<std::string> subsections;
  for (std::size_t p = 2; p < paragraphs.size(); ++p) {
    const std::string& first = paragraphs[p][0];
    const bool numbered = first.size() > 3 && std::isdigit(static_cast<unsigned char>(first[0]));
    if (numbered && first[1] == '.' && first[2] == ' ') {
      EXPECT_EQ(paragraphs[p].size(), 1u) << "heading runs on: " << first;
      EXPECT_TRUE(IsUpperCaseText(first)) << first;
      sections.push_back(first[0] - '0');
    } else if (numbered && first[1] == '.' && std::isdigit(static_cast<unsigned char>(first[2]))) {
      ASSERT_FALSE(sections.empty()) << "subsection before any section: " << first;
      EXPECT_EQ(first[0] - '0', sections.back()) << first;
      subsections.push_back(first.substr(0, 3));
    } else {
      EXPECT_FALSE(sections.empty()) << "a second introductory paragraph: " << first;
    }
  }
  EXPECT_EQ(sections, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(subsections, (std::vector<std::string>{"1.1", "1.2", "1.3", "2.1", "2.2"}));
}

TEST_F(AgreementText, NamesTheMakerAndHasWholeParagraphsInCapitals) {
  EXPECT_NE(text_.find("Norvane Systems"), std::string_view::npos);
  int capital_paragraphs = 0;
  for (const auto& paragraph : Paragraphs(lines_)) {
    if (paragraph.size() > 1 && std::all_of(paragraph.begin(), paragraph.end(), IsUpperCaseText)) {
      ++capital_paragraphs;
    }
  }
  // The disclaimer of warranties and the limitation of liability at least.
  EXPECT_GE(capital_paragraphs, 2);
}

TEST(AgreementExitCode, OnlyTheAcceptButtonGivesZero) {
  EXPECT_EQ(ExitCodeForResult(1), 0);  // "Yes, I accept" (IDOK)
  // Cancel, the close box and Esc (IDCANCEL), a dialog that could not be created (-1, or 0
  // without a valid parent), and any other result.
  for (std::intptr_t result : {std::intptr_t{2}, std::intptr_t{-1}, std::intptr_t{0},
                               std::intptr_t{3}, std::intptr_t{257}}) {
    EXPECT_EQ(ExitCodeForResult(result), 1) << result;
  }
}

}  // namespace
}  // namespace ql::agree
