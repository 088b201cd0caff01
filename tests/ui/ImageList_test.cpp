#include "ui/ImageList.h"

#include <QImage>
#include <QPixmap>
#include <QtTest>

#include <vector>

using namespace kestrom;

namespace {

QImage Picture(int index, int size) {
    return ImageList1(index).pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Number of pixels of the area that are not fully transparent.
int OpaqueIn(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) ++n;
    return n;
}

} // namespace

class ImageListTest : public QObject {
    Q_OBJECT
  private slots:
    // Every picture exists and draws something at toolbar size and when
    // enlarged; a missing resource or a missing SVG engine gives empty pixmaps.
    void everyPictureDraws() {
        for (int i = 0; i < ImageList1Count; ++i) {
            const QIcon icon = ImageList1(i);
            QVERIFY2(!icon.isNull(), qPrintable(QString("icon %1").arg(i)));
            for (const int size : {16, 64}) {
                const QImage image = Picture(i, size);
                QCOMPARE(image.size(), QSize(size, size));
                const int opaque = OpaqueIn(image, image.rect());
                // A readable picture covers a fair part of its square, and
                // none fills it entirely.
                QVERIFY2(opaque > size * size / 5,
                         qPrintable(QString("icon %1 at %2 px: %3").arg(i).arg(size).arg(opaque)));
                QVERIFY2(opaque < size * size,
                         qPrintable(QString("icon %1 at %2 px is a full square").arg(i).arg(size)));
            }
        }
    }

    void picturesDiffer() {
        std::vector<QImage> images;
        for (int i = 0; i < ImageList1Count; ++i)
            images.push_back(Picture(i, 16));
        for (int i = 0; i < ImageList1Count; ++i)
            for (int j = i + 1; j < ImageList1Count; ++j)
                QVERIFY2(images[static_cast<std::size_t>(i)] != images[static_cast<std::size_t>(j)],
                         qPrintable(QString("icons %1 and %2 are the same").arg(i).arg(j)));
    }

    // The four arrows of the column chooser point the way of their index: the
    // broad head lies on that side, the narrow shaft on the other.
    void arrowsPointTheirWay() {
        const QRect left(2, 2, 4, 12), right(10, 2, 4, 12);
        const QRect top(2, 2, 12, 4), bottom(2, 10, 12, 4);
        const QImage toLeft = Picture(2, 16), up = Picture(3, 16), down = Picture(4, 16),
                     toRight = Picture(5, 16);
        QVERIFY(OpaqueIn(toLeft, left) > OpaqueIn(toLeft, right));
        QVERIFY(OpaqueIn(toRight, right) > OpaqueIn(toRight, left));
        QVERIFY(OpaqueIn(up, top) > OpaqueIn(up, bottom));
        QVERIFY(OpaqueIn(down, bottom) > OpaqueIn(down, top));
    }

    void outOfRangeGivesEmptyIcon() {
        for (const int index : {-1, ImageList1Count, ImageList1Count + 1, 1000, -1000}) {
            QVERIFY2(ImageList1(index).isNull(), qPrintable(QString("index %1").arg(index)));
            QVERIFY(ImageList1(index).pixmap(16, 16).isNull());
        }
    }
};

QTEST_MAIN(ImageListTest)
#include "ImageList_test.moc"
