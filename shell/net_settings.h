// The network game's own settings file, korvel4/network.ini in the user's configuration
// folder (the game's settings file is never touched): what the dialog was given last
// time, and the seat this window may go back to.
//
// The file is INI text: "[group]" lines and "key=value" lines, top-level keys under
// [General], values escaped and quoted where needed. It is read and written like every
// other file of the program: a regular file only (a pipe, a device or a folder there is
// neither opened nor replaced), at most 64 KiB, never blocking, saved through a temporary
// file and a rename, and through a link only when the link stays within the folder.
#pragma once

#include <QString>
#include <map>
#include <optional>

#include "play/files.h"

namespace korvel {

// The whole file, read when made; Save writes it back whole with what was changed. Keys
// are "key" (top level) or "group/key".
class NetworkSettings {
 public:
  NetworkSettings();

  // The text of a key, unescaped; `fallback` when the file has no such key.
  QString Value(const QString& key, const QString& fallback = {}) const;
  // The number a key holds: `fallback` when there is no such key, 0 when it is no number.
  int IntValue(const QString& key, int fallback = 0) const;
  void SetValue(const QString& key, const QString& value);
  void SetValue(const QString& key, int value);
  void RemoveGroup(const QString& group);
  // Writes the file when something was changed. Nothing is written over a file that could
  // not be read (a pipe, a folder, a file too large, a link out of the folder): false then,
  // as when the write fails.
  bool Save();

  // Where the file is, and the folder it keeps to.
  static QString FilePath();
  static QString Folder();
  // How the file was found when it was read.
  FileRead::Status Found() const { return found_; }

  // The file's text as read, and the text written from what is held (for the tests).
  static NetworkSettings Parse(const std::string& bytes);
  std::string Format() const;

 private:
  struct NoRead {};
  explicit NetworkSettings(NoRead) {}
  struct Entry {
    std::string rawKey;    // the key as it stands in the file
    std::string rawValue;  // the value as it stands in the file, escapes and quotes kept
  };
  struct Group {
    std::string rawName;
    std::map<QString, Entry> entries;  // by the unescaped key
  };
  void Read(const std::string& bytes);
  const Entry* Find(const QString& key) const;
  void Set(const QString& key, const std::string& rawValue);

  std::map<QString, Group> groups_;  // by the unescaped name; "" holds the top-level keys
  FileRead::Status found_ = FileRead::Status::MISSING;
  bool changed_ = false;
};

// The folder that holds korvel4/network.ini instead of the user's configuration folder
// (tests keep their own); empty goes back to the user's.
void SetNetworkSettingsBase(const QString& base);

// A seat taken in a room of another window or server, with the token that proves it. It
// is kept while its game goes on, so that the player who closes the window and starts it
// again can take the seat back and get the game so far.
struct KeptSeat {
  QString address;
  quint16 port = 0;
  QString room;
  int seat = 0;
  QString token;

  bool Matches(const QString& address, quint16 port, const QString& room, int seat) const;
};

// The kept seat; nothing when none is kept or what the file holds is not a valid one.
std::optional<KeptSeat> LoadKeptSeat();
void KeepSeat(const KeptSeat& kept);
void ForgetKeptSeat();

}  // namespace korvel
