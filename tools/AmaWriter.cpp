#include "tools/AmaWriter.h"

#include <utility>

namespace kestrom::gen {

namespace {

inline std::uint8_t U8(unsigned v) {
    return static_cast<std::uint8_t>(v & 0xFFu);
}
inline std::uint8_t U8(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

} // namespace

std::uint8_t DigitNibble(char c) {
    if (c >= '0' && c <= '9') return U8(c - '0');
    if (c == '*') return 11;
    if (c == '#') return 12;
    if (c >= 'a' && c <= 'f') return U8(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return U8(c - 'A' + 10);
    return 15;
}

void PackDigits(std::vector<std::uint8_t>& out, std::string_view digits) {
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i + 1 < n; i += 2)
        out.push_back(U8((DigitNibble(digits[i]) << 4) | DigitNibble(digits[i + 1])));
    if (n % 2 != 0) out.push_back(U8((DigitNibble(digits[n - 1]) << 4) | 15));
}

std::uint16_t WordSum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += (std::uint32_t{bytes[i]} << 8) | bytes[i + 1];
    if (i < bytes.size()) sum += std::uint32_t{bytes[i]} << 8;
    return static_cast<std::uint16_t>(sum);
}

AmaWriter& AmaWriter::BeginRecord(const AmaHeader& h) {
    EndRecord();
    recordStart_ = bytes_.size();
    open_ = true;
    patchLength_ = h.Length < 0;

    const std::size_t n = h.Owner.size();
    int high = h.OwnerCountHigh;
    int low = h.OwnerCountLow;
    if (high < 0 || low < 0) {
        low = n > 31 ? 31 : static_cast<int>(n);
        high = static_cast<int>(n) - low;
    }
    const unsigned length = h.Length < 0 ? 0u : static_cast<unsigned>(h.Length);

    bytes_.push_back(h.Type);
    Be16(static_cast<std::uint16_t>(length));
    Be32(h.Number3);
    Be32(h.CallId);
    bytes_.push_back(h.Flags11);
    bytes_.push_back(h.Flags12);
    bytes_.push_back(h.Flags13);
    bytes_.push_back(U8(static_cast<unsigned>(h.Sequence & 15u) << 4));
    bytes_.push_back(U8(((high & 7) << 5) | (low & 31)));
    PackDigits(bytes_, h.Owner);
    return *this;
}

AmaWriter& AmaWriter::EndRecord() {
    if (open_ && patchLength_) {
        const std::size_t len = bytes_.size() - recordStart_;
        const auto v = static_cast<std::uint16_t>(len > 0xFFFF ? 0xFFFF : len);
        if (recordStart_ + 2 < bytes_.size()) {
            bytes_[recordStart_ + 1] = U8(static_cast<unsigned>(v >> 8));
            bytes_[recordStart_ + 2] = U8(static_cast<unsigned>(v));
        }
    }
    for (const PendingChecksum& c : checksums_) {
        if (c.At + 4 > bytes_.size() || c.At < recordStart_) continue; // cut away
        const std::span<const std::uint8_t> span(bytes_.data() + recordStart_,
                                                 c.At + 2 - recordStart_);
        std::uint16_t sum = WordSum(span);
        if (c.Bad) sum = static_cast<std::uint16_t>(sum + 1);
        bytes_[c.At + 2] = U8(static_cast<unsigned>(sum >> 8));
        bytes_[c.At + 3] = U8(static_cast<unsigned>(sum));
    }
    checksums_.clear();
    open_ = false;
    return *this;
}

AmaWriter& AmaWriter::Partner(std::string_view digits) {
    bytes_.push_back(100);
    bytes_.push_back(U8(static_cast<unsigned>(digits.size())));
    PackDigits(bytes_, digits);
    return *this;
}

AmaWriter& AmaWriter::Element101(bool flag, std::string_view digits) {
    bytes_.push_back(101);
    bytes_.push_back(flag ? 1 : 0);
    bytes_.push_back(U8(static_cast<unsigned>(digits.size())));
    PackDigits(bytes_, digits);
    return *this;
}

AmaWriter& AmaWriter::Start(const AmaDateTime& t, bool flag) {
    bytes_.push_back(102);
    DateTime(t);
    bytes_.push_back(t.Tenths);
    bytes_.push_back(flag ? 1 : 0);
    return *this;
}

AmaWriter& AmaWriter::End(const AmaDateTime& t, bool flag) {
    bytes_.push_back(103);
    DateTime(t);
    bytes_.push_back(t.Tenths);
    bytes_.push_back(flag ? 1 : 0);
    return *this;
}

AmaWriter& AmaWriter::Element104(std::uint32_t value24) {
    bytes_.push_back(104);
    bytes_.push_back(U8(value24 >> 16));
    bytes_.push_back(U8(value24 >> 8));
    bytes_.push_back(U8(value24));
    return *this;
}

AmaWriter& AmaWriter::Element105(std::uint8_t b1, std::uint8_t b2) {
    bytes_.insert(bytes_.end(), {105, b1, b2});
    return *this;
}

AmaWriter& AmaWriter::ServiceA(std::uint8_t code) {
    bytes_.insert(bytes_.end(), {106, code});
    return *this;
}

AmaWriter& AmaWriter::ServiceB(std::uint8_t code) {
    bytes_.insert(bytes_.end(), {107, code});
    return *this;
}

AmaWriter& AmaWriter::Element108(std::uint8_t b1, std::uint8_t b2) {
    bytes_.insert(bytes_.end(), {108, b1, b2});
    return *this;
}

AmaWriter& AmaWriter::DigitSequence(std::string_view digits) {
    bytes_.push_back(109);
    bytes_.push_back(U8(static_cast<unsigned>(digits.size())));
    PackDigits(bytes_, digits);
    return *this;
}

AmaWriter& AmaWriter::OriginCategory(std::uint8_t value) {
    bytes_.insert(bytes_.end(), {110, value});
    return *this;
}

AmaWriter& AmaWriter::Element111(std::uint8_t value) {
    bytes_.insert(bytes_.end(), {111, value});
    return *this;
}

AmaWriter& AmaWriter::Failure(std::uint8_t code) {
    bytes_.insert(bytes_.end(), {112, code});
    return *this;
}

AmaWriter& AmaWriter::InTrunk(const AmaTrunk& t) {
    Trunk(113, t);
    return *this;
}

AmaWriter& AmaWriter::OutTrunk(const AmaTrunk& t) {
    Trunk(114, t);
    return *this;
}

AmaWriter& AmaWriter::Duration(std::uint32_t ms) {
    bytes_.push_back(115);
    Be32(ms);
    return *this;
}

AmaWriter& AmaWriter::Checksum(std::uint8_t byte1, bool bad) {
    // The sum covers the length field, which is known only when the record
    // is closed; it is filled in then.
    checksums_.push_back({bytes_.size(), bad});
    bytes_.insert(bytes_.end(), {116, byte1, 0, 0});
    return *this;
}

AmaWriter& AmaWriter::Element117(std::uint8_t b1, std::uint32_t n1, std::uint32_t n2) {
    bytes_.push_back(117);
    bytes_.push_back(b1);
    Be32(n1);
    Be32(n2);
    return *this;
}

AmaWriter& AmaWriter::Element118(std::span<const std::uint8_t> body) {
    bytes_.push_back(118);
    bytes_.push_back(U8(static_cast<unsigned>(body.size() + 2)));
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
}

AmaWriter& AmaWriter::OriginalCaller(std::string_view digits, std::size_t extra, int lengthByte) {
    const std::size_t digitBytes = (digits.size() + 1) / 2;
    bytes_.push_back(119);
    bytes_.push_back(lengthByte >= 0 ? U8(lengthByte)
                                     : U8(static_cast<unsigned>(3 + digitBytes + extra)));
    bytes_.push_back(U8(static_cast<unsigned>(digits.size())));
    PackDigits(bytes_, digits);
    bytes_.insert(bytes_.end(), extra, std::uint8_t{0});
    return *this;
}

AmaWriter& AmaWriter::Element120(std::span<const std::uint8_t, 14> body) {
    bytes_.push_back(120);
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
}

AmaWriter& AmaWriter::ErrorCode(std::uint16_t code, std::uint8_t b1, std::uint8_t b4) {
    bytes_.push_back(121);
    bytes_.push_back(b1);
    Be16(code);
    bytes_.push_back(b4);
    return *this;
}

AmaWriter& AmaWriter::Element122(std::span<const std::uint8_t, 4> body) {
    bytes_.push_back(122);
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
}

AmaWriter& AmaWriter::Element123(std::span<const std::uint8_t, 5> body) {
    bytes_.push_back(123);
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
}

AmaWriter& AmaWriter::Unknown(std::uint8_t code, std::span<const std::uint8_t> body,
                              int lengthByte) {
    bytes_.push_back(code);
    bytes_.push_back(lengthByte >= 0 ? U8(lengthByte) : U8(static_cast<unsigned>(body.size() + 2)));
    bytes_.insert(bytes_.end(), body.begin(), body.end());
    return *this;
}

AmaWriter& AmaWriter::Record210(const AmaDateTime& a, const AmaDateTime& b, std::uint8_t last) {
    bytes_.push_back(210);
    DateTime(a);
    bytes_.push_back(0);
    DateTime(b);
    bytes_.push_back(0);
    bytes_.push_back(last);
    return *this;
}

AmaWriter& AmaWriter::Record211(const AmaDateTime& a, const AmaDateTime& b, std::uint32_t number) {
    bytes_.push_back(211);
    DateTime(a);
    bytes_.push_back(0);
    DateTime(b);
    bytes_.push_back(0);
    Be32(number);
    return *this;
}

AmaWriter& AmaWriter::Record212(const AmaDateTime& a) {
    bytes_.push_back(212);
    DateTime(a);
    bytes_.insert(bytes_.end(), 5, std::uint8_t{0});
    return *this;
}

AmaWriter& AmaWriter::Byte(std::uint8_t b) {
    bytes_.push_back(b);
    return *this;
}

AmaWriter& AmaWriter::Raw(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

void AmaWriter::Truncate(std::size_t size) {
    EndRecord();
    if (size < bytes_.size()) bytes_.resize(size);
    if (recordStart_ > bytes_.size()) recordStart_ = bytes_.size();
}

std::vector<std::uint8_t> AmaWriter::Finish() {
    EndRecord();
    recordStart_ = 0;
    return std::exchange(bytes_, {});
}

void AmaWriter::DateTime(const AmaDateTime& t) {
    bytes_.push_back(U8(t.Year - 2000));
    bytes_.push_back(t.Month);
    bytes_.push_back(t.Day);
    bytes_.push_back(t.Hour);
    bytes_.push_back(t.Minute);
    bytes_.push_back(t.Second);
}

void AmaWriter::Be16(std::uint16_t v) {
    bytes_.push_back(U8(static_cast<unsigned>(v >> 8)));
    bytes_.push_back(U8(static_cast<unsigned>(v)));
}

void AmaWriter::Be32(std::uint32_t v) {
    bytes_.push_back(U8(v >> 24));
    bytes_.push_back(U8(v >> 16));
    bytes_.push_back(U8(v >> 8));
    bytes_.push_back(U8(v));
}

void AmaWriter::Trunk(std::uint8_t code, const AmaTrunk& t) {
    bytes_.push_back(code);
    Be16(t.Group);
    Be16(t.Trunk);
    bytes_.push_back(t.Byte5);
    Be16(t.Word6);
    bytes_.push_back(t.Byte8);
}

} // namespace kestrom::gen
