#include "logo.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

QPixmap drawLogo(const QSize& size, qreal pixelRatio)
{
    QPixmap logo(size * pixelRatio);
    logo.setDevicePixelRatio(pixelRatio);
    logo.fill(Qt::transparent);

    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    painter.drawRoundedRect(box, 6, 6);

    // A distorted sine wave: a fundamental with its 3rd harmonic.
    QPainterPath wave;
    const double mid = box.height() * 0.30;
    const double amplitude = box.height() * 0.18;
    for (int x = 0; x <= int(box.width()) - 12; ++x) {
        const double phase = 2 * M_PI * x / (box.width() - 12) * 2;
        const double y = mid - amplitude * (std::sin(phase) + 0.3 * std::sin(3 * phase));
        if (x == 0)
            wave.moveTo(6 + x, y);
        else
            wave.lineTo(6 + x, y);
    }
    painter.setPen(QPen(QColor(255, 224, 192), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(wave);

    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(int(box.height() * 0.42));
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, box.height() * 0.48, box.width(), box.height() * 0.5),
                     Qt::AlignCenter, QStringLiteral("ZENTO"));
    return logo;
}
