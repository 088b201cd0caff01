#include "archive/CopyBinaryWriter.h"

#include "archive/ArchiveSchema.h"
#include "archive/ArchiveText.h"
#include "load/CallTable.h"

#include <bit>
#include <stdexcept>

namespace kestrom {

namespace {

// The signature, the flags (no OIDs) and the length of the header extension.
constexpr std::string_view Header("PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0", 19);
constexpr int PrefixColumns = 3; // file_id, day, exchange before the AMG columns

std::int32_t Signed(std::uint32_t v) {
    return static_cast<std::int32_t>(v);
}

} // namespace

CopyBinaryWriter::CopyBinaryWriter(Sink sink, std::int64_t fileId, std::int32_t pgDay,
                                   std::string_view exchange)
    : sink_(std::move(sink)), columns_(ArchiveCallColumns().data()) {
    buffer_.reserve(ChunkBytes + 4096);
    buffer_.append(Header);
    // The prefix is encoded once through the same buffer.
    const std::size_t start = buffer_.size();
    Put32(8);
    Put64(static_cast<std::uint64_t>(fileId));
    Put32(4);
    Put32(static_cast<std::uint32_t>(pgDay));
    std::string text;
    AppendArchiveText(text, exchange);
    Put32(static_cast<std::uint32_t>(text.size()));
    buffer_.append(text);
    prefix_ = buffer_.substr(start);
    buffer_.resize(start);
}

bool CopyBinaryWriter::AppendCallRow(TCallRecord& record) {
    if (failure_) return false;
    Put16(static_cast<std::uint16_t>(PrefixColumns + CallTableColumns().size()));
    buffer_.append(prefix_);
    next_ = 0;
    Number(0, rows_ + 1);
    WriteRow(record);
    ++rows_;
    if (buffer_.size() >= ChunkBytes) Flush();
    return !failure_;
}

void CopyBinaryWriter::Finish() {
    Put16(0xFFFF);
    Flush();
    if (failure_) std::rethrow_exception(failure_);
}

void CopyBinaryWriter::Flush() {
    if (failure_ || buffer_.empty()) return;
    try {
        sink_(buffer_);
    } catch (...) {
        failure_ = std::current_exception();
    }
    buffer_.clear();
}

// The fields of one row in the order and with the NULL rule of
// CallTable::WriteRow: number B, the trunks and the call end are NULL when
// their element was absent, every other column is written.
void CopyBinaryWriter::WriteRow(TCallRecord& r) {
    Text(1, r.Owner_N.view());
    if (r.Code100 == 100)
        Text(2, r.Partner_N.view());
    else
        Null(2);
    Text(3, r.Seq_109.view());
    Number(4, r.Sequence);
    Number(5, r.F10);
    if (r.F4 == 1) r.Failure = 16;
    Number(6, r.Failure);
    if (r.Code113 == 113) {
        Number(7, r.In_Tr_Gr_ID);
        Number(8, r.In_Tr_ID);
    } else {
        Null(7);
        Null(8);
    }
    if (r.Code114 == 114) {
        Number(9, r.Out_Tr_Gr_ID);
        Number(10, r.Out_Tr_ID);
    } else {
        Null(9);
        Null(10);
    }
    Date(11, r.Start_D);
    Time(12, r.Start_T);
    if (r.Code103 == 103) {
        Date(13, r.End_D);
        Time(14, r.End_T);
    } else {
        Null(13);
        Null(14);
    }
    Number(15, r.HeaderNumber7);
    Number(16, r.HeaderNumber3);
    Number(17, r.RecordType);
    Number(18, r.RecordLength);
    Number(19, r.F1);
    Number(20, r.F2);
    Number(21, r.F3);
    Number(22, r.F4);
    Number(23, r.F5);
    Number(24, r.F6);
    Number(25, r.F7);
    Number(26, r.F8);
    Number(27, r.F9);
    Number(28, r.F11);
    Number(29, r.F12);
    Number(30, r.F13);
    Number(31, r.F14);
    Number(32, r.OwnerDigitsHigh);
    Number(33, r.OwnerDigitsLow);
    Number(34, r.Code100);
    Number(35, r.DigitCount100);
    Number(36, r.Code101);
    Number(37, r.Flag101);
    Number(38, r.DigitCount101);
    Text(39, r.Digits101.view());
    Number(40, r.Code102);
    Number(41, r.F1_102);
    Number(42, r.Code103);
    Number(43, r.F1_103);
    Number(44, r.Code104);
    Number(45, Signed(r.Value104));
    Number(46, r.Code105);
    Number(47, r.Byte1_105);
    Number(48, r.Byte2_105);
    Number(49, r.Code106);
    Number(50, r.Suppl_Serv_106);
    Number(51, r.Code107);
    Number(52, r.Suppl_Serv_107);
    Number(53, r.Code108);
    Number(54, r.Byte1_108);
    Number(55, r.Byte2_108);
    Number(56, r.Code109);
    Number(57, r.DigitCount109);
    Number(58, r.Code110);
    Number(59, r.Value110);
    Number(60, r.Code111);
    Number(61, r.Value111);
    Number(62, r.Code112);
    Number(63, r.Code113);
    Number(64, r.Byte5_113);
    Number(65, r.Word6_113);
    Number(66, r.Byte8_113);
    Number(67, r.Code114);
    Number(68, r.Byte5_114);
    Number(69, r.Word6_114);
    Number(70, r.Byte8_114);
    Number(71, r.Code115);
    Real(72, r.Call_Durat);
    Number(73, r.Code116);
    Number(74, r.Byte1_116);
    Number(75, r.Checksum);
    Number(76, r.Code117);
    Number(77, Signed(r.Number1_117));
    Number(78, Signed(r.Number2_117));
    Number(79, r.Code118);
    Number(80, r.Reserved118);
    Text(81, r.ReservedText118.view());
    Number(82, r.Code119);
    Text(83, r.OCPN_119.view());
    Number(84, r.Code121);
    Number(85, r.Couse_121);
    Number(86, r.Code123);
    Number(87, Signed(r.Reserved123));
}

// Fields come in column order, each in the binary form of its column's type.
ArchiveType CopyBinaryWriter::Next(int field) {
    if (field != next_) throw std::logic_error("CopyBinaryWriter: fields out of order");
    ++next_;
    return columns_[PrefixColumns + field].Type;
}

void CopyBinaryWriter::Expect(int field, ArchiveType type) {
    if (Next(field) != type)
        throw std::logic_error("CopyBinaryWriter: a value for a column of another type");
}

void CopyBinaryWriter::Number(int field, std::int64_t value) {
    switch (Next(field)) {
    case ArchiveType::Smallint:
        Put32(2);
        Put16(static_cast<std::uint16_t>(value));
        return;
    case ArchiveType::Integer:
        Put32(4);
        Put32(static_cast<std::uint32_t>(value));
        return;
    case ArchiveType::Bigint:
        Put32(8);
        Put64(static_cast<std::uint64_t>(value));
        return;
    default:
        throw std::logic_error("CopyBinaryWriter: a number for a column of another type");
    }
}

void CopyBinaryWriter::Real(int field, double value) {
    Expect(field, ArchiveType::Double);
    Put32(8);
    Put64(std::bit_cast<std::uint64_t>(value));
}

void CopyBinaryWriter::Text(int field, std::string_view bytes) {
    Expect(field, ArchiveType::Text);
    const std::size_t at = buffer_.size();
    Put32(0);
    AppendArchiveText(buffer_, bytes);
    const auto len = static_cast<std::uint32_t>(buffer_.size() - at - 4);
    for (int i = 0; i < 4; ++i)
        buffer_[at + static_cast<std::size_t>(i)] = static_cast<char>(len >> (24 - 8 * i));
}

void CopyBinaryWriter::Date(int field, double value) {
    Expect(field, ArchiveType::Date);
    Put32(4);
    Put32(static_cast<std::uint32_t>(PgDate(value)));
}

// Microseconds of the time of day, from its whole milliseconds as AMG keeps them.
void CopyBinaryWriter::Time(int field, double value) {
    Expect(field, ArchiveType::Time);
    Put32(8);
    Put64(static_cast<std::uint64_t>(TimeOfDayMs(value) * 1000));
}

void CopyBinaryWriter::Null(int field) {
    Next(field);
    Put32(0xFFFFFFFF);
}

void CopyBinaryWriter::Put16(std::uint16_t v) {
    const char b[2] = {static_cast<char>(v >> 8), static_cast<char>(v)};
    buffer_.append(b, 2);
}

void CopyBinaryWriter::Put32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 8), static_cast<char>(v)};
    buffer_.append(b, 4);
}

void CopyBinaryWriter::Put64(std::uint64_t v) {
    Put32(static_cast<std::uint32_t>(v >> 32));
    Put32(static_cast<std::uint32_t>(v));
}

} // namespace kestrom
