#include "shell/net_session.h"

#include <QAction>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPainter>
#include <QTimer>

#include "net/client_words.h"
#include "net/protocol.h"
#include "net/record_files.h"
#include "net/web_page.h"
#include "shell/main_window.h"
#include "shell/net_dialog.h"
#include "shell/net_settings.h"
#include "shell/qt_texts.h"
#include "view/board_drawing.h"
#include "view/view_turn.h"

namespace korvel {

namespace {

// Tries to come back after a lost connection (net::RejoinDelayMs apart: about half a
// minute in all, long enough for a server started again from its journal).
constexpr int kRejoinTries = 10;

// When the authority goes during a game, the game so far is kept as a record in the
// user's data area under a name of the program's own; the line that tells where.
QString KeepGameSoFar(Form1& form, const net::Client& c) {
  if (!c.Started() || c.Over() || c.Turns().empty()) return {};
  std::string error;
  const std::string path = net::SaveNewRecord(
      [&form](const std::string& name) { return form.UserDataPath(name); }, "", c.Record(), &error);
  if (path.empty())
    return QFill(TextId::NET_RECORD_NOT_SAVED, {QString::fromStdString(error)});
  return QFill(TextId::NET_RECORD_SAVED, {QString::fromStdString(path)});
}

void Inform(QWidget* parent, const QString& title, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

// A yes/no question before something would be lost; いいえ (or Esc) keeps everything.
bool Ask(QWidget* parent, const char* name, TextId prompt) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(Text(TextId::TITLE_NET_GAME)),
                  QString::fromUtf8(Text(prompt)), QMessageBox::Yes | QMessageBox::No, parent);
  box.setObjectName(QLatin1String(name));
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

NetSession::NetSession(MainWindow& window, Form1& form)
    : QObject(&window), window_(window), form_(form), side_(std::make_shared<ClientSide>(*this)) {
  window.AddNetworkEntries();
  // Ending the program closes a room this window opens: the player is asked first.
  window.AddEndQuestion([session = QPointer<NetSession>(this)] {
    return !session || !session->Hosting() ||
           Ask(&session->window_, "EndWhileHosting", TextId::END_WHILE_HOSTING);
  });
  if (QAction* entry = window.TaskAction(WindowTask::NET_GAME))
    connect(entry, &QAction::triggered, this, [this] {
      // A dialog closed in another language is made again in the window's.
      if (dialog_ && !dialog_->isVisible() && dialogLanguage_ != CurrentLanguage()) {
        delete dialog_;
        dialog_ = nullptr;
      }
      if (!dialog_) {
        dialog_ = new NetDialog(&window_, *this);
        dialogLanguage_ = CurrentLanguage();
      }
      dialog_->show();
      dialog_->raise();
    });
  if (QAction* leave = window.TaskAction(WindowTask::NET_LEAVE))
    connect(leave, &QAction::triggered, this, [this] { Leave(); });
  BoardView* view = window.DrawingArea();
  view_ = view;
  connect(view, &BoardView::painting, this, [this](QPainter& p) {
    if (Active()) DrawStatus(p);
  });
}

NetSession::~NetSession() {
  leaving_ = true;
  // The presenter's hold on the client side ends with it (the presenter may be gone).
  side_.reset();
  if (view_) view_->update();
  if (server_)
    server_->Farewell(QString::fromUtf8(TextIn(Language::JAPANESE, TextId::NET_HOST_STOPPED)));
  if (client_) client_->disconnect(this);
}

class NetSession::ClientSide : public Authority {
 public:
  explicit ClientSide(const NetSession& session) : session_(session) {}
  const GameState& Position() const override {
    static const GameState none{};
    return session_.client_ ? session_.client_->TheGame().State() : none;
  }
  int OwnSeat() const override { return session_.client_ ? session_.client_->Seat() : 0; }
  std::string SeatName(int seat) const override { return session_.NameOf(seat).toStdString(); }
  bool Missing(int seat) const override {
    if (!session_.client_) return false;
    for (const net::SeatInfo& o : session_.client_->Seats())
      if (o.seat == seat) return o.Person() && o.joined && !o.connected;
    return false;
  }
  bool TakesMoves() const override {
    const net::Client* c = session_.client_.get();
    return c && c->Started() && !c->Over() && !c->Closed();
  }
  void Send(const Move& m) override {
    if (session_.client_) session_.client_->SendMove(m);
  }
  const SeatClocks* Clocks() const override {
    return session_.client_ ? session_.client_->Clocks() : nullptr;
  }

 private:
  const NetSession& session_;
};

quint16 NetSession::Port() const {
  return server_ ? server_->Port() : 0;
}

bool NetSession::MayHostNow(QWidget* parent) {
  const Game& game = form_.TheGame();
  if (Active() || !game.State().GameStarted || game.Finished() || game.HistoryCount() == 0)
    return true;
  return Ask(parent ? parent : &window_, "HostDuringGame", TextId::HOST_DURING_GAME);
}

bool NetSession::Host(const HostSettings& s, QString* error) {
  if (Active()) Leave();
  net::ServerOptions so;
  so.address = s.listen;
  so.port = s.port;
  so.allowCreate = false;
  so.waitSeconds = waitSeconds_;
  // Players without the program join from a browser: the page is served on the same port.
  so.webFolder =
      net::FindWebFolder(QCoreApplication::applicationDirPath(), KORVEL4_DATA_FROM_PROGRAM);
  server_ = std::make_unique<net::Server>(so);
  if (!server_->Listen(error)) {
    server_.reset();
    return false;
  }
  net::RoomOptions ro;
  for (int seat = 0; seat <= 4; ++seat) ro.person[seat] = seat > 0 && s.person[seat];
  ro.person[s.seat] = true;
  ro.level = s.level;
  ro.hostSeat = s.seat;
  ro.waitSeconds = waitSeconds_;
  // The room plays with the clocks chosen for the window's games (持ち時間...).
  ro.clock = form_.ChosenTimeControl();
  code_ = net::NewRoomCode();
  server_->OpenRoom(code_, ro);
  Join({QStringLiteral("127.0.0.1"), server_->Port(), code_, s.name, s.seat});
  return true;
}

void NetSession::Join(const JoinSettings& s) {
  if (Active() && !Hosting()) Leave();
  leaving_ = false;
  rejoinTries_ = 0;
  gameEnded_ = false;
  code_ = s.code;
  joined_ = s;
  std::optional<KeptSeat> kept;
  if (!Hosting()) kept = LoadKeptSeat();
  if (kept && !kept->Matches(s.address, s.port, s.code, s.seat)) kept.reset();
  returning_ = kept.has_value();
  client_ = std::make_unique<net::Client>();
  net::Client* c = client_.get();
  connect(c, &net::Client::connected, this, [this, c, s, kept] {
    if (rejoinTries_ > 0)
      c->Rejoin();
    else if (returning_ && kept)
      c->Rejoin(kept->room, kept->seat, kept->token);
    else if (s.seat == 0)
      c->Watch(s.code);  // 観戦: no seat, nothing kept
    else
      c->Hello(s.code, s.name, s.seat);
  });
  connect(c, &net::Client::welcomed, this, &NetSession::OnWelcome);
  connect(c, &net::Client::errorReceived, this, &NetSession::OnError);
  connect(c, &net::Client::started, this, &NetSession::OnStart);
  connect(c, &net::Client::moved, this,
          [this](int, const net::Turn& turn, PieceCode) { OnMoved(turn); });
  connect(c, &net::Client::noticed, this, &NetSession::OnNotice);
  // Who is here changed: the names beside the armies are written anew (a missing mark).
  connect(c, &net::Client::roomChanged, this, [this] {
    if (view_) view_->update();
  });
  connect(c, &net::Client::refused, this, &NetSession::OnRefused);
  connect(c, &net::Client::over, this, [this](int, const QString& text) { OnOver(text); });
  connect(c, &net::Client::asked, this, &NetSession::OnAsk);
  connect(c, &net::Client::roomClosed, this, &NetSession::OnRoomClosed);
  // After each of those (an error answer aside): the dialog shows the room anew.
  connect(c, &net::Client::updated, this, &NetSession::changed);
  // A network game with clocks keeps the window's clock timer running.
  connect(c, &net::Client::updated, this, [this] { window_.UpdateClockTimer(); });
  connect(c, &net::Client::disconnected, this, &NetSession::OnClosed);
  url_ = QUrl();
  const bool tls = s.address.startsWith(QStringLiteral("wss://"));  // the system's trust
  url_.setScheme(tls ? QStringLiteral("wss") : QStringLiteral("ws"));
  url_.setHost(tls ? s.address.mid(6) : s.address);
  url_.setPort(s.port);
  // The room's code in the address, for a proxy in front of several servers.
  url_ = net::RoomUrl(url_, s.code);
  c->Open(url_);
  form_.PresentNetworkGame(side_);
  SetLocalEntries(false);
}

void NetSession::Start() {
  if (client_) client_->Start();
}

void NetSession::Leave() {
  leaving_ = true;
  if (server_)
    server_->Farewell(QString::fromUtf8(TextIn(Language::JAPANESE, TextId::NET_HOST_STOPPED)));
  form_.PresentNetworkGame({});
  // Not deleted inside their own signals: a moment later.
  if (net::Client* c = client_.release()) {
    c->disconnect(this);
    c->Close();
    c->deleteLater();
  }
  if (net::Server* s = server_.release()) QTimer::singleShot(200, s, &QObject::deleteLater);
  SetLocalEntries(true);
  form_.RedrawAll();
  window_.DrawingArea()->update();
  emit changed();
}

void NetSession::SetLocalEntries(bool enabled) {
  window_.SetNetworkGameOn(!enabled);
}

QString NetSession::NameOf(int seat) const {
  if (!client_) return {};
  for (const net::SeatInfo& o : client_->Seats()) {
    if (o.seat != seat) continue;
    if (o.Computer()) return QText(TextId::NET_COMPUTER);
    return o.name.isEmpty() ? QText(TextId::NET_EMPTY_SEAT) : o.name;
  }
  return {};
}

void NetSession::Redraw() {
  if (!client_) return;
  form_.RedrawNetworkGame();
  window_.DrawingArea()->update();
}

// The status line's words: the room, where the game stands, and how many watch (while
// anyone does).
QString NetSession::StatusLine() const {
  if (!client_) return {};
  const GameState& s = client_->TheGame().State();
  QString status = QFill(TextId::NET_STATUS_ROOM, {client_->Room()});
  if (client_->Closed() || !client_->IsOpen())
    status += QText(TextId::NET_STATUS_NOT_CONNECTED);
  else if (!client_->Started())
    status += QText(TextId::NET_STATUS_WAITING);
  else if (client_->Over())
    status += QText(TextId::NET_STATUS_OVER);
  else
    status += QFill(TextId::NET_STATUS_TURN, {NameOf(s.CurrentSeat), SeatWordOf(s.CurrentSeat)});
  if (client_->Watchers() > 0)
    status += QFill(TextId::NET_STATUS_WATCHERS, {QString::number(client_->Watchers())});
  return status;
}

// The status line over the picture (Form1 writes the names beside the armies before it).
void NetSession::DrawStatus(QPainter& p) {
  if (!client_) return;
  QFont font = window_.Canvas().TextFont(12);
  font.setPixelSize(14);
  p.setFont(font);
  const QString status = StatusLine();
  // Below the bottom seat's turn icon (TurnIconPlace: 32 pixels from 7700 twips down).
  const QPointF top(CellX(-1.0) / TWIPS_PER_PIXEL, CellY(11.25) / TWIPS_PER_PIXEL);
  p.setPen(QPen(Qt::black));
  p.drawText(top + QPointF(1, 1), status);
  p.setPen(QColor(Qt::white));
  p.drawText(top, status);
}

// What the authority announces sounds as the same events of the window's own game: a piece
// placed (a capture makes no other sound), a refused press as a refused press (a partner's
// check is refused in silence, as there), the end of a game, and another game after it. A
// pass, a check and a notice make none, nor does the game so far that comes with a welcome.

void NetSession::OnWelcome() {
  gameEnded_ = client_ && client_->Over();
  rejoinTries_ = 0;
  returning_ = false;
  form_.ClearNetworkPick();
  if (client_->Over())
    ForgetOwnSeat();
  else
    KeepOwnSeat();
  Redraw();
  emit joined(true, {});
}

void NetSession::OnError(const net::ErrorReply& e) {
  if (client_->Welcomed()) return;
  if (returning_ && e.code == "token") {
    // The kept token no longer proves the seat (the room was opened anew under the same
    // code): forgotten, and the seat asked for as a newcomer.
    returning_ = false;
    ForgetOwnSeat();
    client_->Hello(joined_.code, joined_.name, joined_.seat);
    return;
  }
  if (e.code == "no-room" || e.code == "closed") ForgetOwnSeat();
  const QString why = net::WordsOfError(e);
  QTimer::singleShot(0, this, [this, why] {
    Leave();
    emit joined(false, why);
  });
}

void NetSession::OnStart() {
  if (gameEnded_) form_.PlayCue(Form1::Cue::PLACE);
  gameEnded_ = false;
  form_.ClearNetworkPick();
  KeepOwnSeat();
  Redraw();
}

void NetSession::OnMoved(const net::Turn& turn) {
  if (!turn.pass) form_.PlayCue(Form1::Cue::PLACE);
  Redraw();
}

void NetSession::OnNotice(const QString& code, const QString& text, int seat) {
  window_.DrawingArea()->Notices().Post(QString(), net::WordsOfNotice(code, text));
  if (code == "missing" && RoomHost() && seat != client_->Seat()) OfferGive(seat);
  // The host's role came to this player: the seats already missing may be given.
  if (code == "host" && client_ && seat == client_->Seat()) {
    for (const net::SeatInfo& o : client_->Seats())
      if (o.Person() && o.joined && !o.connected && o.seat != seat) OfferGive(o.seat);
  }
}

void NetSession::OfferGive(int seat) {
  QTimer::singleShot(waitSeconds_ * 1000 + 500, this, [this, seat] {
    if (!client_ || !client_->Started() || client_->Over() || !RoomHost()) return;
    for (const net::SeatInfo& o : client_->Seats()) {
      if (o.seat != seat || !o.Person() || o.connected) continue;
      auto* box = new QMessageBox(
          QMessageBox::Question, QText(TextId::TITLE_HANDOVER),
          QFill(TextId::NET_HANDOVER_ASK, {NameOf(seat)}),
          QMessageBox::Yes | QMessageBox::No, &window_);
      box->setAttribute(Qt::WA_DeleteOnClose);
      connect(box, &QMessageBox::finished, this, [this, box, seat] {
        if (box->clickedButton() == box->button(QMessageBox::Yes) && client_) client_->Give(seat);
      });
      box->open();
    }
  });
}

void NetSession::OnRefused(const net::Refusal& r) {
  static const QStringList pressRefusals = {"turn",    "stale",       "illegal",
                                            "promote", "not-started", "over"};
  if (pressRefusals.contains(r.code)) form_.PlayCue(Form1::Cue::FORBIDDEN);
  const net::ShownWords words = net::WordsOfRefusal(r);
  Inform(&window_, words.title, words.sentence);
  Redraw();
}

void NetSession::OnOver(const QString& text) {
  form_.PlayCue(Form1::Cue::END);
  gameEnded_ = true;
  ForgetOwnSeat();
  Redraw();
  Inform(&window_, QText(TextId::TITLE_END), net::WordsOfOver(text));
}

void NetSession::OnAsk(const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Question, QText(TextId::TITLE_AGAIN), net::WordsOfAsk(text),
                              QMessageBox::Yes | QMessageBox::No, &window_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [this, box] {
    const bool yes = box->clickedButton() == box->button(QMessageBox::Yes);
    if (client_) client_->Again(yes);
    if (!yes) QTimer::singleShot(300, this, [this] { Leave(); });
  });
  box->open();
}

void NetSession::OnRoomClosed(const QString& text) {
  ForgetOwnSeat();
  Redraw();
  Inform(&window_, QText(TextId::NET_TITLE), net::WordsOfClosed(text) + KeepGameSoFar(form_, *client_));
}

// Only a joiner keeps its seat: a room this window opened goes with the window.
void NetSession::KeepOwnSeat() {
  if (Hosting() || !client_ || !client_->Welcomed() || client_->Token().isEmpty()) return;
  KeepSeat({joined_.address, joined_.port, client_->Room(), client_->Seat(), client_->Token()});
}

void NetSession::ForgetOwnSeat() {
  if (Hosting() || (client_ && client_->Watching())) return;
  const std::optional<KeptSeat> kept = LoadKeptSeat();
  if (kept && kept->Matches(joined_.address, joined_.port, joined_.code, kept->seat))
    ForgetKeptSeat();
}

void NetSession::OnClosed() {
  if (leaving_ || !client_) return;
  emit changed();
  window_.DrawingArea()->update();
  if (client_->Closed() || !client_->Welcomed() || Hosting()) {
    if (!client_->Welcomed()) {
      QTimer::singleShot(0, this, [this] {
        Leave();
        emit joined(false, QText(TextId::NET_NOT_CONNECTED));
      });
    }
    return;
  }
  TryRejoin();
}

void NetSession::TryRejoin() {
  if (!client_ || leaving_) return;
  if (rejoinTries_ >= kRejoinTries) {
    Inform(&window_, QText(TextId::NET_TITLE),
           QText(TextId::NET_HOST_LOST) +
               KeepGameSoFar(form_, *client_));
    return;
  }
  ++rejoinTries_;
  if (rejoinTries_ == 1)
    window_.DrawingArea()->Notices().Post(QString(),
                                          QText(TextId::NET_RECONNECTING));
  QTimer::singleShot(net::RejoinDelayMs(rejoinTries_), this, [this] {
    if (client_ && !leaving_ && !client_->IsOpen()) client_->Open(url_);
  });
}

void InstallNetworkGame(MainWindow& window, Form1& form) {
  new NetSession(window, form);
}

}  // namespace korvel
