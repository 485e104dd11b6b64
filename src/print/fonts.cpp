#include "print/fonts.h"

#include <QFont>

const std::vector<FontStandIns> &fontStandIns()
{
    static const std::vector<FontStandIns> table = {
        {"ＭＳ 明朝", {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP", "IPAGothic", "Noto Sans Mono CJK JP"}},
        {"ＭＳ Ｐ明朝", {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "IPAPGothic", "Noto Sans CJK JP"}},
        {"ＭＳ ゴシック", {"IPAGothic", "IPAexGothic", "Noto Sans Mono CJK JP", "Noto Sans CJK JP"}},
        {"ＭＳ Ｐゴシック", {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP"}},
    };
    return table;
}

void installFontSubstitutions()
{
    // QFont tries the substitutes in order and takes the first installed one.
    for (const FontStandIns &row : fontStandIns())
        QFont::insertSubstitutions(QString::fromUtf8(row.designName), row.families);
}
