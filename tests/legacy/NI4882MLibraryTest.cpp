// Loading the NI-488.2 library: resolving the functions by name (with the
// narrow ibfind standing in, and optional functions skipped), the version
// check through the registry stand-in, and the service-request library.
#include "legacy/NI4882MLibrary.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "LegacyTestBench.h"
#include "LogCollector.h"
#include "legacy/GPIBSRQLibrary.h"
#include "legacy/SystemErrorStatus.h"

namespace {

const char* const kAllFunctions[] = {"ThreadIbsta", "ThreadIberr", "ThreadIbcntl", "ibcac",   "ibclr",   "ibdev",
                                     "ibfindW",     "ibloc",       "ibonl",        "ibrd",    "ibsic",   "ibwrt",
                                     "ibsre",       "ibrsp",       "ibcmd",        "ibpct",   "ibwait",  "ibrsv",
                                     "ibrsc",       "ibtmo",       "ibconfig",     "ibask",   "ibtrg",   "ibnotify",
                                     "iblines",     "iblck"};

// A library made of distinct fake addresses, one per name present.
class FakeLibrary {
public:
  explicit FakeLibrary(std::set<std::string> missing, std::set<std::string> extra = {}) {
    int next = 1;
    for (const char* name : kAllFunctions)
      if (!missing.count(name)) addresses_[name] = &cells_[next++];
    for (const std::string& name : extra) addresses_[name] = &cells_[next++];
  }
  std::function<void*(const char*)> Lookup() {
    return [this](const char* name) -> void* {
      asked_.push_back(name);
      auto found = addresses_.find(name);
      return found == addresses_.end() ? nullptr : found->second;
    };
  }
  void* Address(const std::string& name) const { return addresses_.at(name); }
  const std::vector<std::string>& Asked() const { return asked_; }

private:
  char cells_[64] = {};
  std::map<std::string, void*> addresses_;
  std::vector<std::string> asked_;
};

const char* kNIKey = "[HKEY_LOCAL_MACHINE\\Software\\National Instruments\\NI-488.2M\\CurrentVersion]\n";

}  // namespace

TEST(NI4882MLibrary, ResolvesEveryFunctionByNameInOrder) {
  FakeLibrary library({});
  NI4882MLibrary::Functions functions;
  std::vector<std::string> skipped;
  std::string missing;
  EXPECT_EQ(NI4882MLibrary::ResolveFunctions(library.Lookup(), &functions, &skipped, &missing), 0u);
  EXPECT_EQ(library.Asked(), std::vector<std::string>(std::begin(kAllFunctions), std::end(kAllFunctions)));
  EXPECT_EQ(reinterpret_cast<void*>(functions.ibwrt), library.Address("ibwrt"));
  EXPECT_EQ(reinterpret_cast<void*>(functions.iblck), library.Address("iblck"));
  EXPECT_EQ(functions.ibfind, nullptr) << "the wide ibfindW is there";
  EXPECT_TRUE(skipped.empty());
}

TEST(NI4882MLibrary, NarrowFindAndOptionalFunctionsStandInOrAreSkipped) {
  LogCollector log;
  FakeLibrary library({"ibfindW", "iblck", "ibnotify"}, {"ibfind"});
  NI4882MLibrary::Functions functions;
  std::vector<std::string> skipped;
  std::string missing;
  EXPECT_EQ(NI4882MLibrary::ResolveFunctions(library.Lookup(), &functions, &skipped, &missing), 0u);
  EXPECT_EQ(reinterpret_cast<void*>(functions.ibfind), library.Address("ibfind"));
  EXPECT_EQ(functions.iblck, nullptr);
  EXPECT_EQ(skipped, (std::vector<std::string>{"ibnotify", "iblck"}));
  const auto records = log.UntilMarker();
  EXPECT_EQ(LogCollector::Containing(records, {"Warning", "iblck could not be found in"}).size(), 1u);
  EXPECT_EQ(LogCollector::Containing(records, {"Warning", "ibnotify could not be found in"}).size(), 1u);
}

TEST(NI4882MLibrary, AMissingRequiredFunctionFailsTheLoad) {
  const std::set<std::string> required = {"ThreadIbsta", "ibdev", "ibrd", "ibwrt", "iblines", "ibfindW"};
  for (const std::string& name : required) {
    FakeLibrary library({name});
    NI4882MLibrary::Functions functions;
    std::vector<std::string> skipped;
    std::string missing;
    EXPECT_EQ(NI4882MLibrary::ResolveFunctions(library.Lookup(), &functions, &skipped, &missing),
              systemerror::ToStatus(ENOSYS))
        << name;
    EXPECT_EQ(missing, name);
    EXPECT_EQ(functions.ibwrt, nullptr) << "nothing half-loaded stays";
  }
  EXPECT_EQ(systemerror::Text(systemerror::ToStatus(ENOSYS)), "System error 38: Function not implemented");
}

TEST(NI4882MLibrary, TheVersionCheckReadsTheRegistry) {
  LegacyTestBench bench("version");
  struct Case {
    std::string registry;
    Status status;
    const char* logged;
  };
  const std::string agilent = "[HKEY_LOCAL_MACHINE\\Software\\Agilent\\IO Libraries\\CurrentVersion]\n";
  const std::string keysight = "[HKEY_LOCAL_MACHINE\\Software\\Keysight\\IO Libraries\\CurrentVersion]\n";
  const Case cases[] = {
      {"", 0, "NI key not found. National Instruments is probably not installed."},
      {std::string(kNIKey) + "MajorVersion=17\nMinorVersion=6\nCurrentVersion=\"17.6\"\n", 0,
       "description;a19:CheckNI4882MVersion;MajorVersion;i17;MinorVersion;i6;CurrentVersion;a4:17.6"},
      {std::string(kNIKey) + "MajorVersion=dword:0000000f\n", 0, "a19:CheckNI4882MVersion;MajorVersion;i15"},
      {std::string(kNIKey) + "MajorVersion=14\n", 0x3000023A, "The version of the Used NI 488.2M library is too low"},
      {std::string(kNIKey) + "MajorVersion=3\n", 0x3000023A, "The version of the Used NI 488.2M library is too low"},
      {std::string(kNIKey) + "MajorVersion=2\n", 0x30000237, "The version of the Used NI 488.2M library is too low"},
      {std::string(kNIKey) + "CurrentVersion=\"1.0\"\n", 0x30000237, "too low"},
      {std::string("[hkey_local_machine/software/national instruments/ni-488.2m/currentversion]\nmajorversion=0x10\n"), 0,
       "a19:CheckNI4882MVersion;MajorVersion;i16"},
      {agilent + "Agilent488Enabled=True\n" + kNIKey + "MajorVersion=2\n", 0, "CheckNI4882MVersion. Agilent IO is used."},
      {keysight + "Agilent488Enabled=1\n" + kNIKey + "MajorVersion=2\n", 0, "Agilent IO is used."},
      {agilent + "Agilent488Enabled=False\n" + kNIKey + "MajorVersion=2\n", 0x30000237,
       "Not in Agilent GPIB mode, using National Instruments GPIB instead."},
      {agilent + "Agilent488Enabled=True\n" + kNIKey + "NI488Enabled=True\nMajorVersion=2\n", 0x30000237,
       "Not in Agilent GPIB mode"},
  };
  for (const Case& c : cases) {
    LogCollector log;
    bench.WriteRegistry(c.registry);
    EXPECT_EQ(NI4882MLibrary::CheckNI4882MVersion(), c.status) << c.registry;
    EXPECT_EQ(LogCollector::Containing(log.UntilMarker(), {c.logged}).size(), 1u) << c.registry;
  }
  setenv("SWMATRIX_REGISTRY", bench.Path("absent.ini").c_str(), 1);
  EXPECT_EQ(NI4882MLibrary::CheckNI4882MVersion(), 0u) << "no registry file: the NI key is not found";
}

TEST(NI4882MLibrary, ATooOldLibraryIsNotLoaded) {
  LegacyTestBench bench("oldlibrary");
  bench.WriteRegistry(std::string(kNIKey) + "MajorVersion=9\n");
  NI4882MLibrary library;
  EXPECT_EQ(library.Load(), 0x3000023Au);
  EXPECT_FALSE(library.IsLoaded());
  bench.WriteRegistry("");
  EXPECT_EQ(library.Load(), 0u);
  EXPECT_TRUE(library.IsLoaded());
  EXPECT_EQ(library.Skipped(), (std::vector<std::string>{"ibnotify", "iblck"})) << "as linux-gpib, it lacks them";
  EXPECT_NE(library.Calls().ibfind, nullptr) << "and serves ibfind for ibfindW";
}

TEST(NI4882MLibrary, TheServiceRequestLibraryResolvesItsFunctions) {
  LegacyTestBench bench("srqlibrary");
  GPIBSRQLibrary srq;
  EXPECT_EQ(srq.Load(), 0u);
  EXPECT_TRUE(srq.Missing().empty());
  EXPECT_NE(srq.Calls().RegisterSRQHandler, nullptr);
  EXPECT_NE(srq.Calls().GetLastTimingInformation, nullptr);
  srq.Calls().SetLastTimingInformation(2, 11, 123456);
  EXPECT_EQ(srq.Calls().GetLastTimingInformation(2, 11), 123456u);
  EXPECT_EQ(srq.Calls().GetLastTimingInformation(2, 12), 0u);
  EXPECT_EQ(srq.Calls().UnRegisterSRQHandler(999), -1) << "an unknown handle";

  setenv("SWMATRIX_GPIBSRQ_LIBRARY", SimulatedLibrary("libgpib.so.0").c_str(), 1);
  LogCollector log;
  GPIBSRQLibrary other;
  EXPECT_EQ(other.Load(), 0u) << "loading only notes what is missing";
  EXPECT_EQ(other.Missing().size(), 8u);
  EXPECT_EQ(LogCollector::Containing(log.UntilMarker(), {"could not be found in"}).size(), 8u);
}
