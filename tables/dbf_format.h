#pragma once
// The byte layout of a dBase table as the reader uses it: offsets, sizes and type letters.
// Constants only; docs/dbf.md describes the format.

#include <cstddef>
#include <cstdint>

namespace tables::dbf {

// File header.
inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kVersionOffset = 0;
inline constexpr std::size_t kRecordCountOffset = 4;  // only checked: the file's length decides
inline constexpr std::size_t kHeaderLengthOffset = 8;
inline constexpr std::size_t kRecordLengthOffset = 10;
inline constexpr std::size_t kTableFlagsOffset = 28;

// Version bytes.
inline constexpr std::uint8_t kVersionBaseIII = 0x03;
inline constexpr std::uint8_t kVersionBaseIIIMemo = 0x83;
inline constexpr std::uint8_t kVersionClipper = 0x07;
inline constexpr std::uint8_t kVersionBaseIVa = 0x7B;
inline constexpr std::uint8_t kVersionBaseIVb = 0x8B;
inline constexpr std::uint8_t kVersionBaseIVc = 0x8E;
inline constexpr std::uint8_t kVersionBaseVII = 0x04;
inline constexpr std::uint8_t kVersionBaseVIIMemo = 0x8C;
inline constexpr std::uint8_t kVersionFoxPro = 0xF5;
inline constexpr std::uint8_t kVersionVisualFoxPro = 0x30;
inline constexpr std::uint8_t kVersionVisualFoxProAutoInc = 0x31;

// Field descriptors of every variant but dBase VII.
inline constexpr std::size_t kDescriptorStart = 32;
inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr std::size_t kNameSize = 11;
inline constexpr std::size_t kLetterOffset = 11;
inline constexpr std::size_t kLengthOffset = 16;
inline constexpr std::size_t kDecimalsOffset = 17;

// dBase VII: 36 more header bytes (language driver and reserved), then 48-byte descriptors.
inline constexpr std::size_t kBaseVIIDescriptorStart = 68;
inline constexpr std::size_t kBaseVIIDescriptorSize = 48;
inline constexpr std::size_t kBaseVIINameSize = 32;
inline constexpr std::size_t kBaseVIILetterOffset = 32;
inline constexpr std::size_t kBaseVIILengthOffset = 33;
inline constexpr std::size_t kBaseVIIDecimalsOffset = 34;

// The first byte of the descriptor position that ends the list.
inline constexpr char kDescriptorTerminator = 0x0D;

// Records.
inline constexpr char kDeletedFlag = '*';
inline constexpr char kEndOfFile = 0x1A;
inline constexpr std::size_t kFlagSize = 1;

// Type letters and the fixed lengths of D, L and M fields.
inline constexpr char kLetterCharacter = 'C';
inline constexpr char kLetterNumeric = 'N';
inline constexpr char kLetterFloat = 'F';
inline constexpr char kLetterDate = 'D';
inline constexpr char kLetterLogical = 'L';
inline constexpr char kLetterMemo = 'M';
inline constexpr std::size_t kDateLength = 8;
inline constexpr std::size_t kLogicalLength = 1;
inline constexpr std::size_t kMemoLength = 10;
// N and F fields up to this length without decimals are 32-bit integers; longer ones 64-bit.
inline constexpr std::size_t kMaxInt32Length = 9;

// The configured read buffer: a record longer than this cannot be opened.
inline constexpr std::size_t kBufferSize = 4096;
// What the reader actually reads at a time (whole records): large enough to make system calls
// rare, small enough to stay in the processor cache while the records are checked (measured
// best among 32 KiB to 256 KiB on the whole run).
inline constexpr std::size_t kReadBlockBytes = 512 * 1024;
// Records visited in ascending order this close together (in bytes) are read in one call, in
// spans of at most kCloseSpanBytes: a read call costs about as much as copying a few KiB.
inline constexpr std::size_t kCloseBytes = 4 * 1024;
inline constexpr std::size_t kCloseSpanBytes = 64 * 1024;
// A bound on the descriptor list so that a file without a terminator cannot exhaust memory.
inline constexpr std::size_t kMaxFields = 65535;

}  // namespace tables::dbf
