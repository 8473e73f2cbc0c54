#include "net/client.h"

#include <QAbstractSocket>
#include <QJsonDocument>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>
#include <algorithm>
#include <chrono>

#include "net/protocol.h"
#include "net/tls.h"
#include "play/game_record.h"

namespace korvel::net {

namespace {
// The authority is trusted more than a stranger, but not without bound: a welcome carries
// the whole game so far.
constexpr qint64 kMaxFromAuthority = 1024 * 1024;
}  // namespace

QUrl RoomUrl(const QUrl& base, const QString& room) {
  QUrl url = base;
  url.setPath(QStringLiteral("/ws"));
  if (room.isEmpty()) {
    url.setQuery(QString());
  } else {
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("room"), room);
    url.setQuery(q);
  }
  return url;
}

int RejoinDelayMs(int attempt) {
  return 250 << std::clamp(attempt - 1, 0, 4);
}

Client::Client(QObject* parent) : QObject(parent), ws_(new QWebSocket(QString(), {}, this)) {
  ws_->setMaxAllowedIncomingMessageSize(kMaxFromAuthority);
  // The clocks count on the monotonic clock, as the window's own game's do (Host::NowMs).
  now_ = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  connect(ws_, &QWebSocket::connected, this, [this] {
    // The socket under the WebSocket is its child: one intention goes out at once.
    for (QAbstractSocket* s : ws_->findChildren<QAbstractSocket*>())
      s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // Back after a lost connection: the seat is taken back at once.
    if (attempt_ > 0)
      Rejoin();
    else
      emit connected();
  });
  connect(ws_, &QWebSocket::disconnected, this, &Client::OnDisconnected);
  connect(ws_, &QWebSocket::textMessageReceived, this, &Client::OnText);
  connect(ws_, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this,
          [this](QAbstractSocket::SocketError) {
            if (connectionError_.isEmpty()) connectionError_ = ws_->errorString();
          });
  // A certificate that is not trusted ends the connection (the errors are not ignored).
  connect(ws_, &QWebSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
    QStringList why;
    for (const QSslError& e : errors) why.append(e.errorString());
    connectionError_ = QStringLiteral("TLS: ") + why.join(QStringLiteral("; "));
  });
}

bool Client::TrustCertificates(const QString& pemFile, QString* error) {
  const auto certs = ReadCertificates(pemFile, error);
  if (!certs) return false;
  QSslConfiguration ssl = ws_->sslConfiguration();
  if (ssl.isNull()) ssl = QSslConfiguration::defaultConfiguration();
  ssl.addCaCertificates(*certs);
  ws_->setSslConfiguration(ssl);
  return true;
}

Client::~Client() {
  ws_->abort();
}

void Client::Open(const QUrl& url) {
  connectionError_.clear();
  base_ = url;
  attempt_ = 0;
  closing_ = gaveUp_ = false;
  ws_->open(url);
}

void Client::OnDisconnected() {
  // A welcome still asking for its pages comes again with the next connection.
  fetching_ = false;
  held_.clear();
  if (keepTries_ > 0 && welcomed_ && !closing_ && !closed_ && !gaveUp_ && attempt_ < keepTries_) {
    ++attempt_;
    emit reconnecting(attempt_);
    QTimer::singleShot(RejoinDelayMs(attempt_), this, [this] {
      if (closing_ || ws_->state() != QAbstractSocket::UnconnectedState) return;
      connectionError_.clear();
      ws_->open(RoomUrl(base_, room_));
    });
    return;
  }
  emit disconnected();
}
bool Client::IsOpen() const {
  return ws_->state() == QAbstractSocket::ConnectedState;
}
void Client::Drop() {
  ws_->abort();
}
void Client::Close() {
  closing_ = true;
  ws_->close();
}

void Client::Send(const QJsonObject& msg) {
  ws_->sendTextMessage(Serialize(msg));
}
void Client::SendText(const QString& text) {
  ws_->sendTextMessage(text);
}

void Client::Hello(const QString& room, const QString& name, int seat) {
  Send({{"t", "hello"}, {"v", kProtocolVersion}, {"room", room}, {"name", name}, {"seat", seat}});
}

void Client::Create(const QString& name, int seat, const std::vector<int>& people, int level,
                    const GameTimeControl& clock) {
  QJsonArray p;
  for (int s : people) p.append(s);
  QJsonObject msg{{"t", "create"},
                  {"v", kProtocolVersion},
                  {"name", name},
                  {"seat", seat},
                  {"people", p},
                  {"level", level}};
  if (clock.On()) msg.insert("clock", TimeControlJson(clock));
  Send(msg);
}

void Client::FollowClocks(const QJsonObject& msg, bool newGame) {
  if (newGame) {
    clocks_.reset();
    const auto control = TimeControlField(msg, "clock");
    game_.SetTimeControl(control ? *control : GameTimeControl{});
    if (control && control->On()) clocks_.emplace(*control);
  }
  if (!clocks_) return;
  const std::int64_t now = now_();
  const int seat = game_.State().CurrentSeat;
  if (!started_ || over_ || game_.Finished() || seat < 1 || seat > 4) clocks_->Stop(now);
  else clocks_->TurnTo(seat, now);
  if (const auto left = ClocksField(msg, "clocks"))
    for (int s = 1; s <= 4; ++s) clocks_->Follow(s, (*left)[s]);
}

void Client::Watch(const QString& room) {
  watching_ = true;
  Send({{"t", "watch"}, {"v", kProtocolVersion2}, {"room", room}});
}

void Client::Rejoin() {
  if (watching_) return Watch(room_);
  Rejoin(room_, seat_, token_);
}

void Client::Rejoin(const QString& room, int seat, const QString& token) {
  Send(
      {{"t", "rejoin"}, {"v", kProtocolVersion}, {"room", room}, {"seat", seat}, {"token", token}});
}

void Client::SendMove(const Move& m) {
  Send({{"t", "move"},
        {"n", static_cast<int>(Turns().size()) + 1},
        {"from", SquareJson(m.fromX, m.fromY)},
        {"to", SquareJson(m.toX, m.toY)},
        {"promote", m.Promotes()}});
}

void Client::Start() {
  Send({{"t", "start"}});
}
void Client::Again(bool yes) {
  Send({{"t", "again"}, {"yes", yes}});
}
void Client::Give(int seat) {
  Send({{"t", "give"}, {"seat", seat}});
}

bool Client::MyTurn() const {
  return started_ && !over_ && !closed_ && !desynced_ && game_.State().CurrentSeat == seat_;
}

bool Client::SeatsFilled() const {
  for (const SeatInfo& s : seats_)
    if (s.Person() && !s.connected) return false;
  return true;
}

void Client::TakeSeats(const QJsonArray& seats) {
  seats_.clear();
  for (const QJsonValue& v : seats) {
    const QJsonObject o = v.toObject();
    const QString kind = o.value("kind").toString();
    seats_.push_back({o.value("seat").toInt(),
                      kind == "person"     ? SeatInfo::Kind::PERSON
                      : kind == "computer" ? SeatInfo::Kind::COMPUTER
                                           : SeatInfo::Kind::UNKNOWN,
                      o.value("name").toString(), o.value("joined").toBool(),
                      o.value("connected").toBool()});
    const auto seat = SeatField(o, "seat");
    if (!seat) continue;
    person_[*seat] = kind == "person";
    names_[*seat] = o.value("name").toString();
  }
}

void Client::NewCopy() {
  StartNetGame(game_, person_, level_);
  startedAt_.clear();
  over_ = false;
  winner_ = 0;
  overReason_.clear();
  asked_ = false;
}

// Each message is taken into the copy first, then told: the listeners see the copy as it
// is after it.
void Client::OnText(const QString& text) {
  // Welcomes may be long: the authority's messages are bounded by kMaxFromAuthority.
  const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
  if (!doc.isObject()) return;
  const QJsonObject msg = doc.object();
  if (!Fetching(msg)) Take(msg);
}

bool Client::Fetching(const QJsonObject& msg) {
  const QString t = msg.value("t").toString();
  if (!fetching_) {
    const qint64 first = msg.value("first").toInteger(1);
    if (t != "welcome" || !msg.value("more").toBool() || first <= 1) return false;
    fetching_ = true;
    pendingWelcome_ = msg;
    fetched_ = QJsonArray();
    held_.clear();
    AskNextPage();
    return true;
  }
  if (t != "turns") {
    held_.push_back(msg);
    return true;
  }
  const qint64 first = pendingWelcome_.value("first").toInteger();
  const QJsonArray page = msg.value("turns").toArray();
  if (msg.value("from").toInteger() != fetched_.size() + 1 || page.isEmpty()) {
    // Not the page asked for: the copy cannot be made.
    desynced_ = true;
    fetching_ = false;
    emit desynced();
    return true;
  }
  for (const QJsonValue& v : page)
    if (fetched_.size() + 1 < first) fetched_.append(v);
  if (fetched_.size() + 1 < first) {
    AskNextPage();
    return true;
  }
  // Every turn is here: the welcome as if it had carried them all, then what was held.
  fetching_ = false;
  QJsonObject whole = pendingWelcome_;
  QJsonArray turns = fetched_;
  for (const QJsonValue& v : pendingWelcome_.value("turns").toArray()) turns.append(v);
  whole.insert("turns", turns);
  whole.remove("more");
  whole.remove("first");
  Take(whole);
  const std::vector<QJsonObject> held = std::move(held_);
  held_.clear();
  for (const QJsonObject& m : held)
    if (!Fetching(m)) Take(m);
  return true;
}

void Client::AskNextPage() {
  const qint64 first = pendingWelcome_.value("first").toInteger();
  const qint64 from = fetched_.size() + 1;
  Send({{"t", "turns"}, {"from", from}, {"count", std::min<qint64>(kTurnsPage, first - from)}});
}

void Client::Take(const QJsonObject& msg) {
  const QString t = msg.value("t").toString();
  const QString said = msg.value("text").toString();
  // The copy could not follow this message: told once, before the message's own signal.
  const bool following = !desynced_;
  auto tellIfLost = [&] {
    if (following && desynced_) emit desynced();
  };
  if (t == "welcome") {
    welcomed_ = true;
    attempt_ = 0;
    room_ = msg.value("room").toString();
    token_ = msg.value("token").toString();
    seat_ = msg.value("seat").toInt();
    host_ = msg.value("host").toInt();
    watchers_ = msg.value("watchers").toInt(0);  // none said: nobody watches
    level_ = msg.value("level").toInt(3);
    TakeSeats(msg.value("seats").toArray());
    started_ = msg.value("started").toBool();
    const QJsonArray before = TurnsJson(Turns());
    const std::string startedAt = startedAt_;
    NewCopy();
    if (started_) {
      const auto turns = TurnsFromJson(msg.value("turns").toArray());
      if (!turns)
        desynced_ = true;
      else
        for (const Turn& turn : *turns)
          if (!ApplyTurn(game_, turn)) {
            desynced_ = true;
            break;
          }
      over_ = msg.value("over").toBool();
      winner_ = msg.value("winner").toInt();
      if (over_) overReason_ = msg.value("reason").toString();
      // Back in the same game: it began when this copy saw its first move.
      const QJsonArray now = TurnsJson(Turns());
      if (!before.isEmpty() && before.size() <= now.size() &&
          std::equal(before.begin(), before.end(), now.begin()))
        startedAt_ = startedAt;
    }
    FollowClocks(msg, true);
    tellIfLost();
    emit welcomed(room_, seat_, token_, host_);
  } else if (t == "room") {
    host_ = msg.value("host").toInt();
    watchers_ = msg.value("watchers").toInt(0);  // none said: nobody watches
    TakeSeats(msg.value("seats").toArray());
    emit roomChanged(host_, seats_);
  } else if (t == "start") {
    level_ = msg.value("level").toInt(3);
    TakeSeats(msg.value("seats").toArray());
    started_ = true;
    NewCopy();
    FollowClocks(msg, true);
    emit started(level_);
  } else if (t == "moved") {
    const auto turn = TurnFromJson(msg.value("turn").toObject());
    const int n = msg.value("n").toInt();
    if (!turn || n != static_cast<int>(Turns().size()) + 1 || !ApplyTurn(game_, *turn)) {
      desynced_ = true;
    } else {
      if (Turns().size() == 1) startedAt_ = LocalTimeText();
      // A king was taken: the game is over, whatever the next message says about it.
      if (!turn->pass && turn->next == NO_SEAT) over_ = true;
    }
    FollowClocks(msg, false);
    tellIfLost();
    if (turn) emit moved(n, *turn, PieceField(msg, "captured", true).value_or(PieceCode()));
  } else if (t == "over") {
    over_ = true;
    winner_ = msg.value("winner").toInt();
    overReason_ = msg.value("reason").toString();
    FollowClocks(msg, false);
    emit over(winner_, said);
  } else if (t == "ask") {
    asked_ = true;
    emit asked(said);
  } else if (t == "closed") {
    closed_ = true;
    closedReason_ = msg.value("reason").toString();
    emit roomClosed(said);
  } else if (t == "notice") {
    notices_.append(said);
    emit noticed(msg.value("code").toString(), said, msg.value("seat").toInt());
  } else if (t == "refused") {
    const Refusal r{msg.value("code").toString(), said, msg.value("detail").toString()};
    refusals_.push_back(r);
    emit refused(r);
  } else if (t == "error") {
    const ErrorReply e{msg.value("code").toString(), said};
    errors_.push_back(e);
    // The seat cannot be taken back (a server started again without its journal): no
    // more tries.
    if (attempt_ > 0) {
      gaveUp_ = true;
      ws_->close();
    }
    emit errorReceived(e);
    return;
  }
  emit updated();
}

std::string Client::Record() const {
  // The winner the authority names after a time running out is the seat after the loser's.
  const bool onTime = over_ && overReason_ == "time" && winner_ >= 1 && winner_ <= 4;
  return RecordText(game_, person_, names_, level_, over_, winner_, startedAt_,
                    over_ && overReason_ == "length", onTime ? (winner_ + 2) % 4 + 1 : NO_SEAT);
}

}  // namespace korvel::net
