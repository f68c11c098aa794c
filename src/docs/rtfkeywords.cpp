#include "docs/rtfkeywords.h"

namespace RtfRead {

const std::unordered_map<std::string_view, Keyword> &keywords()
{
    static const std::unordered_map<std::string_view, Keyword> table = [] {
        std::unordered_map<std::string_view, Keyword> t;
        // Groups whose content is not document text. Those written with \* are
        // skipped anyway; these also occur without it.
        for (const char *name :
             {"aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atndate", "atnicn",
              "atnid", "atnparent", "atnref", "atntime", "author", "bkmkend", "bkmkstart",
              "buptim", "category", "comment", "company", "creatim", "datafield", "docvar",
              "doccomm", "falt", "ffdeftext", "ffformat", "ffhelptext", "ffname", "ffstattext",
              "file", "filetbl", "footer", "footerf", "footerl", "footerr",
              "footnote", "ftncn", "ftnsep", "ftnsepc", "header", "headerf", "headerl",
              "headerr", "info", "keywords", "listoverridetable", "listtable", "manager",
              "nonshppict", "objclass", "objdata", "objname", "operator", "panose",
              "pn", "pntxta", "pntxtb", "printim", "private", "revtbl", "revtim",
              "rxe", "shp", "shpinst", "stylesheet", "subject", "tc", "template",
              "title", "txe", "xe"})
            t.emplace(name, Keyword{Kw::SkipDest});
        // Destinations whose text is shown.
        for (const char *name : {"listtext", "pntext", "result", "ud", "shppict"})
            t.emplace(name, Keyword{Kw::KnownDest});
        // Fields (hyperlinks), pictures and what cannot be kept.
        const std::pair<const char *, Kw> kept[] = {
            {"field", Kw::Field}, {"fldinst", Kw::FldInst}, {"fldrslt", Kw::FldRslt},
            {"pict", Kw::Pict}, {"pngblip", Kw::PngBlip}, {"jpegblip", Kw::JpegBlip},
            {"picwgoal", Kw::PicWGoal}, {"pichgoal", Kw::PicHGoal}, {"object", Kw::Object},
            {"trowd", Kw::TRowD}, {"up", Kw::Up}, {"dn", Kw::Dn}};
        for (const auto &[name, kw] : kept)
            t.emplace(name, Keyword{kw});
        t.emplace("upr", Keyword{Kw::Upr});

        const std::pair<const char *, Kw> words[] = {
            {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable},
            {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
            {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff}, {"fcharset", Kw::Fcharset},
            {"cpg", Kw::Cpg}, {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
            {"bin", Kw::Bin}, {"u", Kw::U}, {"uc", Kw::Uc},
            {"plain", Kw::Plain}, {"f", Kw::F}, {"fs", Kw::Fs}, {"b", Kw::B}, {"i", Kw::I},
            {"ul", Kw::Ul}, {"uld", Kw::Ul}, {"uldash", Kw::Ul}, {"uldashd", Kw::Ul},
            {"uldashdd", Kw::Ul}, {"uldb", Kw::Ul}, {"ulhwave", Kw::Ul}, {"ulldash", Kw::Ul},
            {"ulth", Kw::Ul}, {"ulthd", Kw::Ul}, {"ulthdash", Kw::Ul}, {"ulthdashd", Kw::Ul},
            {"ulthdashdd", Kw::Ul}, {"ulthldash", Kw::Ul}, {"ululdbwave", Kw::Ul},
            {"ulw", Kw::Ul}, {"ulwave", Kw::Ul}, {"ulnone", Kw::UlNone},
            {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"cf", Kw::Cf}, {"cb", Kw::Bg},
            {"highlight", Kw::Bg}, {"chcbpat", Kw::Bg}, {"super", Kw::Super},
            {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub}, {"v", Kw::Hidden},
            {"pard", Kw::Pard}, {"par", Kw::Par}, {"ql", Kw::Ql}, {"qr", Kw::Qr},
            {"qc", Kw::Qc}, {"qj", Kw::Qj}, {"qd", Kw::Qj}, {"li", Kw::Li}, {"ri", Kw::Ri},
            {"fi", Kw::Fi}, {"sb", Kw::Sb}, {"sa", Kw::Sa}, {"cell", Kw::Cell},
            {"row", Kw::Row}, {"intbl", Kw::InTable}, {"cellx", Kw::CellX},
            {"nestcell", Kw::NestCell}, {"nestrow", Kw::NestRow}, {"clmgf", Kw::MergedCell},
            {"clmrg", Kw::MergedCell}, {"clvmgf", Kw::MergedCell}, {"clvmrg", Kw::MergedCell},
            {"page", Kw::Page}, {"sect", Kw::Page},
        };
        for (const auto &[name, kw] : words)
            t.emplace(name, Keyword{kw});

        const std::pair<const char *, char16_t> chars[] = {
            {"line", 0x2028}, {"lbr", 0x2028}, {"tab", u'\t'}, {"emdash", 0x2014},
            {"endash", 0x2013}, {"emspace", 0x2003}, {"enspace", 0x2002},
            {"qmspace", 0x2005}, {"bullet", 0x2022}, {"lquote", 0x2018},
            {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D},
            {"zwj", 0x200D}, {"zwnj", 0x200C}, {"zwbo", 0x200B}, {"ltrmark", 0x200E},
            {"rtlmark", 0x200F},
        };
        for (const auto &[name, ch] : chars)
            t.emplace(name, Keyword{Kw::Char, ch});
        return t;
    }();
    return table;
}

} // namespace RtfRead
