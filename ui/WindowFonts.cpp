#include "ui/WindowFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace rkt5 {

namespace {

QString captionFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        // The face the captions were drawn in on Windows first, then its free likeness, then
        // any face with Japanese glyphs.
        for (const char* preferred :
             {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "IPA Pゴシック"}) {
            if (installed.contains(QString::fromUtf8(preferred))) {
                return QString::fromUtf8(preferred);
            }
        }
        const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
        return japanese.isEmpty() ? QString() : japanese.front();
    }();
    return family;
}

}  // namespace

QFont windowFont(double pointSize) {
    QFont font;
    if (!captionFamily().isEmpty()) {
        font.setFamily(captionFamily());
    }
    font.setPointSizeF(pointSize);
    return font;
}

}  // namespace rkt5
