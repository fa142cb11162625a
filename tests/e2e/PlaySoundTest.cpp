// The test tone through the module's exports: the WAVE file it writes into
// the temporary directory, byte for byte where it is fixed, and what ALSA
// actually played, captured by the PCM device "file" (no sound card needed):
// a 1000 Hz tone from the start of the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "e2e/InstrumentBench.h"
#include "support/LoadedModule.h"
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
    setenv("TMPDIR", dir_.Path().c_str(), 1);
    setenv("SWMATRIX_SOUND_DEVICE", ("file:'" + Capture() + "',raw").c_str(), 1);
    driver_.emplace(" playsoundswitch ");
    ASSERT_TRUE(driver_->created);
    id_ = driver_->id;
  }
  void TearDown() override {
    driver_.reset();
    unsetenv("TMPDIR");
    unsetenv("SWMATRIX_SOUND_DEVICE");
  }
  std::string Capture() const { return dir_.File("out.raw"); }
  std::string Wave() const { return dir_.File("PlaySoundSwitch.wav"); }
  uint32_t Event(uint32_t event) { return driver_->Event(event); }

  swm::Module& m_ = LoadedModule();
  uint16_t id_ = 0;
  TestDirectory dir_;
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

  const std::string missing = dir_.File("missing");
  setenv("TMPDIR", missing.c_str(), 1);
  const uint32_t failed = m_.InitDevice(0, id_);
  EXPECT_EQ(failed, 0x3000FDEBu);
  EXPECT_EQ(m_.ErrorText(id_, failed), "Unable to create file at location: " + missing + "/PlaySoundSwitch.wav");
}
