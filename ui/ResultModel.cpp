#include "ui/ResultModel.h"

#include "ui/QtText.h"
#include "ui/RowColouring.h"

#include <QDate>
#include <QTime>

#include <charconv>
#include <climits>
#include <cmath>
#include <exception>
#include <string>

namespace kestrom {

namespace {

constexpr int SignificantDigits = 15;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int Digits(std::string_view s, std::size_t from, std::size_t count) {
    int v = 0;
    for (std::size_t i = from; i < from + count; ++i)
        v = v * 10 + (s[i] - '0');
    return v;
}

bool DigitsAt(std::string_view s, std::initializer_list<std::size_t> positions) {
    for (std::size_t p : positions)
        if (p >= s.size() || !IsDigit(s[p])) return false;
    return true;
}

/// "YYYY-MM-DD", as the call table stores its dates.
QDate ParseStoredDate(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !DigitsAt(s, {0, 1, 2, 3, 5, 6, 8, 9}))
        return {};
    return QDate(Digits(s, 0, 4), Digits(s, 5, 2), Digits(s, 8, 2));
}

/// "HH:MM:SS" with an optional ".zzz", as the call table stores its times.
QTime ParseStoredTime(std::string_view s) {
    if (s.size() < 8 || s[2] != ':' || s[5] != ':' || !DigitsAt(s, {0, 1, 3, 4, 6, 7})) return {};
    int ms = 0;
    if (s.size() > 8) {
        if (s.size() != 12 || s[8] != '.' || !DigitsAt(s, {9, 10, 11})) return {};
        ms = Digits(s, 9, 3);
    }
    return QTime(Digits(s, 0, 2), Digits(s, 3, 2), Digits(s, 6, 2), ms);
}

} // namespace

std::optional<NumberFormat> NumberFormat::Parse(std::string_view format) {
    const std::size_t point = format.find('.');
    const std::string_view integer = format.substr(0, point);
    const std::string_view decimals =
        point == std::string_view::npos ? std::string_view{} : format.substr(point + 1);
    NumberFormat f;
    int places = 0;
    bool zeroSeen = false;
    for (char c : integer) {
        if (c == ',') {
            f.thousands = true;
        } else if (c == '0' || c == '#') {
            ++places;
            zeroSeen = zeroSeen || c == '0';
            if (zeroSeen) ++f.minIntegerDigits;
        } else {
            return std::nullopt;
        }
    }
    for (std::size_t i = 0; i < decimals.size(); ++i) {
        const char c = decimals[i];
        if (c != '0' && c != '#') return std::nullopt;
        ++places;
        if (c == '0') f.minDecimals = static_cast<int>(i) + 1;
    }
    if (places == 0) return std::nullopt;
    f.maxDecimals = static_cast<int>(decimals.size());
    return f;
}

QString NumberFormat::Apply(double value, const QLocale& locale) const {
    if (!std::isfinite(value)) return locale.toString(value);

    // The value as 15 significant digits d1 d2 ... with `point` of them
    // before the decimal point.
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific,
                                   SignificantDigits - 1);
    std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    const std::size_t e = text.find('e');
    std::string digits;
    digits.push_back(text[0]);
    digits.append(text.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    exponent);
    int point = exponent + 1;

    // Round half away from zero to maxDecimals.
    const int keep = point + maxDecimals;
    if (keep < 0) {
        digits.clear();
    } else if (keep < static_cast<int>(digits.size())) {
        const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
        digits.resize(static_cast<std::size_t>(keep));
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9')
                digits[static_cast<std::size_t>(i--)] = '0';
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++point;
            } else {
                ++digits[static_cast<std::size_t>(i)];
            }
        }
    }
    const auto digitAt = [&](int k) {
        return k >= 0 && k < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(k)]
                                                             : '0';
    };

    std::string integer;
    for (int k = 0; k < point; ++k)
        integer.push_back(digitAt(k));
    std::string decimals;
    for (int j = 0; j < maxDecimals; ++j)
        decimals.push_back(digitAt(point + j));
    integer.erase(0, integer.find_first_not_of('0'));
    while (static_cast<int>(decimals.size()) > minDecimals && decimals.back() == '0')
        decimals.pop_back();
    if (static_cast<int>(integer.size()) < minIntegerDigits)
        integer.insert(0, static_cast<std::size_t>(minIntegerDigits) - integer.size(), '0');
    const bool zero = integer.find_first_not_of('0') == std::string::npos &&
                      decimals.find_first_not_of('0') == std::string::npos;

    QString out;
    if (negative && !zero) out += locale.negativeSign();
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (thousands && i > 0 && (integer.size() - i) % 3 == 0) out += locale.groupSeparator();
        out += QLatin1Char(integer[i]);
    }
    if (!decimals.empty()) {
        out += locale.decimalPoint();
        out += QLatin1StringView(decimals.data(), static_cast<qsizetype>(decimals.size()));
    }
    return out;
}

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {
    SetLocale(QLocale::system());
}

ResultModel::~ResultModel() = default;

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shownRows_ || index.column() >= columnCount()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(ResultRow(index.row()), index.column());
    case Qt::TextAlignmentRole:
        return ColumnAlignment(index.column()).toInt();
    case Qt::BackgroundRole:
        if (colouring_ != nullptr && colouring_->Colours(rows_, ResultRow(index.row())))
            return RowColouring::Colour();
        return {};
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The vertical header is the row indicator and carries no numbers.
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return ColumnName(section);
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

quint64 ResultModel::StartLoad(Query& query) {
    const quint64 generation = ++generation_;
    beginResetModel();
    rows_.Reset(query);
    columns_.clear();
    for (const QueryColumn& c : rows_.Columns())
        columns_.push_back({ToQString(c.name), c.type, {}, std::nullopt});
    shownRows_ = 0;
    source_ = &query;
    lastError_.clear();
    endResetModel();
    ScheduleBatch(generation);
    return generation;
}

void ResultModel::ScheduleBatch(quint64 generation) {
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (LoadBatch(generation)) ScheduleBatch(generation);
        },
        Qt::QueuedConnection);
}

bool ResultModel::LoadBatch(quint64 generation) {
    if (generation != generation_ || source_ == nullptr) return false;
    try {
        rows_.ReadRows(*source_, batchRows_);
    } catch (const std::exception& e) {
        EndLoad();
        lastError_ = QString::fromUtf8(e.what());
        emit loadFailed(generation, lastError_);
        emit shownRowsChanged();
        return false;
    }
    // The views count rows in an int.
    const bool full = rows_.RowCount() >= static_cast<std::size_t>(INT_MAX);
    ShowLoadedRows();
    if (full || !source_->IsOpen() || source_->Eof()) {
        EndLoad();
        emit loadFinished(generation);
        emit shownRowsChanged();
        return false;
    }
    return true;
}

bool ResultModel::LoadRemaining() {
    const quint64 generation = generation_;
    while (LoadBatch(generation)) {
    }
    return lastError_.isEmpty();
}

void ResultModel::EndLoad() {
    source_ = nullptr;
}

void ResultModel::Clear() {
    ++generation_;
    beginResetModel();
    source_ = nullptr;
    rows_ = ResultSet{};
    columns_.clear();
    shownRows_ = 0;
    indexed_ = false;
    rowIndex_ = {};
    lastError_.clear();
    endResetModel();
    emit shownRowsChanged();
}

quint64 ResultModel::ReloadRows(Query& query) {
    const quint64 generation = ++generation_;
    HideAllRows();
    rows_.ClearRows();
    indexed_ = false;
    rowIndex_ = {};
    source_ = &query;
    lastError_.clear();
    ScheduleBatch(generation);
    return generation;
}

void ResultModel::ClearRows() {
    ++generation_;
    source_ = nullptr;
    HideAllRows();
    rows_.ClearRows();
    indexed_ = false;
    rowIndex_ = {};
    emit shownRowsChanged();
}

void ResultModel::SetRowIndex(std::vector<std::uint32_t> rows) {
    HideAllRows();
    indexed_ = true;
    rowIndex_ = std::move(rows);
    ShowLoadedRows();
    emit shownRowsChanged();
}

void ResultModel::RemoveRowIndex() {
    HideAllRows();
    indexed_ = false;
    rowIndex_ = {};
    ShowLoadedRows();
    emit shownRowsChanged();
}

int ResultModel::AvailableRows() const {
    const std::size_t rows = indexed_ ? rowIndex_.size() : rows_.RowCount();
    return static_cast<int>(std::min(rows, std::size_t{INT_MAX}));
}

void ResultModel::ShowLoadedRows() {
    if (!enabled_) return;
    const int loaded = AvailableRows();
    if (loaded <= shownRows_) return;
    beginInsertRows({}, shownRows_, loaded - 1);
    shownRows_ = loaded;
    endInsertRows();
}

void ResultModel::HideAllRows() {
    if (shownRows_ == 0) return;
    beginRemoveRows({}, 0, shownRows_ - 1);
    shownRows_ = 0;
    endRemoveRows();
}

void ResultModel::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (enabled)
        ShowLoadedRows();
    else
        HideAllRows();
    emit shownRowsChanged();
}

void ResultModel::SetLocale(const QLocale& locale) {
    locale_ = locale;
    numberLocale_ = locale;
    numberLocale_.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    shortDateFormat_ = locale.dateFormat(QLocale::ShortFormat);
    longTimeFormat_ = LongTimeFormatWithoutZone(locale);
    if (shownRows_ > 0 && !columns_.empty())
        emit dataChanged(index(0, 0), index(shownRows_ - 1, columnCount() - 1), {Qt::DisplayRole});
}

void ResultModel::SetDisplayFormat(int column, const QString& format) {
    if (column < 0 || column >= columnCount()) return;
    ColumnInfo& c = columns_[static_cast<std::size_t>(column)];
    const QByteArray bytes = format.toUtf8();
    c.format = NumberFormat::Parse(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    c.formatText = c.format ? format : QString();
    if (shownRows_ > 0)
        emit dataChanged(index(0, column), index(shownRows_ - 1, column), {Qt::DisplayRole});
}

QString ResultModel::DisplayFormat(int column) const {
    if (column < 0 || column >= columnCount()) return {};
    return columns_[static_cast<std::size_t>(column)].formatText;
}

void ResultModel::ClearDisplayFormats() {
    for (int c = 0; c < columnCount(); ++c)
        if (columns_[static_cast<std::size_t>(c)].format) SetDisplayFormat(c, {});
}

QString ResultModel::DisplayText(std::size_t row, int column) const {
    const auto col = static_cast<std::size_t>(column);
    if (rows_.IsNull(row, col)) return {};
    const ColumnInfo& info = columns_[col];
    switch (rows_.StorageOf(col)) {
    case ResultSet::Storage::Integer:
        if (info.format) return info.format->Apply(rows_.AsFloat(row, col), locale_);
        return QString::number(rows_.AsInteger(row, col));
    case ResultSet::Storage::Float:
        if (info.format) return info.format->Apply(rows_.AsFloat(row, col), locale_);
        return numberLocale_.toString(rows_.AsFloat(row, col), 'g', SignificantDigits);
    case ResultSet::Storage::Text:
        break;
    }
    const std::string_view text = rows_.TextView(row, col);
    if (info.type == FieldType::Date) {
        const QDate date = ParseStoredDate(text);
        if (date.isValid()) return locale_.toString(date, shortDateFormat_);
    } else if (info.type == FieldType::Time) {
        const QTime time = ParseStoredTime(text);
        if (time.isValid()) return locale_.toString(time, longTimeFormat_);
    }
    return ToQString(text);
}

Qt::Alignment ResultModel::ColumnAlignment(int column) const {
    if (column >= 0 && column < columnCount() &&
        rows_.StorageOf(static_cast<std::size_t>(column)) != ResultSet::Storage::Text)
        return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

int ResultModel::ColumnIndex(const QString& name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name == name) return static_cast<int>(i);
    return -1;
}

QString ResultModel::ColumnName(int column) const {
    if (column < 0 || column >= columnCount()) return {};
    return columns_[static_cast<std::size_t>(column)].name;
}

} // namespace kestrom
