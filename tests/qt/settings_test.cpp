// The settings store, its INI file and the helpers that turn stored text into values.
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include "imaging/core/ini_file.h"
#include "platform/colors.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/window_bounds.h"
#include "qt_test_support.h"

using namespace lumora::platform;

class SettingsTest : public QObject {
  Q_OBJECT
  QTemporaryDir root_;

 private slots:
  void initTestCase() {
    QVERIFY(root_.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root_.path() + "/config"));
  }
  void cleanup() { SetSettingsStore(nullptr); }

  void keysMapToFilesUnderTheConfigFolder_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("file");
    QTest::newRow("main") << "Software\\Halvane\\LumoraTrial" << "/Halvane/LumoraTrial.ini";
    QTest::newRow("page setup") << "Software\\Lumora\\PageSetupForm" << "/Lumora/PageSetupForm.ini";
    QTest::newRow("climbing") << "Software\\..\\..\\etc" << "/_/_/etc.ini";
    QTest::newRow("slashes") << "Software\\a/b\\c" << "/a_b/c.ini";
    QTest::newRow("empty") << "" << "/settings.ini";
  }
  void keysMapToFilesUnderTheConfigFolder() {
    QFETCH(QString, key);
    QFETCH(QString, file);
    QCOMPARE(SettingsFileForKey(key), root_.path() + "/config" + file);
  }

  void relativeConfigHomeIsIgnored() {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    QCOMPARE(ConfigHome(), QDir::homePath() + "/.config");
    qputenv("XDG_CONFIG_HOME", saved);
  }

  void missingGivesDefaultButEmptyStaysEmpty() {
    auto memory = std::make_shared<TMemorySettingsStore>();
    SetSettingsStore(memory);
    QCOMPARE(ReadSetting("JPG Editor", "dflt"), QString("dflt"));
    QVERIFY(WriteSetting("JPG Editor", ""));
    QCOMPARE(ReadSetting("JPG Editor", "dflt"), QString(""));
    QCOMPARE(ReadSetting("jpg editor", "dflt"), QString(""));  // names ignore case

    const QString path = root_.path() + "/empty.ini";
    {
      TIniSettingsStore ini(path);
      QVERIFY(!ini.Read("Width"));
      QVERIFY(ini.Write("Width", ""));
    }
    TIniSettingsStore again(path);
    QVERIFY(again.Read("Width").has_value());
    QCOMPARE(*again.Read("Width"), QString(""));
  }

  void everyValueRoundTripsThroughTheFile() {
    const QString path = SettingsFileForKey(kSettingsKey);
    QFile::remove(path);
    const QList<QPair<QString, QString>> values{
        {"Left", "-12"},
        {"BG Color", "16711680"},
        {"Directory", "/home/u/Fotos é 2026/with=equals;and#hash"},
        {"JPG Editor", "gimp \"%1\"\n--second-line\\"},
        {"  spaced  ", "  kept  "},
        {"FileTypes", "1010101010"},
    };
    {
      TIniSettingsStore store(path);
      for (const auto& [name, text] : values) QVERIFY(store.Write(name, text));
    }
    QVERIFY(QFileInfo(path).isFile());
    TIniSettingsStore reread(path);
    for (const auto& [name, text] : values) QCOMPARE(reread.Read(name).value_or("<missing>"), text);
    // No temporary file is left beside the settings.
    QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList{"LumoraTrial.ini"});
  }

  void hostileFilesReadAsEmpty_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("binary") << QByteArray("\x00\xFF\xFE[\x01=\x02\n\x80\x81", 10);
    QTest::newRow("header only") << QByteArray("[[[[[[");
    QTest::newRow("oversized") << QByteArray(int(lumora::kMaxIniFileBytes) + 10, 'A').prepend("Width=1\n");
  }
  void hostileFilesReadAsEmpty() {
    QFETCH(QByteArray, contents);
    const QString path = root_.path() + "/hostile.ini";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
    file.close();
    TIniSettingsStore store(path);
    QVERIFY(!store.Read("Width").has_value());
    QCOMPARE(ReadIntSettingFrom(store, "Width", 620), 620);
  }

  void settingsPathThatIsNoFileNeitherBlocksNorBreaks() {
    const QString fifo = root_.path() + "/fifo.ini";
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TIniSettingsStore fromFifo(fifo);
    QVERIFY(!fromFifo.Read("Width").has_value());  // would hang if the FIFO were opened

    const QString folder = root_.path() + "/folder.ini";
    QVERIFY(QDir().mkpath(folder));
    TIniSettingsStore fromFolder(folder);
    QVERIFY(!fromFolder.Read("Width").has_value());
    QVERIFY(!fromFolder.Write("Width", "620"));      // reported, not pretended
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(fromFolder.Read("Width").value_or(""), QString("620"));  // kept for this run
  }

  void writeKeepsOtherValuesOfTheFile() {
    const QString path = root_.path() + "/keep.ini";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("SourceDir=/photos\nSeconds=7\n[Other]\nx=1\n");
    file.close();
    {
      TIniSettingsStore store(path);
      QVERIFY(store.Write("Seconds", "8"));
    }
    TIniSettingsStore reread(path);
    QCOMPARE(reread.Read("SourceDir").value_or(""), QString("/photos"));
    QCOMPARE(reread.Read("Seconds").value_or(""), QString("8"));
  }

  void numbersThatDoNotParseFallBack_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << "620" << 620;
    QTest::newRow("blanks") << "  12 " << 12;
    QTest::newRow("negative") << "-5" << -5;
    QTest::newRow("plus") << "+7" << 7;
    QTest::newRow("empty") << "" << 99;
    QTest::newRow("word") << "abc" << 99;
    QTest::newRow("trailing junk") << "12px" << 99;
    QTest::newRow("float") << "1.5" << 99;
    QTest::newRow("exponent") << "1e3" << 99;
    QTest::newRow("hex") << "0x10" << 99;
    QTest::newRow("too big") << "99999999999" << 99;
    QTest::newRow("below range") << "-1" << 99;
  }
  void numbersThatDoNotParseFallBack() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    const int minimum = QTest::currentDataTag() == QByteArray("below range") ? 0 : INT_MIN;
    QCOMPARE(ParseSettingInt(text, 99, minimum), expected);
  }

  void windowBoundsAreClampedToAScreen_data() {
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("fits") << QRect(0, 0, 620, 460) << QRect(0, 0, 620, 460);
    QTest::newRow("off right") << QRect(5000, 10, 620, 460) << QRect(1280 - 620, 10, 620, 460);
    QTest::newRow("off top-left") << QRect(-3000, -3000, 620, 460) << QRect(0, 0, 620, 460);
    QTest::newRow("too big") << QRect(0, 0, 9000, 9000) << QRect(0, 0, 1280, 800);
    QTest::newRow("tiny") << QRect(10, 10, 1, 1) << QRect(10, 10, 200, 150);
    QTest::newRow("second screen") << QRect(1400, 100, 600, 400) << QRect(1400, 100, 600, 400);
    QTest::newRow("beyond second") << QRect(1280 + 1024 - 100, 100, 600, 400) << QRect(1280 + 1024 - 600, 100, 600, 400);
    QTest::newRow("too big for second") << QRect(1300, 0, 2000, 2000) << QRect(1280, 0, 1024, 768);
  }
  void windowBoundsAreClampedToAScreen() {
    QFETCH(QRect, wanted);
    QFETCH(QRect, expected);
    const QList<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)};
    QCOMPARE(ClampWindowBounds(wanted, screens), expected);
  }

  void storedColors_data() {
    QTest::addColumn<qint64>("value");
    QTest::addColumn<bool>("hasColor");
    QTest::addColumn<QColor>("color");
    QPalette palette;
    QTest::newRow("keep") << qint64(-1) << false << QColor();
    QTest::newRow("red") << qint64(255) << true << QColor(255, 0, 0);
    QTest::newRow("blue") << qint64(16711680) << true << QColor(0, 0, 255);
    QTest::newRow("mixed") << qint64(0x00332211) << true << QColor(0x11, 0x22, 0x33);
    QTest::newRow("button face") << qint64(-16777201) << true << palette.color(QPalette::Active, QPalette::Button);
    QTest::newRow("unknown system") << qint64(-16777216 + 99) << false << QColor();
    QTest::newRow("too big") << qint64(0x01000000) << false << QColor();
    QTest::newRow("other negative") << qint64(-2) << false << QColor();
    QTest::newRow("below int32") << qint64(-5000000000LL) << false << QColor();
  }
  void storedColors() {
    QFETCH(qint64, value);
    QFETCH(bool, hasColor);
    QFETCH(QColor, color);
    const auto got = ColorFromSetting(value, QPalette());
    QCOMPARE(got.has_value(), hasColor);
    if (hasColor) {
      QCOMPARE(*got, color);
      if (value >= 0) QCOMPARE(ColorToSetting(*got), value);
    }
  }

  void pathHelpers() {
    QCOMPARE(AddSlash(""), QString("/"));
    QCOMPARE(AddSlash("/a"), QString("/a/"));
    QCOMPARE(AddSlash("/a/"), QString("/a/"));
    QCOMPARE(ResolveStoredFolder("c:\\"), QDir::homePath());
    QCOMPARE(ResolveStoredFolder("C:\\"), QDir::homePath());
    QCOMPARE(ResolveStoredFolder("/srv/photos"), QString("/srv/photos"));
    const QString file = root_.path() + "/sizes/f1500.bin";
    QVERIFY(lumora::test::MakeFile(file, 1500));
    QVERIFY(lumora::test::MakeFile(root_.path() + "/sizes/.hidden", 7));
    QCOMPARE(FileSizeOf(file), qint64(1500));
    QCOMPARE(FileSizeOf(root_.path() + "/sizes/.hidden"), qint64(7));
    QCOMPARE(FileSizeOf(root_.path() + "/sizes"), qint64(0));
    QCOMPARE(FileSizeOf(root_.path() + "/sizes/missing"), qint64(-1));
    QCOMPARE(FileSizeOf(""), qint64(-1));
  }

 private:
  static int ReadIntSettingFrom(TSettingsStore& store, const QString& name, int dflt) {
    const auto text = store.Read(name);
    return text ? ParseSettingInt(*text, dflt) : dflt;
  }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
