// network.ini is read and written like every other file of the program: the files players
// already have load as they are, and a pipe, a huge file, a link to something that is no
// regular file or a link out of the folder is neither waited on, read whole nor replaced.
#include "shell/net_settings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "shell/net_dialog.h"
#include "shell/net_session.h"
#include "shell/shell_fakes.h"

namespace korvel {
namespace {

using testing::WindowUnderTest;

QByteArray Slurp(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const KeptSeat kSeat{"192.0.2.7", 4651, "ABCD2345", 3, QString(32, QChar('a'))};

// Texts that need every kind of care in the file: quotes, commas, blanks at the ends,
// backslashes, control characters, a leading "@", Japanese.
const QString kTexts[] = {QStringLiteral("主催者,二"), QStringLiteral(" 名前, \"引用\"; a=b \\ "),
                          QStringLiteral("tab\there\x01"
                                         "1f"),
                          QStringLiteral("@at"), QStringLiteral("")};

class NetSettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(base_.isValid());
    SetNetworkSettingsBase(base_.path());
    folder_ = base_.path() + "/korvel4";
    file_ = folder_ + "/network.ini";
    ASSERT_TRUE(QDir().mkpath(folder_));
  }
  void TearDown() override { SetNetworkSettingsBase({}); }
  // The file as the settings class of the toolkit writes it, in another folder.
  QByteArray WrittenByToolkit(const std::function<void(QSettings&)>& write) {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, other_.path());
    {
      QSettings st(QSettings::IniFormat, QSettings::UserScope, "korvel4", "network");
      write(st);
    }
    return Slurp(other_.path() + "/korvel4/network.ini");
  }
  QTemporaryDir base_, other_;
  QString folder_, file_;
};

// The file is where it always was, and a file written before reads the same and is written
// back byte for byte as it was written then: keys, groups, order, escapes and quotes.
TEST_F(NetSettingsFile, FilesWrittenBeforeLoadAndAreWrittenTheSameWay) {
  SetNetworkSettingsBase({});
  EXPECT_EQ(NetworkSettings::FilePath(),
            QSettings(QSettings::IniFormat, QSettings::UserScope, "korvel4", "network").fileName());
  SetNetworkSettingsBase(base_.path());

  auto fill = [](auto set) {
    set("name", kTexts[1]);
    set("tab", 1);
    set("host/port", 4650);
    set("host/people", QStringLiteral("124"));
    set("join/address", kTexts[0]);
    set("join/code", kTexts[3]);
    set("return/token", kTexts[2]);
    set("return/room", kTexts[4]);
  };
  const QByteArray before = WrittenByToolkit([&](QSettings& st) {
    fill([&](const char* key, const QVariant& v) { st.setValue(key, v); });
    st.setValue("window/size", QSize(3, 4));  // a kind of value this program never writes
  });
  QFile::copy(other_.path() + "/korvel4/network.ini", file_);

  NetworkSettings read;
  EXPECT_EQ(read.Found(), FileRead::Status::OK);
  EXPECT_EQ(read.Value("name"), kTexts[1]);
  EXPECT_EQ(read.IntValue("tab"), 1);
  EXPECT_EQ(read.IntValue("host/port", 1), 4650);
  EXPECT_EQ(read.Value("host/people"), "124");
  EXPECT_EQ(read.Value("join/address"), kTexts[0]);
  EXPECT_EQ(read.Value("join/code"), kTexts[3]);
  EXPECT_EQ(read.Value("return/token"), kTexts[2]);
  EXPECT_EQ(read.Value("return/room", "none"), "");
  EXPECT_EQ(read.Value("join/seat", "none"), "none");
  EXPECT_EQ(read.IntValue("join/seat", 3), 3);
  EXPECT_EQ(read.IntValue("name", 7), 0) << "no number";
  // Changed and saved: what was not changed stays exactly as it was.
  read.SetValue("host/port", 4650);
  EXPECT_TRUE(read.Save());
  EXPECT_EQ(Slurp(file_), before) << "nothing changed, nothing written differently";
  read.SetValue("tab", 0);
  read.SetValue("host/level", 2);
  ASSERT_TRUE(read.Save());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, base_.path());
  QSettings back(QSettings::IniFormat, QSettings::UserScope, "korvel4", "network");
  EXPECT_EQ(back.value("window/size").toSize(), QSize(3, 4));
  EXPECT_EQ(back.value("name").toString(), kTexts[1]);
  EXPECT_EQ(back.value("tab").toInt(), 0);
  EXPECT_EQ(back.value("host/level").toInt(), 2);

  // Written afresh, the file is what the toolkit writes for the same values.
  const QByteArray plain = WrittenByToolkit([&](QSettings& st) {
    st.clear();
    fill([&](const char* key, const QVariant& v) { st.setValue(key, v); });
  });
  ASSERT_TRUE(QFile::remove(file_));
  NetworkSettings fresh;
  fill([&](const char* key, const QVariant& v) {
    if (v.typeId() == QMetaType::Int)
      fresh.SetValue(key, v.toInt());
    else
      fresh.SetValue(key, v.toString());
  });
  ASSERT_TRUE(fresh.Save());
  EXPECT_EQ(Slurp(file_), plain);

  // Lines of an editor's: a byte-order mark, CR LF, comments, blanks, a group met twice.
  const NetworkSettings edited = NetworkSettings::Parse(
      "\xEF\xBB\xBF; comment\r\n[join]\r\n  address = example.org  \r\n\r\n[return]\r\n"
      "seat=2\r\n[join]\r\nport=\"4652\"\r\ncode=ABC ; a remark\r\nname\r\n");
  EXPECT_EQ(edited.Value("join/address"), "example.org");
  EXPECT_EQ(edited.IntValue("join/port"), 4652);
  EXPECT_EQ(edited.Value("join/code"), "ABC ");
  EXPECT_EQ(edited.IntValue("return/seat"), 2);
}

// Nothing there but a regular file of the folder's is read or written. Each of these is
// left exactly as it was, the window opens its dialog at once with what it would show
// with no file, and a seat is neither kept nor found.
TEST_F(NetSettingsFile, WhatIsNoRegularFileOfTheFoldersIsNeitherWaitedOnNorReplaced) {
  QTemporaryDir scratch;  // beside the configuration folder, outside it
  const QString outside = scratch.path() + "/elsewhere.ini", fifo = scratch.path() + "/fifo";
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  {
    QFile f(outside);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[return]\nseat=2\n");
  }
  struct Case {
    const char* what;
    std::function<void()> make;
    std::function<void()> check;
  };
  const QByteArray path = QFile::encodeName(file_);
  const Case cases[] = {
      {"a pipe", [&] { ASSERT_EQ(mkfifo(path.constData(), 0644), 0); },
       [&] {
         struct stat st;
         ASSERT_EQ(lstat(path.constData(), &st), 0);
         EXPECT_TRUE(S_ISFIFO(st.st_mode));
       }},
      {"a 1 GB file",
       [&] {
         const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
         ASSERT_GE(fd, 0);
         ASSERT_EQ(ftruncate(fd, off_t(1) << 30), 0);  // sparse: no room taken
         ::close(fd);
       },
       [&] { EXPECT_EQ(QFileInfo(file_).size(), qint64(1) << 30); }},
      {"a link to a pipe outside",
       [&] { ASSERT_EQ(symlink(QFile::encodeName(fifo).constData(), path.constData()), 0); },
       [&] {
         EXPECT_TRUE(QFileInfo(file_).isSymLink());
         struct stat st;
         ASSERT_EQ(lstat(QFile::encodeName(fifo).constData(), &st), 0);
         EXPECT_TRUE(S_ISFIFO(st.st_mode));
       }},
      {"a link to a file outside",
       [&] { ASSERT_EQ(symlink(QFile::encodeName(outside).constData(), path.constData()), 0); },
       [&] {
         EXPECT_TRUE(QFileInfo(file_).isSymLink());
         EXPECT_EQ(Slurp(outside), "[return]\nseat=2\n");
       }},
      {"a folder", [&] { ASSERT_TRUE(QDir().mkdir(file_)); },
       [&] { EXPECT_TRUE(QFileInfo(file_).isDir()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    {
      WindowUnderTest w;
      NetSession session(w.window, w.form);
      NetDialog dialog(&w.window, session);  // reads the file: at once, whatever is there
      EXPECT_FALSE(LoadKeptSeat());
      KeepSeat(kSeat);
      EXPECT_FALSE(LoadKeptSeat());
      NetworkSettings st;
      EXPECT_NE(st.Found(), FileRead::Status::MISSING);
      st.SetValue("tab", 1);
      EXPECT_FALSE(st.Save());
      ForgetKeptSeat();
    }
    c.check();
    EXPECT_EQ(QDir(folder_).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot |
                                      QDir::Hidden),
              QStringList{"network.ini"})
        << "no temporary file";
    QFileInfo(file_).isDir() ? (void)QDir().rmdir(file_) : (void)QFile::remove(file_);
  }
  EXPECT_EQ(QDir(scratch.path())
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList{"elsewhere.ini", "fifo"}));
}

// A link that stays within the folder is followed: the file it leads to is saved, the link
// stays a link.
TEST_F(NetSettingsFile, ALinkWithinTheFolderIsWrittenThrough) {
  ASSERT_TRUE(QDir().mkpath(folder_ + "/kept"));
  ASSERT_EQ(symlink("kept/network.ini", QFile::encodeName(file_).constData()), 0);
  KeepSeat(kSeat);
  EXPECT_TRUE(QFileInfo(file_).isSymLink());
  const auto kept = LoadKeptSeat();
  ASSERT_TRUE(kept);
  EXPECT_TRUE(kept->Matches(kSeat.address, kSeat.port, kSeat.room, kSeat.seat));
  EXPECT_TRUE(Slurp(folder_ + "/kept/network.ini").startsWith("[return]\naddress=192.0.2.7\n"));
  ForgetKeptSeat();
  EXPECT_FALSE(LoadKeptSeat());
  EXPECT_EQ(Slurp(folder_ + "/kept/network.ini"), "");
}

}  // namespace
}  // namespace korvel
