#include "docs/rtfcodepages.h"

#include <QByteArray>
#include <QList>

namespace RtfRead {

int codePageForCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    case 2: return SymbolCodePage;
    default: return 0; // ANSI, default and unknown charsets
    }
}

bool isDoubleByte(int cp)
{
    return cp == 932 || cp == 936 || cp == 949 || cp == 950 || cp == 1361;
}

bool isLeadByte(int cp, uchar b)
{
    if (cp == 932)
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return isDoubleByte(cp) && b >= 0x81 && b <= 0xFE;
}

QStringDecoder makeDecoder(int cp)
{
    QList<QByteArray> names;
    switch (cp) {
    case SymbolCodePage: names << "ISO-8859-1"; break;
    case 10000: names << "macintosh"; break;
    case 10006: names << "x-mac-greek"; break;
    case 10007: names << "x-mac-cyrillic"; break;
    case 10029: names << "x-mac-centraleurroman"; break;
    case 10081: names << "x-mac-turkish"; break;
    case 20866: names << "KOI8-R"; break;
    case 21866: names << "KOI8-U"; break;
    case 936: names << "GBK"; break;
    case 1361: names << "johab"; break;
    case 65001: names << "UTF-8"; break;
    default:
        if (cp >= 28591 && cp <= 28606)
            names << "ISO-8859-" + QByteArray::number(cp - 28590);
        else if (cp < 1000)
            names << "IBM" + QByteArray::number(cp);
        names << "windows-" + QByteArray::number(cp) << "cp" + QByteArray::number(cp);
    }
    names << "windows-1252";
    for (const QByteArray &name : std::as_const(names)) {
        QStringDecoder d(name.constData(), QStringDecoder::Flag::Stateless);
        if (d.isValid())
            return d;
    }
    // Qt without ICU knows no Windows code pages.
    return QStringDecoder(QStringDecoder::Latin1, QStringDecoder::Flag::Stateless);
}

} // namespace RtfRead
