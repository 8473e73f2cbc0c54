// The program's side of the sound: start-up, loading the five sounds, playing, shutdown.

#include "play/form1.h"

namespace korvel {

void Form1::SoundInit() {
  soundContext_ = sound_.dsInitialize(0);
  if (soundContext_ == 0) SoundWarning(Text(TextId::SOUND_NO_DEVICE));
}

SoundLibrary::Handle Form1::LoadSound(const char* fileName, int flags) {
  if (soundContext_ == 0) return 0;
  // No wave file of the game comes near this; a larger one is not even read.
  constexpr std::size_t WAVE_LIMIT = 64u << 20;
  const FileRead file = files_.Read(FileArea::DATA, fileName, WAVE_LIMIT);
  using S = FileRead::Status;
  if (file.status == S::MISSING || file.status == S::NOT_A_FILE) return 0;
  if (file.status == S::UNREADABLE) {
    SoundWarning(Text(TextId::SOUND_PATH_ERROR));
    return 0;
  }
  const std::string invalid =
      Fill(TextId::SOUND_NOT_WAVE, {fileName});
  if (file.status == S::TOO_LARGE) {
    SoundWarning(invalid);
    return 0;
  }
  if (file.bytes.empty()) {
    // An empty file has not even the first byte of a wave image to look at.
    SoundWarning(Text(TextId::SOUND_BAD_INDEX));
    return 0;
  }
  const auto* image = reinterpret_cast<const std::uint8_t*>(file.bytes.data());
  const SoundLibrary::Handle buffer =
      sound_.dsCreateDSB(soundContext_, image, file.bytes.size(), flags, fileName);
  // A file that is there but holds no usable wave image is worth one word to the player;
  // the game goes on without that sound.
  if (buffer == 0) SoundWarning(invalid);
  return buffer;
}

void Form1::SoundWarning(const std::string& text) { dialogs_.Warning(Text(TextId::SOUND_TITLE), text); }

void Form1::SoundShutdown() {
  if (soundContext_ != 0) sound_.dsTerminate(soundContext_);
}

void Form1::ReleaseAll() {
  sound_.dsFree(sndOther_);
  sound_.dsFree(sndForbidden_);
  sound_.dsFree(sndPlace_);
  sound_.dsFree(sndEnd_);
  sound_.dsFree(sndBgm_);
  SoundShutdown();
}

void Form1::PlayCue(Cue cue) {
  if (ended_) return;
  switch (cue) {
    case Cue::PLACE: PlayPlace(); break;
    case Cue::FORBIDDEN: PlayForbidden(); break;
    case Cue::END: sound_.dsPlay(sndEnd_, "終局.wav"); break;
  }
}

void Form1::PlayForbidden() { sound_.dsPlay(sndForbidden_, "禁止.wav"); }
void Form1::PlayPlace() { sound_.dsPlay(sndPlace_, "駒打音.wav"); }

}  // namespace korvel
