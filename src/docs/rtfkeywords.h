#pragma once

// The control words the reader knows, and what each one is.
#include <QtGlobal>

#include <string_view>
#include <unordered_map>

namespace RtfRead {

enum class Kw : quint8 {
    Unknown,
    // Destinations.
    SkipDest, KnownDest, FontTable, ColorTable, Upr,
    // Document and tables.
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Fcharset, Cpg, Red, Green, Blue, Bin, U, Uc,
    // Character formats.
    Plain, F, Fs, B, I, Ul, UlNone, Strike, Cf, Bg, Super, Sub, NoSuperSub, Hidden,
    // Paragraphs.
    Pard, Par, Ql, Qr, Qc, Qj, Li, Ri, Fi, Sb, Sa, Cell, Row, Page,
    // Tables.
    InTable, CellX, NestCell, NestRow, MergedCell,
    // A single character (the table gives it).
    Char,
    // Fields, pictures, objects, table rows, raised and lowered text.
    Field, FldInst, FldRslt, Pict, PngBlip, JpegBlip, PicWGoal, PicHGoal, Object, TRowD, Up, Dn,
};

struct Keyword
{
    Kw kw;
    char16_t ch = 0;
};

const std::unordered_map<std::string_view, Keyword> &keywords();

} // namespace RtfRead
