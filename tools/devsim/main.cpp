// kestrune-devsim: plays any number of devices on one Ethernet interface, for
// tests, benchmarks and demos on a private virtual segment. Single-threaded:
// one poll loop over the capture and a signal descriptor, with a queue of
// timed sends for delayed acknowledgements, results and junk.
#include <pcap/pcap.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <queue>
#include <random>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "DeviceFrames.h"
#include "TransmitFrame.h"

using namespace kestrune;
using namespace kestrune::devsim;

namespace {

const char* const kHelp = R"(Usage: kestrune-devsim --interface IF [options]

Plays N devices on interface IF: answers discovery requests, acknowledges
blocks, reassembles the files it receives and sends result frames.

Devices
  --interface IF        interface to listen and send on (required)
  --devices N           number of devices (default 1)
  --base-mac MAC        MAC of the first device; the others count up from it
                        (default 02:6B:73:00:00:01)
  --ssid2 TEXT          2.4 GHz SSID; {n} is the device number (1-based),
                        {mac} its MAC without colons (default "KST-{n}")
  --ssid5 TEXT          5 GHz SSID (default "KST-{n}-5G")
  --key2 TEXT           2.4 GHz WPA key (default "key2-{mac}")
  --key5 TEXT           5 GHz WPA key (default "key5-{mac}")
  --full-width          fill every wireless field to its full width (34 or 66
                        bytes) with no terminating NUL
  --answer-repeat K     send each discovery answer K times (default 1)
  --answer-gap-us US    pause between discovery answers (default 0)
  --no-discovery        never answer discovery requests
  --tool-mac MAC        where junk goes before a tool frame was seen

Files and results
  --out DIR             write each received file to DIR/<MAC>.<kind>.bin
                        (<MAC> without colons; the anti-theft text to
                        DIR/<MAC>.3.json)
  --para-result ok|fail       result for configuration files (default ok)
  --logo-result ok|fail       result for logos (default ok)
  --antitheft-result ok|fail  result for anti-theft settings (default ok)
  --lock-code TEXT      anti-theft settings whose "Lockcode" differs fail
  --result-delay MS     delay before a result frame (default 0)
  --no-results          never send result frames

Faults
  --loss P              drop each frame with probability P, both directions
  --loss-in P           ... only frames received
  --loss-out P          ... only frames sent
  --no-acks             never acknowledge
  --silent              neither acknowledge nor send results
  --ack-seq N           acknowledge with this seq (65535 acknowledges anything)
  --stale-acks          acknowledge with the previous block's seq
  --ack-delay MS        delay every acknowledgement
  --ack-every K         acknowledge only every K-th block received per device
  --junk-rate R         send R junk frames per second (14 to 9000 bytes,
                        unknown type/op, random contents) from the devices
  --seed S              random seed (default 1)

Output
  --log-blocks          print a BLOCK line for every block received
  --help                this text

Lines printed (one per event, flushed at once):
  READY interface=IF devices=N first=MAC last=MAC
  DISCOVER from=MAC answers=N
  BLOCK MAC type=T seq=S flag=F len=L t=MS           (with --log-blocks)
  RECEIVED MAC kind=K bytes=N blocks=B sends=RUNS file=PATH
      RUNS: "<count>x<blocks>,..." how often each block arrived until the
      file was complete, e.g. 1x64 or 5x1,1x2
  RESULT MAC kind=K ok=0|1 [lost=1]
On SIGTERM or SIGINT, before exiting with code 0 (or 3 when the interface
went away):
  BLOCKS MAC type=T SEQ:COUNT ...   every arrival per seq, resends included
  SUMMARY rx=N tx=N lost_in=N lost_out=N junk=N t<type>op<op>=N ...
      (rx and the per-seq and per-type counts include frames then dropped
      by --loss-in)
)";

uint64_t MacNumber(const MacAddress& mac)
{
    uint64_t value = 0;
    for (uint8_t byte : mac)
        value = value << 8 | byte;
    return value;
}

MacAddress MacFromNumber(uint64_t value)
{
    MacAddress mac;
    for (int i = 5; i >= 0; --i, value >>= 8)
        mac[static_cast<size_t>(i)] = static_cast<uint8_t>(value);
    return mac;
}

std::string MacPlain(const MacAddress& mac)
{
    char text[13];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return text;
}

std::string Substitute(std::string text, size_t number, const MacAddress& mac)
{
    auto replace = [&text](const std::string& key, const std::string& value) {
        for (size_t at; (at = text.find(key)) != std::string::npos;)
            text.replace(at, key.size(), value);
    };
    replace("{n}", std::to_string(number));
    replace("{mac}", MacPlain(mac));
    return text;
}

std::string FillToWidth(std::string text, size_t width)
{
    for (size_t i = 0; text.size() < width; ++i)
        text += static_cast<char>('A' + i % 26);
    return text.substr(0, width);
}

void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "kestrune-devsim: %s\n", message.c_str());
    std::exit(2);
}

struct Options {
    std::string interface;
    size_t devices = 1;
    MacAddress baseMac{0x02, 0x6b, 0x73, 0x00, 0x00, 0x01};
    std::string ssid2 = "KST-{n}", ssid5 = "KST-{n}-5G", key2 = "key2-{mac}", key5 = "key5-{mac}";
    bool fullWidth = false;
    int answerRepeat = 1;
    int answerGapUs = 0;
    bool noDiscovery = false;
    std::optional<MacAddress> toolMac;
    std::string outDir;
    bool resultOk[4] = {true, true, true, true};
    std::optional<std::string> lockCode;
    int resultDelayMs = 0;
    bool noResults = false;
    double lossIn = 0, lossOut = 0;
    bool noAcks = false;
    std::optional<uint16_t> ackSeq;
    bool staleAcks = false;
    int ackDelayMs = 0;
    int ackEvery = 1;
    double junkRate = 0;
    uint64_t seed = 1;
    bool logBlocks = false;
};

Options ParseOptions(int argc, char** argv)
{
    Options options;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                Fail("option " + name + " needs a value");
            return args[++i];
        };
        auto number = [&](double low, double high) {
            const std::string& text = value();
            char* end = nullptr;
            const double parsed = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != 0 || parsed < low || parsed > high)
                Fail("bad value for " + name + ": " + text);
            return parsed;
        };
        auto mac = [&] {
            MacAddress parsed;
            const std::string& text = value();
            if (!ParseMacText(text, parsed))
                Fail("bad MAC for " + name + ": " + text);
            return parsed;
        };
        auto outcome = [&] {
            const std::string& text = value();
            if (text != "ok" && text != "fail")
                Fail(name + " takes ok or fail");
            return text == "ok";
        };
        if (name == "--help" || name == "-h") {
            std::fputs(kHelp, stdout);
            std::exit(0);
        } else if (name == "--interface") {
            options.interface = value();
        } else if (name == "--devices") {
            options.devices = static_cast<size_t>(number(1, 1 << 20));
        } else if (name == "--base-mac") {
            options.baseMac = mac();
        } else if (name == "--ssid2") {
            options.ssid2 = value();
        } else if (name == "--ssid5") {
            options.ssid5 = value();
        } else if (name == "--key2") {
            options.key2 = value();
        } else if (name == "--key5") {
            options.key5 = value();
        } else if (name == "--full-width") {
            options.fullWidth = true;
        } else if (name == "--answer-repeat") {
            options.answerRepeat = static_cast<int>(number(1, 1000));
        } else if (name == "--answer-gap-us") {
            options.answerGapUs = static_cast<int>(number(0, 1e6));
        } else if (name == "--no-discovery") {
            options.noDiscovery = true;
        } else if (name == "--tool-mac") {
            options.toolMac = mac();
        } else if (name == "--out") {
            options.outDir = value();
        } else if (name == "--para-result") {
            options.resultOk[FramePara] = outcome();
        } else if (name == "--logo-result") {
            options.resultOk[FrameLogo] = outcome();
        } else if (name == "--antitheft-result") {
            options.resultOk[FrameAntiTheft] = outcome();
        } else if (name == "--lock-code") {
            options.lockCode = value();
        } else if (name == "--result-delay") {
            options.resultDelayMs = static_cast<int>(number(0, 3.6e6));
        } else if (name == "--no-results") {
            options.noResults = true;
        } else if (name == "--loss") {
            options.lossIn = options.lossOut = number(0, 1);
        } else if (name == "--loss-in") {
            options.lossIn = number(0, 1);
        } else if (name == "--loss-out") {
            options.lossOut = number(0, 1);
        } else if (name == "--no-acks") {
            options.noAcks = true;
        } else if (name == "--silent") {
            options.noAcks = options.noResults = true;
        } else if (name == "--ack-seq") {
            options.ackSeq = static_cast<uint16_t>(number(0, 65535));
        } else if (name == "--stale-acks") {
            options.staleAcks = true;
        } else if (name == "--ack-delay") {
            options.ackDelayMs = static_cast<int>(number(0, 3.6e6));
        } else if (name == "--ack-every") {
            options.ackEvery = static_cast<int>(number(1, 1e6));
        } else if (name == "--junk-rate") {
            options.junkRate = number(0, 1e6);
        } else if (name == "--seed") {
            options.seed = static_cast<uint64_t>(number(0, 1.8e19));
        } else if (name == "--log-blocks") {
            options.logBlocks = true;
        } else {
            Fail("unknown option " + name + " (see --help)");
        }
    }
    if (options.interface.empty())
        Fail("--interface is required (see --help)");
    return options;
}

struct Device {
    MacAddress mac;
    std::string macText;
    DeviceWireless wireless;
    FileAssembler files[3];  // configuration, logo (by frame type - 1)
    std::string lastJson;
    uint64_t lastJsonMs = 0;
    bool hasJson = false;
    uint64_t arrivals = 0;
    std::map<uint16_t, uint32_t> seqCounts[4];
};

enum class TimedKind { Send, Junk };

struct Timed {
    uint64_t dueUs;
    uint64_t order;
    TimedKind kind;
    transmit_frame_stu frame;
    std::string line;  // printed once the frame went out
};

struct Later {
    bool operator()(const Timed& a, const Timed& b) const
    {
        return a.dueUs != b.dueUs ? a.dueUs > b.dueUs : a.order > b.order;
    }
};

class Simulator {
public:
    explicit Simulator(Options options) : m_options(std::move(options)), m_random(m_options.seed)
    {
        const uint64_t base = MacNumber(m_options.baseMac);
        m_devices.resize(m_options.devices);
        for (size_t i = 0; i < m_devices.size(); ++i) {
            Device& device = m_devices[i];
            device.mac = MacFromNumber(base + i);
            device.macText = MacText(device.mac.data());
            std::string texts[4] = {m_options.ssid2, m_options.ssid5, m_options.key2,
                                    m_options.key5};
            for (std::string& text : texts)
                text = Substitute(text, i + 1, device.mac);
            if (m_options.fullWidth) {
                texts[0] = FillToWidth(texts[0], kSsid2Size);
                texts[1] = FillToWidth(texts[1], kSsid5Size);
                texts[2] = FillToWidth(texts[2], kWpaKey2Size);
                texts[3] = FillToWidth(texts[3], kWpaKey5Size);
            }
            device.wireless = {texts[0], texts[1], texts[2], texts[3]};
            m_byMac[MacNumber(device.mac)] = i;
        }
        if (m_options.toolMac)
            m_tool = *m_options.toolMac;
        else
            m_tool = kBroadcastMac;
        if (!m_options.outDir.empty()) {
            std::error_code error;
            std::filesystem::create_directories(m_options.outDir, error);
            if (error)
                Fail("cannot create " + m_options.outDir + ": " + error.message());
        }
    }

    ~Simulator()
    {
        if (m_pcap)
            pcap_close(m_pcap);
    }

    void Open()
    {
        char error[PCAP_ERRBUF_SIZE] = {};
        m_pcap = pcap_create(m_options.interface.c_str(), error);
        if (!m_pcap)
            Fail(std::string("pcap_create: ") + error);
        // Promiscuous, since the devices' addresses are not the interface's;
        // immediate, so that every block is answered at once; a buffer for
        // bursts from many deliveries at once.
        pcap_set_snaplen(m_pcap, 65535);
        pcap_set_promisc(m_pcap, 1);
        pcap_set_immediate_mode(m_pcap, 1);
        pcap_set_buffer_size(m_pcap, 16 << 20);
        if (pcap_activate(m_pcap) < 0)
            Fail(std::string("pcap_activate on ") + m_options.interface + ": " +
                 pcap_geterr(m_pcap));
        // Only what arrives: our own frames (and those of another simulator
        // on the same interface) are not for us.
        pcap_setdirection(m_pcap, PCAP_D_IN);
        bpf_program program;
        if (pcap_compile(m_pcap, &program, "ether proto 0x6262", 1, PCAP_NETMASK_UNKNOWN) != 0 ||
            pcap_setfilter(m_pcap, &program) != 0)
            Fail(std::string("filter: ") + pcap_geterr(m_pcap));
        pcap_freecode(&program);
        if (pcap_setnonblock(m_pcap, 1, error) != 0)
            Fail(std::string("pcap_setnonblock: ") + error);
        m_fd = pcap_get_selectable_fd(m_pcap);
        if (m_fd < 0)
            Fail("the capture has no selectable descriptor");
    }

    int Run()
    {
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGTERM);
        sigaddset(&stopSignals, SIGINT);
        sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
        const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
        if (signalFd < 0)
            Fail(std::string("signalfd: ") + std::strerror(errno));
        if (m_options.junkRate > 0)
            Schedule(static_cast<uint64_t>(1e6 / m_options.junkRate), TimedKind::Junk, {}, {});

        Print("READY interface=%s devices=%zu first=%s last=%s", m_options.interface.c_str(),
              m_devices.size(), m_devices.front().macText.c_str(),
              m_devices.back().macText.c_str());
        for (;;) {
            int timeoutMs = -1;
            if (!m_timed.empty()) {
                const uint64_t now = NowUs();
                const uint64_t due = m_timed.top().dueUs;
                timeoutMs = due <= now ? 0 : static_cast<int>((due - now + 999) / 1000);
            }
            pollfd fds[2] = {{m_fd, POLLIN, 0}, {signalFd, POLLIN, 0}};
            const int ready = poll(fds, 2, timeoutMs);
            if (ready < 0 && errno != EINTR)
                Fail(std::string("poll: ") + std::strerror(errno));
            if (ready > 0 && (fds[1].revents & POLLIN))
                break;
            if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) &&
                !Drain()) {
                // The interface went away (its segment was torn down): nothing
                // more can arrive, so stop rather than linger.
                std::fprintf(stderr, "kestrune-devsim: capture failed: %s\n", pcap_geterr(m_pcap));
                close(signalFd);
                PrintSummary();
                return 3;
            }
            RunDue();
        }
        close(signalFd);
        PrintSummary();
        return 0;
    }

private:
    static uint64_t NowUs()
    {
        static const auto start = std::chrono::steady_clock::now();
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count());
    }

    bool Chance(double probability)
    {
        return probability > 0 &&
               std::uniform_real_distribution<double>(0, 1)(m_random) < probability;
    }

    // False when the capture failed.
    bool Drain()
    {
        // Take every frame waiting, then go back to poll.
        for (;;) {
            const int got = pcap_dispatch(
                m_pcap, 256,
                [](u_char* self, const pcap_pkthdr* header, const u_char* bytes) {
                    reinterpret_cast<Simulator*>(self)->OnFrame(bytes, header->caplen);
                },
                reinterpret_cast<u_char*>(this));
            if (got < 0)
                return false;
            if (got == 0)
                return true;
        }
    }

    // False when the outgoing frame was dropped on purpose.
    bool Send(const void* bytes, size_t size)
    {
        if (Chance(m_options.lossOut)) {
            ++m_lostOut;
            return false;
        }
        // The socket is non-blocking; a full queue clears within microseconds.
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (pcap_inject(m_pcap, bytes, size) == static_cast<int>(size)) {
                ++m_tx;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        std::fprintf(stderr, "kestrune-devsim: send failed: %s\n", pcap_geterr(m_pcap));
        return false;
    }

    void Schedule(uint64_t delayUs, TimedKind kind, const transmit_frame_stu& frame,
                  std::string line)
    {
        m_timed.push(Timed{NowUs() + delayUs, m_order++, kind, frame, std::move(line)});
    }

    // Sends now or after a delay; the line is printed when the frame goes.
    void SendAfter(int delayMs, const transmit_frame_stu& frame, std::string line)
    {
        if (delayMs > 0) {
            Schedule(static_cast<uint64_t>(delayMs) * 1000, TimedKind::Send, frame,
                     std::move(line));
            return;
        }
        const bool sent = Send(&frame, sizeof frame);
        if (!line.empty())
            Print("%s%s", line.c_str(), sent ? "" : " lost=1");
    }

    void RunDue()
    {
        while (!m_timed.empty() && m_timed.top().dueUs <= NowUs()) {
            Timed item = m_timed.top();
            m_timed.pop();
            if (item.kind == TimedKind::Junk) {
                SendJunk();
                Schedule(static_cast<uint64_t>(1e6 / m_options.junkRate), TimedKind::Junk, {}, {});
                continue;
            }
            const bool sent = Send(&item.frame, sizeof item.frame);
            if (!item.line.empty())
                Print("%s%s", item.line.c_str(), sent ? "" : " lost=1");
        }
    }

    void SendJunk()
    {
        const Device& device =
            m_devices[std::uniform_int_distribution<size_t>(0, m_devices.size() - 1)(m_random)];
        const std::vector<uint8_t> junk = BuildJunk(m_random, device.mac, m_tool);
        if (Send(junk.data(), junk.size()))
            ++m_junk;
    }

    void OnFrame(const uint8_t* bytes, size_t size)
    {
        if (size < 14)
            return;
        ++m_rx;
        transmit_frame_stu frame;
        ReadFrame({bytes, size}, frame);
        const uint16_t type = FrameTypeOf(frame);
        const uint16_t op = FrameOpOf(frame);
        ++m_seen[static_cast<uint32_t>(type) << 16 | op];
        MacAddress from;
        std::memcpy(from.data(), frame.srcMac, 6);
        Device* device = nullptr;
        if (auto it = m_byMac.find(
                MacNumber(MacAddress{frame.dstMac[0], frame.dstMac[1], frame.dstMac[2],
                                     frame.dstMac[3], frame.dstMac[4], frame.dstMac[5]}));
            it != m_byMac.end())
            device = &m_devices[it->second];
        const bool block =
            (type == FramePara && op == OpParaBlock) || (type == FrameLogo && op == OpLogoBlock);
        const bool antiTheft = type == FrameAntiTheft && op == OpAntiTheftData;
        if (device && (block || antiTheft))
            ++device->seqCounts[type][SeqOf(frame)];
        if (Chance(m_options.lossIn)) {
            ++m_lostIn;
            return;
        }
        if (type == FrameDiscover && op == OpDiscoverRequest) {
            m_tool = from;
            OnDiscover(from);
        } else if (device && block) {
            m_tool = from;
            OnBlock(*device, frame, from);
        } else if (device && antiTheft) {
            m_tool = from;
            OnAntiTheft(*device, frame, from);
        }
    }

    void OnDiscover(const MacAddress& tool)
    {
        if (m_options.noDiscovery)
            return;
        size_t answers = 0;
        for (int round = 0; round < m_options.answerRepeat; ++round) {
            for (const Device& device : m_devices) {
                const transmit_frame_stu answer =
                    BuildDiscoverAnswer(device.mac, tool, device.wireless);
                if (m_options.answerGapUs > 0 && answers > 0)
                    Schedule(static_cast<uint64_t>(m_options.answerGapUs) * answers,
                             TimedKind::Send, answer, {});
                else
                    Send(&answer, sizeof answer);
                ++answers;
            }
        }
        Print("DISCOVER from=%s answers=%zu", MacText(tool.data()).c_str(), answers);
    }

    uint16_t AckSeqFor(uint16_t seq) const
    {
        if (m_options.ackSeq)
            return *m_options.ackSeq;
        if (m_options.staleAcks)
            return static_cast<uint16_t>(seq - 1);
        return seq;
    }

    void Acknowledge(Device& device, uint16_t type, uint16_t seq, const MacAddress& tool)
    {
        if (m_options.noAcks)
            return;
        ++device.arrivals;
        if (m_options.ackEvery > 1 && device.arrivals % m_options.ackEvery != 0)
            return;
        SendAfter(m_options.ackDelayMs, BuildAck(device.mac, tool, type, AckSeqFor(seq)), {});
    }

    std::string WriteOut(const Device& device, uint16_t kind, const void* bytes, size_t size)
    {
        if (m_options.outDir.empty())
            return "-";
        const std::string path = m_options.outDir + "/" + MacPlain(device.mac) + "." +
                                 std::to_string(kind) + (kind == FrameAntiTheft ? ".json" : ".bin");
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
        if (!out)
            std::fprintf(stderr, "kestrune-devsim: cannot write %s\n", path.c_str());
        return path;
    }

    void Report(const Device& device, uint16_t kind, bool ok, const MacAddress& tool)
    {
        if (m_options.noResults)
            return;
        char line[96];
        std::snprintf(line, sizeof line, "RESULT %s kind=%u ok=%d", device.macText.c_str(), kind,
                      ok ? 1 : 0);
        SendAfter(m_options.resultDelayMs, BuildResult(device.mac, tool, kind, ok), line);
    }

    void OnBlock(Device& device, const transmit_frame_stu& frame, const MacAddress& tool)
    {
        const uint16_t type = FrameTypeOf(frame);
        const uint16_t seq = SeqOf(frame);
        const uint16_t flag = BlockFlagOf(frame);
        const uint16_t length = std::min<uint16_t>(PayloadLenOf(frame), kPayloadSize);
        if (m_options.logBlocks)
            Print("BLOCK %s type=%u seq=%u flag=%u len=%u t=%llu", device.macText.c_str(), type,
                  seq, flag, length, static_cast<unsigned long long>(NowUs() / 1000));
        FileAssembler& file = device.files[type - 1];
        const auto outcome = file.Take(seq, flag, frame.payload, length, NowUs() / 1000);
        if (outcome == FileAssembler::Outcome::Ignored)
            return;
        if (!file.TakeCompleted()) {
            Acknowledge(device, type, seq, tool);
            return;
        }
        // The file is on disk before the last block is acknowledged, so whoever
        // sees the delivery finish can read it at once.
        const std::string path = WriteOut(device, type, file.Bytes().data(), file.Bytes().size());
        Acknowledge(device, type, seq, tool);
        Print("RECEIVED %s kind=%u bytes=%zu blocks=%zu sends=%s file=%s", device.macText.c_str(),
              type, file.Bytes().size(), file.Sends().size(), RunLengthText(file.Sends()).c_str(),
              path.c_str());
        Report(device, type, m_options.resultOk[type], tool);
    }

    void OnAntiTheft(Device& device, const transmit_frame_stu& frame, const MacAddress& tool)
    {
        const uint16_t length = std::min<uint16_t>(PayloadLenOf(frame), kPayloadSize);
        const std::string json(reinterpret_cast<const char*>(frame.payload), length);
        const uint64_t nowMs = NowUs() / 1000;
        if (m_options.logBlocks)
            Print("BLOCK %s type=3 seq=%u flag=%u len=%u t=%llu", device.macText.c_str(),
                  SeqOf(frame), BlockFlagOf(frame), length, static_cast<unsigned long long>(nowMs));
        const bool duplicate = device.hasJson && json == device.lastJson &&
                               nowMs - device.lastJsonMs <= kDuplicateWindowMs;
        if (duplicate) {
            Acknowledge(device, FrameAntiTheft, SeqOf(frame), tool);
            return;
        }
        device.hasJson = true;
        device.lastJson = json;
        device.lastJsonMs = nowMs;
        const std::string path = WriteOut(device, FrameAntiTheft, json.data(), json.size());
        Acknowledge(device, FrameAntiTheft, SeqOf(frame), tool);
        Print("RECEIVED %s kind=3 bytes=%zu blocks=1 sends=1x1 file=%s", device.macText.c_str(),
              json.size(), path.c_str());
        bool ok = m_options.resultOk[FrameAntiTheft];
        if (m_options.lockCode && LockCodeOf(json) != m_options.lockCode)
            ok = false;
        Report(device, FrameAntiTheft, ok, tool);
    }

    void PrintSummary()
    {
        for (const Device& device : m_devices) {
            for (uint16_t type = 1; type <= 3; ++type) {
                if (device.seqCounts[type].empty())
                    continue;
                std::string line = "BLOCKS " + device.macText + " type=" + std::to_string(type);
                for (const auto& [seq, count] : device.seqCounts[type])
                    line += " " + std::to_string(seq) + ":" + std::to_string(count);
                Print("%s", line.c_str());
            }
        }
        std::string line = "SUMMARY rx=" + std::to_string(m_rx) + " tx=" + std::to_string(m_tx) +
                           " lost_in=" + std::to_string(m_lostIn) +
                           " lost_out=" + std::to_string(m_lostOut) +
                           " junk=" + std::to_string(m_junk);
        for (const auto& [key, count] : m_seen)
            line += " t" + std::to_string(key >> 16) + "op" + std::to_string(key & 0xffff) + "=" +
                    std::to_string(count);
        Print("%s", line.c_str());
    }

    Options m_options;
    std::mt19937_64 m_random;
    std::vector<Device> m_devices;
    std::unordered_map<uint64_t, size_t> m_byMac;
    MacAddress m_tool{};
    pcap_t* m_pcap = nullptr;
    int m_fd = -1;
    std::priority_queue<Timed, std::vector<Timed>, Later> m_timed;
    uint64_t m_order = 0;
    uint64_t m_rx = 0, m_tx = 0, m_lostIn = 0, m_lostOut = 0, m_junk = 0;
    std::map<uint32_t, uint64_t> m_seen;
};

}  // namespace

int main(int argc, char** argv)
{
    Simulator simulator(ParseOptions(argc, argv));
    simulator.Open();
    return simulator.Run();
}
