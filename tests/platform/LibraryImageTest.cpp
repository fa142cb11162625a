#include "platform/LibraryImage.h"

#include <gtest/gtest.h>

#include <gnu/libc-version.h>
#include <filesystem>

#include "platform/ProcessInfo.h"

namespace {
void FunctionOfTheProgram() {}
}  // namespace

TEST(LibraryImage, TellsTheProgramFromTheLibrariesItNeeds) {
  const void* inProgram = reinterpret_cast<const void*>(&FunctionOfTheProgram);
  EXPECT_FALSE(LibraryImage::InSharedLibrary(inProgram));
  EXPECT_TRUE(LibraryImage::LoadedWithProgram(inProgram));
  EXPECT_EQ(LibraryImage::PathOf(inProgram), std::filesystem::canonical("/proc/self/exe").string());
  EXPECT_EQ(LibraryImage::PathOf(inProgram), ProcessInfo::ExecutablePath());

  // A function of libc that no sanitizer replaces.
  const void* inLibc = reinterpret_cast<const void*>(&gnu_get_libc_version);
  EXPECT_TRUE(LibraryImage::InSharedLibrary(inLibc));
  EXPECT_TRUE(LibraryImage::LoadedWithProgram(inLibc)) << "the program names libc among the libraries it needs";
  const std::string libc = LibraryImage::PathOf(inLibc);
  EXPECT_EQ(std::filesystem::path(libc).filename(), "libc.so.6");
  EXPECT_TRUE(std::filesystem::path(libc).is_absolute());
  EXPECT_NE(LibraryImage::BaseOf(inLibc), nullptr);
  EXPECT_LT(LibraryImage::BaseOf(inLibc), inLibc);
}
