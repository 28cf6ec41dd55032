// The five settings as the tests handle them: put in force at once, or as
// the text of the host's INI section. Tests that load the real DLL use only
// the text.
#pragma once

#include <stdio.h>

#include <string>

#include "settings.h"

struct Settings {
    int immediate;
    int next;
    std::string from, to, script;
};

// The section as the host's INI file holds it, keys in their order.
inline std::string section(const Settings& s) {
    return "[Tunestow]\r\nimmediateMode=" + std::to_string(s.immediate) +
           "\r\nplayNextTrack=" + std::to_string(s.next) +
           "\r\nrootDirectoryArchiveFrom=" + s.from + "\r\nrootDirectoryArchiveTo=" + s.to +
           "\r\nscriptFilePathAndName=" + s.script + "\r\n";
}

// Puts the settings in force, as OK in the dialog or a load would.
inline void commit(const Settings& s) {
    immediateMode = s.immediate;
    playNextTrack = s.next;
    snprintf(rootDirectoryArchiveFrom, PATH_BUFFER_SIZE, "%s", s.from.c_str());
    snprintf(rootDirectoryArchiveTo, PATH_BUFFER_SIZE, "%s", s.to.c_str());
    snprintf(scriptFilePathAndName, PATH_BUFFER_SIZE, "%s", s.script.c_str());
}

// The settings in force, in the form of their section.
inline std::string committed() {
    return section({immediateMode, playNextTrack, rootDirectoryArchiveFrom,
                    rootDirectoryArchiveTo, scriptFilePathAndName});
}
