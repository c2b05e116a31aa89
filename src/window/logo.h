#pragma once

#include <QPixmap>

// The maker's logo shown as Image1: a wave over the word ZENTO, drawn at the
// given size in pixels.
QPixmap drawLogo(const QSize& size, qreal pixelRatio);
