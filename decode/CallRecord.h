#pragma once

#include "base/DateTime.h"
#include "decode/FixedText.h"

#include <cstdint>

namespace kestrom {

/// One decoded call record between its decoding and its storing. The groups
/// follow the file layout: the header, then one group per element code, each
/// led by its code field, which is 0 when the element was absent.
struct TCallRecord {
    // header
    std::uint8_t RecordType = 0;
    std::uint16_t RecordLength = 0;
    std::uint32_t HeaderNumber3 = 0;
    std::uint32_t HeaderNumber7 = 0;
    std::uint8_t F1 = 0, F2 = 0, F3 = 0, F4 = 0, F5 = 0, F6 = 0, F7 = 0, F8 = 0;
    std::uint8_t F9 = 0, F10 = 0, F11 = 0, F12 = 0, F13 = 0, F14 = 0;
    std::uint8_t Sequence = 0;
    std::uint8_t OwnerDigitsHigh = 0;
    std::uint8_t OwnerDigitsLow = 0;
    FixedText<32> Owner_N;

    // 100: partner number, number B
    std::uint8_t Code100 = 0;
    std::uint8_t DigitCount100 = 0;
    FixedText<32> Partner_N;

    // 101
    std::uint8_t Code101 = 0;
    std::uint8_t Flag101 = 0;
    std::uint8_t DigitCount101 = 0;
    FixedText<32> Digits101;

    // 102: call start
    std::uint8_t Code102 = 0;
    TDateTime Start_D = 0;
    TDateTime Start_T = 0;
    std::uint8_t F1_102 = 0;

    // 103: call end
    std::uint8_t Code103 = 0;
    TDateTime End_D = 0;
    TDateTime End_T = 0;
    std::uint8_t F1_103 = 0;

    // 104
    std::uint8_t Code104 = 0;
    std::uint32_t Value104 = 0;

    // 105
    std::uint8_t Code105 = 0;
    std::uint8_t Byte1_105 = 0, Byte2_105 = 0;

    // 106, 107: supplementary services of parties A and B
    std::uint8_t Code106 = 0;
    std::uint8_t Suppl_Serv_106 = 0;
    std::uint8_t Code107 = 0;
    std::uint8_t Suppl_Serv_107 = 0;

    // 108
    std::uint8_t Code108 = 0;
    std::uint8_t Byte1_108 = 0, Byte2_108 = 0;

    // 109: digit sequence
    std::uint8_t Code109 = 0;
    std::uint8_t DigitCount109 = 0;
    FixedText<40> Seq_109;

    // 110 (origin category), 111
    std::uint8_t Code110 = 0;
    std::uint8_t Value110 = 0;
    std::uint8_t Code111 = 0;
    std::uint8_t Value111 = 0;

    // 112: failure code
    std::uint8_t Code112 = 0;
    std::uint8_t Failure = 0;

    // 113: incoming trunk
    std::uint8_t Code113 = 0;
    std::uint16_t In_Tr_Gr_ID = 0;
    std::uint16_t In_Tr_ID = 0;
    std::uint8_t Byte5_113 = 0;
    std::uint16_t Word6_113 = 0;
    std::uint8_t Byte8_113 = 0;

    // 114: outgoing trunk
    std::uint8_t Code114 = 0;
    std::uint16_t Out_Tr_Gr_ID = 0;
    std::uint16_t Out_Tr_ID = 0;
    std::uint8_t Byte5_114 = 0;
    std::uint16_t Word6_114 = 0;
    std::uint8_t Byte8_114 = 0;

    // 115: duration in milliseconds
    std::uint8_t Code115 = 0;
    std::uint32_t Call_Durat = 0;

    // 116: checksum
    std::uint8_t Code116 = 0;
    std::uint8_t Byte1_116 = 0;
    std::uint16_t Checksum = 0;
    bool ChecksumBad = false;

    // 117
    std::uint8_t Code117 = 0;
    std::uint32_t Number1_117 = 0;
    std::uint32_t Number2_117 = 0;

    // 118: never filled beyond its code
    std::uint8_t Code118 = 0;
    std::uint8_t Reserved118 = 0;
    FixedText<22> ReservedText118;

    // 119: a further number A
    std::uint8_t Code119 = 0;
    FixedText<31> OCPN_119;

    // 121: extended error code
    std::uint8_t Code121 = 0;
    std::uint16_t Couse_121 = 0;

    // 123
    std::uint8_t Code123 = 0;
    std::uint32_t Reserved123 = 0;
};

/// Sets every field to its blank value.
inline void ResetCallRecord(TCallRecord& r) {
    r = TCallRecord{};
}

} // namespace kestrom
