#include "decode/ElementDecoders.h"

namespace kestrom {

namespace {

// The character of one nibble, or 0 for a filler nibble (10, 13, 14, 15).
constexpr char NibbleChars[16] = {'0', '1', '2', '3', '4', '5', '6', '7',
                                  '8', '9', 0,   '*', '#', 0,   0,   0};

inline std::uint16_t Be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t Be24(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}
inline std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}
inline std::uint8_t Bit(std::uint8_t b, int n) {
    return static_cast<std::uint8_t>((b >> n) & 1);
}
inline std::int64_t DigitBytes(unsigned n) {
    return static_cast<std::int64_t>((n + 1) / 2);
}

template <std::size_t N> void PushPair(FixedText<N>& out, std::uint8_t b) {
    if (char c = NibbleChars[b >> 4]) out.push(c);
    if (char c = NibbleChars[b & 15]) out.push(c);
}

// An element length taken from a length byte: below 2 the element is taken to
// be its code and its length byte, so the walk always moves on.
inline std::int64_t ElementLength(std::uint8_t lengthByte) {
    return lengthByte < 2 ? 2 : lengthByte;
}

// Element 102 or 103 at p (9 bytes known to lie in the data). False when the
// date or the time is impossible; the fields are then left untouched.
bool DecodeDateTime(const std::uint8_t* p, TDateTime& date, TDateTime& time, std::uint8_t& flag) {
    const int year = 2000 + p[1];
    const int month = p[2];
    const int day = p[3];
    if (!IsValidDate(year, month, day)) return false;
    if (p[4] > 23 || p[5] > 59 || p[6] > 59 || p[7] > 9) return false;
    date = static_cast<double>(DaysFromCivil({year, month, day}));
    const std::int64_t ms = p[4] * 3600000LL + p[5] * 60000LL + p[6] * 1000LL + p[7] * 100LL;
    time = static_cast<double>(ms) / static_cast<double>(MsPerDay);
    flag = Bit(p[8], 0);
    return true;
}

void DecodeTrunk(const std::uint8_t* p, std::uint16_t& group, std::uint16_t& trunk,
                 std::uint8_t& byte5, std::uint16_t& word6, std::uint8_t& byte8) {
    group = Be16(p + 1);
    trunk = Be16(p + 3);
    byte5 = p[5];
    word6 = Be16(p + 6);
    byte8 = p[8];
}

// Fixed element lengths by code 100..123; 0 where the length is in the element.
constexpr std::uint8_t FixedLength[24] = {0, 0, 9, 9, 4, 3,  2, 2, 3,  0, 2, 2,
                                          2, 9, 9, 5, 4, 10, 0, 0, 15, 5, 5, 6};

} // namespace

std::string DigitPairText(std::uint8_t b) {
    FixedText<2> t;
    PushPair(t, b);
    return t.str();
}

template <std::size_t N>
bool DecodeDigits(const TLoadBuffer& buf, std::int64_t p, unsigned n, FixedText<N>& out) {
    out.clear();
    if (n == 0) return true;
    const std::int64_t k = DigitBytes(n);
    if (!buf.Holds(p, k)) return false;
    const std::uint8_t* d = buf.Data + p;
    for (std::int64_t i = 0; i + 1 < k; ++i)
        PushPair(out, d[i]);
    const std::uint8_t last = d[k - 1];
    if (n % 2 == 0) {
        PushPair(out, last);
    } else if (char hi = NibbleChars[last >> 4]) {
        out.push(hi);
    } else if (char lo = NibbleChars[last & 15]) {
        out.push(lo);
    }
    return true;
}

template bool DecodeDigits<31>(const TLoadBuffer&, std::int64_t, unsigned, FixedText<31>&);
template bool DecodeDigits<32>(const TLoadBuffer&, std::int64_t, unsigned, FixedText<32>&);
template bool DecodeDigits<40>(const TLoadBuffer&, std::int64_t, unsigned, FixedText<40>&);

std::uint16_t RecordChecksum(const std::uint8_t* p, std::int64_t len) {
    std::uint32_t sum = 0;
    std::int64_t i = 0;
    for (; i + 1 < len; i += 2)
        sum += Be16(p + i);
    if (i < len) sum += std::uint32_t{p[i]} << 8;
    return static_cast<std::uint16_t>(sum);
}

RecordDamage DecodeHeader(TLoadBuffer& buf, TCallRecord& rec) {
    const std::int64_t h = buf.Pos;
    if (!buf.Holds(h, 16)) {
        buf.Pos = buf.Size;
        return RecordDamage::CutOff;
    }
    const std::uint8_t* p = buf.Data + h;
    rec.RecordType = p[0];
    rec.RecordLength = Be16(p + 1);
    rec.HeaderNumber3 = Be32(p + 3);
    rec.HeaderNumber7 = Be32(p + 7);
    const std::uint8_t f = p[11];
    rec.F1 = Bit(f, 0);
    rec.F2 = Bit(f, 1);
    rec.F3 = Bit(f, 2);
    rec.F4 = Bit(f, 3);
    rec.F5 = Bit(f, 4);
    rec.F6 = Bit(f, 5);
    rec.F7 = Bit(f, 6);
    rec.F8 = Bit(f, 7);
    const std::uint8_t g = p[12];
    rec.F9 = Bit(g, 0);
    rec.F10 = Bit(g, 1);
    rec.F11 = Bit(g, 2);
    rec.F12 = Bit(g, 3);
    rec.F13 = Bit(g, 4);
    rec.F14 = Bit(g, 5);
    rec.Sequence = static_cast<std::uint8_t>(p[14] >> 4);
    rec.OwnerDigitsHigh = static_cast<std::uint8_t>(p[15] >> 5);
    rec.OwnerDigitsLow = static_cast<std::uint8_t>(p[15] & 31);
    const unsigned n = rec.OwnerDigitsHigh + rec.OwnerDigitsLow;
    if (!DecodeDigits(buf, h + 16, n, rec.Owner_N)) {
        buf.Pos = buf.Size;
        return RecordDamage::CutOff;
    }
    buf.Pos = h + 16 + DigitBytes(n);
    return RecordDamage::None;
}

RecordDamage DecodeElements(TLoadBuffer& buf, TCallRecord& rec, const YieldHook& yield) {
    RecordDamage damage = RecordDamage::None;
    auto cutOff = [&buf] {
        buf.Pos = buf.Size;
        return RecordDamage::CutOff;
    };
    for (;;) {
        yield();
        const std::int64_t pos = buf.Pos;
        if (pos >= buf.Size) return damage;
        const std::uint8_t c = buf.Data[pos];
        if (c == 200) return damage;

        std::int64_t len = 0;
        if (c >= 100 && c <= 123 && FixedLength[c - 100] != 0) {
            len = FixedLength[c - 100];
        } else if (c == 210 || c == 211 || c == 212) {
            len = c == 210 ? 16 : c == 211 ? 19 : 12;
        } else {
            // Digit elements and elements with a length byte need their second byte.
            if (!buf.Holds(pos, 2)) return cutOff();
            const std::uint8_t b1 = buf.Data[pos + 1];
            switch (c) {
            case 100:
            case 109:
                len = 2 + DigitBytes(b1);
                break;
            case 101:
                if (!buf.Holds(pos, 3)) return cutOff();
                len = 3 + DigitBytes(buf.Data[pos + 2]);
                break;
            default: // 118, 119 and unknown codes
                len = ElementLength(b1);
                break;
            }
        }
        if (!buf.Holds(pos, len)) return cutOff();
        const std::uint8_t* p = buf.Data + pos;

        switch (c) {
        case 100:
            rec.Code100 = 100;
            rec.DigitCount100 = p[1];
            DecodeDigits(buf, pos + 2, p[1], rec.Partner_N);
            break;
        case 101:
            rec.Code101 = 101;
            rec.Flag101 = Bit(p[1], 0);
            rec.DigitCount101 = p[2];
            DecodeDigits(buf, pos + 3, p[2], rec.Digits101);
            break;
        case 102:
            if (DecodeDateTime(p, rec.Start_D, rec.Start_T, rec.F1_102))
                rec.Code102 = 102;
            else
                damage = RecordDamage::BadDateTime;
            break;
        case 103:
            if (DecodeDateTime(p, rec.End_D, rec.End_T, rec.F1_103))
                rec.Code103 = 103;
            else
                damage = RecordDamage::BadDateTime;
            break;
        case 104:
            rec.Code104 = 104;
            rec.Value104 = Be24(p + 1);
            break;
        case 105:
            rec.Code105 = 105;
            rec.Byte1_105 = p[1];
            rec.Byte2_105 = p[2];
            break;
        case 106:
            rec.Code106 = 106;
            rec.Suppl_Serv_106 = p[1];
            break;
        case 107:
            rec.Code107 = 107;
            rec.Suppl_Serv_107 = p[1];
            break;
        case 108:
            rec.Code108 = 108;
            rec.Byte1_108 = p[1];
            rec.Byte2_108 = p[2];
            break;
        case 109:
            rec.Code109 = 109;
            rec.DigitCount109 = p[1];
            DecodeDigits(buf, pos + 2, p[1], rec.Seq_109);
            break;
        case 110:
            rec.Code110 = 110;
            rec.Value110 = p[1];
            break;
        case 111:
            rec.Code111 = 111;
            rec.Value111 = p[1];
            break;
        case 112:
            rec.Code112 = 112;
            rec.Failure = p[1];
            break;
        case 113:
            rec.Code113 = 113;
            DecodeTrunk(p, rec.In_Tr_Gr_ID, rec.In_Tr_ID, rec.Byte5_113, rec.Word6_113,
                        rec.Byte8_113);
            break;
        case 114:
            rec.Code114 = 114;
            DecodeTrunk(p, rec.Out_Tr_Gr_ID, rec.Out_Tr_ID, rec.Byte5_114, rec.Word6_114,
                        rec.Byte8_114);
            break;
        case 115:
            rec.Code115 = 115;
            rec.Call_Durat = Be32(p + 1);
            break;
        case 116:
            rec.Code116 = 116;
            rec.Byte1_116 = p[1];
            rec.Checksum = Be16(p + 2);
            if (RecordChecksum(buf.Data + buf.RecordStart, pos + 2 - buf.RecordStart) !=
                rec.Checksum)
                rec.ChecksumBad = true;
            break;
        case 117:
            rec.Code117 = 117;
            rec.Number1_117 = Be32(p + 2);
            rec.Number2_117 = Be32(p + 6);
            break;
        case 118:
            rec.Code118 = 118;
            break;
        case 119:
            // The digits are read by their count, even past the element's length
            // byte, but never past the data: a count that runs beyond it damages
            // the record, and the walk goes on behind the element.
            if (buf.Holds(pos, 3) && DecodeDigits(buf, pos + 3, p[2], rec.OCPN_119))
                rec.Code119 = 119;
            else
                damage = RecordDamage::BadDigits;
            break;
        case 121:
            rec.Code121 = 121;
            rec.Couse_121 = Be16(p + 2);
            break;
        case 123:
            rec.Code123 = 123;
            break;
        default: // 120, 122, records 210 to 212 and unknown elements leave no trace
            break;
        }
        buf.Pos = pos + len;
    }
}

} // namespace kestrom
