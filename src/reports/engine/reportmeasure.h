#pragma once

#include "reports/engine/reportpainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QString>
#include <map>
#include <memory>
#include <vector>

// Text widths in points: fonts measured on a 72 dpi surface.
class ReportMeasure
{
public:
    const QFontMetricsF &metrics(double size, bool bold)
    {
        const int key = int(size * 10) * 2 + (bold ? 1 : 0);
        auto it = m_metrics.find(key);
        if (it == m_metrics.end()) {
            QFont font;
            font.setPointSizeF(size);
            font.setBold(bold);
            ReportPainter::setNoLigatures(font); // measured as it is painted
            it = m_metrics.emplace(key, std::make_unique<QFontMetricsF>(font, &m_device)).first;
        }
        return *it->second;
    }
    // The text cut with an ellipsis to fit the width. Widths are first
    // added up from cached character advances, which is far quicker than
    // shaping every cell; only a text close to the width is shaped.
    QString fit(const QString &text, double width, double size, bool bold)
    {
        const QFontMetricsF &fm = metrics(size, bold);
        QHash<char16_t, double> &advances = m_advances[&fm];
        std::vector<double> &latin1 = m_latin1[&fm]; // the same for the first 256, by index
        if (latin1.empty())
            latin1.assign(256, -1);
        auto advance = [&](QChar c) {
            if (c.unicode() < 256) {
                double &a = latin1[c.unicode()];
                if (a < 0)
                    a = fm.horizontalAdvance(c);
                return a;
            }
            auto it = advances.constFind(c.unicode());
            if (it == advances.cend())
                it = advances.insert(c.unicode(), fm.horizontalAdvance(c));
            return it.value();
        };
        double estimate = 0;
        for (QChar c : text)
            estimate += advance(c);
        if (estimate <= width * 0.95)
            return text;
        if (estimate > width * 1.05) {
            const QString ellipsis(QChar(0x2026));
            const double room = width - advance(ellipsis.at(0)) * 1.05;
            double used = 0;
            qsizetype n = 0;
            while (n < text.size() && used + advance(text.at(n)) * 1.05 <= room)
                used += advance(text.at(n++)) * 1.05;
            return text.left(n).trimmed() + ellipsis;
        }
        if (fm.horizontalAdvance(text) <= width)
            return text;
        return fm.elidedText(text, Qt::ElideRight, width);
    }

private:
    QImage m_device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.setDotsPerMeterX(2835); // 72 dpi
        image.setDotsPerMeterY(2835);
        return image;
    }();
    std::map<int, std::unique_ptr<QFontMetricsF>> m_metrics;
    std::map<const QFontMetricsF *, QHash<char16_t, double>> m_advances;
    std::map<const QFontMetricsF *, std::vector<double>> m_latin1;
};

