// The code pages behind the LMBCS groups, generated into LmbcsTables.cpp from glibc's iconv by
// generate-lmbcs-tables.py, so that the same bytes decode the same on every platform.
#pragma once

namespace mailshift::nsf::lmbcs_tables {

inline constexpr int kSingleByteSize = 128;  // bytes 0x80-0xFF
inline constexpr int kLeadFirst = 0x81;
inline constexpr int kLeadLast = 0xFE;
inline constexpr int kTrailFirst = 0x40;
inline constexpr int kTrailLast = 0xFE;
inline constexpr int kTrailCount = kTrailLast - kTrailFirst + 1;
inline constexpr int kPairCount = (kLeadLast - kLeadFirst + 1) * kTrailCount;

// Single-byte groups: 850 Latin-1, 851 Greek, 1255 Hebrew, 1256 Arabic, 1251 Cyrillic,
// 852 Latin-2, 1254 Turkish, 874 Thai.
extern const char16_t kGroup01[kSingleByteSize];
extern const char16_t kGroup02[kSingleByteSize];
extern const char16_t kGroup03[kSingleByteSize];
extern const char16_t kGroup04[kSingleByteSize];
extern const char16_t kGroup05[kSingleByteSize];
extern const char16_t kGroup06[kSingleByteSize];
extern const char16_t kGroup08[kSingleByteSize];
extern const char16_t kGroup0B[kSingleByteSize];

// Double-byte groups: 932 Japanese, 949 Korean, 950 traditional and 936 simplified Chinese.
extern const char16_t kGroup10Single[kSingleByteSize];
extern const char16_t kGroup10Pairs[kPairCount];
extern const char16_t kGroup11Single[kSingleByteSize];
extern const char16_t kGroup11Pairs[kPairCount];
extern const char16_t kGroup12Single[kSingleByteSize];
extern const char16_t kGroup12Pairs[kPairCount];
extern const char16_t kGroup13Single[kSingleByteSize];
extern const char16_t kGroup13Pairs[kPairCount];

}  // namespace mailshift::nsf::lmbcs_tables
