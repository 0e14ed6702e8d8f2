#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>
#include <QVector>

namespace kestrune::skingen {

// One picture of an animation and how long it stays, in hundredths of a second.
struct GifFrame {
    QImage image;
    int delayCs = 10;
};

// Reduces the colours of all frames to at most maxColours (median cut over the
// combined histogram; exact when the frames use no more colours than that).
// Alpha is ignored: callers composite onto their background first.
QVector<QRgb> BuildPalette(const QList<GifFrame>& frames, int maxColours = 256);

// Encodes a GIF89a: one global palette shared by every frame, full-size frames,
// each with its own delay, and a NETSCAPE2.0 loop block (loopCount 0 = forever).
// Every frame must have the size of the first. Returns an empty array when
// there is no frame or the sizes disagree.
QByteArray EncodeGif(const QList<GifFrame>& frames, int loopCount = 0);

// The raw LZW code stream of one frame (without the leading code-size byte and
// without sub-block framing); exposed for tests of the coder.
QByteArray LzwEncode(const QByteArray& indices, int minCodeSize);

}  // namespace kestrune::skingen
