// Figures of the foundation: one Translate lookup with a 5,000-entry table,
// and building and cutting a 1 MiB file into frames.
#include "BenchReport.h"
#include "Language.h"
#include "TransmitFrame.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

using namespace kestrune;

namespace {

constexpr int kEntries = 5000;

double TranslateLookupMicroseconds()
{
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("Languages"));
    QFile ini(folder.filePath(QStringLiteral("Languages/Language.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return -1;
    ini.write("[LCID]\n2052=Bench\n");
    ini.close();
    QFile table(folder.filePath(QStringLiteral("Languages/Bench.lng")));
    if (!table.open(QIODevice::WriteOnly))
        return -1;
    table.write("[ProgramOutStr]\n");
    std::vector<QString> texts;
    for (int i = 0; i < kEntries; ++i) {
        // Program texts as they come: mixed case, some with a line-break escape.
        const QString text = QStringLiteral("Device status text number %1").arg(i);
        table.write(text.toUtf8() + "=设备状态文本\\n第 " + QByteArray::number(i) + " 条\n");
        texts.push_back(text);
    }
    table.close();
    InitLanguageForLocale(folder.path().toStdString() + "/", 2052);

    constexpr int kLookups = 100000;
    std::vector<double> runs;
    size_t sink = 0;
    for (int run = 0; run < 7; ++run) {
        const double us = MicrosecondsOf([&] {
            for (int i = 0; i < kLookups; ++i)
                sink +=
                    static_cast<size_t>(Translate(texts[static_cast<size_t>(i) % kEntries]).size());
        });
        runs.push_back(us / kLookups);
    }
    if (sink == 0)
        return -1;  // every lookup missed: the table did not load
    InitLanguageForLocale("/nonexistent/", 1033);
    return MedianOf(runs);
}

double FrameCutMilliseconds()
{
    std::vector<uint8_t> file(1 << 20);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<uint8_t>(i * 131);
    const MacAddress device{0x02, 0, 0, 0, 0, 1}, adapter{0x02, 0, 0, 0, 0, 2};
    std::vector<double> runs;
    uint64_t sink = 0;
    for (int run = 0; run < 21; ++run) {
        const double us = MicrosecondsOf([&] {
            transmit_frame_stu frame;
            BuildHeader(frame, device, adapter, FramePara, OpParaBlock, 1);
            BlockCutter cutter(frame, file);
            while (cutter.Next())
                sink += PayloadLenOf(frame) + frame.payload[PayloadLenOf(frame) - 1];
        });
        runs.push_back(us / 1000.0);
    }
    if (sink == 0)
        return -1;
    return MedianOf(runs);
}

}  // namespace

int main()
{
    ReportBench("translate_lookup_us", TranslateLookupMicroseconds(), "us", "<", 1);
    ReportBench("frame_cut_1mib_ms", FrameCutMilliseconds(), "ms", "<", 2);
    return 0;
}
