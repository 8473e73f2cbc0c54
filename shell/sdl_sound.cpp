#include "shell/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace korvel {
namespace {

// Device format: CD rate and stereo are what every desktop back end accepts without
// converting twice; 1024 frames keep the click of a placed piece within about 23 ms of
// the press.
constexpr int DEVICE_RATE = 44100;
constexpr int DEVICE_CHANNELS = 2;
constexpr int DEVICE_CHUNK_FRAMES = 1024;
constexpr int FIRST_CHANNELS = 16;
// A runaway caller must not exhaust memory with channels.
constexpr int MAX_CHANNELS = 256;

std::uint32_t LittleEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// The decoder forgives truncated files and guesses at other formats, but a buffer that
// silently plays half a sound or a stray block of bytes is worse than none: only complete
// RIFF/WAVE images with a whole "fmt " and a whole "data" chunk are accepted.
bool IsCompleteWave(const std::uint8_t* image, std::size_t size) {
  if (image == nullptr || size < 12) return false;
  if (std::memcmp(image, "RIFF", 4) != 0 || std::memcmp(image + 8, "WAVE", 4) != 0) return false;
  const std::size_t riffEnd = std::size_t{LittleEndian32(image + 4)} + 8;
  if (riffEnd > size) return false;
  bool format = false;
  bool data = false;
  std::size_t at = 12;
  while (at + 8 <= riffEnd) {
    const std::size_t length = LittleEndian32(image + at + 4);
    if (length > riffEnd - at - 8) return false;
    if (std::memcmp(image + at, "fmt ", 4) == 0) format = true;
    if (std::memcmp(image + at, "data", 4) == 0) data = format;
    at += 8 + length + (length & 1);
  }
  return format && data;
}

}  // namespace

SdlSound::~SdlSound() {
  dsTerminate(context_);
}

SoundLibrary::Handle SdlSound::dsInitialize(std::uintptr_t /*window*/) {
  if (context_ != 0) return context_;
  // SDL would otherwise catch SIGTERM and SIGINT for an event queue the program never
  // reads, and the program could no longer be stopped by them (a logout, Ctrl+C).
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
  if (Mix_OpenAudio(DEVICE_RATE, MIX_DEFAULT_FORMAT, DEVICE_CHANNELS, DEVICE_CHUNK_FRAMES) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 0;
  }
  Mix_AllocateChannels(FIRST_CHANNELS);
  Mix_ReserveChannels(0);
  reservedChannels_ = 0;
  // A context of an earlier session must never be mistaken for the current one.
  if (++lastContext_ == 0) ++lastContext_;
  context_ = lastContext_;
  return context_;
}

SoundLibrary::Handle SdlSound::dsCreateDSB(Handle context, const std::uint8_t* wave,
                                           std::size_t size, int flags, const char* /*source*/) {
  if (context == 0 || context != context_) return 0;
  if (size > static_cast<std::size_t>(INT_MAX) || !IsCompleteWave(wave, size)) return 0;
  // The decoder converts to the device format here, so the caller may drop the image
  // as soon as this returns.
  SDL_RWops* stream = SDL_RWFromConstMem(wave, static_cast<int>(size));
  if (stream == nullptr) return 0;
  Mix_Chunk* chunk = Mix_LoadWAV_RW(stream, 1);
  if (chunk == nullptr) return 0;

  Buffer buffer;
  buffer.chunk = chunk;
  if (flags == MUSIC_FLAGS) {
    buffer.ownChannel = reservedChannels_;
    ++reservedChannels_;
    const int allocated = Mix_AllocateChannels(-1);
    if (allocated < reservedChannels_ + FIRST_CHANNELS) {
      Mix_AllocateChannels(reservedChannels_ + FIRST_CHANNELS);
    }
    Mix_ReserveChannels(reservedChannels_);
  }
  // Handles are never reused, so a freed one stays harmless.
  if (++lastBuffer_ == 0) ++lastBuffer_;
  buffers_.emplace(lastBuffer_, buffer);
  return lastBuffer_;
}

SdlSound::Buffer* SdlSound::Find(Handle buffer) {
  if (buffer == 0 || context_ == 0) return nullptr;
  const auto it = buffers_.find(buffer);
  return it == buffers_.end() ? nullptr : &it->second;
}

void SdlSound::Start(Buffer& buffer, bool loop) {
  const int loops = loop ? -1 : 0;
  if (buffer.ownChannel >= 0) {
    // Switching the music on while it already plays must not restart it from the top.
    const bool alreadyLooping = buffer.looping && Mix_Playing(buffer.ownChannel) != 0 &&
                                Mix_GetChunk(buffer.ownChannel) == buffer.chunk;
    if (!(loop && alreadyLooping)) Mix_PlayChannel(buffer.ownChannel, buffer.chunk, loops);
    buffer.looping = loop;
    return;
  }
  // A second play of a sound still sounding overlaps it; when every channel is busy
  // the mixer simply gets more.
  while (Mix_PlayChannel(-1, buffer.chunk, loops) < 0) {
    const int allocated = Mix_AllocateChannels(-1);
    if (allocated >= MAX_CHANNELS || Mix_Playing(-1) < allocated - reservedChannels_) return;
    Mix_AllocateChannels(std::min(allocated * 2, MAX_CHANNELS));
  }
}

void SdlSound::dsPlay(Handle buffer, const char* /*source*/) {
  if (Buffer* b = Find(buffer)) Start(*b, false);
}

void SdlSound::dsPlayLooping(Handle buffer, const char* /*source*/) {
  if (Buffer* b = Find(buffer)) Start(*b, true);
}

void SdlSound::StopEveryPlayOf(const Buffer& buffer) {
  const int allocated = Mix_AllocateChannels(-1);
  for (int channel = 0; channel < allocated; ++channel) {
    if (Mix_Playing(channel) != 0 && Mix_GetChunk(channel) == buffer.chunk) {
      Mix_HaltChannel(channel);
    }
  }
}

void SdlSound::dsStop(Handle buffer, const char* /*source*/) {
  if (Buffer* b = Find(buffer)) {
    StopEveryPlayOf(*b);
    b->looping = false;
  }
}

void SdlSound::dsFree(Handle buffer) {
  Buffer* b = Find(buffer);
  if (b == nullptr) return;
  StopEveryPlayOf(*b);
  // A freed music buffer leaves its channel reserved: the mixer can only release reserved
  // channels from the top, and the program frees its buffers only when it ends.
  Mix_FreeChunk(b->chunk);
  buffers_.erase(buffer);
}

void SdlSound::dsTerminate(Handle context) {
  if (context == 0 || context != context_) return;
  Mix_HaltChannel(-1);
  for (auto& [handle, buffer] : buffers_) Mix_FreeChunk(buffer.chunk);
  buffers_.clear();
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  reservedChannels_ = 0;
  context_ = 0;
}

}  // namespace korvel
