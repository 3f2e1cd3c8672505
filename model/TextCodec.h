// Text decoding of drawing files. Code page 932 stands for the system ANSI
// code page of the Japanese systems the program serves; UTF-8 is used from
// AC1021 on. Bytes that do not decode become U+FFFD and never stop a read.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

enum class TextEncoding { Ansi, Utf8 };

std::u16string DecodeText(std::string_view bytes, TextEncoding encoding);
// Characters the encoding cannot hold become its replacement ("?" in code
// page 932, U+FFFD never arises for UTF-8).
std::string EncodeText(std::u16string_view text, TextEncoding encoding);

// Bytes of a text in code page 932: half-width characters 1, full-width 2.
int Cp932ByteCount(std::u16string_view text);

std::u16string Utf8ToU16(std::string_view utf8);
// A whole number in decimal digits, for messages and labels.
std::u16string DecimalText(long long n);
std::string U16ToUtf8(std::u16string_view text);

// The reader's encoding for a $ACADVER value: ANSI when it orders before
// "AC1021" by code units (an empty value included), UTF-8 otherwise.
TextEncoding EncodingForVersion(std::u16string_view version);

}  // namespace vantrel
