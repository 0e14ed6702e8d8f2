// Prints the program folder, one skin path, the settings path and the
// background colour read from there, one per line; with "--locale", the
// locale number of the user's locale instead.
#include "Language.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinPaths.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    using namespace kestrune;
    if (argc > 1 && std::strcmp(argv[1], "--locale") == 0) {
        std::printf("%d\n", SystemLocaleId());
        return 0;
    }
    const std::string& folder = ProgramFolder();
    std::printf("%s\n", folder.c_str());
    std::printf("%s\n", SkinPath(SkinImage::ScanBtnNormal).toStdString().c_str());
    std::printf("%s\n", SettingsFilePath(folder).c_str());
    std::printf("%u\n", ReadSettings(folder).childBkColor);
    return 0;
}
