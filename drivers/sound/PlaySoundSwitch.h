#pragma once
// Plays a continuous sine tone on the computer's sound output while a dwell
// time runs ("DwellTimeStarted" starts a 1000 Hz tone, the events that end a
// dwell or a test stop it). The tone is a one-second 16-bit mono WAVE file
// at 44100 samples per second, "PlaySoundSwitch.wav" in this user's private
// folder (never through a link), played in a loop until stopped.
#include <memory>
#include <string>

#include "framework/SwitchMatrixBase.h"

class SoundPlayer;

namespace Kovalex::devicedrivers {

class PlaySoundSwitch : public SwitchMatrixBase {
public:
  static constexpr Status kPlayFailed = 0x3000FDE9;
  static constexpr Status kGenerateFailed = 0x3000FDEA;
  static constexpr Status kCreateFileFailed = 0x3000FDEB;
  static constexpr Status kCleanupFailed = 0x3000FDEC;
  static constexpr double kDwellToneHz = 1000.0;
  static constexpr unsigned kSampleRate = 44100;
  static constexpr double kSampleTime = 2.2675736961451248e-05;  // 1 / 44100 s
  static constexpr double kAmplitude = 10000;
  static constexpr size_t kHeaderSize = 44;
  static constexpr const char* kFileName = "PlaySoundSwitch.wav";

  explicit PlaySoundSwitch(double frequency);
  ~PlaySoundSwitch() override;

  // Writes the tone file of the construction frequency.
  Status InitDevice(HostWindow hWnd) override;
  // Stops the sound and deletes the file.
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override;

  // Stops what plays, writes the tone file of f Hz and plays it looping.
  Status PlayTone(double frequency);
  void StopSound();
  // The whole WAVE file of a one-second tone: header and samples.
  static std::string WaveFile(double frequency);
  // The tone file's path: this user's private folder joined with the file name.
  static std::string FilePath();

  double Frequency() const { return frequency_; }
  double LastGeneratedFrequency() const { return generated_; }

private:
  Status WriteTone(double frequency);

  double frequency_;
  double generated_ = 0;
  std::string path_;  // of the last file written
  std::unique_ptr<SoundPlayer> player_;
};

}  // namespace Kovalex::devicedrivers
