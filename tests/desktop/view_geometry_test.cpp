// The image view's arithmetic: what a paint draws where, the margins and the drag
// clamp. Expected rectangles are worked out by hand from the view's rules.
#include "desktop/view_geometry.h"

#include <QTest>

Q_DECLARE_METATYPE(ViewRect)
Q_DECLARE_METATYPE(ViewPoint)

namespace QTest {
template <> char* toString(const ViewRect& r) {
    return qstrdup(QByteArray::number(qlonglong(r.left)) + "," + QByteArray::number(r.top) + "," +
                   QByteArray::number(r.right) + "," + QByteArray::number(r.bottom));
}
template <> char* toString(const ViewPoint& p) {
    return qstrdup(QByteArray::number(qlonglong(p.x)) + "," + QByteArray::number(p.y));
}
} // namespace QTest

class TestViewGeometry : public QObject {
    Q_OBJECT
private slots:
    void planDraw_data();
    void planDraw();
    void marginsCoverEverythingButThePicture_data();
    void marginsCoverEverythingButThePicture();
    void dragClamps_data();
    void dragClamps();
};

void TestViewGeometry::planDraw_data() {
    QTest::addColumn<ViewPoint>("scroll");
    QTest::addColumn<ViewPoint>("client");
    QTest::addColumn<ViewPoint>("picture");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<ViewRect>("dst");
    QTest::addColumn<ViewRect>("src");
    QTest::newRow("larger picture, scrolled")
        << ViewPoint{100, 50} << ViewPoint{300, 200} << ViewPoint{1000, 800} << 1
        << ViewRect{0, 0, 300, 200} << ViewRect{100, 50, 400, 250};
    QTest::newRow("smaller picture centred")
        << ViewPoint{0, 0} << ViewPoint{300, 200} << ViewPoint{100, 50} << 1
        << ViewRect{100, 75, 200, 125} << ViewRect{0, 0, 100, 50};
    // V = (10,10,41,41) gives source 3..13; the cut pixels 3 and 13 are drawn whole: 9..42.
    QTest::newRow("3x, cut pixels drawn whole")
        << ViewPoint{10, 10} << ViewPoint{31, 31} << ViewPoint{100, 100} << 3
        << ViewRect{-1, -1, 32, 32} << ViewRect{3, 3, 14, 14};
    // 10 pixels at 3x fill 30 of 31: the edge cell must not reach a pixel beyond the picture.
    QTest::newRow("3x, nothing beyond the last pixel")
        << ViewPoint{0, 0} << ViewPoint{31, 31} << ViewPoint{10, 10} << 3 << ViewRect{0, 0, 30, 30}
        << ViewRect{0, 0, 10, 10};
    QTest::newRow("1/2, scrolled") << ViewPoint{5, 5} << ViewPoint{40, 20} << ViewPoint{101, 60}
                                   << 0 << ViewRect{0, 0, 40, 20} << ViewRect{10, 10, 90, 50};
    // 101 x 61 at 1/2 is 50 x 30, centred in 200 x 100 at (75, 35).
    QTest::newRow("1/2, odd picture whole and centred")
        << ViewPoint{0, 0} << ViewPoint{200, 100} << ViewPoint{101, 61} << 0
        << ViewRect{75, 35, 125, 65} << ViewRect{0, 0, 101, 61};
    QTest::newRow("1x1 at 1/32 draws nothing") << ViewPoint{0, 0} << ViewPoint{100, 80}
                                               << ViewPoint{1, 1} << -4 << ViewRect{} << ViewRect{};
}

void TestViewGeometry::planDraw() {
    QFETCH(ViewPoint, scroll);
    QFETCH(ViewPoint, client);
    QFETCH(ViewPoint, picture);
    QFETCH(int, zoom);
    QFETCH(ViewRect, dst);
    QFETCH(ViewRect, src);
    const DrawPlan plan = PlanDraw(scroll, client.x, client.y, picture.x, picture.y, zoom);
    QCOMPARE(plan.dst, dst);
    QCOMPARE(plan.src, src);
}

void TestViewGeometry::marginsCoverEverythingButThePicture_data() {
    QTest::addColumn<ViewPoint>("client");
    QTest::addColumn<ViewPoint>("total");
    QTest::addColumn<QList<ViewRect>>("margins");
    QTest::newRow("smaller both ways")
        << ViewPoint{300, 200} << ViewPoint{100, 50}
        << QList<ViewRect>{
               {0, 0, 100, 200}, {200, 0, 300, 200}, {100, 0, 200, 75}, {100, 125, 200, 200}};
    QTest::newRow("wider than the window, shorter")
        << ViewPoint{300, 200} << ViewPoint{500, 50}
        << QList<ViewRect>{{0, 0, 300, 75}, {0, 125, 300, 200}};
    QTest::newRow("odd leftover goes right")
        << ViewPoint{301, 100} << ViewPoint{100, 100}
        << QList<ViewRect>{{0, 0, 100, 100}, {200, 0, 301, 100}};
    QTest::newRow("larger: no margin")
        << ViewPoint{300, 200} << ViewPoint{400, 300} << QList<ViewRect>{};
    QTest::newRow("empty picture: all margin") << ViewPoint{100, 80} << ViewPoint{0, 0}
                                               << QList<ViewRect>{{0, 0, 50, 80}, {50, 0, 100, 80}};
}

void TestViewGeometry::marginsCoverEverythingButThePicture() {
    QFETCH(ViewPoint, client);
    QFETCH(ViewPoint, total);
    QFETCH(QList<ViewRect>, margins);
    const std::vector<ViewRect> got = MarginRects(client.x, client.y, total.x, total.y);
    QCOMPARE(QList<ViewRect>(got.begin(), got.end()), margins);
}

void TestViewGeometry::dragClamps_data() {
    QTest::addColumn<ViewPoint>("last");
    QTest::addColumn<ViewPoint>("scroll");
    QTest::addColumn<ViewPoint>("mouse");
    QTest::addColumn<ViewPoint>("total");
    QTest::addColumn<ViewPoint>("expected");
    const ViewPoint big{1000, 800}; // in a 300 x 200 client: range 0..700, 0..600
    QTest::newRow("picture follows the mouse") << ViewPoint{100, 100} << ViewPoint{50, 50}
                                               << ViewPoint{80, 90} << big << ViewPoint{70, 60};
    QTest::newRow("stops where the picture still fills the window")
        << ViewPoint{0, 0} << ViewPoint{650, 550} << ViewPoint{-200, -200} << big
        << ViewPoint{700, 600};
    QTest::newRow("stops at the top left")
        << ViewPoint{0, 0} << ViewPoint{10, 10} << ViewPoint{100, 100} << big << ViewPoint{0, 0};
    QTest::newRow("picture that fits does not move")
        << ViewPoint{10, 10} << ViewPoint{0, 0} << ViewPoint{-50, -50} << ViewPoint{100, 50}
        << ViewPoint{0, 0};
}

void TestViewGeometry::dragClamps() {
    QFETCH(ViewPoint, last);
    QFETCH(ViewPoint, scroll);
    QFETCH(ViewPoint, mouse);
    QFETCH(ViewPoint, total);
    QFETCH(ViewPoint, expected);
    QCOMPARE(DragScrollPosition(last, scroll, mouse, total.x, total.y, 300, 200), expected);
}

int RunViewGeometryTests(int argc, char** argv) {
    TestViewGeometry t;
    return QTest::qExec(&t, argc, argv);
}

#include "view_geometry_test.moc"
