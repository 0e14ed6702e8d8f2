#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace kestrune::gallery {

// One picture of a control in one state, with the words under it.
struct Tile {
    QImage image;
    QString caption;
};

// A titled row (or rows) of tiles.
struct Section {
    QString title;
    QList<Tile> tiles;
};

// Lays the sections out from top to bottom on one white sheet of the given
// width, tiles flowing left to right and wrapping; the header shows the logo.
QImage ComposeBoard(const QImage& logo, const QString& heading, const QList<Section>& sections,
                    int width);

}  // namespace kestrune::gallery
