// The program's side of the sound: start-up, loading the five sounds, playing, shutdown.
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <vector>

#include "play/form1.h"

namespace korvel {

void Form1::SoundInit() {
  SoundContext = sound_.dsInitialize(0);
  if (SoundContext == 0) SoundWarning("Direct Soundインターフェースが作成できません。");
}

SoundLibrary::Handle Form1::LoadSound(const char* fileName, int flags) {
  if (SoundContext == 0) return 0;
  struct stat st;
  if (stat(fileName, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  std::ifstream in(fileName, std::ios::binary);
  std::vector<std::uint8_t> bytes;
  if (in) {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) bytes.clear();
  }
  if (!in && !in.eof()) {
    SoundWarning("パス/ファイル アクセス エラーです。");
    return 0;
  }
  if (bytes.empty()) {
    // An empty file cannot hold a wave image: the same error an empty array gives.
    SoundWarning("インデックスが有効範囲にありません。");
    return 0;
  }
  const SoundLibrary::Handle buffer =
      sound_.dsCreateDSB(SoundContext, bytes.data(), bytes.size(), flags, fileName);
  // A file that is there but holds no usable wave image is worth one word to the player;
  // the game goes on without that sound.
  if (buffer == 0)
    SoundWarning(std::string("「") + fileName + "」は正しいウェーブ ファイルではありません。");
  return buffer;
}

void Form1::SoundWarning(const std::string& text) { dialogs_.Warning(SOUND_DLL_TITLE, text); }

void Form1::SoundShutdown() {
  if (SoundContext != 0) sound_.dsTerminate(SoundContext);
}

void Form1::ReleaseAll() {
  sound_.dsFree(SndOther);
  sound_.dsFree(SndForbidden);
  sound_.dsFree(SndPlace);
  sound_.dsFree(SndEnd);
  sound_.dsFree(SndBgm);
  SoundShutdown();
}

void Form1::PlayForbidden() { sound_.dsPlay(SndForbidden, "禁止.wav"); }
void Form1::PlayPlace() { sound_.dsPlay(SndPlace, "駒打音.wav"); }

}  // namespace korvel
