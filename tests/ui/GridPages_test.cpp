// The printed pages of a grid written to PDF files and read back with
// poppler-utils: the header lines, the page count and size, the margins,
// the rows and columns a page holds, the colours, wide grids and the page
// fields.

#include "ui/GridPages.h"
#include "ui/PdfPages.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <optional>

using namespace kestrom;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

/// The standard output of a poppler tool, or nothing when it failed.
std::optional<QString> Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QFont Tahoma() {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

/// A grid of rows × columns whose cells read "R<row>C<column>".
PrintSnapshot Grid(int rows, int columns, int widthPx = 64) {
    PrintSnapshot s;
    for (int c = 0; c < columns; ++c) {
        PrintSnapshot::Column column;
        column.logicalIndex = c;
        column.caption = QStringLiteral("T%1").arg(c);
        column.widthPx = widthPx;
        s.columns.push_back(column);
    }
    for (int r = 0; r < rows; ++r)
        s.rows.push_back(r);
    s.text = [](int row, int column) { return QStringLiteral("R%1C%2").arg(row).arg(column); };
    s.headerFont = Tahoma();
    s.gridFont = Tahoma();
    return s;
}

struct Word {
    QString text;
    double xMin = 0;
    double yMin = 0;
    double xMax = 0;
    double yMax = 0;
};

} // namespace

class GridPagesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Pdf(const GridPages& pages, const QString& name = QStringLiteral("out.pdf")) {
        const QString path = dir_.filePath(name);
        const QString failure = WritePdfPages(pages, path);
        if (!failure.isEmpty()) qWarning() << failure;
        return failure.isEmpty() ? path : QString();
    }

    static QString Info(const QString& pdf, const QString& key) {
        const QString info = Run(QStringLiteral("pdfinfo"), {pdf}).value_or(QString());
        const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(key),
                                      QRegularExpression::MultilineOption);
        return line.match(info).captured(1).trimmed();
    }

    /// The text of one page (1-based), laid out as on paper.
    static QString PageText(const QString& pdf, int page) {
        const QString n = QString::number(page);
        return Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"), n,
                                                 QStringLiteral("-l"), n, pdf, QStringLiteral("-")})
            .value_or(QString());
    }

    /// The words of the first page with their positions in points.
    static std::vector<Word> Words(const QString& pdf) {
        const QString html =
            Run(QStringLiteral("pdftotext"),
                {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                 QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")})
                .value_or(QString());
        static const QRegularExpression word(
            QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                           "yMax=\"([0-9.]+)\">([^<]*)</word>"));
        std::vector<Word> words;
        for (auto it = word.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            words.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                             m.captured(3).toDouble(), m.captured(4).toDouble()});
        }
        return words;
    }

    static int Count(const QString& text, const QString& pattern) {
        return static_cast<int>(text.count(QRegularExpression(pattern)));
    }

  private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("SKIP: poppler-utils (pdfinfo, pdftotext, pdftoppm) not installed");
        QVERIFY(dir_.isValid());
    }

    // Five rows under two header lines: one landscape A4 page, the header at
    // the top left corner inside the 2 cm margins, then the titles and
    // exactly the five rows.
    void headerLinesMarginsAndFiveRows() {
        PrintSnapshot s = Grid(5, 3);
        s.headerLines = {U("Выборка данных начиная с 08.10.2006 по 09.10.2006."),
                         U("Фильтры: Номер А = 3962")};
        const QString pdf = Pdf(GridPages(s, PrintPageLayout(), PdfResolution));
        QVERIFY(!pdf.isEmpty());
        QCOMPARE(Info(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
        QVERIFY2(
            Info(pdf, QStringLiteral("Page size")).startsWith(QStringLiteral("841.89 x 595.276")) ||
                Info(pdf, QStringLiteral("Page size")).startsWith(QStringLiteral("842 x 595")),
            qPrintable(Info(pdf, QStringLiteral("Page size"))));
        QCOMPARE(Info(pdf, QStringLiteral("Title")), U("Табличная информация"));

        const QString text = PageText(pdf, 1);
        QVERIFY2(text.contains(s.headerLines[0]), qPrintable(text));
        QVERIFY2(text.contains(s.headerLines[1]), qPrintable(text));
        QVERIFY(text.indexOf(s.headerLines[1]) < text.indexOf(QStringLiteral("T0")));
        QCOMPARE(Count(text, QStringLiteral("R\\d+C0")), 5);
        QVERIFY(!text.contains(QStringLiteral("R5C")));

        const std::vector<Word> words = Words(pdf);
        QVERIFY(!words.empty());
        QCOMPARE(words.front().text, U("Выборка"));
        QVERIFY2(qAbs(words.front().xMin - 56.7) < 2.0,
                 qPrintable(QString::number(words.front().xMin)));
        QVERIFY2(qAbs(words.front().yMin - 56.7) < 2.0,
                 qPrintable(QString::number(words.front().yMin)));
    }

    // Right after installation both lines are empty: no header, the titles
    // begin at the top margin.
    void noHeaderBeforeAnyLoad() {
        const QString pdf = Pdf(GridPages(Grid(3, 2), PrintPageLayout(), PdfResolution));
        QVERIFY(!pdf.isEmpty());
        const std::vector<Word> words = Words(pdf);
        QVERIFY(!words.empty());
        QCOMPARE(words.front().text, QStringLiteral("T0"));
        QVERIFY2(words.front().yMin < 56.7 + 8.0, qPrintable(QString::number(words.front().yMin)));
        QVERIFY(words.front().yMin > 56.7 - 1.0);
    }

    // Half-inch rows and titles on 6.69 inches of paper between the margins
    // give 12 rows a page: 100 rows make 9 pages, each with the title row,
    // the rows following on from page to page.
    void pageCountAndTitlesOnEveryPage() {
        PrintSnapshot s = Grid(100, 2);
        s.rowHeightPx = 48;
        s.titleHeightPx = 48;
        const GridPages pages(s, PrintPageLayout(), PdfResolution);
        QCOMPARE(pages.PageCount(), 9);
        const QString pdf = Pdf(pages);
        QCOMPARE(Info(pdf, QStringLiteral("Pages")), QStringLiteral("9"));
        int rows = 0;
        for (int page = 1; page <= 9; ++page) {
            const QString text = PageText(pdf, page);
            QVERIFY2(text.contains(QStringLiteral("T0")) && text.contains(QStringLiteral("T1")),
                     qPrintable(QStringLiteral("page %1: %2").arg(page).arg(text)));
            QVERIFY(text.contains(QStringLiteral("R%1C0").arg((page - 1) * 12)));
            rows += Count(text, QStringLiteral("R\\d+C1"));
        }
        QCOMPARE(rows, 100);
        QVERIFY(PageText(pdf, 9).contains(QStringLiteral("R99C1")));
    }

    // An empty result still gives one page with the header and the titles.
    void emptyResultGivesOnePage() {
        PrintSnapshot s = Grid(0, 2);
        s.headerLines = {QStringLiteral("Header")};
        const QString pdf = Pdf(GridPages(s, PrintPageLayout(), PdfResolution));
        QCOMPARE(Info(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
        const QString text = PageText(pdf, 1);
        QVERIFY(text.contains(QStringLiteral("Header")) && text.contains(QStringLiteral("T1")));
    }

    // A marked block: only its columns, in their order, and its rows.
    void blockPrintsOnlyItsCells() {
        PrintSnapshot s = Grid(10, 6);
        s.columns = {s.columns[4], s.columns[2]};
        s.rows = {3, 5, 7};
        const QString pdf = Pdf(GridPages(s, PrintPageLayout(), PdfResolution));
        const QString text = PageText(pdf, 1);
        QCOMPARE(Count(text, QStringLiteral("R\\d+C\\d")), 6);
        for (const int row : {3, 5, 7})
            QVERIFY(text.contains(QStringLiteral("R%1C4").arg(row)) &&
                    text.contains(QStringLiteral("R%1C2").arg(row)));
        QVERIFY(text.indexOf(QStringLiteral("R3C4")) < text.indexOf(QStringLiteral("R3C2")));
        QVERIFY(!text.contains(QStringLiteral("T0")) && !text.contains(QStringLiteral("T3")));
    }

    // The paper carries black text and lines on white only: no yellow, no
    // colour at all.
    void noColourOnPaper() {
        const QString pdf = Pdf(GridPages(Grid(30, 12), PrintPageLayout(), PdfResolution));
        const QString prefix = dir_.filePath(QStringLiteral("pixels"));
        QVERIFY(Run(QStringLiteral("pdftoppm"),
                    {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"),
                     QStringLiteral("-singlefile"), pdf, prefix}));
        const QImage image(prefix + QStringLiteral(".png"));
        QVERIFY(!image.isNull());
        int dark = 0;
        int coloured = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.value() < 128) ++dark;
                if (qAbs(c.red() - c.blue()) > 24 || qAbs(c.green() - c.blue()) > 24) ++coloured;
            }
        QVERIFY2(dark > 500, qPrintable(QString::number(dark)));
        QCOMPARE(coloured, 0);
    }

    // 30 columns of about an inch on 10.1 inches between the margins: bands
    // of 9, 9, 9 and 3 columns, all rows of one band before the next.
    void wideGridContinuesOnFurtherBands() {
        const GridPages pages(Grid(60, 30, 100), PrintPageLayout(), PdfResolution);
        const int rowPages = pages.Content(0).rowCount < 60 ? 2 : 1;
        QCOMPARE(pages.PageCount(), 4 * rowPages);
        QCOMPARE(pages.Content(0).columnCount, 9);
        QCOMPARE(pages.Content(rowPages).firstColumn, 9);
        QCOMPARE(pages.Content(rowPages).firstRow, 0);
        QCOMPARE(pages.Content(3 * rowPages).columnCount, 3);

        const QString pdf = Pdf(pages);
        const QString first = PageText(pdf, 1);
        const QString second = PageText(pdf, rowPages + 1);
        QVERIFY(first.contains(QStringLiteral("R0C8")) && !first.contains(QStringLiteral("R0C9")));
        QVERIFY(second.contains(QStringLiteral("T9")) && second.contains(QStringLiteral("R0C9")));
        QVERIFY(!second.contains(QStringLiteral("R0C8")));

        // A column wider than the paper has a band of its own.
        PrintSnapshot s = Grid(3, 3, 200);
        s.columns[1].widthPx = 1500;
        const GridPages wide(s, PrintPageLayout(), PdfResolution);
        QCOMPARE(wide.PageCount(), 3);
        QCOMPARE(wide.Content(1).firstColumn, 1);
        QCOMPARE(wide.Content(1).columnCount, 1);
        QVERIFY(
            PageText(Pdf(wide, QStringLiteral("wide.pdf")), 2).contains(QStringLiteral("R2C1")));
    }

    void pageFieldsAreReplaced() {
        const QLocale ru(QLocale::Russian, QLocale::Russia);
        const QDateTime now(QDate(2006, 10, 9), QTime(14, 5, 30));
        const QString text = ReplacePageFields(
            QStringLiteral("&[Page]/&[Pages] &[Date] &[ShortDate] &[Time]"), 2, 7, now, ru);
        QCOMPARE(text, QStringLiteral("2/7 09.10.2006 09.10.2006 14:05:30"));
        QVERIFY(ReplacePageFields(QStringLiteral("&[LongDate]"), 1, 1, now, ru)
                    .contains(U("октября 2006")));
        QCOMPARE(ReplacePageFields(U("Фильтры: Номер"), 1, 1, now, ru), U("Фильтры: Номер"));

        // On paper: each page's own number.
        PrintSnapshot s = Grid(100, 1);
        s.rowHeightPx = 48;
        s.headerLines = {QStringLiteral("Page &[Page] of &[Pages]")};
        GridPages pages(s, PrintPageLayout(), PdfResolution);
        pages.SetPrintMoment(now, ru);
        const QString pdf = Pdf(pages);
        const QString n = QString::number(pages.PageCount());
        QVERIFY(PageText(pdf, 1).contains(QStringLiteral("Page 1 of ") + n));
        QVERIFY(PageText(pdf, 2).contains(QStringLiteral("Page 2 of ") + n));
    }

    // Vertical titles are turned as on the screen: each runs up its column.
    void verticalTitlesAreTurned() {
        PrintSnapshot s = Grid(2, 2);
        s.columns[0].caption = QStringLiteral("Vertical");
        s.verticalTitles = true;
        s.titleHeightPx = 80;
        const std::vector<Word> words =
            Words(Pdf(GridPages(s, PrintPageLayout(), PdfResolution), QStringLiteral("v.pdf")));
        const auto title = std::find_if(words.begin(), words.end(), [](const Word& w) {
            return w.text == QStringLiteral("Vertical");
        });
        QVERIFY(title != words.end());
        QVERIFY2(title->yMax - title->yMin > 2 * (title->xMax - title->xMin),
                 qPrintable(QStringLiteral("%1 x %2")
                                .arg(title->xMax - title->xMin)
                                .arg(title->yMax - title->yMin)));
    }

    // A million rows: any page, the last one too, asks only for its own cells.
    void pagesOfAMillionRowsPaintOnTheirOwn() {
        PrintSnapshot s = Grid(1000000, 3);
        int asked = 0;
        s.text = [&asked](int row, int column) {
            ++asked;
            return QStringLiteral("R%1C%2").arg(row).arg(column);
        };
        const GridPages pages(s, PrintPageLayout(), 96);
        const GridPages::PageContent last = pages.Content(pages.PageCount() - 1);
        QCOMPARE(last.firstRow + last.rowCount, 1000000);
        QCOMPARE(asked, 0);
        QImage image(pages.Layout().fullRectPixels(96).size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        pages.PaintPage(painter, pages.PageCount() - 1);
        QCOMPARE(asked, last.rowCount * 3);
    }

    // A file that cannot be written gives the reason and leaves no file; a
    // good write replaces an existing file whole.
    void failedWriteLeavesNothing() {
        const GridPages pages(Grid(2, 2), PrintPageLayout(), PdfResolution);
        const QString missing = dir_.filePath(QStringLiteral("no/such/dir/out.pdf"));
        const QString failure = WritePdfPages(pages, missing);
        QVERIFY(failure.startsWith(U("Не удалось сохранить файл")));
        QVERIFY(!QFile::exists(missing));

        const QString kept = dir_.filePath(QStringLiteral("kept.pdf"));
        {
            QFile f(kept);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("kept");
        }
        QVERIFY(WritePdfPages(pages, kept).isEmpty());
        QFile written(kept);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith("%PDF"));
        QVERIFY(!WritePdfPages(pages, dir_.path()).isEmpty());
        QVERIFY(QFileInfo(dir_.path()).isDir());
    }
};

QTEST_MAIN(GridPagesTest)
#include "GridPages_test.moc"
