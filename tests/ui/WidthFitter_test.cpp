#include "ui/WidthFitter.h"

#include "db/Database.h"
#include "db/Query.h"
#include "load/CallTable.h"
#include "load/DecodeLoop.h"
#include "load/PreFilter.h"
#include "results/ResultQuery.h"
#include "settings/SettingsState.h"
#include "tests/db/ScratchDir.h"
#include "tools/AmaGenerator.h"
#include "ui/ResultModel.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

using namespace kestrom;

namespace {

struct NoMessages : MessageSink {
    void Information(std::string_view) override {}
};

// What the fitter must come to: every cell's display text measured.
int MeasuredWidth(const ResultModel& model, int column, std::span<const std::uint32_t> rows,
                  const QFontMetrics& fm) {
    int widest = 0;
    for (std::uint32_t row : rows)
        widest = std::max(widest, fm.horizontalAdvance(model.DisplayText(row, column)));
    return widest;
}

std::vector<std::uint32_t> AllRows(const ResultModel& model) {
    std::vector<std::uint32_t> rows(model.Result().RowCount());
    std::iota(rows.begin(), rows.end(), 0u);
    return rows;
}

// The columns whose fitted width differs from the measured one, with both;
// all rows of the result when rows is empty.
QStringList Mismatches(WidthFitter& fitter, const ResultModel& model,
                       std::span<const std::uint32_t> rows, const QFontMetrics& fm) {
    const std::vector<std::uint32_t> all = AllRows(model);
    QStringList wrong;
    for (int c = 0; c < model.columnCount(); ++c) {
        const int fitted = rows.empty() ? fitter.CellTextWidth(model, c, fm)
                                        : fitter.CellTextWidth(model, c, rows, fm);
        const int measured = MeasuredWidth(model, c, rows.empty() ? all : rows, fm);
        if (fitted != measured)
            wrong << QString("%1: %2 instead of %3")
                         .arg(model.ColumnName(c))
                         .arg(fitted)
                         .arg(measured);
    }
    return wrong;
}

QFont GridFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

// Larger, and where it is installed it kerns ".-", ",-" and "//".
QFont LargeFont() {
    QFont font(QStringLiteral("URW Gothic"));
    font.setPointSize(14);
    return font;
}

// Generated calls decoded into a call table beside the lookup tables, the
// result opened as the window opens it, "Прод_Мин" shown with "0.00".
class GeneratedResult {
  public:
    explicit GeneratedResult(std::uint64_t records) {
        for (const char* lookup : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
            dir_.CopyFromProgramDir(lookup);
        db_ = std::make_unique<Database>(dir_.Path());
        gen::GeneratorOptions o;
        o.RecordsPerFile = records;
        o.Seed = 11;
        const gen::GeneratedFile file = gen::GenerateFile(o, "i3962", {2006, 10, 9}, 1);
        EmptyCallTable(*db_);
        NoMessages messages;
        CallTable table(*db_, messages);
        table.OpenCallTable();
        TPreFilter filter;
        PrepareFilter(filter);
        TLoadBuffer buf;
        buf.Data = file.Bytes.data();
        buf.Size = static_cast<std::int64_t>(file.Bytes.size());
        TCallRecord record;
        DecodeContext ctx{buf, record, filter, table, YieldHook{}, nullptr};
        DecodeBuffer(ctx);
        table.CloseCallTable();

        query_ = std::make_unique<Query>(*db_);
        opened_ = OpenResultQuery(*query_, DefaultSortColumns());
        model.SetLocale(QLocale::c());
        model.StartLoad(*query_);
        model.LoadRemaining();
        minutes = model.ColumnIndex(QString::fromUtf8("Прод_Мин"));
        model.SetDisplayFormat(minutes, QStringLiteral("0.00"));
    }

    bool Opened() const { return opened_.ok; }

    ResultModel model;
    int minutes = -1;

  private:
    test::ScratchDir dir_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Query> query_;
    ResultOutcome opened_;
};

bool HasNulls(const ResultModel& model, int column) {
    const ResultSet& rows = model.Result();
    for (std::size_t r = 0; r < rows.RowCount(); ++r)
        if (rows.IsNull(r, static_cast<std::size_t>(column))) return true;
    return false;
}

// Rows of texts and times of our own making in a table T, opened as a result.
class OwnRows {
  public:
    explicit OwnRows(std::initializer_list<std::string> inserts) : db_(dir_.Path()) {
        db_.Execute("CREATE TABLE T (id INTEGER, t TIME, s VARCHAR(40), x REAL)", "test table");
        for (const std::string& insert : inserts)
            db_.Execute(insert, "test rows");
        query_ = std::make_unique<Query>(db_);
        query_->SetLines({"SELECT id, t, s, x FROM T ORDER BY id"});
        query_->Open();
        model.SetLocale(QLocale::c());
        model.StartLoad(*query_);
        model.LoadRemaining();
    }

    ResultModel model;

  private:
    test::ScratchDir dir_;
    Database db_;
    std::unique_ptr<Query> query_;
};

} // namespace

class WidthFitterTest : public QObject {
    Q_OBJECT
  private slots:
    void everyColumnOfAGeneratedResultInTwoFontsAndLocales() {
        GeneratedResult result(3000);
        QVERIFY(result.Opened());
        ResultModel& model = result.model;
        QVERIFY(model.Result().RowCount() > 2000);
        QCOMPARE(model.DisplayFormat(result.minutes), QString("0.00"));
        QVERIFY(HasNulls(model, model.ColumnIndex(QString::fromUtf8("Вх_транк_гр"))));
        QVERIFY(HasNulls(model, model.ColumnIndex(QString::fromUtf8("Время_ок"))));

        // One fitter for both fonts in turn: what it learnt of one font must
        // not leak into the other. Then decimal commas, no-break spaces
        // between thousands and "H:mm:ss".
        WidthFitter fitter;
        for (int round = 0; round < 3; ++round) {
            if (round == 2) {
                model.SetLocale(QLocale(QLocale::Russian, QLocale::Russia));
                model.SetDisplayFormat(model.ColumnIndex(QString::fromUtf8("Прод_мс")),
                                       QStringLiteral("#,##0.00"));
            }
            for (const QFont& font : {GridFont(), LargeFont()}) {
                const QStringList wrong = Mismatches(fitter, model, {}, QFontMetrics(font));
                QVERIFY2(wrong.isEmpty(), qPrintable(font.family() + ": " + wrong.join("; ")));
            }
        }
    }

    void aSubsetOfRowsAndNoRows() {
        GeneratedResult result(3000);
        const ResultModel& model = result.model;
        const std::vector<std::uint32_t> all = AllRows(model);
        // Every seventh row backwards, and one row twice.
        std::vector<std::uint32_t> rows;
        for (auto r = static_cast<std::uint32_t>(all.size()); r-- > 0;)
            if (r % 7 == 3) rows.push_back(r);
        rows.push_back(rows.front());
        WidthFitter fitter;
        const QFontMetrics fm(GridFont());
        QVERIFY2(Mismatches(fitter, model, rows, fm).isEmpty(),
                 qPrintable(Mismatches(fitter, model, rows, fm).join("; ")));

        // Without its widest cells a column is as wide as the rest.
        const int number = model.ColumnIndex(QString::fromUtf8("Номер_Б"));
        const int widest = MeasuredWidth(model, number, all, fm);
        std::vector<std::uint32_t> others;
        for (std::uint32_t r : all)
            if (fm.horizontalAdvance(model.DisplayText(r, number)) < widest) others.push_back(r);
        QCOMPARE(fitter.CellTextWidth(model, number, others, fm),
                 MeasuredWidth(model, number, others, fm));
        QVERIFY(fitter.CellTextWidth(model, number, others, fm) < widest);

        // No rows, NULL cells only, a column that is not there.
        QCOMPARE(fitter.CellTextWidth(model, number, std::span<const std::uint32_t>{}, fm), 0);
        const int group = model.ColumnIndex(QString::fromUtf8("Вх_транк_гр"));
        std::vector<std::uint32_t> nulls;
        for (std::uint32_t r : all)
            if (model.Result().IsNull(r, static_cast<std::size_t>(group))) nulls.push_back(r);
        QVERIFY(!nulls.empty());
        QCOMPARE(fitter.CellTextWidth(model, group, nulls, fm), 0);
        QCOMPARE(fitter.CellTextWidth(model, 20, fm), 0);
    }

    void oddTextsAndManyDistinctTimesAndTexts() {
        // Pairs that kern in common fonts, Cyrillic, a tab, times that are
        // none, -0; then more distinct values than a dictionary holds: real
        // times with milliseconds, and one text that agrees with a real time
        // up to its seconds but is none.
        OwnRows own(
            {"INSERT INTO T VALUES (1, '00:00:01.000', 'AVAVAVAV', -0.0), (2, NULL, 'To', 0.0),"
             " (3, '23:59:59.999', 'Ty.', -1.5), (4, '12:00:00', '1.-1,-1//1', 1e300),"
             " (5, '7:00:00', 'Ошибка', 0.1), (6, '99:99:99.999', 'a' || char(9) || 'b', NULL),"
             " (7, '', '', -123456789.125), (8, '11:11:11.111', NULL, 2.5)",
             "WITH RECURSIVE n(i) AS (SELECT 9 UNION ALL SELECT i + 1 FROM n WHERE i < 69999),"
             " v(i, ms) AS (SELECT i, (i * 1234567) % 86400000 FROM n)"
             " INSERT INTO T SELECT i, CASE WHEN i % 997 = 0 THEN NULL"
             "  WHEN i = 40000 THEN '23:59:59.123' WHEN i = 40001 THEN '23:59:59.1W3'"
             "  ELSE printf('%02d:%02d:%02d.%03d', ms / 3600000, ms / 60000 % 60,"
             "   ms / 1000 % 60, ms % 1000) END,"
             " CASE WHEN i % 1001 = 0 THEN NULL WHEN i % 2 = 0 THEN 'n' || i"
             "  ELSE 'AV.To-/' || i END, i * 0.25 FROM v"});
        const ResultModel& model = own.model;
        QCOMPARE(model.Result().RowCount(), std::size_t{69999});
        QVERIFY(!model.Result().IsDictionary(1));
        QVERIFY(!model.Result().IsDictionary(2));
        QCOMPARE(model.DisplayText(40000, 1), QString("23:59:59.1W3")); // id 40001
        WidthFitter fitter;
        for (const QFont& font : {GridFont(), LargeFont()}) {
            const QStringList wrong = Mismatches(fitter, model, {}, QFontMetrics(font));
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("; ")));
        }
    }

    void aTextWhosePairsKernIsNotSummed() {
        // Kerning makes "AVAVAVAV" narrower than its letters one by one; a
        // run of zeros between the two widths is the wider text.
        for (const QFont& font : {GridFont(), LargeFont()}) {
            const QFontMetrics fm(font);
            const QFontMetricsF exact(font);
            const QString kerned = QStringLiteral("AVAVAVAV");
            const qreal oneByOne = 4 * (exact.horizontalAdvance(QStringLiteral("A")) +
                                        exact.horizontalAdvance(QStringLiteral("V")));
            QString zeros;
            while (exact.horizontalAdvance(zeros) < oneByOne &&
                   fm.horizontalAdvance(zeros) <= fm.horizontalAdvance(kerned))
                zeros += QLatin1Char('0');
            if (exact.horizontalAdvance(zeros) >= oneByOne)
                qWarning("%s does not kern AV", qPrintable(QFontInfo(font).family()));
            OwnRows own({"INSERT INTO T VALUES (1, NULL, '" + kerned.toStdString() +
                         "', NULL), (2, NULL, '" + zeros.toStdString() + "', NULL)"});
            WidthFitter fitter;
            QCOMPARE(fitter.CellTextWidth(own.model, 2, fm), fm.horizontalAdvance(zeros));
        }
    }
};

QTEST_MAIN(WidthFitterTest)
#include "WidthFitter_test.moc"
