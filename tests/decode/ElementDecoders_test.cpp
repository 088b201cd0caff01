#include "decode/ElementDecoders.h"

#include "RecordBytes.h"

#include <gtest/gtest.h>

namespace kestrom {
namespace {

using test::Bytes;
using test::Hex;
using test::OwnedBuffer;

constexpr const char* Sample43 =
    "c8 00 2b 00 00 00 01 00 00 30 39 08 02 00 10 07 12 34 56 7f 64 06 89 01 23 66 06 0a 09 0e "
    "05 1e 07 01 73 00 01 d4 c0 74 04 0c de";

struct Decoded {
    TCallRecord rec;
    RecordDamage damage = RecordDamage::None;
    std::int64_t endPos = 0;
    std::int64_t firstElement = 0;
};

// Decodes the one record that begins at offset 0 of the bytes.
Decoded DecodeOne(const Bytes& bytes) {
    OwnedBuffer ob(bytes);
    Decoded d;
    d.damage = DecodeHeader(ob.buf, d.rec);
    d.firstElement = ob.buf.Pos;
    if (d.damage == RecordDamage::None) d.damage = DecodeElements(ob.buf, d.rec, YieldHook{});
    d.endPos = ob.buf.Pos;
    return d;
}

// A header with no owner digits, the given elements, and a following record start.
Decoded DecodeElementsOf(const Bytes& elements) {
    return DecodeOne(test::Concat({test::Header(200, 0, 0, 1, 0, 0, {}), elements, {200}}));
}

TEST(ElementDecoders, SampleRecordDecodesFieldByField) {
    const Decoded d = DecodeOne(Hex(Sample43));
    EXPECT_EQ(d.damage, RecordDamage::None);
    EXPECT_EQ(d.endPos, 43);
    EXPECT_EQ(d.firstElement, 20);
    const TCallRecord& r = d.rec;
    EXPECT_EQ(r.RecordType, 200);
    EXPECT_EQ(r.RecordLength, 43);
    EXPECT_EQ(r.HeaderNumber3, 1u);
    EXPECT_EQ(r.HeaderNumber7, 12345u);
    EXPECT_EQ(r.F4, 1);
    EXPECT_EQ(r.F10, 1);
    for (auto f : {r.F1, r.F2, r.F3, r.F5, r.F6, r.F7, r.F8, r.F9, r.F11, r.F12, r.F13, r.F14})
        EXPECT_EQ(f, 0);
    EXPECT_EQ(r.Sequence, 1);
    EXPECT_EQ(r.OwnerDigitsHigh, 0);
    EXPECT_EQ(r.OwnerDigitsLow, 7);
    EXPECT_EQ(r.Owner_N.view(), "1234567");
    EXPECT_EQ(r.Code100, 100);
    EXPECT_EQ(r.DigitCount100, 6);
    EXPECT_EQ(r.Partner_N.view(), "890123");
    EXPECT_EQ(r.Code102, 102);
    EXPECT_EQ(IsoDate(r.Start_D), "2006-10-09");
    EXPECT_EQ(IsoTime(r.Start_T), "14:05:30.700");
    EXPECT_DOUBLE_EQ(r.Start_D, 38999.0); // days from 30 December 1899
    EXPECT_EQ(r.F1_102, 1);
    EXPECT_EQ(r.Code115, 115);
    EXPECT_EQ(r.Call_Durat, 120000u);
    EXPECT_EQ(r.Code116, 116);
    EXPECT_EQ(r.Byte1_116, 4);
    EXPECT_EQ(r.Checksum, 0x0cde);
    EXPECT_FALSE(r.ChecksumBad);
    EXPECT_EQ(r.Code103, 0);
    EXPECT_EQ(r.Code113, 0);
    EXPECT_EQ(r.Code114, 0);
}

TEST(ElementDecoders, DigitPairsAndFillers) {
    EXPECT_EQ(DigitPairText(0x53), "53");
    EXPECT_EQ(DigitPairText(0xB1), "*1");
    EXPECT_EQ(DigitPairText(0xC0), "#0");
    EXPECT_EQ(DigitPairText(0x5F), "5");
    EXPECT_EQ(DigitPairText(0xA7), "7");
    EXPECT_EQ(DigitPairText(0xFF), "");

    // count 3, bytes B1 2F: "*", "1", "2"
    EXPECT_EQ(DecodeElementsOf(Hex("64 03 b1 2f")).rec.Partner_N.view(), "*12");
    // count 1, byte F5: the high nibble is filler, the low one gives the digit
    EXPECT_EQ(DecodeElementsOf(Hex("64 01 f5")).rec.Partner_N.view(), "5");
    // count 4 with filler bytes: the text is shorter, the count and length are kept
    const Decoded d = DecodeElementsOf(Hex("64 04 12 ff 6e 05"));
    EXPECT_EQ(d.rec.Partner_N.view(), "12");
    EXPECT_EQ(d.rec.DigitCount100, 4);
    EXPECT_EQ(d.rec.Value110, 5); // the element after it begins 4 bytes on
    // count 0: present but empty
    const Decoded e = DecodeElementsOf(Hex("64 00"));
    EXPECT_EQ(e.rec.Code100, 100);
    EXPECT_TRUE(e.rec.Partner_N.empty());
}

TEST(ElementDecoders, OwnerNumberCountsAndLimit) {
    // counts 3 and 4: seven digits in 4 bytes
    Decoded d = DecodeOne(test::Header(200, 0, 0, 1, 3, 4, Hex("12 34 56 7f")));
    EXPECT_EQ(d.rec.Owner_N.view(), "1234567");
    EXPECT_EQ(d.firstElement, 20);
    // both counts 0: no digit bytes
    d = DecodeOne(test::Header(200, 0, 0, 1, 0, 0, {}));
    EXPECT_TRUE(d.rec.Owner_N.empty());
    EXPECT_EQ(d.firstElement, 16);
    // counts 7 and 31: 38 digits in 19 bytes, 32 kept
    Bytes digits(19, 0x98);
    d = DecodeOne(test::Header(200, 0, 0, 1, 7, 31, digits));
    EXPECT_EQ(d.rec.Owner_N.size(), 32u);
    EXPECT_EQ(d.rec.Owner_N.view(), "98989898989898989898989898989898");
    EXPECT_EQ(d.firstElement, 35);
}

TEST(ElementDecoders, DigitSequenceAndFurtherNumberA) {
    // 109 with 44 digits: 40 kept, 24 bytes long
    Bytes e109 = {109, 44};
    for (int i = 0; i < 22; ++i)
        e109.push_back(0x12);
    e109.push_back(111);
    e109.push_back(9);
    Decoded d = DecodeElementsOf(e109);
    EXPECT_EQ(d.rec.Seq_109.size(), 40u);
    EXPECT_EQ(d.rec.DigitCount109, 44);
    EXPECT_EQ(d.rec.Value111, 9);

    // 119 with length byte 12 and digit count 11: digits at +3..+8, 12 bytes long
    d = DecodeElementsOf(Hex("77 0c 0b 12 34 56 78 90 1f 00 00 00 6f 03"));
    EXPECT_EQ(d.rec.Code119, 119);
    EXPECT_EQ(d.rec.OCPN_119.view(), "12345678901");
    EXPECT_EQ(d.rec.Value111, 3);

    // 119 whose digits run past its length byte: read by the count, walked by the
    // length, so the byte 6e is both a digit byte and the next element's code.
    d = DecodeElementsOf(Hex("77 04 04 12 6e 05"));
    EXPECT_EQ(d.rec.OCPN_119.view(), "126");
    EXPECT_EQ(d.rec.Value110, 5);
    EXPECT_EQ(d.damage, RecordDamage::None);
}

TEST(ElementDecoders, DatesTimesAndTheirFailures) {
    Decoded d = DecodeElementsOf(Hex("66 06 0a 09 0e 05 1e 07 01"));
    EXPECT_EQ(IsoDate(d.rec.Start_D), "2006-10-09");
    EXPECT_EQ(IsoTime(d.rec.Start_T), "14:05:30.700");
    EXPECT_EQ(d.rec.F1_102, 1);

    d = DecodeElementsOf(Hex("67 04 02 1d 17 3b 3b 09 00")); // 29 February 2004, 23:59:59.9
    EXPECT_EQ(d.damage, RecordDamage::None);
    EXPECT_EQ(d.rec.Code103, 103);
    EXPECT_EQ(IsoDate(d.rec.End_D), "2004-02-29");
    EXPECT_EQ(IsoTime(d.rec.End_T), "23:59:59.900");

    EXPECT_EQ(IsoDate(DecodeElementsOf(Hex("66 00 02 1d 00 00 00 00 00")).rec.Start_D),
              "2000-02-29"); // divisible by 400

    for (const char* bad : {"66 05 02 1d 00 00 00 00 00",    // 29 February 2005
                            "66 64 02 1d 00 00 00 00 00",    // 2100 is not a leap year
                            "66 06 0d 01 00 00 00 00 00",    // month 13
                            "66 06 00 01 00 00 00 00 00",    // month 0
                            "66 06 04 1f 00 00 00 00 00",    // 31 April
                            "66 06 01 00 00 00 00 00 00",    // day 0
                            "67 06 01 01 18 00 00 00 00",    // hour 24
                            "67 06 01 01 00 3c 00 00 00",    // minute 60
                            "67 06 01 01 00 00 3c 00 00",    // second 60
                            "67 06 01 01 00 00 00 0a 00"}) { // tenth 10
        // The bad element is reported, and the walk still reaches the record's end.
        const Decoded b = DecodeElementsOf(test::Concat({Hex(bad), Hex("6e 2a")}));
        EXPECT_EQ(b.damage, RecordDamage::BadDateTime) << bad;
        EXPECT_EQ(b.rec.Value110, 42) << bad;
        EXPECT_EQ(b.endPos, 16 + 11) << bad;
    }
}

TEST(ElementDecoders, FixedElements) {
    Decoded d = DecodeElementsOf(Hex("71 00 c8 01 02 09 00 05 07"));
    EXPECT_EQ(d.rec.In_Tr_Gr_ID, 200);
    EXPECT_EQ(d.rec.In_Tr_ID, 258);
    EXPECT_EQ(d.rec.Byte5_113, 9);
    EXPECT_EQ(d.rec.Word6_113, 5);
    EXPECT_EQ(d.rec.Byte8_113, 7);
    EXPECT_EQ(d.endPos, 16 + 9); // the 200 inside the element is data

    d = DecodeElementsOf(Hex("72 ff fe 00 c8 01 c8 00 02 79 05 00 1f 00 70 80 01 02"));
    EXPECT_EQ(d.rec.Out_Tr_Gr_ID, 0xfffe);
    EXPECT_EQ(d.rec.Out_Tr_ID, 200);
    EXPECT_EQ(d.rec.Word6_114, 0xc800);
    EXPECT_EQ(d.rec.Couse_121, 31);
    EXPECT_EQ(d.rec.Failure, 0x80);
    EXPECT_EQ(d.rec.Code113, 0);
    EXPECT_EQ(d.endPos, 16 + 9 + 5 + 2 + 2); // the unknown code 1 is 2 bytes, then 200

    d = DecodeElementsOf(Hex("68 ab cd ef 69 01 02 6a 07 6b 08 6c 09 02 70 0b 75 00 de ad be ef "
                             "00 00 00 05 76 02 7b 00 00 00 00 00 6e 0f"));
    EXPECT_EQ(d.rec.Value104, 0xabcdefu);
    EXPECT_EQ(d.rec.Byte1_105, 1);
    EXPECT_EQ(d.rec.Byte2_105, 2);
    EXPECT_EQ(d.rec.Suppl_Serv_106, 7);
    EXPECT_EQ(d.rec.Suppl_Serv_107, 8);
    EXPECT_EQ(d.rec.Byte1_108, 9);
    EXPECT_EQ(d.rec.Byte2_108, 2);
    EXPECT_EQ(d.rec.Failure, 11);
    EXPECT_EQ(d.rec.Number1_117, 0xdeadbeefu);
    EXPECT_EQ(d.rec.Number2_117, 5u);
    EXPECT_EQ(d.rec.Code118, 118);
    EXPECT_EQ(d.rec.Code123, 123);
    EXPECT_EQ(d.rec.Value110, 15);

    // A later occurrence overwrites the earlier one.
    EXPECT_EQ(DecodeElementsOf(Hex("70 02 70 05")).rec.Failure, 5);
    // A failure code above 15 is kept unchanged.
    EXPECT_EQ(DecodeElementsOf(Hex("70 c8")).rec.Failure, 200);
}

TEST(ElementDecoders, PassedOverElementsAndFurtherRecords) {
    // 120 (15 bytes) and 122 (5 bytes) leave no trace, unknown 150 with length 3,
    // 99 with length 5, and records 210, 211, 212 are walked by their lengths.
    Bytes e = Hex("78 c8 c8 c8 c8 c8 c8 c8 c8 c8 c8 c8 c8 c8 c8 7a c8 c8 c8 c8 96 03 c8 "
                  "63 05 c8 c8 c8");
    e.push_back(210);
    e.insert(e.end(), 15, 200);
    e.push_back(211);
    e.insert(e.end(), 18, 200);
    e.push_back(212);
    e.insert(e.end(), 11, 200);
    e.push_back(110);
    e.push_back(77);
    const Decoded d = DecodeElementsOf(e);
    EXPECT_EQ(d.damage, RecordDamage::None);
    EXPECT_EQ(d.rec.Value110, 77);
    EXPECT_EQ(d.endPos, static_cast<std::int64_t>(16 + e.size()));
}

TEST(ElementDecoders, LengthByteBelowTwoStillMovesOn) {
    // A length byte of 0 or 1 takes the element as its code and its length byte.
    for (const char* e : {"96 00 6e 01", "96 01 6e 01", "76 00 6e 01", "77 01 00 02 6e 01"}) {
        const Decoded d = DecodeElementsOf(Hex(e));
        EXPECT_EQ(d.damage, RecordDamage::None) << e;
        EXPECT_EQ(d.rec.Value110, 1) << e;
    }
}

TEST(ElementDecoders, ChecksumSpansOddAndEven) {
    // Checksum code at offset 21: the span is offsets 0..22, 11 words and a final high byte.
    Bytes odd = test::Header(200, 0, 0, 1, 0, 10, Hex("12 34 56 78 90"));
    ASSERT_EQ(odd.size(), 21u);
    test::AppendChecksum(odd);
    const Decoded o = DecodeOne(odd);
    EXPECT_FALSE(o.rec.ChecksumBad);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < 22; i += 2)
        sum += std::uint32_t{odd[i]} << 8 | odd[i + 1];
    sum += std::uint32_t{odd[22]} << 8;
    EXPECT_EQ(o.rec.Checksum, static_cast<std::uint16_t>(sum));

    // Code at offset 20: offsets 0..21, eleven whole words.
    Bytes even = test::Header(200, 0, 0, 1, 0, 7, Hex("12 34 56 7f"));
    test::AppendChecksum(even);
    EXPECT_FALSE(DecodeOne(even).rec.ChecksumBad);

    // The sums the test data carries, worked out by hand: c800 + 0100 +
    // 0700 + 100a + 1234 + 5678 + 9074 + 0400 = 1dd2a for the odd span;
    // c800 + 0100 + 0700 + 1007 + 1234 + 567f + 7404 = 1bcbe for the even one.
    EXPECT_EQ(Hex("dd 2a"), Bytes(odd.end() - 2, odd.end()));
    EXPECT_EQ(Hex("bc be"), Bytes(even.end() - 2, even.end()));
    // The sample record rebuilt from its first 39 bytes gets its own sum 0x0cde.
    const Bytes sample = Hex(Sample43);
    Bytes rebuilt(sample.begin(), sample.begin() + 39);
    test::AppendChecksum(rebuilt);
    EXPECT_EQ(rebuilt, sample);

    Bytes wrong = test::Header(200, 0, 0, 1, 0, 7, Hex("12 34 56 7f"));
    test::AppendChecksum(wrong, 0, true);
    EXPECT_TRUE(DecodeOne(wrong).rec.ChecksumBad);

    // The sample record with one data byte changed no longer matches its sum.
    Bytes changed = Hex(Sample43);
    changed[24] ^= 0x01;
    EXPECT_TRUE(DecodeOne(changed).rec.ChecksumBad);
    // Bytes after the checksum element do not count.
    Bytes after = Hex(Sample43);
    after.insert(after.end(), {0x6e, 0x05});
    EXPECT_FALSE(DecodeOne(after).rec.ChecksumBad);
}

TEST(ElementDecoders, RecordCutAtEveryBytePosition) {
    const Bytes full = Hex(Sample43);
    for (std::size_t n = 1; n < full.size(); ++n) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        const Decoded d = DecodeOne(cut);
        // Ending exactly between elements is no damage: the record simply ends there.
        const bool boundary = n == 20 || n == 25 || n == 34 || n == 39;
        EXPECT_EQ(d.damage, boundary ? RecordDamage::None : RecordDamage::CutOff) << n;
        EXPECT_EQ(d.endPos, static_cast<std::int64_t>(n)) << n;
    }
    // Digit counts and length bytes that point past the end.
    for (const char* e : {"64 09 12", "65 00 07 12", "77 02 05 12", "77 30 00", "96 40 00",
                          "d2 00 00", "71 00 01"}) {
        const Bytes b = test::Concat({test::Header(200, 0, 0, 1, 0, 0, {}), Hex(e)});
        EXPECT_EQ(DecodeOne(b).damage, RecordDamage::CutOff) << e;
    }
}

} // namespace
} // namespace kestrom
