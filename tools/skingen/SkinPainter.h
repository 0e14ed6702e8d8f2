#pragma once

#include <functional>

#include <QList>
#include <QSize>
#include <QString>

#include "GifWriter.h"

namespace kestrune::skingen {

// One file of the skin folder: its name (the suffix picks the format), its
// size, and how it is drawn (one frame for a still picture).
struct SkinImage {
    QString file;
    QSize size;
    std::function<QList<GifFrame>()> draw;
};

// Every image of the skin, in the order of the program's skin path table.
const QList<SkinImage>& SkinTable();

// Writes every image of the table into dir (created when missing). On a
// failure returns false and says which file in *error.
bool WriteSkin(const QString& dir, QString* error);

}  // namespace kestrune::skingen
