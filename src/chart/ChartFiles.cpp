#include "chart/ChartFiles.h"

#include "chart/ChartPainter.h"

#include "core/Errors.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>

namespace tarvo::chart {

namespace {

QSize pictureSize(const ChartModel &model, int width)
{
    return {width, int(std::ceil(NeededHeight(model, width, ChartFont())))};
}

void paintOn(QPaintDevice &device, const ChartModel &model, QSize size)
{
    QPainter painter(&device);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    Paint(painter, model, LayOut(model, size, ChartFont()), ChartFont());
}

void writeSvg(QIODevice &into, const ChartModel &model, QSize size)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&into);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("Résultats enregistrés"));
    svg.setDescription(Description(model));
    paintOn(svg, model, size);
}

void writePdf(QIODevice &into, const ChartModel &model, QSize size)
{
    QPdfWriter pdf(&into);
    pdf.setResolution(96);
    pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point));
    pdf.setPageMargins(QMarginsF());
    pdf.setTitle(QStringLiteral("Résultats enregistrés"));
    pdf.setCreator(QStringLiteral("CPU Tarvo 32"));
    paintOn(pdf, model, size);
}

void writePng(QIODevice &into, const ChartModel &model, QSize size, double scale)
{
    QImage image((QSizeF(size) * scale).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    paintOn(image, model, size);
    if (!image.save(&into, "PNG"))
        throw EWriteError(into.errorString());
}

QString suffixOf(const QString &path)
{
    return path.section(QLatin1Char('.'), -1).toLower();
}

} // namespace

bool KnownImageName(const QString &path)
{
    const QString suffix = suffixOf(path);
    return path.contains(QLatin1Char('.'))
           && (suffix == QLatin1String("png") || suffix == QLatin1String("svg") || suffix == QLatin1String("pdf"));
}

void SaveChart(const ChartModel &model, const QString &path, int width, double scale)
{
    if (!KnownImageName(path))
        throw EWriteError(QStringLiteral("%1 : le nom doit finir par .png, .svg ou .pdf").arg(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EWriteError(QStringLiteral("%1 : %2").arg(path, file.errorString()));
    const QSize size = pictureSize(model, width);
    const QString suffix = suffixOf(path);
    try {
        if (suffix == QLatin1String("png"))
            writePng(file, model, size, scale);
        else if (suffix == QLatin1String("svg"))
            writeSvg(file, model, size);
        else
            writePdf(file, model, size);
    } catch (const EWriteError &e) {
        throw EWriteError(QStringLiteral("%1 : %2").arg(path, QString::fromUtf8(e.what())));
    }
    if (!file.commit())
        throw EWriteError(QStringLiteral("%1 : %2").arg(path, file.errorString()));
}

QByteArray ChartSvg(const ChartModel &model, int width)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writeSvg(buffer, model, pictureSize(model, width));
    return bytes;
}

} // namespace tarvo::chart
