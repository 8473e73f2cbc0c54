// The sound device on SDL2_mixer: the seven calls of the sound library.
#pragma once

#include <map>

#include "play/ports.h"

struct Mix_Chunk;

namespace korvel {

// One decoded wave per buffer, mixed on as many channels as are playing at once. A buffer
// created with flags 1 (the music) keeps a channel of its own, so that a burst of effects
// can never take the music's channel away.
class SdlSound : public SoundLibrary {
 public:
  SdlSound() = default;
  SdlSound(const SdlSound&) = delete;
  SdlSound& operator=(const SdlSound&) = delete;
  ~SdlSound() override;

  Handle dsInitialize(std::uintptr_t window) override;
  Handle dsCreateDSB(Handle context, const std::uint8_t* wave, std::size_t size, int flags,
                     const char* source) override;
  void dsPlay(Handle buffer, const char* source) override;
  void dsPlayLooping(Handle buffer, const char* source) override;
  void dsStop(Handle buffer, const char* source) override;
  void dsFree(Handle buffer) override;
  void dsTerminate(Handle context) override;

  // The creation flags that give a buffer its own channel.
  static constexpr int MUSIC_FLAGS = 1;

 private:
  struct Buffer {
    Mix_Chunk* chunk = nullptr;
    int ownChannel = -1;   // -1: any free channel
    bool looping = false;  // on its own channel, started by dsPlayLooping
  };

  Buffer* Find(Handle buffer);
  void Start(Buffer& buffer, bool loop);
  void StopEveryPlayOf(const Buffer& buffer);

  Handle context_ = 0;
  Handle lastContext_ = 0;
  Handle lastBuffer_ = 0;
  int reservedChannels_ = 0;
  std::map<Handle, Buffer> buffers_;
};

}  // namespace korvel
