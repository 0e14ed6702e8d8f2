#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <chrono>
#include <memory>
#include <vector>

namespace kestrune {

// What a GIF's structure says, read before anything is decoded.
struct GifInfo {
    int width = 0;
    int height = 0;
    // Per complete image block: delay in hundredths of a second, position,
    // size and disposal method.
    struct Frame {
        int delay = 0;
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        int disposal = 0;
    };
    std::vector<Frame> frames;
};

// Reads the block structure of GIF data. False when the data is not a GIF,
// has no complete frame, or declares sizes beyond kMaxSkinImageSide.
bool ParseGif(const QByteArray& data, GifInfo& info);

// True when the data begins with "GIF87a" or "GIF89a".
bool IsGifData(const QByteArray& data);

// A still picture or a GIF animation. The frames are timed by a thread of
// its own; each frame is handed to the widget on the window thread, which
// alone paints.
class CTPicture : public QWidget {
    Q_OBJECT
public:
    // How long stopping waits for the animation thread.
    static constexpr int kStopWaitMs = 5000;
    // Most memory a decoded animation may take.
    static constexpr qint64 kMaxFrameBytes = 256LL * 1024 * 1024;

    explicit CTPicture(QWidget* parent = nullptr);
    ~CTPicture() override;  // stops the animation

    // Loads a picture; a GIF of several frames becomes an animation (not yet
    // running). Stops a running animation first. False (and nothing shown)
    // for data that does not decode, a GIF of no frame or of absurd size.
    bool Load(const QString& path);
    bool LoadFromMemory(const QByteArray& data);
    void Clear();

    // Starts the animation; false when there is none (a still picture is
    // simply shown). Restarts from the first frame when already running.
    bool Start();
    // Stops the animation, waiting at most kStopWaitMs for its thread.
    void Stop();
    bool IsRunning() const;

    bool IsLoaded() const { return !m_frames.empty(); }
    bool IsAnimated() const { return m_frames.size() > 1; }
    int FrameCount() const { return static_cast<int>(m_frames.size()); }
    int CurrentFrame() const { return m_current; }
    // Delay of a frame in milliseconds.
    int FrameDelayMs(int index) const;
    QImage FrameImage(int index) const;
    QSize PictureSize() const { return m_size; }
    // When the animation thread handed the current frame over (its timing,
    // free of the window thread's delays in delivering it).
    std::chrono::steady_clock::time_point FrameHandedOverAt() const { return m_handedAt; }

    // Colour behind transparent pixels (the platform's button face by default).
    void SetBackgroundColor(const QColor& colour);

    QSize sizeHint() const override;

signals:
    // A frame was handed over and is about to be painted (window thread).
    void FrameShown(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Runner;
    void ShowFrame(int index, std::chrono::steady_clock::time_point handedAt);
    bool SetFrames(std::vector<QImage> frames, std::vector<int> delays);

    std::vector<QImage> m_frames;
    std::vector<int> m_delays;  // ms
    QSize m_size;
    int m_current = 0;
    std::chrono::steady_clock::time_point m_handedAt;
    QColor m_background;
    bool m_backgroundSet = false;
    std::shared_ptr<Runner> m_runner;
    int m_generation = 0;
};

}  // namespace kestrune
