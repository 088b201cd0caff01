#include "app/RecordJson.h"

#include <string_view>

namespace kestrom {

namespace {

// The length of the well-formed UTF-8 sequence that begins s (an ASCII
// character is one), or 0 when s does not begin with one.
std::size_t Utf8SequenceLength(std::string_view s) {
    const auto b = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) return 1;
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < n || b(1) < low || b(1) > high) return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (b(i) < 0x80 || b(i) > 0xBF) return 0;
    return n;
}

void AppendEscaped(std::string& out, unsigned char c) {
    static constexpr char Hex[] = "0123456789abcdef";
    out += "\\u00";
    out += Hex[(c >> 4) & 15];
    out += Hex[c & 15];
}

class JsonObject {
  public:
    JsonObject() { out_ = "{"; }
    void Number(std::string_view key, std::uint64_t v) {
        Key(key);
        out_ += std::to_string(v);
    }
    void Bool(std::string_view key, bool v) {
        Key(key);
        out_ += v ? "true" : "false";
    }
    void Text(std::string_view key, std::string_view v) {
        Key(key);
        Quoted(v);
    }
    std::string Finish() { return out_ + "}"; }

  private:
    void Key(std::string_view key) {
        if (out_.size() > 1) out_ += ',';
        Quoted(key);
        out_ += ':';
    }
    void Quoted(std::string_view v) { AppendJsonString(out_, v); }
    std::string out_;
};

const char* DamageName(RecordDamage d) {
    switch (d) {
    case RecordDamage::None:
        return "ok";
    case RecordDamage::BadDateTime:
        return "bad_date_time";
    case RecordDamage::BadDigits:
        return "bad_digits";
    case RecordDamage::CutOff:
        return "cut_off";
    }
    return "ok";
}

} // namespace

// Well-formed UTF-8 passes as it is; every other byte (a file name in
// another code page, say) becomes \u00XX, so the text stays valid JSON.
void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
            ++i;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            AppendEscaped(out, static_cast<unsigned char>(c));
            ++i;
        } else if (const std::size_t n = Utf8SequenceLength(text.substr(i)); n > 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            AppendEscaped(out, static_cast<unsigned char>(c));
            ++i;
        }
    }
    out += '"';
}

std::string RecordJson(std::string_view file, const TCallRecord& r, RecordDamage damage,
                       std::int64_t offset) {
    JsonObject j;
    j.Text("file", file);
    j.Number("offset", static_cast<std::uint64_t>(offset));
    j.Text("status", DamageName(damage));
    j.Text("checksum", r.Code116 == 0 ? "absent" : r.ChecksumBad ? "bad" : "good");
    j.Number("RecordType", r.RecordType);
    j.Number("RecordLength", r.RecordLength);
    j.Number("HeaderNumber3", r.HeaderNumber3);
    j.Number("HeaderNumber7", r.HeaderNumber7);
    const std::uint8_t flags[] = {r.F1, r.F2, r.F3,  r.F4,  r.F5,  r.F6,  r.F7,
                                  r.F8, r.F9, r.F10, r.F11, r.F12, r.F13, r.F14};
    static constexpr const char* FlagNames[] = {"F1", "F2", "F3",  "F4",  "F5",  "F6",  "F7",
                                                "F8", "F9", "F10", "F11", "F12", "F13", "F14"};
    for (std::size_t i = 0; i < sizeof flags; ++i)
        j.Number(FlagNames[i], flags[i]);
    j.Number("Sequence", r.Sequence);
    j.Number("OwnerDigitsHigh", r.OwnerDigitsHigh);
    j.Number("OwnerDigitsLow", r.OwnerDigitsLow);
    j.Text("Owner_N", r.Owner_N.view());
    j.Number("Code100", r.Code100);
    j.Number("DigitCount100", r.DigitCount100);
    j.Text("Partner_N", r.Partner_N.view());
    j.Number("Code101", r.Code101);
    j.Number("Flag101", r.Flag101);
    j.Number("DigitCount101", r.DigitCount101);
    j.Text("Digits101", r.Digits101.view());
    j.Number("Code102", r.Code102);
    j.Text("Start_D", IsoDate(r.Start_D));
    j.Text("Start_T", IsoTime(r.Start_T));
    j.Number("F1_102", r.F1_102);
    j.Number("Code103", r.Code103);
    j.Text("End_D", IsoDate(r.End_D));
    j.Text("End_T", IsoTime(r.End_T));
    j.Number("F1_103", r.F1_103);
    j.Number("Code104", r.Code104);
    j.Number("Value104", r.Value104);
    j.Number("Code105", r.Code105);
    j.Number("Byte1_105", r.Byte1_105);
    j.Number("Byte2_105", r.Byte2_105);
    j.Number("Code106", r.Code106);
    j.Number("Suppl_Serv_106", r.Suppl_Serv_106);
    j.Number("Code107", r.Code107);
    j.Number("Suppl_Serv_107", r.Suppl_Serv_107);
    j.Number("Code108", r.Code108);
    j.Number("Byte1_108", r.Byte1_108);
    j.Number("Byte2_108", r.Byte2_108);
    j.Number("Code109", r.Code109);
    j.Number("DigitCount109", r.DigitCount109);
    j.Text("Seq_109", r.Seq_109.view());
    j.Number("Code110", r.Code110);
    j.Number("Value110", r.Value110);
    j.Number("Code111", r.Code111);
    j.Number("Value111", r.Value111);
    j.Number("Code112", r.Code112);
    j.Number("Failure", r.Failure);
    j.Number("Code113", r.Code113);
    j.Number("In_Tr_Gr_ID", r.In_Tr_Gr_ID);
    j.Number("In_Tr_ID", r.In_Tr_ID);
    j.Number("Byte5_113", r.Byte5_113);
    j.Number("Word6_113", r.Word6_113);
    j.Number("Byte8_113", r.Byte8_113);
    j.Number("Code114", r.Code114);
    j.Number("Out_Tr_Gr_ID", r.Out_Tr_Gr_ID);
    j.Number("Out_Tr_ID", r.Out_Tr_ID);
    j.Number("Byte5_114", r.Byte5_114);
    j.Number("Word6_114", r.Word6_114);
    j.Number("Byte8_114", r.Byte8_114);
    j.Number("Code115", r.Code115);
    j.Number("Call_Durat", r.Call_Durat);
    j.Number("Code116", r.Code116);
    j.Number("Byte1_116", r.Byte1_116);
    j.Number("Checksum", r.Checksum);
    j.Bool("ChecksumBad", r.ChecksumBad);
    j.Number("Code117", r.Code117);
    j.Number("Number1_117", r.Number1_117);
    j.Number("Number2_117", r.Number2_117);
    j.Number("Code118", r.Code118);
    j.Number("Reserved118", r.Reserved118);
    j.Text("ReservedText118", r.ReservedText118.view());
    j.Number("Code119", r.Code119);
    j.Text("OCPN_119", r.OCPN_119.view());
    j.Number("Code121", r.Code121);
    j.Number("Couse_121", r.Couse_121);
    j.Number("Code123", r.Code123);
    j.Number("Reserved123", r.Reserved123);
    return j.Finish();
}

} // namespace kestrom
