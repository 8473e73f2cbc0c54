#include "shell/net_settings.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QStandardPaths>

#include "io/disk_files.h"
#include "net/protocol.h"

namespace korvel {

namespace {

constexpr const char* kGroup = "return";
// The file holds a few short lines: anything larger is no file of ours.
constexpr std::size_t kFileLimit = 64 * 1024;

QString& Base() {
  static QString base;
  return base;
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

int HexValue(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

// A key or a group's name: "%XX" and "%UXXXX" stand for a character, "\" for "/".
QString UnescapeKey(const std::string& raw) {
  QString out;
  std::string plain;
  auto flush = [&] {
    out += QString::fromUtf8(plain);
    plain.clear();
  };
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    const bool wide = c == '%' && i + 1 < raw.size() && raw[i + 1] == 'U';
    const size_t digits = wide ? 4 : 2, from = wide ? i + 2 : i + 1;
    if (c == '%' && from + digits <= raw.size()) {
      int code = 0;
      bool ok = true;
      for (size_t k = from; k < from + digits && ok; ++k) {
        const int h = HexValue(static_cast<unsigned char>(raw[k]));
        ok = h >= 0;
        code = code * 16 + h;
      }
      if (ok) {
        flush();
        out += QChar(static_cast<char16_t>(code));
        i = from + digits - 1;
        continue;
      }
    }
    plain += c == '\\' ? '/' : c;
  }
  flush();
  return out;
}

// A value as it stands in the file: quoted parts kept whole, backslash escapes ("\n",
// "\x41", "\101", "\"", "\\"...) decoded, a ";" outside quotes starting a comment.
// Unquoted commas (a list, to the old reader) are kept as they are.
QString UnescapeValue(const std::string& raw) {
  const QString s = QString::fromUtf8(raw);
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ';' && !quoted) {
      break;
    } else if (c == '\\' && i + 1 < s.size()) {
      const char16_t e = s[++i].unicode();
      switch (e) {
        case 'a': out += QChar('\a'); break;
        case 'b': out += QChar('\b'); break;
        case 'f': out += QChar('\f'); break;
        case 'n': out += QChar('\n'); break;
        case 'r': out += QChar('\r'); break;
        case 't': out += QChar('\t'); break;
        case 'v': out += QChar('\v'); break;
        case 'x': {
          char16_t code = 0;
          int n = 0;
          while (n < 4 && i + 1 < s.size() && HexValue(s[i + 1].unicode()) >= 0) {
            code = static_cast<char16_t>(code * 16 + HexValue(s[++i].unicode()));
            ++n;
          }
          out += QChar(code);
          break;
        }
        case '\n': break;  // a line continued
        default:
          if (e >= '0' && e <= '7') {
            char16_t code = e - '0';
            for (int n = 1; n < 3 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7'; ++n)
              code = static_cast<char16_t>(code * 8 + (s[++i].unicode() - '0'));
            out += QChar(code);
          } else {
            out += QChar(e);
          }
      }
    } else {
      out += c;
    }
  }
  // A text that began with "@" was written with another "@"; "@Invalid()" is no value.
  if (out.startsWith(QStringLiteral("@@"))) return out.mid(1);
  if (out == QStringLiteral("@Invalid()")) return {};
  return out;
}

bool IsHexDigit(char32_t c) { return HexValue(c) >= 0; }

std::string Hex(char32_t c) {
  static const char digits[] = "0123456789abcdef";
  std::string h;
  do {
    h.insert(h.begin(), digits[c % 16]);
    c /= 16;
  } while (c != 0);
  return h;
}

// A text as it is written in the file, the way the file has always been written: control
// characters escaped, a hex digit after a "\x" escape escaped too, quotes around a text
// holding ";", "," or "=" or beginning or ending with a blank.
std::string EscapeValue(const QString& text) {
  const QString s = text.startsWith('@') ? QStringLiteral("@") + text : text;
  std::string out;
  bool quote = false, escapeHexDigit = false;
  for (const char32_t c : s.toUcs4()) {
    if (c == ';' || c == ',' || c == '=') quote = true;
    if (escapeHexDigit && IsHexDigit(c)) {
      out += "\\x" + Hex(c);
      continue;
    }
    escapeHexDigit = false;
    switch (c) {
      case 0: out += "\\0"; escapeHexDigit = true; break;
      case '\a': out += "\\a"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\v': out += "\\v"; break;
      case '"':
      case '\\':
        out += '\\';
        out += static_cast<char>(c);
        break;
      default:
        if (c <= 0x1F) {
          out += "\\x" + Hex(c);
          escapeHexDigit = true;
        } else {
          out += QString::fromUcs4(&c, 1).toStdString();
        }
    }
  }
  if (quote || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) out = '"' + out + '"';
  return out;
}

std::pair<QString, QString> SplitKey(const QString& key) {
  const qsizetype slash = key.indexOf('/');
  if (slash < 0) return {QString(), key};
  return {key.left(slash), key.mid(slash + 1)};
}

}  // namespace

void SetNetworkSettingsBase(const QString& base) { Base() = base; }

QString NetworkSettings::Folder() {
  const QString base = Base().isEmpty()
                           ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                           : Base();
  return base + QStringLiteral("/korvel4");
}

QString NetworkSettings::FilePath() { return Folder() + QStringLiteral("/network.ini"); }

NetworkSettings::NetworkSettings() {
  const FileRead r = ReadRegularFile(QFile::encodeName(FilePath()).toStdString(), kFileLimit);
  found_ = r.status;
  if (r.status == FileRead::Status::OK) Read(r.bytes);
}

NetworkSettings NetworkSettings::Parse(const std::string& bytes) {
  NetworkSettings s{NoRead{}};
  s.found_ = FileRead::Status::OK;
  s.Read(bytes);
  return s;
}

void NetworkSettings::Read(const std::string& bytes) {
  std::string_view rest = bytes;
  if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
  QString group;
  while (!rest.empty()) {
    const size_t eol = rest.find('\n');
    const std::string line = Trim(std::string(rest.substr(0, eol)));
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      const std::string raw = line.substr(1, close == std::string::npos ? std::string::npos
                                                                        : close - 1);
      group = raw == "General" ? QString() : UnescapeKey(raw);
      Group& g = groups_[group];
      if (g.rawName.empty()) g.rawName = raw;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string rawKey = Trim(line.substr(0, eq));
    if (rawKey.empty()) continue;
    groups_[group].entries[UnescapeKey(rawKey)] = {rawKey, Trim(line.substr(eq + 1))};
  }
}

std::string NetworkSettings::Format() const {
  std::string out;
  for (const auto& [name, g] : groups_) {
    if (g.entries.empty()) continue;
    if (!out.empty()) out += "\n";
    out += "[" + (name.isEmpty() ? std::string("General") : g.rawName) + "]\n";
    for (const auto& [key, e] : g.entries) out += e.rawKey + "=" + e.rawValue + "\n";
  }
  return out;
}

const NetworkSettings::Entry* NetworkSettings::Find(const QString& key) const {
  const auto [group, name] = SplitKey(key);
  for (const auto& [g, k] : {std::pair{group, name}, std::pair{QString(), key}}) {
    const auto it = groups_.find(g);
    if (it == groups_.end()) continue;
    const auto e = it->second.entries.find(k);
    if (e != it->second.entries.end()) return &e->second;
  }
  return nullptr;
}

QString NetworkSettings::Value(const QString& key, const QString& fallback) const {
  const Entry* e = Find(key);
  return e ? UnescapeValue(e->rawValue) : fallback;
}

int NetworkSettings::IntValue(const QString& key, int fallback) const {
  const Entry* e = Find(key);
  if (!e) return fallback;
  bool ok = false;
  const int n = UnescapeValue(e->rawValue).toInt(&ok);
  return ok ? n : 0;
}

void NetworkSettings::Set(const QString& key, const std::string& rawValue) {
  const auto [group, name] = SplitKey(key);
  Group& g = groups_[group];
  if (g.rawName.empty()) g.rawName = group.toStdString();
  Entry& e = g.entries[name];
  if (e.rawKey.empty()) e.rawKey = name.toStdString();
  else if (e.rawValue == rawValue) return;
  e.rawValue = rawValue;
  changed_ = true;
}

void NetworkSettings::SetValue(const QString& key, const QString& value) {
  Set(key, EscapeValue(value));
}

void NetworkSettings::SetValue(const QString& key, int value) {
  Set(key, std::to_string(value));
}

void NetworkSettings::RemoveGroup(const QString& group) {
  const auto it = groups_.find(group);
  if (it == groups_.end()) return;
  changed_ = changed_ || !it->second.entries.empty();
  groups_.erase(it);
}

bool NetworkSettings::Save() {
  if (!changed_) return true;
  if (found_ != FileRead::Status::OK && found_ != FileRead::Status::MISSING) return false;
  const QString folder = Folder();
  if (!QDir().mkpath(folder)) return false;
  std::string error;
  if (!WriteRegularFile(QFile::encodeName(FilePath()).toStdString(), Format(), &error,
                        QFile::encodeName(folder).toStdString()))
    return false;
  changed_ = false;
  return true;
}

bool KeptSeat::Matches(const QString& a, quint16 p, const QString& r, int s) const {
  return address.compare(a, Qt::CaseInsensitive) == 0 && port == p && room == r && seat == s;
}

std::optional<KeptSeat> LoadKeptSeat() {
  const NetworkSettings st;
  const QString g = QStringLiteral("%1/").arg(kGroup);
  const QJsonObject o{{"address", st.Value(g + "address")},
                      {"port", st.IntValue(g + "port")},
                      {"room", st.Value(g + "room")},
                      {"seat", st.IntValue(g + "seat")},
                      {"token", st.Value(g + "token")}};
  // The file is the user's to edit: a seat is used only when every part of it is valid.
  const auto port = net::IntField(o, "port", 1, 65535);
  const auto room = net::CodeField(o, "room");
  const auto seat = net::SeatField(o, "seat");
  const auto token = net::TokenField(o, "token");
  const QString address = o.value("address").toString().trimmed();
  if (address.isEmpty() || !port || !room || !seat || !token) return std::nullopt;
  return KeptSeat{address, static_cast<quint16>(*port), *room, *seat, *token};
}

void KeepSeat(const KeptSeat& kept) {
  NetworkSettings st;
  const QString g = QStringLiteral("%1/").arg(kGroup);
  st.SetValue(g + "address", kept.address);
  st.SetValue(g + "port", kept.port);
  st.SetValue(g + "room", kept.room);
  st.SetValue(g + "seat", kept.seat);
  st.SetValue(g + "token", kept.token);
  st.Save();
}

void ForgetKeptSeat() {
  NetworkSettings st;
  st.RemoveGroup(kGroup);
  st.Save();
}

}  // namespace korvel
