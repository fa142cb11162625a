#include "platform/NamedSharedMutex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "support/ChildProcess.h"
#include "support/ScopedVariable.h"

namespace {
// A lock name of its own; the objects of a test process's namespace are
// removed when it ends (support/TestMain.cpp).
std::string UniqueName(const char* what) {
  static int counter = 0;
  return "Global\\swmtest:" + std::to_string(getpid()) + ":" + std::to_string(++counter) + ":" + what;
}
}  // namespace

TEST(NamedSharedMutex, ObjectNamesAreValidAndKeepNamesApart) {
  struct Case {
    std::string lockName;
    std::string objectName;
  };
  const Case cases[] = {
      {"Global\\VANTORIX:DS:COM1", "/swmatrix.Global%5CVANTORIX:DS:COM1"},
      {"Global\\VANTORIX:DS:RS232:COM3", "/swmatrix.Global%5CVANTORIX:DS:RS232:COM3"},
      {"Global\\VANTORIX:DS:TCPIP:192.168.0.10:5025", "/swmatrix.Global%5CVANTORIX:DS:TCPIP:192.168.0.10:5025"},
      {"Global\\VANTORIX:DS:HTTP://HOST/A B", "/swmatrix.Global%5CVANTORIX:DS:HTTP:%2F%2FHOST%2FA%20B"},
      {"GPIB0::12::INSTR", "/swmatrix.GPIB0::12::INSTR"},
      {"50%", "/swmatrix.50%25"},
      {"a%2Fb", "/swmatrix.a%252Fb"},  // cannot be taken for "a/b"
      {"\xC3\xA4", "/swmatrix.%C3%A4"},
      {"", "/swmatrix."},
  };
  for (const Case& c : cases) EXPECT_EQ(NamedSharedMutex::ObjectNameFor(c.lockName), c.objectName) << c.lockName;

  const std::string longA(300, 'A');
  const std::string longB = longA + "B";
  const std::string objectA = NamedSharedMutex::ObjectNameFor(longA);
  const std::string objectB = NamedSharedMutex::ObjectNameFor(longB);
  EXPECT_NE(objectA, objectB);
  for (const std::string& object : {objectA, objectB}) {
    EXPECT_LE(object.size(), 1u + 9u + 200u);
    EXPECT_EQ(object.find('/', 1), std::string::npos);
  }
  EXPECT_EQ(objectA.substr(0, 20), "/swmatrix.AAAAAAAAAA");
}

TEST(NamedSharedMutex, OpensOneLockPerNameAndCreatesItsObject) {
  const std::string name = UniqueName("open");
  int error = 0;
  NamedSharedMutex* first = NamedSharedMutex::Open(name, &error);
  ASSERT_NE(first, nullptr) << error;
  EXPECT_EQ(NamedSharedMutex::Open(name, &error), first);
  ASSERT_NE(NamedSharedMutex::NamespacePrefix(), "") << "tests run in a lock namespace of their own";
  EXPECT_EQ(first->ObjectName(), NamedSharedMutex::ObjectNameFor(NamedSharedMutex::NamespacePrefix() + name));
  struct stat info {};
  ASSERT_EQ(stat(("/dev/shm" + first->ObjectName()).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(first->Lock(0, &error), NamedSharedMutex::Result::Obtained);
  EXPECT_EQ(first->Lock(NamedSharedMutex::kInfinite, &error), NamedSharedMutex::Result::Obtained);
  EXPECT_EQ(first->Unlock(), 0);
  EXPECT_EQ(first->Unlock(), 0);
  EXPECT_NE(first->Unlock(), 0);  // no longer held
  EXPECT_EQ(NamedSharedMutex::Remove(name), 0);
  EXPECT_NE(NamedSharedMutex::Remove(name), 0);
}

// The objects belong to their user: created for the owner alone, or with
// SWMATRIX_LOCK_GROUP for that group too. An object that exists with another
// owner is refused at once (never waited on), with a text naming its owner;
// an own object that others could open (left by an older version) is
// tightened. Giving objects to another user needs root.
TEST(NamedSharedMutex, ObjectsBelongToTheirUserOrTheNamedGroup) {
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kAudio = 29;  // a group of every Debian system
  const struct {
    const char* name;
    const char* group;  // SWMATRIX_LOCK_GROUP, "" unset
    bool existing;      // the object is there before the opener
    uid_t owner;        // of the existing object (0: the test's user)
    gid_t groupId;
    mode_t existingMode;
    bool opened;
    mode_t mode;  // afterwards
    gid_t resultGroup;
    const char* problem;  // part of the problem text when refused
  } cases[] = {
      {"own", "", false, 0, 0, 0, true, 0600, 0, ""},
      {"group", "audio", false, 0, 0, 0, true, 0660, kAudio, ""},
      {"group by number", "29", false, 0, 0, 0, true, 0660, kAudio, ""},
      {"no such group", "swmtest-nogroup", false, 0, 0, 0, false, 0, 0,
       "SWMATRIX_LOCK_GROUP names no group of this system (\"swmtest-nogroup\")"},
      {"own, open to all", "", true, 0, 0, 0666, true, 0600, 0, ""},
      {"foreign", "", true, kNobody, kNobody, 0666, false, 0666, kNobody,
       "belongs to nobody (65534) (mode 0666), not to this account; accounts that share instruments set "
       "SWMATRIX_LOCK_GROUP"},
      {"foreign, other group", "audio", true, kNobody, kNobody, 0660, false, 0660, kNobody,
       "belongs to nobody (65534) (mode 0660), not to this account nor to group audio"},
      {"foreign, the group's", "audio", true, kNobody, kAudio, 0660, true, 0660, kAudio, ""},
      {"foreign, the group's but open to all", "audio", true, kNobody, kAudio, 0666, false, 0666, kAudio,
       "not to this account nor to group audio"},
  };
  for (const auto& c : cases) {
    if ((c.owner != 0 || c.groupId != 0) && geteuid() != 0) continue;  // needs root
    const std::string name = UniqueName(c.name);
    const std::string path = "/dev/shm" + NamedSharedMutex::ObjectNameFor(NamedSharedMutex::NamespacePrefix() + name);
    if (c.existing) {
      const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
      ASSERT_GE(fd, 0) << c.name;
      ASSERT_EQ(fchown(fd, c.owner ? c.owner : geteuid(), c.groupId ? c.groupId : getegid()), 0) << c.name;
      ASSERT_EQ(fchmod(fd, c.existingMode), 0) << c.name;
      close(fd);
    }
    ScopedVariable group("SWMATRIX_LOCK_GROUP", c.group);
    int error = 0;
    std::string problem;
    NamedSharedMutex* mutex = NamedSharedMutex::Open(name, &error, &problem);
    EXPECT_EQ(mutex != nullptr, c.opened) << c.name << ": " << problem;
    if (mutex) {
      EXPECT_EQ(mutex->Lock(0, &error), NamedSharedMutex::Result::Obtained) << c.name;
      mutex->Unlock();
    } else {
      EXPECT_EQ(error, *c.group && !c.existing ? EINVAL : EACCES) << c.name;
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
    }
    struct stat info {};
    if (c.opened || c.existing) {
      ASSERT_EQ(stat(path.c_str(), &info), 0) << c.name;
      EXPECT_EQ(info.st_mode & 0777, c.mode) << c.name;
      EXPECT_EQ(info.st_gid, c.resultGroup ? c.resultGroup : getegid()) << c.name;
    } else {
      EXPECT_NE(stat(path.c_str(), &info), 0) << c.name << ": nothing created";
    }
    unlink(path.c_str());
  }
}

// Benches with different prefixes have locks of their own under the same
// name; one prefix shares its lock between threads (and processes).
TEST(NamedSharedMutex, EachPrefixIsANamespaceOfItsOwn) {
  const std::string name = UniqueName("namespace");
  int error = 0;
  NamedSharedMutex* mine = NamedSharedMutex::Open(name, &error);
  ASSERT_NE(mine, nullptr) << error;
  NamedSharedMutex* theirs = nullptr;
  {
    ScopedVariable other("SWMATRIX_LOCK_PREFIX", NamedSharedMutex::NamespacePrefix() + "other:");
    theirs = NamedSharedMutex::Open(name, &error);
  }
  ASSERT_NE(theirs, nullptr) << error;
  ASSERT_NE(theirs, mine);
  EXPECT_EQ(theirs->ObjectName(),
            NamedSharedMutex::ObjectNameFor(NamedSharedMutex::NamespacePrefix() + "other:" + name));
  ASSERT_EQ(mine->Lock(0, &error), NamedSharedMutex::Result::Obtained);
  NamedSharedMutex::Result theirsFromAnotherThread{}, mineFromAnotherThread{};
  std::thread([&] {
    int threadError = 0;
    theirsFromAnotherThread = theirs->Lock(0, &threadError);
    if (theirsFromAnotherThread == NamedSharedMutex::Result::Obtained) theirs->Unlock();
    mineFromAnotherThread = mine->Lock(0, &threadError);
  }).join();
  mine->Unlock();
  EXPECT_EQ(theirsFromAnotherThread, NamedSharedMutex::Result::Obtained);
  EXPECT_EQ(mineFromAnotherThread, NamedSharedMutex::Result::TimedOut);
}

// Many processes open a name nobody has created yet, all at once, and then
// use the lock: exactly one initialisation must happen, and the lock must
// exclude from the first round on.
TEST(NamedSharedMutex, ProcessesOpeningAFreshNameAtOnceShareOneLock) {
  for (int repetition = 0; repetition < 5; ++repetition) {
    const std::string name = UniqueName("race");
    struct Shared {
      std::atomic<int> inside{0};
      long counter = 0;
    };
    void* memory = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(memory, MAP_FAILED);
    Shared* shared = new (memory) Shared();
    constexpr int kProcesses = 6, kRounds = 300;
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int i = 0; i < kProcesses; ++i) {
      children.push_back(std::make_unique<ChildProcess>([&](const ChildProcess::Channel& parent) {
        if (parent.Receive() != 'g') return 20;
        int error = 0;
        NamedSharedMutex* mutex = NamedSharedMutex::Open(name, &error);
        if (!mutex) return 21;
        for (int round = 0; round < kRounds; ++round) {
          if (mutex->Lock(NamedSharedMutex::kInfinite, &error) != NamedSharedMutex::Result::Obtained) return 22;
          if (shared->inside.fetch_add(1) != 0) return 23;
          shared->counter = shared->counter + 1;
          shared->inside.fetch_sub(1);
          mutex->Unlock();
        }
        return 0;
      }));
    }
    for (auto& child : children) child->Send('g');
    for (auto& child : children) EXPECT_EQ(child->Wait(), 0);
    EXPECT_EQ(shared->counter, long{kProcesses} * kRounds);
    munmap(memory, sizeof(Shared));
  }
}

// A process that died in the middle of initialising leaves the object marked
// as being initialised by it; the next opener takes over. The shared page
// begins with a 64-bit state word: phase 1 (initialising) in the upper half,
// the initialising process in the lower half.
TEST(NamedSharedMutex, TakesOverFromAnInitialiserThatDied) {
  const std::string name = UniqueName("takeover");
  pid_t deadPid = 0;
  {
    ChildProcess probe([](const ChildProcess::Channel& parent) {
      const pid_t self = getpid();
      const char* bytes = reinterpret_cast<const char*>(&self);
      for (size_t i = 0; i < sizeof self; ++i) parent.Send(bytes[i]);
      return 0;
    });
    char* bytes = reinterpret_cast<char*>(&deadPid);
    for (size_t i = 0; i < sizeof deadPid; ++i) bytes[i] = probe.Receive();
    ASSERT_EQ(probe.Wait(), 0);
  }
  const std::string object = NamedSharedMutex::ObjectNameFor(NamedSharedMutex::NamespacePrefix() + name);
  const int fd = shm_open(object.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  const uint64_t initialising = uint64_t{1} << 32 | static_cast<uint32_t>(deadPid);
  ASSERT_EQ(pwrite(fd, &initialising, sizeof initialising, 0), static_cast<ssize_t>(sizeof initialising));
  close(fd);

  // Opened from a fresh process, which has no mapping of the name yet.
  ChildProcess opener([&](const ChildProcess::Channel&) {
    int error = 0;
    NamedSharedMutex* mutex = NamedSharedMutex::Open(name, &error);
    if (!mutex) return 30;
    if (mutex->Lock(0, &error) != NamedSharedMutex::Result::Obtained) return 31;
    return mutex->Unlock() == 0 ? 0 : 32;
  });
  EXPECT_EQ(opener.Wait(), 0);
}
