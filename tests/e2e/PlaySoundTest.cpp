// The test tone through the module's exports: the WAVE file it writes into
// this user's private folder (never through a link another account planted),
// byte for byte where it is fixed, and what ALSA
// actually played, captured by the PCM device "file" (no sound card needed):
// a 1000 Hz tone from the start of the file.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "e2e/InstrumentBench.h"
#include "support/LoadedModule.h"
#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

namespace {
uint32_t Le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
uint16_t Le16(const std::string& b, size_t at) {
  uint16_t v = 0;
  std::memcpy(&v, b.data() + at, 2);
  return v;
}
std::vector<int16_t> Samples(const std::string& bytes, size_t from) {
  std::vector<int16_t> samples((bytes.size() - from) / 2);
  std::memcpy(samples.data(), bytes.data() + from, samples.size() * 2);
  return samples;
}

// The frequency from the first and last rising zero crossing (interpolated between samples).
double Frequency(const std::vector<int16_t>& s, double rate) {
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      const double at = static_cast<double>(i - 1) + static_cast<double>(-s[i - 1]) / (s[i] - s[i - 1]);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  return crossings < 2 ? 0 : (crossings - 1) * rate / (last - first);
}

class PlaySoundE2e : public testing::Test {
protected:
  void SetUp() override {
    driver_.emplace(" playsoundswitch ");
    ASSERT_TRUE(driver_->created);
    id_ = driver_->id;
  }
  void TearDown() override { driver_.reset(); }
  std::string Capture() const { return dir_.File("out.raw"); }
  // The tone file in the private runtime folder (a folder of mode 0700 of this user).
  std::string Wave() const { return dir_.File("PlaySoundSwitch.wav"); }
  uint32_t Event(uint32_t event) { return driver_->Event(event); }

  swm::Module& m_ = LoadedModule();
  uint16_t id_ = 0;
  TestDirectory dir_;
  ScopedVariable runtime_{"XDG_RUNTIME_DIR", dir_.Path()};
  ScopedVariable temporary_{"TMPDIR", dir_.Path()};
  ScopedVariable device_{"SWMATRIX_SOUND_DEVICE", "file:'" + Capture() + "',raw"};
  std::optional<ModuleDriver> driver_;
};
}  // namespace

TEST_F(PlaySoundE2e, WritesTheToneFilePlaysItAsOneKilohertzAndDeletesIt) {
  ASSERT_EQ(m_.InitDevice(0, id_), 0u);
  const std::string wave = ReadFile(Wave());
  ASSERT_EQ(wave.size(), 88244u);
  EXPECT_EQ(wave.substr(0, 4), "RIFF");
  EXPECT_EQ(Le32(wave, 4), 88236u);
  EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le32(wave, 16), 16u);
  EXPECT_EQ(Le16(wave, 20), 1u);  // PCM
  EXPECT_EQ(Le16(wave, 22), 1u);  // mono
  EXPECT_EQ(Le32(wave, 24), 44100u);
  EXPECT_EQ(Le32(wave, 28), 88200u);
  EXPECT_EQ(Le16(wave, 32), 2u);
  EXPECT_EQ(Le16(wave, 34), 16u);
  EXPECT_EQ(wave.substr(36, 4), "data");
  EXPECT_EQ(Le32(wave, 40), 88200u);
  const std::vector<int16_t> samples = Samples(wave, 44);
  EXPECT_EQ(std::vector<int16_t>(samples.begin(), samples.begin() + 8),
            (std::vector<int16_t>{0, 1419, 2811, 4145, 5395, 6536, 7544, 8400}));
  EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), 9999) << "amplitude 10000, truncated";
  EXPECT_EQ(*std::min_element(samples.begin(), samples.end()), -9999);
  EXPECT_NEAR(Frequency(samples, 44100), 1000, 10);

  EXPECT_EQ(Event(9), 0u);   // dwell time started: the tone plays
  EXPECT_EQ(Event(10), 0u);  // dwell time stopped: silence
  const std::string captured = ReadFile(Capture());
  ASSERT_GE(captured.size(), 22050u) << "at least a quarter second was played";
  const std::vector<int16_t> played = Samples(captured, 0);
  EXPECT_EQ(std::vector<int16_t>(played.begin(), played.begin() + 8),
            std::vector<int16_t>(samples.begin(), samples.begin() + 8));
  EXPECT_NEAR(Frequency(played, 44100), 1000, 10);
  const size_t length = ReadFile(Capture()).size();
  EXPECT_EQ(Event(1), 0u);
  EXPECT_EQ(ReadFile(Capture()).size(), length) << "nothing more is played after the stop";

  EXPECT_EQ(m_.DeInitDevice(0, id_), 0u);
  EXPECT_FALSE(std::filesystem::exists(Wave()));
}

TEST_F(PlaySoundE2e, ReportsAMissingSoundDeviceAndAnUnwritableFile) {
  setenv("SWMATRIX_SOUND_DEVICE", "swm_no_such_device", 1);
  const uint32_t status = Event(9);
  EXPECT_EQ(status, 0x3000FDE9u);
  EXPECT_EQ(m_.ErrorText(id_, status), "An error occurred while trying to play sound.");
  EXPECT_EQ(m_.DeInitDevice(0, id_), 0u);
  EXPECT_FALSE(std::filesystem::exists(Wave()));

  // Without a runtime folder the private folder is made in $TMPDIR, here a folder that does not exist.
  const std::string missing = dir_.File("missing");
  ScopedVariable noRuntime("XDG_RUNTIME_DIR", std::nullopt), temporary("TMPDIR", missing);
  const uint32_t failed = m_.InitDevice(0, id_);
  EXPECT_EQ(failed, 0x3000FDEBu);
  EXPECT_EQ(m_.ErrorText(id_, failed), "Unable to create file at location: " + missing + "/swmatrix-" +
                                           std::to_string(geteuid()) + "/PlaySoundSwitch.wav");
}

TEST_F(PlaySoundE2e, TheToneFileIsWrittenInAPrivateFolderAndNeverThroughALink) {
  namespace fs = std::filesystem;
  const std::string victim = dir_.File("victim"), shared = dir_.File("shared"), elsewhere = dir_.File("elsewhere");
  const std::string own = shared + "/swmatrix-" + std::to_string(geteuid());
  WriteFile(victim, "precious");
  fs::create_directories(shared);
  fs::create_directories(elsewhere);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  struct Case {
    const char* name;
    bool runtime;                      // $XDG_RUNTIME_DIR is the private test folder, else unset
    std::function<void()> plant;       // what another account left
    std::function<std::string()> wave;  // where the tone file must be
  };
  const Case cases[] = {
      {"a link at the file's name in the runtime folder", true,
       [&] { fs::create_symlink(victim, Wave()); }, [&] { return Wave(); }},
      {"no runtime folder: a folder of this user in $TMPDIR", false, [] {}, [&] { return own + "/PlaySoundSwitch.wav"; }},
      {"no runtime folder, the folder's name taken by a link", false,
       [&] {
         fs::remove_all(own);
         fs::create_symlink(elsewhere, own);
       },
       [&] {
         for (const auto& entry : fs::directory_iterator(shared))
           if (entry.path().filename().string().starts_with("swmatrix-" + std::to_string(geteuid()) + "-"))
             return entry.path().string() + "/PlaySoundSwitch.wav";
         return std::string("(no fresh folder)");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedVariable runtime("XDG_RUNTIME_DIR", c.runtime ? std::optional<std::string>(dir_.Path()) : std::nullopt);
    ScopedVariable temporary("TMPDIR", c.runtime ? dir_.Path() : shared);
    c.plant();
    ASSERT_EQ(m_.InitDevice(0, id_), 0u);
    EXPECT_TRUE(ReadFile(victim) == "precious") << "the link was followed";
    EXPECT_TRUE(fs::is_empty(elsewhere));
    const std::string wave = c.wave();
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(wave))) << wave;
    EXPECT_EQ(ReadFile(wave).size(), 88244u) << wave;
    const fs::perms folder = fs::symlink_status(fs::path(wave).parent_path()).permissions();
    EXPECT_EQ(folder & (fs::perms::group_all | fs::perms::others_all), fs::perms::none) << wave;
    EXPECT_EQ(m_.DeInitDevice(0, id_), 0u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(wave))) << wave;
  }
}
