#include "collation.h"
#include "pelmoraMain/sortedlistbox.h"
#include "pelmoraMain/sortednamemodel.h"
#include "platformerror.h"

#include <QSignalSpy>
#include <QTest>

#include <random>

class TestListBox : public QObject
{
    Q_OBJECT
private slots:
    void addKeepsOrder();
    void assignSortsOnceWithOneReset();
    void itemIndexErrors_data();
    void itemIndexErrors();
    void selection();
    void exactSearch_data();
    void exactSearch();
};

static bool isSorted(const SortedListBox &list)
{
    const NameCollation &c = NameCollation::instance();
    for (int i = 1; i < list.Count(); ++i)
        if (c.compare(list.Item(i - 1), list.Item(i)) >= 0)
            return false;
    return true;
}

void TestListBox::addKeepsOrder()
{
    SortedListBox list;
    for (const char *name : {"Trip1000.jpg", "trip002.JPG", "Trip999.jpg", "Tripod.txt", "Trip001.jpg", "a", "Z"})
        list.Add(name);
    QCOMPARE(list.Count(), 7);
    QVERIFY(isSorted(list));
    QCOMPARE(list.Item(0), QByteArray("a"));
    QCOMPARE(list.Item(1), QByteArray("Trip001.jpg"));
    QCOMPARE(list.Item(3), QByteArray("Trip999.jpg"));
    QCOMPARE(list.Item(4), QByteArray("Trip1000.jpg"));
    QCOMPARE(list.Item(6), QByteArray("Z"));
    list.Clear();
    QCOMPARE(list.Count(), 0);
}

void TestListBox::assignSortsOnceWithOneReset()
{
    std::vector<QByteArray> names;
    for (int i = 0; i < 100000; ++i)
        names.push_back("IMG_" + QByteArray::number(i) + (i % 3 ? ".JPG" : ".jpg"));
    std::shuffle(names.begin(), names.end(), std::mt19937(7));
    SortedListBox list;
    QSignalSpy resets(list.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(list.model(), &QAbstractItemModel::rowsInserted);
    list.Assign(names);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(inserts.count(), 0);
    QCOMPARE(list.Count(), 100000);
    QVERIFY(isSorted(list));
    QCOMPARE(list.Item(0), QByteArray("IMG_0.jpg"));
    QCOMPARE(list.Item(99999), QByteArray("IMG_99999.jpg"));
    // A later single add goes to its sorted place.
    const int row = list.Add("IMG_50000a.jpg");
    QCOMPARE(list.Item(row - 1), QByteArray("IMG_50000.JPG"));
}

void TestListBox::itemIndexErrors_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("-1") << -1;
    QTest::newRow("count") << 2;
    QTest::newRow("far") << 1000;
}

void TestListBox::itemIndexErrors()
{
    QFETCH(int, index);
    SortedListBox list;
    list.Add("a");
    list.Add("b");
    try {
        list.Item(index);
        QFAIL("expected the list-index error");
    } catch (const PlatformError &error) {
        QCOMPARE(error.message(), QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    }
}

void TestListBox::selection()
{
    SortedListBox list;
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.Assign({"c", "a", "b", "d"});
    QCOMPARE(list.SelCount(), 0);
    list.SetSelected(3, true);
    list.SetSelected(1, true);
    QCOMPARE(list.SelCount(), 2);
    QVERIFY(list.Selected(1));
    QVERIFY(!list.Selected(2));
    list.SetSelected(1, false);
    QCOMPARE(list.SelCount(), 1);

    SortedListBox single;
    single.Assign({"x", "y"});
    QCOMPARE(single.ItemIndex(), -1);
    single.SetItemIndex(1);
    QCOMPARE(single.ItemIndex(), 1);
    single.SetItemIndex(-1);
    QCOMPARE(single.ItemIndex(), -1);
}

void TestListBox::exactSearch_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("exact") << QByteArray("Trip") << 1;
    QTest::newRow("case ignored") << QByteArray("TRIP") << 1;
    QTest::newRow("whole string only") << QByteArray("Tri") << -1;
    QTest::newRow("unicode case") << QByteArray("ÄPFEL") << 0;
    QTest::newRow("missing") << QByteArray("Zoo") << -1;
}

void TestListBox::exactSearch()
{
    QFETCH(QByteArray, name);
    QFETCH(int, index);
    SortedListBox list;
    list.Assign({"Trip", "Tripod", "äpfel"});
    QCOMPARE(list.IndexOfExact(name), index);
}

QTEST_MAIN(TestListBox)
#include "tst_listbox.moc"
