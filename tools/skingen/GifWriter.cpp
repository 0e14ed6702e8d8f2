#include "GifWriter.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include <QHash>

namespace kestrune::skingen {

namespace {

struct ColourCount {
    QRgb colour;
    quint64 count;
};

// A box of the median cut: a slice of the histogram.
struct Box {
    int begin;
    int end;
};

int Channel(QRgb c, int ch)
{
    return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c);
}

// The channel with the widest spread in the box, and that spread.
std::pair<int, int> WidestChannel(const std::vector<ColourCount>& hist, const Box& box)
{
    int best = 0;
    int bestRange = -1;
    for (int ch = 0; ch < 3; ++ch) {
        int lo = 255;
        int hi = 0;
        for (int i = box.begin; i < box.end; ++i) {
            const int v = Channel(hist[i].colour, ch);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        if (hi - lo > bestRange) {
            bestRange = hi - lo;
            best = ch;
        }
    }
    return {best, bestRange};
}

QRgb Average(const std::vector<ColourCount>& hist, const Box& box)
{
    quint64 r = 0, g = 0, b = 0, n = 0;
    for (int i = box.begin; i < box.end; ++i) {
        r += quint64(qRed(hist[i].colour)) * hist[i].count;
        g += quint64(qGreen(hist[i].colour)) * hist[i].count;
        b += quint64(qBlue(hist[i].colour)) * hist[i].count;
        n += hist[i].count;
    }
    if (n == 0) {
        return qRgb(0, 0, 0);
    }
    return qRgb(int((r + n / 2) / n), int((g + n / 2) / n), int((b + n / 2) / n));
}

int NearestIndex(const QVector<QRgb>& palette, QRgb c)
{
    int best = 0;
    int bestDist = INT32_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(c) - qRed(palette[i]);
        const int dg = qGreen(c) - qGreen(palette[i]);
        const int db = qBlue(c) - qBlue(palette[i]);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

void PutLe16(QByteArray& out, int v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

// Packs codes of varying width least significant bit first, as GIF wants.
class BitWriter {
public:
    void Put(int code, int width)
    {
        acc_ |= quint32(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out_.append(char(acc_ & 0xFF));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray Finish()
    {
        if (bits_ > 0) {
            out_.append(char(acc_ & 0xFF));
        }
        acc_ = 0;
        bits_ = 0;
        return out_;
    }

private:
    QByteArray out_;
    quint32 acc_ = 0;
    int bits_ = 0;
};

}  // namespace

QVector<QRgb> BuildPalette(const QList<GifFrame>& frames, int maxColours)
{
    QHash<QRgb, quint64> counts;
    for (const GifFrame& f : frames) {
        const QImage img = f.image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                ++counts[line[x] | 0xFF000000u];
            }
        }
    }
    std::vector<ColourCount> hist;
    hist.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        hist.push_back({it.key(), it.value()});
    }
    // A stable order keeps the output the same from run to run.
    std::sort(hist.begin(), hist.end(),
              [](const ColourCount& a, const ColourCount& b) { return a.colour < b.colour; });

    QVector<QRgb> palette;
    if (int(hist.size()) <= maxColours) {
        for (const ColourCount& c : hist) {
            palette.append(c.colour);
        }
        return palette;
    }

    std::vector<Box> boxes{{0, int(hist.size())}};
    while (int(boxes.size()) < maxColours) {
        // Split the box with the widest channel spread, weighted by its share of pixels.
        int pick = -1;
        quint64 pickScore = 0;
        int pickChannel = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            if (boxes[i].end - boxes[i].begin < 2) {
                continue;
            }
            const auto [ch, range] = WidestChannel(hist, boxes[i]);
            quint64 pixels = 0;
            for (int k = boxes[i].begin; k < boxes[i].end; ++k) {
                pixels += hist[k].count;
            }
            const quint64 score = quint64(range + 1) * quint64(range + 1) * (pixels + 1);
            if (pick < 0 || score > pickScore) {
                pick = i;
                pickScore = score;
                pickChannel = ch;
            }
        }
        if (pick < 0) {
            break;
        }
        Box box = boxes[pick];
        std::sort(hist.begin() + box.begin, hist.begin() + box.end,
                  [pickChannel](const ColourCount& a, const ColourCount& b) {
                      const int va = Channel(a.colour, pickChannel);
                      const int vb = Channel(b.colour, pickChannel);
                      return va != vb ? va < vb : a.colour < b.colour;
                  });
        quint64 total = 0;
        for (int k = box.begin; k < box.end; ++k) {
            total += hist[k].count;
        }
        quint64 run = 0;
        int cut = box.begin + 1;
        for (int k = box.begin; k < box.end - 1; ++k) {
            run += hist[k].count;
            cut = k + 1;
            if (run * 2 >= total) {
                break;
            }
        }
        boxes[pick] = {box.begin, cut};
        boxes.push_back({cut, box.end});
    }
    for (const Box& b : boxes) {
        palette.append(Average(hist, b));
    }
    return palette;
}

QByteArray LzwEncode(const QByteArray& indices, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    BitWriter bits;
    int codeSize = minCodeSize + 1;
    int maxCode = endCode;
    // (prefix code << 8 | next index) -> code
    std::unordered_map<quint32, int> dict;
    dict.reserve(4096);

    bits.Put(clearCode, codeSize);
    if (indices.isEmpty()) {
        bits.Put(endCode, codeSize);
        return bits.Finish();
    }
    int prefix = quint8(indices[0]);
    for (qsizetype i = 1; i < indices.size(); ++i) {
        const int k = quint8(indices[i]);
        const quint32 key = (quint32(prefix) << 8) | quint32(k);
        const auto found = dict.find(key);
        if (found != dict.end()) {
            prefix = found->second;
            continue;
        }
        bits.Put(prefix, codeSize);
        dict.emplace(key, ++maxCode);
        if (maxCode >= (1 << codeSize)) {
            ++codeSize;
        }
        if (maxCode == 4095) {
            // The table is full: start afresh so the codes never exceed 12 bits.
            bits.Put(clearCode, codeSize);
            dict.clear();
            codeSize = minCodeSize + 1;
            maxCode = endCode;
        }
        prefix = k;
    }
    bits.Put(prefix, codeSize);
    bits.Put(endCode, codeSize);
    return bits.Finish();
}

QByteArray EncodeGif(const QList<GifFrame>& frames, int loopCount)
{
    if (frames.isEmpty() || frames.first().image.isNull()) {
        return {};
    }
    const QSize size = frames.first().image.size();
    for (const GifFrame& f : frames) {
        if (f.image.size() != size) {
            return {};
        }
    }
    if (size.width() > 0xFFFF || size.height() > 0xFFFF) {
        return {};
    }

    const QVector<QRgb> palette = BuildPalette(frames, 256);
    // The colour table holds 2^(n+1) entries; pad the palette up to that.
    int tableBits = 1;
    while ((1 << tableBits) < palette.size()) {
        ++tableBits;
    }
    const int minCodeSize = std::max(2, tableBits);

    QByteArray out("GIF89a");
    PutLe16(out, size.width());
    PutLe16(out, size.height());
    out.append(char(0x80 | (7 << 4) | (tableBits - 1)));  // global table, 8-bit source
    out.append(char(0));                                  // background index
    out.append(char(0));                                  // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }

    if (frames.size() > 1) {
        out.append("\x21\xFF\x0B", 3);
        out.append("NETSCAPE2.0");
        out.append(char(3));
        out.append(char(1));
        PutLe16(out, std::clamp(loopCount, 0, 0xFFFF));
        out.append(char(0));
    }

    QHash<QRgb, int> lookup;
    for (int i = 0; i < palette.size(); ++i) {
        lookup.insert(palette[i], i);
    }
    for (const GifFrame& f : frames) {
        // Graphic control: leave each frame in place (disposal 1), no transparency.
        out.append("\x21\xF9\x04", 3);
        out.append(char(1 << 2));
        PutLe16(out, std::clamp(f.delayCs, 0, 0xFFFF));
        out.append(char(0));
        out.append(char(0));

        out.append(char(0x2C));
        PutLe16(out, 0);
        PutLe16(out, 0);
        PutLe16(out, size.width());
        PutLe16(out, size.height());
        out.append(char(0));  // no local table, not interlaced

        const QImage img = f.image.convertToFormat(QImage::Format_RGB32);
        QByteArray indices;
        indices.reserve(qsizetype(size.width()) * size.height());
        for (int y = 0; y < img.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = line[x] | 0xFF000000u;
                auto it = lookup.find(c);
                if (it == lookup.end()) {
                    it = lookup.insert(c, NearestIndex(palette, c));
                }
                indices.append(char(it.value()));
            }
        }
        out.append(char(minCodeSize));
        const QByteArray codes = LzwEncode(indices, minCodeSize);
        for (qsizetype pos = 0; pos < codes.size(); pos += 255) {
            const qsizetype n = std::min<qsizetype>(255, codes.size() - pos);
            out.append(char(n));
            out.append(codes.constData() + pos, n);
        }
        out.append(char(0));
    }
    out.append(char(0x3B));
    return out;
}

}  // namespace kestrune::skingen
