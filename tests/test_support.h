// Helpers for the Windows tests: real folders and files, read back byte for
// byte, and the message boxes the stand-in host answered.
#pragma once

#include <windows.h>

#include <doctest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "stand_in_host.h"

// A new, empty folder for one test, removed with everything in it afterwards.
struct TempFolder {
    std::string path;   // ends in a backslash

    explicit TempFolder(const std::string& parent = "") {
        static int counter = 0;
        std::string base = parent;
        if (base.empty()) {
            char temp[MAX_PATH];
            GetTempPathA(sizeof temp, temp);
            base = temp;
        }
        char name[64];
        snprintf(name, sizeof name, "tunestow-%lu-%d\\", GetCurrentProcessId(), ++counter);
        path = base + name;
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempFolder() { removeTree(path); }

    std::string operator/(const std::string& relative) const { return path + relative; }

    static void removeTree(const std::string& folder) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") {
                    continue;
                }
                const std::string child = folder + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    removeTree(child + "\\");
                } else {
                    SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(child.c_str());
                }
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }
};

inline bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool folderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the file and every missing folder above it.
inline void writeFile(const std::string& path, const std::string& bytes) {
    for (size_t i = 3; i < path.size(); ++i) {
        if (path[i] == '\\') {
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        }
    }
    FILE* file = fopen(path.c_str(), "wb");
    REQUIRE_MESSAGE(file != nullptr, "cannot create " << path);
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

// The file's exact bytes, or "<missing>".
inline std::string readFile(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "<missing>";
    }
    std::string bytes;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.append(chunk, got);
    }
    fclose(file);
    return bytes;
}

// The captions and texts of the message boxes seen so far, one per line, as
// "caption|text"; each box must have had no owner and only an OK button.
inline std::string messageBoxesSeen() {
    std::string seen;
    for (int i = 0; i < host.boxCount && i < HOST_MAX_BOXES; ++i) {
        const HostMessageBox& box = host.boxes[i];
        seen += std::string(box.caption) + "|" + box.text + "\n";
        CHECK_MESSAGE(!box.hasOwner, "message box " << i << " has an owner window");
        CHECK_MESSAGE(box.okOnly, "message box " << i << " offers more than OK");
    }
    return seen;
}
