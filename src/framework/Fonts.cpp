#include "framework/Fonts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QScreen>
#include <QWidget>

namespace tarvo {

namespace {

// Debian's fonts-wine package carries metric-compatible versions of the fonts
// the windows were drawn with. Its Tahoma Bold is left out: it has the regular
// face's strokes with a bold face's spacing, so bold text would look regular.
// Qt emboldens the regular face instead.
constexpr const char *fontFolder = "/usr/share/wine/fonts";
constexpr const char *fontFiles[] = {"ms_sans_serif.ttf", "tahoma.ttf"};

} // namespace

void RegisterDesignedFaces()
{
    for (const char *file : fontFiles) {
        const QString path = QDir(QString::fromLatin1(fontFolder)).filePath(QString::fromLatin1(file));
        if (QFileInfo::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

void GiveDesignedFont(QWidget *form)
{
    // 11 pixels whatever the screen's resolution, since every position was
    // designed in pixels.
    QFont designed(QStringLiteral("MS Sans Serif"));
    designed.setPixelSize(11);
    const qreal ratio = form->screen()->devicePixelRatio();
    form->setFont(ScreenFont(designed, ratio));
    for (QWidget *child : form->findChildren<QWidget *>()) {
        if (child->testAttribute(Qt::WA_SetFont))
            child->setFont(ScreenFont(child->font(), ratio));
    }
}

QFont ScreenFont(const QFont &designed, qreal devicePixelRatio)
{
    const QFontInfo drawn(designed);
    if (QFontDatabase::isScalable(drawn.family(), drawn.styleName()))
        return designed;
    const bool boldStrike = QFontDatabase::styles(drawn.family()).contains(QStringLiteral("Bold"));
    if (qFuzzyCompare(devicePixelRatio, 1.0) && (boldStrike || !designed.bold()))
        return designed;
    QFont scalable = designed;
    scalable.setFamily(QStringLiteral("Tahoma"));
    return scalable;
}

} // namespace tarvo
