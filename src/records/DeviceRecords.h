#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <list>
#include <string>

// What the program knows about each device: the record built from its
// discovery answer, the row read back from the results database, the
// operation kinds and statuses, and the folding of three statuses into one
// result class.
namespace kestrune {

struct ap_discover_stu {
    char mac[18];
    char date[32];
    char ssid2[34];
    char ssid5[34];
    char wpakey2[66];
    char wpakey5[66];
};
static_assert(sizeof(ap_discover_stu) == 250);
static_assert(offsetof(ap_discover_stu, ssid2) == 50);
static_assert(offsetof(ap_discover_stu, wpakey5) == 184);

struct ap_info_stu {
    char mac[18];
    char date[34];
    int32_t para_status;
    int32_t logo_status;
    int32_t antitheft_status;
    char ssid2[34];
    char ssid5[34];
    char wpakey2[66];
    char wpakey5[66];
};
static_assert(offsetof(ap_info_stu, para_status) == 52);
static_assert(offsetof(ap_info_stu, ssid2) == 64);
static_assert(offsetof(ap_info_stu, wpakey5) == 198);
static_assert(sizeof(ap_info_stu) == 264);

// An ordered list of rows, in the order of the query that produced it.
using DeviceList = std::list<ap_info_stu>;

enum OperateKind : int32_t {
    KindPara = 1,
    KindLogo = 2,
    KindAntiTheft = 3,
};

enum OperateStatus : int32_t {
    WaitOperate = 0,
    Operating = 1,
    OperateSuccess = 2,
    OperateFail = 3,
    TransmitFinish = 4,
    TransmitFail = 5,
    DeviceRespondTimeout = 6,
    LockcodeMismatch = 7,
};

enum ResultClass : int32_t {
    ResultSuccess = 0,
    ResultFail = 1,
    ResultOperating = 2,
    ResultWaiting = 3,
};

// The English text of a status code ("" for an unknown code), untranslated.
const char* StatusEnglishText(int32_t code);
// The text of a status code through the language table; "" for an unknown code.
std::string StatusText(int32_t code);
ResultClass StatusClass(int32_t code);
ResultClass ClassifyResult(int32_t para, int32_t logo, int32_t anti);

// The operation's name in the result logs: "PARA_DATA", "LOG_DATA" or
// "JSON_CMD_DATA" (the last also for any unknown kind).
const char* OperateKindName(int32_t kind);

// "YYYY-MM-DD hh:mm:ss" of a local time.
std::string FormatDateTime(const std::tm& local);

// Size of a discovery answer's device information (frame bytes 22 to 221).
inline constexpr size_t kDeviceInfoSize = 200;

// A discovery record from an answer's source MAC and device information,
// stamped with the given local time.
ap_discover_stu BuildDiscoverRecord(const uint8_t* srcMac, const uint8_t* deviceInfo,
                                    const std::tm& local);

// Copies text into a fixed narrow field, NUL-terminated, zero-filled, never
// cutting a UTF-8 sequence in half.
void CopyField(char* field, size_t fieldSize, const std::string& text);
template <size_t N>
void CopyField(char (&field)[N], const std::string& text)
{
    CopyField(field, N, text);
}
// The text of a fixed narrow field that may be filled to its width without a NUL.
std::string FieldText(const char* field, size_t fieldSize);
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

}  // namespace kestrune
