#pragma once
// Plays a 16-bit PCM WAVE file over and over on the sound output until
// stopped, from a thread of its own, through ALSA. The PCM device is
// "default", or the one named in SWMATRIX_SOUND_DEVICE (for example
// "null", or "file:'/tmp/out.raw',raw" to capture what is played).
#include <atomic>
#include <string>
#include <thread>
#include <vector>

class SoundPlayer {
public:
  SoundPlayer() = default;
  ~SoundPlayer() { Stop(); }
  SoundPlayer(const SoundPlayer&) = delete;
  SoundPlayer& operator=(const SoundPlayer&) = delete;

  // Stops what plays, opens the device and starts looping the file's
  // samples. The first quarter second is handed to the device before this
  // returns. 0, or a negative error (ALSA's, or -EINVAL for a file that is
  // not a 16-bit PCM WAVE file, -errno when it cannot be read).
  int PlayLooping(const std::string& wavePath);
  void Stop();
  bool Playing() const { return thread_.joinable(); }

  static std::string DeviceName();

private:
  void Loop();
  // Writes frames [offset, offset + count) of the loop, wrapping; false on an error.
  bool WriteFrames(size_t count);

  void* pcm_ = nullptr;  // snd_pcm_t
  std::vector<int16_t> samples_;
  unsigned channels_ = 1;
  unsigned rate_ = 44100;
  size_t position_ = 0;    // next frame of the loop
  uint64_t written_ = 0;   // frames handed to the device
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
