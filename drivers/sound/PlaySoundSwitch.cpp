#include "drivers/sound/PlaySoundSwitch.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "framework/TextBuffer.h"
#include "logging/JournexEntry.h"
#include "platform/PrivateFiles.h"
#include "platform/SoundPlayer.h"

namespace Kovalex::devicedrivers {
namespace {
constexpr std::string_view kModule = "PlaySoundSwitch";
constexpr uint32_t kDataBytes = PlaySoundSwitch::kSampleRate * 2;

void Put16(std::string& bytes, uint16_t value) {
  bytes += static_cast<char>(value & 0xFF);
  bytes += static_cast<char>(value >> 8);
}
void Put32(std::string& bytes, uint32_t value) {
  Put16(bytes, static_cast<uint16_t>(value & 0xFFFF));
  Put16(bytes, static_cast<uint16_t>(value >> 16));
}
}  // namespace

PlaySoundSwitch::PlaySoundSwitch(double frequency) : frequency_(frequency), player_(std::make_unique<SoundPlayer>()) {}

PlaySoundSwitch::~PlaySoundSwitch() { StopSound(); }

std::string PlaySoundSwitch::FilePath() {
  std::string directory;
  PrivateDirectory(&directory);
  return directory + "/" + kFileName;
}

std::string PlaySoundSwitch::WaveFile(double frequency) {
  std::string bytes = "RIFF";
  Put32(bytes, 36 + kDataBytes);
  bytes += "WAVEfmt ";
  Put32(bytes, 16);
  Put16(bytes, 1);  // PCM
  Put16(bytes, 1);  // mono
  Put32(bytes, kSampleRate);
  Put32(bytes, kSampleRate * 2);  // bytes per second
  Put16(bytes, 2);                // block alignment
  Put16(bytes, 16);               // bits per sample
  bytes += "data";
  Put32(bytes, kDataBytes);
  const double omega = 2 * std::numbers::pi * frequency;
  for (unsigned i = 0; i < kSampleRate; ++i)
    Put16(bytes, static_cast<uint16_t>(static_cast<int16_t>(kAmplitude * std::sin(omega * i * kSampleTime))));
  return bytes;
}

Status PlaySoundSwitch::WriteTone(double frequency) {
  if (!std::isfinite(frequency) || frequency <= 0 || frequency >= kSampleRate / 2.0) return kGenerateFailed;
  std::string directory;
  int error = PrivateDirectory(&directory);
  path_ = directory + "/" + kFileName;
  if (!error) error = ReplacePrivateFile(directory, kFileName, WaveFile(frequency));
  if (error) {
    JournexEntry::Note("WriteTone", kModule, "Error", "cannot write " + path_, {{"errno", error}, {"Err", kCreateFileFailed}});
    return kCreateFileFailed;
  }
  generated_ = frequency;
  return 0;
}

Status PlaySoundSwitch::InitDevice(HostWindow) { return WriteTone(frequency_); }

Status PlaySoundSwitch::DeInitDevice(HostWindow) {
  StopSound();
  if (path_.empty()) path_ = FilePath();
  return RemoveFile(path_) ? kCleanupFailed : 0;
}

void PlaySoundSwitch::StopSound() { player_->Stop(); }

Status PlaySoundSwitch::PlayTone(double frequency) {
  StopSound();
  if (const Status status = WriteTone(frequency)) return status;
  const int error = player_->PlayLooping(path_);
  if (error) {
    JournexEntry::Note("PlayTone", kModule, "Error", "cannot play on " + SoundPlayer::DeviceName(),
                       {{"alsaError", error}, {"Err", kPlayFailed}});
    return kPlayFailed;
  }
  return 0;
}

Status PlaySoundSwitch::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  switch (*event) {
    case SWM_EVENT_DwellTimeStarted:
      return PlayTone(kDwellToneHz);
    case SWM_EVENT_TestStarted:
    case SWM_EVENT_TestStopped:
    case SWM_EVENT_InitialisationStarted:
    case SWM_EVENT_InitialisationStopped:
    case SWM_EVENT_ManualModeEnter:
    case SWM_EVENT_FrequencyChanged:
    case SWM_EVENT_DwellTimeStopped:
      StopSound();
      return 0;
    default:
      return 0;
  }
}

Status PlaySoundSwitch::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                       uint32_t* read) {
  const std::string path = path_.empty() ? FilePath() : path_;
  std::string text;
  switch (err) {
    case kPlayFailed: text = "An error occurred while trying to play sound."; break;
    case kGenerateFailed: text = "Unable to generate wav tone"; break;
    case kCreateFileFailed: text = "Unable to create file at location: " + path; break;
    case kCleanupFailed: text = "Unable to cleanup file at location: " + path; break;
    default: return DeviceDriverBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
  }
  ClearTextBuffer(buffer, bufferSize, read);
  CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

}  // namespace Kovalex::devicedrivers
