#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kestrom::gen {

/// A date-time as an AMA element carries it. The fields are taken as they are,
/// without any check, so that impossible values (month 13) can be written too.
struct AmaDateTime {
    int Year = 2000; ///< 2000 to 2255; stored as year minus 2000
    std::uint8_t Month = 1;
    std::uint8_t Day = 1;
    std::uint8_t Hour = 0;
    std::uint8_t Minute = 0;
    std::uint8_t Second = 0;
    std::uint8_t Tenths = 0; ///< hundreds of milliseconds, 0 to 9
};

/// The contents of a call record header.
struct AmaHeader {
    std::uint8_t Type = 200;
    std::uint32_t Number3 = 0; ///< HeaderNumber3
    std::uint32_t CallId = 0;  ///< HeaderNumber7, shared by all partial records of one call
    std::uint8_t Flags11 = 0;  ///< bit 0 is F1 ... bit 7 F8; F4 (bit 3) marks success
    std::uint8_t Flags12 = 0;  ///< bit 0 is F9 ... bit 7 F16; F10 is bit 1
    std::uint8_t Flags13 = 0;
    std::uint8_t Sequence = 1; ///< 0 to 15, the high nibble of byte 14
    std::string_view Owner;    ///< number A, in the digit alphabet of PackDigits
    /// The split of the owner's digit count over byte 15 (high 3 bits, low 5
    /// bits). Negative: the low part takes up to 31, the high part the rest.
    int OwnerCountHigh = -1;
    int OwnerCountLow = -1;
    /// The record length field. Negative: the record's real length, filled in
    /// when the record is closed.
    int Length = -1;

    static constexpr std::uint8_t F4 = 1u << 3;
    static constexpr std::uint8_t F10 = 1u << 1;
};

/// One incoming (113) or outgoing (114) trunk element.
struct AmaTrunk {
    std::uint16_t Group = 0;
    std::uint16_t Trunk = 0;
    std::uint8_t Byte5 = 0;
    std::uint16_t Word6 = 0;
    std::uint8_t Byte8 = 0;
};

/// The nibble of one character of a digit text: '0'-'9', '*' (11), '#' (12),
/// or a hexadecimal letter a-f / A-F giving that nibble as it is (so "f" is
/// a filler nibble). Any other character is written as filler (15).
std::uint8_t DigitNibble(char c);

/// Appends the digits two per byte, high nibble first; an odd count leaves
/// the low nibble of the last byte as filler (15).
void PackDigits(std::vector<std::uint8_t>& out, std::string_view digits);

/// The 16-bit word sum of the bytes (big-endian pairs; an odd last byte is
/// the high byte of a final word).
std::uint16_t WordSum(std::span<const std::uint8_t> bytes);

/// Writes AMA records into one growing byte block: call records (header,
/// owner digits, elements), the further records 210 to 212, unknown elements
/// and raw bytes. A call record runs from BeginRecord to the next BeginRecord
/// or Finish; its length field is filled in then, and Checksum() sums from its
/// first byte. Elements and further records may be appended wherever the
/// caller likes, so malformed files can be built on purpose.
///
///     AmaWriter w;
///     w.BeginRecord({.CallId = 12345, .Flags11 = AmaHeader::F4, .Owner = "1234567"})
///         .Partner("890123")
///         .Start({2006, 10, 9, 14, 5, 30, 7}, true)
///         .Checksum(4);
///     std::vector<std::uint8_t> bytes = w.Finish();
class AmaWriter {
  public:
    AmaWriter() = default;
    explicit AmaWriter(std::size_t reserve) { bytes_.reserve(reserve); }

    /// Closes the open record, if any, and writes a new header with its owner digits.
    AmaWriter& BeginRecord(const AmaHeader& h);
    /// Closes the open call record: fills in its length field. Further
    /// records appended afterwards stand between call records.
    AmaWriter& EndRecord();

    AmaWriter& Partner(std::string_view digits);               // 100
    AmaWriter& Element101(bool flag, std::string_view digits); // 101
    AmaWriter& Start(const AmaDateTime& t, bool flag = false); // 102
    AmaWriter& End(const AmaDateTime& t, bool flag = false);   // 103
    AmaWriter& Element104(std::uint32_t value24);              // 104
    AmaWriter& Element105(std::uint8_t b1, std::uint8_t b2);   // 105
    AmaWriter& ServiceA(std::uint8_t code);                    // 106
    AmaWriter& ServiceB(std::uint8_t code);                    // 107
    AmaWriter& Element108(std::uint8_t b1, std::uint8_t b2);   // 108
    AmaWriter& DigitSequence(std::string_view digits);         // 109
    AmaWriter& OriginCategory(std::uint8_t value);             // 110
    AmaWriter& Element111(std::uint8_t value);                 // 111
    AmaWriter& Failure(std::uint8_t code);                     // 112
    AmaWriter& InTrunk(const AmaTrunk& t);                     // 113
    AmaWriter& OutTrunk(const AmaTrunk& t);                    // 114
    AmaWriter& Duration(std::uint32_t ms);                     // 115
    /// Element 116 with the sum of the record's bytes up to its byte +1
    /// (computed when the record is closed); bad stores a sum that differs.
    AmaWriter& Checksum(std::uint8_t byte1 = 0, bool bad = false);              // 116
    AmaWriter& Element117(std::uint8_t b1, std::uint32_t n1, std::uint32_t n2); // 117
    /// Element 118: code, length byte (2 + body size), body.
    AmaWriter& Element118(std::span<const std::uint8_t> body); // 118
    /// Element 119: the length byte is 3 + the digit bytes + extra, unless
    /// lengthByte is given (0 to 255), which is written as it is.
    AmaWriter& OriginalCaller(std::string_view digits, std::size_t extra = 0,
                              int lengthByte = -1);                                     // 119
    AmaWriter& Element120(std::span<const std::uint8_t, 14> body);                      // 120
    AmaWriter& ErrorCode(std::uint16_t code, std::uint8_t b1 = 0, std::uint8_t b4 = 0); // 121
    AmaWriter& Element122(std::span<const std::uint8_t, 4> body);                       // 122
    AmaWriter& Element123(std::span<const std::uint8_t, 5> body);                       // 123
    /// An element of a code the decoder does not know: code, length byte
    /// (2 + body size, or lengthByte when given), body.
    AmaWriter& Unknown(std::uint8_t code, std::span<const std::uint8_t> body, int lengthByte = -1);

    /// Record 210 (16 bytes): two date-times and a last byte.
    AmaWriter& Record210(const AmaDateTime& a, const AmaDateTime& b, std::uint8_t last = 0);
    /// Record 211 (19 bytes): two date-times and a 32-bit number.
    AmaWriter& Record211(const AmaDateTime& a, const AmaDateTime& b, std::uint32_t number = 0);
    /// Record 212 (12 bytes): one date-time.
    AmaWriter& Record212(const AmaDateTime& a);

    AmaWriter& Byte(std::uint8_t b);
    AmaWriter& Raw(std::span<const std::uint8_t> bytes);

    /// Bytes written so far, and the offset at which the open record began.
    /// The length field and the checksums of the open record are filled in
    /// only when it is closed.
    std::size_t Size() const { return bytes_.size(); }
    std::size_t RecordStart() const { return recordStart_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    /// Cuts the written bytes to the first size (to build a file cut short).
    void Truncate(std::size_t size);

    /// Closes the open record and hands over the bytes; the writer is empty after.
    std::vector<std::uint8_t> Finish();

  private:
    void DateTime(const AmaDateTime& t);
    void Be16(std::uint16_t v);
    void Be32(std::uint32_t v);
    void Trunk(std::uint8_t code, const AmaTrunk& t);

    struct PendingChecksum {
        std::size_t At; // offset of the element's code byte
        bool Bad;
    };

    std::vector<std::uint8_t> bytes_;
    std::vector<PendingChecksum> checksums_;
    std::size_t recordStart_ = 0;
    bool open_ = false;
    bool patchLength_ = false;
};

} // namespace kestrom::gen
