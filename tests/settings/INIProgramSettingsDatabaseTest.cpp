#include "settings/INIProgramSettingsDatabase.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "settings/IniDocument.h"
#include "support/TestFiles.h"

namespace {
std::shared_ptr<INIProgramSettingsDatabase> OpenStore(const std::string& path) {
  auto store = std::make_shared<INIProgramSettingsDatabase>(path);
  store->Open();
  return store;
}

std::string ValueInFile(const std::string& path, const char* section, const char* key) {
  const IniDocument doc(ReadFile(path));
  const auto value = doc.Find(section, key);
  return value ? std::string(*value) : std::string("<missing>");
}
}  // namespace

TEST(INIProgramSettingsDatabase, NamesSectionsByTheDottedTablePath) {
  TestDirectory dir;
  const std::string path = dir.File("tables.ini");
  auto store = OpenStore(path);
  store->Write("k", 0);
  store->PushTable("A");
  EXPECT_EQ(store->FullTablePath(), "A");
  store->Write("k", 1);
  store->PushTable("B");
  EXPECT_EQ(store->FullTablePath(), "A.B");
  store->Write("k", 2);
  store->PopTable();
  EXPECT_EQ(store->FullTablePath(), "A");
  store->Write("j", 3);
  store->PopTable();
  EXPECT_EQ(store->FullTablePath(), "");
  store->PopTable();  // nothing open: nothing happens
  store->Write("k", 4);
  EXPECT_EQ(ReadFile(path), "[]\nk=4\n\n[A]\nk=1\nj=3\n\n[A.B]\nk=2\n");

  // A name that ends another one is cut at its own position.
  store->PushTable("AB");
  store->PushTable("B");
  EXPECT_EQ(store->FullTablePath(), "AB.B");
  store->PopTable();
  EXPECT_EQ(store->FullTablePath(), "AB");
  store->PopTable();
  EXPECT_EQ(store->FullTablePath(), "");
}

TEST(INIProgramSettingsDatabase, WritesEveryTypeInItsTextFormAndReadsItBack) {
  TestDirectory dir;
  const std::string path = dir.File("types.ini");
  auto store = OpenStore(path);
  store->PushTable("T");
  store->Write("float half", 0.5f);
  store->Write("float small", 1e-7f);
  store->Write("double small", 1e-7);
  store->Write("double large", 123456789.0);
  store->Write("double negative", -2.25);
  store->Write("unsigned max", UINT_MAX);
  store->Write("unsigned long", 3000000000ul);
  store->Write("int min", INT_MIN);
  store->Write("long", -7l);
  store->Write("short", static_cast<short>(-3));
  store->Write("char", 'A');
  store->Write("true", true);
  store->Write("false", false);
  store->Write("wide", wxString::FromUTF8("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"));
  store->WriteNarrow("narrow", "caf\xC3\xA9");
  store->Write("c string", "plain");
  store->Write("empty", wxString());

  const struct {
    const char* key;
    const char* text;
  } expected[] = {
      {"float half", "0.5"},        {"float small", "1E-07"},      {"double small", "1E-07"},
      {"double large", "1.23457E+08"}, {"double negative", "-2.25"}, {"unsigned max", "4294967295"},
      {"unsigned long", "3000000000"}, {"int min", "-2147483648"}, {"long", "-7"},
      {"short", "-3"},              {"char", "65"},                {"true", "1"},
      {"false", "0"},               {"wide", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"},
      {"narrow", "caf\xC3\xA9"},    {"c string", "plain"},         {"empty", ""},
  };
  for (const auto& e : expected) EXPECT_EQ(ValueInFile(path, "T", e.key), e.text) << e.key;

  // A new store reads what the first one wrote.
  auto reader = OpenStore(path);
  reader->PushTable("T");
  EXPECT_EQ(reader->Read("float half", 0.0f), 0.5f);
  EXPECT_EQ(reader->Read("float small", 0.0f), 1e-7f);
  EXPECT_EQ(reader->Read("double small", 0.0), 1e-7);
  EXPECT_EQ(reader->Read("double large", 0.0), 123457000.0);  // six significant digits
  EXPECT_EQ(reader->Read("double negative", 0.0), -2.25);
  EXPECT_EQ(reader->Read("unsigned max", 0u), UINT_MAX);
  EXPECT_EQ(reader->Read("unsigned long", 0ul), 3000000000ul);
  EXPECT_EQ(reader->Read("int min", 0), INT_MIN);
  EXPECT_EQ(reader->Read("long", 0l), -7l);
  EXPECT_EQ(reader->Read("short", static_cast<short>(0)), -3);
  EXPECT_EQ(reader->Read("true", false), true);
  EXPECT_EQ(reader->Read("false", true), false);
  EXPECT_EQ(reader->Read("wide", wxString()), wxString::FromUTF8("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"));
  EXPECT_EQ(reader->ReadNarrow("narrow", ""), "caf\xC3\xA9");
  EXPECT_EQ(reader->Read("c string", "default"), "plain");
  EXPECT_EQ(reader->Read("empty", "default"), "");
}

TEST(INIProgramSettingsDatabase, ParsesNumbersLikeScanfAndGivesZeroForGarbage) {
  TestDirectory dir;
  const std::string path = dir.File("numbers.ini");
  WriteFile(path,
            "[N]\n"
            "digits=12abc\nletters=abc\nempty=\nspaced= 7 \nnegative=-5\n"
            "comma=1,5\nexponent=2.5e3\nhex real=0x10\nquoted=\"42\"\n"
            "huge=1e999\n");
  auto store = OpenStore(path);
  store->PushTable("N");
  EXPECT_EQ(store->Read("digits", 99), 12);
  EXPECT_EQ(store->Read("letters", 99), 0);
  EXPECT_EQ(store->Read("empty", 99), 0);
  EXPECT_EQ(store->Read("spaced", 99), 7);
  EXPECT_EQ(store->Read("negative", 99l), -5l);
  EXPECT_EQ(store->Read("letters", 99u), 0u);
  EXPECT_EQ(store->Read("quoted", 0), 42);
  EXPECT_EQ(store->Read("comma", 9.0), 1.0);  // "." is the decimal point in every locale
  EXPECT_EQ(store->Read("exponent", 9.0), 2500.0);
  EXPECT_EQ(store->Read("hex real", 9.0), 16.0);
  EXPECT_EQ(store->Read("letters", 9.0), 0.0);
  EXPECT_EQ(store->Read("empty", 9.0f), 0.0f);
  EXPECT_TRUE(std::isinf(store->Read("huge", 0.0)));
  // Missing keys give the default, through its own text form.
  EXPECT_EQ(store->Read("missing", 99), 99);
  EXPECT_EQ(store->Read("missing", 4000000000u), 4000000000u);
  EXPECT_EQ(store->Read("missing", 0.1), 0.1);
  EXPECT_EQ(store->Read("missing", 0.1f), 0.1f);
  EXPECT_EQ(store->Read("missing", 1234567.0), 1234570.0);  // the default passes through "%G" too
  EXPECT_EQ(store->Read("missing", "text"), "text");
}

TEST(INIProgramSettingsDatabase, ReadsBooleansFromTheWordList) {
  struct Case {
    const char* text;
    bool withDefaultFalse;
    bool withDefaultTrue;
  };
  const Case cases[] = {
      {"0", false, false},     {"1", true, true},       {"ok", true, true},
      {"TRUE", true, true},    {"True", true, true},    {"false", false, false},
      {"on", true, true},      {"OFF", false, false},   {"yes", true, true},
      {"YES", true, true},     {"no", false, false},    {"ja", true, true},
      {"Ja", true, true},      {"JA", true, true},      {"nee", false, false},
      {"si", true, true},      {"non", false, false},   {"2", true, true},
      {"-3", true, true},      {"17 apples", true, true}, {"maybe", false, true},
      {"00", false, true},     {"", false, true},       {"nein", false, true},
      {"y", false, true},
  };
  TestDirectory dir;
  const std::string path = dir.File("bools.ini");
  std::string text = "[B]\n";
  for (size_t i = 0; i < std::size(cases); ++i)
    text += "k" + std::to_string(i) + "=" + cases[i].text + "\n";
  WriteFile(path, text);
  auto store = OpenStore(path);
  store->PushTable("B");
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string key = "k" + std::to_string(i);
    EXPECT_EQ(store->Read(key, false), cases[i].withDefaultFalse) << cases[i].text;
    EXPECT_EQ(store->Read(key, true), cases[i].withDefaultTrue) << cases[i].text;
  }
  EXPECT_FALSE(store->Read("missing", false));
  EXPECT_TRUE(store->Read("missing", true));
}

TEST(INIProgramSettingsDatabase, GrowsTheReadBufferWhenAValueFillsIt) {
  struct Case {
    size_t length;
    size_t bufferAfter;
  };
  // The buffer starts at 50 characters; a value that fills it to 49 may have
  // been cut and is read again with twice the room.
  const Case cases[] = {{0, 50}, {48, 50}, {49, 100}, {98, 100}, {99, 200}, {150, 200}, {199, 400}};
  TestDirectory dir;
  const std::string path = dir.File("long.ini");
  std::string text = "[L]\n";
  for (const Case& c : cases)
    text += "v" + std::to_string(c.length) + "=" + std::string(c.length, 'x') + "\n";
  // Characters, not bytes, count: 49 two-byte characters.
  text += "wide=" + [] {
    std::string s;
    for (int i = 0; i < 49; ++i) s += "\xC3\xA9";
    return s;
  }() + "\n";
  WriteFile(path, text);

  for (const Case& c : cases) {
    INIProgramSettingsDatabase store(path);
    EXPECT_EQ(store.ReadBufferSize(), 0u);
    store.Open();
    store.PushTable("L");
    const wxString value = store.Read("v" + std::to_string(c.length), wxString("default"));
    EXPECT_EQ(value, wxString(c.length, 'x')) << c.length;
    EXPECT_EQ(store.ReadBufferSize(), c.bufferAfter) << c.length;
  }
  INIProgramSettingsDatabase store(path);
  store.Open();
  store.PushTable("L");
  EXPECT_EQ(store.Read("wide", wxString()).length(), 49u);
  EXPECT_EQ(store.ReadBufferSize(), 100u);
  // The default of a missing key goes through the same buffer.
  INIProgramSettingsDatabase other(path);
  EXPECT_EQ(other.Read("missing", wxString(49, 'd')), wxString(49, 'd'));
  EXPECT_EQ(other.ReadBufferSize(), 100u);
  // The buffer is kept and only grows.
  EXPECT_EQ(other.Read("missing", wxString("short")), "short");
  EXPECT_EQ(other.ReadBufferSize(), 100u);
}

TEST(INIProgramSettingsDatabase, WritesOnlyWhileOpenAndReadsAlways) {
  TestDirectory dir;
  const std::string path = dir.File("closed.ini");
  const std::string original = "; hand-written\r\n[S]\r\nk=1\r\n";
  WriteFile(path, original);

  INIProgramSettingsDatabase store(path);
  store.Write("k", 5);  // never opened
  store.Open();
  store.Open();
  store.Close();
  EXPECT_TRUE(store.IsOpen());  // one access is still open
  store.Close();
  store.Close();  // stays at 0
  EXPECT_EQ(store.AccessCount(), 0);
  store.PushTable("S");  // ignored: the section stays the empty one
  store.Write("k", 7);
  store.Write("new", wxString("x"));
  EXPECT_EQ(ReadFile(path), original);
  EXPECT_EQ(store.Read("k", 0), 0);  // section "" has no k
  store.Open();
  store.PushTable("S");
  store.Close();
  EXPECT_EQ(store.Read("k", 0), 1);  // reads work on a closed store
  store.Write("k", 9);
  EXPECT_EQ(ReadFile(path), original);
}

TEST(INIProgramSettingsDatabase, ChangesItsFileNameOnlyWhileClosed) {
  TestDirectory dir;
  WriteFile(dir.File("a.ini"), "[S]\nk=1\n");
  WriteFile(dir.File("b.ini"), "[S]\nk=2\n");
  INIProgramSettingsDatabase store(dir.File("a.ini"));
  store.Open();
  store.PushTable("S");
  EXPECT_EQ(store.Read("k", 0), 1);
  store.SetFileName(dir.File("b.ini"));
  EXPECT_EQ(store.GetFileName(), dir.File("a.ini"));
  EXPECT_EQ(store.Read("k", 0), 1);
  store.PopTable();
  store.Close();
  store.SetFileName(dir.File("b.ini"));
  EXPECT_EQ(store.GetFileName(), dir.File("b.ini"));
  store.Open();
  store.PushTable("S");
  EXPECT_EQ(store.Read("k", 0), 2);
}

TEST(INIProgramSettingsDatabase, OneOpenAccessSeesOneVersionOfTheFile) {
  TestDirectory dir;
  const std::string path = dir.File("shared.ini");
  auto first = OpenStore(path);
  EXPECT_EQ(first->Read("k", 3), 3);  // no file yet: defaults
  first->Write("k", 4);               // creates it
  EXPECT_EQ(ReadFile(path), "[]\nk=4\n");
  EXPECT_EQ(first->Read("k", 0), 4);  // its own write

  // Another writer's change shows after the access, not within it.
  auto second = OpenStore(path);
  EXPECT_EQ(second->Read("k", 0), 4);
  second->Write("k", 5);
  EXPECT_EQ(first->Read("k", 0), 4);
  first->Close();
  EXPECT_EQ(first->Read("k", 0), 5);  // a closed store reads the file as it is now
  first->Open();
  EXPECT_EQ(first->Read("k", 0), 5);

  // A write works on the current file, merging what others wrote meanwhile.
  second->Write("j", 1);
  first->Write("i", 2);
  EXPECT_EQ(ReadFile(path), "[]\nk=5\nj=1\ni=2\n");
  EXPECT_EQ(first->Read("j", 0), 1);

  // An edit in place of the same size just after a write is noticed too.
  first->Close();
  WriteFile(path, "[]\nk=6\nj=1\ni=2\n");
  EXPECT_EQ(first->Read("k", 0), 6);
  WriteFile(path, "[]\nk=7\nj=1\ni=2\n");
  EXPECT_EQ(first->Read("k", 0), 7);
}
