#include "CTPicture.h"

#include "SkinImage.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kestrune {

namespace {

int Le16(const QByteArray& data, qsizetype at)
{
    return static_cast<unsigned char>(data[at]) | (static_cast<unsigned char>(data[at + 1]) << 8);
}

// Skips a chain of data sub-blocks starting at pos; false when the data ends
// before the terminating empty block.
bool SkipSubBlocks(const QByteArray& data, qsizetype& pos)
{
    while (pos < data.size()) {
        const int length = static_cast<unsigned char>(data[pos++]);
        if (length == 0)
            return true;
        pos += length;
    }
    return false;
}

bool AbsurdSide(int side)
{
    return side <= 0 || side > kMaxSkinImageSide;
}

}  // namespace

bool IsGifData(const QByteArray& data)
{
    return data.startsWith("GIF87a") || data.startsWith("GIF89a");
}

bool ParseGif(const QByteArray& data, GifInfo& info)
{
    info = GifInfo();
    if (!IsGifData(data) || data.size() < 13)
        return false;
    info.width = Le16(data, 6);
    info.height = Le16(data, 8);
    if (AbsurdSide(info.width) || AbsurdSide(info.height))
        return false;
    const int packed = static_cast<unsigned char>(data[10]);
    qsizetype pos = 13;
    if (packed & 0x80)
        pos += 3 * (1 << ((packed & 7) + 1));

    GifInfo::Frame pending;
    while (pos < data.size()) {
        const int introducer = static_cast<unsigned char>(data[pos++]);
        if (introducer == 0x3B)
            break;
        if (introducer == 0x21) {
            if (pos >= data.size())
                break;
            const int label = static_cast<unsigned char>(data[pos++]);
            if (label == 0xF9 && pos + 5 < data.size() && data[pos] == 4) {
                pending.disposal = (static_cast<unsigned char>(data[pos + 1]) >> 2) & 7;
                pending.delay = Le16(data, pos + 2);
            }
            if (!SkipSubBlocks(data, pos))
                break;
            continue;
        }
        if (introducer != 0x2C)
            break;  // not a GIF block: the rest is garbage
        if (pos + 9 > data.size())
            break;
        GifInfo::Frame frame = pending;
        frame.left = Le16(data, pos);
        frame.top = Le16(data, pos + 2);
        frame.width = Le16(data, pos + 4);
        frame.height = Le16(data, pos + 6);
        const int imagePacked = static_cast<unsigned char>(data[pos + 8]);
        pos += 9;
        if (AbsurdSide(frame.width) || AbsurdSide(frame.height) ||
            frame.left + frame.width > kMaxSkinImageSide ||
            frame.top + frame.height > kMaxSkinImageSide)
            return false;
        if (imagePacked & 0x80)
            pos += 3 * (1 << ((imagePacked & 7) + 1));
        if (pos >= data.size())
            break;
        const int codeSize = static_cast<unsigned char>(data[pos++]);
        if (codeSize < 1 || codeSize > 11)
            break;
        if (!SkipSubBlocks(data, pos))
            break;  // cut off inside the image data: the frame is incomplete
        info.frames.push_back(frame);
        pending = GifInfo::Frame();
    }
    return !info.frames.empty();
}

// The animation thread's shared state. The thread keeps its own reference,
// so a thread that outlives the 5 s wait still finds valid state; it never
// touches the widget once stop is set.
struct CTPicture::Runner {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    bool done = false;
    std::thread thread;
};

CTPicture::CTPicture(QWidget* parent) : QWidget(parent) {}

CTPicture::~CTPicture()
{
    Stop();
}

void CTPicture::SetBackgroundColor(const QColor& colour)
{
    m_background = colour;
    m_backgroundSet = true;
    update();
}

QSize CTPicture::sizeHint() const
{
    return m_size.isValid() ? m_size : QWidget::sizeHint();
}

int CTPicture::FrameDelayMs(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_delays.size()))
        return 0;
    return m_delays[static_cast<size_t>(index)];
}

QImage CTPicture::FrameImage(int index) const
{
    if (index < 0 || index >= FrameCount())
        return {};
    return m_frames[static_cast<size_t>(index)];
}

void CTPicture::Clear()
{
    Stop();
    m_frames.clear();
    m_delays.clear();
    m_current = 0;
    m_size = QSize();
    update();
}

bool CTPicture::Load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Clear();
        return false;
    }
    return LoadFromMemory(file.readAll());
}

bool CTPicture::SetFrames(std::vector<QImage> frames, std::vector<int> delays)
{
    m_frames = std::move(frames);
    m_delays = std::move(delays);
    m_current = 0;
    m_size = m_frames.front().size();
    resize(m_size);
    update();
    return true;
}

bool CTPicture::LoadFromMemory(const QByteArray& data)
{
    Clear();
    if (!IsGifData(data)) {
        QImage still = LoadSkinImageData(data);
        if (still.isNull())
            return false;
        return SetFrames({still.convertToFormat(QImage::Format_ARGB32_Premultiplied)}, {0});
    }

    GifInfo info;
    if (!ParseGif(data, info))
        return false;
    const qint64 frameBytes = qint64(info.width) * info.height * 4;
    if (frameBytes * static_cast<qint64>(info.frames.size()) > kMaxFrameBytes)
        return false;

    // The decoder composes each frame over the previous ones as its disposal
    // method says; frames after a broken one are dropped.
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    std::vector<QImage> frames;
    std::vector<int> delays;
    for (const GifInfo::Frame& frame : info.frames) {
        QImage image;
        if (!reader.read(&image) || image.isNull())
            break;
        frames.push_back(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        // A delay of 0 would spin the thread; show such frames for 100 ms.
        delays.push_back(frame.delay > 0 ? frame.delay * 10 : 100);
    }
    if (frames.empty())
        return false;
    if (frames.size() == 1)
        delays = {0};
    return SetFrames(std::move(frames), std::move(delays));
}

bool CTPicture::Start()
{
    Stop();
    if (!IsAnimated())
        return false;
    auto runner = std::make_shared<Runner>();
    m_runner = runner;
    const std::vector<int> delays = m_delays;
    const int generation = ++m_generation;
    QPointer<CTPicture> self(this);
    runner->thread = std::thread([runner, delays, self, generation] {
        using Clock = std::chrono::steady_clock;
        std::unique_lock lock(runner->mutex);
        size_t index = 0;
        Clock::time_point next = Clock::now();
        while (!runner->stop) {
            // Posted under the lock: once Stop has set the flag no further
            // frame is posted, so the widget may go away safely.
            const int shown = static_cast<int>(index);
            const Clock::time_point handedAt = Clock::now();
            QMetaObject::invokeMethod(
                self.data(),
                [self, shown, generation, handedAt] {
                    // A frame posted just before a stop may arrive after it.
                    if (self && self->m_runner && self->m_generation == generation)
                        self->ShowFrame(shown, handedAt);
                },
                Qt::QueuedConnection);
            const auto delay = std::chrono::milliseconds(delays[index]);
            next += delay;
            const auto now = Clock::now();
            if (next < now)  // fell far behind (a stalled machine): do not race to catch up
                next = now + delay;
            runner->wake.wait_until(lock, next, [&] { return runner->stop; });
            index = (index + 1) % delays.size();
        }
        runner->done = true;
        runner->wake.notify_all();
    });
    return true;
}

void CTPicture::Stop()
{
    if (!m_runner)
        return;
    std::shared_ptr<Runner> runner = std::move(m_runner);
    m_runner.reset();
    std::unique_lock lock(runner->mutex);
    runner->stop = true;
    runner->wake.notify_all();
    const bool ended = runner->wake.wait_for(lock, std::chrono::milliseconds(kStopWaitMs),
                                             [&] { return runner->done; });
    lock.unlock();
    if (ended)
        runner->thread.join();
    else
        runner->thread.detach();
}

bool CTPicture::IsRunning() const
{
    return m_runner != nullptr;
}

void CTPicture::ShowFrame(int index, std::chrono::steady_clock::time_point handedAt)
{
    if (index < 0 || index >= FrameCount())
        return;
    m_current = index;
    m_handedAt = handedAt;
    emit FrameShown(index);
    update();
}

void CTPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backgroundSet ? m_background : palette().color(QPalette::Button));
    if (m_frames.empty())
        return;
    painter.drawImage(QPoint(0, 0), m_frames[static_cast<size_t>(m_current)]);
}

}  // namespace kestrune
