#pragma once

#include "base/DateTime.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom::gen {

/// What to generate. The same options give the same bytes.
struct GeneratorOptions {
    std::vector<std::string> Exchanges{"i3962"};
    CivilDate From{2006, 10, 9};
    int Days = 1;
    int FilesPerDay = 1;
    /// Call records per file; used when TotalBytes is 0.
    std::uint64_t RecordsPerFile = 1000;
    /// When above 0: every file is filled up to TotalBytes divided by the
    /// number of files (its last record may run a little beyond).
    std::uint64_t TotalBytes = 0;
    /// Share (0 to 1) of the sound call records written with a wrong checksum.
    double BadChecksumShare = 0.0;
    std::uint64_t Seed = 1;
    /// Each file gets one record with an impossible date (month 13) and ends
    /// with a record cut off inside its checksum element.
    bool Damage = false;
    /// Keep a RecordTruth for every call record (for tests; costs memory).
    bool KeepRecords = false;
};

/// How a record was written on purpose to be unreadable.
enum class RecordFault : std::uint8_t { None, BadChecksum, BadDate, CutOff };

/// What the generator put into one call record.
struct RecordTruth {
    std::uint64_t Offset = 0; ///< of its first byte in the file
    std::uint32_t Number3 = 0;
    std::uint32_t CallId = 0; ///< HeaderNumber7
    std::uint8_t Sequence = 1;
    bool Successful = false; ///< F4
    bool F10 = false;
    RecordFault Fault = RecordFault::None;
    std::string Owner;
    bool HasPartner = false;
    std::string Partner;
    bool HasStart = false;
    std::int64_t StartMs = 0; ///< time of day, in steps of 100 ms
    bool HasEnd = false;
    std::int64_t EndMs = 0;
    CivilDate Day;      ///< the date of elements 102 and 103
    int Failure = -1;   ///< element 112, -1 when absent
    int ErrorCode = -1; ///< element 121, -1 when absent
    bool HasDuration = false;
    std::uint32_t DurationMs = 0;
    int InGroup = -1;        ///< element 113's trunk group, -1 when absent
    int OutGroup = -1;       ///< element 114's trunk group, -1 when absent
    int ServiceA = -1;       ///< element 106
    int ServiceB = -1;       ///< element 107
    int OriginCategory = -1; ///< element 110
    bool HasChecksum = false;
};

/// Counts of what was written.
struct GenerationCounts {
    std::uint64_t Bytes = 0;
    std::uint64_t CallRecords = 0;    ///< every call record header, damaged ones included
    std::uint64_t BadChecksum = 0;    ///< complete records with a wrong checksum
    std::uint64_t BadDate = 0;        ///< records with an impossible date
    std::uint64_t CutOff = 0;         ///< records cut off by the end of the file
    std::uint64_t Sound = 0;          ///< readable records: all others
    std::uint64_t Successful = 0;     ///< sound records with F4 set
    std::uint64_t PartialRecords = 0; ///< records with a sequence above 1
    std::uint64_t LongCalls = 0;      ///< calls written as partial records
    std::uint64_t FurtherRecords = 0; ///< records of types 210 to 212
    std::uint64_t UnknownElements = 0;

    GenerationCounts& operator+=(const GenerationCounts& o);
};

/// One generated file.
struct GeneratedFile {
    std::string Name;
    std::string Exchange;
    CivilDate Day;
    int Index = 1; ///< 1-based number of the file within its exchange and day
    GenerationCounts Counts;
    std::vector<RecordTruth> Records; ///< only with KeepRecords
    std::vector<std::uint8_t> Bytes;  ///< empty in a manifest of written files
};

/// What a run wrote.
struct GenerationManifest {
    std::vector<GeneratedFile> Files;
    GenerationCounts Total;
};

/// The name the exchange gives a file: exchange, YYYYMMDD, "_" index, ".ama"
/// ("i3962", 9 October 2006, 1 gives "i396220061009_1.ama").
std::string AmaFileName(std::string_view exchange, const CivilDate& day, int index);

/// The number of files the options describe.
std::uint64_t FileCount(const GeneratorOptions& o);

/// Generates one file in memory. Every file has its own random stream derived
/// from the seed, the exchange, the day and the index, so a file's bytes do
/// not depend on which other files are generated.
GeneratedFile GenerateFile(const GeneratorOptions& o, std::string_view exchange,
                           const CivilDate& day, int index);

/// Generates every file of the options into dir (created when missing).
/// Throws std::runtime_error when a file cannot be written.
GenerationManifest WriteFiles(const GeneratorOptions& o, const std::filesystem::path& dir);

} // namespace kestrom::gen
