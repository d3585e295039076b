// REGEDIT4 import and export: every form of value, deletion, clear errors for bad lines,
// and a round trip that keeps types and bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sim/sim_registry.h"

namespace ql::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kParameters[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters";

TEST(SimRegFile, FixtureGivesEveryTypeWithExactBytes) {
  SimRegistry registry;
  std::string error;
  ASSERT_TRUE(registry.ImportRegFile(QL_FIXTURES_DIR "/sim_import_sample.reg", &error)) << error;

  const std::string service = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv";
  EXPECT_EQ(registry.GetType(service, "Start"), reg::kDword);
  EXPECT_EQ(registry.GetDword(service, "Start"), 0u);
  EXPECT_EQ(registry.GetBytes(service, "Group"), (Bytes{'O', 'r', 'v', 'e', 'l', 0}));
  EXPECT_EQ(registry.GetType(kParameters, "DosDevice"), reg::kSz);
  EXPECT_EQ(registry.GetBytes(kParameters, "DosDevice"), (Bytes{'C', ':'}));
  EXPECT_EQ(registry.GetDword(kParameters, "PageSize"), 32768u);
  EXPECT_EQ(registry.GetText(kParameters, "Path"), "C:\\WINNT\\\"quoted\"");
  EXPECT_EQ(registry.GetText(kParameters, ""), "default");

  const std::string source = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\QlDrv";
  EXPECT_EQ(registry.GetType(source, "EventMessageFile"), reg::kExpandSz);
  EXPECT_EQ(registry.GetText(source, "EventMessageFile"),
            "%SystemRoot%\\System32\\Drivers\\QlDrv.sys");
  EXPECT_EQ(registry.GetBytes(source, "EventMessageFile")->size(), 40u);

  EXPECT_EQ(
      registry.GetMultiSz("HKLM\\SYSTEM\\CurrentControlSet\\Control\\ServiceGroupOrder", "List"),
      (std::vector<std::string>{"SCSI miniport", "filter"}));
  EXPECT_EQ(registry.GetBytes("HKCU\\Software\\ZevQuillonTune", "Empty"), Bytes{});
  EXPECT_EQ(registry.GetBytes("HKCU\\Software\\ZevQuillonTune", "Bytes"), (Bytes{1, 0xff, 0x7f}));
}

TEST(SimRegFile, DeletionsOfKeysAndValues) {
  SimRegistry registry;
  registry.SetDword(kParameters, "MaxLRU", 100);
  registry.SetDword(kParameters, "MinLRU", 25);
  registry.SetDword("HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlAlloc", "Start", 2);
  std::string error;
  ASSERT_TRUE(registry.ImportReg(
      "REGEDIT4\n\n"
      "[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlAlloc]\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\NeverThere]\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters]\n"
      "\"minlru\"=-\n"
      "\"Absent\"=-\n",
      &error))
      << error;
  EXPECT_FALSE(registry.KeyExists("HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlAlloc"));
  EXPECT_EQ(registry.ValueNames(kParameters), std::vector<std::string>{"MaxLRU"});
}

TEST(SimRegFile, BadLinesAreRefusedWithTheirNumberAndChangeNothing) {
  struct Case {
    const char* text;
    const char* expected;  // part of the message
  };
  const Case cases[] = {
      {"[HKEY_LOCAL_MACHINE\\A]\n", "line 1: the text must begin with REGEDIT4"},
      {"", "REGEDIT4"},
      {"REGEDIT4\n\"a\"=dword:1\n", "line 2: value outside"},
      {"REGEDIT4\n[HKEY_NOWHERE\\A]\n", "line 2: unknown root"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n", "empty key name"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\n", "closing ]"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=dword:123456789\n", "line 3: dword:"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=dword:\n", "dword:"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=dword:xyz\n", "dword:"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex:1,,2\n", "bad byte"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex:100\n", "bad byte"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex:01,\n", "bad byte"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=hex(zz):01\n", "bad type"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=qword:01\n", "unknown data kind"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=\"open\n", "closing quote"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=\"C:\\WINNT\"\n", "unknown escape \\W"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=\"x\" junk\n", "after the string"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\" dword:1\n", "expected ="},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\nplain=1\n", "expected [key]"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"a\"=text\n", "value data must be"},
      {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A]\n\"a\"=dword:1\n", "deletes its key"},
      {"REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n", "root key"},
  };
  for (const auto& c : cases) {
    SimRegistry registry;
    registry.SetDword("HKLM\\A", "kept", 1);
    const std::string before = registry.ExportReg();
    std::string error;
    EXPECT_FALSE(registry.ImportReg(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.text << " gave: " << error;
    EXPECT_EQ(registry.ExportReg(), before) << c.text;
  }
}

TEST(SimRegFile, ContinuationsCommentsAndLineEndings) {
  SimRegistry registry;
  std::string error;
  ASSERT_TRUE(
      registry.ImportReg("\xEF\xBB\xBFREGEDIT4\r"
                         "; comment\r\n"
                         "[HKEY_USERS\\.DEFAULT\\X]\n"
                         "  ; indented comment\n"
                         "\"a\"=hex:01,02,\\\n"
                         "    03,\\\r\n"
                         "  04\n"
                         "\"semi;colon\"=\"text; not a comment\\\\\"\n"
                         "\"b\"=DWORD:FFFFFFFF\n",
                         &error))
      << error;
  EXPECT_EQ(registry.GetBytes("HKU\\.DEFAULT\\X", "a"), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(registry.GetText("HKU\\.DEFAULT\\X", "semi;colon"), "text; not a comment\\");
  EXPECT_EQ(registry.GetDword("HKU\\.DEFAULT\\X", "b"), 0xFFFFFFFFu);
}

TEST(SimRegFile, ExportImportsBackToTheSameTypesAndBytes) {
  SimRegistry original;
  const std::string key = "HKLM\\SOFTWARE\\Round \"Trip\"";
  original.SetString(key, "", "default \\ with \"quotes\"");
  original.SetString(key, "NoNul", "C:", /*withNul=*/false);
  original.SetString(key, "TwoNuls", std::string("a\0b", 3));
  original.SetString(key, "Expand", "%SystemRoot%", true, reg::kExpandSz);
  original.SetString(key, "Line\\Break", "one\r\ntwo");
  original.SetDword(key, "Dword", 0x01020304);
  original.SetRaw(key, "ShortDword", reg::kDword, {1, 2});
  original.SetRaw(key, "None", reg::kNone, {});
  original.SetRaw(key, "Odd", 0x1234, {9});
  Bytes big(300);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  original.SetBinary(key, "Big", big);
  original.SetMultiSz(key, "Multi", {"x", "yy"});
  original.CreateKeyPath(key + "\\Empty\\Deeper");
  original.SetDword("HKCU\\Software\\Q", "v", 5);

  const std::string text = original.ExportReg();
  SimRegistry copy;
  std::string error;
  ASSERT_TRUE(copy.ImportReg(text, &error)) << error << "\n" << text;
  EXPECT_EQ(copy.ExportReg(), text);
  for (const auto& name : original.ValueNames(key)) {
    EXPECT_EQ(copy.GetType(key, name), original.GetType(key, name)) << name;
    EXPECT_EQ(copy.GetBytes(key, name), original.GetBytes(key, name)) << name;
  }
  EXPECT_TRUE(copy.KeyExists(key + "\\Empty\\Deeper"));
  EXPECT_NE(text.find("\"Dword\"=dword:01020304\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"NoNul\"=hex(1):43,3a\r\n"), std::string::npos) << text;

  // A subtree on its own.
  const std::string part = original.ExportReg("HKCU\\Software\\Q");
  EXPECT_EQ(part,
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Q]\r\n\"v\"=dword:00000005\r\n\r\n");
}

// Random and garbled text must give true or false with a message, never undefined behaviour
// (the sanitizer build runs this too).
TEST(SimRegFile, GarbledInputNeverMisbehaves) {
  SimRegistry seed;
  seed.SetString("HKLM\\A\\B", "s", "text \"q\" \\");
  seed.SetBinary("HKLM\\A\\B", "b", Bytes(100, 0x5a));
  seed.SetDword("HKCU\\C", "d", 7);
  const std::string valid = seed.ExportReg();
  const std::string alphabet =
      "[]\\\"=@:-,;()hexdwor0123456789abcdefHKEY_LOCAL_MACHINE\r\n \t\0\xff";

  std::mt19937 random(12345);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = valid;
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = random() % (text.size() + 1);
      const char c = alphabet[random() % alphabet.size()];
      switch (random() % 3) {
        case 0:
          text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), c);
          break;
        case 1:
          if (at < text.size()) text.erase(at, 1 + random() % 5);
          break;
        default:
          if (at < text.size()) text[at] = c;
      }
    }
    if (round % 10 == 0) {  // now and then pure noise
      text.assign(random() % 200, '\0');
      for (auto& ch : text) ch = static_cast<char>(random());
      if (round % 20 == 0) text = "REGEDIT4\n" + text;
    }
    SimRegistry registry;
    std::string error;
    if (registry.ImportReg(text, &error)) {
      ++accepted;
      EXPECT_TRUE(error.empty());
      // Whatever was accepted exports to text that imports again.
      SimRegistry again;
      EXPECT_TRUE(again.ImportReg(registry.ExportReg(), &error)) << error;
    } else {
      EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
    }
  }
  EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace ql::sim
