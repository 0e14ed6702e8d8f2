// Prints the program folder, one skin path, the settings path and the
// background colour read from there, one per line.
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinPaths.h"

#include <cstdio>

int main()
{
    using namespace kestrune;
    const std::string& folder = ProgramFolder();
    std::printf("%s\n", folder.c_str());
    std::printf("%s\n", SkinPath(SkinImage::ScanBtnNormal).toStdString().c_str());
    std::printf("%s\n", SettingsFilePath(folder).c_str());
    std::printf("%u\n", ReadSettings(folder).childBkColor);
    return 0;
}
