// Listing folders into the file list: masks, hidden and odd files, column texts, sorts,
// the drag data.
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include "browser/browser_texts.h"
#include "browser/list_folder.h"
#include "qt_test_support.h"
#include "ui/file_list_view.h"
#include "ui/status_bar.h"

using namespace lumora;
using namespace lumora::browser;
using namespace lumora::ui;

namespace {

QStringList Names(const QList<TFileEntry>& entries) {
  QStringList names;
  for (const TFileEntry& e : entries) names << e.name;
  return names;
}

QStringList ListNames(const TFileListView& list) {
  QStringList names;
  for (int row = 0; row < list.Count(); ++row) names << list.NameAt(row);
  return names;
}

QStringList Sorted(QStringList names) {
  names.sort();
  return names;
}

}  // namespace

class FileListTest : public QObject {
  Q_OBJECT
  QTemporaryDir root_;
  QString folder_;

 private slots:
  void initTestCase() {
    QVERIFY(root_.isValid());
    folder_ = root_.path() + "/pics";
    using test::MakeFile;
    QVERIFY(MakeFile(folder_ + "/a.jpg", 3000));
    QVERIFY(MakeFile(folder_ + "/B.JPG", 100));
    QVERIFY(MakeFile(folder_ + "/photo.jpeg", 10));
    QVERIFY(MakeFile(folder_ + "/README", 10));
    QVERIFY(MakeFile(folder_ + "/x.gif", 2048));
    QVERIFY(MakeFile(folder_ + "/zero.bmp", 0));
    QVERIFY(MakeFile(folder_ + "/k.bmp", 1024));
    QVERIFY(MakeFile(folder_ + "/.hidden.jpg", 10));
    QVERIFY(MakeFile(folder_ + "/ends.", 10));
    QVERIFY(QDir().mkpath(folder_ + "/dir.jpg"));
    QCOMPARE(mkfifo(QFile::encodeName(folder_ + "/pipe.jpg").constData(), 0600), 0);
    QVERIFY(QFile::link(folder_ + "/a.jpg", folder_ + "/link.png"));
    QVERIFY(QFile::link(folder_ + "/nowhere.png", folder_ + "/broken.png"));
  }

  void sizeText_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << qint64(0) << "1";
    QTest::newRow("1023") << qint64(1023) << "1";
    QTest::newRow("1024") << qint64(1024) << "2";
    QTest::newRow("1500") << qint64(1500) << "2";
    QTest::newRow("5 GiB") << qint64(5) * 1024 * 1024 * 1024 << "5242881";
  }
  void sizeText() {
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(FileSizeKBText(bytes), text);
  }

  void typeText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::newRow("jpeg") << "photo.jpeg" << "JPE";
    QTest::newRow("upper") << "PHOTO.JPG" << "JPG";
    QTest::newRow("none") << "README" << "";
    QTest::newRow("last dot") << "a.b.c.tiff" << "TIF";
    QTest::newRow("trailing dot") << "x." << "";
    QTest::newRow("short") << "a.z" << "Z";
  }
  void typeText() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    QCOMPARE(FileTypeText(name), type);
  }

  void masksFromFileTypes_data() {
    QTest::addColumn<QString>("types");
    QTest::addColumn<QString>("masks");
    QTest::newRow("all") << "1111111111" << "*.jpg;*.gif;*.bmp;*.ico;*.wmf;*.avi;*.pcx;*.png;*.tga;*.tif;";
    QTest::newRow("none") << "0000000000" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("short") << "01" << "*.gif;";
    QTest::newRow("other characters") << "1x1Y000001" << "*.jpg;*.bmp;*.tif;";
    QTest::newRow("longer") << "000000000011" << "";
  }
  void masksFromFileTypes() {
    QFETCH(QString, types);
    QFETCH(QString, masks);
    QCOMPARE(BuildFileMasks(types), masks);
  }

  void maskSplitting() {
    QCOMPARE(SplitFileMasks("*.jpg;*.gif;"), (QStringList{"*.jpg", "*.gif"}));
    QCOMPARE(SplitFileMasks("*.jpg;*.gif"), QStringList{"*.jpg"});  // a last piece without ";" is no mask
    QCOMPARE(SplitFileMasks(";;"), (QStringList{"", ""}));
    QCOMPARE(SplitFileMasks(""), QStringList{});
    // After each mask only 100 characters of the rest are kept: "*.b;" falls off.
    const QString longRest = "*.a;" + QString(99, 'x') + ";*.b;";
    QCOMPARE(SplitFileMasks(longRest), (QStringList{"*.a", QString(99, 'x')}));
  }

  void maskMatching_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same case") << "a.jpg" << "*.jpg" << true;
    QTest::newRow("other case") << "PHOTO.JPG" << "*.jpg" << true;
    QTest::newRow("longer ext") << "photo.jpeg" << "*.jpg" << false;
    QTest::newRow("star dot star no dot") << "README" << "*.*" << true;
    QTest::newRow("star dot star") << "a.b" << "*.*" << true;
    QTest::newRow("question") << "a1.png" << "a?.png" << true;
    QTest::newRow("question needs one") << "a.png" << "a?.png" << false;
    QTest::newRow("empty mask") << "a.jpg" << "" << false;
    QTest::newRow("middle star") << "holiday-2026.tif" << "hol*26.tif" << true;
    QTest::newRow("non ascii") << "ÉTÉ.JPG" << "été.*" << true;
  }
  void maskMatching() {
    QFETCH(QString, name);
    QFETCH(QString, mask);
    QFETCH(bool, matches);
    QCOMPARE(MatchesMask(name, mask), matches);
  }

  void imageTypeTest_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isImage");
    QTest::newRow("jpg") << "a.jpg" << true;
    QTest::newRow("JPG") << "A.JPG" << true;
    QTest::newRow("jpeg") << "a.jpeg" << false;
    QTest::newRow("jp substring") << "a.jp" << true;
    QTest::newRow("no extension") << "README" << false;
    QTest::newRow("avi not listed") << "clip.avi" << false;
    QTest::newRow("trailing dot") << "a." << true;
    QTest::newRow("wmf") << "x.wmf" << true;
  }
  void imageTypeTest() {
    QFETCH(QString, name);
    QFETCH(bool, isImage);
    QCOMPARE(IsImageFileName(name), isImage);
  }

  void shownTypeTest() {
    QVERIFY(!IsImageTypeText(""));
    QVERIFY(IsImageTypeText("JPG"));
    QVERIFY(IsImageTypeText("png"));
    QVERIFY(!IsImageTypeText("AVI"));
  }

  void listingKeepsMaskOrderAndSkipsOddEntries() {
    const auto entries = ListFolderEntries(folder_, BuildFileMasks("1111111111"), false);
    const QStringList names = Names(entries);
    // Grouped by mask, in mask order: jpg, gif, bmp, png.
    QCOMPARE(Sorted(names.mid(0, 2)), (QStringList{"B.JPG", "a.jpg"}));
    QCOMPARE(names.mid(2, 1), QStringList{"x.gif"});
    QCOMPARE(Sorted(names.mid(3, 2)), (QStringList{"k.bmp", "zero.bmp"}));
    QCOMPARE(names.mid(5), QStringList{"link.png"});
    // The link is listed with its target's size.
    QCOMPARE(entries[5].size, qint64(3000));
  }

  void viewAllListsEveryRegularVisibleFile() {
    const auto entries = ListFolderEntries(folder_, QString(), true);
    QCOMPARE(Sorted(Names(entries)),
             (QStringList{"B.JPG", "README", "a.jpg", "ends.", "k.bmp", "link.png", "photo.jpeg", "x.gif", "zero.bmp"}));
  }

  void aFileMatchingTwoMasksIsListedTwice() {
    const auto entries = ListFolderEntries(folder_, "*.jpg;*.JPG;", false);
    QCOMPARE(Names(entries).count("a.jpg"), 2);
    QCOMPARE(Names(entries).count("B.JPG"), 2);
  }

  void listFolderFillsTheListAndTheCount_data() {
    QTest::addColumn<QString>("masks");
    QTest::addColumn<bool>("viewAll");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("count");
    QTest::newRow("default") << BuildFileMasks("1111111111") << false << true << 6;
    QTest::newRow("no types") << QString() << false << true << 0;
    QTest::newRow("view all") << QString() << true << true << 9;
    QTest::newRow("missing folder") << BuildFileMasks("1111111111") << false << false << 0;
  }
  void listFolderFillsTheListAndTheCount() {
    QFETCH(QString, masks);
    QFETCH(bool, viewAll);
    QFETCH(bool, exists);
    QFETCH(int, count);
    TFileListView list;
    TStatusBar bar({{25, Qt::AlignHCenter}, {80, Qt::AlignHCenter}});
    const QString before = QDir::currentPath();
    SetViewAllFiles(viewAll);
    ListFolder(&list, folder_, &bar, BuildFileMasks("1")); // something listed first
    ListFolder(&list, exists ? folder_ : folder_ + "/gone", &bar, masks);
    SetViewAllFiles(false);
    QCOMPARE(list.Count(), count);
    QCOMPARE(bar.PanelText(1), QString::number(count) + texts::kFilesSuffix);
    QCOMPARE(list.ListedFolder(), exists ? folder_ : QString());
    QCOMPARE(QDir::currentPath(), before);  // the working folder is never changed
  }

  void columnTexts() {
    TFileListView list;
    const qint64 when = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)).toSecsSinceEpoch();
    list.Fill("/f", {{"photo.jpeg", 1500, when}, {"README", 0, when}});
    QCOMPARE(list.topLevelItem(0)->text(0), QString("photo.jpeg"));
    QCOMPARE(list.topLevelItem(0)->text(1), QString("2"));
    QCOMPARE(list.topLevelItem(0)->text(2), QString("JPE"));
    QCOMPARE(list.topLevelItem(1)->text(1), QString("1"));
    QCOMPARE(list.topLevelItem(1)->text(2), QString(""));
    const QString modified = list.topLevelItem(0)->text(3);
    QVERIFY2(modified.endsWith("05:06:07"), qPrintable(modified));
    QCOMPARE(QLocale::system().toDateTime(modified, FileTimeFormat()).time(), QTime(5, 6, 7));
    QCOMPARE(list.topLevelItem(0)->textAlignment(1) & Qt::AlignRight, int(Qt::AlignRight));
    QCOMPARE(list.columnWidth(0), 160);
    QCOMPARE(list.columnWidth(1), 60);
    QCOMPARE(list.columnWidth(3), 140);
    QCOMPARE(list.headerItem()->text(1), QString("Size (KB)"));
    QCOMPARE(list.headerItem()->text(2), QString("Type"));
    QCOMPARE(list.headerItem()->text(3), QString("Modified"));
    QCOMPARE(list.PathOf("README"), QString("/f/README"));
  }

  void sorting_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QStringList>("order");
    // Entries: name, size, time (see sorting()).
    QTest::newRow("name asc") << 0 << true << QStringList{"a.jpg", "B.jpg", "c.gif", "d.GIF", "e"};
    QTest::newRow("name desc") << 0 << false << QStringList{"e", "d.GIF", "c.gif", "B.jpg", "a.jpg"};
    QTest::newRow("size asc") << 1 << true << QStringList{"e", "c.gif", "B.jpg", "a.jpg", "d.GIF"};
    QTest::newRow("size desc") << 1 << false << QStringList{"d.GIF", "a.jpg", "B.jpg", "c.gif", "e"};
    QTest::newRow("type asc") << 2 << true << QStringList{"e", "c.gif", "d.GIF", "a.jpg", "B.jpg"};
    QTest::newRow("type desc") << 2 << false << QStringList{"B.jpg", "a.jpg", "d.GIF", "c.gif", "e"};
    QTest::newRow("time asc") << 3 << true << QStringList{"c.gif", "B.jpg", "e", "a.jpg", "d.GIF"};
    QTest::newRow("time desc") << 3 << false << QStringList{"d.GIF", "a.jpg", "e", "B.jpg", "c.gif"};
  }
  void sorting() {
    QFETCH(int, column);
    QFETCH(bool, ascending);
    QFETCH(QStringList, order);
    const qint64 t = 1'700'000'000;
    // Sizes in KB: a 3, B 2, c 1 (1023 bytes), d 5, e 1 (0 bytes): equal KB keeps no
    // order, so c and e differ in bytes only where the order does not depend on it.
    TFileListView list;
    list.Fill("/f", {{"d.GIF", 5000, t + 100},
                     {"B.jpg", 1024, t},
                     {"e", 0, t},
                     {"a.jpg", 2048, t + 50},
                     {"c.gif", 1023, t - 10}});
    if (column == 1) {
      // c and e share the key "1": only their place against the others is defined.
      QVERIFY(list.SortBy(column, ascending));
      QStringList names = ListNames(list);
      const int c = names.indexOf("c.gif"), e = names.indexOf("e");
      QVERIFY(qAbs(c - e) == 1);
      names[std::min(c, e)] = order[std::min(c, e)];
      names[std::max(c, e)] = order[std::max(c, e)];
      QCOMPARE(names, order);
      return;
    }
    QVERIFY(list.SortBy(column, ascending));
    QCOMPARE(ListNames(list), order);
  }

  void sortKeepsTheSelection() {
    TFileListView list;
    list.Fill("/f", {{"b", 1, 1}, {"a", 1, 1}, {"c", 1, 1}});
    list.SelectOnly(0);  // "b"
    QVERIFY(list.SortBy(0, true));
    QCOMPARE(list.SelectedNames(), QStringList{"b"});
    QCOMPARE(list.FocusedName(), QString("b"));
    QVERIFY(!list.SortBy(7, true));
  }

  void compareIsThreeWay_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("nameA");
    QTest::addColumn<qint64>("sizeA");
    QTest::addColumn<QString>("nameB");
    QTest::addColumn<qint64>("sizeB");
    QTest::addColumn<int>("ascending");
    QTest::newRow("upper before lower letter") << 0 << "a.jpg" << qint64(1) << "B.jpg" << qint64(1) << -1;
    QTest::newRow("only ascii folded") << 0 << "é.jpg" << qint64(1) << "f.jpg" << qint64(1) << 1;
    QTest::newRow("same name other case") << 0 << "A" << qint64(1) << "a" << qint64(1) << 0;
    QTest::newRow("equal kb") << 1 << "x" << qint64(0) << "y" << qint64(1023) << 0;
    QTest::newRow("kb") << 1 << "x" << qint64(1023) << "y" << qint64(1024) << -1;
    QTest::newRow("type before name") << 2 << "z.bmp" << qint64(1) << "a.png" << qint64(1) << -1;
    QTest::newRow("type tie by name") << 2 << "b.png" << qint64(1) << "A.PNG" << qint64(1) << 1;
  }
  void compareIsThreeWay() {
    QFETCH(int, column);
    QFETCH(QString, nameA);
    QFETCH(qint64, sizeA);
    QFETCH(QString, nameB);
    QFETCH(qint64, sizeB);
    QFETCH(int, ascending);
    const auto a = TFileSortKeys::For({nameA, sizeA, 5});
    const auto b = TFileSortKeys::For({nameB, sizeB, 5});
    QCOMPARE(CompareFileKeys(a, b, column, true), ascending);
    QCOMPARE(CompareFileKeys(a, b, column, false), -ascending);
    QCOMPARE(CompareFileKeys(b, a, column, true), -ascending);
  }

  void findNamePrefersAnExactMatch() {
    TFileListView list;
    list.Fill("/f", {{"PHOTO.JPG", 1, 1}, {"photo.jpg", 1, 1}, {"Other.png", 1, 1}});
    QCOMPARE(list.FindName("photo.jpg"), 1);
    QCOMPARE(list.FindName("PHOTO.JPG"), 0);
    QCOMPARE(list.FindName("Photo.Jpg"), 0);
    QCOMPARE(list.FindName("other.PNG"), 2);
    QCOMPARE(list.FindName("missing"), -1);
  }

  void dragCarriesUrisAndTheTag() {
    TFileListView list;
    list.SetTag(1);
    list.Fill(folder_, {{"a.jpg", 1, 1}, {"B.JPG", 1, 1}, {"x.gif", 1, 1}});
    list.topLevelItem(0)->setSelected(true);
    list.topLevelItem(2)->setSelected(true);
    std::unique_ptr<QMimeData> data(list.DragData(list.selectedItems()));
    QVERIFY(data);
    QCOMPARE(data->urls(), (QList<QUrl>{QUrl::fromLocalFile(folder_ + "/a.jpg"), QUrl::fromLocalFile(folder_ + "/x.gif")}));
    QCOMPARE(data->data(kListTagMimeType), QByteArray("1"));
    TFileListView empty;  // nothing listed: nothing to drag
    empty.Fill(QString(), {{"a.jpg", 1, 1}});
    QVERIFY(!empty.DragData({empty.topLevelItem(0)}));
  }
};

QTEST_MAIN(FileListTest)
#include "file_list_test.moc"
