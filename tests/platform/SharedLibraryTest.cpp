// Libraries that cannot be loaded: the reason is the loader's, without the
// file name it puts first, so that a text naming the library names it once.
#include <gtest/gtest.h>

#include "platform/SharedLibrary.h"
#include "support/TestFiles.h"

TEST(SharedLibrary, AFailedLoadGivesTheLoadersReasonWithoutTheName) {
  TestDirectory files;
  const std::string missing = files.File("libmissing.so");
  const std::string text = files.File("libtext.so");
  WriteFile(text, std::string(256, 'x'));
  const struct {
    std::vector<std::string> names;
    std::string error;
  } cases[] = {
      {{missing}, "cannot open shared object file: No such file or directory"},
      {{"libswm-no-such-library.so"}, "cannot open shared object file: No such file or directory"},
      {{text}, "invalid ELF header"},
      {{missing, text},
       missing + ": cannot open shared object file: No such file or directory; " + text + ": invalid ELF header"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.names.front());
    std::string error, loaded;
    const void* handle = c.names.size() == 1 ? SharedLibrary::Open(c.names[0], &error)
                                             : SharedLibrary::OpenFirst(c.names, &loaded, &error);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(error, c.error);
  }
}
