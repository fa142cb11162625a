// The registry stand-in: key paths and value names without regard to case,
// the first section of a name, numbers in their three forms, quoted texts,
// and a missing file or key.
#include "platform/RegistryKey.h"

#include <gtest/gtest.h>

#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

namespace {
class RegistryFile {
public:
  explicit RegistryFile(const std::string& text) : variable_("SWMATRIX_REGISTRY", directory_.File("registry.ini")) {
    WriteFile(directory_.File("registry.ini"), text);
  }

private:
  TestDirectory directory_;
  ScopedVariable variable_;
};
}  // namespace

TEST(RegistryKey, ReadsValuesOfTheFirstSectionOfAKeyPath) {
  RegistryFile file(
      "; the stand-in of the system registry\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\Product]\n"
      "Major = 17\n"
      "Minor=dword:0000000a\n"
      "Build = 0x1F\n"
      "Name = \"Product 17\"\n"
      "Plain = text with blanks \n"
      "Negative = -1\n"
      "Huge = 4294967296\n"
      "\"Quoted Name\" = 5\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\Product]\n"
      "Major = 99\n"
      "Late = 1\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\n"
      "Major = 3\n");
  RegistryKey key;
  ASSERT_TRUE(key.Open("HKEY_LOCAL_MACHINE", RegistryKey::Join({"software", "VENDOR", "Product"})));
  EXPECT_TRUE(key.IsOpen());
  EXPECT_EQ(key.ReadDword("major"), 17u);
  EXPECT_EQ(key.ReadDword("Minor"), 10u);
  EXPECT_EQ(key.ReadDword("Build"), 31u);
  EXPECT_EQ(key.ReadString("Name"), "Product 17");
  EXPECT_EQ(key.ReadString("Plain"), "text with blanks");
  EXPECT_EQ(key.ReadDword("Name"), std::nullopt) << "a text is no number";
  EXPECT_EQ(key.ReadDword("Negative"), std::nullopt);
  EXPECT_EQ(key.ReadDword("Huge"), std::nullopt) << "more than 32 bits";
  EXPECT_EQ(key.ReadDword("Quoted Name"), 5u);
  EXPECT_EQ(key.ReadString("Late"), std::nullopt) << "the first section of a name wins";
  EXPECT_EQ(key.ReadString("Missing"), std::nullopt);

  RegistryKey slashes;
  EXPECT_TRUE(slashes.Open("hkey_local_machine", "Software/Other"));
  EXPECT_EQ(slashes.ReadDword("MAJOR"), 3u);
  RegistryKey absent;
  EXPECT_FALSE(absent.Open("HKEY_LOCAL_MACHINE", "Software\\Nobody"));
  EXPECT_FALSE(absent.IsOpen());
  EXPECT_EQ(absent.ReadString("Major"), std::nullopt);
}

TEST(RegistryKey, AMissingFileIsAnEmptyRegistry) {
  TestDirectory directory;
  ScopedVariable variable("SWMATRIX_REGISTRY", directory.File("absent.ini"));
  RegistryKey key;
  EXPECT_FALSE(key.Open("HKEY_LOCAL_MACHINE", "Software"));
  ScopedVariable unset("SWMATRIX_REGISTRY", std::nullopt);
  EXPECT_EQ(RegistryKey::FilePath(), "/etc/swmatrix/registry.ini");
}
