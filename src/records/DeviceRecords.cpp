#include "DeviceRecords.h"

#include "DebugLog.h"
#include "Language.h"
#include "MacText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrune {

const char* StatusEnglishText(int32_t code)
{
    static constexpr const char* kTexts[] = {
        "Wait operate",    "Operating",     "Operate success",        "Operate fail",
        "Transmit finish", "Transmit fail", "Device respond timeout", "Lockcode mismatch",
    };
    if (code < 0 || code >= static_cast<int32_t>(std::size(kTexts)))
        return "";
    return kTexts[code];
}

std::string StatusText(int32_t code)
{
    const char* english = StatusEnglishText(code);
    if (*english == '\0')
        return {};
    return Translate(std::string_view(english));
}

ResultClass StatusClass(int32_t code)
{
    switch (code) {
        case OperateSuccess:
            return ResultSuccess;
        case OperateFail:
        case TransmitFail:
        case DeviceRespondTimeout:
        case LockcodeMismatch:
            return ResultFail;
        case Operating:
        case TransmitFinish:
            return ResultOperating;
        default:
            return ResultWaiting;
    }
}

ResultClass ClassifyResult(int32_t para, int32_t logo, int32_t anti)
{
    const ResultClass p = StatusClass(para);
    const ResultClass l = StatusClass(logo);
    const ResultClass a = StatusClass(anti);
    // Developer trace only (category kestrune.debuglog, off by default).
    qCDebug(lcDebugLog, "\r\n--------------------para:%d,logo:%d,anti:%d\r\n", para, logo, anti);
    qCDebug(lcDebugLog, "\r\n--------------------rea:%d,reogo:%d,reanti:%d\r\n", p, l, a);
    if ((p == ResultSuccess && (l == ResultSuccess || l == ResultWaiting)) ||
        (p == ResultWaiting && l == ResultSuccess) || a == ResultSuccess)
        return ResultSuccess;
    if (p == ResultFail || l == ResultFail || a == ResultFail)
        return ResultFail;
    if (p == ResultOperating || l == ResultOperating || a == ResultOperating)
        return ResultOperating;
    return ResultWaiting;
}

const char* OperateKindName(int32_t kind)
{
    switch (kind) {
        case KindPara:
            return "PARA_DATA";
        case KindLogo:
            return "LOG_DATA";
        default:
            return "JSON_CMD_DATA";
    }
}

std::string FormatDateTime(const std::tm& local)
{
    // Wide enough for any int fields, so an odd struct tm never truncates mid-number.
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

ap_discover_stu BuildDiscoverRecord(const uint8_t* srcMac, const uint8_t* deviceInfo,
                                    const std::tm& local)
{
    ap_discover_stu record;
    std::memset(&record, 0, sizeof record);
    CopyField(record.mac, MacText(srcMac));
    CopyField(record.date, FormatDateTime(local));
    static_assert(sizeof record.ssid2 + sizeof record.ssid5 + sizeof record.wpakey2 +
                      sizeof record.wpakey5 ==
                  kDeviceInfoSize);
    // The four fields lie side by side exactly as in the frame.
    std::memcpy(record.ssid2, deviceInfo, kDeviceInfoSize);
    return record;
}

void CopyField(char* field, size_t fieldSize, const std::string& text)
{
    std::memset(field, 0, fieldSize);
    if (fieldSize == 0)
        return;
    size_t length = std::min(text.size(), fieldSize - 1);
    // Back off to the start of a UTF-8 sequence if the cut falls inside one.
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(field, text.data(), length);
}

std::string FieldText(const char* field, size_t fieldSize)
{
    return std::string(field, strnlen(field, fieldSize));
}

}  // namespace kestrune
