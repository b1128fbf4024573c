// A scenario's machine written as a registry editor file and read back: the same registry, in
// the machine's own paths; what a .reg file cannot hold is said.
#include <gtest/gtest.h>

#include <filesystem>

#include "scenario/reg_export.h"
#include "scenario/reg_file.h"
#include "testkit/file_identity.h"
#include "testkit/utf_text.h"

namespace {

using scenario::RegistryChange;
using Kind = RegistryChange::Kind;
using machine::RegValue;

std::string TextOfFile(const std::string& bytes) {
  return testkit::ToUtf8(testkit::UnitsOfBytes(std::vector<std::uint8_t>(bytes.begin() + 2, bytes.end())));
}

TEST(RegExportTest, EveryExampleAndTestScenarioComesBackTheSame) {
  size_t files = 0, x64 = 0;
  for (const char* folder : {"/examples", "/tests/scenarios"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(SUITE_SOURCE_FOLDER) + folder)) {
      if (entry.path().extension() != ".json") continue;
      const auto s = scenario::LoadScenario(entry.path().string());
      ASSERT_TRUE(s) << s.error();
      const scenario::RegExport exported = scenario::ExportRegistry(s->machine);
      ASSERT_EQ(exported.bytes.compare(0, 2, "\xFF\xFE"), 0);
      const auto back = scenario::ParseRegText(entry.path().string(), exported.bytes, s->machine.windows);
      ASSERT_TRUE(back) << back.error();
      EXPECT_EQ(scenario::FoldRegistry(*back), scenario::FoldRegistry(s->machine.registry)) << entry.path();
      ++files;
      x64 += s->machine.windows == machine::Windows::X64 ? 1 : 0;
    }
  }
  EXPECT_GT(files, 30u);
  EXPECT_GT(x64, 0u);
}

// Each form of data as regedit writes it, and back.
TEST(RegExportTest, DataInTheFormsRegeditWrites) {
  const std::u16string key = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\X";
  struct Row {
    std::u16string name;
    RegValue value;
    const char* line;
  };
  const Row rows[] = {
      {u"", RegValue{1, {'a', 0, 0, 0}}, "@=\"a\""},
      {u"Q\"uote", RegValue{1, {'\\', 0, '"', 0, 0, 0}}, R"("Q\"uote"="\\\"")"},
      {u"Open", RegValue{1, {'a', 0}}, R"("Open"=hex(1):61,00)"},
      {u"Lines", RegValue{1, {'a', 0, '\n', 0, 0, 0}}, R"("Lines"=hex(1):61,00,0a,00,00,00)"},
      {u"D", RegValue{4, {0x2A, 0, 0, 0x80}}, R"("D"=dword:8000002a)"},
      {u"Short", RegValue{4, {1, 2}}, R"("Short"=hex(4):01,02)"},
      {u"B", RegValue{3, {}}, R"("B"=hex:)"},
      {u"E", RegValue{2, {'%', 0, 0, 0}}, R"("E"=hex(2):25,00,00,00)"},
      {u"Odd", RegValue{0x1234, {0xFF}}, R"("Odd"=hex(1234):ff)"},
  };
  scenario::MachineSetUp m;
  m.registry.push_back({Kind::CreateKey, key, u"", {}});
  for (const Row& row : rows) m.registry.push_back({Kind::SetValue, key, row.name, row.value});
  m.registry.push_back({Kind::SetValue, key, u"Two\nlines", RegValue{1, {0, 0}}});
  m.denied.emplace_back(key, 6u);
  const scenario::RegExport exported = scenario::ExportRegistry(m);
  const std::string text = TextOfFile(exported.bytes);
  for (const Row& row : rows) EXPECT_NE(text.find(std::string(row.line) + "\r\n"), std::string::npos) << row.line;
  EXPECT_EQ(exported.values, std::size(rows));
  // The name no .reg line holds, and the refusal, are said; the refusal stands in the file too.
  ASSERT_EQ(exported.leftOut.size(), 2u);
  EXPECT_NE(exported.leftOut[0].find("KEY_SET_VALUE | KEY_CREATE_SUB_KEY"), std::string::npos) << exported.leftOut[0];
  EXPECT_NE(exported.leftOut[1].find("cannot hold"), std::string::npos) << exported.leftOut[1];
  EXPECT_NE(text.find("\r\n; not held here: the refusal of"), std::string::npos);
  const auto back = scenario::ParseRegText("export", exported.bytes);
  ASSERT_TRUE(back) << back.error();
  auto want = scenario::FoldRegistry(m.registry);
  want[key].erase(u"Two\nlines");
  EXPECT_EQ(scenario::FoldRegistry(*back), want);
}

}  // namespace

namespace {

// The digests FIPS 180-4's examples give, and messages whose padding crosses a block.
TEST(FileIdentityTest, Sha256OfKnownMessages) {
  const std::pair<std::string, const char*> rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [message, digest] : rows) EXPECT_EQ(testkit::Sha256(message), digest) << message.size();
}

}  // namespace
