#include "platform/SoundPlayer.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

namespace {
// Every player that plays (kept for the life of the process), and a guard
// that stops them when the module is unloaded, so that no thread runs on in
// code that is gone.
struct ActivePlayers {
  std::mutex lock;
  std::set<SoundPlayer*> players;
};
ActivePlayers& Active() {
  static ActivePlayers* active = new ActivePlayers;
  return *active;
}
struct StopAtUnload {
  ~StopAtUnload() {
    std::set<SoundPlayer*> left;
    {
      std::lock_guard guard(Active().lock);
      left = Active().players;
    }
    for (SoundPlayer* player : left) player->Stop();
  }
} stopAtUnload;

constexpr unsigned kLatencyMicroseconds = 200000;
constexpr size_t kChunkFrames = 1024;

uint32_t Little32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}
uint16_t Little16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// The samples, channels and rate of a 16-bit PCM WAVE file.
int ReadWave(const std::string& path, std::vector<int16_t>* samples, unsigned* channels, unsigned* rate) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return -ENOENT;
  std::stringstream all;
  all << in.rdbuf();
  const std::string bytes = all.str();
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return -EINVAL;
  bool format = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const size_t size = Little32(bytes, at + 4);
    const size_t body = at + 8;
    if (size > bytes.size() - body) return -EINVAL;
    if (id == "fmt " && size >= 16) {
      if (Little16(bytes, body) != 1 || Little16(bytes, body + 14) != 16) return -EINVAL;
      *channels = Little16(bytes, body + 2);
      *rate = Little32(bytes, body + 4);
      format = *channels > 0 && *rate > 0;
    } else if (id == "data" && format) {
      samples->resize(size / 2);
      std::memcpy(samples->data(), bytes.data() + body, samples->size() * 2);
      return samples->size() >= *channels ? 0 : -EINVAL;
    }
    at = body + size + (size & 1);
  }
  return -EINVAL;
}
}  // namespace

std::string SoundPlayer::DeviceName() {
  const char* name = std::getenv("SWMATRIX_SOUND_DEVICE");
  return name && *name ? name : "default";
}

int SoundPlayer::PlayLooping(const std::string& wavePath) {
  Stop();
  int error = ReadWave(wavePath, &samples_, &channels_, &rate_);
  if (error) return error;
  snd_pcm_t* pcm = nullptr;
  error = snd_pcm_open(&pcm, DeviceName().c_str(), SND_PCM_STREAM_PLAYBACK, 0);
  if (error < 0) return error;
  error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, channels_, rate_, 1,
                             kLatencyMicroseconds);
  if (error < 0) {
    snd_pcm_close(pcm);
    return error;
  }
  pcm_ = pcm;
  position_ = 0;
  written_ = 0;
  // The first quarter second goes out now, so that a stop right after the start still has played it.
  if (!WriteFrames(rate_ / 4)) {
    snd_pcm_close(pcm);
    pcm_ = nullptr;
    return -EIO;
  }
  stop_ = false;
  thread_ = std::thread([this] { Loop(); });
  std::lock_guard guard(Active().lock);
  Active().players.insert(this);
  return 0;
}

bool SoundPlayer::WriteFrames(size_t count) {
  auto* pcm = static_cast<snd_pcm_t*>(pcm_);
  const size_t frames = samples_.size() / channels_;
  while (count > 0) {
    const size_t chunk = std::min<size_t>({count, kChunkFrames, frames - position_});
    snd_pcm_sframes_t done = snd_pcm_writei(pcm, samples_.data() + position_ * channels_, chunk);
    if (done < 0) done = snd_pcm_recover(pcm, static_cast<int>(done), 1);
    if (done < 0) return false;
    position_ = (position_ + static_cast<size_t>(done)) % frames;
    written_ += static_cast<uint64_t>(done);
    count -= static_cast<size_t>(done);
  }
  return true;
}

void SoundPlayer::Loop() {
  // A real device takes samples at its own pace; a device that takes them
  // at once (a file, the null device) is held to real time, one latency ahead.
  const auto start = std::chrono::steady_clock::now() - std::chrono::milliseconds(250);
  while (!stop_) {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double ahead = static_cast<double>(written_) / rate_ - elapsed;
    if (ahead > kLatencyMicroseconds / 1e6) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    if (!WriteFrames(kChunkFrames)) break;
  }
}

void SoundPlayer::Stop() {
  {
    std::lock_guard guard(Active().lock);
    Active().players.erase(this);
  }
  if (thread_.joinable()) {
    stop_ = true;
    thread_.join();
  }
  if (pcm_) {
    snd_pcm_drop(static_cast<snd_pcm_t*>(pcm_));
    snd_pcm_close(static_cast<snd_pcm_t*>(pcm_));
    pcm_ = nullptr;
  }
}
