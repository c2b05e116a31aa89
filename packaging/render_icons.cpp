// Build-time helper: renders the window's logo as the desktop icons.
//   render-icons OUTPUT_DIR SIZE...
// writes OUTPUT_DIR/iec1000-SIZE.png for each SIZE in pixels: the logo, twice
// as wide as high, centred on a transparent square. Needs a Qt platform
// (QT_QPA_PLATFORM=offscreen without a display).

#include "logo.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: render-icons OUTPUT_DIR SIZE...\n");
        return 64;
    }
    const QDir output(arguments.at(1));
    for (const QString& sizeText : arguments.mid(2)) {
        const int size = sizeText.toInt();
        if (size < 16) {
            std::fprintf(stderr, "render-icons: bad size %s\n", qPrintable(sizeText));
            return 64;
        }
        const QPixmap logo = drawLogo(QSize(size, size / 2), 1.0);
        QImage icon(size, size, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        QPainter painter(&icon);
        painter.drawPixmap(0, (size - logo.height()) / 2, logo);
        painter.end();
        const QString file = output.filePath(QStringLiteral("iec1000-%1.png").arg(size));
        if (!icon.save(file, "PNG")) {
            std::fprintf(stderr, "render-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
