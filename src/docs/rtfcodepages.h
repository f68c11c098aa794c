#pragma once

// Code pages: which one a font's character set means, double-byte lead
// bytes, and a decoder for each.
#include <QStringDecoder>

namespace RtfRead {

// Symbol fonts number their glyphs, not characters (Windows calls it CP 42).
constexpr int SymbolCodePage = 42;

// Windows code page of an \fcharset; 0 means the document's own.
int codePageForCharset(int charset);
bool isDoubleByte(int cp);
bool isLeadByte(int cp, uchar b);
QStringDecoder makeDecoder(int cp);

} // namespace RtfRead
