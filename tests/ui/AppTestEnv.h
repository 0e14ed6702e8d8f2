#pragma once

// Shared set-up of the main window tests: a program folder of their own (the
// built skin and language files linked into a temporary folder, so data.mdb
// lands there), the settings with their defaults, English texts, and made-up
// adapters so that no test ever opens a capture on a real interface.

#include "AcTransmitManage.h"
#include "CNoteDlg.h"
#include "CSqlManagement.h"
#include "DeviceRecords.h"
#include "Language.h"
#include "LocalAdapter.h"
#include "MacText.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinPaths.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace testenv {

inline QString BuildDir()
{
    const char* dir = std::getenv("KESTRUNE_BUILD_DIR");
    return dir ? QString::fromUtf8(dir) : QString();
}

// Lays out the program folder once per process and points everything at it.
inline QString ProgramFolderForTests()
{
    static QTemporaryDir dir;
    static bool ready = [] {
        const QString bin = BuildDir() + "/bin/";
        for (const char* name : {"Skin", "Languages"})
            QFile::link(bin + name, dir.path() + "/" + name);
        const std::string folder = dir.path().toStdString() + "/";
        kestrune::OverrideProgramFolder(folder);
        kestrune::InitLanguageForLocale(folder, 1033);
        kestrune::LoadApplicationSettings(folder);
        kestrune::BuildApplicationSkinPaths(folder);
        return true;
    }();
    (void)ready;
    return dir.path();
}

// Adapters handed to the transport in place of the machine's own.
struct FakeAdapters {
    struct Entry {
        std::string description;
        std::string name;
        uint8_t last;  // last byte of the MAC 02:00:00:00:00:xx
    };
    std::vector<Entry> entries;
    std::vector<kestrune::adapter_node> nodes;

    void Install()
    {
        auto* transport = kestrune::AcTransmitManage::Instance();
        transport->SetAdapterSource({[this]() -> const kestrune::adapter_node* {
                                         Build();
                                         return nodes.empty() ? nullptr : nodes.data();
                                     },
                                     [] {}});
        transport->SetCaptureDeviceSource([this](std::vector<std::string>& names) {
            for (const auto& e : entries)
                names.push_back(e.name);
            return true;
        });
    }

    void Build()
    {
        nodes.assign(entries.size(), {});
        for (size_t i = 0; i < entries.size(); ++i) {
            auto& info = nodes[i].info;
            std::memset(&info, 0, sizeof info);
            info.flag = 1;
            const uint8_t mac[6] = {0x02, 0, 0, 0, 0, entries[i].last};
            std::memcpy(info.mac, mac, 6);
            kestrune::CopyField(info.description, entries[i].description);
            kestrune::CopyField(info.adapterName, entries[i].name);
            nodes[i].next = i + 1 < entries.size() ? &nodes[i + 1] : nullptr;
        }
    }
};

// A discovery record for a made-up device whose MAC ends in the given bytes.
inline kestrune::ap_discover_stu Device(uint8_t b4, uint8_t b5)
{
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, b4, b5};
    const uint8_t info[kestrune::kDeviceInfoSize] = {};
    std::tm now{};
    return kestrune::BuildDiscoverRecord(mac, info, now);
}

inline std::string MacOf(uint8_t b4, uint8_t b5)
{
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, b4, b5};
    return kestrune::MacText(mac);
}

// Records every note instead of showing it, answering Ok.
struct NoteRecorder {
    struct Note {
        QString title;
        QString text;
        bool withCancel;
    };
    std::shared_ptr<std::vector<Note>> notes = std::make_shared<std::vector<Note>>();
    NoteRecorder()
    {
        auto list = notes;
        kestrune::SetNoteAnswerer([list](const QString& title, const QString& text, bool cancel) {
            list->push_back({title, text, cancel});
            return kestrune::kNoteOk;
        });
    }
    ~NoteRecorder() { kestrune::SetNoteAnswerer({}); }
};

}  // namespace testenv
