#include "ui/FilterRow.h"
#include "ui/ResultGrid.h"
#include "ui/ResultModel.h"

#include "db/Database.h"
#include "db/Query.h"
#include "load/CallTable.h"
#include "results/ResultQuery.h"
#include "tests/db/ScratchDir.h"

#include <QFontMetrics>
#include <QImage>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace kestrom;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::vector<std::string> MasterList() {
    std::vector<std::string> names;
    for (std::string_view name : ResultColumnNames())
        names.emplace_back(name);
    return names;
}

// Three whole calls in a call table beside the lookup tables; opened in the
// order of their start, they come as: the failed call of 9 October 08:00
// (900 ms), the successful one of 9 October 13:05 (2.5 minutes), and the
// successful one of 10 October without a duration.
class CallResult {
  public:
    CallResult() {
        for (const char* lookup : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
            dir_.CopyFromProgramDir(lookup);
        db_ = std::make_unique<Database>(dir_.Path());
        EmptyCallTable(*db_);
        db_->Execute(
            "INSERT INTO AMG (ID, Owner_N, Partner_N, Sequence, F10, Failure, In_Tr_Gr_ID,"
            " \"106_Suppl_Serv\", \"107_Suppl_Serv\", Call_Durat, Start_D, Start_T, End_D, End_T)"
            " VALUES"
            " (1, '3962001', '3962100', 1, 1, 16, 12, 0, 0, 150000, '2006-10-09',"
            "  '13:05:07.250', '2006-10-09', '13:07:37.250'),"
            " (2, '3962002', '8123', 1, 1, 3, NULL, 0, 0, 900, '2006-10-09', '08:00:00.000',"
            "  NULL, NULL),"
            " (3, '3962003', '5550000', 1, 1, 16, NULL, 0, 0, NULL, '2006-10-10',"
            "  '23:59:59.999', NULL, NULL)",
            "test rows");
        query_ = std::make_unique<Query>(*db_);
    }

    // Opens the result as the command "Открыть таблицу" does.
    Query& Open() {
        const std::vector<std::string> sort = {"Дата_иниц[Up]", "Время_иниц[Up]"};
        opened_ = OpenResultQuery(*query_, sort);
        return *query_;
    }
    const ResultOutcome& Opened() const { return opened_; }

  private:
    test::ScratchDir dir_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Query> query_;
    ResultOutcome opened_;
};

// A database of no tables for queries that make their own rows.
class Numbers {
  public:
    Numbers() : db_(dir_.Path()) {}

    // Rows 1..count with the columns "k" (the number) and "t" (prefix + k).
    std::unique_ptr<Query> Open(int count, const char* prefix = "r") {
        auto query = std::make_unique<Query>(db_);
        query->SetLines(
            {"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                 std::to_string(count) + ")",
             std::string("SELECT i AS k, '") + prefix + "' || i AS t FROM n"});
        query->Open();
        return query;
    }

  private:
    test::ScratchDir dir_;
    Database db_;
};

void RunPendingLoads(const ResultModel& model) {
    for (int turns = 0; model.IsLoading() && turns < 100000; ++turns)
        QCoreApplication::processEvents();
}

// Counts the cells a view asks for.
class CountingModel : public ResultModel {
  public:
    mutable std::set<int> rowsAsked;
    mutable long calls = 0;
    QVariant data(const QModelIndex& index, int role) const override {
        ++calls;
        rowsAsked.insert(index.row());
        return ResultModel::data(index, role);
    }
};

// The bounding box of the dark (text) pixels in the title of the first shown
// column, inside its borders.
QRect FirstTitleInk(QHeaderView* titles, int filterRow) {
    const QImage image = titles->grab().toImage();
    const int section = titles->logicalIndex(0);
    const int left = titles->sectionViewportPosition(section);
    QRect box;
    for (int y = 2; y < titles->height() - filterRow - 2; ++y)
        for (int x = left + 2; x < left + titles->sectionSize(section) - 2; ++x)
            if (qGray(image.pixel(x, y)) < 110) box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class ResultGridTest : public QObject {
    Q_OBJECT
  private slots:
    void lookBeforeTheFirstOpening() {
        ResultGrid grid;
        QCOMPARE(grid.objectName(), QString("DBGridEh1"));
        QCOMPARE(grid.font().family(), QString("Tahoma"));
        QCOMPARE(grid.font().pointSize(), 8);
        QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(grid.Model().columnCount(), 0);
        QVERIFY(!grid.TitlesVertical());
        QVERIFY(grid.FitsToWidth());

        // Columns shown before any opening share the grid's width.
        Numbers numbers;
        const auto query = numbers.Open(5);
        grid.Model().StartLoad(*query);
        QVERIFY(grid.Model().LoadRemaining());
        grid.resize(500, 200);
        grid.show();
        QCoreApplication::processEvents();
        QHeaderView* titles = grid.horizontalHeader();
        QCOMPARE(titles->sectionResizeMode(0), QHeaderView::Stretch);
        QCOMPARE(titles->sectionSize(0) + titles->sectionSize(1), grid.viewport()->width());
        QCOMPARE(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(grid.verticalHeader()->sectionSize(4), QFontMetrics(grid.font()).height() + 2);
    }

    void openingSetsUpTheColumns() {
        CallResult calls;
        ResultGrid grid;
        grid.show();
        grid.BeginOpening();
        QVERIFY(grid.isHidden());
        Query& query = calls.Open();
        QVERIFY2(calls.Opened().ok, calls.Opened().detail.c_str());

        // No displayed column: all 20 hidden, the rows are there all the same.
        grid.ShowResult(query, {}, MasterList());
        QVERIFY(grid.isVisible());
        QCOMPARE(grid.Model().columnCount(), 20);
        QCOMPARE(grid.Model().rowCount(), 3);
        QVERIFY(grid.DisplayedColumns().isEmpty());
        for (int c = 0; c < 20; ++c)
            QVERIFY(grid.isColumnHidden(c));
        QVERIFY(grid.horizontalHeader()->sectionsClickable());
        QVERIFY(grid.TitlesVertical());
        QVERIFY(!grid.FitsToWidth());
        QCOMPARE(grid.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        QCOMPARE(grid.Model().DisplayFormat(19), QString("0.00"));

        // Displayed columns in the list's order, the hidden ones after them.
        grid.BeginOpening();
        grid.ShowResult(calls.Open(), {"Номер_Б", "Ошибка"}, MasterList());
        QCOMPARE(grid.DisplayedColumns(), QStringList({U("Номер_Б"), U("Ошибка")}));
        QHeaderView* titles = grid.horizontalHeader();
        QCOMPARE(titles->logicalIndex(0), 9);
        QCOMPARE(titles->logicalIndex(1), 0);
        for (int visual = 2; visual < 20; ++visual)
            QVERIFY(titles->isSectionHidden(titles->logicalIndex(visual)));

        // A name that is no result column is left out (this one ends in a
        // Latin A, the result's "Номер_А" in a Cyrillic one).
        grid.horizontalHeader()->resizeSection(9, 200);
        grid.BeginOpening();
        grid.ShowResult(calls.Open(), {"Номер_A", "Прод_Мин", "Нет_такой", "Номер_Б"},
                        MasterList());
        QCOMPARE(grid.DisplayedColumns(), QStringList({U("Прод_Мин"), U("Номер_Б")}));
        QCOMPARE(titles->logicalIndex(0), 19);
        QCOMPARE(titles->logicalIndex(1), 9);
        // The rebuilt columns stand in result order after the shown ones and
        // have lost the width the user gave them.
        QCOMPARE(titles->logicalIndex(2), 0);
        QCOMPARE(titles->logicalIndex(19), 18);
        QCOMPARE(titles->sectionSize(9), ResultGrid::DefaultColumnWidth);
    }

    void cellsShowTheirDisplayForms() {
        CallResult calls;
        ResultGrid grid;
        grid.BeginOpening();
        grid.ShowResult(calls.Open(), MasterList(), MasterList());
        ResultModel& model = grid.Model();
        QCOMPARE(model.Locale(), QLocale::system());
        const auto col = [&](const char* name) {
            const int c = model.ColumnIndex(U(name));
            if (c < 0) qFatal("no column %s", name);
            return c;
        };
        const auto text = [&](int row, const char* name) {
            return model.data(model.index(row, col(name))).toString();
        };
        const auto alignment = [&](const char* name) {
            return model.data(model.index(0, col(name)), Qt::TextAlignmentRole).toInt() &
                   Qt::AlignHorizontal_Mask;
        };

        model.SetLocale(QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(text(1, "Номер_А"), QString("3962001"));
        QCOMPARE(text(1, "Ошибка"), U("Успешный"));
        QCOMPARE(text(0, "Ошибка"), U("Занятость аб."));
        QCOMPARE(text(1, "Дата_иниц"), QString("09.10.2006"));
        QCOMPARE(text(1, "Время_иниц"), QString("13:05:07"));
        QCOMPARE(text(1, "Время_ок"), QString("13:07:37"));
        QCOMPARE(text(1, "Вх_транк_гр"), QString("12"));
        QCOMPARE(text(1, "Прод_мс"), QString("150000"));
        QCOMPARE(text(1, "Прод_Мин"), QString("2,50"));
        QCOMPARE(text(0, "Прод_Мин"), QString("0,02")); // 0.015 rounds up
        // NULL cells are empty.
        QCOMPARE(text(0, "Дата_окон"), QString());
        QCOMPARE(text(0, "Вх_транк_гр"), QString());
        QCOMPARE(text(2, "Прод_мс"), QString());
        QCOMPARE(text(2, "Прод_Мин"), QString());

        model.SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(text(1, "Дата_иниц"), QString("10/9/06"));
        QCOMPARE(text(1, "Время_иниц"), QString("1:05:07 PM"));
        QCOMPARE(text(1, "Прод_Мин"), QString("2.50"));

        QCOMPARE(alignment("Прод_Мин"), int(Qt::AlignRight));
        QCOMPARE(alignment("Вх_транк_гр"), int(Qt::AlignRight));
        QCOMPARE(alignment("Номер_А"), int(Qt::AlignLeft));
        QCOMPARE(alignment("Дата_иниц"), int(Qt::AlignLeft));

        QCOMPARE(model.headerData(19, Qt::Horizontal).toString(), U("Прод_Мин"));
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    }

    void numberFormats_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("two decimals") << "0.00" << 2.5 << "2.50";
        QTest::newRow("half up after 15 digits") << "0.00" << 0.015 << "0.02";
        QTest::newRow("carry into the units") << "0.00" << 0.995 << "1.00";
        QTest::newRow("no minus on zero") << "0.00" << -0.001 << "0.00";
        QTest::newRow("no grouping without comma") << "0.00" << -1234.5 << "-1234.50";
        QTest::newRow("grouping") << "#,##0.0" << 1234567.25 << "1,234,567.3";
        QTest::newRow("optional places") << "#.##" << 0.5 << ".5";
        QTest::newRow("leading zeros") << "000" << 7.0 << "007";
    }
    void numberFormats() {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, text);
        const QByteArray bytes = format.toUtf8();
        const auto parsed = NumberFormat::Parse(bytes.toStdString());
        QVERIFY(parsed.has_value());
        QCOMPARE(parsed->Apply(value, QLocale::c()), text);
        for (const char* unusable : {"", "0.0.0", "0.00 мин"})
            QVERIFY(!NumberFormat::Parse(unusable).has_value());
    }

    void timeFormatsLoseTheirZone() {
        QCOMPARE(LongTimeFormatWithoutZone(QLocale(QLocale::Russian, QLocale::Russia)),
                 QString("HH:mm:ss"));
        QCOMPARE(LongTimeFormatWithoutZone(QLocale(QLocale::English, QLocale::UnitedStates)),
                 QString("h:mm:ss AP"));
        // No locale keeps a time zone field outside its quoted texts.
        for (const QLocale& locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            QString fields = LongTimeFormatWithoutZone(locale);
            fields.remove(QRegularExpression("'[^']*'"));
            QVERIFY2(!fields.contains('t') && fields.contains('s'), qPrintable(locale.name()));
        }
    }

    void rowsArriveInBatches() {
        Numbers numbers;
        const auto query = numbers.Open(2500);
        ResultModel model;
        model.SetBatchRows(1000);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy finished(&model, &ResultModel::loadFinished);
        const quint64 generation = model.StartLoad(*query);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.rowCount(), 0); // the rows come from the event loop
        RunPendingLoads(model);
        QCOMPARE(model.rowCount(), 2500);
        QCOMPARE(inserted.count(), 3);
        const std::pair<int, int> ranges[] = {{0, 999}, {1000, 1999}, {2000, 2499}};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(inserted[i][1].toInt(), ranges[i].first);
            QCOMPARE(inserted[i][2].toInt(), ranges[i].second);
        }
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished[0][0].toULongLong(), generation);
        QCOMPARE(model.data(model.index(2499, 1)).toString(), QString("r2500"));
        QCOMPARE(model.data(model.index(2499, 0)).toString(), QString("2500"));
    }

    void supersededLoadIsDropped() {
        Numbers numbers;
        const auto first = numbers.Open(3000, "a");
        const auto second = numbers.Open(1500, "b");
        ResultModel model;
        model.SetBatchRows(1000);
        QSignalSpy finished(&model, &ResultModel::loadFinished);

        const quint64 old = model.StartLoad(*first);
        QVERIFY(model.LoadBatch(old));
        QCOMPARE(model.rowCount(), 1000);
        const quint64 current = model.StartLoad(*second);
        QVERIFY(current != old);
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.LoadBatch(old)); // nothing of the old load comes in
        QCOMPARE(model.rowCount(), 0);
        RunPendingLoads(model); // the old load's pending batch is among them
        QCOMPARE(model.rowCount(), 1500);
        QCOMPARE(model.data(model.index(0, 1)).toString(), QString("b1"));
        QCOMPARE(model.data(model.index(1499, 1)).toString(), QString("b1500"));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished[0][0].toULongLong(), current);

        // Clearing supersedes too.
        const auto third = numbers.Open(10, "c");
        model.StartLoad(*third);
        model.Clear();
        RunPendingLoads(model);
        QCoreApplication::processEvents();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QCOMPARE(finished.count(), 1);
    }

    void detachedDataSourceShowsNoRows() {
        // Rows read while the data source is off appear when it is on again.
        Numbers numbers;
        const auto query = numbers.Open(2500);
        ResultModel model;
        model.SetBatchRows(1000);
        model.SetEnabled(false);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.StartLoad(*query);
        RunPendingLoads(model);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(inserted.count(), 0);
        model.SetEnabled(true);
        QCOMPARE(model.rowCount(), 2500);
        QCOMPARE(inserted.count(), 1);

        // Detaching the grid keeps its columns as they were set up.
        CallResult calls;
        ResultGrid grid;
        grid.BeginOpening();
        grid.ShowResult(calls.Open(), {"Номер_Б", "Ошибка"}, MasterList());
        grid.DetachData();
        QCOMPARE(grid.Model().rowCount(), 0);
        QCOMPARE(grid.Model().columnCount(), 20);
        grid.AttachData();
        QCOMPARE(grid.Model().rowCount(), 3);
        QCOMPARE(grid.DisplayedColumns(), QStringList({U("Номер_Б"), U("Ошибка")}));
    }

    void titlesTurnVerticalWithTheFirstOpening() {
        CallResult calls;
        QStringList master;
        for (const std::string& name : MasterList())
            master << QString::fromStdString(name);

        // Not yet opened: horizontal titles one line high.
        ResultGrid before;
        before.resize(600, 300);
        before.Model().StartLoad(calls.Open());
        QVERIFY(before.Model().LoadRemaining());
        before.SetUpColumns({U("Услуга_аб_Б"), U("Тип_зап")}, master);
        before.show();
        QCoreApplication::processEvents();
        QHeaderView* flat = before.horizontalHeader();
        const int filterRow = before.Filters().height();
        QVERIFY(filterRow > 0);
        QVERIFY(flat->height() - filterRow < 3 * QFontMetrics(before.font()).height());
        const QRect flatInk = FirstTitleInk(flat, filterRow);
        QVERIFY(!flatInk.isEmpty() && flatInk.width() > flatInk.height());

        // Opened: vertical titles, as high as the longest shown title.
        ResultGrid grid;
        grid.resize(600, 300);
        grid.show();
        grid.BeginOpening();
        grid.ShowResult(calls.Open(), {"Услуга_аб_Б", "Тип_зап"}, MasterList());
        QCoreApplication::processEvents();
        QHeaderView* titles = grid.horizontalHeader();
        const QFontMetrics fm(titles->font());
        QVERIFY(titles->height() > fm.horizontalAdvance(U("Услуга_аб_Б")));
        const int titleRow = titles->height() - grid.Filters().height();
        QVERIFY(titleRow < fm.horizontalAdvance(U("Услуга_аб_Б")) + 3 * fm.height());
        const QRect ink = FirstTitleInk(titles, grid.Filters().height());
        QVERIFY(!ink.isEmpty() && ink.height() > 2 * ink.width());
        QVERIFY(ink.bottom() > titleRow - 2 * fm.height()); // it starts at the bottom

        // Rows are one line plus 2 pixels high.
        QCOMPARE(grid.rowHeight(0), QFontMetrics(grid.font()).height() + 2);
        QCOMPARE(grid.rowHeight(2), grid.rowHeight(0));
    }

    // Squeezed under a tall panel, the grid still keeps room for its whole
    // title row and some data rows: the vertical titles are never cut.
    void titlesKeepTheirRoomInASmallWindow() {
        CallResult calls;
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* panel = new QWidget(&window);
        panel->setMinimumHeight(200);
        layout->addWidget(panel, 1);
        auto* grid = new ResultGrid(&window);
        layout->addWidget(grid);
        window.resize(600, 300);
        window.show();
        grid->BeginOpening();
        grid->ShowResult(calls.Open(), MasterList(), MasterList());
        QCoreApplication::processEvents();
        QHeaderView* titles = grid->horizontalHeader();
        const QFontMetrics fm(titles->font());
        QVERIFY(titles->height() > fm.horizontalAdvance(U("Исх_транк_гр")));
        const QRect rows = grid->viewport()->geometry();
        QVERIFY2(rows.top() >= titles->geometry().bottom(), "rows overlap the titles");
        QVERIFY2(rows.height() >= 3 * grid->rowHeight(0),
                 qPrintable(
                     QString("rows %1 high, titles %2").arg(rows.height()).arg(titles->height())));
        QVERIFY(grid->rect().contains(titles->geometry()));
    }

    void millionRowsScrollWithoutBuildingThem() {
        Numbers numbers;
        const auto query = numbers.Open(1000000);
        auto* model = new CountingModel;
        ResultGrid grid(nullptr, model);
        model->setParent(&grid);
        model->StartLoad(*query);
        QVERIFY(model->LoadRemaining());
        QCOMPARE(model->rowCount(), 1000000);
        grid.resize(640, 480);
        grid.show();
        QCoreApplication::processEvents();
        QVERIFY(model->calls > 0);
        QVERIFY(*model->rowsAsked.rbegin() < 100);

        model->calls = 0;
        model->rowsAsked.clear();
        grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
        grid.viewport()->repaint();
        QCoreApplication::processEvents();
        const int top = grid.rowAt(0);
        QVERIFY(top > 999000);
        QVERIFY(!model->rowsAsked.empty());
        QVERIFY(*model->rowsAsked.begin() >= top);
        QCOMPARE(*model->rowsAsked.rbegin(), 999999);
        QVERIFY(model->calls < 10000);
    }
};

QTEST_MAIN(ResultGridTest)
#include "ResultGrid_test.moc"
