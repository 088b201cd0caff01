// The command "Печать" as the user reaches it in the main window: the header
// lines of the last load, the preview window and its pages, what the pages
// hold of the grid (filtered rows, a marked block, whole columns), printing
// and "Сохранить в PDF".

#include "tests/ui/CallsDir.h"
#include "tests/ui/Child.h"
#include "ui/MainWindow.h"
#include "ui/PrintCommand.h"
#include "ui/PrintPreview.h"
#include "ui/ResultGrid.h"

#include "base/Cp1251.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

#include <fstream>
#include <memory>

using namespace kestrom;

namespace {

using test::CallsDir;
using test::Child;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// The output of a poppler tool, empty when it is not installed.
QString Poppler(const QString& tool, const QStringList& args) {
    if (QStandardPaths::findExecutable(tool).isEmpty()) return {};
    QProcess p;
    p.start(tool, args);
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

/// pdfinfo's page size of A4 landscape.
QRegularExpression Landscape() {
    return QRegularExpression("Page size:\\s+(841\\.89|842) x 595(\\.2\\d*)? pts");
}

struct Window {
    std::unique_ptr<TSearchForm> form;
    QStringList told;

    explicit Window(const CallsDir& dir) {
        form = std::make_unique<TSearchForm>(dir.path);
        form->showMessage = [this](const QString& m) { told << m; };
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    ResultGrid* grid() { return Child<ResultGrid>(form.get(), "DBGridEh1"); }
    void open() { Child<QPushButton>(form.get(), "ButtonGroup3")->click(); }
    void print() { Child<QPushButton>(form.get(), "ButtonGroup2")->click(); }
    PrintPreview* preview() { return form->Print().Preview(); }
    const PrintSnapshot& printed() { return preview()->Pages()->Snapshot(); }
    void press(const char* action) { Child<QAction>(preview(), action)->trigger(); }
    int column(const char* name) { return grid()->Model().ColumnIndex(U(name)); }
    int shownColumn(int visual) { return grid()->horizontalHeader()->logicalIndex(visual); }
};

/// The logical columns a snapshot prints, left to right.
std::vector<int> Columns(const PrintSnapshot& s) {
    std::vector<int> columns;
    for (const auto& c : s.columns)
        columns.push_back(c.logicalIndex);
    return columns;
}

bool HasInk(const QImage& image) {
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (qGray(image.pixel(x, y)) < 128) return true;
    return false;
}

} // namespace

class PrintCommandTest : public QObject {
    Q_OBJECT
  private slots:
    void nothingIsShownWithoutAResult() {
        CallsDir dir;
        Window w(dir);
        w.form->Session().SetPrintHeaders("A", "B");
        w.print();
        QVERIFY(w.preview() == nullptr);
        // The header and the paper are set all the same.
        QCOMPARE(w.form->Print().HeaderLines(), (QStringList{"A", "B"}));
        QCOMPARE(w.form->Print().Layout().orientation(), QPageLayout::Landscape);
        QCOMPARE(w.told, QStringList{});
    }

    void thePreviewStepsThroughItsPages() {
        CallsDir dir;
        Window w(dir);
        w.open();
        w.print();
        PrintPreview* preview = w.preview();
        QVERIFY(preview != nullptr);
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->windowTitle(), U("Предварительный просмотр"));
        // 18 columns of 64 pixels are wider than the paper: a second band.
        const int pages = preview->Pages()->PageCount();
        QVERIFY(pages >= 2);
        auto* text = Child<QLabel>(preview, "PageText");
        QCOMPARE(text->text(), U("Страница 1 из %1").arg(pages));
        const QImage first = preview->PageImage();
        QVERIFY(HasInk(first));

        w.press("NextPage");
        QCOMPARE(text->text(), U("Страница 2 из %1").arg(pages));
        QVERIFY(preview->PageImage() != first);
        w.press("LastPage");
        w.press("NextPage"); // stays on the last
        QCOMPARE(text->text(), U("Страница %1 из %1").arg(pages));
        w.press("PriorPage");
        QCOMPARE(preview->CurrentPage(), pages - 2);
        w.press("FirstPage");
        w.press("PriorPage"); // stays on the first
        QCOMPARE(text->text(), U("Страница 1 из %1").arg(pages));
        QCOMPARE(preview->PageImage(), first);

        // Zooming paints the same page larger or smaller.
        const int width = preview->PageImage().width();
        w.press("ZoomIn");
        QVERIFY(preview->PageImage().width() > width);
        w.press("ZoomOut");
        w.press("ZoomOut");
        QVERIFY(preview->PageImage().width() < width);
        w.press("FitWidth");
        QVERIFY(preview->PageImage().width() > preview->PageImage().height());
        w.press("FitPage");
        QCOMPARE(preview->PageImage().width(), width);
    }

    void theHeaderLinesComeFromTheLastLoad() {
        CallsDir dir;
        {
            // Right after installation: no lines.
            Window w(dir);
            w.open();
            w.print();
            QCOMPARE(w.printed().headerLines, QStringList{});
            w.form->Session().SetPrintHeaders("Выборка данных начиная с 01.10.2006.", "");
            w.print();
            QCOMPARE(w.printed().headerLines,
                     QStringList{U("Выборка данных начиная с 01.10.2006.")});
            w.form->Session().SetPrintHeaders("", "Фильтры:  Номер_А:равно 100.");
            w.print();
            QCOMPARE(w.printed().headerLines, QStringList{U("Фильтры:  Номер_А:равно 100.")});
        }
        // The lines kept in addpar.ini come back at the next start.
        std::ofstream(dir.path + "addpar.ini", std::ios::binary)
            << "[state]\r\n"
            << Utf8ToCp1251("PrintStr=Выборка данных начиная с 01.10.2006 по 03.10.2006.") << "\r\n"
            << Utf8ToCp1251("PrintStr1=Фильтры:  Номер_А:равно 100.") << "\r\n";
        Window w(dir);
        w.open();
        w.print();
        QCOMPARE(w.printed().headerLines,
                 (QStringList{U("Выборка данных начиная с 01.10.2006 по 03.10.2006."),
                              U("Фильтры:  Номер_А:равно 100.")}));
    }

    void theFilteredRowsInTheGridsOrder() {
        CallsDir dir;
        Window w(dir);
        w.open();
        ResultGrid* grid = w.grid();
        const int number = w.column("Номер_А");
        grid->SetFilterCondition(number, "<>3962002");
        QCOMPARE(grid->Model().rowCount(), 3);
        grid->setCurrentIndex(grid->model()->index(1, number));

        w.print();
        const PrintSnapshot& s = w.printed();
        QCOMPARE(s.rows, (std::vector<int>{0, 1, 2}));
        QCOMPARE(s.columns.size(), static_cast<std::size_t>(grid->DisplayedColumns().size()));
        QCOMPARE(s.columns.front().caption, grid->DisplayedColumns().front());
        // By start: 7, 9 and 10 October; the busy call is filtered out.
        QCOMPARE(s.text(0, number), QString("3962003"));
        QCOMPARE(s.text(1, number), QString("3962001"));
        QCOMPARE(s.text(2, number), QString("3962001"));
        QCOMPARE(s.rowHeightPx, grid->RowHeight());
        QVERIFY(s.verticalTitles);
        QCOMPARE(s.gridFont, grid->font());
        // Every row is on some page.
        int rows = 0;
        for (int p = 0; p < w.preview()->Pages()->PageCount(); ++p) {
            const auto c = w.preview()->Pages()->Content(p);
            if (c.firstColumn == 0) rows += c.rowCount;
        }
        QCOMPARE(rows, 3);
        // The grid as it was.
        QCOMPARE(grid->currentIndex().row(), 1);
        QCOMPARE(grid->currentIndex().column(), number);
        QVERIFY(grid->updatesEnabled());
    }

    void aMarkedBlockOrMarkedWholeColumns() {
        CallsDir dir;
        Window w(dir);
        w.open();
        ResultGrid* grid = w.grid();
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(1, w.shownColumn(2)));
        // Shift with the arrows marks a block: rows 1-2, columns 2-4 shown.
        QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
        w.print();
        const std::vector<int> block = {w.shownColumn(2), w.shownColumn(3), w.shownColumn(4)};
        QCOMPARE(Columns(w.printed()), block);
        QCOMPARE(w.printed().rows, (std::vector<int>{1, 2}));
        QCOMPARE(grid->currentIndex().row(), 2);
        w.preview()->close();

        // Ctrl+Space: those columns over every row.
        QTest::keyClick(grid, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(grid->Marked() && grid->Marked()->wholeColumns);
        w.print();
        QCOMPARE(Columns(w.printed()), block);
        QCOMPARE(w.printed().rows, (std::vector<int>{0, 1, 2, 3}));
        w.preview()->close();

        // A plain move marks nothing: every shown column is printed again.
        QTest::keyClick(grid, Qt::Key_Up);
        QVERIFY(!grid->Marked());
        w.print();
        QCOMPARE(w.printed().columns.size(),
                 static_cast<std::size_t>(grid->DisplayedColumns().size()));
        QCOMPARE(w.printed().rows.size(), std::size_t{4});
        w.preview()->close();

        // A block set from the columns' logical indexes, moved on the screen.
        grid->horizontalHeader()->moveSection(0, 5);
        grid->MarkBlock(0, w.shownColumn(4), 3, w.shownColumn(6));
        w.print();
        QCOMPARE(Columns(w.printed()),
                 (std::vector<int>{w.shownColumn(4), w.shownColumn(5), w.shownColumn(6)}));
    }

    void theCurrentRowStaysHighlighted() {
        CallsDir dir;
        Window w(dir);
        w.open();
        ResultGrid* grid = w.grid();
        grid->setFocus();
        const int first = w.shownColumn(0);
        const int last = w.shownColumn(5);
        grid->setCurrentIndex(grid->model()->index(2, first));
        const auto colourAt = [&](int row, int column) {
            const QImage shot = grid->viewport()->grab().toImage();
            const QRect cell = grid->visualRect(grid->model()->index(row, column));
            return QColor(shot.pixel(cell.center() + QPoint(cell.width() / 2 - 3, 0)));
        };
        const QColor highlight = grid->palette().color(QPalette::Active, QPalette::Highlight);
        // The whole current row, far from the current cell too, and no other row.
        QCOMPARE(colourAt(2, last), highlight);
        QVERIFY(colourAt(1, last) != highlight);
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(colourAt(1, last), highlight);
        QVERIFY(colourAt(2, last) != highlight);
        QVERIFY(!grid->Marked());
        // The mouse: a click moves, a click with Shift marks up to there.
        const auto at = [&](int row, int column) {
            return grid->visualRect(grid->model()->index(row, column)).center();
        };
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          at(0, w.shownColumn(1)));
        QVERIFY(!grid->Marked());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          at(1, w.shownColumn(2)));
        QVERIFY(grid->Marked().has_value());
        QCOMPARE(grid->Marked()->columns, (std::vector<int>{w.shownColumn(1), w.shownColumn(2)}));
        QCOMPARE(grid->Marked()->lastRow, 1);
        QCOMPARE(colourAt(1, last), highlight);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at(3, first));
        QVERIFY(!grid->Marked());
        // A click on a title still sorts and marks no column.
        QSignalSpy sort(grid, &ResultGrid::sortRequested);
        QHeaderView* titles = grid->horizontalHeader();
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier,
                          {titles->sectionViewportPosition(last) + 4, 6});
        QCOMPARE(sort.count(), 1);
        QVERIFY(!grid->Marked());
        QVERIFY(grid->selectionModel()->selection().isEmpty());
    }

    void thePreviewIsReused() {
        CallsDir dir;
        Window w(dir);
        w.open();
        w.print();
        PrintPreview* preview = w.preview();
        w.press("NextPage");
        preview->close();
        w.grid()->SetFilterCondition(w.column("Номер_А"), "=3962001");
        w.print();
        QCOMPARE(w.preview(), preview);
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->CurrentPage(), 0);
        QCOMPARE(w.printed().rows.size(), std::size_t{2});
        QCOMPARE(w.form->findChildren<PrintPreview*>().size(), 1);
    }

    void savesAndPrintsToPdf() {
        CallsDir dir;
        QTemporaryDir out;
        Window w(dir);
        w.form->Session().SetPrintHeaders("Выборка данных начиная с 01.10.2006.", "");
        w.open();
        w.print();
        PrintPreview* preview = w.preview();
        QStringList messages;
        QString answer;
        QString proposed;
        preview->inform = [&](const QString& m) { messages << m; };
        preview->choosePdfFile = [&](const QString& p) -> std::optional<QString> {
            proposed = p;
            return answer;
        };
        const int pages = preview->Pages()->PageCount();

        answer = out.filePath("calls.pdf");
        w.press("SavePdf");
        QCOMPARE(messages, QStringList{});
        QCOMPARE(proposed, U("Табличная информация.pdf"));
        QVERIFY(Read(answer).startsWith("%PDF"));
        const QString info = Poppler("pdfinfo", {answer});
        if (!info.isEmpty()) {
            QVERIFY2(info.contains(QRegularExpression(QString("Pages:\\s+%1\\n").arg(pages))),
                     qPrintable(info));
            QVERIFY2(info.contains(Landscape()), qPrintable(info));
        }
        const QString text = Poppler("pdftotext", {answer, "-"});
        if (!text.isEmpty()) QVERIFY(text.contains(U("Выборка данных начиная с 01.10.2006.")));

        // A missing folder: the reason, and no file.
        answer = out.filePath("missing/calls.pdf");
        w.press("SavePdf");
        QCOMPARE(messages.size(), 1);
        QVERIFY(!messages[0].isEmpty());
        QVERIFY(!QFile::exists(answer));

        // Printing: the job's name, the paper, every page.
        const QString printed = out.filePath("printed.pdf");
        QString job;
        preview->choosePrinter = [&](QPrinter& printer) {
            job = printer.docName();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            return true;
        };
        w.press("PrintPages");
        QCOMPARE(job, U("Табличная информация"));
        QVERIFY(Read(printed).startsWith("%PDF"));
        const QString printedInfo = Poppler("pdfinfo", {printed});
        if (!printedInfo.isEmpty()) {
            QVERIFY2(
                printedInfo.contains(QRegularExpression(QString("Pages:\\s+%1\\n").arg(pages))),
                qPrintable(printedInfo));
            QVERIFY2(printedInfo.contains(Landscape()), qPrintable(printedInfo));
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files),
                 (QStringList{"calls.pdf", "printed.pdf"}));
    }
};

QTEST_MAIN(PrintCommandTest)
#include "PrintCommand_test.moc"
