// Real folders and files for the Windows tests and the benchmark: made,
// read back byte for byte, and removed; and the bytes a script file holds.
// No test framework here.
#pragma once

#include <windows.h>

#include <stdio.h>

#include <set>
#include <string>

// A path in the ANSI code page as the wide functions take it.
inline std::wstring widen(const std::string& ansi) {
    const int size = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? size - 1 : 0, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, &wide[0], size);
    return wide;
}

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
        // Wine gives a new run the same process ids, and a folder an earlier
        // run could not remove (a file still held open) would hand this test
        // its files: the folder must be new.
        char name[64];
        do {
            snprintf(name, sizeof name, "tunestow-%lu-%d\\", GetCurrentProcessId(), ++counter);
            path = base + name;
        } while (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    }
    ~TempFolder() { removeTree(path); }

    std::string operator/(const std::string& relative) const { return path + relative; }

    // Wide, so that names outside the code page go too.
    static void removeTree(const std::string& folder) { removeTree(widen(folder)); }
    static void removeTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") {
                    continue;
                }
                const std::wstring child = folder + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    removeTree(child + L"\\");
                } else {
                    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }
};

inline bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool folderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The names in folder, sorted, one space between: "<missing>" for no folder.
inline std::string folderNames(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::set<std::string> names;
    do {
        names.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::string joined;
    for (const std::string& name : names) {
        joined += name == "." || name == ".." ? "" : (joined.empty() ? "" : " ") + name;
    }
    return joined;
}

// Creates the file and every missing folder above it; false if it cannot.
inline bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
    for (size_t i = 3; i < path.size(); ++i) {
        if (path[i] == L'\\') {
            CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
        }
    }
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr) {
        return false;
    }
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    return true;
}

inline bool writeFileBytes(const std::string& path, const std::string& bytes) {
    return writeFileBytes(widen(path), bytes);
}

// The file's exact bytes, or "<missing>".
inline std::string readFile(const std::wstring& path) {
    FILE* file = _wfopen(path.c_str(), L"rb");
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

inline std::string readFile(const std::string& path) {
    return readFile(widen(path));
}

// The first lines of a new or emptied script: the code page of its lines,
// no expansion of !variables!, and the report after the lines below :archive.
inline std::string scriptHeader() {
    return "@echo off\r\nchcp " + std::to_string(GetACP()) +
           " >nul\r\nsetlocal DisableDelayedExpansion\r\nset notArchived=0\r\ncall :archive\r\n"
           "if %notArchived% gtr 0 (echo.& echo Files not archived: %notArchived%& timeout /t 120)\r\n"
           "exit /b %notArchived%\r\n:archive\r\n";
}

// The three lines a click in script mode appends for source, archived into
// directory, with every '%' doubled as a batch file needs. The paths are in
// the ANSI code page, walked by character: a second byte may be a '\\'.
inline std::string scriptLines(const std::string& source, const std::string& directory) {
    const auto batch = [](std::string text) {
        for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 2)) {
            text.insert(at, 1, '%');
        }
        return text;
    };
    size_t name = 0;
    for (const char* c = source.c_str(); *c != '\0'; c = CharNextA(c)) {
        if (*c == '\\') {
            name = c - source.c_str() + 1;
        }
    }
    const std::string target = directory + source.substr(name);
    const std::string s = "\"" + batch(source) + "\"";
    const std::string t = "\"" + batch(target) + "\"";
    const std::string d = "\"" + batch(directory) + "\"";
    return "mkdir " + d + " 2>nul\r\nif not exist " + t + " move " + s + " " + d + " >nul\r\nif exist " + s +
           " (echo Not archived: " + s + "& set /a notArchived+=1 >nul) else if not exist " + t +
           " (echo Not found: " + s + "& set /a notArchived+=1 >nul)\r\n";
}
