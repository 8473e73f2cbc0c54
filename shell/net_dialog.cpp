#include "shell/net_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QValidator>
#include <QVBoxLayout>

#include "net/links.h"
#include "net/protocol.h"
#include "shell/net_session.h"
#include "shell/net_settings.h"
#include "shell/qt_texts.h"

namespace korvel {

namespace {

QComboBox* SeatChoice(QWidget* parent, int seat) {
  auto* box = new QComboBox(parent);
  for (int s = 1; s <= 4; ++s) box->addItem(SeatWordOf(s), s);
  box->setCurrentIndex(seat >= 1 && seat <= 4 ? seat - 1 : 0);
  return box;
}

// A name field takes at most the protocol's characters (code points: a character outside
// the BMP is one, though it takes two UTF-16 units).
class NameLength : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return net::CodePointsOf(input).size() <= static_cast<size_t>(net::kMaxNameChars) ? Acceptable
                                                                                     : Invalid;
  }
};

}  // namespace

NetDialog::NetDialog(QWidget* parent, NetSession& session) : QDialog(parent), session_(session) {
  setWindowTitle(QText(TextId::NET_TITLE));
  const NetworkSettings st;
  const std::optional<KeptSeat> kept = LoadKeptSeat();
  auto* tabs = new QTabWidget(this);

  auto* host = new QWidget(tabs);
  auto* hf = new QFormLayout(host);
  hostName_ = new QLineEdit(st.Value("name", QText(TextId::NET_DEFAULT_HOST_NAME)), host);
  hostName_->setValidator(new NameLength(hostName_));
  hf->addRow(QText(TextId::NET_NAME), hostName_);
  hostPort_ = new QSpinBox(host);
  hostPort_->setRange(1024, 65535);
  hostPort_->setValue(st.IntValue("host/port", 4650));
  hf->addRow(QText(TextId::NET_PORT), hostPort_);
  hostSeat_ = SeatChoice(host, st.IntValue("host/seat", 1));
  hf->addRow(QText(TextId::NET_OWN_SEAT), hostSeat_);
  auto* people = new QHBoxLayout;
  const QString stored = st.Value("host/people", QStringLiteral("1234"));
  for (int s = 1; s <= 4; ++s) {
    person_[s] = new QCheckBox(SeatWordOf(s), host);
    person_[s]->setChecked(stored.contains(QChar('0' + s)));
    people->addWidget(person_[s]);
  }
  hf->addRow(QText(TextId::NET_PEOPLE_SEATS), people);
  level_ = new QComboBox(host);
  for (int l = 1; l <= 4; ++l) level_->addItem(QFill(TextId::NET_LEVEL, {QString::number(l)}), l);
  level_->setCurrentIndex(std::clamp(st.IntValue("host/level", 3), 1, 4) - 1);
  hf->addRow(QText(TextId::NET_COMPUTER), level_);
  open_ = new QPushButton(QText(TextId::NET_OPEN_ROOM), host);
  hf->addRow(open_);
  roomInfo_ = new QLabel(host);
  roomInfo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  hf->addRow(roomInfo_);
  seats_ = new QLabel(host);
  hf->addRow(seats_);
  start_ = new QPushButton(QText(TextId::NET_START), host);
  hf->addRow(start_);
  tabs->addTab(host, QText(TextId::NET_OPEN_ROOM));

  auto* join = new QWidget(tabs);
  auto* jf = new QFormLayout(join);
  // A seat kept from a game still going on is offered first.
  address_ = new QLineEdit(kept ? kept->address : st.Value("join/address"), join);
  jf->addRow(QText(TextId::NET_ADDRESS), address_);
  joinPort_ = new QSpinBox(join);
  joinPort_->setRange(1, 65535);
  joinPort_->setValue(kept ? kept->port : st.IntValue("join/port", 4650));
  jf->addRow(QText(TextId::NET_PORT), joinPort_);
  code_ = new QLineEdit(kept ? kept->room : st.Value("join/code"), join);
  code_->setMaxLength(16);
  jf->addRow(QText(TextId::NET_ROOM_CODE), code_);
  joinName_ = new QLineEdit(st.Value("name", QText(TextId::NET_DEFAULT_GUEST_NAME)), join);
  joinName_->setValidator(new NameLength(joinName_));
  jf->addRow(QText(TextId::NET_NAME), joinName_);
  const int joinSeat = kept ? kept->seat : st.IntValue("join/seat", 3);
  joinSeat_ = SeatChoice(join, joinSeat);
  // 観戦: watch the room without a seat (seat 0).
  joinSeat_->addItem(QText(TextId::NET_WATCH), 0);
  if (joinSeat == 0) joinSeat_->setCurrentIndex(joinSeat_->count() - 1);
  jf->addRow(QText(TextId::NET_SEAT), joinSeat_);
  join_ = new QPushButton(QText(TextId::NET_JOIN), join);
  jf->addRow(join_);
  joinInfo_ = new QLabel(join);
  jf->addRow(joinInfo_);
  tabs->addTab(join, QText(TextId::NET_JOIN));
  tabs->setCurrentIndex(kept || st.IntValue("tab", 0) == 1 ? 1 : 0);
  connect(tabs, &QTabWidget::currentChanged, this,
          [](int i) {
            NetworkSettings st;
            st.SetValue("tab", i);
            st.Save();
          });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);

  connect(open_, &QPushButton::clicked, this, [this] { OpenRoom(); });
  connect(start_, &QPushButton::clicked, this, [this] {
    session_.Start();
    hide();
  });
  connect(join_, &QPushButton::clicked, this, [this] { JoinRoom(); });
  connect(address_, &QLineEdit::textChanged, this, [this] { ShowKeptSeat(); });
  connect(joinPort_, &QSpinBox::valueChanged, this, [this] { ShowKeptSeat(); });
  connect(code_, &QLineEdit::textChanged, this, [this] { ShowKeptSeat(); });
  connect(joinSeat_, &QComboBox::currentIndexChanged, this, [this] { ShowKeptSeat(); });
  connect(&session_, &NetSession::changed, this, [this] { Refresh(); });
  connect(&session_, &NetSession::joined, this, [this](bool ok, const QString& why) {
    keptShown_ = false;
    if (ok && !session_.Hosting()) {
      const net::Client* c = session_.TheClient();
      joinInfo_->setText(c && c->Started() ? QText(TextId::NET_SEATED)
                                           : QText(TextId::NET_JOINED_WAITING));
      hide();
    } else if (!ok) {
      joinInfo_->setText(why);
      roomInfo_->setText(why);
    }
    Refresh();
  });
  Refresh();
  ShowKeptSeat();
}

void NetDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!session_.Active()) ShowKeptSeat();
}

// The seat kept from a game still going on: joining the same room and seat goes back to it.
void NetDialog::ShowKeptSeat() {
  const std::optional<KeptSeat> kept = LoadKeptSeat();
  const bool back =
      kept && kept->Matches(address_->text().trimmed(), static_cast<quint16>(joinPort_->value()),
                            code_->text().trimmed().toUpper(), joinSeat_->currentData().toInt());
  join_->setText(back ? QText(TextId::NET_GO_BACK) : QText(TextId::NET_JOIN));
  if (back)
    joinInfo_->setText(QFill(TextId::NET_CAN_GO_BACK, {kept->room, SeatWordOf(kept->seat)}));
  else if (keptShown_)
    joinInfo_->clear();
  keptShown_ = back;
}

// What the dialog was given, with the name the player goes by, kept for the next time.
void NetDialog::Save(const QString& name) const {
  NetworkSettings st;
  st.SetValue("name", name);
  QString people;
  for (int s = 1; s <= 4; ++s)
    if (person_[s]->isChecked()) people += QChar('0' + s);
  st.SetValue("host/port", hostPort_->value());
  st.SetValue("host/seat", hostSeat_->currentData().toInt());
  st.SetValue("host/people", people);
  st.SetValue("host/level", level_->currentData().toInt());
  st.SetValue("join/address", address_->text().trimmed());
  st.SetValue("join/port", joinPort_->value());
  st.SetValue("join/code", code_->text().trimmed().toUpper());
  st.SetValue("join/seat", joinSeat_->currentData().toInt());
  st.Save();
}

void NetDialog::OpenRoom() {
  HostSettings s;
  s.port = static_cast<quint16>(hostPort_->value());
  s.seat = hostSeat_->currentData().toInt();
  for (int seat = 1; seat <= 4; ++seat) s.person[seat] = person_[seat]->isChecked();
  s.person[s.seat] = true;
  person_[s.seat]->setChecked(true);
  s.level = level_->currentData().toInt();
  const auto name = net::CheckedName(hostName_->text());
  if (!name) {
    roomInfo_->setText(QText(TextId::NET_ENTER_NAME));
    return;
  }
  s.name = *name;
  if (!session_.MayHostNow(this)) return;
  Save(s.name);
  QString error;
  if (!session_.Host(s, &error)) {
    roomInfo_->setText(QFill(TextId::NET_CANNOT_OPEN, {error}));
    return;
  }
  Refresh();
}

void NetDialog::JoinRoom() {
  JoinSettings s;
  s.address = address_->text().trimmed();
  s.port = static_cast<quint16>(joinPort_->value());
  s.code = code_->text().trimmed().toUpper();
  s.name = net::CheckedName(joinName_->text()).value_or(QString());
  s.seat = joinSeat_->currentData().toInt();
  keptShown_ = false;
  if (s.address.isEmpty()) return joinInfo_->setText(QText(TextId::NET_ENTER_ADDRESS));
  if (s.code.size() < 6 || s.code.size() > 16)
    return joinInfo_->setText(QText(TextId::NET_BAD_CODE));
  if (s.name.isEmpty()) return joinInfo_->setText(QText(TextId::NET_ENTER_NAME));
  Save(s.name);
  joinInfo_->setText(QText(TextId::NET_CONNECTING));
  session_.Join(s);
}

void NetDialog::Refresh() {
  const net::Client* c = session_.TheClient();
  const bool hosting = session_.Hosting();
  open_->setEnabled(!session_.Active());
  join_->setEnabled(!session_.Active());
  if (hosting) {
    const QStringList addresses = net::OwnAddresses();
    // The page's link for the room (the window's room is served without TLS).
    roomInfo_->setText(
        QFill(TextId::NET_ROOM_INFO, {session_.RoomCode(), addresses.join(QStringLiteral(", ")),
                                      QString::number(session_.Port())}) +
        QStringLiteral("\n") +
        QFill(TextId::NET_ROOM_LINK,
              {net::PageLink(addresses.first(), session_.Port(), false, session_.RoomCode(),
                             net::kRoomLink)}));
    roomInfo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  // The room's host (its opener, or whoever the role passed to) starts the game.
  const bool host = hosting || session_.RoomHost();
  bool filled = host && c && c->Welcomed();
  QStringList lines;
  if (c) {
    for (const net::SeatInfo& o : c->Seats()) {
      const int seat = o.seat;
      const bool person = o.Person();
      const bool here = o.connected;
      if (person && !here) filled = false;
      lines << QFill(TextId::NET_SEAT_LINE, {SeatWordOf(seat),
                                            !person ? QText(TextId::NET_COMPUTER)
                                            : here  ? o.name
                                                    : QText(TextId::NET_WAITING_SEAT)});
    }
  }
  seats_->setText(host ? lines.join('\n') : QString());
  start_->setEnabled(filled && c && (!c->Started() || c->Over()));
  start_->setVisible(host);
}

}  // namespace korvel
