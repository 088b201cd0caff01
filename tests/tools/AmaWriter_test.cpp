#include "tools/AmaWriter.h"

#include "decode/ElementDecoders.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

using kestrom::RecordDamage;
using kestrom::TCallRecord;
using kestrom::TLoadBuffer;
using namespace kestrom::gen;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Decodes the one call record at the start of bytes; returns where the walk stopped.
std::int64_t DecodeOne(const Bytes& bytes, TCallRecord& rec, RecordDamage& damage) {
    TLoadBuffer buf;
    buf.Data = bytes.data();
    buf.Size = static_cast<std::int64_t>(bytes.size());
    damage = kestrom::DecodeHeader(buf, rec);
    if (damage == RecordDamage::None) damage = kestrom::DecodeElements(buf, rec, {});
    return buf.Pos;
}

} // namespace

TEST(AmaWriter, ReproducesTheReferenceRecordByteForByte) {
    AmaWriter w;
    w.BeginRecord({.Number3 = 1,
                   .CallId = 12345,
                   .Flags11 = AmaHeader::F4,
                   .Flags12 = AmaHeader::F10,
                   .Sequence = 1,
                   .Owner = "1234567"})
        .Partner("890123")
        .Start({2006, 10, 9, 14, 5, 30, 7}, true)
        .Duration(120000)
        .Checksum(4);
    const Bytes expected = {0xc8, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x30, 0x39,
                            0x08, 0x02, 0x00, 0x10, 0x07, 0x12, 0x34, 0x56, 0x7f, 0x64, 0x06,
                            0x89, 0x01, 0x23, 0x66, 0x06, 0x0a, 0x09, 0x0e, 0x05, 0x1e, 0x07,
                            0x01, 0x73, 0x00, 0x01, 0xd4, 0xc0, 0x74, 0x04, 0x0c, 0xde};
    EXPECT_EQ(w.Finish(), expected);
}

TEST(AmaWriter, PacksDigitsWithSymbolsAndFiller) {
    Bytes out;
    PackDigits(out, "*12");
    PackDigits(out, "#0");
    PackDigits(out, "12ff"); // explicit filler nibbles count as digit positions
    PackDigits(out, "");
    EXPECT_EQ(out, (Bytes{0xB1, 0x2F, 0xC0, 0x12, 0xFF}));
}

TEST(AmaWriter, SplitsOwnerDigitCountsOverHeaderByte15) {
    // Up to 31 digits go into the low part; 38 digits need the high part.
    const std::string digits38(38, '5');
    AmaWriter w;
    w.BeginRecord({.Owner = digits38});
    Bytes b = w.Finish();
    ASSERT_EQ(b.size(), 16u + 19u);
    EXPECT_EQ(b[15], (7 << 5) | 31);

    // An explicit split of seven digits as 3 + 4 puts the first element at offset 20.
    w.BeginRecord({.Owner = "1234567", .OwnerCountHigh = 3, .OwnerCountLow = 4}).Failure(2);
    b = w.Finish();
    EXPECT_EQ(b[15], (3 << 5) | 4);
    EXPECT_EQ(b[20], 112);

    TCallRecord rec;
    RecordDamage damage{};
    DecodeOne(b, rec, damage);
    EXPECT_EQ(rec.Owner_N, "1234567");
    EXPECT_EQ(rec.Failure, 2);
}

TEST(AmaWriter, RecordLengthIsTheRealLengthUnlessGiven) {
    AmaWriter w;
    w.BeginRecord({.Owner = "12"}).Failure(3);              // 17 + 2 bytes
    w.BeginRecord({.Owner = "", .Length = 999}).Failure(3); // 16 + 2 bytes, length field lies
    w.EndRecord().Record212({2006, 10, 9, 0, 0, 0, 0});     // between records: not counted
    const Bytes b = w.Finish();
    ASSERT_EQ(b.size(), 19u + 18u + 12u);
    EXPECT_EQ((b[1] << 8) | b[2], 19);
    EXPECT_EQ((b[19 + 1] << 8) | b[19 + 2], 999);
}

TEST(AmaWriter, ChecksumCoversTheSpanUpToByteOneOfElement116) {
    // Element 116 at offset 21: 23 bytes summed, the last one as a high byte.
    // At offset 20: 22 bytes, eleven whole words.
    for (const auto& [owner, at] : {std::pair{"123", 21u}, std::pair{"12", 20u}}) {
        AmaWriter w;
        w.BeginRecord({.CallId = 0xC8C8C8C8, .Owner = owner}).Partner("").Byte(0xAB);
        ASSERT_EQ(w.Size(), at);
        w.Checksum(0x77);
        const Bytes b = w.Finish();
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i <= at + 1; ++i)
            sum += i % 2 == 0 ? std::uint32_t{b[i]} << 8 : b[i];
        EXPECT_EQ((b[at + 2] << 8) | b[at + 3], sum & 0xFFFF) << "owner " << owner;
        EXPECT_EQ(WordSum(std::span(b.data(), at + 2)), sum & 0xFFFF);
    }

    AmaWriter good, bad;
    good.BeginRecord({.Owner = "5"}).Checksum(1);
    bad.BeginRecord({.Owner = "5"}).Checksum(1, true);
    const Bytes g = good.Finish();
    const Bytes b = bad.Finish();
    EXPECT_NE((g[19] << 8) | g[20], (b[19] << 8) | b[20]);
}

TEST(AmaWriter, EveryElementDecodesBackIntoItsFields) {
    const std::array<std::uint8_t, 3> body118{200, 200, 200};
    const std::array<std::uint8_t, 14> body120{};
    const std::array<std::uint8_t, 3> bodyUnknown{116, 200, 0};
    AmaWriter w;
    w.BeginRecord({.Number3 = 0x01020304,
                   .CallId = 0xA0B0C0D0,
                   .Flags11 = 0x81,
                   .Flags12 = 0x3F,
                   .Sequence = 15,
                   .Owner = "3962*#0"})
        .Partner("8101234567890123")
        .Element101(true, "4321")
        .Start({2004, 2, 29, 23, 59, 59, 9}, true)
        .End({2255, 12, 31, 0, 0, 0, 0}, false)
        .Element104(0xFEDCBA)
        .Element105(200, 7)
        .ServiceA(3)
        .ServiceB(4)
        .Element108(9, 10)
        .Record210({2006, 10, 9, 1, 2, 3, 0}, {2006, 10, 9, 1, 2, 4, 0}, 200)
        .DigitSequence(std::string(44, '7'))
        .OriginCategory(1)
        .Element111(200)
        .Failure(3)
        .InTrunk({.Group = 200, .Trunk = 258, .Byte5 = 9, .Word6 = 5, .Byte8 = 7})
        .OutTrunk({.Group = 0xC8C8, .Trunk = 1, .Byte5 = 2, .Word6 = 0xC800, .Byte8 = 200})
        .Record211({2006, 10, 9, 0, 0, 0, 0}, {2006, 10, 9, 0, 0, 1, 0}, 0xC8C8C8C8)
        .Duration(3600000)
        .Unknown(99, bodyUnknown)
        .Record212({2006, 10, 9, 0, 0, 0, 0})
        .Checksum(4)
        .Element117(1, 0xC8000000, 42)
        .Element118(body118)
        .OriginalCaller("12345678901", 3)
        .Element120(body120)
        .ErrorCode(31)
        .Element122(std::array<std::uint8_t, 4>{200, 200, 200, 200})
        .Element123(std::array<std::uint8_t, 5>{200, 0, 0, 0, 0});
    const std::size_t firstLength = w.Size();
    w.BeginRecord({.Owner = "1"}).Failure(5);
    const Bytes b = w.Finish();

    TCallRecord r;
    RecordDamage damage{};
    EXPECT_EQ(DecodeOne(b, r, damage), static_cast<std::int64_t>(firstLength));
    EXPECT_EQ(damage, RecordDamage::None);
    EXPECT_EQ(r.RecordLength, firstLength);
    EXPECT_EQ(r.HeaderNumber3, 0x01020304u);
    EXPECT_EQ(r.HeaderNumber7, 0xA0B0C0D0u);
    EXPECT_EQ(r.F1 + r.F8 + r.F4, 2);
    EXPECT_EQ(r.F9 + r.F10 + r.F11 + r.F12 + r.F13 + r.F14, 6);
    EXPECT_EQ(r.Sequence, 15);
    EXPECT_EQ(r.Owner_N, "3962*#0");
    EXPECT_EQ(r.Partner_N, "8101234567890123");
    EXPECT_EQ(r.Flag101, 1);
    EXPECT_EQ(r.Digits101, "4321");
    EXPECT_EQ(kestrom::IsoDate(r.Start_D), "2004-02-29");
    EXPECT_EQ(kestrom::IsoTime(r.Start_T), "23:59:59.900");
    EXPECT_EQ(r.F1_102, 1);
    EXPECT_EQ(kestrom::IsoDate(r.End_D), "2255-12-31");
    EXPECT_EQ(r.Value104, 0xFEDCBAu);
    EXPECT_EQ(r.Byte1_105, 200);
    EXPECT_EQ(r.Suppl_Serv_106, 3);
    EXPECT_EQ(r.Suppl_Serv_107, 4);
    EXPECT_EQ(r.Byte2_108, 10);
    EXPECT_EQ(r.DigitCount109, 44);
    EXPECT_EQ(r.Seq_109, std::string(40, '7'));
    EXPECT_EQ(r.Value110, 1);
    EXPECT_EQ(r.Value111, 200);
    EXPECT_EQ(r.Failure, 3);
    EXPECT_EQ(r.In_Tr_Gr_ID, 200);
    EXPECT_EQ(r.In_Tr_ID, 258);
    EXPECT_EQ(r.Word6_113, 5);
    EXPECT_EQ(r.Out_Tr_Gr_ID, 0xC8C8);
    EXPECT_EQ(r.Word6_114, 0xC800);
    EXPECT_EQ(r.Byte8_114, 200);
    EXPECT_EQ(r.Call_Durat, 3600000u);
    EXPECT_EQ(r.Byte1_116, 4);
    EXPECT_FALSE(r.ChecksumBad); // the further records and the unknown element are summed too
    EXPECT_EQ(r.Number1_117, 0xC8000000u);
    EXPECT_EQ(r.Number2_117, 42u);
    EXPECT_EQ(r.Code118, 118);
    EXPECT_EQ(r.OCPN_119, "12345678901");
    EXPECT_EQ(r.Couse_121, 31);
    EXPECT_EQ(r.Code123, 123);
}

TEST(AmaWriter, FurtherRecordsHaveTheirFixedLengths) {
    const AmaDateTime t{2006, 10, 9, 12, 0, 0, 0};
    AmaWriter w;
    w.Record210(t, t);
    EXPECT_EQ(w.Size(), 16u);
    w.Record211(t, t, 1);
    EXPECT_EQ(w.Size(), 16u + 19u);
    w.Record212(t);
    EXPECT_EQ(w.Size(), 16u + 19u + 12u);
    const Bytes b = w.Finish();
    EXPECT_EQ(b[0], 210);
    EXPECT_EQ(b[16], 211);
    EXPECT_EQ(b[35], 212);
    EXPECT_EQ(b[36], 6); // year minus 2000
}

TEST(AmaWriter, ImpossibleValuesAreWrittenAsGiven) {
    AmaWriter w;
    w.BeginRecord({.Owner = "1"}).Start({2006, 13, 1, 0, 0, 0, 0}).Checksum();
    const Bytes b = w.Finish();
    TCallRecord r;
    RecordDamage damage{};
    DecodeOne(b, r, damage);
    EXPECT_EQ(damage, RecordDamage::BadDateTime);
}
