// Test entry point. Every test process (ctest runs one per test) gets a
// private world, inherited by the programs and processes it starts:
// - message boxes answer at once, nothing blocks a test;
// - log records go to a socket of its own, never to the user's log viewer;
// - named locks live in a namespace of its own, removed when the process ends,
//   so tests running side by side never share a lock;
// - the ports directory, the registry file and the vendor libraries are
//   private names that do not exist until a test makes them, so nothing is
//   read from the machine's configuration;
// - temporary files live in a directory of its own, removed when the process
//   ends, in memory (/dev/shm) unless TEST_TMPDIR names a place: settings
//   files are replaced atomically on every write, and renames on a disk-backed
//   /tmp made a whole-file test wait on the disk rather than on the code;
// - the user's cache folder ($XDG_CACHE_HOME) and runtime folder
//   ($XDG_RUNTIME_DIR, where simulators leave their control sockets) are
//   folders in it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {
class PrivateWorld {
public:
  PrivateWorld() {
    const bool inMemory = !getenv("TEST_TMPDIR") && access("/dev/shm", W_OK | X_OK) == 0;
    std::string pattern = (inMemory ? std::string("/dev/shm/") : testing::TempDir()) + "swm-test-XXXXXX";
    if (!mkdtemp(pattern.data())) {
      perror("mkdtemp");
      std::exit(2);
    }
    directory_ = pattern;
    // Others may pass through (not list it): a test that writes as another user reaches its own folder.
    chmod(directory_.c_str(), 0711);
    // Every temporary path of the tests (testing::TempDir()) is inside it.
    setenv("TEST_TMPDIR", (directory_ + "/").c_str(), 1);
    // The mkdtemp suffix is letters and digits, which lock object names keep as they are.
    lockPrefix_ = "swmtest." + directory_.substr(directory_.size() - 6) + ":";
    setenv("SWMATRIX_LOCK_PREFIX", lockPrefix_.c_str(), 1);
    setenv("SWMATRIX_LOG_SOCKET", (directory_ + "/log").c_str(), 1);
    setenv("SWMATRIX_PORTS", (directory_ + "/ports").c_str(), 1);
    setenv("SWMATRIX_REGISTRY", (directory_ + "/registry.ini").c_str(), 1);
    // No vendor library of the machine is ever loaded (the module's own
    // service-request library is found beside the module, as installed).
    for (const char* library : {"GPIB", "VISA"}) {
      const std::string name = std::string("SWMATRIX_") + library + "_LIBRARY";
      setenv(name.c_str(), (directory_ + "/no-" + library + "-library.so").c_str(), 1);
    }
    setenv("XDG_CACHE_HOME", (directory_ + "/cache").c_str(), 1);
    mkdir((directory_ + "/run").c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", (directory_ + "/run").c_str(), 1);
    unsetenv("SWMATRIX_SIM_BUS");
    setenv("SWMATRIX_MESSAGEBOX", "ok", 0);
  }
  ~PrivateWorld() {
    std::error_code ignored;
    const std::string lockObjects = "swmatrix." + lockPrefix_;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ignored)) {
      if (entry.path().filename().string().rfind(lockObjects, 0) == 0) std::filesystem::remove(entry.path(), ignored);
    }
    std::filesystem::remove_all(directory_, ignored);
  }

private:
  std::string directory_, lockPrefix_;
};
}  // namespace

int main(int argc, char** argv) {
  PrivateWorld world;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
