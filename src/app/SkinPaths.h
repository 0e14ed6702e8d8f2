#pragma once

#include <QString>
#include <QStringView>

#include <string>

// The skin images, all in "Skin/" of the program folder. Each path is built
// at start whether or not the file exists; the control that draws an image
// loads it and copes with a missing file.
namespace kestrune {

enum class SkinImage : int {
    MainBkPng,
    MainBkJpg,
    MainBk3Jpg,
    WaitSearchGif,
    ScanBtnNormal,
    ScanBtnOver,
    ScanBtnDown,
    ScanBtnDisable,
    OrvikLogo,
    ComboxDown,
    ProtectionBtnNormal,
    ProtectionBtnOver,
    ProtectionBtnDown,
    ProtectionBtnDisable,
    ChangeBtnNormal,
    Select,
    Unselect,
    PartSelect,
    Success,
    Error,
    Operating,
    ApplyBtnNormal,
    ApplyBtnOver,
    ApplyBtnDown,
    ApplyBtnDisable,
    CancelBtnNormal,
    CancelBtnOver,
    CancelBtnDown,
    ChooseBtnNormal,
    BtnIniFile,
    BtnPicFile,
    BtnSwitchOn,
    BtnSwitchOff,
    BtnTemplate,
    BtnCloseNormal,
    BtnCloseOver,
    BtnCloseDown,
    BtnCloseNormal2,
    BtnChildClose,
    BtnChildClose2,
    BtnMinNormal,
    BtnMinOver,
    BtnMinDown,
    HelpNormal,
    Count
};

inline constexpr int kSkinImageCount = static_cast<int>(SkinImage::Count);

// The file name of an image, e.g. "scan_btn_normal.png".
const char* SkinFileName(SkinImage image);

// The table of full paths: program folder + "Skin/" + file name.
class SkinPaths {
public:
    SkinPaths() = default;
    explicit SkinPaths(const std::string& programFolder);

    QString Path(SkinImage image) const;
    // The path of a file of the table by its name (exact letter case);
    // "" for a name the table does not hold.
    QString Path(QStringView fileName) const;

private:
    QString m_paths[kSkinImageCount];
};

// The skin paths of this process. Start-up builds them once from the program
// folder; until then the first use builds them from ProgramFolder().
void BuildApplicationSkinPaths(const std::string& programFolder);
const SkinPaths& ApplicationSkinPaths();
QString SkinPath(SkinImage image);
QString SkinPath(QStringView fileName);

}  // namespace kestrune
