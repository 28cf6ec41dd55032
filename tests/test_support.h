// Helpers for the Windows tests: files that must be written, and the
// message boxes the stand-in host answered.
#pragma once

#include <windows.h>

#include <doctest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "stand_in_host.h"
#include "test_files.h"

inline void writeFile(const std::string& path, const std::string& bytes) {
    REQUIRE_MESSAGE(writeFileBytes(path, bytes), "cannot create " << path);
}

inline void writeFile(const std::wstring& path, const std::string& bytes) {
    REQUIRE_MESSAGE(writeFileBytes(path, bytes), "cannot create a file named outside the code page");
}

// The captions and texts of the message boxes seen so far, one per line, as
// "caption|text"; each box must have had only an OK button, and an owner
// window exactly when owned says so.
inline std::string messageBoxesSeen(bool owned = false) {
    std::string seen;
    for (int i = 0; i < host.boxCount && i < HOST_MAX_BOXES; ++i) {
        const HostMessageBox& box = host.boxes[i];
        seen += std::string(box.caption) + "|" + box.text + "\n";
        CHECK_MESSAGE(box.hasOwner == owned,
                      "message box " << i << (owned ? " has no owner window" : " has an owner window"));
        CHECK_MESSAGE(box.okOnly, "message box " << i << " offers more than OK");
    }
    return seen;
}

// Runs a command line (the command prompt with a script, as a user who
// double-clicks it) in folder, with no console input, and waits for it; its
// exit code, and what it printed on both streams in printed.
inline DWORD runCommand(const std::string& commandLine, const std::string& folder,
                        std::string* printed = nullptr) {
    const std::string outputFile = folder + "printed.txt";
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(output != INVALID_HANDLE_VALUE);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    std::string command = commandLine;
    const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, folder.c_str(), &startup, &process);
    CloseHandle(output);
    REQUIRE_MESSAGE(started, "cannot run " << commandLine);
    CHECK(WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (printed != nullptr) {
        *printed = readFile(outputFile);
    }
    DeleteFileA(outputFile.c_str());
    return exitCode;
}
