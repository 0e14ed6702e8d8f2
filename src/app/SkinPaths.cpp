#include "SkinPaths.h"

#include "ProgramFolder.h"

#include <mutex>
#include <optional>

namespace kestrune {
namespace {

constexpr const char* kFileNames[kSkinImageCount] = {
    "main_bk.png",
    "main_bk.jpg",
    "main_bk3.jpg",
    "wait_search.gif",
    "scan_btn_normal.png",
    "scan_btn_over.png",
    "scan_btn_down.png",
    "scan_btn_disable.png",
    "orvik_logo.bmp",
    "combox_down.png",
    "protection_btn_normal.png",
    "protection_btn_over.png",
    "protection_btn_down.png",
    "protection_btn_disable.png",
    "change_btn_normal.png",
    "select.bmp",
    "unselect.bmp",
    "part_select.bmp",
    "success.bmp",
    "error.bmp",
    "operating.bmp",
    "apply_btn_normal.png",
    "apply_btn_over.png",
    "apply_btn_down.png",
    "apply_btn_disable.png",
    "cancel_btn_normal.png",
    "cancel_btn_over.png",
    "cancel_btn_down.png",
    "choose_btn_normal.png",
    "btn_ini_file.png",
    "btn_pic_file.png",
    "btn_switch_on.png",
    "btn_switch_off.png",
    "btn_template.png",
    "btn_close_normal.png",
    "btn_close_over.png",
    "btn_close_down.png",
    "btn_close_normal2.png",
    "btn_child_close.png",
    "btn_child_close2.png",
    "btn_min_normal.png",
    "btn_min_over.png",
    "btn_min_down.png",
    "help_normal.bmp",
};

std::mutex stateMutex;
std::optional<SkinPaths> state;

}  // namespace

const char* SkinFileName(SkinImage image)
{
    const int index = static_cast<int>(image);
    if (index < 0 || index >= kSkinImageCount)
        return "";
    return kFileNames[index];
}

SkinPaths::SkinPaths(const std::string& programFolder)
{
    const QString folder = QString::fromStdString(programFolder) + QStringLiteral("Skin/");
    for (int i = 0; i < kSkinImageCount; ++i)
        m_paths[i] = folder + QLatin1StringView(kFileNames[i]);
}

QString SkinPaths::Path(SkinImage image) const
{
    const int index = static_cast<int>(image);
    if (index < 0 || index >= kSkinImageCount)
        return {};
    return m_paths[index];
}

QString SkinPaths::Path(QStringView fileName) const
{
    for (int i = 0; i < kSkinImageCount; ++i) {
        if (fileName == QLatin1StringView(kFileNames[i]))
            return m_paths[i];
    }
    return {};
}

void BuildApplicationSkinPaths(const std::string& programFolder)
{
    std::lock_guard lock(stateMutex);
    state.emplace(programFolder);
}

const SkinPaths& ApplicationSkinPaths()
{
    std::lock_guard lock(stateMutex);
    if (!state)
        state.emplace(ProgramFolder());
    return *state;
}

QString SkinPath(SkinImage image)
{
    return ApplicationSkinPaths().Path(image);
}

QString SkinPath(QStringView fileName)
{
    return ApplicationSkinPaths().Path(fileName);
}

}  // namespace kestrune
